#include "playback/sink/media_type_caps.h"

#include <gst/gst.h>

#include <cstring>

#include "playback/convert/frame_converter.h"

namespace quela {
namespace {

struct FormatName {
  const char* name;
  PixelFormat format;
};

// I420 also stands for IYUV, which is the same layout. BGRA is left out: it is
// the alpha-carrying RGB type, which the renderer does not take.
constexpr FormatName kFormats[] = {
    {"NV12", PixelFormat::kNV12},   {"YV12", PixelFormat::kYV12},   {"I420", PixelFormat::kI420},
    {"YUY2", PixelFormat::kYUY2},   {"RGB15", PixelFormat::kRGB555}, {"RGB16", PixelFormat::kRGB565},
    {"BGR", PixelFormat::kRGB24},   {"BGRx", PixelFormat::kRGB32},
};

std::optional<PixelFormat> FormatNamed(const char* name) {
  if (!name) return std::nullopt;
  for (const FormatName& f : kFormats) {
    if (std::strcmp(f.name, name) == 0) return f.format;
  }
  return std::nullopt;
}

MajorType MajorTypeNamed(const char* name) {
  if (g_str_has_prefix(name, "video/")) return MajorType::kVideo;
  if (g_str_has_prefix(name, "audio/")) return MajorType::kAudio;
  return MajorType::kOther;
}

bool InSystemMemory(const GstCaps* caps) {
  const GstCapsFeatures* features = gst_caps_get_features(caps, 0);
  return !features || gst_caps_features_is_equal(features, GST_CAPS_FEATURES_MEMORY_SYSTEM_MEMORY);
}

}  // namespace

std::string SinkCapsDescription() {
  std::string formats;
  for (const FormatName& f : kFormats) formats += std::string(formats.empty() ? "" : ", ") + f.name;
  const std::string side = "[ 1, " + std::to_string(kMaxFrameSide) + " ]";
  return "video/x-raw, format=(string){ " + formats + " }, width=(int)" + side + ", height=(int)" + side +
         ", framerate=(fraction)[ 0/1, 2147483647/1 ]";
}

MediaType MediaTypeFromCaps(const GstCaps* caps) {
  MediaType type;
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) {
    type.majorType = MajorType::kOther;
    type.formatType = FormatType::kOther;
    return type;
  }
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  const char* name = gst_structure_get_name(s);
  type.majorType = MajorTypeNamed(name);
  if (std::strcmp(name, "video/x-raw") == 0) type.subtype = FormatNamed(gst_structure_get_string(s, "format"));

  const char* interlace = gst_structure_get_string(s, "interlace-mode");
  if (std::strcmp(name, "video/x-raw") != 0 || !InSystemMemory(caps)) {
    type.formatType = FormatType::kOther;
  } else if (interlace && std::strcmp(interlace, "progressive") != 0) {
    type.formatType = FormatType::kVideoInfo2;
  }

  int width = 0;
  int height = 0;
  if (gst_structure_get_int(s, "width", &width) && gst_structure_get_int(s, "height", &height)) {
    type.format = VideoHeader{kVideoHeaderSize, width, height};
  }
  return type;
}

}  // namespace quela
