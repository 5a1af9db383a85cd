// The plain rules of the graph (result codes, the component policy, the transport's
// arithmetic), then real files: every row of the result-code table, the policy and its
// fallback, SVP. Codes the real files reach are not repeated in the rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "playback/graph/graph_builder_cb.h"
#include "playback/graph/graph_result.h"
#include "playback/graph/render_outcome.h"
#include "playback/graph/sink_statistics.h"
#include "playback/graph/transport_math.h"
#include "tests/playback_graph/graph_fixture.h"
#include "tests/support/temp_dir.h"

namespace quela::test {
namespace {

TEST(RenderResultTest, FactsCodesAndLogLines) {
  const std::pair<RenderFacts, HRESULT> rows[] = {
      {{.audioRendered = true, .videoStream = true, .audioStream = true}, VFW_S_VIDEO_NOT_RENDERED},
      {{.videoRendered = true, .videoStream = true, .otherStreamLeft = true}, VFW_S_PARTIAL_RENDER},
      {{.videoStream = true}, VFW_E_CANNOT_RENDER},
      {{.failure = RenderFailure::kNoDecoder}, VFW_E_CANNOT_RENDER},
      {{.failure = RenderFailure::kTimeout}, VFW_E_TIMEOUT},
      {{.failure = RenderFailure::kOther}, E_FAIL},
      // A failure wins over whatever was linked before it.
      {{.failure = RenderFailure::kCorrupt, .videoRendered = true, .videoStream = true}, VFW_E_INVALID_FILE_FORMAT},
  };
  for (const auto& [facts, expected] : rows) EXPECT_EQ(RenderResult(facts), expected) << static_cast<int>(facts.failure);
  EXPECT_STREQ(RenderFileLogLine(E_INVALIDARG), "Graph NOT Ready, E_ABORT");
  EXPECT_STREQ(RenderFileLogLine(VFW_E_TIMEOUT), "Graph NOT Ready, **UNKNOWN**");
  EXPECT_EQ(HresultText(static_cast<HRESULT>(0x8BADF00Du)), "Unknown error 0x8BADF00D");
}

TEST(PolicyTest, AdmitsOnlyThePreferredComponents) {
  const std::tuple<const char*, const char*, bool, const char*> rows[] = {  // factory, class, SVP on, line or refused
      {"h264parse", "Codec/Parser/Converter/Video", false, "Selected GStreamer Parser"},
      {"identity", "Generic", true, "Selected SVP Raw Video"},
      {"identity", "Generic", false, nullptr},  // the SVP element only while SVP is on
      {"vaapih264dec", "Codec/Decoder/Video/Hardware", false, nullptr},
      {"oggdemux", "Codec/Demuxer", false, nullptr},
      {"avdec_h264_fake_parser", "Codec/Parser/Decoder", false, nullptr},
  };
  for (const auto& [factory, klass, svp, expected] : rows) {
    const char* line = PreferredComponentLine(factory, klass, svp, "identity");
    EXPECT_STREQ(line ? line : "(refused)", expected ? expected : "(refused)") << factory;
  }
}

TEST(TransportMathTest, SeekTargetsTimeTextAndPercent) {
  const std::int64_t duration = (60 * 60 + 30) * kUnitsPerSecond;  // 01:00:30
  EXPECT_EQ(RelativeSeekTarget(4 * kUnitsPerSecond, false, 10, duration), 0);
  EXPECT_EQ(RelativeSeekTarget(duration - 3 * kUnitsPerSecond, true, 10, duration), duration);
  // Past 214 seconds the offset no longer fits 32 bits; it must still be right.
  EXPECT_EQ(RelativeSeekTarget(0, true, 600, duration), 600 * kUnitsPerSecond);
  EXPECT_EQ(PercentSeekTarget(50, 1'234'567'891), 617'283'900);
  EXPECT_EQ(PercentSeekTarget(250, 1'000), 1'000);
  EXPECT_EQ(PercentSeekTarget(-5, 1'000), 0);
  EXPECT_EQ(TimeText(3'725'000'000, 72'000'000'000), "00:06:12  /  02:00:00");
  EXPECT_EQ(TimeText(100 * 3600 * kUnitsPerSecond, 0), "100:00:00  /  00:00:00");  // hours are not wrapped
  EXPECT_EQ(PositionPercent(3'725'000'000, 72'000'000'000), 5);
  EXPECT_EQ(PositionPercent(10, 0), 0);
  EXPECT_EQ(StatisticsLine({250, 3, 2497, 4}),
            "Video Statistics, Frames Drawn 250, Frames Dropped 3, Average Frame Rate 24.97 fps, Jitter 4 ms");
}

struct OpenRow {
  std::string label;
  std::function<std::string()> location;
  HRESULT result;            // of the last attempt
  const char* renderLine;    // logged by the first attempt
  const char* outcomeLine;   // "Opening File Success", "Fallback Attempt Success" or "Fallback Attempt FAILED"
  // decodebin drops an error that a demuxer raises while it is still being set up;
  // the pipeline then never prerolls and the attempt ends at its time-out instead.
  bool mayTimeOut = false;
  std::function<void(PlaybackGraphSettings&)> configure = nullptr;  // changes to the fixture's settings
  std::vector<std::string> logged = {}, notLogged = {};             // further lines, and lines never logged
};

std::string H264Aac() { return Clip("h264_aac.mkv").string(); }
std::string Theora() { return Clip("theora.ogg").string(); }

void PrintTo(const OpenRow& row, std::ostream* out) { *out << row.label; }

class OpenFileTest : public GraphTest, public ::testing::WithParamInterface<OpenRow> {};

TEST_P(OpenFileTest, ResultCodeAndLogLines) {
  const OpenRow& row = GetParam();
  const std::string location = row.location();
  PlaybackGraphSettings settings = Settings();
  if (row.configure) row.configure(settings);
  auto graph = MakeGraph(settings);
  const bool played = graph->OpenFile(location);
  EXPECT_EQ(played, !Failed(row.result)) << location;
  if (row.mayTimeOut && graph->LastRenderResult() == VFW_E_TIMEOUT) return;
  EXPECT_EQ(graph->LastRenderResult(), row.result) << std::hex << graph->LastRenderResult();
  EXPECT_TRUE(Logged(row.renderLine)) << row.renderLine;
  EXPECT_TRUE(Logged(row.outcomeLine)) << row.outcomeLine;
  // A first attempt that fails is logged before the fallback begins; one that succeeds has none.
  const bool fellBack = row.outcomeLine != std::string("Opening File Success");
  EXPECT_EQ(Logged("Opening File Success"), !fellBack);
  EXPECT_EQ(Logged("Fallback Attempt Begin"), fellBack);
  if (fellBack) {
    const auto lines = TestLog().Lines();
    const auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line); };
    EXPECT_LT(at(row.renderLine), at("Fallback Attempt Begin"));
  }
  for (const std::string& line : row.logged) EXPECT_TRUE(Logged(line)) << line;
  for (const std::string& line : row.notLogged) EXPECT_FALSE(Logged(line)) << line;
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
        // The first attempt logs each kind the policy admits; a forced fallback skips the policy.
        OpenRow{"MkvH264Aac", H264Aac, S_OK, kRun, kSuccess, false, nullptr,
                {"Registering GraphCallBack Selection Filter", "Selected GStreamer Splitter Source",
                 "Selected libav Video", "Selected libav Audio", "Selected Null Audio Output",
                 "RenderFilter Added, Begin Attempt to Make Graph Ready", "Graph Ready, Begin Attempt Success!"}},
        OpenRow{"ForcedFallbackSkipsThePolicy", Theora, S_OK, kRun, kSuccess, false,
                [](PlaybackGraphSettings& s) { s.forceFallbackFilterSelect = true; }, {},
                {"Registering GraphCallBack Selection Filter", "Selected libav Video"}},
        // Theora has no libav decoder: refused by the first attempt, played by the fallback.
        OpenRow{"TheoraAfterFallback", Theora, S_OK, "Graph NOT Ready, VFW_E_CANNOT_RENDER",
                "Fallback Attempt Success"},
        // The SVP element is added when it exists, and its absence never fails the graph.
        OpenRow{"SvpElement", H264Aac, S_OK, kRun, kSuccess, false,
                [](PlaybackGraphSettings& s) { s.svpEnabledOnStart = true, s.svpFilter = "identity"; },
                {"Found SVP Raw Video Filter, Possible SVP Usage", "SVP Raw Video Added (SVP Support)"}},
        OpenRow{"SvpElementMissing", H264Aac, S_OK, kRun, kSuccess, false,
                [](PlaybackGraphSettings& s) { s.svpEnabledOnStart = true, s.svpFilter = "nosuchrawvideofilter"; },
                {"SVP Raw Video Filter \"nosuchrawvideofilter\" does not exist, or could not be created"},
                {"Found SVP Raw Video Filter, Possible SVP Usage", "SVP Raw Video Added (SVP Support)"}},
        OpenRow{"Vp8OddSizeNoAudio", [] { return Clip("vp8_odd.mkv").string(); }, S_OK, kRun, kSuccess},
        OpenRow{"AudioOnly", [] { return Clip("aac_only.mkv").string(); }, VFW_S_VIDEO_NOT_RENDERED, kRun, kSuccess},
        // Vorbis has no libav decoder here: the first attempt plays the video alone.
        OpenRow{"VorbisAudioRefused", [] { return Clip("h264_vorbis.mkv").string(); }, VFW_S_AUDIO_NOT_RENDERED, kRun,
                kSuccess},
        // An audio output that cannot start leaves the video playing.
        OpenRow{"AudioOutputFails", H264Aac, VFW_S_AUDIO_NOT_RENDERED, kRun, kSuccess, false,
                [](PlaybackGraphSettings& s) { s.audioOutput = "pulsesink server=unix:/nonexistent/quela"; }},
        OpenRow{"BackslashPath", [] {
                  std::string path = H264Aac();
                  std::replace(path.begin(), path.end(), '/', '\\');
                  return path;
                }, S_OK, kRun, kSuccess},
        OpenRow{"FileUri", [] { return "file://" + H264Aac(); }, S_OK, kRun, kSuccess},
        OpenRow{"TruncatedHalf", [] {
                  const std::string bytes = ReadFile(Clip("h264_aac.mkv"));
                  return ScratchFile("half.mkv", bytes.substr(0, bytes.size() / 2)).string();
                }, S_OK, kRun, kSuccess},
        OpenRow{"Missing", [] { return H264Aac() + ".missing"; }, E_FILE_NOT_FOUND,
                "Graph NOT Ready, **UNKNOWN**", kFailed},
        OpenRow{"Empty", [] { return ScratchFile("empty.mkv", "").string(); }, VFW_E_UNKNOWN_FILE_TYPE,
                "Graph NOT Ready, VFW_E_UNKNOWN_FILE_TYPE", kFailed},
        OpenRow{"CorruptContainer", [] {
                  const std::string head = ReadFile(Clip("h264_aac.mkv")).substr(0, 64);
                  return ScratchFile("corrupt.mkv", head + std::string(4000, '\x5a')).string();
                }, VFW_E_INVALID_FILE_FORMAT, "Graph NOT Ready, VFW_E_INVALID_FILE_FORMAT", kFailed, true},
        OpenRow{"SubtitlesOnly", [] { return Clip("subtitles_only.mkv").string(); }, VFW_E_UNSUPPORTED_STREAM,
                "Graph NOT Ready, VFW_E_UNSUPPORTED_STREAM", kFailed},
        OpenRow{"UnknownScheme", [] { return std::string("quelanothing://clip.mkv"); },
                VFW_E_CANNOT_LOAD_SOURCE_FILTER, "Graph NOT Ready, VFW_E_CANNOT_LOAD_SOURCE_FILTER", kFailed}),
    [](const ::testing::TestParamInfo<OpenRow>& info) { return info.param.label; });

// A sink that refuses the format cannot connect; a missing sink or statistics fail their steps.
TEST_F(GraphTest, SinkProblemsFailTheGraph) {
  CountingSink narrow("appsink caps=video/x-raw,format=GRAY8,width=3,height=3 sync=true");
  EXPECT_FALSE(PlaybackGraph(host.Host(), Settings(), narrow.element(), &narrow).OpenFile(H264Aac()));
  EXPECT_TRUE(Logged("Graph NOT Ready, VFW_E_CANNOT_CONNECT"));
  EXPECT_TRUE(Logged("COM ERROR, " + HresultText(VFW_E_CANNOT_CONNECT)));
  EXPECT_FALSE(PlaybackGraph(host.Host(), Settings(), nullptr, &sink).OpenFile(H264Aac()));
  EXPECT_TRUE(Logged("IID_IVideoRenderer FAILED"));
  EXPECT_TRUE(Logged("COM ERROR, No such interface supported"));
  EXPECT_FALSE(PlaybackGraph(host.Host(), Settings(), sink.element(), nullptr).OpenFile(H264Aac()));
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
