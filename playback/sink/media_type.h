#pragma once
// A media type as the video sink is offered it: what the caps say, reduced to
// the questions the sink's checks ask. Built from GstCaps by
// media_type_caps.h; tests build it directly.
#include <cstdint>
#include <optional>

#include "playback/convert/frame_description.h"
#include "playback/sink/result_codes.h"

namespace quela {

enum class MajorType { kVideo, kAudio, kOther };

// kVideoInfo: progressive raw video in system memory; kVideoInfo2: the same
// with interlacing; kOther: anything the sink cannot map (other memory, other
// containers of the picture).
enum class FormatType { kVideoInfo, kVideoInfo2, kOther };

constexpr std::int32_t kVideoHeaderSize = 40;  // bytes of the header the format block carries

struct VideoHeader {
  std::int32_t biSize = kVideoHeaderSize;
  std::int32_t biWidth = 0;   // pixels
  std::int32_t biHeight = 0;  // pixels
};

struct MediaType {
  MajorType majorType = MajorType::kVideo;
  std::optional<PixelFormat> subtype;  // empty: a subtype outside the nine
  FormatType formatType = FormatType::kVideoInfo;
  std::optional<VideoHeader> format;   // the format block; empty when the caps carry no size
  bool bottomUp = false;               // rows stored bottom row first; GStreamer frames never are
};

// Accepts video of the nine pixel formats in a video-info format block:
// E_POINTER for null, E_FAIL for any other major type, subtype or format type.
// Looks at neither the header nor the size. Any thread.
HRESULT CheckMediaType(const MediaType* type);

// The header's problem as a log text, or null when the header is one the
// sink can convert: biSize 40 and both sides from 1 to kMaxFrameSide.
const char* VideoHeaderProblem(const VideoHeader& header);

}  // namespace quela
