#pragma once
// The playback graph's result codes: the values and names the log and the
// message texts use, so the result-code table reads as it always has.
#include <string>

#include "playback/sink/result_codes.h"

namespace quela {

constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
// The system's "file not found" code (ERROR_FILE_NOT_FOUND as a result code).
constexpr HRESULT E_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002u);

constexpr HRESULT VFW_S_DUPLICATE_NAME = 0x0004022D;
constexpr HRESULT VFW_S_PARTIAL_RENDER = 0x00040242;
constexpr HRESULT VFW_S_VIDEO_NOT_RENDERED = 0x00040257;
constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = 0x00040258;

constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022Eu);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = static_cast<HRESULT>(0x8004022Fu);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = static_cast<HRESULT>(0x80040240u);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = static_cast<HRESULT>(0x80040241u);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265u);

constexpr bool Failed(HRESULT hr) { return hr < 0; }

// A readable sentence for hr; codes without one read "Unknown error 0x%08X".
std::string HresultText(HRESULT hr);

// The log line for the result of rendering a file: "Graph Ready, Begin Attempt Run"
// for the success codes, else "Graph NOT Ready, <name>".
const char* RenderFileLogLine(HRESULT hr);

}  // namespace quela
