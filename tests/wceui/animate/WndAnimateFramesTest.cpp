// The frames of the five window animations at both depths, every kind and direction, checked
// pixel by pixel against the transition's rule written out per pixel: which picture shows at a
// place, and which of its columns (rows). Outside the working rectangle nothing is drawn.
#include "wceui/animate/CWceUiBarnAni.h"
#include "wceui/animate/CWceUiBlendAni.h"
#include "wceui/animate/CWceUiComeAni.h"
#include "wceui/animate/CWceUiGoAni.h"
#include "wceui/animate/CWceUiSliderAni.h"

#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/drawing/BitmapPeek.h"
#include "tests/wceui/drawing/PixelRules.h"
#include "tests/wceui/animate/AniRules.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kWidth = 12;
const int kHeight = 8;
const int kFrames = 5;

// Inside, with odd sides so that the halves round; and partly outside, clipped to the bitmap.
const RECT kRects[] = {{1, 1, 10, 6}, {-3, 2, 40, 40}};

std::string Utf8(const char16_t* p) {
  return std::string(p, p + std::char_traits<char16_t>::length(p));
}

class WndAnimateFrames : public WceUiTestRoot, public ::testing::WithParamInterface<int> {
 protected:
  bool Is565() const { return GetParam() == 16; }

  // Every pixel of every picture differs, so a pixel names its picture and place; the top byte of
  // 32-bit pixels is left clear.
  DWORD Value(int pic, int x, int y) const {
    const DWORD v = static_cast<DWORD>(pic * 1000 + y * 100 + x + 1);
    return Is565() ? v * 13u & 0xFFFF : v * 0x010307u & 0x00FFFFFF;
  }
  std::unique_ptr<CWceUiGenericBitmap> Make(int pic) {
    std::unique_ptr<CWceUiGenericBitmap> p(WceUiCreateBitmapObject(GetParam()));
    EXPECT_TRUE(p->CreateDIB(kWidth, kHeight));
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) PokePixel(p.get(), x, y, Value(pic, x, y));
    }
    return p;
  }
  void SetUp() override {
    WceUiTestRoot::SetUp();
    m_pOld = Make(1);
    m_pNew = Make(2);
    m_pMixed = Make(3);
  }
  static std::unique_ptr<CWceUiWndAnimate> Create(const char16_t* pClass) {
    return std::unique_ptr<CWceUiWndAnimate>(static_cast<CWceUiWndAnimate*>(WceUiCreateObject(pClass)));
  }

  std::unique_ptr<CWceUiGenericBitmap> m_pOld;
  std::unique_ptr<CWceUiGenericBitmap> m_pNew;
  std::unique_ptr<CWceUiGenericBitmap> m_pMixed;
};

