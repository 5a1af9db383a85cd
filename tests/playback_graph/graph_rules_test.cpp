// The plain rules of the graph: result codes, the component policy, the transport's arithmetic.
// Codes the real files of graph_open_test reach are not repeated here.
#include <gtest/gtest.h>

#include "playback/graph/graph_builder_cb.h"
#include "playback/graph/graph_result.h"
#include "playback/graph/render_outcome.h"
#include "playback/graph/sink_statistics.h"
#include "playback/graph/transport_math.h"

namespace quela {
namespace {

TEST(RenderResultTest, FactsCodesAndLogLines) {
  const std::pair<RenderFacts, HRESULT> rows[] = {
      {{.videoRendered = true, .videoStream = true}, S_OK},
      {{.videoRendered = true, .videoStream = true, .audioStream = true}, VFW_S_AUDIO_NOT_RENDERED},
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
  EXPECT_EQ(HresultText(E_FILE_NOT_FOUND), "The system cannot find the file specified.");
  EXPECT_EQ(HresultText(static_cast<HRESULT>(0x8BADF00Du)), "Unknown error 0x8BADF00D");
}

TEST(PolicyTest, AdmitsOnlyThePreferredComponents) {
  const struct {
    const char* factory;
    const char* klass;
    bool svp;
    const char* line;  // null: refused
  } rows[] = {
      {"avdec_aac", "Codec/Decoder/Audio", false, "Selected libav Audio"},
      {"mpegpsdemux", "Codec/Demuxer", false, "Selected GStreamer Splitter Source"},
      {"h264parse", "Codec/Parser/Converter/Video", false, "Selected GStreamer Parser"},
      {"pulsesink", "Sink/Audio", false, "Selected PulseAudio"},
      {"identity", "Generic", true, "Selected SVP Raw Video"},
      {"identity", "Generic", false, nullptr},  // the SVP element only while SVP is on
      {"vaapih264dec", "Codec/Decoder/Video/Hardware", false, nullptr},
      {"oggdemux", "Codec/Demuxer", false, nullptr},
      {"avdec_h264_fake_parser", "Codec/Parser/Decoder", false, nullptr},
      {"", "", true, nullptr},
  };
  for (const auto& row : rows) {
    const char* line = PreferredComponentLine(row.factory, row.klass, row.svp, "identity");
    EXPECT_STREQ(line ? line : "(refused)", row.line ? row.line : "(refused)") << row.factory;
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
  const SplitTimeResult split = SplitTime(3'725'999);
  EXPECT_EQ(split.hours * 3600 + split.minutes * 60 + split.seconds, 3725);
  EXPECT_EQ(split.minutes, 2);
  EXPECT_EQ(StatisticsLine({250, 3, 2497, 4}),
            "Video Statistics, Frames Drawn 250, Frames Dropped 3, Average Frame Rate 24.97 fps, Jitter 4 ms");
}

}  // namespace
}  // namespace quela
