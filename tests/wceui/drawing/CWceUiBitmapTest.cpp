// The bitmap classes at both depths: shared data and copy on write, attributes, GDI blits, the
// kernels' operations (pixels computed here from the blend rules), rotation, hue, and BMP files.
#include "wceui/drawing/CWceUi32Bitmap.h"
#include "wceui/drawing/CWceUi565Bitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"

#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/drawing/BitmapPeek.h"
#include "tests/wceui/drawing/PixelRules.h"
#include "tests/wceui/support/WceUiTestFiles.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {
bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

class Bitmaps : public WceUiTestRoot, public ::testing::WithParamInterface<int> {
 protected:
  int Bits() const { return GetParam(); }
  bool Is565() const { return GetParam() == 16; }
  LPCWSTR ClassName() const { return Is565() ? u"CWceUi565Bitmap" : u"CWceUi32Bitmap"; }

  // A bitmap of this depth whose every pixel differs.
  std::unique_ptr<CWceUiGenericBitmap> Make(int w, int h, DWORD seed) {
    std::unique_ptr<CWceUiGenericBitmap> p(WceUiCreateBitmapObject(Bits()));
    EXPECT_TRUE(p->CreateDIB(w, h));
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) Set(p.get(), x, y, (y * w + x) * (Is565() ? 0x3A5u : 0x9E3779B1u) + seed);
    }
    return p;
  }
  static DWORD Get(const CWceUiGenericBitmap* p, int x, int y) { return PeekPixel(p, x, y); }
  static void Set(CWceUiGenericBitmap* p, int x, int y, DWORD v) { PokePixel(p, x, y, v); }
  static std::vector<DWORD> All(const CWceUiGenericBitmap* p) {
    std::vector<DWORD> v;
    for (int y = 0; y < p->GetHeight(); ++y) {
      for (int x = 0; x < p->GetWidth(); ++x) v.push_back(Get(p, x, y));
    }
    return v;
  }
  // A COLORREF as this depth's pixel, by the colour rule.
  DWORD Pixel(COLORREF cr) const {
    const DWORD r = cr & 0xFF, g = (cr >> 8) & 0xFF, b = (cr >> 16) & 0xFF;
    return Is565() ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3) : (r << 16) | (g << 8) | b;
  }
  DWORD RefBlend(DWORD d, DWORD s, int a) const {
    return Is565() ? RefBlend565(static_cast<WORD>(d), static_cast<WORD>(s), a) : RefBlend32(d, s, a);
  }
};

TEST_P(Bitmaps, CreatedEmptyAndSized) {
  std::unique_ptr<CWceUiGenericBitmap> p(WceUiCreateBitmapObject(Bits()));
  ASSERT_NE(nullptr, p);
  EXPECT_TRUE(p->IsKindOf(ClassName()));
  EXPECT_TRUE(p->IsKindOf(u"CWceUiGenericBitmap"));
  EXPECT_FALSE(p->IsLoaded());
  EXPECT_EQ(0, p->GetWidth());
  EXPECT_TRUE(Contains(Messages(), "error:   ::GetWidth, IsLoaded() return FALSE"));
  EXPECT_FALSE(p->CreateDIB(0, 3));
  EXPECT_TRUE(Contains(Messages(), "check(nWidth > 0)fail"));
  ASSERT_TRUE(p->CreateDIB(3, 2));
  EXPECT_TRUE(p->IsLoaded());
  EXPECT_EQ(3, p->GetWidth());
  EXPECT_EQ(2, p->GetHeight());
  EXPECT_EQ(Bits(), p->GetBitsPixel());
  EXPECT_FALSE(p->HasPerPixelAlpha());
  std::unique_ptr<CWceUiGenericBitmap> byName(
      static_cast<CWceUiGenericBitmap*>(WceUiCreateObject(ClassName())));
  ASSERT_NE(nullptr, byName);
  EXPECT_TRUE(byName->IsKindOf(ClassName()));
}

