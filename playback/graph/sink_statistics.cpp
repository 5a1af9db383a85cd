#include "playback/graph/sink_statistics.h"

#include <cstdio>
#include <cstdlib>

namespace quela {

std::string StatisticsLine(const QualityFigures& figures) {
  char text[160];
  std::snprintf(text, sizeof text,
                "Video Statistics, Frames Drawn %d, Frames Dropped %d, Average Frame Rate %d.%02d fps, Jitter %d ms",
                figures.framesDrawn, figures.framesDropped, figures.averageFrameRate / 100,
                std::abs(figures.averageFrameRate % 100), figures.jitter);
  return text;
}

}  // namespace quela
