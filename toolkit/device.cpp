#include "toolkit/device.h"

#include <epoxy/gl.h>

#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "toolkit/detail/model_shader.h"
#include "toolkit/texture.h"

namespace quela::toolkit {

struct Device::Impl {
  bool clipControl = false;
  float maxAnisotropy = 1;
  std::unordered_map<std::string, std::unique_ptr<detail::ModelShader>> modelShaders;
  std::optional<Texture2D> white;
};

Device::Device(ClipSpace clipSpace) : impl_(std::make_unique<Impl>()) {
  if (epoxy_gl_version() < 33 || epoxy_is_desktop_gl() == 0)
    throw std::runtime_error("graphics toolkit: needs an OpenGL 3.3 core context");
  impl_->clipControl = clipSpace == ClipSpace::Auto &&
                       (epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control"));
  // A software rasterizer samples anisotropically in a generic slow path (on llvmpipe the screen
  // alone takes twice as long), and our textures have a single level, where anisotropy buys least:
  // there the anisotropic states filter bilinearly.
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const std::string_view name = renderer ? renderer : "";
  const bool software = name.find("llvmpipe") != name.npos || name.find("softpipe") != name.npos;
  if (!software && (epoxy_gl_version() >= 46 || epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic") ||
                    epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")))
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY, &impl_->maxAnisotropy);
}

Device::~Device() = default;

bool Device::usesClipControl() const { return impl_->clipControl; }

float Device::maxAnisotropy() const { return impl_->maxAnisotropy; }

const detail::ModelShader& Device::GetModelShader(const std::string& pixelSource) {
  auto& slot = impl_->modelShaders[pixelSource];
  if (!slot) slot = std::make_unique<detail::ModelShader>(pixelSource);
  return *slot;
}

const Texture2D& Device::WhiteTexture() {
  if (!impl_->white) {
    const std::uint8_t white[4] = {255, 255, 255, 255};
    impl_->white.emplace(1, 1, false, white);
  }
  return *impl_->white;
}

}  // namespace quela::toolkit
