#pragma once
// CD2DVideoRender: the video renderer behind the program's GStreamer video
// sink (video_sink_element.h), free of GStreamer so tests can drive it. It
// agrees on one of the nine formats, converts each frame to BGRA and hands it
// to the frame renderer, and keeps the renderer's quality figures.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "playback/convert/frame_converter.h"
#include "playback/convert/video_stats.h"
#include "playback/sink/frame_renderer_sink.h"
#include "playback/sink/media_type.h"
#include "playback/sink/renderer_quality.h"

namespace quela {

enum class SampleResult {
  kDrawn,
  kSkipped,         // the frame renderer chose not to draw it, or there is none
  kDropped,         // not converted: counted as dropped
  kFailed,          // the frame renderer failed
  kNotNegotiated,   // no format agreed yet
};

class CD2DVideoRender final : public VideoQuality {
 public:
  using NanosecondClock = std::function<std::int64_t()>;  // monotonic; the pipeline clock

  explicit CD2DVideoRender(NanosecondClock clock);
  CD2DVideoRender(const CD2DVideoRender&) = delete;
  CD2DVideoRender& operator=(const CD2DVideoRender&) = delete;

  // Null: frames are converted and skipped. The renderer must outlive streaming
  // (Unblock and Resume reach it during state changes). Main thread, while no pipeline streams.
  void SetFrameRenderer(FrameRendererSink* renderer);

  // Agrees on type: keeps a copy, sets up a new converter and tells the frame
  // renderer. E_POINTER for null; E_FAIL for a subtype outside the nine;
  // E_INVALIDARG for a missing or bad format block or a size the converter
  // refuses (the copy stays); E_OUTOFMEMORY when the converter cannot allocate.
  // Streaming thread (the caps event), never during DoRenderSample.
  HRESULT SetMediaType(const MediaType* type);
  const MediaType& AgreedType() const { return agreedType_; }
  // The format of the frames DoRenderSample expects; meaningful after SetMediaType returned S_OK.
  const FrameFormat& Format() const { return format_; }

  // Converts one frame of the agreed format and hands it to the frame renderer;
  // the planes must already be checked against their memory. A frame shown
  // while prerolling is drawn but not counted, since it is shown again when
  // playing starts. Streaming thread.
  SampleResult DoRenderSample(const FramePlanes& frame, bool prerolling);
  // A frame that never reached DoRenderSample. Streaming thread.
  void SampleDropped(std::int64_t count = 1);

  // Element state changes. Thread of the state change.
  void NewFile();         // READY to PAUSED: the figures start again
  void StartStreaming();  // PAUSED to PLAYING
  void StopStreaming();   // PLAYING to PAUSED

  // A flush or state change wakes a DrawFrame waiting for FrameLock. Thread of the flush or state change.
  void Unblock();
  void Resume();

  // Frames drawn, dropped, average frame rate x 100 and jitter in ms of the current file. Any thread.
  QualityFigures Figures() const;
  bool AvgFrameRate(std::int32_t* value) override;
  bool FramesDroppedInRenderer(std::int32_t* value) override;
  bool Jitter(std::int32_t* value) override;

  // A value kept for callers; nothing in the program reads it. Any thread.
  void SetUserValue(std::int32_t value) { userValue_.store(value); }
  std::int32_t GetUserValue() const { return userValue_.load(); }

 private:
  NanosecondClock clock_;
  std::atomic<FrameRendererSink*> renderer_{nullptr};
  MediaType agreedType_;
  FrameFormat format_;
  std::unique_ptr<FrameConverter> converter_;
  RendererQuality quality_;
  std::atomic<std::int32_t> userValue_{0};
};

}  // namespace quela
