#include "wceui/base/CWceUiPtrMap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

const void* Key(uintptr_t n) {
  return reinterpret_cast<const void*>(n);
}

void* Value(uintptr_t n) {
  return reinterpret_cast<void*>(n);
}

TEST(CWceUiPtrMapTest, BucketIsTheKeyShiftedByFourModuloTheTableSize) {
  struct HashCase {
    uintptr_t m_nKey;
    uintptr_t m_nHash;
  };
  const HashCase cases[] = {{0x0, 0}, {0xF, 0}, {0x10, 1}, {0x110, 0x11}, {0x10000, 0x1000}};
  for (const HashCase& c : cases) EXPECT_EQ(CWceUiPtrMap::HashKey(Key(c.m_nKey)), c.m_nHash) << c.m_nKey;
  EXPECT_EQ(CWceUiPtrMap().GetHashTableSize(), 17u);
  EXPECT_EQ(CWceUiPtrMap(401).GetHashTableSize(), 401u);
}

TEST(CWceUiPtrMapTest, KeysOfOneBucketStaySeparate) {
  CWceUiPtrMap map;
  // 0x10, 0x120 and 0x230 share bucket 1 of 17; 0x18 shares even the hash of 0x10.
  const uintptr_t keys[] = {0x10, 0x120, 0x230, 0x18};
  for (uintptr_t k : keys) ASSERT_TRUE(map.SetAt(Key(k), Value(k + 1)));
  EXPECT_EQ(map.GetCount(), 4);
  for (uintptr_t k : keys) {
    void* v = nullptr;
    ASSERT_TRUE(map.Lookup(Key(k), v)) << k;
    EXPECT_EQ(v, Value(k + 1)) << k;
  }
  ASSERT_TRUE(map.SetAt(Key(0x120), Value(7)));  // a known key gets the new value
  EXPECT_EQ(map.GetCount(), 4);
  ASSERT_TRUE(map.RemoveKey(Key(0x120)));
  EXPECT_FALSE(map.RemoveKey(Key(0x120)));
  void* v = nullptr;
  EXPECT_FALSE(map.Lookup(Key(0x120), v));
  for (uintptr_t k : {uintptr_t{0x10}, uintptr_t{0x230}, uintptr_t{0x18}})
    EXPECT_TRUE(map.Lookup(Key(k), v)) << k;
}

TEST(CWceUiPtrMapTest, EmptiedMapIsBuiltAgainOnTheNextInsertion) {
  CWceUiPtrMap map;
  void* v = nullptr;
  EXPECT_FALSE(map.Lookup(Key(0x10), v));
  EXPECT_FALSE(map.RemoveKey(Key(0x10)));
  // More entries than one block of nodes holds, twice over.
  for (int round = 0; round < 2; ++round) {
    for (uintptr_t k = 1; k <= 35; ++k) ASSERT_TRUE(map.SetAt(Key(k << 4), Value(k))) << round;
    EXPECT_EQ(map.GetCount(), 35);
    for (uintptr_t k = 1; k <= 35; ++k) {
      ASSERT_TRUE(map.Lookup(Key(k << 4), v)) << k;
      EXPECT_EQ(v, Value(k));
    }
    for (uintptr_t k = 35; k >= 1; --k) ASSERT_TRUE(map.RemoveKey(Key(k << 4))) << k;
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_FALSE(map.Lookup(Key(0x10), v));
  }
  ASSERT_TRUE(map.SetAt(Key(0x40), Value(4)));
  map.RemoveAll();
  EXPECT_EQ(map.GetCount(), 0);
  EXPECT_FALSE(map.Lookup(Key(0x40), v));
}

}  // namespace
