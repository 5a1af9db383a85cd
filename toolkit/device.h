#pragma once
// The toolkit's share of one GL context (and of contexts sharing its objects):
// capabilities and the shaders and textures every effect uses.
//
// Thread: construct and use on a thread where the GL context is current.
// Objects that only keep a Device& (Model::CreateFromCMO, effect factories)
// may be created on another thread; they touch GL on their first draw.
#include <memory>
#include <string>

namespace quela::toolkit {

class Texture2D;
namespace detail {
class ModelShader;
}

class Device {
 public:
  // How draws reach GL's clip space: through glClipControl when the context
  // has it (GL 4.5 or ARB_clip_control), or by adjusting y and z in every
  // vertex stage; tests force the second to cover both.
  enum class ClipSpace { Auto, ShaderAdjust };

  // Needs a current OpenGL 3.3 core context; throws std::runtime_error otherwise.
  explicit Device(ClipSpace clipSpace = ClipSpace::Auto);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  bool usesClipControl() const;
  float maxAnisotropy() const;  // 1 when anisotropic filtering is unavailable or not worth it here

  // Toolkit internals, GL thread: the model shader with this pixel stage,
  // compiled on first request; a 1x1 white texture.
  const detail::ModelShader& GetModelShader(const std::string& pixelSource);
  const Texture2D& WhiteTexture();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quela::toolkit
