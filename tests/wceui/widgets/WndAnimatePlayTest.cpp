// Playing an animation onto a device context on the manual tick: every frame reaches the DC, each
// is held for its frame length less the ticks its work took, and the DC ends on the new picture.
#include "widgets/CWceUiGoAni.h"
#include "widgets/WceUiWndAnimatePlay.h"

#include "BitmapPeek.h"
#include "WceUiTestRoot.h"
#include "resources/WceUiBitmapFiles.h"

#include <memory>
#include <utility>
#include <vector>

namespace {

const int kWidth = 6;
const int kHeight = 3;

// A slide-out whose frames cost a chosen number of ticks, and which notes when each frame began
// and what the DC showed then (the frame before).
class CTimedGo : public CWceUiGoAni {
 public:
  BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
            CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) override {
    m_starts.push_back(GetTickCount());
    if (m_pScreen != nullptr) m_screens.push_back({PeekPixel(m_pScreen, 0, 0), PeekPixel(m_pScreen, 5, 0)});
    wce::AdvanceTick(m_nWork);
    return CWceUiGoAni::Play(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime);
  }
  void End() override { ++m_nEnds; }

  DWORD m_nWork = 0;
  CWceUiGenericBitmap* m_pScreen = nullptr;
  std::vector<DWORD> m_starts;
  std::vector<std::pair<DWORD, DWORD>> m_screens;  // the left and right column
  int m_nEnds = 0;
};

class WndAnimatePlay : public WceUiTestRoot, public ::testing::WithParamInterface<int> {
 protected:
  std::unique_ptr<CWceUiGenericBitmap> Make(COLORREF cr) {
    std::unique_ptr<CWceUiGenericBitmap> p(WceUiCreateBitmapObject(GetParam()));
    EXPECT_TRUE(p->CreateDIB(kWidth, kHeight));
    EXPECT_TRUE(p->FillColor(cr, nullptr));
    return p;
  }
  void SetUp() override {
    WceUiTestRoot::SetUp();
    m_pOld = Make(RGB(255, 0, 0));
    m_pNew = Make(RGB(0, 0, 255));
    m_pMixed = Make(RGB(0, 255, 0));
    m_pScreen = Make(RGB(255, 255, 255));
    m_hdc = CreateCompatibleDC(nullptr);
    m_hOld = SelectObject(m_hdc, m_pScreen->GetHBitmap(nullptr));
  }
  void TearDown() override {
    SelectObject(m_hdc, m_hOld);
    DeleteDC(m_hdc);
    m_pScreen->ReleaseHBitmap();
    WceUiTestRoot::TearDown();
  }
  BOOL PlayOnto(CWceUiWndAnimate* pAni) {
    return WceUiPlayWndAnimate(pAni, m_pMixed.get(), m_pOld.get(), m_pNew.get(), m_hdc, 0, 0);
  }
  std::vector<DWORD> Screen() const {
    std::vector<DWORD> v;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) v.push_back(PeekPixel(m_pScreen.get(), x, y));
    }
    return v;
  }
  std::vector<DWORD> Whole(const CWceUiGenericBitmap* p) const {
    return std::vector<DWORD>(static_cast<size_t>(kWidth * kHeight), PeekPixel(p, 0, 0));
  }

  std::unique_ptr<CWceUiGenericBitmap> m_pOld;
  std::unique_ptr<CWceUiGenericBitmap> m_pNew;
  std::unique_ptr<CWceUiGenericBitmap> m_pMixed;
  std::unique_ptr<CWceUiGenericBitmap> m_pScreen;
  HDC m_hdc = nullptr;
  HGDIOBJ m_hOld = nullptr;
};

