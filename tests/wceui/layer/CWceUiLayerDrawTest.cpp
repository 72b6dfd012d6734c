// Drawing through the layer controller into a window bitmap, checked by pixels at both depths:
// backgrounds and positions, background items with transparency and alpha, the alpha filter,
// occlusion, and layers of no size. Every expected pixel is computed here from the rule.
#include "tests/wceui/layer/LayerTestHost.h"
#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/drawing/WceUiDib.h"
#include "wceui/styles/CWceUiBgItem.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kW = 12;
constexpr int kH = 4;

// A layer that counts its draws.
class CountingLayer : public CWceUiLayer {
 public:
  void OnDraw(CWceUiGenericBitmap* pWndBmp, const RECT& rc) override {
    ++m_nDraws;
    CWceUiLayer::OnDraw(pWndBmp, rc);
  }
  int m_nDraws = 0;
};

// The window bitmap and its helpers at one depth; LayerDraw runs at both, LayerDraw16 at 16 bits
// for what only 16-bit pictures carry.
class LayerDrawFixture : public WceUiResFixture {
 protected:
  explicit LayerDrawFixture(int nBits) : m_nBits(nBits) {}

  void SetUp() override {
    WceUiResFixture::SetUp();
    m_pCtrl = new CWceUiLayerCtrl;
    m_pCtrl->SetWindow(&m_Host);
    m_pTop = AddTopLayer(*m_pCtrl, RECT{0, 0, kW, kH});
    m_pTop->SetLayerContainer(TRUE);
    m_pWnd.reset(WceUiCreateBitmapObject(Bits()));
    ASSERT_TRUE(m_pWnd->CreateDIB(kW, kH));
    // Every column of the window differs, so a pixel drawn in the wrong place shows.
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) SetPx(x, y, Pixel(RGB(8 * x, 16 * y + 8, 200 - 8 * x)));
    }
  }
  void TearDown() override {
    m_pCtrl->DeleteLayer(m_pTop);
    delete m_pCtrl;
    m_pWnd.reset();
    WceUiResFixture::TearDown();
  }

  int Bits() const { return m_nBits; }
  bool Is565() const { return m_nBits == 16; }
  DWORD Pixel(COLORREF cr) const {
    const DWORD r = cr & 0xFF, g = (cr >> 8) & 0xFF, b = (cr >> 16) & 0xFF;
    return Is565() ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3) : (r << 16) | (g << 8) | b;
  }
  // Row y of the picture is memory row height - 1 - y; 565 rows hold an even count of pixels.
  DWORD* Addr32(void* pBits, int x, int y) const {
    return static_cast<DWORD*>(pBits) + (kH - 1 - y) * kW + x;
  }
  WORD* Addr16(void* pBits, int x, int y) const {
    return static_cast<WORD*>(pBits) + (kH - 1 - y) * ((kW + 1) & ~1) + x;
  }
  DWORD Px(int x, int y) {
    void* pBits = nullptr;
    m_pWnd->GetHBitmap(&pBits);
    const DWORD v = Is565() ? *Addr16(pBits, x, y) : (*Addr32(pBits, x, y) & 0x00FFFFFF);
    m_pWnd->ReleaseHBitmap();
    return v;
  }
  void SetPx(int x, int y, DWORD v) {
    void* pBits = nullptr;
    m_pWnd->GetHBitmap(&pBits);
    if (Is565()) {
      *Addr16(pBits, x, y) = static_cast<WORD>(v);
    } else {
      *Addr32(pBits, x, y) = v;
    }
    m_pWnd->ReleaseHBitmap();
  }
  std::vector<DWORD> All() {
    std::vector<DWORD> v;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) v.push_back(Px(x, y));
    }
    return v;
  }
  // The constant-alpha rule at 128 (the half class): (d + s) / 2 a channel, in the depth's widths.
  DWORD Half(DWORD d, DWORD s) const {
    if (Is565()) {
      return ((((d >> 11) + (s >> 11)) / 2) << 11) | (((((d >> 5) & 63) + ((s >> 5) & 63)) / 2) << 5) |
             (((d & 31) + (s & 31)) / 2);
    }
    return ((((d >> 16) & 255) + ((s >> 16) & 255)) / 2 << 16) |
           ((((d >> 8) & 255) + ((s >> 8) & 255)) / 2 << 8) | (((d & 255) + (s & 255)) / 2);
  }
  void DrawAll() { m_pCtrl->Draw(m_pWnd.get(), RECT{0, 0, kW, kH}); }

  // A bitmap of nWidth x 1 in this depth whose columns differ, with its conf file; column x has
  // colour Column(x).
  COLORREF Column(int x) const { return RGB(16 * x + 40, 255 - 16 * x, 96 + 8 * x); }
  void PutBitmap(const std::u16string& id, int nWidth, const std::u16string& extra,
                 const std::vector<BYTE>& alpha = {}) {
    const std::u16string dir = std::u16string(kResDir) + u"bitmap\\";
    const std::u16string name = id + u".bmp";
    WceUiPutFile(dir + name, "");
    if (Is565()) {
      std::vector<WORD> row(static_cast<size_t>((nWidth + 1) & ~1), 0);
      for (int x = 0; x < nWidth; ++x) row[x] = static_cast<WORD>(Pixel(Column(x)));
      ASSERT_TRUE(Save565BmpFile((dir + name).c_str(), row.data(), nWidth, 1));
    } else {
      std::vector<DWORD> row(static_cast<size_t>(nWidth), 0);
      for (int x = 0; x < nWidth; ++x) row[x] = Pixel(Column(x));
      ASSERT_TRUE(Save32BmpFile((dir + name).c_str(), row.data(), nWidth, 1));
    }
    if (!alpha.empty()) {
      std::string bytes(alpha.begin(), alpha.end());
      if (bytes.size() % 2) bytes.push_back(0);
      WceUiPutFile(dir + id + u".alpha", bytes);
    }
    PutResText(u"bitmap\\" + id + u".conf", u"src=" + name + u"\r\n" + extra);
  }
  void AddItem(CWceUiLayer* p, const std::u16string& id, const RECT& rcDst) {
    CWceUiBgItem item;
    item.SetBitmapFromRes(id.c_str());
    item.SetDstRect(&rcDst);
    p->GetStyle()->GetBgItemCtrl().AddTail(item);
  }

  const int m_nBits;
  LayerTestHost m_Host;
  CWceUiLayerCtrl* m_pCtrl = nullptr;
  CWceUiLayer* m_pTop = nullptr;
  std::unique_ptr<CWceUiGenericBitmap> m_pWnd;
};

