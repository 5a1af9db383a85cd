// Play, pause, seeks, timers and the end of the video on a 30-second clip; opening and
// tearing down while frames flow: no deadlock, no leaked pipeline, figures per file.
#include <gtest/gtest.h>

#include <tuple>

#include "playback/graph/transport_math.h"
#include "tests/playback_graph/graph_fixture.h"

namespace quela::test {
namespace {

constexpr std::int64_t kSecond = kUnitsPerSecond;

class TransportTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    graph = MakeGraph();
    ASSERT_TRUE(graph->OpenFile(Clip("long.mkv").string()));
    host.TakePosted();
  }
  // Runs the scheduled seek, as the main thread would, and says where it landed.
  std::int64_t Settle() {
    graph->WaitForSeekTasks();
    for (const Msg& msg : host.TakePosted())
      if (msg.message == WM_USER_PLAYBACKTIMERS) graph->HandlePlaybackTimersMessage(msg.wParam);
    return graph->Position();
  }

  std::unique_ptr<PlaybackGraph> graph;
};

TEST_F(TransportTest, OpeningStartsPlaybackAndTheTimersThenPlayPauseAndTheMenuLoop) {
  EXPECT_TRUE(graph->Seekable());
  EXPECT_NEAR(static_cast<double>(graph->videoDuration()), 30.0 * kSecond, 0.2 * kSecond);
  EXPECT_FALSE(graph->Paused());
  EXPECT_EQ(host.layoutChanges, 1);
  EXPECT_EQ(host.timers, (std::map<std::uint32_t, std::uint32_t>{{kKeepDisplayOnTimer, 15000}, {kTimeTextTimer, 1000}}));
  graph->UpdateTimeText();
  ASSERT_FALSE(host.seekBar.empty());
  EXPECT_TRUE(host.seekBar.back().first.starts_with("00:00:0")) << host.seekBar.back().first;
  EXPECT_TRUE(host.seekBar.back().first.ends_with("  /  00:00:30")) << host.seekBar.back().first;
  graph->TogglePlayPause();
  EXPECT_EQ(graph->State(std::chrono::seconds(2)), GraphState::kPaused);
  EXPECT_TRUE(graph->Paused());
  EXPECT_TRUE(host.timers.empty());
  graph->PauseIfPlaying();  // already paused: stays so
  EXPECT_EQ(graph->State(std::chrono::seconds(2)), GraphState::kPaused);
  graph->PlayIfPaused();  // the menu closes: plays, also after a pause by the user
  EXPECT_EQ(graph->State(std::chrono::seconds(2)), GraphState::kRunning);
  EXPECT_FALSE(graph->Paused());
  EXPECT_EQ(host.timers.size(), 2u);
  graph->PauseIfPlaying();  // the menu opens while playing
  EXPECT_EQ(graph->State(std::chrono::seconds(2)), GraphState::kPaused);
}

TEST_F(TransportTest, SeeksLandOnTheKeyFrameBeforeTheTargetAndRunThenNothingWithoutAGraph) {
  graph->TogglePlayPause();  // a seek leaves the graph running even when paused before
  const std::tuple<bool, bool, int, double, double> steps[] = {  // percent, forward, amount, landing between (s)
      {false, true, 10, 9.0, 11.5}, {false, false, 10, 0.0, 1.5},  // back past the start stops there
      {false, true, 60, 27.0, 30.1}, {true, false, 50, 14.0, 15.5},
  };
  for (const auto& [percent, forward, amount, lowSeconds, highSeconds] : steps) {
    if (percent) graph->SeekToPercent(amount);
    else graph->SeekRelative(forward, amount);
    const double landed = static_cast<double>(Settle()) / kSecond;
    EXPECT_GE(landed, lowSeconds) << amount;
    EXPECT_LE(landed, highSeconds) << amount;
    EXPECT_EQ(graph->State(std::chrono::seconds(2)), GraphState::kRunning);
    EXPECT_FALSE(graph->Paused());
    EXPECT_EQ(host.timers.size(), 2u);
  }
  EXPECT_GE(host.seekBar.size(), std::size(steps));
  // Without a graph nothing happens; the teardown keeps what the last file reported.
  host.seekBar.clear();
  graph->TeardownGraph();
  TestLog().Clear();
  host.TakePosted();
  graph->TeardownGraph();  // a second teardown finds nothing to report
  EXPECT_TRUE(TestLog().Lines().empty());
  graph->SeekRelative(true, 10);
  graph->SeekToPercent(50);
  graph->TogglePlayPause();
  graph->UpdateTimeText();
  graph->WaitForSeekTasks();
  EXPECT_TRUE(host.TakePosted().empty());
  EXPECT_TRUE(host.seekBar.empty());
  EXPECT_TRUE(graph->Seekable());
}

