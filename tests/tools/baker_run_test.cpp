// Runs the baker program as the build does and reads back what it wrote.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"
#include "toolkit/formats/cmo.h"
#include "toolkit/formats/spritefont.h"
#include "tools/asset_recipes.h"

namespace quela::tools::test {
namespace {

struct RunResult {
  int exitCode;
  std::string output;
};

// Runs the baker as the build does: output folder, shader source, font face.

RunResult RunBaker(const std::filesystem::path& outputDir, const std::string& lambertSource) {
  const std::string command = std::string("'") + QUELA_BAKER_PATH + "' '" + outputDir.string() + "' '" + lambertSource +
                              "' '" + QUELA_ITALIC_FACE + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, "popen failed"};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(BakerRun, WritesEveryAssetReadably) {
  const quela::test::TempDir dir;
  const RunResult run = RunBaker(dir.path(), QUELA_LAMBERT_SOURCE);
  ASSERT_EQ(run.exitCode, 0) << run.output;

  for (const AssetRecipe& recipe : AssetRecipes({})) {
    const std::filesystem::path file = dir.path() / recipe.path;
    ASSERT_TRUE(std::filesystem::exists(file)) << recipe.path;
    if (file.extension() == ".cmo") {
      EXPECT_NO_THROW(toolkit::ReadCmoFile(file.string())) << recipe.path;
    } else if (file.extension() == ".spritefont") {
      EXPECT_NO_THROW(toolkit::ReadSpriteFontFile(file.string()));
    } else {
      EXPECT_EQ(quela::test::ReadFile(file), quela::test::ReadFile(QUELA_LAMBERT_SOURCE)) << recipe.path;
    }
  }
  // Whole files only: no partial leftovers beside them.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
    EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
}

TEST(BakerRun, MissingShaderSourceFailsClearlyAndWritesNothing) {
  const quela::test::TempDir dir;
  const RunResult run = RunBaker(dir.path(), "/nonexistent/lambert_dgsl.glsl");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("lambert.dgsl.cso"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("/nonexistent/lambert_dgsl.glsl"), std::string::npos) << run.output;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace quela::tools::test