class LayerDraw : public LayerDrawFixture, public ::testing::WithParamInterface<int> {
 protected:
  LayerDraw() : LayerDrawFixture(GetParam()) {}
};

// Per-pixel alpha planes come with 16-bit pictures only.
class LayerDraw16 : public LayerDrawFixture {
 protected:
  LayerDraw16() : LayerDrawFixture(16) {}
};

TEST_P(LayerDraw, BackgroundsAtTheirPositionsAndOnlyInTheDirtyRectangle) {
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{1, 0, 6, 2});
  pA->GetStyle()->GetBgColorCtrl().SetColor(RGB(255, 0, 0));
  // Relative to A: window (3, 1) to (5, 3), cut to A's bottom at 2.
  CWceUiLayer* pB = AddLayer(*m_pCtrl, pA, RECT{2, 1, 4, 3}, 1);
  pB->GetStyle()->GetBgColorCtrl().SetColor(RGB(0, 0, 255));
  std::vector<DWORD> expected = All();
  for (int y = 0; y < 2; ++y) {
    for (int x = 1; x < 6; ++x) expected[y * kW + x] = Pixel(RGB(255, 0, 0));
  }
  for (int x = 3; x < 5; ++x) expected[1 * kW + x] = Pixel(RGB(0, 0, 255));
  // A dirty rectangle of one column paints that column only.
  std::vector<DWORD> one = All();
  one[0 * kW + 2] = one[1 * kW + 2] = Pixel(RGB(255, 0, 0));
  m_pCtrl->Draw(m_pWnd.get(), RECT{2, 0, 3, kH});
  EXPECT_EQ(All(), one);
  DrawAll();
  EXPECT_EQ(All(), expected);
}

