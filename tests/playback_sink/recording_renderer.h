#pragma once
// A frame renderer that keeps a copy of every frame it is given, for checking
// what the sink delivered; optionally slow, to make the sink drop frames.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/sink/frame_renderer_sink.h"

namespace quela::test {

struct Bgra {
  int b, g, r, a;
};

struct RecordedFrame {
  FrameFormat format;
  std::vector<std::uint8_t> bgra;  // width x 4 bytes per row, no padding
  const std::uint8_t* source = nullptr;
  std::ptrdiff_t stride = 0;

  Bgra At(int x, int y) const {
    const std::uint8_t* p = bgra.data() + (static_cast<std::size_t>(y) * format.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

class RecordingRenderer : public FrameRendererSink {
 public:
  explicit RecordingRenderer(std::chrono::milliseconds drawTime = {}) : drawTime_(drawTime) {}

  void MediaTypeChanged(const FrameFormat& format) override {
    std::lock_guard lock(mutex_);
    formats_.push_back(format);
  }

  DrawResult DrawFrame(const std::uint8_t* bgra, std::ptrdiff_t stride, const FrameFormat& format) override {
    RecordedFrame frame{format, {}, bgra, stride};
    const std::size_t rowBytes = static_cast<std::size_t>(format.width) * 4;
    frame.bgra.resize(rowBytes * format.height);
    for (int y = 0; y < format.height; ++y) std::memcpy(frame.bgra.data() + y * rowBytes, bgra + y * stride, rowBytes);
    std::this_thread::sleep_for(drawTime_);  // what drawing costs
    std::lock_guard lock(mutex_);
    frames_.push_back(std::move(frame));
    drawn_.notify_all();
    return DrawResult::kDrawn;
  }

  void Unblock() override {}
  void Resume() override {}

  bool WaitForFrames(std::size_t count, std::chrono::seconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(mutex_);
    return drawn_.wait_for(lock, timeout, [&] { return frames_.size() >= count; });
  }
  std::vector<RecordedFrame> Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  std::vector<FrameFormat> Formats() const {
    std::lock_guard lock(mutex_);
    return formats_;
  }

 private:
  const std::chrono::milliseconds drawTime_;
  mutable std::mutex mutex_;
  std::condition_variable drawn_;
  std::vector<RecordedFrame> frames_;
  std::vector<FrameFormat> formats_;
};

}  // namespace quela::test
