#include "playback/graph/render_outcome.h"

namespace quela {

namespace {

struct FailureCode {
  RenderFailure failure;
  HRESULT hr;
};

constexpr FailureCode kFailureCodes[] = {
    {RenderFailure::kFileNotFound, E_FILE_NOT_FOUND},
    {RenderFailure::kAccessDenied, E_ACCESSDENIED},
    {RenderFailure::kNoSource, VFW_E_CANNOT_LOAD_SOURCE_FILTER},
    {RenderFailure::kUnknownType, VFW_E_UNKNOWN_FILE_TYPE},
    {RenderFailure::kCorrupt, VFW_E_INVALID_FILE_FORMAT},
    {RenderFailure::kNoDecoder, VFW_E_CANNOT_RENDER},
    {RenderFailure::kUnsupportedStream, VFW_E_UNSUPPORTED_STREAM},
    {RenderFailure::kNotNegotiated, VFW_E_CANNOT_CONNECT},
    {RenderFailure::kTimeout, VFW_E_TIMEOUT},
    {RenderFailure::kOther, E_FAIL},
};

}  // namespace

HRESULT RenderResult(const RenderFacts& facts) {
  for (const FailureCode& row : kFailureCodes)
    if (row.failure == facts.failure) return row.hr;
  if (!facts.videoRendered && !facts.audioRendered)
    return facts.videoStream || facts.audioStream ? VFW_E_CANNOT_RENDER : VFW_E_UNSUPPORTED_STREAM;
  if (!facts.videoRendered) return VFW_S_VIDEO_NOT_RENDERED;
  if (facts.audioStream && !facts.audioRendered) return VFW_S_AUDIO_NOT_RENDERED;
  if (facts.otherStreamLeft) return VFW_S_PARTIAL_RENDER;
  return S_OK;
}

}  // namespace quela