TEST_P(LayerDraw, OpaqueLayersHideWhatIsBehindThemTransparentOnesDoNot) {
  auto* pBack = new CountingLayer;
  pBack->SetLayerCtrl(m_pCtrl);
  m_pTop->AppendChild(pBack);
  m_pCtrl->InitLayerInfo(pBack, u"back");
  pBack->MoveLayer(2, 0, 4, 2, FALSE);
  pBack->GetStyle()->GetBgColorCtrl().SetColor(RGB(0, 255, 0));
  CWceUiLayer* pFront = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, kW, kH});
  pFront->GetStyle()->GetBgColorCtrl().SetColor(RGB(0, 0, 255));
  DrawAll();
  EXPECT_EQ(pBack->m_nDraws, 0) << "behind an opaque sibling";
  EXPECT_EQ(m_pCtrl->GetPaintFirst(), pFront);
  EXPECT_EQ(m_pCtrl->GetPaintNext(pFront), nullptr) << "the walk stops: not even the body";
  EXPECT_EQ(Px(3, 1), Pixel(RGB(0, 0, 255)));

  pFront->GetStyle()->GetBgColorCtrl().SetTransparent(TRUE);
  std::vector<DWORD> before = All();
  DrawAll();
  EXPECT_EQ(pBack->m_nDraws, 1) << "behind a see-through sibling";
  EXPECT_EQ(Px(3, 1), Pixel(RGB(0, 255, 0)));
  EXPECT_EQ(Px(7, 1), before[1 * kW + 7]) << "a transparent background paints nothing";

  // A hidden front layer draws nothing, and a part of the back layer off the front one is drawn.
  pFront->GetStyle()->GetBgColorCtrl().SetTransparent(FALSE);
  pFront->MoveLayer(0, 0, 3, kH, FALSE);
  DrawAll();
  EXPECT_EQ(pBack->m_nDraws, 2);
  EXPECT_EQ(Px(2, 0), Pixel(RGB(0, 0, 255)));
  EXPECT_EQ(Px(3, 0), Pixel(RGB(0, 255, 0)));
  pFront->ShowLayer(FALSE);
  DrawAll();
  EXPECT_EQ(Px(2, 0), Pixel(RGB(0, 255, 0)));
}

TEST_P(LayerDraw, BackgroundItemsPlainTransparentAndConstantAlpha) {
  PutBitmap(u"plain", 4, u"");
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{1, 1, 11, 2});
  AddItem(pA, u"plain.conf", RECT{0, 0, 4, 1});
  DrawAll();
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(1 + x, 1), Pixel(Column(x))) << x;

  // Constant alpha 128 halves each channel with what was there.
  PutBitmap(u"half", 4, u"ca=128\r\n");
  CWceUiLayer* pB = AddLayer(*m_pCtrl, m_pTop, RECT{6, 2, 10, 3});
  AddItem(pB, u"half.conf", RECT{0, 0, 4, 1});
  std::vector<DWORD> before = All();
  DrawAll();
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(6 + x, 2), Half(before[2 * kW + 6 + x], Pixel(Column(x)))) << x;
  EXPECT_TRUE(pB->IsSeeThrough());
  EXPECT_FALSE(pA->IsSeeThrough());
}