TEST_P(Bitmaps, CopiesShareUntilOneIsWritten) {
  std::unique_ptr<CWceUiGenericBitmap> a = Make(4, 3, 0x1234);
  const std::vector<DWORD> before = All(a.get());
  CWceUiGenericBitmap* pCopy = nullptr;
  ASSERT_TRUE(a->MakeACopy(&pCopy));
  std::unique_ptr<CWceUiGenericBitmap> b(pCopy);
  EXPECT_EQ(Peek::Data(a.get()), Peek::Data(b.get()));
  EXPECT_EQ(2, Peek::Data(a.get())->m_nRef);
  ASSERT_TRUE(b->FillColor(RGB(0x10, 0x20, 0x30), nullptr));
  EXPECT_NE(Peek::Data(a.get()), Peek::Data(b.get()));
  EXPECT_EQ(before, All(a.get()));
  EXPECT_EQ(std::vector<DWORD>(12, Pixel(RGB(0x10, 0x20, 0x30))), All(b.get()));
  EXPECT_EQ(1, Peek::Data(a.get())->m_nRef);

  CWceUiGenericBitmap* pSecond = pCopy;  // not NULL: refused
  EXPECT_FALSE(a->MakeACopy(&pSecond));
  EXPECT_TRUE(Contains(Messages(), "::MakeACopy, *ppCopyBmp should be NULL to prevent possible memory leak"));
}

TEST_P(Bitmaps, LockedPixelsAreNotSharedUntilReleased) {
  std::unique_ptr<CWceUiGenericBitmap> a = Make(3, 2, 0x55);
  void* pBits = nullptr;
  ASSERT_NE(nullptr, a->GetHBitmap(&pBits));
  EXPECT_EQ(Peek::Data(a.get())->m_pBits, pBits);
  CWceUiGenericBitmap* pCopy = nullptr;
  ASSERT_TRUE(a->MakeACopy(&pCopy));
  std::unique_ptr<CWceUiGenericBitmap> b(pCopy);
  EXPECT_NE(Peek::Data(a.get()), Peek::Data(b.get()));
  EXPECT_EQ(All(a.get()), All(b.get()));
  a->ReleaseHBitmap();
  pCopy = nullptr;
  ASSERT_TRUE(a->MakeACopy(&pCopy));
  std::unique_ptr<CWceUiGenericBitmap> c(pCopy);
  EXPECT_EQ(Peek::Data(a.get()), Peek::Data(c.get()));
}

TEST_P(Bitmaps, TransparentColourAndConstantAlpha) {
  std::unique_ptr<CWceUiGenericBitmap> p = Make(2, 2, 1);
  COLORREF cr = 0;
  EXPECT_FALSE(p->GetTransColor(&cr));
  EXPECT_FALSE(p->SetTransColor(1, WCEUI_INVALID_TRANS_COLOR));
  EXPECT_TRUE(Contains(Messages(), "check(WCEUI_INVALID_TRANS_COLOR != crTrans)fail"));
  EXPECT_TRUE(p->SetTransColor(1, RGB(255, 0, 255)));
  EXPECT_TRUE(p->GetTransColor(&cr));
  EXPECT_EQ(RGB(255, 0, 255), cr);
  EXPECT_TRUE(p->SetTransColor(0, 0));
  EXPECT_FALSE(p->GetTransColor(&cr));

  int nAlpha = 7;
  EXPECT_FALSE(p->GetConstantAlpha(&nAlpha));
  ClearLog();
  EXPECT_TRUE(p->SetConstantAlpha(1, 0));  // logged, and stored
  EXPECT_TRUE(Contains(Messages(), "check(((nAlpha > 0) && (nAlpha <= 255)))fail"));
  EXPECT_TRUE(p->GetConstantAlpha(&nAlpha));
  EXPECT_EQ(0, nAlpha);
  EXPECT_FALSE(p->SetConstantAlpha(1, 256));
  EXPECT_TRUE(p->SetConstantAlpha(1, 128));
  EXPECT_TRUE(p->GetConstantAlpha(&nAlpha));
  EXPECT_EQ(128, nAlpha);
  EXPECT_TRUE(p->SetConstantAlpha(0, 0));
  EXPECT_FALSE(p->GetConstantAlpha(&nAlpha));
}

