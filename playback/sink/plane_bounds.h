#pragma once
// Whether a mapped frame really holds the rows its format claims. A buffer's
// video meta may put planes anywhere and give any stride, so every plane is
// checked against the memory it was mapped from before anything reads it.
#include <cstdint>

#include "playback/convert/frame_description.h"

namespace quela {

struct MappedSpan {  // the mapped memory one plane lies in
  const std::uint8_t* begin = nullptr;
  const std::uint8_t* end = nullptr;  // one past the last byte
};

// True when every plane the format uses starts inside its span, has a stride
// of at least one row's bytes, and ends inside the span: (rows - 1) strides
// plus one row's bytes. Odd sizes round the chroma rows and columns up.
bool PlanesWithinMapping(const FrameFormat& format, const FramePlanes& planes, const MappedSpan (&mapped)[3]);

}  // namespace quela
