#pragma once
// The hand-over of video frames from the streaming thread to the render loop:
// two buffers of one or two view textures. The frame renderer draws a frame
// into buffer backBuffer while it holds FrameLock, then makes it the front
// buffer; the render loop only try-locks FrameLock and, while it holds it,
// shows frontBuffer. No GL calls here: the frame renderer owns the textures.
#include <atomic>
#include <cstdint>
#include <mutex>

namespace quela {

constexpr int kFrameBufferCount = 2;
constexpr int kFrameViewCount = 2;  // views per buffer: one per eye for stereo video

struct FrameTexture {
  std::uint32_t name = 0;   // GL texture name; 0 for none
  std::int32_t width = 0;   // texels
  std::int32_t height = 0;  // texels
};

struct VideoFrameBuffer {
  // Written by the frame renderer (streaming thread) under FrameLock.
  FrameTexture views[kFrameBufferCount][kFrameViewCount];          // [buffer][view]
  FrameTexture frameTextures[kFrameBufferCount][kFrameViewCount];  // [buffer][eye]: the view each eye shows
  int viewCount = 1;   // 1 for Mono2D, 2 for SideBySide and OverUnder
  int backBuffer = 0;  // the buffer the next frame is drawn into
  std::atomic<std::int32_t> frontBuffer{0};  // the buffer drawn most recently

  // After the views change: with one view both eyes show view 0, else eye e shows view e. Under FrameLock.
  void UpdateFrameTextures();
  // After a frame is drawn into backBuffer: it becomes the front buffer and the other one the back. Under FrameLock.
  void Present();
};

// Not reentrant. The frame renderer and file opening wait for it; the render loop only try-locks it.
extern std::mutex FrameLock;
extern VideoFrameBuffer videoFrameBuffer;

}  // namespace quela