TEST_P(Bitmaps, ConstantAlphaBlendIsClippedToBothBitmaps) {
  struct Case {
    int m_nX, m_nY, m_nW, m_nH, m_nSx, m_nSy;
  };
  const Case cases[] = {
      {1, 1, 3, 2, 0, 1},   // inside both
      {-1, 2, 4, 5, 0, 0},  // past the destination's left and bottom
      {3, 0, 4, 4, 2, -1},  // past the source's top and right
      {0, 0, 5, 4, 0, 0},   // whole bitmap onto whole bitmap
      {9, 9, 2, 2, 0, 0},   // nothing left: success, nothing drawn
  };
  for (int nAlpha : {100, 128, 255}) {
    for (const Case& c : cases) {
      std::unique_ptr<CWceUiGenericBitmap> dst = Make(5, 4, 0x1111);
      std::unique_ptr<CWceUiGenericBitmap> src = Make(5, 4, 0x2222);
      const std::vector<DWORD> before = All(dst.get());
      ASSERT_TRUE(dst->AlphaBlend(c.m_nX, c.m_nY, c.m_nW, c.m_nH, src.get(), c.m_nSx, c.m_nSy,
                                  WceUiMakeBlendFunction(nAlpha, 0)));
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
          const int sx = x - c.m_nX + c.m_nSx, sy = y - c.m_nY + c.m_nSy;
          const bool in = x >= c.m_nX && x < c.m_nX + c.m_nW && y >= c.m_nY && y < c.m_nY + c.m_nH &&
                          sx >= 0 && sx < 5 && sy >= 0 && sy < 4;
          const DWORD d = before[y * 5 + x];
          EXPECT_EQ(in ? RefBlend(d, Get(src.get(), sx, sy), nAlpha) : d, Get(dst.get(), x, y))
              << nAlpha << " case " << (&c - cases) << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST_P(Bitmaps, PerPixelAlphaBlend) {
  std::unique_ptr<CWceUiGenericBitmap> dst = Make(4, 3, 0x1357);
  std::unique_ptr<CWceUiGenericBitmap> src = Make(4, 3, 0x2468);
  // Without per-pixel alpha the source alpha format is refused.
  EXPECT_FALSE(dst->AlphaBlend(0, 0, 4, 3, src.get(), 0, 0, WceUiMakeBlendFunction(255, AC_SRC_ALPHA)));
  EXPECT_TRUE(Contains(
      Messages(),
      "::AlphaBlend, Invalid argument:use AC_SRC_ALPHA but pSrcBmp->HasPerPixelAlpha() return FALSE"));
  ASSERT_TRUE(src->SetPerPixelAlpha(1));
  std::vector<BYTE> alpha;
  if (Is565()) {
    // A new plane is all transparent; give each pixel its own alpha, 0 and 63 included.
    BYTE* pPlane = Peek::Data(src.get())->m_pAlpha;
    ASSERT_NE(nullptr, pPlane);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(0, pPlane[i]);
    for (int i = 0; i < 12; ++i) pPlane[i] = static_cast<BYTE>(i * 63 / 11);
  } else {
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x)
        Set(src.get(), x, y, (Get(src.get(), x, y) & 0xFFFFFF) | ((y * 4 + x) * 23u << 24));
    }
  }
  const std::vector<DWORD> before = All(dst.get());
  ASSERT_TRUE(dst->AlphaBlend(1, 0, 3, 3, src.get(), 0, 0, WceUiMakeBlendFunction(40, AC_SRC_ALPHA)));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const DWORD d = before[y * 4 + x];
      DWORD expected = d;
      if (x >= 1) {
        const DWORD s = Get(src.get(), x - 1, y);
        expected = Is565() ? RefPerPixel565(static_cast<WORD>(d), static_cast<WORD>(s),
                                            Peek::Data(src.get())->m_pAlpha[(2 - y) * 4 + x - 1])
                           : RefPerPixel32(d, s);
      }
      EXPECT_EQ(expected, Get(dst.get(), x, y)) << x << "," << y;
    }
  }
}

