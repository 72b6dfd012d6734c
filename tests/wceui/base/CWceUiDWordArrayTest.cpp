#include "wceui/base/CWceUiDWordArray.h"
#include "wceui/base/CWceUiPlex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct SizeStep {
  int m_nSize;
  int m_nStep;
  int m_nExpectedCapacity;
};

// The capacity after each SetSize, starting from an empty array.
struct GrowthCase {
  const char* m_pszName;
  std::vector<SizeStep> m_Steps;
};

TEST(CWceUiDWordArrayTest, CapacityFollowsTheGrowthRules) {
  const GrowthCase cases[] = {
      {"first storage is max(step, size)", {{3, 10, 10}}},
      {"first storage without step is the size", {{3, 0, 3}}},
      {"growth by the stored step", {{3, 10, 10}, {11, -1, 20}, {35, -1, 35}}},
      {"growth without step: size / 8 at least 4", {{8, 0, 8}, {9, -1, 12}}},
      {"growth without step: size / 8", {{80, 0, 80}, {81, -1, 90}}},
      {"growth without step: size / 8 at most 1024", {{10000, 0, 10000}, {10001, -1, 11024}}},
      {"shrinking keeps the storage", {{20, 0, 20}, {5, -1, 20}, {20, -1, 20}}},
      {"zero frees", {{20, 0, 20}, {0, -1, 0}, {2, -1, 2}}},
  };
  for (const GrowthCase& c : cases) {
    CWceUiDWordArray array;
    for (const SizeStep& s : c.m_Steps) {
      ASSERT_TRUE(array.SetSize(s.m_nSize, s.m_nStep)) << c.m_pszName;
      EXPECT_EQ(array.GetSize(), s.m_nSize) << c.m_pszName;
      EXPECT_EQ(array.GetCapacity(), s.m_nExpectedCapacity) << c.m_pszName << " size " << s.m_nSize;
    }
  }
}

TEST(CWceUiDWordArrayTest, NewEntriesAreZeroAndOldOnesKept) {
  CWceUiDWordArray array;
  array.SetSize(4, 0);
  for (int i = 0; i < 4; ++i) array[i] = 100 + i;
  array.SetSize(2);
  array.SetSize(4);   // within the capacity: entries 2 and 3 come back zero
  array.SetSize(40);  // beyond it
  EXPECT_EQ(array[0], 100u);
  EXPECT_EQ(array[1], 101u);
  for (int i = 2; i < 40; ++i) EXPECT_EQ(array[i], 0u) << i;
  EXPECT_EQ(array.Add(7), 40);
  EXPECT_EQ(array[40], 7u);
}

TEST(CWceUiPlexTest, BlocksChainAtTheHeadAndFreeTogether) {
  CWceUiPlex* pHead = nullptr;
  CWceUiPlex* pFirst = CWceUiPlex::Create(pHead, 10, 24);
  ASSERT_NE(pFirst, nullptr);
  EXPECT_EQ(pHead, pFirst);
  EXPECT_EQ(pFirst->m_pNext, nullptr);
  std::memset(pFirst->data(), 0xAB, 10 * 24);  // the whole block is usable
  CWceUiPlex* pSecond = CWceUiPlex::Create(pHead, 10, 24);
  ASSERT_NE(pSecond, nullptr);
  EXPECT_EQ(pHead, pSecond);
  EXPECT_EQ(pSecond->m_pNext, pFirst);
  EXPECT_EQ(CWceUiPlex::Create(pHead, 0x10000, 0x10000), nullptr);
  EXPECT_EQ(pHead, pSecond);
  pHead->FreeDataChain();
}

// A node with a 64-bit member needs 8-byte alignment on the head unit, whose chain link is 4 bytes.
TEST(CWceUiPlexTest, NodesAreAlignedForTheirWidestMember) {
  struct SWideNode {
    SWideNode* m_pNext;
    int64_t m_nValue;
    double m_fWeight;
  };
  CWceUiPlex* pHead = nullptr;
  SWideNode* pFree = nullptr;
  for (int i = 0; i < 7; ++i) {
    SWideNode* p = CWceUiPlex::TakeNode(pHead, pFree, 3);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(SWideNode), 0u) << i;
    p->m_nValue = i;
  }
  pHead->FreeDataChain();
}

}  // namespace
