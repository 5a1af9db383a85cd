#include "playback/graph/graph_result.h"

#include <cstdio>
#include <iterator>

namespace quela {

namespace {

struct CodeText {
  HRESULT hr;
  const char* text;
};

// The texts the system of origin gave for these codes.
constexpr CodeText kCodeTexts[] = {
    {S_OK, "The operation completed successfully."},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_ABORT, "Operation aborted"},
    {E_FAIL, "Unspecified error"},
    {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {E_INVALIDARG, "The parameter is incorrect."},
    {E_ACCESSDENIED, "Access is denied."},
    {E_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {VFW_S_DUPLICATE_NAME, "An attempt to add a filter with a duplicate name succeeded with a modified name."},
    {VFW_S_PARTIAL_RENDER, "Some of the streams in this movie are in an unsupported format."},
    {VFW_S_VIDEO_NOT_RENDERED, "The graph could not render the video stream; the audio plays."},
    {VFW_S_AUDIO_NOT_RENDERED, "The graph could not render the audio stream; the video plays."},
    {VFW_E_NOT_FOUND, "An object or name was not found."},
    {VFW_E_CANNOT_CONNECT, "No combination of intermediate filters could be found to make the connection."},
    {VFW_E_CANNOT_RENDER, "No combination of filters could be found to render the stream."},
    {VFW_E_TIMEOUT, "A time-out has expired."},
    {VFW_E_INVALID_FILE_FORMAT, "The file format is invalid."},
    {VFW_E_UNKNOWN_FILE_TYPE, "The media type of this file is not recognized."},
    {VFW_E_CANNOT_LOAD_SOURCE_FILTER, "The source filter for this file could not be loaded."},
    {VFW_E_UNSUPPORTED_STREAM, "Cannot play back the file: the format is not supported."},
};

// Result of rendering a file -> its log line; codes not listed read "**UNKNOWN**".
constexpr CodeText kRenderFileLines[] = {
    {S_OK, "Graph Ready, Begin Attempt Run"},
    {VFW_S_DUPLICATE_NAME, "Graph Ready, Begin Attempt Run"},
    {VFW_S_PARTIAL_RENDER, "Graph Ready, Begin Attempt Run"},
    {VFW_S_VIDEO_NOT_RENDERED, "Graph Ready, Begin Attempt Run"},
    {VFW_S_AUDIO_NOT_RENDERED, "Graph Ready, Begin Attempt Run"},
    {E_POINTER, "Graph NOT Ready, E_ABORT"},
    {E_ABORT, "Graph NOT Ready, E_ABORT"},
    {E_FAIL, "Graph NOT Ready, E_ABORT"},
    {E_OUTOFMEMORY, "Graph NOT Ready, E_ABORT"},
    {E_INVALIDARG, "Graph NOT Ready, E_ABORT"},
    {VFW_E_NOT_FOUND, "Graph NOT Ready, VFW_E_NOT_FOUND"},
    {VFW_E_CANNOT_CONNECT, "Graph NOT Ready, VFW_E_CANNOT_CONNECT"},
    {VFW_E_CANNOT_RENDER, "Graph NOT Ready, VFW_E_CANNOT_RENDER"},
    {VFW_E_INVALID_FILE_FORMAT, "Graph NOT Ready, VFW_E_INVALID_FILE_FORMAT"},
    {VFW_E_UNKNOWN_FILE_TYPE, "Graph NOT Ready, VFW_E_UNKNOWN_FILE_TYPE"},
    {VFW_E_CANNOT_LOAD_SOURCE_FILTER, "Graph NOT Ready, VFW_E_CANNOT_LOAD_SOURCE_FILTER"},
    {VFW_E_UNSUPPORTED_STREAM, "Graph NOT Ready, VFW_E_UNSUPPORTED_STREAM"},
};

template <std::size_t N>
const char* Find(const CodeText (&table)[N], HRESULT hr) {
  for (const CodeText& row : table)
    if (row.hr == hr) return row.text;
  return nullptr;
}

}  // namespace

std::string HresultText(HRESULT hr) {
  if (const char* text = Find(kCodeTexts, hr)) return text;
  char text[40];
  std::snprintf(text, sizeof text, "Unknown error 0x%08X", static_cast<unsigned>(hr));
  return text;
}

const char* RenderFileLogLine(HRESULT hr) {
  const char* line = Find(kRenderFileLines, hr);
  return line ? line : "Graph NOT Ready, **UNKNOWN**";
}

}  // namespace quela
