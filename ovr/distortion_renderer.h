#pragma once
// Draws the two eyes' distortion meshes from the shared eye texture into the output (OpenGL).
// Thread: the one whose GL 3.3 core context is current, for every call including the destructor.

#include <memory>

#include "ovr/OVR_CAPI.h"
#include "ovr/distortion_mesh.h"
#include "ovr/fov_math.h"
#include "ovr/pose_math.h"

namespace quela::ovr {

struct EyeSource {
  unsigned int texture;  // GL_TEXTURE_2D holding both eyes
  ScaleOffset uv;        // tangent -> texture coordinate for this eye
  UvBounds bounds;       // this eye's viewport in the texture
  Mat3 warp;             // display-time tangent directions -> render-time ones
};

struct PresentOptions {
  unsigned int framebuffer;  // output
  ovrSizei size;             // output size; each eye gets one half
  bool drawEyes;             // false leaves the output black
  bool vignette;
  bool srgb;                 // the output encodes sRGB (GL_FRAMEBUFFER_SRGB, or a copy of an sRGB eye texture)
  bool restoreState;         // put back the GL state touched here
  bool healthNotice;         // the health-and-safety panel over both eyes
  bool healthNoticeDismissible;  // the panel then invites a key press
};

class DistortionRenderer {
 public:
  // chromatic: three fetches per pixel, else one (green's source for all channels). Null when the
  // shaders cannot be built (logged).
  static std::unique_ptr<DistortionRenderer> Create(const DistortionMesh (&meshes)[ovrEye_Count],
                                                    bool chromatic);
  ~DistortionRenderer();
  DistortionRenderer(const DistortionRenderer&) = delete;
  DistortionRenderer& operator=(const DistortionRenderer&) = delete;

  void Present(const PresentOptions& options, const EyeSource (&eyes)[ovrEye_Count]);

 private:
  DistortionRenderer() = default;
  // The notice's picture for an eye of this size, made on first use.
  unsigned int PanelTexture(ovrSizei eyeSize, bool dismissible);
  struct Gl;
  std::unique_ptr<Gl> gl_;
};

}  // namespace quela::ovr
