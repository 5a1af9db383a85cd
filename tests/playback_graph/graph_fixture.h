#pragma once
// Clips made with GStreamer's encoders, the log, a shell stand-in recording what the graph
// asks of it, and a graph around a counting stock sink with a null audio output.
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/graph/playback_graph.h"
#include "tests/support/log_capture.h"
#include "tests/support/play_until_end.h"

namespace quela::test {

// A temporary folder shared by the test processes of one user.
inline std::filesystem::path MediaFolder() {
  static const std::filesystem::path folder = [] {
    auto path = std::filesystem::temp_directory_path() / ("quela-graph-media-" + std::to_string(getuid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

// A scratch file in the media folder, holding bytes.
inline std::filesystem::path ScratchFile(const std::string& name, const std::string& bytes) {
  const std::filesystem::path path = MediaFolder() / (std::to_string(getpid()) + "-" + name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// Plays a gst-launch description to its end; true at EOS.
inline bool RunToEnd(const std::string& description) {
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (error) {
    ADD_FAILURE() << description << ": " << error->message;
    g_error_free(error);
    if (pipeline) gst_object_unref(pipeline);
    return false;
  }
  const bool ok = PlayUntilEnd(pipeline, 120 * GST_SECOND) == GST_MESSAGE_EOS;
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

// The path of clip name, made on first use in the media folder. Small and short,
// so the suite stays quick on two cores.
inline std::filesystem::path Clip(const std::string& name) {
  gst_init(nullptr, nullptr);
  const std::filesystem::path path = MediaFolder() / name;
  if (std::filesystem::exists(path)) return path;
  const std::filesystem::path partial = MediaFolder() / (name + "." + std::to_string(getpid()) + ".part");
  const std::string out = " ! filesink location=" + partial.string();
  const std::string v = "videotestsrc num-buffers=50 pattern=ball ! video/x-raw,width=160,height=120,framerate=25/1";
  const std::string a = "audiotestsrc num-buffers=40 samplesperbuffer=2205 ! audio/x-raw,rate=44100,channels=2";
  const std::string h264 = " ! x264enc speed-preset=ultrafast key-int-max=10 ! h264parse";
  const auto mkv = [&](const std::string& video, const std::string& audio) {
    return "matroskamux name=m" + out + " " + video + " ! m. " + audio + " ! m.";
  };
  const std::string srt = name != "subtitles_only.mkv" ? "" : ScratchFile("subtitles.srt",
      "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> 00:00:02,000\nWorld\n\n").string();
  const std::map<std::string, std::string> recipes = {
      {"h264_aac.mkv", mkv(v + h264, a + " ! avenc_aac")},
      {"h264_vorbis.mkv", mkv(v + h264, a + " ! vorbisenc")},
      {"vp8_odd.mkv", "videotestsrc num-buffers=30 ! video/x-raw,width=161,height=97,framerate=25/1 "
                      "! vp8enc deadline=1 ! matroskamux" + out},
      {"aac_only.mkv", a + " ! avenc_aac ! aacparse ! matroskamux" + out},
      {"theora.ogg", v + " ! theoraenc ! oggmux" + out},
      {"tone.mp3", a + " ! lamemp3enc" + out},
      {"subtitles_only.mkv", "filesrc location=" + srt + " ! subparse ! matroskamux" + out},
      // 30 s with a key frame every second: room for the 10 and 60 second seeks.
      {"long.mkv", mkv("videotestsrc num-buffers=300 pattern=ball ! video/x-raw,width=64,height=48,framerate=10/1" + h264,
                       "audiotestsrc num-buffers=300 samplesperbuffer=4410 ! audio/x-raw,rate=44100 ! avenc_aac")},
  };
  const auto recipe = recipes.find(name);
  if (recipe != recipes.end() && RunToEnd(recipe->second)) std::filesystem::rename(partial, path);  // never half a file
  EXPECT_TRUE(std::filesystem::exists(path)) << name;
  return path;
}

// The log's messages since the last Clear. Any thread.
inline LogCapture& TestLog() {
  static LogCapture* log = new LogCapture;  // lives to the process's end: streaming threads may still log
  return *log;
}
inline bool Logged(const std::string& message) { return TestLog().Logged(message); }

struct RecordingHost {
  std::mutex mutex;
  std::vector<Msg> posted;
  std::map<std::uint32_t, std::uint32_t> timers;  // id -> period
  std::vector<std::string> boxes;
  std::vector<std::pair<std::string, std::int32_t>> seekBar;
  std::map<std::uint32_t, bool> menu;
  int layoutChanges = 0;

  PlaybackGraphHost Host() {
    PlaybackGraphHost host;
    host.postMessage = [this](std::uint32_t message, WPARAM wParam, LPARAM lParam) {
      std::lock_guard lock(mutex);
      posted.push_back({message, wParam, lParam});
    };
    host.setTimer = [this](std::uint32_t id, std::uint32_t period) { timers[id] = period; };
    host.killTimer = [this](std::uint32_t id) { timers.erase(id); };
    host.showMessageBox = [this](const std::string& caption, const std::string& text) {
      boxes.push_back(caption + "|" + text);
    };
    host.enableMenuItem = [this](std::uint32_t id, bool enabled) { menu[id] = enabled; };
    host.setLayoutChanged = [this] { ++layoutChanges; };
    host.setSeekBar = [this](const std::string& text, std::int32_t percent) {
      std::lock_guard lock(mutex);
      seekBar.emplace_back(text, percent);
    };
    return host;
  }
  std::vector<Msg> TakePosted() {
    std::lock_guard lock(mutex);
    return std::exchange(posted, {});
  }
  bool Posted(std::uint32_t message) {
    std::lock_guard lock(mutex);
    return std::any_of(posted.begin(), posted.end(), [&](const Msg& msg) { return msg.message == message; });
  }
};

// A stock video sink that plays on the clock and counts the frames it gets.
class CountingSink : public SinkStatistics {
 public:
  explicit CountingSink(const char* description = "fakesink sync=true") {
    gst_init(nullptr, nullptr);
    TestLog();
    element_ = static_cast<GstElement*>(gst_object_ref_sink(gst_parse_launch(description, nullptr)));
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element_), "signal-handoffs"))
      g_object_set(element_, "signal-handoffs", TRUE, nullptr);
    g_signal_connect(element_, "handoff", G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer data) {
                       ++*static_cast<std::atomic<int>*>(data);
                     }), &frames_);
  }
  ~CountingSink() override {
    gst_element_set_state(element_, GST_STATE_NULL);
    gst_object_unref(element_);
  }
  GstElement* element() const { return element_; }
  int frames() const { return frames_.load(); }
  QualityFigures FileFigures() override { return QualityFigures{frames(), 0, 0, 0}; }

 private:
  GstElement* element_;
  std::atomic<int> frames_{0};
};

// Threads and open file descriptors of this process.
inline int Entries(const char* folder) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), {}));
}
inline int ThreadCount() { return Entries("/proc/self/task"); }
inline int FdCount() { return Entries("/proc/self/fd"); }

// Until done() or timeout; false after timeout.
template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  for (const auto end = std::chrono::steady_clock::now() + timeout; !done();) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override { TestLog().Clear(); }

  // Tests run without a sound card: the audio goes to a null output on the clock.
  static PlaybackGraphSettings Settings() {
    PlaybackGraphSettings settings;
    settings.audioOutput = "fakeaudiosink sync=true";
    settings.prerollTimeout = std::chrono::seconds(3);
    return settings;
  }
  std::unique_ptr<PlaybackGraph> MakeGraph(PlaybackGraphSettings settings = Settings()) {
    return std::make_unique<PlaybackGraph>(host.Host(), settings, sink.element(), &sink);
  }
  // Waits until the sink has more than frames frames; false after 5 s.
  bool WaitForFrames(int frames) {
    return WaitFor([&] { return sink.frames() > frames; });
  }
  // Frames Drawn in the first statistics line logged; -1 without one.
  static int LoggedFramesDrawn() {
    const std::string prefix = "Video Statistics, Frames Drawn ";
    for (const std::string& line : TestLog().Lines())
      if (line.starts_with(prefix)) return std::stoi(line.substr(prefix.size()));
    return -1;
  }

  RecordingHost host;
  CountingSink sink;
};

}  // namespace quela::test