TEST_P(Bitmaps, BlendingAcrossDepthsFails) {
  std::unique_ptr<CWceUiGenericBitmap> dst = Make(2, 2, 1);
  std::unique_ptr<CWceUiGenericBitmap> other(WceUiCreateBitmapObject(Is565() ? 32 : 16));
  ASSERT_TRUE(other->CreateDIB(2, 2));
  ASSERT_TRUE(other->SetPerPixelAlpha(1));
  ClearLog();
  EXPECT_FALSE(dst->AlphaBlend(0, 0, 2, 2, other.get(), 0, 0, WceUiMakeBlendFunction(128, 0)));
  EXPECT_TRUE(Contains(Messages(), Is565() ? "check(16 == pSrcBmp->GetBitsPixel())fail"
                                           : "check(32 == pSrcBmp->GetBitsPixel())fail"));
  EXPECT_FALSE(dst->AlphaBlend(0, 0, 2, 2, nullptr, 0, 0, 0));
  EXPECT_TRUE(Contains(Messages(), "::AlphaBlend, pSrcBmp is NULL"));
}

TEST_P(Bitmaps, MixColorAndDarkenOverARectangleClippedToTheBitmap) {
  const COLORREF crMix = RGB(0xA3, 0x51, 0x17);
  for (COLORREF cr : {crMix, RGB(0, 0, 0)}) {
    for (int nAlpha : {64, 100, 250}) {
      std::unique_ptr<CWceUiGenericBitmap> p = Make(5, 4, 0x0F0F);
      const std::vector<DWORD> before = All(p.get());
      ASSERT_TRUE(p->MixColor(2, -1, 9, 3, cr, nAlpha));
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
          const DWORD d = before[y * 5 + x];
          DWORD expected = d;
          if (x >= 2 && y < 2) {
            if (cr != 0) {
              expected = RefBlend(d, Pixel(cr), nAlpha);
            } else {
              expected = Is565() ? RefDarken565(static_cast<WORD>(d), nAlpha) : RefDarken32(d, nAlpha);
            }
          }
          EXPECT_EQ(expected, Get(p.get(), x, y)) << cr << " " << nAlpha << " at " << x << "," << y;
        }
      }
    }
  }
  std::unique_ptr<CWceUiGenericBitmap> p = Make(2, 2, 3);
  EXPECT_FALSE(p->MixColor(0, 0, 2, 2, crMix, 256));
  EXPECT_TRUE(Contains(Messages(), "check(((nAlpha >= 0) && (nAlpha <= 255)))fail"));
  EXPECT_TRUE(p->MixColor(5, 5, 2, 2, crMix, 128));  // nothing of the bitmap: success
}

TEST_P(Bitmaps, RotateByQuarterTurns) {
  std::unique_ptr<CWceUiGenericBitmap> p = Make(3, 2, 0x0404);
  ASSERT_TRUE(p->SetTransColor(1, RGB(1, 2, 3)));
  for (int nAngle : {1, 2, 3}) {
    CWceUiGenericBitmap* pTurned = nullptr;
    ASSERT_TRUE(p->Rotate(nAngle, &pTurned));
    std::unique_ptr<CWceUiGenericBitmap> t(pTurned);
    EXPECT_TRUE(t->IsKindOf(ClassName()));
    EXPECT_EQ(nAngle == 2 ? 3 : 2, t->GetWidth());
    EXPECT_EQ(nAngle == 2 ? 2 : 3, t->GetHeight());
    EXPECT_FALSE(t->GetTransColor(nullptr));
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) {
        const int dx = nAngle == 1 ? 1 - y : nAngle == 2 ? 2 - x : y;
        const int dy = nAngle == 1 ? x : nAngle == 2 ? 1 - y : 2 - x;
        EXPECT_EQ(Get(p.get(), x, y), Get(t.get(), dx, dy)) << nAngle;
      }
    }
  }
  CWceUiGenericBitmap* pTurned = nullptr;
  EXPECT_FALSE(p->Rotate(4, &pTurned));
  EXPECT_TRUE(Contains(Messages(), "::Rotate, eAngle is Invalid"));
  CWceUiGenericBitmap* pStale = p.get();  // overwritten after the warning
  ASSERT_TRUE(p->Rotate(2, &pStale));
  std::unique_ptr<CWceUiGenericBitmap> t(pStale);
  EXPECT_TRUE(Contains(Messages(),
                       "warning:   ::Rotate, *ppRotatedBmp should be NULL to prevent possible memory leak"));
}

