#include "ovr/headset_display.h"

#include <cctype>

namespace quela::ovr {
namespace {

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : std::string(text) + " ") {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else {
      if (word.size() >= 3) words.push_back(word);
      word.clear();
    }
  }
  return words;
}

bool SharesAWord(std::string_view a, std::string_view b) {
  for (const std::string& x : Words(a))
    for (const std::string& y : Words(b))
      if (x == y) return true;
  return false;
}

}  // namespace

int ChooseHeadsetDisplay(const std::vector<DisplayInfo>& displays, ovrSizei panel, std::string_view productName,
                         int configured) {
  const int count = static_cast<int>(displays.size());
  if (configured >= 0 && configured < count) return configured;
  std::vector<int> sized;
  for (int i = 0; i < count; ++i) {
    const DisplayInfo& d = displays[i];
    if ((d.width == panel.w && d.height == panel.h) || (d.width == panel.h && d.height == panel.w)) sized.push_back(i);
  }
  for (int i : sized)
    if (SharesAWord(displays[i].name, productName)) return i;
  std::vector<int> secondary;
  for (int i : sized)
    if (i != 0) secondary.push_back(i);
  return secondary.size() == 1 ? secondary.front() : -1;
}

}  // namespace quela::ovr
