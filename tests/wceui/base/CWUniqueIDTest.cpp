#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/base/CWUniqueID.h"

namespace {

class CWUniqueIDTest : public WceUiTestRoot {
 protected:
  // Hands out every id; they must come out in order.
  static void TakeAll(CWUniqueID& ids) {
    for (DWORD expected = 1; expected <= CWUniqueID::kMaxID; ++expected) {
      DWORD id = ids.GetID();
      if (id != expected) FAIL() << "id " << id << " where " << expected << " was due";
    }
  }
};

TEST_F(CWUniqueIDTest, IdsComeInOrderThenTheLowestReleased) {
  CWUniqueID ids;
  TakeAll(ids);
  EXPECT_TRUE(ids.IsUsed(1));
  EXPECT_TRUE(ids.IsUsed(65534));
  ids.ReleaseID(7);
  EXPECT_FALSE(ids.IsUsed(7));
  EXPECT_EQ(ids.GetID(), 7u);
  ids.ReleaseID(900);
  ids.ReleaseID(3);
  EXPECT_EQ(ids.GetID(), 3u);
  EXPECT_EQ(ids.GetID(), 900u);
  EXPECT_TRUE(Log().empty());
}

TEST_F(CWUniqueIDTest, AllIdsInUseGiveTheInvalidId) {
  CWUniqueID ids;
  TakeAll(ids);
  EXPECT_EQ(ids.GetID(), CWUniqueID::kInvalidID);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: CWUniqueID::GetID failed, all 1-65534 is used.");
}

TEST_F(CWUniqueIDTest, ReleasedIdsAreNotReusedBeforeTheCounterRunsOut) {
  CWUniqueID ids;
  EXPECT_EQ(ids.GetID(), 1u);
  EXPECT_EQ(ids.GetID(), 2u);
  ids.ReleaseID(1);
  EXPECT_EQ(ids.GetID(), 3u);
  EXPECT_FALSE(ids.IsUsed(1));
  EXPECT_TRUE(ids.IsUsed(3));
}

TEST_F(CWUniqueIDTest, BadReleasesAreReported) {
  CWUniqueID ids;
  ids.GetID();
  ids.ReleaseID(5);
  ids.ReleaseID(0x10001);
  // Zero is no id, though the reserved entries hold zeros.
  ids.ReleaseID(0);
  std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0], "warning: CWUniqueID::ReleaseID, Release ID 5, but not found");
  EXPECT_EQ(messages[1], "error: CWUniqueID::ReleaseID,check(0 == HIWORD(dwID))fail");
  EXPECT_EQ(messages[2], "warning: CWUniqueID::ReleaseID, Release ID 65537, but not found");
  EXPECT_EQ(messages[3], "warning: CWUniqueID::ReleaseID, Release ID 0, but not found");
  EXPECT_TRUE(ids.IsUsed(1));
}

}  // namespace