TEST_P(Bitmaps, HueShiftKeepsCopiesApart) {
  std::unique_ptr<CWceUiGenericBitmap> p = Make(3, 2, 0x7777);
  Set(p.get(), 0, 0, Pixel(RGB(255, 0, 0)));
  CWceUiGenericBitmap* pCopy = nullptr;
  ASSERT_TRUE(p->MakeACopy(&pCopy));
  std::unique_ptr<CWceUiGenericBitmap> c(pCopy);
  const std::vector<DWORD> before = All(c.get());
  EXPECT_FALSE(p->SetHSLOffsetHue(181));
  EXPECT_TRUE(p->SetHSLOffsetHue(0));
  EXPECT_EQ(Peek::Data(p.get()), Peek::Data(c.get()));  // 0 does nothing, not even a copy
  ASSERT_TRUE(p->SetHSLOffsetHue(120));
  EXPECT_EQ(Is565() ? 0x07C0u : 0x0000FF00u, Get(p.get(), 0, 0));  // red turned green
  EXPECT_EQ(before, All(c.get()));
}

TEST_P(Bitmaps, GdiBlitsBetweenBitmaps) {
  std::unique_ptr<CWceUiGenericBitmap> src = Make(4, 4, 0x3210);
  // A plain copy of a 2 x 2 block, and the rectangle copy from the same place.
  std::unique_ptr<CWceUiGenericBitmap> dst = Make(4, 4, 0x0101);
  const std::vector<DWORD> before = All(dst.get());
  ASSERT_TRUE(dst->BitBlt(1, 2, 2, 2, src.get(), 0, 0, SRCCOPY));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool in = x >= 1 && x < 3 && y >= 2;
      EXPECT_EQ(in ? Get(src.get(), x - 1, y - 2) : before[y * 4 + x], Get(dst.get(), x, y));
    }
  }
  const RECT rc = {0, 0, 2, 1};
  ASSERT_TRUE(dst->CopyRect(src.get(), rc));
  EXPECT_EQ(Get(src.get(), 1, 0), Get(dst.get(), 1, 0));
  EXPECT_FALSE(dst->BitBlt(0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(Contains(Messages(), "::BitBlt(pSrcBmp), pSrcBmp is NULL"));

  // Twice the size: each source pixel covers a 2 x 2 block.
  std::unique_ptr<CWceUiGenericBitmap> big = Make(4, 4, 0);
  ASSERT_TRUE(big->StretchBlt(0, 0, 4, 4, src.get(), 1, 1, 2, 2, SRCCOPY));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Get(src.get(), 1 + x / 2, 1 + y / 2), Get(big.get(), x, y));
  }

  // The key colour's pixels are left as they were.
  const COLORREF crKey = RGB(0xF8, 0x00, 0xF8);
  ASSERT_TRUE(src->FillColor(crKey, &rc));
  std::unique_ptr<CWceUiGenericBitmap> keyed = Make(4, 4, 0x4444);
  const std::vector<DWORD> keyedBefore = All(keyed.get());
  ASSERT_TRUE(keyed->TransBlt(0, 0, 4, 4, src.get(), 0, 0, 4, 4, crKey));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool bKey = y == 0 && x < 2;
      EXPECT_EQ(bKey ? keyedBefore[y * 4 + x] : Get(src.get(), x, y), Get(keyed.get(), x, y))
          << x << "," << y;
    }
  }
}