// The end of the video (reached from a seek near it): a looping video with a file restarts;
// otherwise the graph stays at its end, and a seek plays it again.
TEST_F(GraphTest, EndOfStreamRestartsOnlyALoopingVideo) {
  auto graph = MakeGraph();
  const std::string path = Clip("h264_aac.mkv").string();
  ASSERT_TRUE(graph->OpenFile(path));
  const std::tuple<const char*, bool, std::string, bool> ends[] = {  // label, looping, file, restarts
      {"not looping", false, path, false}, {"looping without a file", true, "", false}, {"looping", true, path, true}};
  for (const auto& [label, loop, file, restarts] : ends) {
    SCOPED_TRACE(label);
    host.TakePosted();
    graph->SeekToPercent(90);
    ASSERT_TRUE(WaitFor([&] { return host.Posted(WM_USER_GRAPHNOTIFY); }, std::chrono::seconds(10)));
    EXPECT_TRUE(graph->HandleGraphEvents(loop, file));
    EXPECT_FALSE(graph->HandleGraphEvents(loop, file)) << "a second notice finds the events taken";
    std::vector<WPARAM> seeks;  // the percentages of the seeks asked for
    for (const Msg& msg : host.TakePosted())
      if (msg.message == WM_USER_SEEKPERCENT) seeks.push_back(msg.wParam);
    EXPECT_EQ(seeks.empty(), !restarts);
    for (const WPARAM percent : seeks) EXPECT_EQ(percent, 0u) << "a restart seeks to the start";
    graph->SeekToPercent(0);  // as the loop restart does
    graph->WaitForSeekTasks();
    EXPECT_TRUE(WaitForFrames(sink.frames()));
  }
}

// Files opened one over another and torn down while frames flow, the streaming thread
// waiting for FrameLock as the frame renderer does (until it is free or GraphBusy is set;
// opening a file holds FrameLock throughout): no deadlock, the replaced file's figures
// logged, and no threads or files left behind.
TEST_F(GraphTest, OpeningAndTearingDownWhileFramesFlowNeverDeadlocksOrLeaks) {
  std::atomic<const std::atomic<bool>*> busy{nullptr};
  const auto wait = +[](GstElement*, GstBuffer*, GstPad*, gpointer data) {
    while (!FrameLock.try_lock()) {
      const std::atomic<bool>* graphBusy = static_cast<std::atomic<const std::atomic<bool>*>*>(data)->load();
      if (graphBusy && graphBusy->load()) return;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    FrameLock.unlock();
  };
  g_signal_connect(sink.element(), "handoff", G_CALLBACK(wait), &busy);
  g_signal_connect(sink.element(), "preroll-handoff", G_CALLBACK(wait), &busy);
  auto graph = MakeGraph();
  busy = &graph->GraphBusyFlag();
  const auto cycle = [&](int i) {
    const bool playing = graph->HasGraph();
    const int before = sink.frames();
    TestLog().Clear();
    ASSERT_TRUE(graph->OpenFile(Clip(i % 2 ? "h264_aac.mkv" : "long.mkv").string())) << i;
    if (playing) { EXPECT_GE(LoggedFramesDrawn(), before) << i; }
    ASSERT_TRUE(WaitForFrames(sink.frames())) << i;
    graph->SeekRelative(true, 10);
    graph->TogglePlayPause();
    graph->WaitForSeekTasks();
    if (i % 2 == 0) graph->TeardownGraph();
  };
  cycle(0);  // GStreamer's own threads and plugin files settle in the first round
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const int threads = ThreadCount();
  const int fds = FdCount();
  for (int i = 1; i <= 8; ++i) cycle(i);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_LE(ThreadCount(), threads + 2);  // GLib keeps a few idle pool threads
  EXPECT_EQ(FdCount(), fds);
  EXPECT_FALSE(graph->HasGraph());
}

}  // namespace
}  // namespace quela::test
