#include "phonelink/AdbRequestTracker.h"

#include <gtest/gtest.h>

namespace {

// Ids of an earlier USB connection are told apart by two thresholds taken at the USB out: the
// request counter less one and the last channel's local id.
TEST(AdbRequestTracker, IdsOfTheEarlierConnectionAreStale) {
  struct Case {
    int32_t m_nLocalId;
    bool m_bCurrent;
  };
  AdbRequestTracker tracker;
  for (int32_t id = 1; id <= 12; ++id) EXPECT_TRUE(tracker.IsCurrent(id)) << "no USB out yet: " << id;
  tracker.m_nCounter = 10005;
  tracker.MarkStale(12);
  const Case cases[] = {
      {10003, false}, {10004, false}, {10005, true}, {10006, true},  // requests
      {12, false},    {7, false},     {13, true},    {18, true},     // channels
      {10000, true},                                                 // at or below the first request id
  };
  for (const Case& c : cases) EXPECT_EQ(tracker.IsCurrent(c.m_nLocalId), c.m_bCurrent) << c.m_nLocalId;
}

TEST(AdbRequestTracker, NoRequestYetLeavesTheRequestThreshold) {
  AdbRequestTracker tracker;
  tracker.MarkStale(6);
  EXPECT_EQ(tracker.m_nStaleRequest, -1);
  EXPECT_EQ(tracker.m_nStaleChannel, 6);
  EXPECT_TRUE(tracker.IsCurrent(10001));
  tracker.ResetIds();
  EXPECT_TRUE(tracker.IsCurrent(6));
  EXPECT_EQ(tracker.m_nCounter, ADB_FIRST_REQUEST_ID);
}

}  // namespace
