#include "app/config/config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "app/log/g2log.h"
#include "tests/support/temp_dir.h"

namespace quela {
namespace {

using namespace std::string_literals;

// Attaches a worker whose records land in a list of "LEVEL message" lines.
class CapturedLog {
 public:
  CapturedLog() { g2::initializeLogging(worker_.get()); }
  ~CapturedLog() { g2::detachLogging(); }
  std::vector<std::string> Lines() {
    worker_->flush();
    const std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
  std::unique_ptr<g2::LogWorker> worker_ = g2::LogWorker::createWithCallbackSink([this](const g2::LogMessage& r) {
    const std::lock_guard lock(mutex_);
    lines_.push_back(r.level() + " " + r.message());
  });
};

// The INFO lines with the four logged settings as T(rue) or F(alse), and an optional warning.
std::vector<std::string> ExpectedLog(std::string_view logged, const std::string& warning = "") {
  std::vector<std::string> lines = {"INFO Quela.ini Loading.."};
  if (!warning.empty()) lines.push_back("WARNING " + warning);
  const char* names[] = {"MultiSampling", "MirrorToRift", "ForceFallBackFilterSelect", "ExtendedDesktopComptabilityMode"};
  for (int i = 0; i < 4; ++i) lines.push_back("INFO ini: "s + names[i] + " ( " + (logged[i] == 'T' ? "true" : "false") + " )");
  return lines;
}

struct ConfigCase {
  const char* name;
  std::optional<std::string> ini;          // nullopt: no file
  std::function<void(cConfig&)> expected;  // changes from the defaults
  std::string_view logged;
  std::string warning = "";
};

const std::string kAccents = [] {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "\xC3\xA9";
  return text;
}();
const std::string kQuela = "[QUELA_SETTINGS]\n";
const std::string kRender = "[RENDER_SETTINGS]\n";

TEST(LoadINIFileConfigTest, ReadsSettingsAndLogsRawValues) {
  const auto none = [](cConfig&) {};
  const ConfigCase cases[] = {
      {"missing file", std::nullopt, none, "TTFF"},
      {"everything on",
       kRender + "MULTISAMPLING=1\nMIRRORTORIFT=1\nSVP_ENABLED_ON_START=1\nSIMULATED_HMD=1\nHMD_DISPLAY=2\n[COMP_SETTINGS]\n"
           "FORCE_FALLBACK_FILTER_SELECT=1\nEXTENDED_DESKTOP=1\nSVP_FILTER=svp-flow_2\n" + kQuela +
           "DEFAULT_SCREEN_TYPE=6\nDEFAULT_STEREO_MODE=2\nDEFAULT_LOOP=1\nAUTOLOAD_VIDEO_FILEPATH=/srv/a.mkv\n",
       [](cConfig& c) {
         c.svpEnabledOnStart = c.simulatedHmd = c.forceFallbackFilterSelect = c.extendedDesktop = c.defaultLoop = true;
         c.svpFilter = "svp-flow_2";
         c.hmdDisplay = 2;
         c.defaultScreenType = 6;
         c.defaultStereoMode = 2;
         c.autoloadVideoFilePath = "/srv/a.mkv";
       },
       "TTTT"},
      {"2 and -1 logged true but off", kRender + "MULTISAMPLING=2\n[COMP_SETTINGS]\nEXTENDED_DESKTOP=-1\n",
       [](cConfig& c) { c.multiSampling = false; }, "TTFT"},
      {"integer prefixes",
       kRender + "MULTISAMPLING=0x10\nMIRRORTORIFT=1abc\n[COMP_SETTINGS]\nEXTENDED_DESKTOP=+1\n" + kQuela +
           "DEFAULT_SCREEN_TYPE=  -12abc\nDEFAULT_STEREO_MODE=+7\n",
       [](cConfig& c) {
         c.multiSampling = false;
         c.extendedDesktop = true;
         c.defaultScreenType = -12;
         c.defaultStereoMode = 7;
       },
       "FTFT"},
      {"a headset display below -1 means automatic", kRender + "HMD_DISPLAY=-7\n", none, "TTFF"},
      {"autoload Windows path", kQuela + "AUTOLOAD_VIDEO_FILEPATH=C:\\Videos\\clip.mp4\n",
       [](cConfig& c) { c.autoloadVideoFilePath = "C:\\Videos\\clip.mp4"; }, "TTFF"},
      {"autoload bare file name", kQuela + "AUTOLOAD_VIDEO_FILEPATH=clip.mp4\n", none, "TTFF"},
      {"autoload without full stop", kQuela + "AUTOLOAD_VIDEO_FILEPATH=/home/u/clip\n", none, "TTFF"},
      {"autoload cut to 255 characters", kQuela + "AUTOLOAD_VIDEO_FILEPATH=/v/x." + kAccents + "\n",
       [](cConfig& c) { c.autoloadVideoFilePath = "/v/x." + kAccents.substr(0, 250 * 2); }, "TTFF"},
      {"autoload cut loses the full stop", kQuela + "AUTOLOAD_VIDEO_FILEPATH=/v/" + kAccents + ".mp4\n", none, "TTFF"},
      {"names ignore case, wrong section ignored", "[render_settings]\nMultiSampling=0\n" + kQuela + "MIRRORTORIFT=0\n",
       [](cConfig& c) { c.multiSampling = false; }, "FTFF"},
      {"first duplicate wins", kRender + "MULTISAMPLING=0\nMULTISAMPLING=1\n" + kRender + "MIRRORTORIFT=0\n",
       [](cConfig& c) { c.multiSampling = false; }, "FTFF"},
      {"byte-order mark and CRLF", "\xEF\xBB\xBF[RENDER_SETTINGS]\r\nMULTISAMPLING=0\r\nMIRRORTORIFT=0\r\n",
       [](cConfig& c) { c.multiSampling = c.mirrorToRift = false; }, "FFFF"},
      {"binary bytes and NULs", "\x01\xFF garbage \x80\n" + kRender + "MULTISAMPLING=0\0=1\n\xC3\x28\xA0\n=\n[\n"s,
       [](cConfig& c) { c.multiSampling = false; }, "FTFF"},
      {"100 KB line", std::string(100 * 1024, 'z') + "\n" + kRender + "MIRRORTORIFT=0\n",
       [](cConfig& c) { c.mirrorToRift = false; }, "TFFF"},
      {"element name with shell characters", "[COMP_SETTINGS]\nSVP_FILTER=svp ! filesink location=/x\n", none, "TTFF",
       "ini: SVP_FILTER is not an element name (letters, digits, '_', '-', '.', '+'), ignored"},
  };
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::filesystem::path path = c.ini ? dir.Write("quela.ini", *c.ini) : dir.path() / "quela.ini";
    CapturedLog log;
    const std::unique_ptr<cConfig> config = LoadINIFileConfig(path);
    cConfig expected;
    c.expected(expected);
    EXPECT_EQ(*config, expected);
    EXPECT_EQ(log.Lines(), ExpectedLog(c.logged, c.warning));
  }
}

TEST(LoadINIFileConfigTest, UnreadableFilesGiveTheDefaultsAndAWarning) {
  test::TempDir dir;
  const std::filesystem::path fifo = dir.path() / "fifo.ini";  // no writer: reading must not block
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path big = dir.Write("big.ini", kRender + "MULTISAMPLING=0\n" + std::string(1 << 20, ';'));
  const std::pair<std::filesystem::path, std::string> cases[] = {
      {dir.path(), "not a regular file"}, {fifo, "not a regular file"}, {big, "larger than 1048576 bytes"}};
  for (const auto& [path, why] : cases) {
    CapturedLog log;
    EXPECT_EQ(*LoadINIFileConfig(path), cConfig{});
    EXPECT_EQ(log.Lines(), ExpectedLog("TTFF", "ini: cannot read " + path.string() + " (" + why + "), using the defaults"));
  }
}

}  // namespace
}  // namespace quela
