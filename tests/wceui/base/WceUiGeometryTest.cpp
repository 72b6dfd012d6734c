#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/drawing/CWceUiCoverMask.h"
#include "wceui/base/FhColor.h"
#include "wceui/base/FhHashSize.h"
#include "wceui/base/WceUiGeometry.h"

#include <ostream>
#include <string>
#include <vector>

std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
bool operator==(const RECT& a, const RECT& b) {
  return EqualRect(&a, &b);
}

namespace {

class WceUiGeometryTest : public WceUiTestRoot {};

struct RectTextCase {
  const char16_t* m_pszText;
  BOOL m_bOk;
  RECT m_rcRect;
  bool m_bLogged;  // the far corner does not fit: the check line names the sums
};

TEST_F(WceUiGeometryTest, RectTextGivesXYAndFarCorner) {
  const RectTextCase cases[] = {
      {u"10,20,30,40", TRUE, {10, 20, 40, 60}, false},
      {u"-5, -5, 10, 10", TRUE, {-5, -5, 5, 5}, false},
      {u"1.5,2,3,4", TRUE, {1, 2, 4, 6}, false},
      {u"1,2,3", FALSE, {7, 7, 7, 7}, false},
      {u"", FALSE, {7, 7, 7, 7}, false},
      {u"\t1\r\n2 3,4", TRUE, {1, 2, 4, 6}, false},
      {u"x1,2,3,4,5", TRUE, {2, 3, 6, 8}, false},  // the digit after a letter starts nothing
      {u"100,200,0,0", TRUE, {100, 200, 100, 200}, false},
      {u"1,2,3,-4", TRUE, {1, 2, 4, -2}, false},
      // The far corner at the very ends of a LONG still fits; one beyond, either way, does not.
      {u"2147483646,0,1,0", TRUE, {2147483646, 0, 2147483647, 0}, false},
      {u"0,-2147483647,0,-1", TRUE, {0, -2147483647, 0, -2147483647 - 1}, false},
      {u"2147483647,0,1,0", FALSE, {7, 7, 7, 7}, true},
      {u"0,2147483647,0,1", FALSE, {7, 7, 7, 7}, true},
      {u"-2147483648,0,-1,0", FALSE, {7, 7, 7, 7}, true},
      {u"0,-2,0,-2147483647", FALSE, {7, 7, 7, 7}, true},
  };
  for (const RectTextCase& c : cases) {
    ClearLog();
    RECT r = {7, 7, 7, 7};
    EXPECT_EQ(ConvertRectStrToRect(c.m_pszText, &r), c.m_bOk) << WceWideToUtf8(c.m_pszText);
    EXPECT_EQ(r, c.m_rcRect) << WceWideToUtf8(c.m_pszText);
    std::vector<std::string> expected;
    if (c.m_bLogged) {
      expected.push_back("error: ConvertRectStrToRect,check(FitsLong(nRight) && FitsLong(nBottom))fail");
    }
    EXPECT_EQ(Messages(), expected) << WceWideToUtf8(c.m_pszText);
  }
  ClearLog();
  RECT r;
  EXPECT_FALSE(ConvertRectStrToRect(nullptr, &r));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: ConvertRectStrToRect,check(NULL != pRectStr)fail");
}

TEST_F(WceUiGeometryTest, LargeRectangleMarksNotSet) {
  RECT r = {0, 0, 1, 1};
  EXPECT_FALSE(IsRectLarge(&r));
  SetRectLarge(&r);
  const RECT large = {-65535, -65535, 65535, 65535};
  EXPECT_EQ(r, large);
  EXPECT_TRUE(IsRectLarge(&r));
  r.right = 65534;
  EXPECT_FALSE(IsRectLarge(&r));
}

struct BltCase {
  const char* m_pszName;
  RECT m_rcDstBound, m_rcSrcBound, m_rcDst, m_rcSrc;
  BOOL m_bOk;
  RECT m_rcOutDst, m_rcOutSrc;
};

TEST_F(WceUiGeometryTest, CopyRectanglesAreClippedToBothBounds) {
  const BltCase cases[] = {
      {"inside both",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {10, 10, 30, 30},
       {0, 0, 20, 20},
       TRUE,
       {10, 10, 30, 30},
       {0, 0, 20, 20}},
      {"destination off the left",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {-5, 10, 15, 30},
       {0, 0, 20, 20},
       TRUE,
       {0, 10, 15, 30},
       {5, 0, 20, 20}},
      {"source off its bottom right",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {0, 0, 20, 20},
       {40, 45, 60, 65},
       TRUE,
       {0, 0, 10, 5},
       {40, 45, 50, 50}},
      {"both clipped",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {90, -10, 110, 10},
       {-5, 0, 15, 20},
       TRUE,
       {95, 0, 100, 10},
       {0, 10, 5, 20}},
      {"destination outside",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {200, 0, 220, 20},
       {0, 0, 20, 20},
       FALSE,
       {0, 0, 0, 0},
       {0, 0, 0, 0}},
      {"visible parts do not meet",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {-20, 0, 20, 20},
       {30, 0, 70, 20},
       FALSE,
       {0, 0, 0, 0},
       {0, 0, 0, 0}},
  };
  for (const BltCase& c : cases) {
    RECT d = {9, 9, 9, 9}, s = {9, 9, 9, 9};
    EXPECT_EQ(CalcBitBltRects(&d, &s, c.m_rcDstBound, c.m_rcSrcBound, c.m_rcDst, c.m_rcSrc), c.m_bOk)
        << c.m_pszName;
    EXPECT_EQ(d, c.m_rcOutDst) << c.m_pszName;
    EXPECT_EQ(s, c.m_rcOutSrc) << c.m_pszName;
  }
  EXPECT_TRUE(Log().empty());
}

TEST_F(WceUiGeometryTest, CopyOfUnequalSizesIsReported) {
  RECT d, s;
  const RECT bound = {0, 0, 100, 100};
  CalcBitBltRects(&d, &s, bound, bound, {0, 0, 10, 10}, {0, 0, 20, 30});
  std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "error: CalcBitBltRects,check(rcDst.Width() == rcSrc.Width())fail");
  EXPECT_EQ(messages[1], "error: CalcBitBltRects,check(rcDst.Height() == rcSrc.Height())fail");
}

