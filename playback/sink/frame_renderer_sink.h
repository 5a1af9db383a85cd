#pragma once
// Where the video sink delivers its BGRA frames: the frame renderer, which
// draws them into the view textures under FrameLock.
#include <cstddef>
#include <cstdint>

#include "playback/convert/frame_description.h"

namespace quela {

enum class DrawResult {
  kDrawn,    // the frame is in the view textures
  kSkipped,  // not drawn on purpose (graph busy, or woken by Unblock): not an error
  kFailed,   // drawing failed: the sink reports a streaming error
};

class FrameRendererSink {
 public:
  virtual ~FrameRendererSink() = default;

  // A new agreed format; the frames that follow have its size. Streaming
  // thread (or the caller of CD2DVideoRender::SetMediaType), never during DrawFrame.
  virtual void MediaTypeChanged(const FrameFormat& format) = 0;

  // One frame of format.height rows, stride bytes apart (at least width x 4),
  // bytes B, G, R, A; the pointer is valid only during the call. Streaming
  // thread. May wait for FrameLock, but must return kSkipped soon after
  // Unblock and not wait again until Resume.
  virtual DrawResult DrawFrame(const std::uint8_t* bgra, std::ptrdiff_t stride, const FrameFormat& format) = 0;

  // A flush or state change is under way: wake any DrawFrame. Thread of the
  // state change or flush, while DrawFrame may be running.
  virtual void Unblock() = 0;
  // The flush or state change is over; DrawFrame may wait again. Same thread as Unblock.
  virtual void Resume() = 0;
};

}  // namespace quela
