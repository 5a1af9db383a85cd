#include "playback/renderer/d2d_renderer.h"

#include <epoxy/gl.h>

#include <exception>
#include <fstream>
#include <stdexcept>

#include "app/log/g2log.h"
#include "toolkit/device.h"
#include "toolkit/device_context.h"
#include "toolkit/render_target.h"
#include "toolkit/sprite_batch.h"
#include "toolkit/sprite_font.h"
#include "toolkit/texture.h"

namespace quela {
namespace {

using g2::INFO;
using g2::WARNING;

constexpr toolkit::Color kDebugTextColor{1, 1, 0, 1};  // opaque yellow
constexpr const char* kNoContext = "the shared GL context cannot be made current";

// GL reports a lost context through the reset status where the context is
// robust, and through GL_CONTEXT_LOST or an allocation failure otherwise.
bool ContextLost() {
  GLenum error;
  bool lost = false;
  while ((error = glGetError()) != GL_NO_ERROR) lost = lost || error == GL_CONTEXT_LOST || error == GL_OUT_OF_MEMORY;
  if (epoxy_gl_version() >= 45) return lost || glGetGraphicsResetStatus() != GL_NO_ERROR;
  return lost;
}

// Leaves the active unit's 2D binding as DeviceContext recorded it.
class TextureBinding {
 public:
  explicit TextureBinding(unsigned int texture) {
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous_);
    glBindTexture(GL_TEXTURE_2D, texture);
  }
  ~TextureBinding() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous_)); }
  TextureBinding(const TextureBinding&) = delete;
  TextureBinding& operator=(const TextureBinding&) = delete;

 private:
  GLint previous_ = 0;
};

// Writes width x height pixels of 4 bytes, rows `stride` bytes apart, into texture; format says how
// GL reads the bytes.
void WriteTexels(GLuint texture, int width, int height, GLenum format, const std::uint8_t* pixels,
                 std::ptrdiff_t stride) {
  const TextureBinding bind(texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(stride / 4));
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

bool SameGeometry(const FrameFormat& a, const FrameFormat& b) {
  return a.width == b.width && a.height == b.height && a.bottomUp == b.bottomUp;
}

}  // namespace

// The shared context is current on this thread for the guard's lifetime.
struct CD2DRenderer::CurrentContext {
  explicit CurrentContext(SharedGlContext& c) : context(c), current(c.MakeCurrent()) {}
  ~CurrentContext() {
    if (current) context.ReleaseCurrent();
  }
  CurrentContext(const CurrentContext&) = delete;
  CurrentContext& operator=(const CurrentContext&) = delete;

  SharedGlContext& context;
  const bool current;
};

CD2DRenderer::CD2DRenderer(SharedGlContext& context, const FrameRendererShared& shared,
                           const FrameRendererSettings& settings)
    : context_(context), shared_(shared), settings_(settings) {
  LOG(INFO) << "Creating CD2DRenderer....";
  const CurrentContext current(context_);
  if (!current.current) LOGF(WARNING, "D2D1CreateFactory FAILED, %s", kNoContext);

  try {
    if (!current.current) throw std::runtime_error(kNoContext);
    device_ = std::make_unique<toolkit::Device>();
  } catch (const std::exception& e) {
    LOGF(WARNING, "CreateDevice FAILED, %s", e.what());
  }
  try {
    if (!device_) throw std::runtime_error("no drawing device");
    deviceContext_ = std::make_unique<toolkit::DeviceContext>(*device_);
    batch_ = std::make_unique<toolkit::SpriteBatch>(*deviceContext_);
  } catch (const std::exception& e) {
    deviceContext_.reset();
    LOGF(WARNING, "CreateDeviceContext FAILED, %s", e.what());
  }

  const bool faceReadable = std::ifstream(settings_.fontFile).good();
  if (!faceReadable) LOGF(WARNING, "DWriteCreateFactory FAILED, %s cannot be read", settings_.fontFile.c_str());
  try {
    if (!faceReadable) throw std::runtime_error("no font face");
    if (!device_) throw std::runtime_error("no drawing device");
    font_ = std::make_unique<toolkit::SpriteFont>(*device_, RasteriseDebugFont(settings_.fontFile, settings_.dpiY));
    LOG(INFO) << "CD2DRenderer Created!";
  } catch (const std::exception& e) {
    LOGF(WARNING, "CreateTextFormat FAILED, %s", e.what());
  }
}

CD2DRenderer::~CD2DRenderer() {
  const CurrentContext current(context_);
  if (!current.current) {
    // GL objects cannot be deleted without their context; leaking them beats
    // calling GL with no context current.
    for (auto& buffer : targets_)
      for (auto& target : buffer) (void)target.release();
    (void)source_.release();
    (void)font_.release();
    (void)batch_.release();
    (void)deviceContext_.release();
    (void)device_.release();
    return;
  }
  ReleaseTargets();
  shared_.fences.Release();
  font_.reset();
  batch_.reset();
  deviceContext_.reset();
  device_.reset();
}

