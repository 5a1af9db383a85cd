#pragma once
// The HMD runtime's C interface (the 0.4.2 names, types and bit values).
// Devices: real headsets through OpenHMD and a built-in simulated DK2.
// Thread: every call runs on the thread that owns the GL context (the main thread).
// Units: metres, seconds, tangents of half-angles; eye 0 is the left eye.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef char ovrBool;
#define ovrFalse 0
#define ovrTrue 1

typedef struct ovrVector2i_ { int x, y; } ovrVector2i;
typedef struct ovrSizei_ { int w, h; } ovrSizei;
typedef struct ovrRecti_ { ovrVector2i Pos; ovrSizei Size; } ovrRecti;
typedef struct ovrVector2f_ { float x, y; } ovrVector2f;
typedef struct ovrVector3f_ { float x, y, z; } ovrVector3f;
typedef struct ovrQuatf_ { float x, y, z, w; } ovrQuatf;
// Row-major: M[row][col], for column vectors.
typedef struct ovrMatrix4f_ { float M[4][4]; } ovrMatrix4f;
// Orientation maps head space to world space; right-handed, +Y up, looking along -Z.
typedef struct ovrPosef_ { ovrQuatf Orientation; ovrVector3f Position; } ovrPosef;
// Tangents of the half-angles from the eye's axis to each edge of its view.
typedef struct ovrFovPort_ { float UpTan, DownTan, LeftTan, RightTan; } ovrFovPort;

typedef enum ovrHmdType_ {
  ovrHmd_None = 0,
  ovrHmd_DK1 = 3,
  ovrHmd_DKHD = 4,
  ovrHmd_DK2 = 6,
  ovrHmd_Other = 9
} ovrHmdType;

typedef enum ovrEyeType_ { ovrEye_Left = 0, ovrEye_Right = 1, ovrEye_Count = 2 } ovrEyeType;

typedef enum ovrHmdCaps_ {
  ovrHmdCap_Present = 0x0001,
  ovrHmdCap_Available = 0x0002,
  ovrHmdCap_Captured = 0x0004,
  ovrHmdCap_ExtendDesktop = 0x0008,
  ovrHmdCap_DisplayOff = 0x0040,
  ovrHmdCap_LowPersistence = 0x0080,
  ovrHmdCap_DynamicPrediction = 0x0200,
  ovrHmdCap_NoVSync = 0x1000,
  ovrHmdCap_NoMirrorToWindow = 0x2000,
  ovrHmdCap_Writable_Mask = 0x33F0
} ovrHmdCaps;

typedef enum ovrTrackingCaps_ {
  ovrTrackingCap_Orientation = 0x0010,
  ovrTrackingCap_MagYawCorrection = 0x0020,
  ovrTrackingCap_Position = 0x0040,
  ovrTrackingCap_Idle = 0x0100
} ovrTrackingCaps;

typedef enum ovrDistortionCaps_ {
  ovrDistortionCap_Chromatic = 0x01,
  ovrDistortionCap_TimeWarp = 0x02,
  ovrDistortionCap_Vignette = 0x08,
  ovrDistortionCap_NoRestore = 0x10,
  ovrDistortionCap_FlipInput = 0x20,
  ovrDistortionCap_SRGB = 0x40,
  ovrDistortionCap_Overdrive = 0x80,
  ovrDistortionCap_HqDistortion = 0x100
} ovrDistortionCaps;

struct ovrHmdStruct;

typedef struct ovrHmdDesc_ {
  struct ovrHmdStruct* Handle;  // the runtime's own state
  ovrHmdType Type;
  const char* ProductName;
  const char* Manufacturer;
  unsigned int HmdCaps;         // ovrHmdCaps the device supports
  unsigned int TrackingCaps;    // ovrTrackingCaps the device supports
  unsigned int DistortionCaps;  // ovrDistortionCaps the runtime supports for it
  ovrFovPort DefaultEyeFov[ovrEye_Count];
  ovrFovPort MaxEyeFov[ovrEye_Count];
  ovrEyeType EyeRenderOrder[ovrEye_Count];
  ovrSizei Resolution;  // the whole panel, both eyes, in pixels
} ovrHmdDesc;

typedef const ovrHmdDesc* ovrHmd;

typedef struct ovrEyeRenderDesc_ {
  ovrEyeType Eye;
  ovrFovPort Fov;
  ovrRecti DistortedViewport;  // this eye's part of the output, in pixels
  ovrVector2f PixelsPerTanAngleAtCenter;
  ovrVector3f ViewAdjust;  // translation to apply after the head's view transform, metres
} ovrEyeRenderDesc;

typedef struct ovrFrameTiming_ {
  float DeltaSeconds;  // since the previous BeginFrame, at most 0.1
  double ThisFrameSeconds;
  double TimewarpPointSeconds;
  double NextFrameSeconds;
  double ScanoutMidpointSeconds;
  double EyeScanoutSeconds[ovrEye_Count];
} ovrFrameTiming;

