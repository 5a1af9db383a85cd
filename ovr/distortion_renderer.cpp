#include "ovr/distortion_renderer.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstddef>
#include <string>

#include "app/log/g2log.h"
#include "ovr/hsw_panel_image.h"
#include "toolkit/formats/font_rasterizer.h"

namespace quela::ovr {
namespace {

// The tangent directions are turned by the time-warp rotation and projected back before the
// lookup; everything per pixel is the three fetches (at level 0: the eye texture has no mipmaps),
// and the vignette multiply only in the cells that fade (VIGNETTE): the bright cells skip its
// varying and its arithmetic. The varyings are affine: the mesh is flat, w is always 1. Clamping at
// the vertices keeps every interpolated coordinate inside the eye's viewport, so the other eye's
// picture never bleeds in at the rim.
// An sRGB eye texture going to an sRGB output is copied in its encoded form: decoding every fetch
// and encoding every write costs a software rasterizer as much as the fetches themselves. Only the
// filtering then happens on encoded values; the vignette, a multiply in linear light, becomes the
// power 1/2.2 of its weight on the encoded value.
constexpr const char* kMeshVertexShader = R"(
layout(location = 0) in vec2 a_panelNdc;
layout(location = 1) in vec2 a_tanRed;
layout(location = 2) in vec2 a_tanGreen;
layout(location = 3) in vec2 a_tanBlue;
uniform mat3 u_warp;
uniform vec2 u_uvScale;
uniform vec2 u_uvOffset;
uniform vec2 u_uvMin;
uniform vec2 u_uvMax;
noperspective out vec2 v_uvRed;
noperspective out vec2 v_uvGreen;
noperspective out vec2 v_uvBlue;
#ifdef VIGNETTE
layout(location = 4) in float a_vignette;
noperspective out float v_vignette;
#endif
vec2 SourceUv(vec2 tangent) {
  vec3 d = u_warp * vec3(tangent, -1.0);
  return clamp((d.xy / -d.z) * u_uvScale + u_uvOffset, u_uvMin, u_uvMax);
}
void main() {
  v_uvRed = SourceUv(a_tanRed);
  v_uvGreen = SourceUv(a_tanGreen);
  v_uvBlue = SourceUv(a_tanBlue);
#ifdef VIGNETTE
  v_vignette = a_vignette;
#endif
  gl_Position = vec4(a_panelNdc, 0.0, 1.0);
}
)";

constexpr const char* kMeshFragmentShader = R"(
noperspective in vec2 v_uvRed;
noperspective in vec2 v_uvGreen;
noperspective in vec2 v_uvBlue;
uniform sampler2D u_eyeTexture;
out vec4 o_colour;
#ifdef VIGNETTE
noperspective in float v_vignette;
uniform float u_vignetteExponent;
#endif
void main() {
#ifdef VIGNETTE
  if (v_vignette <= 0.0) {  // the rim outside the picture costs no fetches
    o_colour = vec4(0.0, 0.0, 0.0, 1.0);
    return;
  }
#endif
#ifdef CHROMATIC
  vec3 c = vec3(textureLod(u_eyeTexture, v_uvRed, 0.0).r, textureLod(u_eyeTexture, v_uvGreen, 0.0).g,
                textureLod(u_eyeTexture, v_uvBlue, 0.0).b);
#else
  vec3 c = textureLod(u_eyeTexture, v_uvGreen, 0.0).rgb;
#endif
#ifdef VIGNETTE
  c *= pow(min(v_vignette, 1.0), u_vignetteExponent);
#endif
  o_colour = vec4(c, 1.0);
}
)";

// The cells outside the picture: black, so that no clear of the whole output is needed.
constexpr const char* kBlackVertexShader = R"(
layout(location = 0) in vec2 a_panelNdc;
void main() { gl_Position = vec4(a_panelNdc, 0.0, 1.0); }
)";
constexpr const char* kBlackFragmentShader = R"(
out vec4 o_colour;
void main() { o_colour = vec4(0.0, 0.0, 0.0, 1.0); }
)";

// The notice: its picture in the middle of each eye.
constexpr float kPanelHalfWidth = 0.55f, kPanelHalfHeight = 0.35f;  // of the eye's NDC extent
constexpr const char* kPanelVertexShader = R"(
out vec2 v_uv;
void main() {
  vec2 corner = vec2(gl_VertexID & 1, gl_VertexID >> 1) * 2.0 - 1.0;
  v_uv = vec2(corner.x + 1.0, 1.0 - corner.y) * 0.5;  // the picture's rows run top down
  gl_Position = vec4(corner * vec2(PANEL_HALF_WIDTH, PANEL_HALF_HEIGHT), 0.0, 1.0);
}
)";

constexpr const char* kPanelFragmentShader = R"(
in vec2 v_uv;
uniform sampler2D u_panel;
out vec4 o_colour;
void main() { o_colour = texture(u_panel, v_uv); }
)";

