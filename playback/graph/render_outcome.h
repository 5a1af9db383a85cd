#pragma once
// What rendering a file found out, in plain terms, and the table that turns it
// into the result code of the attempt. The GStreamer side fills the facts.
#include "playback/graph/graph_result.h"

namespace quela {

// Why rendering stopped, from the first error the pipeline reported.
enum class RenderFailure {
  kNone,
  kFileNotFound,       // the location names no file
  kAccessDenied,       // the file exists but cannot be read
  kNoSource,           // nothing can read this kind of location
  kUnknownType,        // not a media file
  kCorrupt,            // the container is broken
  kNoDecoder,          // no admitted decoder for any stream
  kUnsupportedStream,  // streams exist, but none is audio or video, or the decoder refuses its data
  kNotNegotiated,      // the elements found no common format
  kTimeout,            // no preroll and no error within the time-out
  kOther,
};

struct RenderFacts {
  RenderFailure failure = RenderFailure::kNone;
  bool videoRendered = false;    // a video stream reaches the video sink
  bool audioRendered = false;    // an audio stream reaches a working audio output
  bool videoStream = false;      // the file has a video stream (rendered or not)
  bool audioStream = false;      // the file has an audio stream (rendered or not)
  bool otherStreamLeft = false;  // a stream of another kind (subtitles, data) is not rendered
};

// The table:
//   failure                      -> its code (kFileNotFound: E_FILE_NOT_FOUND, kAccessDenied:
//                                   E_ACCESSDENIED, kNoSource: VFW_E_CANNOT_LOAD_SOURCE_FILTER,
//                                   kUnknownType: VFW_E_UNKNOWN_FILE_TYPE, kCorrupt:
//                                   VFW_E_INVALID_FILE_FORMAT, kNoDecoder: VFW_E_CANNOT_RENDER,
//                                   kUnsupportedStream: VFW_E_UNSUPPORTED_STREAM, kNotNegotiated:
//                                   VFW_E_CANNOT_CONNECT, kTimeout: VFW_E_TIMEOUT, kOther: E_FAIL)
//   nothing rendered, a/v stream -> VFW_E_CANNOT_RENDER
//   nothing rendered, no a/v     -> VFW_E_UNSUPPORTED_STREAM
//   audio but no video           -> VFW_S_VIDEO_NOT_RENDERED
//   video, audio stream unplayed -> VFW_S_AUDIO_NOT_RENDERED
//   video (+ audio), other left  -> VFW_S_PARTIAL_RENDER
//   otherwise                    -> S_OK
HRESULT RenderResult(const RenderFacts& facts);

}  // namespace quela