void CD2DRenderer::MediaTypeChanged(const FrameFormat& format) { format_ = format; }

void CD2DRenderer::Unblock() { lockWait_.Unblock(); }
void CD2DRenderer::Resume() { lockWait_.Resume(); }

DrawResult CD2DRenderer::DrawFrame(const std::uint8_t* bgra, std::ptrdiff_t stride, const FrameFormat& format) {
  if (shared_.graphBusy.load()) return DrawResult::kSkipped;
  if (!bgra) return DrawResult::kFailed;
  if (format.width < 1 || format.height < 1 || stride % 4 != 0 || stride / 4 < format.width) {
    LogFrameFailure("frame refused: " + std::to_string(format.width) + " x " + std::to_string(format.height) +
                    " pixels in rows of " + std::to_string(stride) + " bytes");
    return DrawResult::kFailed;
  }
  const CurrentContext current(context_);
  if (!current.current || !batch_) {
    LogFrameFailure(current.current ? "no drawing device" : kNoContext);
    return DrawResult::kFailed;
  }
  if (!lockWait_.Acquire(shared_.frameLock, shared_.graphBusy)) return DrawResult::kSkipped;
  DrawResult drawn;
  {
    const std::lock_guard lock(shared_.frameLock, std::adopt_lock);
    drawn = DrawLocked(bgra, stride, format);
  }
  RefreshVideoStats(shared_.quality, shared_.stats, shared_.statsRequest);
  return drawn;
}

DrawResult CD2DRenderer::DrawLocked(const std::uint8_t* bgra, std::ptrdiff_t stride, const FrameFormat& format) {
  // A size the sink did not announce would otherwise be read with the old size.
  if (!SameGeometry(format, format_)) format_ = format;
  if (!source_ || shared_.screen.layoutChanged() || !SameGeometry(format_, builtFor_)) {
    if (!CreateTargets(format_)) return DrawResult::kFailed;
  }
  VideoFrameBuffer& frames = shared_.frames;
  const int back = frames.backBuffer;
  shared_.fences.WaitForReaders(back);
  if (copiesStraight_ && !shared_.showDebugInfo.load()) {
    // Straight into the single view, read as B, G, R, A: drawing it there would only copy.
    WriteTexels(targets_[back][0]->color().id(), layout_.textureWidth, layout_.textureHeight, GL_BGRA, bgra, stride);
  } else {
    WriteTexels(source_->id(), source_->width(), source_->height(), GL_RGBA, bgra, stride);
    for (int v = 0; v < layout_.viewCount; ++v) DrawView(back, v);
  }
  if (ContextLost()) {
    LogFrameFailure("the GL context was lost; the textures are built again");
    ReleaseTargets();
    return DrawResult::kSkipped;
  }
  shared_.fences.MarkDrawn(back);
  frames.Present();
  failureLogged_ = false;
  return DrawResult::kDrawn;
}

bool CD2DRenderer::CreateTargets(const FrameFormat& format) {
  ReleaseTargets();
  if (shared_.screen.TakeLayoutChanged()) snapshot_ = shared_.screen.stereoMode();
  layout_ = LayOutTargets(format.width, format.height, snapshot_, settings_.dpiX, settings_.dpiY);

  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const auto fits = [maxSize](int size) { return size >= 1 && size <= maxSize; };
  if (!fits(format.width) || !fits(format.height) || !fits(layout_.textureWidth) || !fits(layout_.textureHeight)) {
    LogFrameFailure("no view textures for a " + std::to_string(format.width) + " x " + std::to_string(format.height) +
                    " frame (largest texture " + std::to_string(maxSize) + ")");
    ReleaseTargets();
    return false;
  }

  VideoFrameBuffer& frames = shared_.frames;
  try {
    for (int b = 0; b < kFrameBufferCount; ++b) {
      for (int v = 0; v < layout_.viewCount; ++v) {
        auto& target = targets_[b][v];
        target = std::make_unique<toolkit::RenderTarget>(layout_.textureWidth, layout_.textureHeight,
                                                         settings_.gammaCorrect, false);
        // Never show undefined texels, should the first frame fail to draw.
        deviceContext_->SetRenderTarget(*target);
        deviceContext_->Clear(toolkit::kBlack);
        {
          // A frame copied straight in brings its fourth byte (undefined in BGRx) along: views are opaque.
          const TextureBinding bind(target->color().id());
          glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
        }
        frames.views[b][v] = {target->color().id(), layout_.textureWidth, layout_.textureHeight};
      }
    }
    source_ = std::make_unique<toolkit::Texture2D>(format.width, format.height, settings_.gammaCorrect);
    // Frames arrive as B, G, R, A bytes: they are stored as they come (the
    // fastest upload) and sampled with red and blue exchanged. The views are
    // opaque: a frame's fourth byte (undefined in BGRx) is never read.
    const TextureBinding bind(source_->id());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, GL_BLUE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, GL_RED);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
  } catch (const std::exception& e) {
    LogFrameFailure(std::string("view textures not built: ") + e.what());
    ReleaseTargets();
    return false;
  }
  if (glGetError() == GL_OUT_OF_MEMORY) {
    LogFrameFailure("view textures not built: out of memory");
    ReleaseTargets();
    return false;
  }
  frames.viewCount = layout_.viewCount;
  frames.UpdateFrameTextures();

  const float aspect =
      PictureAspect(format.width, format.height, shared_.screen.stereoMode(), shared_.screen.video3DType());
  const RectF wholeTarget = TargetRect(layout_, settings_.dpiX, settings_.dpiY);
  destination_ = shared_.screen.SetScreenAspect(aspect) ? wholeTarget : FitWithBars(wholeTarget, aspect);
  builtFor_ = format;
  // One view showing the frame pixel for pixel, upright, without bars: drawing it would only copy.
  const PixelRect whole{0, 0, format.width, format.height};
  copiesStraight_ = layout_.viewCount == 1 && layout_.source[0] == whole && layout_.textureWidth == format.width &&
                    layout_.textureHeight == format.height && !format.bottomUp &&
                    destination_ == wholeTarget;
  return true;
}