TEST_P(Bitmaps, BltToDcDrawsIntoTheDcsBitmap) {
  std::unique_ptr<CWceUiGenericBitmap> src = Make(3, 3, 0x6161);
  std::unique_ptr<CWceUiGenericBitmap> target = Make(4, 4, 0x0202);
  const std::vector<DWORD> before = All(target.get());
  HDC hdc = CreateCompatibleDC(nullptr);
  ASSERT_NE(nullptr, hdc);
  HGDIOBJ hOld = SelectObject(hdc, target->GetHBitmap(nullptr));
  ASSERT_TRUE(src->BltToDc(hdc, 2, 1, 2, 2, 1, 0, SRCCOPY));
  SelectObject(hdc, hOld);
  DeleteDC(hdc);
  target->ReleaseHBitmap();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool in = x >= 2 && y >= 1 && y < 3;
      EXPECT_EQ(in ? Get(src.get(), x - 1, y - 1) : before[y * 4 + x], Get(target.get(), x, y))
          << x << "," << y;
    }
  }
  EXPECT_FALSE(src->BltToDc(nullptr, 0, 0, 1, 1, 0, 0, SRCCOPY));
  EXPECT_TRUE(Contains(Messages(), "check(NULL != dcDst)fail"));
  std::unique_ptr<CWceUiGenericBitmap> empty(WceUiCreateBitmapObject(Bits()));
  EXPECT_FALSE(empty->SaveFile(u"\\SDMMC\\CECorvane\\empty.bmp"));
  EXPECT_TRUE(Contains(Messages(), "::SaveFile \"\\SDMMC\\CECorvane\\empty.bmp\", IsLoaded() return FALSE"));
}

TEST_P(Bitmaps, SavedFilesLoadBackWithTheirAlpha) {
  std::unique_ptr<CWceUiGenericBitmap> p = Make(3, 2, 0x5A5A);
  ASSERT_TRUE(p->SaveFile(u"\\SDMMC\\CECorvane\\pic.bmp"));
  const std::string bytes = Bytes(u"\\SDMMC\\CECorvane\\pic.bmp");
  EXPECT_EQ(Is565() ? 86u : 82u, bytes.size());
  // Alphas of one byte a pixel, even-width rows: one above 63, which loads as 63.
  WceUiPutFile(u"\\SDMMC\\CECorvane\\pic.alpha", std::string("\x00\x10\x3F\x00\x40\x20\x00\x00", 8));
  std::unique_ptr<CWceUiGenericBitmap> q(
      WceUiLoadBmpFromFile(u"\\SDMMC\\CECorvane\\pic.bmp", 1, u"\\SDMMC\\CECorvane\\pic.alpha"));
  ASSERT_NE(nullptr, q);
  EXPECT_TRUE(q->IsKindOf(ClassName()));
  EXPECT_EQ(All(p.get()), All(q.get()));
  EXPECT_TRUE(q->HasPerPixelAlpha());
  if (Is565()) {
    const BYTE* pAlpha = Peek::Data(q.get())->m_pAlpha;
    ASSERT_NE(nullptr, pAlpha);
    EXPECT_EQ(std::vector<BYTE>({0, 0x10, 0x3F, 0, 0x3F, 0x20}), std::vector<BYTE>(pAlpha, pAlpha + 6));
  }
  // Without the flag no plane is taken and the bitmap has no per-pixel alpha.
  std::unique_ptr<CWceUiGenericBitmap> r(
      WceUiLoadBmpFromFile(u"\\SDMMC\\CECorvane\\pic.bmp", 0, u"\\SDMMC\\CECorvane\\pic.alpha"));
  ASSERT_NE(nullptr, r);
  EXPECT_FALSE(r->HasPerPixelAlpha());
  EXPECT_EQ(nullptr, Peek::Data(r.get())->m_pAlpha);
}

TEST_P(Bitmaps, LoadFromHBitmapConvertsToThisDepth) {
  std::unique_ptr<CWceUiGenericBitmap> p = Make(3, 2, 0);
  ASSERT_TRUE(p->FillColor(RGB(0xF8, 0xFC, 0xF8), nullptr));
  std::unique_ptr<CWceUiGenericBitmap> q(WceUiCreateBitmapObject(Bits()));
  ASSERT_TRUE(q->LoadFromHBitmap(p->GetHBitmap(nullptr)));
  p->ReleaseHBitmap();
  EXPECT_EQ(All(p.get()), All(q.get()));
  EXPECT_FALSE(q->LoadFromHBitmap(nullptr));
  EXPECT_TRUE(Contains(Messages(), "check(NULL != hBitmap)fail"));
}

INSTANTIATE_TEST_SUITE_P(Depth, Bitmaps, ::testing::Values(16, 32));

class Bitmap565Mix : public WceUiTestRoot {};

