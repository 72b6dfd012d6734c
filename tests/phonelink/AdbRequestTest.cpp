#include "phonelink/AdbRequest.h"

#include <gtest/gtest.h>

namespace {

TEST(AdbRequestList, SameLocalIdReachesTheOlderRecord) {
  AdbRequestList list;
  list.Init();
  list.Add(4, 10007, 0);  // the push's "sync:" stream
  list.Add(6, 10007, 0);  // its "QUIT"
  AdbRequest r{};
  ASSERT_TRUE(list.Find(10007, &r));
  EXPECT_EQ(r.m_nKind, 4);
  list.SetRemote(r.m_nSerial, 55);
  list.Remove(r.m_nSerial);
  ASSERT_TRUE(list.Find(10007, &r));
  EXPECT_EQ(r.m_nKind, 6);
  EXPECT_EQ(r.m_nRemoteId, 0u) << "the remote id went to the older record only";
  EXPECT_EQ(list.Count(), 1);
  list.Remove(r.m_nSerial);
  EXPECT_FALSE(list.Find(10007, &r));
  list.Destroy();
}

TEST(AdbRequestList, ClearReleasesAll) {
  AdbRequestList list;
  list.Init();
  for (uint32_t i = 0; i < 5; ++i) list.Add(0, 10000 + i, 0);
  EXPECT_EQ(list.Count(), 5);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  AdbRequest r{};
  EXPECT_FALSE(list.Find(10002, &r));
  list.Destroy();
}

TEST(AdbRequestList, UnusedListIsHarmless) {
  AdbRequestList list;
  AdbRequest r{};
  EXPECT_FALSE(list.Find(1, &r));
  list.Clear();
  list.Destroy();
}

}  // namespace