TEST_P(WndAnimatePlay, FramesAreHeldForTheirLengthLessTheirWork) {
  const struct {
    DWORD nWork;
    DWORD nFrameTicks;  // from one frame's start to the next
  } cases[] = {{0, 33}, {10, 33}, {33, 33}, {50, 50}};
  for (const auto& c : cases) {
    CTimedGo go;
    go.SetFrameCount(4);
    go.SetDirection(kWceUiAniLeft);
    go.m_nWork = c.nWork;
    go.m_pScreen = m_pScreen.get();
    const DWORD dwStart = GetTickCount();
    ASSERT_TRUE(PlayOnto(&go)) << c.nWork;
    ASSERT_EQ(4u, go.m_starts.size());
    for (size_t n = 0; n < 4; ++n) EXPECT_EQ(dwStart + n * c.nFrameTicks, go.m_starts[n]) << c.nWork;
    EXPECT_EQ(dwStart + 4 * c.nFrameTicks, GetTickCount()) << c.nWork;
    EXPECT_EQ(1, go.m_nEnds);
    EXPECT_EQ(Whole(m_pNew.get()), Screen());
  }
}

TEST_P(WndAnimatePlay, EveryFrameReachesTheDc) {
  CTimedGo go;
  go.SetFrameCount(3);
  go.SetDirection(kWceUiAniLeft);
  go.m_pScreen = m_pScreen.get();
  const DWORD dwWhite = PeekPixel(m_pScreen.get(), 0, 0);
  const DWORD dwOld = PeekPixel(m_pOld.get(), 0, 0);
  const DWORD dwNew = PeekPixel(m_pNew.get(), 0, 0);
  ASSERT_TRUE(PlayOnto(&go));
  // The old picture leaves to the left: the right column shows the new picture from frame 0 on,
  // the left column only at the last frame.
  const std::vector<std::pair<DWORD, DWORD>> expected = {{dwWhite, dwWhite}, {dwOld, dwNew}, {dwOld, dwNew}};
  EXPECT_EQ(expected, go.m_screens);
  EXPECT_EQ(Whole(m_pNew.get()), Screen());
}

TEST_P(WndAnimatePlay, OutsideTheRectangleTheFramesShowTheOldPicture) {
  CTimedGo go;
  go.SetFrameCount(2);
  go.SetRect({2, 0, 4, kHeight});
  ASSERT_TRUE(PlayOnto(&go));
  for (int x = 0; x < kWidth; ++x) {
    const bool bIn = x >= 2 && x < 4;
    EXPECT_EQ(PeekPixel(bIn ? m_pNew.get() : m_pOld.get(), 0, 0), PeekPixel(m_pScreen.get(), x, 1)) << x;
  }
}

TEST_P(WndAnimatePlay, RefusedAndDisabledAnimations) {
  const std::vector<DWORD> before = Screen();
  CTimedGo disabled;
  disabled.SetEnabled(FALSE);
  const DWORD dwStart = GetTickCount();
  EXPECT_TRUE(PlayOnto(&disabled));
  EXPECT_TRUE(disabled.m_starts.empty());
  EXPECT_EQ(dwStart, GetTickCount());
  EXPECT_EQ(before, Screen());

  CTimedGo missing;
  missing.SetName(u"Out");
  missing.SetRect({kWidth, 0, kWidth + 5, kHeight});
  ClearLog();
  EXPECT_FALSE(PlayOnto(&missing));
  EXPECT_TRUE(missing.m_starts.empty());
  EXPECT_EQ(Messages().back(), "error: WceUiPlayWndAnimate, Out pAnimate->ReStart failed");

  CTimedGo bad;
  bad.SetName(u"Bad");
  bad.SetDirection(kWceUiAniLrMid);
  ClearLog();
  EXPECT_FALSE(PlayOnto(&bad));
  EXPECT_EQ(1u, bad.m_starts.size());
  EXPECT_EQ(0, bad.m_nEnds);
  const std::vector<std::string> messages = Messages();
  EXPECT_EQ(messages.back(), "error: WceUiPlayWndAnimate, Bad pAnimate->Play failed");
}

INSTANTIATE_TEST_SUITE_P(Depths, WndAnimatePlay, ::testing::Values(16, 32));

}  // namespace
