// Opening real files: every row of the result-code table, the policy and its fallback, SVP.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "playback/graph/graph_result.h"
#include "tests/playback_graph/graph_fixture.h"

namespace quela::test {
namespace {

std::string ClipBytes(const std::string& name, std::size_t count) {
  std::string bytes(count, '\0');
  std::ifstream(Clip(name), std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(count));
  return bytes;
}

struct OpenRow {
  std::string label;
  std::function<std::string()> location;
  HRESULT result;            // of the last attempt
  const char* renderLine;    // logged by that attempt
  const char* outcomeLine;   // "Opening File Success", "Fallback Attempt Success" or "Fallback Attempt FAILED"
  // decodebin drops an error that a demuxer raises while it is still being set up;
  // the pipeline then never prerolls and the attempt ends at its time-out instead.
  bool mayTimeOut = false;
};

void PrintTo(const OpenRow& row, std::ostream* out) { *out << row.label; }

class OpenFileTest : public GraphTest, public ::testing::WithParamInterface<OpenRow> {};

TEST_P(OpenFileTest, ResultCodeAndLogLines) {
  const OpenRow& row = GetParam();
  const std::string location = row.location();
  auto graph = MakeGraph();
  const bool played = graph->OpenFile(location);
  EXPECT_EQ(played, !Failed(row.result)) << location;
  if (row.mayTimeOut && graph->LastRenderResult() == VFW_E_TIMEOUT) return;
  EXPECT_EQ(graph->LastRenderResult(), row.result) << std::hex << graph->LastRenderResult();
  EXPECT_TRUE(Logged(row.renderLine)) << row.renderLine;
  EXPECT_TRUE(Logged(row.outcomeLine)) << row.outcomeLine;
  if (Failed(row.result)) {
    EXPECT_TRUE(Logged("COM ERROR, " + HresultText(row.result)));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_TRUE(host.boxes[0].starts_with("Quela - Video Filter Problem|Filters on PC incompatible with Quela"));
    EXPECT_FALSE(graph->Seekable());
  } else {
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(graph->State(std::chrono::seconds(2)), GraphState::kRunning);
  }
  EXPECT_FALSE(graph->GraphBusy());
}

const char* const kRun = "Graph Ready, Begin Attempt Run";
const char* const kSuccess = "Opening File Success";
const char* const kFailed = "Fallback Attempt FAILED";

INSTANTIATE_TEST_SUITE_P(
    Files, OpenFileTest,
    ::testing::Values(
        OpenRow{"MkvH264Aac", [] { return Clip("h264_aac.mkv").string(); }, S_OK, kRun, kSuccess},
        OpenRow{"AudioOnly", [] { return Clip("aac_only.mkv").string(); }, VFW_S_VIDEO_NOT_RENDERED, kRun, kSuccess},
        // Vorbis has no libav decoder here: the first attempt plays the video alone.
        OpenRow{"VorbisAudioRefused", [] { return Clip("h264_vorbis.mkv").string(); }, VFW_S_AUDIO_NOT_RENDERED, kRun,
                kSuccess},
        OpenRow{"BackslashPath", [] {
                  std::string path = Clip("h264_aac.mkv").string();
                  std::replace(path.begin(), path.end(), '/', '\\');
                  return path;
                }, S_OK, kRun, kSuccess},
        OpenRow{"FileUri", [] { return "file://" + Clip("h264_aac.mkv").string(); }, S_OK, kRun, kSuccess},
        OpenRow{"TruncatedHalf", [] {
                  const std::uintmax_t size = std::filesystem::file_size(Clip("h264_aac.mkv"));
                  return ScratchFile("half.mkv", ClipBytes("h264_aac.mkv", size / 2)).string();
                }, S_OK, kRun, kSuccess},
        OpenRow{"Missing", [] { return Clip("h264_aac.mkv").string() + ".missing"; }, E_FILE_NOT_FOUND,
                "Graph NOT Ready, **UNKNOWN**", kFailed},
        OpenRow{"Empty", [] { return ScratchFile("empty.mkv", "").string(); }, VFW_E_UNKNOWN_FILE_TYPE,
                "Graph NOT Ready, VFW_E_UNKNOWN_FILE_TYPE", kFailed},
        OpenRow{"CorruptContainer", [] {
                  return ScratchFile("corrupt.mkv", ClipBytes("h264_aac.mkv", 64) + std::string(4000, '\x5a')).string();
                }, VFW_E_INVALID_FILE_FORMAT, "Graph NOT Ready, VFW_E_INVALID_FILE_FORMAT", kFailed, true},
        OpenRow{"SubtitlesOnly", [] { return Clip("subtitles_only.mkv").string(); }, VFW_E_UNSUPPORTED_STREAM,
                "Graph NOT Ready, VFW_E_UNSUPPORTED_STREAM", kFailed},
        OpenRow{"UnknownScheme", [] { return std::string("quelanothing://clip.mkv"); },
                VFW_E_CANNOT_LOAD_SOURCE_FILTER, "Graph NOT Ready, VFW_E_CANNOT_LOAD_SOURCE_FILTER", kFailed}),
    [](const ::testing::TestParamInfo<OpenRow>& info) { return info.param.label; });

TEST_F(GraphTest, TheoraIsRefusedFirstAndPlaysAfterTheFallback) {
  auto graph = MakeGraph();
  ASSERT_TRUE(graph->OpenFile(Clip("theora.ogg").string()));
  const int refused = LogIndex("Graph NOT Ready, VFW_E_CANNOT_RENDER");
  const int begin = LogIndex("Fallback Attempt Begin");
  ASSERT_GE(refused, 0);
  EXPECT_LT(refused, begin);
  EXPECT_LT(begin, LogIndex("Fallback Attempt Success"));
  EXPECT_FALSE(Logged("Opening File Success"));
  EXPECT_TRUE(WaitForFrames(0));
}

// The first attempt logs each kind the policy admits; a forced fallback skips the policy.
TEST_F(GraphTest, FirstAttemptLogsEachAdmittedKindAndForcedFallbackSkipsIt) {
  const char* const policyLines[] = {"Registering GraphCallBack Selection Filter", "Selected GStreamer Splitter Source",
                                     "Selected libav Video", "Selected libav Audio", "Selected Null Audio Output",
                                     "RenderFilter Added, Begin Attempt to Make Graph Ready",
                                     "Graph Ready, Begin Attempt Success!"};
  ASSERT_TRUE(MakeGraph()->OpenFile(Clip("h264_aac.mkv").string()));
  for (const char* line : policyLines) EXPECT_TRUE(Logged(line)) << line;
  ClearLog();
  PlaybackGraphSettings settings = Settings();
  settings.forceFallbackFilterSelect = true;
  ASSERT_TRUE(MakeGraph(settings)->OpenFile(Clip("theora.ogg").string()));
  EXPECT_TRUE(Logged("Opening File Success"));
  for (const char* line : {policyLines[0], policyLines[2], "Fallback Attempt Begin"}) EXPECT_FALSE(Logged(line)) << line;
}

// The SVP element is added when it exists, and its absence never fails the graph.
TEST_F(GraphTest, SvpElementIsInsertedOnlyWhenItExists) {
  for (const char* filter : {"identity", "nosuchrawvideofilter"}) {
    ClearLog();
    PlaybackGraphSettings settings = Settings();
    settings.svpEnabledOnStart = true;
    settings.svpFilter = filter;
    auto graph = MakeGraph(settings);
    ASSERT_TRUE(graph->OpenFile(Clip("h264_aac.mkv").string())) << filter;
    const bool exists = filter == std::string("identity");
    EXPECT_EQ(Logged("Found SVP Raw Video Filter, Possible SVP Usage"), exists);
    EXPECT_EQ(Logged("SVP Raw Video Added (SVP Support)"), exists);
    EXPECT_EQ(Logged("SVP Raw Video Filter \"nosuchrawvideofilter\" does not exist, or could not be created"), !exists);
    EXPECT_TRUE(WaitForFrames(sink.frames()));
    if (!exists) continue;
    // Switched off, the next file is built without it.
    graph->SetSvpEnabled(false);
    ClearLog();
    ASSERT_TRUE(graph->OpenFile(Clip("h264_aac.mkv").string()));
    EXPECT_FALSE(Logged("Found SVP Raw Video Filter, Possible SVP Usage"));
  }
}

TEST_F(GraphTest, AudioOutputThatDoesNotWorkLeavesTheVideoPlaying) {
  for (const char* output : {"pulsesink server=unix:/nonexistent/quela", "nosuchaudiosink"}) {
    ClearLog();
    PlaybackGraphSettings settings = Settings();
    settings.audioOutput = output;
    auto graph = MakeGraph(settings);
    ASSERT_TRUE(graph->OpenFile(Clip("h264_aac.mkv").string())) << output;
    EXPECT_EQ(graph->LastRenderResult(), VFW_S_AUDIO_NOT_RENDERED) << output;
    EXPECT_TRUE(Logged("Opening File Success")) << output;
  }
}

TEST_F(GraphTest, FormatTheSinkRefusesCannotConnect) {
  CountingSink narrow("appsink caps=video/x-raw,format=GRAY8,width=3,height=3 sync=true");
  PlaybackGraph graph(host.Host(), Settings(), narrow.element(), &narrow);
  EXPECT_FALSE(graph.OpenFile(Clip("h264_aac.mkv").string()));
  EXPECT_EQ(graph.LastRenderResult(), VFW_E_CANNOT_CONNECT);
  EXPECT_TRUE(Logged("Graph NOT Ready, VFW_E_CANNOT_CONNECT"));
}

TEST_F(GraphTest, MissingSinkOrStatisticsFailTheirSteps) {
  PlaybackGraph noSink(host.Host(), Settings(), nullptr, &sink);
  EXPECT_FALSE(noSink.OpenFile(Clip("h264_aac.mkv").string()));
  EXPECT_TRUE(Logged("IID_IVideoRenderer FAILED"));
  EXPECT_TRUE(Logged("COM ERROR, No such interface supported"));
  PlaybackGraph noStatistics(host.Host(), Settings(), sink.element(), nullptr);
  EXPECT_FALSE(noStatistics.OpenFile(Clip("h264_aac.mkv").string()));
  EXPECT_TRUE(Logged("IID_IQualProp FAILED"));
}

TEST_F(GraphTest, DemuxerConfiguration) {
  std::vector<std::string> shown;
  host.menu[ID_ADVANCED_LAVCONFIG] = false;
  PlaybackGraphHost hooks = host.Host();
  hooks.showDemuxerPages = [&shown](const std::string& demuxer) { shown.push_back(demuxer); };
  PlaybackGraph graph(hooks, Settings(), sink.element(), &sink);
  EXPECT_FALSE(graph.ShowLavSplitterPages());  // no graph
  ASSERT_TRUE(graph.OpenFile(Clip("h264_aac.mkv").string()));
  EXPECT_TRUE(host.menu[ID_ADVANCED_LAVCONFIG]);
  graph.OpenLAVSpliiterConfigWindow();
  EXPECT_EQ(shown, std::vector<std::string>{"matroskademux"});
  // An MP3 file needs no demuxer: the command says so once and grays its item.
  ASSERT_TRUE(graph.OpenFile(Clip("tone.mp3").string()));
  graph.OpenLAVSpliiterConfigWindow();
  EXPECT_TRUE(Logged("Could not Open GStreamer Demuxer Config Window, not being used in filter graph!"));
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0], "Quela - OpenLAVSpliiterConfigWindow()|GStreamer Demuxer is not being used in Filter Graph!");
  EXPECT_FALSE(host.menu[ID_ADVANCED_LAVCONFIG]);
}

}  // namespace
}  // namespace quela::test