GLuint Compile(GLenum stage, const char* source, const char* defines) {
  const GLuint shader = glCreateShader(stage);
  const char* parts[] = {"#version 330 core\n", defines, source};
  glShaderSource(shader, 3, parts, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    LOGF(WARNING, "Distortion shader failed to compile: %s", log);
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

GLuint Link(const char* vertexSource, const char* fragmentSource, const char* defines) {
  const GLuint vs = Compile(GL_VERTEX_SHADER, vertexSource, defines);
  const GLuint fs = Compile(GL_FRAGMENT_SHADER, fragmentSource, defines);
  GLuint program = 0;
  if (vs && fs) {
    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
      char log[1024] = {};
      glGetProgramInfoLog(program, sizeof log, nullptr, log);
      LOGF(WARNING, "Distortion program failed to link: %s", log);
      glDeleteProgram(program);
      program = 0;
    }
  }
  glDeleteShader(vs);
  glDeleteShader(fs);
  return program;
}

// Whether the texture bound to GL_TEXTURE_2D stores sRGB-encoded colour.
bool IsSrgbTexture() {
  GLint format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  return format == GL_SRGB8_ALPHA8 || format == GL_SRGB8 || format == GL_SRGB_ALPHA || format == GL_SRGB;
}

// Saves the GL state Present touches and puts it back, so the program's renderer finds its own.
class SavedGlState {
 public:
  SavedGlState() {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer_);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer_);
    glGetIntegerv(GL_VIEWPORT, viewport_);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray_);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture_);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture0_);
    glGetIntegerv(GL_SAMPLER_BINDING, &sampler0_);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour_);
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask_);
    for (int i = 0; i < kEnables; ++i) enabled_[i] = glIsEnabled(kCaps[i]);
  }
  ~SavedGlState() {
    for (int i = 0; i < kEnables; ++i) (enabled_[i] ? glEnable : glDisable)(kCaps[i]);
    glColorMask(colourMask_[0], colourMask_[1], colourMask_[2], colourMask_[3]);
    glClearColor(clearColour_[0], clearColour_[1], clearColour_[2], clearColour_[3]);
    glBindSampler(0, sampler0_);
    glBindTexture(GL_TEXTURE_2D, texture0_);
    glActiveTexture(activeTexture_);
    glBindVertexArray(vertexArray_);
    glUseProgram(program_);
    glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, drawFramebuffer_);
  }
  SavedGlState(const SavedGlState&) = delete;
  SavedGlState& operator=(const SavedGlState&) = delete;

 private:
  static constexpr int kEnables = 6;
  static constexpr GLenum kCaps[kEnables] = {GL_DEPTH_TEST, GL_STENCIL_TEST, GL_BLEND,
                                             GL_CULL_FACE, GL_SCISSOR_TEST, GL_FRAMEBUFFER_SRGB};
  GLint drawFramebuffer_ = 0, readFramebuffer_ = 0, viewport_[4] = {}, program_ = 0, vertexArray_ = 0;
  GLint activeTexture_ = GL_TEXTURE0, texture0_ = 0, sampler0_ = 0;
  GLfloat clearColour_[4] = {};
  GLboolean colourMask_[4] = {};
  GLboolean enabled_[kEnables] = {};
};

}  // namespace

// One of the two mesh programs with its uniforms.
struct MeshProgram {
  GLuint id = 0;
  GLint warp = -1, uvScale = -1, uvOffset = -1, uvMin = -1, uvMax = -1, vignetteExponent = -1;

  explicit MeshProgram(GLuint program) : id(program) {
    warp = glGetUniformLocation(id, "u_warp");
    uvScale = glGetUniformLocation(id, "u_uvScale");
    uvOffset = glGetUniformLocation(id, "u_uvOffset");
    uvMin = glGetUniformLocation(id, "u_uvMin");
    uvMax = glGetUniformLocation(id, "u_uvMax");
    vignetteExponent = glGetUniformLocation(id, "u_vignetteExponent");
  }
  void Use(const EyeSource& source, float exponent) const {
    glUseProgram(id);
    glUniformMatrix3fv(warp, 1, GL_TRUE, source.warp.data());
    glUniform2f(uvScale, source.uv.scale.x, source.uv.scale.y);
    glUniform2f(uvOffset, source.uv.offset.x, source.uv.offset.y);
    glUniform2f(uvMin, source.bounds.min.x, source.bounds.min.y);
    glUniform2f(uvMax, source.bounds.max.x, source.bounds.max.y);
    if (vignetteExponent >= 0) glUniform1f(vignetteExponent, exponent);
  }
};