TEST_P(WndAnimateFrames, EveryKindAndDirectionFollowsItsRule) {
  for (const AniCase& c : kAniCases) {
    for (const RECT& rc : kRects) {
      std::unique_ptr<CWceUiWndAnimate> pAni = Create(c.m_pszClass);
      ASSERT_NE(pAni, nullptr);
      pAni->SetDirection(c.m_nDirection);
      pAni->SetRect(rc);
      pAni->SetFrameCount(kFrames);
      m_pMixed = Make(3);
      ASSERT_TRUE(pAni->ReStart(m_pMixed.get(), m_pOld.get(), m_pNew.get()));
      const RECT r = {std::max<LONG>(rc.left, 0), std::max<LONG>(rc.top, 0), std::min<LONG>(rc.right, kWidth),
                      std::min<LONG>(rc.bottom, kHeight)};
      for (int n = 0; n < kFrames; ++n) {
        DWORD dwLength = 0;
        ASSERT_TRUE(pAni->Play(m_pMixed.get(), m_pOld.get(), m_pNew.get(), n, &dwLength));
        EXPECT_EQ(33u, dwLength);
        for (int y = 0; y < kHeight; ++y) {
          for (int x = 0; x < kWidth; ++x) {
            const bool bIn = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            DWORD expected = Value(3, x, y);
            if (bIn) {
              const AniPixel src = AniFramePixel(c, r, n, kFrames, x, y);
              expected = Value(src.m_Pic == kAniOld ? 1 : 2, src.m_nX, src.m_nY);
            }
            ASSERT_EQ(expected, PeekPixel(m_pMixed.get(), x, y))
                << Utf8(c.m_pszClass) << " direction " << c.m_nDirection << " rect " << rc.left << ","
                << rc.top << " frame " << n << " at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST_P(WndAnimateFrames, CrossFadeStepsItsAlphaAndEndsOnTheNewPicture) {
  std::unique_ptr<CWceUiWndAnimate> pAni = Create(u"CWceUiBlendAni");
  const RECT rc = kRects[0];
  pAni->SetRect(rc);
  ASSERT_EQ(12, pAni->GetFrameCount());
  ASSERT_TRUE(pAni->ReStart(m_pMixed.get(), m_pOld.get(), m_pNew.get()));
  const int kAlphas[] = {21, 42, 63, 84, 105, 126, 147, 168, 189, 210, 231};
  for (int n = 0; n < 12; ++n) {
    DWORD dwLength = 0;
    ASSERT_TRUE(pAni->Play(m_pMixed.get(), m_pOld.get(), m_pNew.get(), n, &dwLength));
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const bool bIn = x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
        DWORD expected = Value(3, x, y);
        if (bIn && n == 11) {
          expected = Value(2, x, y);
        } else if (bIn) {
          const DWORD d = Value(1, x, y);
          const DWORD s = Value(2, x, y);
          expected = Is565() ? RefBlend565(static_cast<WORD>(d), static_cast<WORD>(s), kAlphas[n])
                             : RefBlend32(d, s, kAlphas[n]);
        }
        ASSERT_EQ(expected, PeekPixel(m_pMixed.get(), x, y)) << "frame " << n << " at " << x << "," << y;
      }
    }
  }
}

// Frames played out of order and again: each frame is composed from the two pictures alone,
// whatever the mixed bitmap showed before.
TEST_P(WndAnimateFrames, AFrameDependsOnlyOnItsNumber) {
  for (const char16_t* pClass : {u"CWceUiBarnAni", u"CWceUiSliderAni", u"CWceUiComeAni", u"CWceUiGoAni"}) {
    std::unique_ptr<CWceUiWndAnimate> pAni = Create(pClass);
    pAni->SetFrameCount(kFrames);
    DWORD dwLength;
    ASSERT_TRUE(pAni->Play(m_pMixed.get(), m_pOld.get(), m_pNew.get(), 2, &dwLength));
    std::vector<DWORD> first;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) first.push_back(PeekPixel(m_pMixed.get(), x, y));
    }
    ASSERT_TRUE(pAni->Play(m_pMixed.get(), m_pOld.get(), m_pNew.get(), 4, &dwLength));
    ASSERT_TRUE(pAni->Play(m_pMixed.get(), m_pOld.get(), m_pNew.get(), 2, &dwLength));
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        EXPECT_EQ(first[static_cast<size_t>(y * kWidth + x)], PeekPixel(m_pMixed.get(), x, y))
            << Utf8(pClass);
      }
    }
  }
}

// The example of the displacement curve: twelve frames over 800 columns move the wipe's boundary
// by half the width at frame 5 and the whole width at the last.
TEST_P(WndAnimateFrames, WideWipeIsHalfWayAtFrameFive) {
  std::unique_ptr<CWceUiGenericBitmap> pOld(WceUiCreateBitmapObject(GetParam()));
  std::unique_ptr<CWceUiGenericBitmap> pNew(WceUiCreateBitmapObject(GetParam()));
  std::unique_ptr<CWceUiGenericBitmap> pMixed(WceUiCreateBitmapObject(GetParam()));
  ASSERT_TRUE(pOld->CreateDIB(800, 2) && pNew->CreateDIB(800, 2) && pMixed->CreateDIB(800, 2));
  ASSERT_TRUE(pOld->FillColor(RGB(0, 0, 0), nullptr));
  ASSERT_TRUE(pNew->FillColor(RGB(255, 255, 255), nullptr));
  std::unique_ptr<CWceUiWndAnimate> pAni = Create(u"CWceUiBarnAni");
  pAni->SetDirection(kWceUiAniLeft);
  DWORD dwLength;
  ASSERT_TRUE(pAni->Play(pMixed.get(), pOld.get(), pNew.get(), 5, &dwLength));
  EXPECT_EQ(0u, PeekPixel(pMixed.get(), 399, 1));
  EXPECT_NE(0u, PeekPixel(pMixed.get(), 400, 1));
  ASSERT_TRUE(pAni->Play(pMixed.get(), pOld.get(), pNew.get(), 11, &dwLength));
  EXPECT_NE(0u, PeekPixel(pMixed.get(), 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Depths, WndAnimateFrames, ::testing::Values(16, 32));

}  // namespace