TEST_F(Bitmap565Mix, AWholeBitmapMixAtHalfAndThreeQuartersHalvesAndQuartersEachSide) {
  // The colour RGB(136, 172, 232) is (17, 43, 29) in 565. Worked by hand per channel: at half
  // weight D/2 + M/2, at three quarters D/4 + (3·M)/4, each part truncated before the sum (the
  // rectangle form would give (D + M)/2 and (D + 3·M)/4: 10, 32, 30 and 13, 37, 29 for the first).
  const COLORREF crMix = RGB(136, 172, 232);
  const Rgb kD1 = {3, 21, 31}, kD2 = {30, 62, 1};
  struct Case {
    int m_nAlpha;
    Rgb m_E1, m_E2;
  } cases[] = {
      // 3/2 + 17/2 = 1 + 8, 21/2 + 43/2 = 10 + 21, 31/2 + 29/2 = 15 + 14; 15 + 8, 31 + 21, 0 + 14.
      {120, {9, 31, 29}, {23, 52, 14}},
      {128, {9, 31, 29}, {23, 52, 14}},
      {136, {9, 31, 29}, {23, 52, 14}},
      // 3/4 + 51/4 = 0 + 12, 21/4 + 129/4 = 5 + 32, 31/4 + 87/4 = 7 + 21; 7 + 12, 15 + 32, 0 + 21.
      {184, {12, 37, 28}, {19, 47, 21}},
      {192, {12, 37, 28}, {19, 47, 21}},
      {200, {12, 37, 28}, {19, 47, 21}},
  };
  for (const Case& c : cases) {
    // An odd width: the whole-bitmap form runs over the padding pixel of each row too.
    std::unique_ptr<CWceUiGenericBitmap> p(WceUiCreateBitmapObject(16));
    ASSERT_TRUE(p->CreateDIB(3, 2));
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) PokePixel(p.get(), x, y, Pack565((x + y) % 2 == 0 ? kD1 : kD2));
    }
    ASSERT_TRUE(p->MixColor(0, 0, 3, 2, crMix, c.m_nAlpha));
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) {
        const Rgb e = (x + y) % 2 == 0 ? c.m_E1 : c.m_E2;
        const Rgb got = Unpack565(static_cast<WORD>(PeekPixel(p.get(), x, y)));
        EXPECT_EQ((std::vector<DWORD>{e.m_dwR, e.m_dwG, e.m_dwB}),
                  (std::vector<DWORD>{got.m_dwR, got.m_dwG, got.m_dwB}))
            << c.m_nAlpha << " at " << x << "," << y;
      }
    }
  }
}

class BitmapFileErrors : public WceUiTestRoot {};

std::string BmpHeader(int nWidth, int nHeight, int nBits, size_t nData) {
  std::string b(54, '\0');
  auto put = [&](size_t at, DWORD v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<DWORD>(54 + nData), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<DWORD>(nWidth), 4);
  put(22, static_cast<DWORD>(nHeight), 4);
  put(26, 1, 2);
  put(28, static_cast<DWORD>(nBits), 2);
  return b + std::string(nData, '\x11');
}

