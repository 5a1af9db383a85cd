#pragma once
// The benchmarks' yardstick for lens distortion: a full-screen pass per eye that computes a
// radial warp per pixel and fetches the eye picture once, or three times at the colour channels'
// own radii. It puts the program's figures in proportion on a machine whose load varies.
#include <epoxy/gl.h>

#include <string>
#include <utility>

namespace quela::bench {

inline GLuint LinkProgram(const std::string& vertex, const std::string& fragment) {
  const GLuint program = glCreateProgram();
  for (auto [stage, source] : {std::pair{GL_VERTEX_SHADER, &vertex}, std::pair{GL_FRAGMENT_SHADER, &fragment}}) {
    const GLuint shader = glCreateShader(stage);
    const char* text = source->c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
    glDeleteShader(shader);
  }
  glLinkProgram(program);
  return program;
}

// A quad over the whole viewport; v_ndc runs from -1 to 1.
inline constexpr const char* kViewportQuadShader = R"(#version 330 core
out vec2 v_ndc;
void main() {
  v_ndc = vec2(gl_VertexID & 1, gl_VertexID >> 1) * 2.0 - 1.0;
  gl_Position = vec4(v_ndc, 0.0, 1.0);
})";

class WarpReference {
 public:
  explicit WarpReference(int fetches)
      : program_(LinkProgram(kViewportQuadShader, std::string(R"(#version 330 core
#define FETCHES )") + std::to_string(fetches) + R"(
in vec2 v_ndc;
uniform sampler2D u_eye;
uniform float u_x0;
out vec4 o_colour;
vec2 Uv(vec2 t) { return vec2(u_x0 + (t.x * 0.4649 + 0.5) * 0.5, 0.5 - t.y * 0.3761); }
void main() {
  vec2 d = v_ndc * vec2(0.87333, 0.9825);
  float rsq = dot(d, d);
  vec2 t = d * (1.0 + rsq * (0.22 + rsq * 0.24));
#if FETCHES == 3
  o_colour = vec4(texture(u_eye, Uv(t * 0.994)).r, texture(u_eye, Uv(t)).g, texture(u_eye, Uv(t * 1.014)).b, 1.0);
#else
  o_colour = texture(u_eye, Uv(t));
#endif
})")),
        x0_(glGetUniformLocation(program_, "u_x0")) {
    glGenVertexArrays(1, &vertexArray_);
  }
  ~WarpReference() {
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteProgram(program_);
  }
  WarpReference(const WarpReference&) = delete;
  WarpReference& operator=(const WarpReference&) = delete;

  // Both eyes of eyeTexture (linear filtering set on it) into the bound framebuffer.
  void Draw(GLuint eyeTexture, int width, int height) const {
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    glBindTexture(GL_TEXTURE_2D, eyeTexture);
    for (int eye = 0; eye < 2; ++eye) {
      glViewport(eye * width / 2, 0, width / 2, height);
      glUniform1f(x0_, eye * 0.5f);
      glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
  }

 private:
  GLuint program_;
  GLint x0_;
  GLuint vertexArray_ = 0;
};

// A texture of width x height RGBA8 texels, linearly filtered, contents undefined.
inline GLuint LinearTexture(int width, int height) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  return texture;
}

// The shared eye target as the references draw it: colour only.
class EyeTarget {
 public:
  EyeTarget(int width, int height) : texture_(LinearTexture(width, height)), width_(width), height_(height) {
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
  }
  ~EyeTarget() {
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(1, &texture_);
  }
  EyeTarget(const EyeTarget&) = delete;
  EyeTarget& operator=(const EyeTarget&) = delete;

  GLuint texture() const { return texture_; }
  void BindAndClear() const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, width_, height_);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }

 private:
  GLuint texture_;
  GLuint framebuffer_ = 0;
  int width_, height_;
};

}  // namespace quela::bench