TEST_F(WceUiGeometryTest, StretchRectanglesFollowTheScale) {
  const BltCase cases[] = {
      {"all visible, doubled",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {0, 0, 40, 20},
       {0, 0, 20, 10},
       TRUE,
       {0, 0, 40, 20},
       {0, 0, 20, 10}},
      {"source cut on the right, doubled",
       {0, 0, 100, 100},
       {0, 0, 15, 50},
       {0, 0, 40, 20},
       {0, 0, 20, 10},
       TRUE,
       {0, 0, 30, 20},
       {0, 0, 15, 10}},
      {"destination cut on the left, doubled",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {-10, 0, 30, 20},
       {0, 0, 20, 10},
       TRUE,
       {0, 0, 30, 20},
       {5, 0, 20, 10}},
      {"halved, destination cut at the bottom",
       {0, 0, 100, 8},
       {0, 0, 50, 50},
       {0, 0, 10, 10},
       {0, 0, 20, 20},
       TRUE,
       {0, 0, 10, 8},
       {0, 0, 20, 16}},
      {"nothing visible",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {200, 0, 240, 20},
       {0, 0, 20, 10},
       FALSE,
       {0, 0, 0, 0},
       {0, 0, 0, 0}},
      {"equal sizes are a copy",
       {0, 0, 100, 100},
       {0, 0, 50, 50},
       {-5, 10, 15, 30},
       {0, 0, 20, 20},
       TRUE,
       {0, 10, 15, 30},
       {5, 0, 20, 20}},
  };
  for (const BltCase& c : cases) {
    RECT d = {9, 9, 9, 9}, s = {9, 9, 9, 9};
    EXPECT_EQ(CalcStretchBltRects(&d, &s, c.m_rcDstBound, c.m_rcSrcBound, c.m_rcDst, c.m_rcSrc), c.m_bOk)
        << c.m_pszName;
    EXPECT_EQ(d, c.m_rcOutDst) << c.m_pszName;
    EXPECT_EQ(s, c.m_rcOutSrc) << c.m_pszName;
  }
}

struct AlignCase {
  const char* m_pszName;
  RECT m_rcDst, m_rcSrc;
  UINT m_nAlign;
  RECT m_rcOutDst, m_rcOutSrc;
};

TEST_F(WceUiGeometryTest, AlignmentPlacesSourceOrTakesAWindowOfIt) {
  const AlignCase cases[] = {
      {"small, left top", {0, 0, 100, 50}, {0, 0, 20, 10}, 0, {0, 0, 20, 10}, {0, 0, 20, 10}},
      {"small, centred", {0, 0, 100, 50}, {0, 0, 20, 10}, 5, {40, 20, 60, 30}, {0, 0, 20, 10}},
      {"small, right bottom", {10, 10, 110, 60}, {0, 0, 20, 10}, 10, {90, 50, 110, 60}, {0, 0, 20, 10}},
      {"large, left top", {0, 0, 10, 10}, {0, 0, 40, 30}, 0, {0, 0, 10, 10}, {0, 0, 10, 10}},
      {"large, centred", {0, 0, 10, 10}, {0, 0, 40, 30}, 5, {0, 0, 10, 10}, {15, 10, 25, 20}},
      {"large, right bottom", {5, 5, 15, 15}, {0, 0, 40, 30}, 10, {5, 5, 15, 15}, {30, 20, 40, 30}},
      {"wide and short", {0, 0, 10, 100}, {0, 0, 40, 20}, 5, {0, 40, 10, 60}, {15, 0, 25, 20}},
  };
  for (const AlignCase& c : cases) {
    RECT d, s;
    CalcAlignRects(&d, &s, c.m_rcDst, c.m_rcSrc, c.m_nAlign);
    EXPECT_EQ(d, c.m_rcOutDst) << c.m_pszName;
    EXPECT_EQ(s, c.m_rcOutSrc) << c.m_pszName;
  }
}

