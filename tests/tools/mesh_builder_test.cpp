#include "tools/mesh_builder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quela::tools::test {
namespace {

TEST(MeshBuilder, RefusesMoreVerticesThanSixteenBitIndicesReach) {
  MeshBuilder builder;
  builder.AddSurface([](float u, float v) { return SurfacePoint{{u, -v, 0}, {0, 0, 1}}; }, 256, 256);
  EXPECT_THROW(builder.Build("big", "big", {}), std::length_error);
}

}  // namespace
}  // namespace quela::tools::test
