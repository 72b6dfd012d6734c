#include "platform/user/user.h"

#include <gtest/gtest.h>

namespace {

struct IntersectCase {
  const char* name;
  RECT a;
  RECT b;
  BOOL overlap;
  RECT result;
};

TEST(RectTest, IntersectionOrAllZeros) {
  const IntersectCase cases[] = {
      {"overlap", {0, 0, 10, 10}, {5, -5, 20, 7}, TRUE, {5, 0, 10, 7}},
      {"inside", {0, 0, 10, 10}, {2, 3, 4, 5}, TRUE, {2, 3, 4, 5}},
      {"touching edges", {0, 0, 10, 10}, {10, 0, 20, 10}, FALSE, {0, 0, 0, 0}},
      {"apart", {0, 0, 10, 10}, {30, 30, 40, 40}, FALSE, {0, 0, 0, 0}},
      {"empty operand", {0, 0, 0, 10}, {0, 0, 10, 10}, FALSE, {0, 0, 0, 0}},
  };
  for (const IntersectCase& c : cases) {
    RECT r = {99, 99, 99, 99};
    EXPECT_EQ(IntersectRect(&r, &c.a, &c.b), c.overlap) << c.name;
    EXPECT_TRUE(EqualRect(&r, &c.result)) << c.name;
  }
}

TEST(RectTest, SetOffsetEmptyAndEqual) {
  RECT r;
  SetRect(&r, 1, 2, 3, 4);
  OffsetRect(&r, 10, -20);
  const RECT moved = {11, -18, 13, -16};
  EXPECT_TRUE(EqualRect(&r, &moved));
  EXPECT_FALSE(IsRectEmpty(&r));
  const RECT flat = {0, 5, 10, 5};
  const RECT inverted = {10, 0, 0, 5};
  EXPECT_TRUE(IsRectEmpty(&flat));
  EXPECT_TRUE(IsRectEmpty(&inverted));
  SetRectEmpty(&r);
  const RECT zero = {0, 0, 0, 0};
  EXPECT_TRUE(EqualRect(&r, &zero));
  EXPECT_FALSE(EqualRect(&moved, &zero));
}

}  // namespace
