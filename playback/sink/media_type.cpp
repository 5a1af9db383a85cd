#include "playback/sink/media_type.h"

#include "playback/convert/frame_converter.h"

namespace quela {

HRESULT CheckMediaType(const MediaType* type) {
  if (!type) return E_POINTER;
  if (type->majorType != MajorType::kVideo) return E_FAIL;
  if (!type->subtype) return E_FAIL;
  if (type->formatType != FormatType::kVideoInfo && type->formatType != FormatType::kVideoInfo2) return E_FAIL;
  return S_OK;
}

const char* VideoHeaderProblem(const VideoHeader& header) {
  if (header.biSize != kVideoHeaderSize) return "header size is not 40";
  if (header.biWidth <= 0 || header.biHeight <= 0) return "empty frame";
  if (header.biWidth > kMaxFrameSide || header.biHeight > kMaxFrameSide) return "frame too large";
  return nullptr;
}

}  // namespace quela
