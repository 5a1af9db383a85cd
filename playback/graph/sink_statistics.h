#pragma once
// What the graph reads from the video sink when a graph is torn down: the
// quality figures of the file that just played. The program's sink implements it.
#include <string>

#include "playback/sink/renderer_quality.h"

namespace quela {

class SinkStatistics {
 public:
  virtual ~SinkStatistics() = default;
  // The figures since the sink last started a file. Main thread, with the pipeline stopped.
  virtual QualityFigures FileFigures() = 0;
};

// "Video Statistics, Frames Drawn 250, Frames Dropped 0, Average Frame Rate 25.00 fps, Jitter 3 ms"
std::string StatisticsLine(const QualityFigures& figures);

}  // namespace quela