struct DistortionRenderer::Gl {
  GLuint panelProgram = 0, blackProgram = 0, vertexArray = 0, vertexBuffer = 0, indexBuffer = 0;
  GLuint emptyVertexArray = 0, sampler = 0;
  MeshProgram bright{0}, fading{0};
  bool canSkipDecode = false;  // GL_EXT_texture_sRGB_decode
  GLuint panelTexture[2] = {};  // the notice, without and with its last line
  ovrSizei panelSize{};
  GLsizei brightCount[ovrEye_Count] = {}, fadingCount[ovrEye_Count] = {}, outsideCount[ovrEye_Count] = {};
  std::size_t indexOffset[ovrEye_Count] = {};  // bytes
  GLint baseVertex[ovrEye_Count] = {};

  ~Gl() {
    glDeleteProgram(bright.id);
    glDeleteProgram(fading.id);
    glDeleteProgram(panelProgram);
    glDeleteProgram(blackProgram);
    glDeleteTextures(2, panelTexture);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteVertexArrays(1, &emptyVertexArray);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteSamplers(1, &sampler);
  }
};

std::unique_ptr<DistortionRenderer> DistortionRenderer::Create(
    const DistortionMesh (&meshes)[ovrEye_Count], bool chromatic) {
  std::unique_ptr<DistortionRenderer> renderer(new DistortionRenderer);
  renderer->gl_ = std::make_unique<Gl>();
  Gl& gl = *renderer->gl_;
  const std::string chroma = chromatic ? "#define CHROMATIC\n" : "";
  gl.bright = MeshProgram(Link(kMeshVertexShader, kMeshFragmentShader, chroma.c_str()));
  gl.fading = MeshProgram(Link(kMeshVertexShader, kMeshFragmentShader, (chroma + "#define VIGNETTE\n").c_str()));
  const std::string panelDefines = "#define PANEL_HALF_WIDTH " + std::to_string(kPanelHalfWidth) +
                                   "\n#define PANEL_HALF_HEIGHT " + std::to_string(kPanelHalfHeight) + "\n";
  gl.panelProgram = Link(kPanelVertexShader, kPanelFragmentShader, panelDefines.c_str());
  gl.blackProgram = Link(kBlackVertexShader, kBlackFragmentShader, "");
  if (!gl.bright.id || !gl.fading.id || !gl.panelProgram || !gl.blackProgram) return nullptr;
  gl.canSkipDecode = epoxy_has_gl_extension("GL_EXT_texture_sRGB_decode");

  GLint previousVertexArray = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVertexArray);
  glGenVertexArrays(1, &gl.vertexArray);
  glGenVertexArrays(1, &gl.emptyVertexArray);
  glGenBuffers(1, &gl.vertexBuffer);
  glGenBuffers(1, &gl.indexBuffer);
  glBindVertexArray(gl.vertexArray);

  const std::size_t vertexBytes = sizeof(DistortionVertex);
  std::size_t totalVertices = 0, totalIndices = 0;
  for (const DistortionMesh& mesh : meshes) {
    totalVertices += mesh.vertices.size();
    totalIndices += mesh.indices.size();
  }
  glBindBuffer(GL_ARRAY_BUFFER, gl.vertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, totalVertices * vertexBytes, nullptr, GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gl.indexBuffer);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, totalIndices * sizeof(std::uint16_t), nullptr, GL_STATIC_DRAW);
  std::size_t vertexAt = 0, indexAt = 0;
  for (int eye = 0; eye < ovrEye_Count; ++eye) {
    const DistortionMesh& mesh = meshes[eye];
    glBufferSubData(GL_ARRAY_BUFFER, vertexAt * vertexBytes, mesh.vertices.size() * vertexBytes,
                    mesh.vertices.data());
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, indexAt * sizeof(std::uint16_t),
                    mesh.indices.size() * sizeof(std::uint16_t), mesh.indices.data());
    gl.baseVertex[eye] = static_cast<GLint>(vertexAt);
    gl.indexOffset[eye] = indexAt * sizeof(std::uint16_t);
    gl.brightCount[eye] = static_cast<GLsizei>(mesh.brightIndexCount);
    gl.outsideCount[eye] = static_cast<GLsizei>(mesh.outsideIndexCount);
    gl.fadingCount[eye] =
        static_cast<GLsizei>(mesh.indices.size() - mesh.brightIndexCount - mesh.outsideIndexCount);
    vertexAt += mesh.vertices.size();
    indexAt += mesh.indices.size();
  }
  const auto attribute = [&](GLuint location, GLint components, std::size_t offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, vertexBytes,
                          reinterpret_cast<const void*>(offset));
  };
  attribute(0, 2, offsetof(DistortionVertex, panelNdc));
  attribute(1, 2, offsetof(DistortionVertex, tanRed));
  attribute(2, 2, offsetof(DistortionVertex, tanGreen));
  attribute(3, 2, offsetof(DistortionVertex, tanBlue));
  attribute(4, 1, offsetof(DistortionVertex, vignette));
  glBindVertexArray(previousVertexArray);

  glGenSamplers(1, &gl.sampler);
  glSamplerParameteri(gl.sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(gl.sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glSamplerParameteri(gl.sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(gl.sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return renderer;
}

DistortionRenderer::~DistortionRenderer() = default;

unsigned int DistortionRenderer::PanelTexture(ovrSizei eyeSize, bool dismissible) {
  Gl& gl = *gl_;
  const ovrSizei size{static_cast<int>(std::lround(eyeSize.w * kPanelHalfWidth)),
                      static_cast<int>(std::lround(eyeSize.h * kPanelHalfHeight))};
  if (size.w != gl.panelSize.w || size.h != gl.panelSize.h) {
    glDeleteTextures(2, gl.panelTexture);
    gl.panelTexture[0] = gl.panelTexture[1] = 0;
    gl.panelSize = size;
  }
  GLuint& texture = gl.panelTexture[dismissible ? 1 : 0];
  if (!texture) {
    const PanelImage image = RenderHswPanel(size.w, size.h, toolkit::kSystemSansFace, dismissible);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  }
  return texture;
}

void DistortionRenderer::Present(const PresentOptions& options, const EyeSource (&eyes)[ovrEye_Count]) {
  std::unique_ptr<SavedGlState> saved;
  if (options.restoreState) saved = std::make_unique<SavedGlState>();
  const Gl& gl = *gl_;
  glBindFramebuffer(GL_FRAMEBUFFER, options.framebuffer);
  for (GLenum cap : {GL_DEPTH_TEST, GL_STENCIL_TEST, GL_BLEND, GL_CULL_FACE, GL_SCISSOR_TEST})
    glDisable(cap);
  (options.srgb ? glEnable : glDisable)(GL_FRAMEBUFFER_SRGB);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glViewport(0, 0, options.size.w, options.size.h);
  if (!options.drawEyes) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return;
  }

  const int half = options.size.w / 2;
  const auto eyeViewport = [&](int eye) {
    glViewport(eye == ovrEye_Left ? 0 : half, 0, eye == ovrEye_Left ? half : options.size.w - half,
               options.size.h);
  };
  glBindVertexArray(gl.vertexArray);
  glActiveTexture(GL_TEXTURE0);
  glBindSampler(0, gl.sampler);
  for (int eye = 0; eye < ovrEye_Count; ++eye) {
    const EyeSource& source = eyes[eye];
    eyeViewport(eye);
    glBindTexture(GL_TEXTURE_2D, source.texture);
    const bool copyEncoded = options.srgb && gl.canSkipDecode && IsSrgbTexture();
    (options.srgb && !copyEncoded ? glEnable : glDisable)(GL_FRAMEBUFFER_SRGB);
    if (gl.canSkipDecode)
      glSamplerParameteri(gl.sampler, GL_TEXTURE_SRGB_DECODE_EXT, copyEncoded ? GL_SKIP_DECODE_EXT : GL_DECODE_EXT);
    // Without the vignette every cell is drawn as a bright one.
    const GLsizei bright = options.vignette ? gl.brightCount[eye] : gl.brightCount[eye] + gl.fadingCount[eye];
    const GLsizei fading = options.vignette ? gl.fadingCount[eye] : 0;
    const std::size_t offset = gl.indexOffset[eye];
    gl.bright.Use(source, 1.0f);
    glDrawElementsBaseVertex(GL_TRIANGLES, bright, GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(offset),
                             gl.baseVertex[eye]);
    if (fading > 0) {
      gl.fading.Use(source, copyEncoded ? 1.0f / 2.2f : 1.0f);
      glDrawElementsBaseVertex(GL_TRIANGLES, fading, GL_UNSIGNED_SHORT,
                               reinterpret_cast<const void*>(offset + bright * sizeof(std::uint16_t)),
                               gl.baseVertex[eye]);
    }
    glUseProgram(gl.blackProgram);
    glDrawElementsBaseVertex(GL_TRIANGLES, gl.outsideCount[eye], GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(offset + (bright + fading) * sizeof(std::uint16_t)),
                             gl.baseVertex[eye]);
  }
  if (options.healthNotice) {
    // The picture holds the output's own values: copied as they are.
    glDisable(GL_FRAMEBUFFER_SRGB);
    glUseProgram(gl.panelProgram);
    glBindVertexArray(gl.emptyVertexArray);
    glBindTexture(GL_TEXTURE_2D, PanelTexture({half, options.size.h}, options.healthNoticeDismissible));
    for (int eye = 0; eye < ovrEye_Count; ++eye) {
      eyeViewport(eye);
      glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
  }
  // Our sampler would override the program's own filtering on unit 0.
  if (!options.restoreState) glBindSampler(0, 0);
}

}  // namespace quela::ovr
