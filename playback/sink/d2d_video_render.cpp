#include "playback/sink/d2d_video_render.h"

#include <new>

namespace quela {

CD2DVideoRender::CD2DVideoRender(NanosecondClock clock) : clock_(std::move(clock)) {}

void CD2DVideoRender::SetFrameRenderer(FrameRendererSink* renderer) { renderer_.store(renderer); }

HRESULT CD2DVideoRender::SetMediaType(const MediaType* type) {
  if (!type) return E_POINTER;
  // GStreamer serialises caps with the frames on the streaming thread, so no
  // lock is taken here.
  if (type != &agreedType_) agreedType_ = *type;
  // Frames of a refused type must never reach the old converter.
  converter_.reset();
  if (!type->subtype) return E_FAIL;
  if (!type->format || VideoHeaderProblem(*type->format) ||
      (type->formatType != FormatType::kVideoInfo && type->formatType != FormatType::kVideoInfo2)) {
    return E_INVALIDARG;
  }
  const FrameFormat format{*type->subtype, type->format->biWidth, type->format->biHeight, type->bottomUp};
  // The old converter's buffers are gone before the new ones are allocated.
  auto converter = std::unique_ptr<FrameConverter>(new (std::nothrow) FrameConverter());
  if (!converter || !converter->Setup(format)) return E_OUTOFMEMORY;
  converter_ = std::move(converter);
  format_ = format;
  if (FrameRendererSink* renderer = renderer_.load()) renderer->MediaTypeChanged(format_);
  return S_OK;
}

SampleResult CD2DVideoRender::DoRenderSample(const FramePlanes& frame, bool prerolling) {
  // The streaming thread is not moved to another processor: Linux has no
  // soft "ideal processor" preference, and a hard pin with
  // pthread_setaffinity_np would keep the thread off every other core even
  // when processor 1 is busy, which the preference never did. The scheduler's
  // own cache affinity keeps it where it runs.
  if (!converter_) return SampleResult::kNotNegotiated;
  const std::int64_t now = clock_();
  const std::uint8_t* bgra = converter_->Convert(frame);
  if (!bgra) {
    SampleDropped();
    return SampleResult::kDropped;
  }
  // Unpadded RGB32 frames come back as the frame's own bytes, at its stride.
  const std::ptrdiff_t stride = bgra == frame.data[0] ? frame.stride[0] : std::ptrdiff_t{format_.width} * 4;
  FrameRendererSink* renderer = renderer_.load();
  if (!renderer) return SampleResult::kSkipped;
  switch (renderer->DrawFrame(bgra, stride, format_)) {
    case DrawResult::kDrawn: break;
    case DrawResult::kSkipped: return SampleResult::kSkipped;
    case DrawResult::kFailed: return SampleResult::kFailed;
  }
  if (!prerolling) quality_.FrameDrawn(now);
  return SampleResult::kDrawn;
}

void CD2DVideoRender::SampleDropped(std::int64_t count) { quality_.FramesDropped(count); }

void CD2DVideoRender::NewFile() { quality_.Reset(); }
void CD2DVideoRender::StartStreaming() { quality_.StartStreaming(clock_()); }
void CD2DVideoRender::StopStreaming() { quality_.StopStreaming(clock_()); }

void CD2DVideoRender::Unblock() {
  if (FrameRendererSink* renderer = renderer_.load()) renderer->Unblock();
}

void CD2DVideoRender::Resume() {
  if (FrameRendererSink* renderer = renderer_.load()) renderer->Resume();
}

QualityFigures CD2DVideoRender::Figures() const { return quality_.Figures(clock_()); }

bool CD2DVideoRender::AvgFrameRate(std::int32_t* value) {
  if (!value) return false;
  *value = Figures().averageFrameRate;
  return true;
}

bool CD2DVideoRender::FramesDroppedInRenderer(std::int32_t* value) {
  if (!value) return false;
  *value = Figures().framesDropped;
  return true;
}

bool CD2DVideoRender::Jitter(std::int32_t* value) {
  if (!value) return false;
  *value = Figures().jitter;
  return true;
}

}  // namespace quela
