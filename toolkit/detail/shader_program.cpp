#include "toolkit/detail/shader_program.h"

#include <epoxy/gl.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace quela::toolkit::detail {
namespace {

std::string InfoLog(GLuint object, bool isProgram) {
  GLint length = 0;
  if (isProgram)
    glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  else
    glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
  if (isProgram)
    glGetProgramInfoLog(object, length, nullptr, log.data());
  else
    glGetShaderInfoLog(object, length, nullptr, log.data());
  return log.c_str();
}

GLuint Compile(std::string_view name, GLenum stage, std::string_view source) {
  const GLuint shader = glCreateShader(stage);
  const GLchar* text = source.data();
  const GLint length = static_cast<GLint>(source.size());
  glShaderSource(shader, 1, &text, &length);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    const std::string log = InfoLog(shader, false);
    glDeleteShader(shader);
    throw std::runtime_error(std::string(name) +
                             (stage == GL_VERTEX_SHADER ? ": vertex stage: " : ": pixel stage: ") + log);
  }
  return shader;
}

}  // namespace

ShaderProgram::ShaderProgram(std::string_view name, std::string_view vertexSource,
                             std::string_view fragmentSource) {
  const GLuint vs = Compile(name, GL_VERTEX_SHADER, vertexSource);
  GLuint fs = 0;
  try {
    fs = Compile(name, GL_FRAGMENT_SHADER, fragmentSource);
  } catch (...) {
    glDeleteShader(vs);
    throw;
  }
  id_ = glCreateProgram();
  glAttachShader(id_, vs);
  glAttachShader(id_, fs);
  glLinkProgram(id_);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = GL_FALSE;
  glGetProgramiv(id_, GL_LINK_STATUS, &ok);
  if (!ok) {
    const std::string log = InfoLog(id_, true);
    glDeleteProgram(id_);
    throw std::runtime_error(std::string(name) + ": link: " + log);
  }
}

ShaderProgram::~ShaderProgram() {
  if (id_) glDeleteProgram(id_);
}

ShaderProgram::ShaderProgram(ShaderProgram&& other) noexcept : id_(std::exchange(other.id_, 0u)) {}

ShaderProgram& ShaderProgram::operator=(ShaderProgram&& other) noexcept {
  if (this != &other) {
    if (id_) glDeleteProgram(id_);
    id_ = std::exchange(other.id_, 0u);
  }
  return *this;
}

int ShaderProgram::Uniform(const char* name) const { return glGetUniformLocation(id_, name); }

}  // namespace quela::toolkit::detail