void CD2DRenderer::ReleaseTargets() {
  source_.reset();
  for (auto& buffer : targets_)
    for (auto& target : buffer) target.reset();
  for (auto& buffer : shared_.frames.views)
    for (FrameTexture& view : buffer) view = {};
  shared_.frames.UpdateFrameTextures();
}

void CD2DRenderer::DrawView(int buffer, int view) {
  const toolkit::RenderTarget& target = *targets_[buffer][view];
  deviceContext_->SetRenderTarget(target);
  deviceContext_->Clear(toolkit::kBlack);

  const PixelRect& src = layout_.source[view];
  const int srcWidth = src.right - src.left;
  const int srcHeight = src.bottom - src.top;
  if (srcWidth > 0 && srcHeight > 0) {
    const float toPixelsX = settings_.dpiX / kLogicalDpi;
    const float toPixelsY = settings_.dpiY / kLogicalDpi;
    const toolkit::Rect source{src.left, src.top, src.right, src.bottom};
    batch_->Begin(toolkit::SpriteSortMode::Deferred, toolkit::CommonStates::Opaque(),
                  toolkit::CommonStates::LinearClamp(), toolkit::CommonStates::DepthNone(),
                  toolkit::CommonStates::CullNone(), {}, ViewTransform(target));
    const toolkit::Vector2 position{destination_.left * toPixelsX, destination_.top * toPixelsY};
    const toolkit::Vector2 scale{destination_.width() * toPixelsX / float(srcWidth),
                                 destination_.height() * toPixelsY / float(srcHeight)};
    batch_->Draw(*source_, position, &source, toolkit::kWhite, 0, {}, scale);
    batch_->End();
  }
  if (shared_.showDebugInfo.load()) DrawDebugText(buffer, view);
}

void CD2DRenderer::DrawDebugText(int buffer, int view) {
  std::string& text = debugText_[buffer][view];
  text = FormatDebugText({view, buffer, layout_.source[view], destination_, builtFor_.width, builtFor_.height,
                          settings_.dpiX, settings_.dpiY, shared_.screen.screenScale().x, builtFor_.bottomUp});
  if (!font_) return;
  const float layoutWidth = destination_.right * settings_.dpiX / kLogicalDpi;
  const std::string lines =
      WrapText(text, layoutWidth, [this](std::string_view line) { return font_->MeasureString(line).x; });
  batch_->Begin(toolkit::SpriteSortMode::Deferred, toolkit::CommonStates::AlphaBlend(),
                toolkit::CommonStates::PointClamp(), toolkit::CommonStates::DepthNone(),
                toolkit::CommonStates::CullNone(), {}, ViewTransform(*targets_[buffer][view]));
  font_->DrawString(*batch_, lines, {0, 0}, kDebugTextColor);
  batch_->End();
}

toolkit::Matrix CD2DRenderer::ViewTransform(const toolkit::RenderTarget& target) const {
  // Bottom-up frames are mirrored about the texture's middle, in pixels, so the
  // picture stays inside the texture at any DPI.
  if (!builtFor_.bottomUp) return toolkit::Matrix::Identity();
  return toolkit::Matrix::CreateScale({1, -1, 1}) *
         toolkit::Matrix::CreateTranslation({0, static_cast<float>(target.height()), 0});
}

void CD2DRenderer::LogFrameFailure(const std::string& text) {
  if (failureLogged_) return;
  failureLogged_ = true;
  LOGF(WARNING, "CD2DRenderer: %s", text.c_str());
}

}  // namespace quela
