#pragma once
// A linked GLSL program. GL thread only; private to the toolkit.
#include <string_view>

namespace quela::toolkit::detail {

class ShaderProgram {
 public:
  // Compiles and links; throws std::runtime_error naming `name` with GL's log.
  ShaderProgram(std::string_view name, std::string_view vertexSource, std::string_view fragmentSource);
  ~ShaderProgram();
  ShaderProgram(ShaderProgram&& other) noexcept;
  ShaderProgram& operator=(ShaderProgram&& other) noexcept;
  ShaderProgram(const ShaderProgram&) = delete;
  ShaderProgram& operator=(const ShaderProgram&) = delete;

  unsigned int id() const { return id_; }
  int Uniform(const char* name) const;  // -1 when the program does not use it

 private:
  unsigned int id_ = 0;
};

}  // namespace quela::toolkit::detail
