#pragma once
// Hands out script commands as the frame clock reaches their times.
#include <cstddef>
#include <vector>

#include "app/cli/script.h"

namespace quela {

class ScriptPlayer {
 public:
  // Orders commands by time; commands with equal times keep their order in the file.
  explicit ScriptPlayer(std::vector<ScriptCommand> commands);

  // Commands timed at or before nowSeconds not handed out before, in time order; each is handed out once. Main thread.
  std::vector<ScriptCommand> Due(double nowSeconds);

 private:
  std::vector<ScriptCommand> commands_;
  std::size_t next_ = 0;
};

}  // namespace quela