TEST_F(BitmapFileErrors, EachRefusalHasItsLine) {
  WceUiPutFile(u"\\SDMMC\\res\\rgb24.bmp", BmpHeader(3, 2, 24, 24));
  WceUiPutFile(u"\\SDMMC\\res\\rgb16.bmp", BmpHeader(3, 2, 16, 16));
  WceUiPutFile(u"\\SDMMC\\res\\short.alpha", std::string(7, '\x3F'));
  WceUiPutFile(u"\\SDMMC\\res\\junk.bmp", std::string(60, 'x'));
  struct Case {
    LPCWSTR m_pszPath;
    BOOL m_bAlpha;
    LPCWSTR m_pszAlphaPath;
    const char* m_pszLine;
  };
  const Case cases[] = {
      {u"\\SDMMC\\res\\rgb24.bmp", 0, nullptr,
       "error: WceUiLoadBmpFromFile, \\SDMMC\\res\\rgb24.bmp is neither  16 nor 32 bitmap"},
      {u"\\SDMMC\\res\\rgb16.bmp", 1, u"\\SDMMC\\res\\short.alpha",
       "error: WceUiLoadBmpFromFile, read \\SDMMC\\res\\short.alpha failed, the length is not enough"},
      {u"\\SDMMC\\res\\rgb16.bmp", 1, nullptr,
       "error: WceUiLoadBmpFromFile, load \\SDMMC\\res\\rgb16.bmp , bPerPixelAlpha is TRUE but pAlphaPath is "
       "NULL"},
      {u"\\SDMMC\\res\\rgb16.bmp", 1, u"\\SDMMC\\res\\none.alpha",
       "error: WceUiLoadBmpFromFile, read \\SDMMC\\res\\none.alpha failed"},
      {u"\\SDMMC\\res\\junk.bmp", 0, nullptr,
       "error: WceUiLoadBmpFromFile, \\SDMMC\\res\\junk.bmp is not a valid bitmap"},
      {u"\\SDMMC\\res\\none.bmp", 0, nullptr,
       "error: WceUiLoadBmpFromFile, WceUiReadFile \\SDMMC\\res\\none.bmp failed"},
      {nullptr, 0, nullptr, "error: WceUiLoadBmpFromFile,check(NULL != pFilePath)fail"},
  };
  for (const Case& c : cases) {
    ClearLog();
    EXPECT_EQ(nullptr, WceUiLoadBmpFromFile(c.m_pszPath, c.m_bAlpha, c.m_pszAlphaPath)) << c.m_pszLine;
    EXPECT_TRUE(Contains(Messages(), c.m_pszLine)) << c.m_pszLine;
  }
  // A 16-bit picture loads without its plane when none is asked for, and with a long enough one.
  WceUiPutFile(u"\\SDMMC\\res\\ok.alpha", std::string(8, '\x20'));
  std::unique_ptr<CWceUiGenericBitmap> p(
      WceUiLoadBmpFromFile(u"\\SDMMC\\res\\rgb16.bmp", 1, u"\\SDMMC\\res\\ok.alpha"));
  ASSERT_NE(nullptr, p);
  EXPECT_TRUE(p->HasPerPixelAlpha());
}

TEST_F(BitmapFileErrors, CreateBitmapObjectKnowsTwoDepths) {
  std::unique_ptr<CWceUiGenericBitmap> p16(WceUiCreateBitmapObject(16));
  std::unique_ptr<CWceUiGenericBitmap> p32(WceUiCreateBitmapObject(32));
  EXPECT_TRUE(p16->IsKindOf(u"CWceUi565Bitmap"));
  EXPECT_TRUE(p32->IsKindOf(u"CWceUi32Bitmap"));
  EXPECT_EQ(nullptr, WceUiCreateBitmapObject(24));
  EXPECT_TRUE(
      Contains(Messages(), "error: WceUiCreateBitmapObject,bmBitsPixel is invalid, neither 16 nor 32"));
}

TEST_F(BitmapFileErrors, The565FlagFollowsThePlane) {
  CWceUi565Bitmap bmp;
  const std::vector<WORD> pixels(4, 0x1234);
  ASSERT_TRUE(bmp.CreateDIB565(2, 2, pixels.data(), nullptr));
  EXPECT_FALSE(bmp.HasPerPixelAlpha());
  const BYTE alpha[4] = {0, 63, 64, 255};
  ASSERT_TRUE(bmp.CreateDIB565(2, 2, pixels.data(), alpha));
  EXPECT_TRUE(bmp.HasPerPixelAlpha());
  const BYTE* pPlane = Peek::Data(&bmp)->m_pAlpha;
  EXPECT_EQ(std::vector<BYTE>({0, 63, 63, 63}), std::vector<BYTE>(pPlane, pPlane + 4));
  CWceUi32Bitmap bmp32;
  ASSERT_TRUE(bmp32.CreateDIB32(2, 2, nullptr, 1));
  EXPECT_TRUE(bmp32.HasPerPixelAlpha());
  ASSERT_TRUE(bmp32.CreateDIB32(2, 2, nullptr, 0));
  EXPECT_FALSE(bmp32.HasPerPixelAlpha());
}
}  // namespace
