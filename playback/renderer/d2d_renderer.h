#pragma once
// CD2DRenderer: draws each BGRA frame of the video sink into the view textures
// of VideoFrameBuffer. It uploads the frame into a source texture once, then
// draws each view's part of the frame into that view's texture through a
// framebuffer object: scaled with linear filtering, mirrored for bottom-up
// frames, with bars on the screens that keep their own shape, and with the
// debug text on top when asked. It draws on its own GL context, shared with
// the main one, made current on the streaming thread for each frame.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "playback/convert/frame_description.h"
#include "playback/convert/video_frame_buffer.h"
#include "playback/convert/video_stats.h"
#include "playback/renderer/debug_text.h"
#include "playback/renderer/frame_fences.h"
#include "playback/renderer/frame_lock_wait.h"
#include "playback/renderer/shared_gl_context.h"
#include "playback/renderer/target_layout.h"
#include "playback/sink/frame_renderer_sink.h"
#include "render/screen/screen_state.h"
#include "toolkit/math.h"

namespace quela {

namespace toolkit {
class Device;
class DeviceContext;
class RenderTarget;
class SpriteBatch;
class SpriteFont;
class Texture2D;
}  // namespace toolkit

// The program state the renderer reads and writes; the defaults are the process-wide objects.
struct FrameRendererShared {
  ScreenState& screen;                     // layout, 3D type, LayoutChanged, SetScreenAspect
  const std::atomic<bool>& graphBusy;      // set while a graph is built or torn down
  const std::atomic<bool>& showDebugInfo;  // draw the debug text
  VideoQuality* quality = nullptr;         // the sink's figures for the statistics refresh
  VideoFrameBuffer& frames = videoFrameBuffer;
  std::mutex& frameLock = FrameLock;
  FrameFences& fences = frameFences;
  VideoStats& stats = videoStats;
  std::atomic<bool>& statsRequest = StatsRequest;
};

struct FrameRendererSettings {
  bool gammaCorrect = false;  // sRGB view textures (the renderer's gamma-correct path)
  float dpiX = kLogicalDpi;   // the desktop's DPI
  float dpiY = kLogicalDpi;
  std::string fontFile = kDebugFontFile;
};

class CD2DRenderer : public FrameRendererSink {
 public:
  // Builds the drawing objects on the shared context, logging each step; a
  // failing step is logged and construction goes on. Any thread on which the
  // shared context is not current; context outlives the renderer.
  CD2DRenderer(SharedGlContext& context, const FrameRendererShared& shared, const FrameRendererSettings& settings = {});
  // At shutdown, with no DrawFrame running and the render loop no longer
  // showing video (the view textures are deleted). Any thread, as construction.
  ~CD2DRenderer() override;
  CD2DRenderer(const CD2DRenderer&) = delete;
  CD2DRenderer& operator=(const CD2DRenderer&) = delete;

  // Records the format; the textures follow on the next frame. Streaming thread.
  void MediaTypeChanged(const FrameFormat& format) override;
  // Takes FrameLock (giving up when the graph is busy or Unblock is called),
  // rebuilds the textures after a layout or format change, draws every view of
  // the back buffer, fences the drawing, flips the buffers, releases the lock,
  // then refreshes the statistics when asked. Streaming thread.
  // A lost context counts as skipped: the textures are built again on the next frame.
  DrawResult DrawFrame(const std::uint8_t* bgra, std::ptrdiff_t stride, const FrameFormat& format) override;
  // Any thread.
  void Unblock() override;
  void Resume() override;

  // What the last rebuild made. Streaming thread, or under FrameLock.
  const TargetLayout& layout() const { return layout_; }
  StereoMode layoutSnapshot() const { return snapshot_; }
  RectF destination() const { return destination_; }  // DIPs
  bool flipped() const { return builtFor_.bottomUp; }
  // The debug text as last drawn into view of buffer (before line breaking).
  const std::string& debugText(int buffer, int view) const { return debugText_[buffer][view]; }

 private:
  struct CurrentContext;

  DrawResult DrawLocked(const std::uint8_t* bgra, std::ptrdiff_t stride, const FrameFormat& format);
  bool CreateTargets(const FrameFormat& format);
  void ReleaseTargets();
  void DrawView(int buffer, int view);
  void DrawDebugText(int buffer, int view);
  // The picture's and the text's transform in this view: the vertical mirror for bottom-up frames.
  toolkit::Matrix ViewTransform(const toolkit::RenderTarget& target) const;
  void LogFrameFailure(const std::string& text);

  SharedGlContext& context_;
  FrameRendererShared shared_;
  FrameRendererSettings settings_;
  FrameLockWait lockWait_;

  std::unique_ptr<toolkit::Device> device_;
  std::unique_ptr<toolkit::DeviceContext> deviceContext_;
  std::unique_ptr<toolkit::SpriteBatch> batch_;
  std::unique_ptr<toolkit::SpriteFont> font_;

  // Streaming thread, under FrameLock from here on.
  std::array<std::array<std::unique_ptr<toolkit::RenderTarget>, kFrameViewCount>, kFrameBufferCount> targets_;
  std::unique_ptr<toolkit::Texture2D> source_;
  TargetLayout layout_;
  StereoMode snapshot_ = StereoMode::Mono2D;
  RectF destination_;
  FrameFormat format_;    // as the sink announced it
  FrameFormat builtFor_;  // what the textures were built for
  bool copiesStraight_ = false;  // builtFor_ fills its single view pixel for pixel: copied, not drawn
  std::string debugText_[kFrameBufferCount][kFrameViewCount];
  bool failureLogged_ = false;  // one log line per run of failing frames
};

}  // namespace quela
