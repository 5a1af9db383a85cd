#include "tests/playback_graph/test_media.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/log_capture.h"

namespace quela::test {

namespace {

struct ClipRecipe {
  std::string name;
  std::string pipeline;  // "OUT" stands for the output file
};

// Small and short, so the suite stays quick on two cores.
const std::vector<ClipRecipe>& Recipes() {
  static const std::vector<ClipRecipe> recipes = [] {
    const std::string v = "videotestsrc num-buffers=50 pattern=ball ! video/x-raw,width=160,height=120,framerate=25/1";
    const std::string a = "audiotestsrc num-buffers=40 samplesperbuffer=2205 ! audio/x-raw,rate=44100,channels=2";
    const std::string h264 = " ! x264enc speed-preset=ultrafast key-int-max=10 ! h264parse";
    const auto muxed = [](const std::string& mux, const std::string& video, const std::string& audio) {
      return mux + " name=m ! filesink location=OUT " + video + " ! m. " + audio + " ! m.";
    };
    return std::vector<ClipRecipe>{
        {"h264_aac.mkv", muxed("matroskamux", v + h264, a + " ! avenc_aac")},
        {"h264_vorbis.mkv", muxed("matroskamux", v + h264, a + " ! vorbisenc")},
        {"vp8_odd.mkv", "videotestsrc num-buffers=30 ! video/x-raw,width=161,height=97,framerate=25/1 ! "
                        "vp8enc deadline=1 ! matroskamux ! filesink location=OUT"},
        {"aac_only.mkv", a + " ! avenc_aac ! aacparse ! matroskamux ! filesink location=OUT"},
        {"theora.ogg", v + " ! theoraenc ! oggmux ! filesink location=OUT"},
        {"tone.mp3", a + " ! lamemp3enc ! filesink location=OUT"},
        {"subtitles_only.mkv", "filesrc location=SRT ! subparse ! matroskamux ! filesink location=OUT"},
        // 30 s with a key frame every second: room for the 10 and 60 second seeks.
        {"long.mkv", muxed("matroskamux",
                           "videotestsrc num-buffers=300 pattern=ball ! video/x-raw,width=64,height=48,framerate=10/1 "
                           "! x264enc speed-preset=ultrafast key-int-max=10 ! h264parse",
                           "audiotestsrc num-buffers=300 samplesperbuffer=4410 ! audio/x-raw,rate=44100 ! avenc_aac")},
    };
  }();
  return recipes;
}

std::filesystem::path MediaFolder() {
  static const std::filesystem::path folder = [] {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quela-graph-media-" + std::to_string(getuid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

bool RunToEnd(const std::string& description) {
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (error) {
    ADD_FAILURE() << description << ": " << error->message;
    g_error_free(error);
    if (pipeline) gst_object_unref(pipeline);
    return false;
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message =
      gst_bus_timed_pop_filtered(bus, 120 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message) gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

LogCapture& Store() {
  static LogCapture* store = new LogCapture;  // lives to the process's end: streaming threads may still log
  return *store;
}

}  // namespace

std::filesystem::path Clip(const std::string& name) {
  gst_init(nullptr, nullptr);
  const std::filesystem::path path = MediaFolder() / name;
  if (std::filesystem::exists(path)) return path;
  for (const ClipRecipe& recipe : Recipes()) {
    if (name != recipe.name) continue;
    const std::filesystem::path partial = MediaFolder() / (name + "." + std::to_string(getpid()) + ".part");
    std::string description = recipe.pipeline;
    description.replace(description.find("OUT"), 3, partial.string());
    if (const std::size_t srt = description.find("SRT"); srt != std::string::npos)
      description.replace(srt, 3, ScratchFile("subtitles.srt", "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n"
                                                               "2\n00:00:01,000 --> 00:00:02,000\nWorld\n\n").string());
    if (RunToEnd(description)) std::filesystem::rename(partial, path);  // others never see half a file
    break;
  }
  EXPECT_TRUE(std::filesystem::exists(path)) << name;
  return path;
}

std::filesystem::path ScratchFile(const std::string& name, const std::string& bytes) {
  const std::filesystem::path path = MediaFolder() / (std::to_string(getpid()) + "-" + name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::vector<std::string> LogLines() { return Store().Lines(); }

void ClearLog() { Store().Clear(); }

int LogIndex(const std::string& message) {
  const std::vector<std::string> lines = LogLines();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == message) return static_cast<int>(i);
  return -1;
}

bool Logged(const std::string& message) { return LogIndex(message) >= 0; }

PlaybackGraphHost RecordingHost::Host() {
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
  host.keepDisplayOn = [this] { ++keepDisplayOn; };
  host.setSeekBar = [this](const std::string& text, std::int32_t percent) {
    std::lock_guard lock(mutex);
    seekBar.emplace_back(text, percent);
  };
  return host;
}

std::vector<Msg> RecordingHost::TakePosted() {
  std::lock_guard lock(mutex);
  return std::exchange(posted, {});
}

bool RecordingHost::Posted(std::uint32_t message) {
  std::lock_guard lock(mutex);
  for (const Msg& msg : posted)
    if (msg.message == message) return true;
  return false;
}

CountingSink::CountingSink(const char* description) {
  gst_init(nullptr, nullptr);
  Store();
  element_ = gst_parse_launch(description, nullptr);
  gst_object_ref_sink(element_);
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(element_), "signal-handoffs"))
    g_object_set(element_, "signal-handoffs", TRUE, nullptr);
  g_signal_connect(element_, "handoff", G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer data) {
                     ++*static_cast<std::atomic<int>*>(data);
                   }),
                   &frames_);
}

CountingSink::~CountingSink() {
  gst_element_set_state(element_, GST_STATE_NULL);
  gst_object_unref(element_);
}

QualityFigures CountingSink::FileFigures() { return QualityFigures{frames(), 0, 0, 0}; }

int ThreadCount() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}));
}

int FdCount() { return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})); }

}  // namespace quela::test
