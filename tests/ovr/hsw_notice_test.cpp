#include <gtest/gtest.h>

#include "ovr/hsw_notice.h"

namespace {

using quela::ovr::HswNotice;

// Hidden until shown (an earlier request does not carry over), then kept until dismissed, once per run.
TEST(HswNotice, ShownOncePerRunAndKeptUntilDismissed) {
  HswNotice notice;
  EXPECT_FALSE(notice.Displayed());
  EXPECT_FALSE(notice.RequestDismiss(0.0));
  notice.Show(0.0, false);
  notice.Update(1000.0);
  EXPECT_TRUE(notice.Displayed());
  ASSERT_TRUE(notice.RequestDismiss(1000.0));
  notice.Show(1001.0, false);
  EXPECT_FALSE(notice.Displayed());
}

// Dismissal requests at various times after the notice appears at t = 10.
TEST(HswNotice, DismissalWaitsForTheDelay) {
  const struct {
    bool newProfile;
    double requestAt;
    bool goneAtRequest;
    double goneBy;  // first time it is no longer displayed
  } rows[] = {
      {false, 16.0, true, 16.0},   // exactly at 6 s
      {false, 11.0, false, 16.0},  // early: remembered
      {true, 16.0, false, 25.0},   // new profile: 15 s
  };
  for (const auto& row : rows) {
    HswNotice notice;
    notice.Show(10.0, row.newProfile);
    EXPECT_DOUBLE_EQ(notice.State().StartTime, 10.0);
    EXPECT_DOUBLE_EQ(notice.State().DismissibleTime, row.newProfile ? 25.0 : 16.0);
    EXPECT_EQ(notice.RequestDismiss(row.requestAt), row.goneAtRequest) << row.requestAt;
    notice.Update(row.goneBy - 0.001);
    EXPECT_EQ(notice.Displayed(), row.goneBy - 0.001 < row.requestAt ? !row.goneAtRequest : true)
        << row.requestAt;
    notice.Update(row.goneBy);
    EXPECT_FALSE(notice.Displayed()) << row.requestAt;
    EXPECT_FALSE(notice.State().Displayed);
  }
}

}  // namespace