typedef struct ovrHSWDisplayState_ {
  ovrBool Displayed;
  double StartTime;        // runtime clock, seconds
  double DismissibleTime;  // earliest time a dismissal takes effect
} ovrHSWDisplayState;

typedef enum ovrRenderAPIType_ {
  ovrRenderAPI_None = 0,
  ovrRenderAPI_OpenGL = 1,
  ovrRenderAPI_Android_GLES = 2,
  ovrRenderAPI_D3D9 = 3,
  ovrRenderAPI_D3D10 = 4,
  ovrRenderAPI_D3D11 = 5,
  ovrRenderAPI_Count
} ovrRenderAPIType;

typedef struct ovrRenderAPIConfigHeader_ {
  ovrRenderAPIType API;
  ovrSizei RTSize;  // the output's size in pixels
  int Multisample;
} ovrRenderAPIConfigHeader;

typedef struct ovrRenderAPIConfig_ {
  ovrRenderAPIConfigHeader Header;
  uintptr_t PlatformData[8];
} ovrRenderAPIConfig;

typedef struct ovrTextureHeader_ {
  ovrRenderAPIType API;
  ovrSizei TextureSize;
  ovrRecti RenderViewport;  // where this eye was drawn, counted from the texture's row 0
} ovrTextureHeader;

typedef struct ovrTexture_ {
  ovrTextureHeader Header;
  uintptr_t PlatformData[8];
} ovrTexture;

// Always ovrTrue: there is no runtime service to reach.
ovrBool ovr_Initialize(void);
void ovr_Shutdown(void);
// Monotonic runtime clock in seconds (or the test clock, see ovr_extensions.h).
double ovr_GetTimeInSeconds(void);

// The index-th real headset OpenHMD finds (null, external and non-HMD devices skipped); null if none.
ovrHmd ovrHmd_Create(int index);
// A simulated headset; only ovrHmd_DK2 is offered, anything else gives null.
ovrHmd ovrHmd_CreateDebug(ovrHmdType type);
// Releases the device and the GL objects (the GL context must still be current). Null is ignored.
void ovrHmd_Destroy(ovrHmd hmd);

// ovrTrue for a window; presentation goes to the output given to ConfigureRendering, so the window
// and the rectangles are otherwise unused.
ovrBool ovrHmd_AttachToWindow(ovrHmd hmd, void* window, const ovrRecti* destMirrorRect,
                              const ovrRecti* sourceRenderTargetRect);

// Only the bits of ovrHmdCap_Writable_Mask are kept; GetEnabledCaps reports exactly those.
void ovrHmd_SetEnabledCaps(ovrHmd hmd, unsigned int hmdCaps);
unsigned int ovrHmd_GetEnabledCaps(ovrHmd hmd);

// Eye texture size, in pixels, that gives pixelsPerDisplayPixel texels per panel pixel at the centre.
ovrSizei ovrHmd_GetFovTextureSize(ovrHmd hmd, ovrEyeType eye, ovrFovPort fov,
                                  float pixelsPerDisplayPixel);

// Needs a current GL 3.3 core context; apiConfig is an ovrGLConfig (OVR_CAPI_GL.h). Builds the distortion
// meshes and GL objects and fills eyeRenderDescOut. A null apiConfig releases them. ovrFalse on failure.
ovrBool ovrHmd_ConfigureRendering(ovrHmd hmd, const ovrRenderAPIConfig* apiConfig,
                                  unsigned int distortionCaps, const ovrFovPort eyeFovIn[2],
                                  ovrEyeRenderDesc eyeRenderDescOut[2]);
// ovrFalse when the device lacks a required cap.
ovrBool ovrHmd_ConfigureTracking(ovrHmd hmd, unsigned int supportedTrackingCaps,
                                 unsigned int requiredTrackingCaps);

// Call order per frame: BeginFrame, GetEyePose per eye (in EyeRenderOrder), EndFrame.
ovrFrameTiming ovrHmd_BeginFrame(ovrHmd hmd, unsigned int frameIndex);
// The head pose (no eye offset: add ViewAdjust).
ovrPosef ovrHmd_GetEyePose(ovrHmd hmd, ovrEyeType eye);
// Distorts both eyes from eyeTexture (ovrGLTexture) into the configured output and calls its
// SwapBuffers. renderPose and eyeTexture are indexed by eye. Does nothing before ConfigureRendering.
void ovrHmd_EndFrame(ovrHmd hmd, const ovrPosef renderPose[2], const ovrTexture eyeTexture[2]);

// Makes the current heading (and position) the new origin; resets the simulated headset to straight ahead.
void ovrHmd_RecenterPose(ovrHmd hmd);

// ovrTrue if the notice went away now; an early request is remembered and applied when allowed.
ovrBool ovrHmd_DismissHSWDisplay(ovrHmd hmd);
void ovrHmd_GetHSWDisplayState(ovrHmd hmd, ovrHSWDisplayState* hasWarningState);

// Projection for column vectors; depth maps to [0, 1].
ovrMatrix4f ovrMatrix4f_Projection(ovrFovPort fov, float znear, float zfar, ovrBool rightHanded);

#ifdef __cplusplus
}
#endif
