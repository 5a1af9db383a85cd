#pragma once
// The video sink's caps: the nine formats as GStreamer names them, and the
// media type a set of caps describes.
#include <string>

#include "playback/sink/media_type.h"

typedef struct _GstCaps GstCaps;

namespace quela {

// video/x-raw in system memory, the nine formats, any size from 1 to kMaxFrameSide, any frame rate.
std::string SinkCapsDescription();

// The first structure of caps as a media type; null caps give an empty,
// non-video type; caps without a fixed width and height give no format block. Any thread.
MediaType MediaTypeFromCaps(const GstCaps* caps);

}  // namespace quela
