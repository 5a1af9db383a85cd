#include "app/config/ini_file.h"

#include <gtest/gtest.h>

#include <limits>

namespace quela {
namespace {

using namespace std::string_view_literals;

TEST(ProfileIntTest, ReadsLeadingDecimalDigitsAndSaturates) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const std::pair<std::string_view, std::int32_t> cases[] = {
      {"+7", 7},   {"  -12abc", -12}, {"1.9", 1},           {"0x10", 0},
      {"- 5", 0},  {"2147483647", kMax}, {"4294967297", kMax}, {"-2147483649", kMin}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(ProfileInt(value), expected) << value;
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
}

TEST(IniFileTest, EmptyValueGivesTheIntegerDefault) {
  const IniFile ini = IniFile::Parse("[S]\nK=\nQ=\"\"\n");
  EXPECT_EQ(ini.GetInt("S", "K", 5), 5);
  EXPECT_EQ(ini.GetInt("S", "Q", 5), 5);
  EXPECT_EQ(ini.GetString("S", "K", "d"), "");
}

}  // namespace
}  // namespace quela
