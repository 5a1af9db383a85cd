#pragma once
// Media clips made with GStreamer's own encoders, the log lines written
// meanwhile, and a shell stand-in that records what the graph asks of it.
#include <gst/gst.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "playback/graph/playback_graph.h"

namespace quela::test {

// The path of clip name (see test_media.cpp for the list), made on first use
// in a temporary folder shared by the test processes of one user.
std::filesystem::path Clip(const std::string& name);
// A scratch file in the same folder, holding bytes.
std::filesystem::path ScratchFile(const std::string& name, const std::string& bytes);

// The log's messages since the last Clear. Any thread.
std::vector<std::string> LogLines();
void ClearLog();
bool Logged(const std::string& message);
// The index of message in the log, or -1.
int LogIndex(const std::string& message);

struct RecordingHost {
  std::mutex mutex;
  std::vector<Msg> posted;
  std::map<std::uint32_t, std::uint32_t> timers;  // id -> period
  std::vector<std::string> boxes;
  std::vector<std::pair<std::string, std::int32_t>> seekBar;
  std::map<std::uint32_t, bool> menu;
  int layoutChanges = 0;
  int keepDisplayOn = 0;

  PlaybackGraphHost Host();
  std::vector<Msg> TakePosted();
  bool Posted(std::uint32_t message);
};

// A stock video sink that plays on the clock and counts the frames it gets.
class CountingSink : public SinkStatistics {
 public:
  explicit CountingSink(const char* description = "fakesink sync=true");
  ~CountingSink() override;
  GstElement* element() const { return element_; }
  int frames() const { return frames_.load(); }
  QualityFigures FileFigures() override;

 private:
  GstElement* element_;
  std::atomic<int> frames_{0};
};

// Threads and open file descriptors of this process.
int ThreadCount();
int FdCount();

// Tests run without a sound card: the audio goes to a null output on the clock.
inline constexpr char kTestAudioOutput[] = "fakeaudiosink sync=true";

}  // namespace quela::test
