#pragma once
// The OpenGL forms of the runtime's render configuration and eye texture.

#include "ovr/OVR_CAPI.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ovrGLConfigData_s {
  ovrRenderAPIConfigHeader Header;  // API ovrRenderAPI_OpenGL; RTSize = the output window's size
  unsigned int Framebuffer;         // GL framebuffer the distorted image is drawn into (0: the window's)
  void (*SwapBuffers)(void* user);  // presents the output; called at the end of every EndFrame
  void* SwapBuffersUser;
} ovrGLConfigData;

typedef union ovrGLConfig_ {
  ovrRenderAPIConfig Config;
  ovrGLConfigData OGL;
} ovrGLConfig;

// The texture's row 0 holds the top of the picture (as the renderer draws it), unless the
// distortion caps include ovrDistortionCap_FlipInput, which makes row 0 the bottom.
typedef struct ovrGLTextureData_s {
  ovrTextureHeader Header;  // API ovrRenderAPI_OpenGL
  unsigned int TexId;       // GL_TEXTURE_2D name
} ovrGLTextureData;

typedef union ovrGLTexture_ {
  ovrTexture Texture;
  ovrGLTextureData OGL;
} ovrGLTexture;

#ifdef __cplusplus
}
#endif