TEST_P(LayerDraw, TransparentColourLeavesItsPixelsOut) {
  // Column 1's colour is the transparent one.
  const COLORREF cr = Column(1);
  char buf[16];
  snprintf(buf, sizeof buf, "%02X%02X%02X", static_cast<unsigned>(cr & 0xFF),
           static_cast<unsigned>((cr >> 8) & 0xFF), static_cast<unsigned>((cr >> 16) & 0xFF));
  std::u16string hex(buf, buf + 6);
  PutBitmap(u"tc", 3, u"tc=" + hex + u"\r\n");
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{4, 0, 7, 1});
  AddItem(pA, u"tc.conf", RECT{0, 0, 3, 1});
  std::vector<DWORD> before = All();
  DrawAll();
  EXPECT_EQ(Px(4, 0), Pixel(Column(0)));
  EXPECT_EQ(Px(5, 0), before[5]);
  EXPECT_EQ(Px(6, 0), Pixel(Column(2)));
}

TEST_F(LayerDraw16, PerPixelAlphaShowsOrLeavesOutEachPixel) {
  PutBitmap(u"pa", 4, u"pa=true\r\n", {63, 0, 63, 0});
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{2, 3, 6, 4});
  AddItem(pA, u"pa.conf", RECT{0, 0, 4, 1});
  std::vector<DWORD> before = All();
  DrawAll();
  EXPECT_EQ(Px(2, 3), Pixel(Column(0)));
  EXPECT_EQ(Px(3, 3), before[3 * kW + 3]);
  EXPECT_EQ(Px(4, 3), Pixel(Column(2)));
  EXPECT_EQ(Px(5, 3), before[3 * kW + 5]);
  EXPECT_TRUE(pA->IsSeeThrough());
}

TEST_P(LayerDraw, AlphaFilterBlendsTheLayerAndNoSizeDrawsNothing) {
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 4, 1});
  pA->GetStyle()->GetBgColorCtrl().SetColor(RGB(255, 255, 255));
  pA->GetStyle()->GetAlphaFilterCtrl().SetFilter(TRUE, 128);
  std::vector<DWORD> before = All();
  DrawAll();
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Px(x, 0), Half(before[x], Pixel(RGB(255, 255, 255)))) << x;
  EXPECT_EQ(Px(4, 0), before[4]);

  // No size: nothing drawn, no bitmap made, no error.
  pA->MoveLayer(0, 0, 0, 0, FALSE);
  CWceUiLayer* pEmpty = AddLayer(*m_pCtrl, m_pTop, RECT{5, 1, 5, 3});
  pEmpty->GetStyle()->GetBgColorCtrl().SetColor(RGB(1, 2, 3));
  before = All();
  ClearLog();
  DrawAll();
  m_pCtrl->Draw(m_pWnd.get(), RECT{3, 3, 3, 3});
  EXPECT_EQ(All(), before);
  EXPECT_TRUE(Messages().empty());
  // An unloaded window bitmap is never touched.
  std::unique_ptr<CWceUiGenericBitmap> pUnloaded(WceUiCreateBitmapObject(Bits()));
  m_pCtrl->Draw(pUnloaded.get(), RECT{0, 0, kW, kH});
  EXPECT_FALSE(pUnloaded->IsLoaded());
}

TEST_P(LayerDraw, MixColourConvertsTheColourAsEachDepthDoes) {
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 2, 1});
  pA->GetStyle()->GetBgColorCtrl().SetColor(RGB(0, 0, 0));
  pA->GetStyle()->GetMixColorFilterCtrl().SetFilter(TRUE, RGB(255, 0, 0), 128);
  DrawAll();
  // Black mixed half with red: red in the red channel at both depths.
  const DWORD expected = Half(Pixel(RGB(0, 0, 0)), Pixel(RGB(255, 0, 0)));
  EXPECT_EQ(Px(0, 0), expected);
  EXPECT_EQ(Px(1, 0), expected);
}

INSTANTIATE_TEST_SUITE_P(Depth, LayerDraw, ::testing::Values(16, 32));

}  // namespace
