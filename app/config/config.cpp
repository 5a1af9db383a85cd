#include "app/config/config.h"

#include <algorithm>
#include <string_view>

#include "app/config/ini_file.h"
#include "app/config/text_file.h"
#include "app/log/g2log.h"

namespace quela {
namespace {

// The Windows program read the path into 256 wide characters.
constexpr std::size_t kMaxAutoloadCharacters = 255;

// Bytes taken by the UTF-8 character starting at text[at]; a byte that does not
// start a well-formed sequence counts as one character on its own.
std::size_t Utf8CharacterBytes(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
  if (at + length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// Cuts raw to 255 characters, then keeps it only if it looks like a file path.
std::string AutoloadPath(std::string_view raw) {
  std::size_t bytes = 0;
  std::size_t characters = 0;
  while (bytes < raw.size() && characters < kMaxAutoloadCharacters) {
    bytes += Utf8CharacterBytes(raw, bytes);
    ++characters;
  }
  const std::string_view path = raw.substr(0, bytes);
  // Both separators count: a Linux path has only forward slashes.
  const bool hasSeparator = path.find_first_of("/\\") != std::string_view::npos;
  const bool hasFullStop = path.find('.') != std::string_view::npos;
  return characters >= 2 && hasSeparator && hasFullStop ? std::string(path) : std::string();
}

bool IsElementName(std::string_view name) {
  return !name.empty() && name.size() <= 255 && std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                  c == '.' || c == '+';
         });
}

const char* TrueFalse(std::int32_t raw) { return raw != 0 ? "true" : "false"; }

IniFile ReadIni(const std::filesystem::path& iniPath) {
  if (iniPath.empty()) return IniFile::Parse("");
  const TextFileResult file = ReadTextFile(iniPath, IniFile::kMaxFileBytes);
  if (file.status == TextFileResult::Status::kError) {
    LOG(WARNING) << "ini: cannot read " << iniPath.string() << " (" << file.error << "), using the defaults";
  }
  return IniFile::Parse(file.text);
}

}  // namespace

std::unique_ptr<cConfig> LoadINIFileConfig(const std::filesystem::path& iniPath) {
  LOG(INFO) << "Quela.ini Loading..";
  const IniFile ini = ReadIni(iniPath);

  const std::int32_t multiSampling = ini.GetInt("RENDER_SETTINGS", "MULTISAMPLING", 1);
  const std::int32_t mirrorToRift = ini.GetInt("RENDER_SETTINGS", "MIRRORTORIFT", 1);
  const std::int32_t svpEnabledOnStart = ini.GetInt("RENDER_SETTINGS", "SVP_ENABLED_ON_START", 0);
  const std::int32_t forceFallback = ini.GetInt("COMP_SETTINGS", "FORCE_FALLBACK_FILTER_SELECT", 0);
  const std::int32_t extendedDesktop = ini.GetInt("COMP_SETTINGS", "EXTENDED_DESKTOP", 0);

  auto config = std::make_unique<cConfig>();
  config->multiSampling = multiSampling == 1;
  config->mirrorToRift = mirrorToRift == 1;
  config->svpEnabledOnStart = svpEnabledOnStart == 1;
  config->forceFallbackFilterSelect = forceFallback == 1;
  config->extendedDesktop = extendedDesktop == 1;
  config->defaultScreenType = ini.GetInt("QUELA_SETTINGS", "DEFAULT_SCREEN_TYPE", 0);
  config->defaultStereoMode = ini.GetInt("QUELA_SETTINGS", "DEFAULT_STEREO_MODE", 0);
  config->defaultLoop = ini.GetInt("QUELA_SETTINGS", "DEFAULT_LOOP", 0) == 1;
  config->autoloadVideoFilePath = AutoloadPath(ini.GetString("QUELA_SETTINGS", "AUTOLOAD_VIDEO_FILEPATH", ""));
  config->simulatedHmd = ini.GetInt("RENDER_SETTINGS", "SIMULATED_HMD", 0) == 1;
  config->hmdDisplay = std::max(-1, ini.GetInt("RENDER_SETTINGS", "HMD_DISPLAY", -1));

  const std::string svpFilter = ini.GetString("COMP_SETTINGS", "SVP_FILTER", "");
  if (IsElementName(svpFilter)) {
    config->svpFilter = svpFilter;
  } else if (!svpFilter.empty()) {
    LOG(WARNING) << "ini: SVP_FILTER is not an element name (letters, digits, '_', '-', '.', '+'), ignored";
  }

  // The log shows the raw value: 2 reads "true" although only 1 turns a setting on.
  LOGF(INFO, "ini: MultiSampling ( %s )", TrueFalse(multiSampling));
  LOGF(INFO, "ini: MirrorToRift ( %s )", TrueFalse(mirrorToRift));
  LOGF(INFO, "ini: ForceFallBackFilterSelect ( %s )", TrueFalse(forceFallback));
  LOGF(INFO, "ini: ExtendedDesktopComptabilityMode ( %s )", TrueFalse(extendedDesktop));
  return config;
}

}  // namespace quela
