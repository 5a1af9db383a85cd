// Opening and tearing down while frames flow: no deadlock, no leaked pipeline, figures per file.
#include <gtest/gtest.h>

#include "playback/sink/d2d_video_render.h"
#include "playback/sink/video_sink_element.h"
#include "tests/playback_graph/graph_fixture.h"

namespace quela::test {
namespace {

TEST_F(GraphTest, SecondFileWhileTheFirstPlaysLogsTheFirstFilesFigures) {
  auto graph = MakeGraph();
  ASSERT_TRUE(graph->OpenFile(Clip("long.mkv").string()));
  ASSERT_TRUE(WaitForFrames(3));
  const int before = sink.frames();
  ASSERT_TRUE(graph->OpenFile(Clip("h264_aac.mkv").string()));
  EXPECT_GE(LoggedFramesDrawn(), before);
  EXPECT_TRUE(WaitForFrames(sink.frames()));  // the reused sink draws the second file
}

// The streaming thread waits for FrameLock as the frame renderer does: until it is
// free, or GraphBusy is set. Opening a file holds FrameLock throughout.
TEST_F(GraphTest, OpeningWhileTheStreamingThreadWaitsForFrameLockNeverDeadlocks) {
  struct Waiter {
    std::atomic<const std::atomic<bool>*> busy{nullptr};
  } waiter;
  const auto wait = +[](GstElement*, GstBuffer*, GstPad*, gpointer data) {
    auto* self = static_cast<Waiter*>(data);
    while (!FrameLock.try_lock()) {
      const std::atomic<bool>* busy = self->busy.load();
      if (busy && busy->load()) return;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    FrameLock.unlock();
  };
  g_signal_connect(sink.element(), "handoff", G_CALLBACK(wait), &waiter);
  g_signal_connect(sink.element(), "preroll-handoff", G_CALLBACK(wait), &waiter);
  auto graph = MakeGraph();
  waiter.busy = &graph->GraphBusyFlag();
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(graph->OpenFile(Clip(i % 2 ? "h264_aac.mkv" : "long.mkv").string())) << i;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  graph->TeardownGraph();
}

TEST_F(GraphTest, RepeatedOpenPlaySeekTeardownLeaksNoThreadsOrFiles) {
  auto graph = MakeGraph();
  const auto cycle = [&] {
    ASSERT_TRUE(graph->OpenFile(Clip("long.mkv").string()));
    ASSERT_TRUE(WaitForFrames(sink.frames()));
    graph->SeekRelative(true, 10);
    graph->TogglePlayPause();
    graph->WaitForSeekTasks();
    graph->TeardownGraph();
  };
  cycle();  // GStreamer's own threads and plugin files settle in the first round
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const int threads = ThreadCount();
  const int fds = FdCount();
  for (int i = 0; i < 8; ++i) cycle();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_LE(ThreadCount(), threads + 2);  // GLib keeps a few idle pool threads
  EXPECT_EQ(FdCount(), fds);
  EXPECT_FALSE(graph->HasGraph());
}

// The program's own sink, reused across files, reports its figures at each teardown.
TEST_F(GraphTest, PlaysIntoTheProgramsVideoSink) {
  ASSERT_TRUE(RegisterVideoSinkClass());
  ElementRef element = CreateVideoSink();
  ASSERT_NE(element, nullptr);
  struct Figures : SinkStatistics {
    CD2DVideoRender* render;
    QualityFigures FileFigures() override { return render->Figures(); }
  } figures;
  struct DrawingRenderer : FrameRendererSink {
    void MediaTypeChanged(const FrameFormat&) override {}
    DrawResult DrawFrame(const std::uint8_t*, std::ptrdiff_t, const FrameFormat&) override { return DrawResult::kDrawn; }
    void Unblock() override {}
    void Resume() override {}
  } drawing;
  figures.render = VideoRendererOf(element.get());
  figures.render->SetFrameRenderer(&drawing);
  {
    PlaybackGraph graph(host.Host(), Settings(), element.get(), &figures);
    for (const char* clip : {"h264_aac.mkv", "vp8_odd.mkv"}) {
      ClearLog();
      ASSERT_TRUE(graph.OpenFile(Clip(clip).string())) << clip;
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
      graph.TeardownGraph();
      EXPECT_GT(LoggedFramesDrawn(), 5) << clip;
    }
  }
}

}  // namespace
}  // namespace quela::test
