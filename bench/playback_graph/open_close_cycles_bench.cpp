// Open/close cycles of a 1080p H.264 + AAC MP4 through the real playback
// graph and the program's own sink: each cycle opens the file, lets it play
// for a second into a stand-in frame renderer and tears the graph down. Prints
// the resident set size, the heap in use, threads and open descriptors before
// the first cycle and after cycles 1, 5, 10 and the last, and the growth from
// cycle 5 to the last. Whatever keeps growing there is held per file.
// The raw resident size swings by tens of MiB from one cycle to the next:
// glibc keeps the freed 1080p frames in the streaming threads' arenas. So each
// reading is followed by one after malloc_trim, which hands that back, and the
// heap column (bytes allocated through malloc, mapped chunks included) shows
// what is really held.
//   ./playback_graph_cycles [CYCLES]   (default 20, at least 6)
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "bench/playback_graph/graph_bench_support.h"
#include "playback/sink/video_sink_element.h"

namespace quela {
namespace {

constexpr auto kPlayTime = std::chrono::seconds(1);

using bench::CountingRenderer;

// Four seconds at 30 fps with a stereo AAC track.
std::filesystem::path Clip() {
  return bench::Clip("quela-bench-1080p-i420-aac.mp4",
                     "videotestsrc num-buffers=120 pattern=ball motion=sweep "
                     "! video/x-raw,format=I420,width=1920,height=1080,framerate=30/1 ! x264enc speed-preset=ultrafast "
                     "! h264parse ! queue ! mux. "
                     "audiotestsrc num-buffers=173 ! audioconvert ! avenc_aac ! aacparse ! queue ! mux. "
                     "mp4mux name=mux ! filesink location=");
}

struct ProcessFigures {
  double rssMiB = 0;
  double trimmedRssMiB = 0;  // after malloc_trim
  double heapMiB = 0;        // allocated through malloc and not yet freed
  long threads = 0;
  long fds = 0;
};

long Entries(const char* folder) {
  std::error_code error;
  const std::filesystem::directory_iterator it(folder, error);
  return error ? -1 : static_cast<long>(std::distance(it, std::filesystem::directory_iterator()));
}

double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  return -1;
}

ProcessFigures Measure() {
  ProcessFigures figures;
  figures.rssMiB = ResidentMiB();
  const struct mallinfo2 heap = mallinfo2();
  figures.heapMiB = static_cast<double>(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0);
  figures.threads = Entries("/proc/self/task");
  figures.fds = Entries("/proc/self/fd") - 1;  // less the descriptor that lists the folder
  malloc_trim(0);
  figures.trimmedRssMiB = ResidentMiB();
  return figures;
}

void Print(const char* when, long frames, const ProcessFigures& f) {
  std::printf("%-16s %8ld %8.1f %10.1f %8.2f %8ld %5ld\n", when, frames, f.rssMiB, f.trimmedRssMiB, f.heapMiB,
              f.threads, f.fds);
  std::fflush(stdout);
}

int Run(int cycles) {
  const auto clip = Clip();
  if (clip.empty() || !RegisterVideoSinkClass()) {
    std::fprintf(stderr, "no clip or no sink\n");
    return EXIT_FAILURE;
  }
  ElementRef element = CreateVideoSink();
  bench::SinkFigures figures;
  figures.render = VideoRendererOf(element.get());
  CountingRenderer renderer;
  figures.render->SetFrameRenderer(&renderer);
  PlaybackGraphSettings settings;
  settings.audioOutput = "fakeaudiosink";
  int result = EXIT_SUCCESS;
  {
    PlaybackGraph graph(PlaybackGraphHost{}, settings, element.get(), &figures);
    std::printf("%d cycles of %s, %lld ms of playback each\n", cycles, clip.c_str(),
                static_cast<long long>(std::chrono::milliseconds(kPlayTime).count()));
    std::printf("%-16s %8s %8s %10s %8s %8s %5s\n", "", "frames", "VmRSS", "trimmed", "heap", "threads", "fds");
    std::printf("%-16s %8s %8s %10s %8s\n", "", "", "(MiB)", "(MiB)", "(MiB)");
    const ProcessFigures before = Measure();
    Print("before", 0, before);
    ProcessFigures at5;
    ProcessFigures last;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
      const long framesBefore = renderer.frames.load();
      if (!graph.OpenFile(clip.string())) {
        std::fprintf(stderr, "cycle %d: the clip did not open\n", cycle);
        result = EXIT_FAILURE;
        break;
      }
      std::this_thread::sleep_for(kPlayTime);
      graph.TeardownGraph();
      const long frames = renderer.frames.load() - framesBefore;
      if (frames == 0) {
        std::fprintf(stderr, "cycle %d: no frame reached the renderer\n", cycle);
        result = EXIT_FAILURE;
      }
      if (cycle == 1 || cycle == 5 || cycle == 10 || cycle == cycles) {
        last = Measure();
        if (cycle == 5) at5 = last;
        Print(("after cycle " + std::to_string(cycle)).c_str(), frames, last);
      }
    }
    if (result == EXIT_SUCCESS) {
      const double cyclesSince5 = cycles - 5;
      const auto perCycle = [cyclesSince5](double mib) { return mib * 1024.0 / cyclesSince5; };
      std::printf("growth, cycle 5 to %d: VmRSS %+.1f MiB (%+.0f KiB per cycle), "
                  "trimmed %+.1f MiB (%+.0f KiB per cycle),\n"
                  "                       heap %+.0f KiB (%+.1f KiB per cycle), threads %+ld, fds %+ld\n",
                  cycles, last.rssMiB - at5.rssMiB, perCycle(last.rssMiB - at5.rssMiB),
                  last.trimmedRssMiB - at5.trimmedRssMiB, perCycle(last.trimmedRssMiB - at5.trimmedRssMiB),
                  (last.heapMiB - at5.heapMiB) * 1024.0, perCycle(last.heapMiB - at5.heapMiB),
                  last.threads - at5.threads, last.fds - at5.fds);
      std::printf("since before the first: threads %+ld, fds %+ld\n", last.threads - before.threads,
                  last.fds - before.fds);
    }
  }
  figures.render->SetFrameRenderer(nullptr);
  return result;
}

}  // namespace
}  // namespace quela

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 20;
  if (cycles < 6) {
    std::fprintf(stderr, "usage: %s [CYCLES]   (at least 6)\n", argv[0]);
    return EXIT_FAILURE;
  }
  return quela::Run(cycles);
}
