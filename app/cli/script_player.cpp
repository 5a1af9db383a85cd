#include "app/cli/script_player.h"

#include <algorithm>

namespace quela {

ScriptPlayer::ScriptPlayer(std::vector<ScriptCommand> commands) : commands_(std::move(commands)) {
  std::stable_sort(commands_.begin(), commands_.end(),
                   [](const ScriptCommand& a, const ScriptCommand& b) { return a.seconds < b.seconds; });
}

std::vector<ScriptCommand> ScriptPlayer::Due(double nowSeconds) {
  std::vector<ScriptCommand> due;
  // A NaN clock compares false and hands out nothing.
  while (next_ < commands_.size() && commands_[next_].seconds <= nowSeconds) {
    due.push_back(std::move(commands_[next_++]));
  }
  return due;
}

}  // namespace quela