struct DisplacementCase {
  int m_nN, m_nCount, m_nTotal, m_nExpected;
};

TEST_F(WceUiGeometryTest, DisplacementEasesInAndOut) {
  const DisplacementCase cases[] = {
      {0, 1, 50, 50},    {5, 12, 800, 400}, {10, 12, 800, 788}, {11, 12, 800, 800}, {0, 12, 800, 11},
      {6, 12, 800, 522}, {0, 2, 100, 50},   {0, 3, 90, 45},     {1, 3, 90, 45},     {2, 3, 90, 90},
  };
  for (const DisplacementCase& c : cases) {
    EXPECT_EQ(CalcAnidisplacement(c.m_nN, c.m_nCount, c.m_nTotal), c.m_nExpected)
        << c.m_nN << "/" << c.m_nCount << " of " << c.m_nTotal;
  }
  EXPECT_TRUE(Log().empty());
  // Never backwards over a whole movement.
  int last = 0;
  for (int n = 0; n < 25; ++n) {
    int s = CalcAnidisplacement(n, 25, 480);
    EXPECT_GE(s, last) << n;
    last = s;
  }
  EXPECT_EQ(last, 480);
}

TEST_F(WceUiGeometryTest, DisplacementOutsideTheFramesIsReportedAndZero) {
  EXPECT_EQ(CalcAnidisplacement(12, 12, 800), 0);
  EXPECT_EQ(CalcAnidisplacement(-1, 12, 800), 0);
  EXPECT_EQ(CalcAnidisplacement(0, 0, 800), 0);
  EXPECT_EQ(CalcAnidisplacement(0, 5, 0), 0);
  std::vector<std::string> m = Messages();
  const std::string range =
      "error: CalcAnidisplacement,check(((nCurFrame >= 0) && (nCurFrame < nFrameCount)))fail";
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[0], range);
  EXPECT_EQ(m[1], range);
  EXPECT_EQ(m[2], "error: CalcAnidisplacement,check(nFrameCount > 0)fail");
  EXPECT_EQ(m[3], range);
  EXPECT_EQ(m[4], "error: CalcAnidisplacement,check(nStotal > 0)fail");
}

struct HashCase {
  UINT m_nExpected;
  UINT m_nBuckets;
};

TEST_F(WceUiGeometryTest, HashSizeIsAPrimeBelowTheLoad) {
  const HashCase cases[] = {
      {0, 17},      {10, 17},     {13, 17},      {14, 17},       {80, 97},         {81, 97},
      {7977, 9967}, {7978, 9919}, {8000, 10019}, {10000, 12519}, {100000, 125019},
  };
  for (const HashCase& c : cases) EXPECT_EQ(FhGetHashTableSize(c.m_nExpected), c.m_nBuckets) << c.m_nExpected;
  EXPECT_EQ(FhGetPrime(0), 17);
  EXPECT_EQ(FhGetPrime(1), 19);
  EXPECT_EQ(FhGetPrime(kFhPrimeCount - 1), 9973);
  for (int i = 1; i < kFhPrimeCount; ++i) ASSERT_LT(FhGetPrime(i - 1), FhGetPrime(i));
}

TEST_F(WceUiGeometryTest, HexColourTextPutsRedInTheLowByte) {
  EXPECT_EQ(FhHexStrToColor(u"0x123456"), 0x563412u);
  EXPECT_EQ(FhHexStrToColor(u"FF0000"), 0x0000FFu);
  EXPECT_EQ(FhHexStrToColor(u"0x0000ff"), 0xFF0000u);
  EXPECT_EQ(FhHexStrToColor(u"nothing"), 0u);
}

TEST_F(WceUiGeometryTest, CoverMaskPadsRowsAsCovered) {
  CWceUiCoverMask mask;
  ASSERT_TRUE(mask.Create(5, 3));
  EXPECT_EQ(mask.GetStride(), 8);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 8; ++x) EXPECT_EQ(mask.GetBuffer()[y * 8 + x], x < 5 ? 0 : 0xFF) << x << "," << y;
  }
  EXPECT_FALSE(mask.IsFull({0, 0, 1, 1}));
  EXPECT_FALSE(mask.Fill({0, 0, 5, 2}));
  EXPECT_TRUE(mask.IsFull({0, 0, 5, 2}));
  EXPECT_FALSE(mask.IsFull({0, 0, 5, 3}));
  EXPECT_TRUE(mask.Fill({-3, 2, 9, 7}));  // clipped to the mask, and now all is covered
  EXPECT_TRUE(mask.IsFull({0, 0, 5, 3}));
}

TEST_F(WceUiGeometryTest, CoverMaskFilledWholeAnswersAtOnce) {
  CWceUiCoverMask mask;
  ASSERT_TRUE(mask.Create(4, 2));
  EXPECT_TRUE(mask.Fill({0, 0, 4, 2}));
  EXPECT_EQ(mask.GetBuffer()[0], 0);
  EXPECT_FALSE(mask.Create(0, 2));
}

}  // namespace
