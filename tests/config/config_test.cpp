#include "app/config/config.h"
#include "app/config/config_location.h"
#include "app/config/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace quela {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// The INFO lines with the four logged settings as T(rue) or F(alse), and an optional warning.
std::vector<std::string> ExpectedLog(std::string_view logged, const std::string& warning = "") {
  std::vector<std::string> lines = {"INFO Quela.ini Loading.."};
  if (!warning.empty()) lines.push_back("WARNING " + warning);
  const char* names[] = {"MultiSampling", "MirrorToRift", "ForceFallBackFilterSelect", "ExtendedDesktopComptabilityMode"};
  for (int i = 0; i < 4; ++i) lines.push_back("INFO ini: "s + names[i] + " ( " + (logged[i] == 'T' ? "true" : "false") + " )");
  return lines;
}

const std::string kQuela = "[QUELA_SETTINGS]\n";
const std::string kRender = "[RENDER_SETTINGS]\n";

TEST(LoadINIFileConfigTest, ReadsSettingsAndLogsRawValues) {
  std::string accents;  // 300 two-byte characters
  for (int i = 0; i < 300; ++i) accents += "\xC3\xA9";
  const auto none = [](cConfig&) {};
  const struct {
    const char* name;
    std::optional<std::string> ini;          // nullopt: no file
    std::function<void(cConfig&)> expected;  // changes from the defaults
    std::string_view logged;
    std::string warning = "";
  } cases[] = {
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
      {"a headset display below -1 means automatic", kRender + "HMD_DISPLAY=-7\n", none, "TTFF"},
      {"autoload Windows path", kQuela + "AUTOLOAD_VIDEO_FILEPATH=C:\\Videos\\clip.mp4\n",
       [](cConfig& c) { c.autoloadVideoFilePath = "C:\\Videos\\clip.mp4"; }, "TTFF"},
      {"autoload bare file name", kQuela + "AUTOLOAD_VIDEO_FILEPATH=clip.mp4\n", none, "TTFF"},
      {"autoload without full stop", kQuela + "AUTOLOAD_VIDEO_FILEPATH=/home/u/clip\n", none, "TTFF"},
      {"autoload cut to 255 characters", kQuela + "AUTOLOAD_VIDEO_FILEPATH=/v/x." + accents + "\n",
       [&](cConfig& c) { c.autoloadVideoFilePath = "/v/x." + accents.substr(0, 250 * 2); }, "TTFF"},
      {"autoload cut loses the full stop", kQuela + "AUTOLOAD_VIDEO_FILEPATH=/v/" + accents + ".mp4\n", none, "TTFF"},
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::filesystem::path path = c.ini ? dir.Write("quela.ini", *c.ini) : dir.path() / "quela.ini";
    test::LogCapture log(true);
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
    test::LogCapture log(true);
    EXPECT_EQ(*LoadINIFileConfig(path), cConfig{});
    EXPECT_EQ(log.Lines(), ExpectedLog("TTFF", "ini: cannot read " + path.string() + " (" + why + "), using the defaults"));
  }
}

TEST(IniFileTest, LooksUpValuesTheWayTheProfileFunctionsDo) {
  constexpr std::string_view kMissing = "<default>";
  const std::pair<std::string_view, std::string_view> cases[] = {  // text, value of [S] K
      {"  [ s ]  \n\t k \t=  a b \t\n", "a b"},
      {"[S]\nA=1\n[S]\nK=2\n", kMissing},  // only the first section of a name is searched
      {"K=1\n[S]\n", kMissing},
      {"[S]\n;K=1\nK=3", "3"},
      {"[S]\nK\n=x\nK=v", "v"},
      {"[S\nK=v", "v"},
      {"[S]\nK=\" a b \"", " a b "},
      {"[S]\nK=\"x'", "\"x'"},
      {"[S]\nK=ab\0cd\n"sv, "ab"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(IniFile::Parse(text).GetString("S", "K", kMissing), expected) << text;
  // An empty value is an empty string, but gives an integer its default.
  const IniFile empty = IniFile::Parse("[S]\nK=\nQ=\"\"\n");
  EXPECT_EQ(empty.GetString("S", "K", "d"), "");
  EXPECT_EQ(empty.GetInt("S", "K", 5), 5);
  EXPECT_EQ(empty.GetInt("S", "Q", 5), 5);
  // Integers read their leading decimal digits and saturate.
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::pair<std::string_view, std::int32_t> ints[] = {
      {"+7", 7},   {"  -12abc", -12}, {"1.9", 1},           {"0x10", 0},
      {"- 5", 0},  {"2147483647", kMax}, {"4294967297", kMax}, {"-2147483649", kMin}};
  for (const auto& [value, expected] : ints) EXPECT_EQ(ProfileInt(value), expected) << value;
}

TEST(FindConfigFileTest, WorkingDirectoryFirstThenTheUsersConfigFolder) {
  const char* kXdgFile = "xdg/quela/quela.ini";
  const char* kHomeFile = "home/.config/quela/quela.ini";
  const struct {
    std::vector<const char*> files;  // all paths relative to a fresh folder
    const char* xdgConfigHome;       // nullptr: unset; a leading '!' passes the rest as is
    const char* home;                // nullptr: unset
    const char* expected;            // "": none
  } cases[] = {
      {{"work/quela.ini", kXdgFile}, "xdg", "home", "work/quela.ini"},
      {{kXdgFile, kHomeFile}, "xdg", "home", kXdgFile},
      {{kHomeFile}, "xdg", "home", ""},  // a set XDG_CONFIG_HOME replaces ~/.config
      {{kHomeFile}, nullptr, "home", kHomeFile},
      {{kHomeFile}, "!relative", "home", kHomeFile},
      {{}, nullptr, nullptr, ""},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "work");
    for (const char* file : c.files) dir.Write(file, "[S]\n");
    ConfigLocations where{dir.path() / "work", "", ""};
    if (c.xdgConfigHome) where.xdgConfigHome = *c.xdgConfigHome == '!' ? c.xdgConfigHome + 1 : dir.path() / c.xdgConfigHome;
    if (c.home) where.home = dir.path() / c.home;
    EXPECT_EQ(FindConfigFile(where), *c.expected ? dir.path() / c.expected : std::filesystem::path()) << c.expected;
  }
}

}  // namespace
}  // namespace quela
