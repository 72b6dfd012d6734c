// The resource generator's parts: rectangles and font heights scaled to a screen, texts written in
// the framework's UTF-16 form, shapes edged by coverage, and pixels in the two bitmap forms the
// framework reads (premultiplied 32-bit with alpha on top; RGB565 with a 0..63 alpha plane) that
// the framework's blend adds without overflowing.
#include "tools/resgen/CResCanvas.h"
#include "tools/resgen/CResStager.h"
#include "tools/resgen/ResScale.h"
#include "wceui/drawing/WceUiPixelKernels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Utf16Le(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

TEST(ResScaleTest, RectangleTextsScaleEachNumberOnItsOwn) {
  const struct {
    int nWidth, nHeight;
    const char* pIn;
    const char* pOut;  // nullptr: refused
  } kCases[] = {
      {800, 480, "220,352,360,96", "220,352,360,96"},
      {1024, 600, "0,0,800,480", "0,0,1024,600"},
      // 220 * 1.28 = 281.6, 352 * 1.25 = 440, 360 * 1.28 = 460.8, 96 * 1.25 = 120
      {1024, 600, "220,352,360,96", "282,440,461,120"},
      {1024, 600, " 16 , 16,88 ,80 ", "20,20,113,100"},
      {1024, 600, "-10,-4,20,8", "-13,-5,26,10"},
      {1024, 600, "1,2,3", nullptr},
      {1024, 600, "1,2,3,4,5", nullptr},
      {1024, 600, "a,b,c,d", nullptr},
      {1024, 600, "", nullptr},
  };
  for (const auto& c : kCases) {
    std::string out;
    const bool bOk = ResScaleRectText(ResScaleForScreen(c.nWidth, c.nHeight), c.pIn, &out);
    EXPECT_EQ(bOk, c.pOut != nullptr) << c.pIn;
    if (c.pOut != nullptr) {
      EXPECT_EQ(out, c.pOut) << c.pIn;
    }
  }
}

TEST(ResStagerTest, TextsAreWrittenInUtf16WithTheirRectanglesAndFontHeightsScaled) {
  const CResStager stager("src", "out", 1024, 600, 32);
  const struct {
    const char* pPath;
    const char* pIn;
    std::u16string out;
  } kCases[] = {
      // Every rectangle attribute of dialog and style files, in any letter case; other numbers stay.
      {"wnd/a.dlg.xml", "<body windowrect=\"0,0,800,480\"><x res_count=\"8\" style=\"s\"/></body>",
       u"<body windowrect=\"0,0,1024,600\"><x res_count=\"8\" style=\"s\"/></body>"},
      {"wnd/a.style.xml",
       "<s><position RECT=\"100,40,200,80\"/><item src-rect=\"0,0,10,10\" dst-rect=\"5,5,10,10\"/></s>",
       u"<s><position RECT=\"128,50,256,100\"/><item src-rect=\"0,0,13,13\" dst-rect=\"6,6,13,13\"/></s>"},
      // Font heights follow the screen's height, widths its width.
      {"res/font/title.conf", "; note\nheight=-40\nwidth=10\nweight=700\nfacename=A\n",
       u"; note\nheight=-50\nwidth=13\nweight=700\nfacename=A\n"},
      // Everything else is only converted, Chinese included.
      {"language/ChineseGB.ini", "[main]\nLINKING=正在连接\n", u"[main]\nLINKING=正在连接\n"},
      {"res/bitmap/main/spin1.conf", "src=spin1.bmp\npa=true\nheight=-40\n",
       u"src=spin1.bmp\npa=true\nheight=-40\n"},
  };
  for (const auto& c : kCases) {
    std::string out, error;
    ASSERT_TRUE(stager.ConvertText(c.pPath, c.pIn, &out, &error)) << c.pPath << ": " << error;
    EXPECT_EQ(out, Utf16Le(c.out)) << c.pPath;
  }
  std::string out, error;
  EXPECT_FALSE(stager.ConvertText("wnd/b.style.xml", "<position rect=\"1,2,3\"/>", &out, &error));
  EXPECT_NE(error.find("wnd/b.style.xml"), std::string::npos);
  EXPECT_NE(error.find("1,2,3"), std::string::npos);
}

TEST(ResCanvasTest, ShapesCoverTheShareOfEachPixelTheyCover) {
  CResCanvas canvas(4, 2);
  // Columns 0 and 1 whole, column 2 half, column 3 not at all.
  canvas.FillRect(0, 0, 2.5f, 2, ResRgb(0xFF0000));
  EXPECT_FLOAT_EQ(canvas.GetAlpha(0, 0), 1.0f);
  EXPECT_FLOAT_EQ(canvas.GetAlpha(1, 1), 1.0f);
  EXPECT_FLOAT_EQ(canvas.GetAlpha(2, 0), 0.5f);
  EXPECT_FLOAT_EQ(canvas.GetAlpha(3, 1), 0.0f);
  // Premultiplied: half red at half opacity.
  EXPECT_EQ(canvas.GetPremultiplied32(2, 0), 0x80800000u);
  EXPECT_EQ(canvas.GetPremultiplied32(0, 0), 0xFFFF0000u);
  EXPECT_EQ(canvas.GetPremultiplied32(3, 0), 0x00000000u);

  // A circle of radius 2 round the centre of a 6 x 6 canvas covers its middle, not its corners.
  CResCanvas round(6, 6);
  round.FillCircle(3, 3, 2, ResRgb(0xFFFFFF));
  EXPECT_FLOAT_EQ(round.GetAlpha(2, 2), 1.0f);
  EXPECT_FLOAT_EQ(round.GetAlpha(0, 0), 0.0f);
  EXPECT_GT(round.GetAlpha(1, 3), 0.0f);
  EXPECT_LT(round.GetAlpha(1, 3), 1.0f);
}

TEST(ResCanvasTest, DibRowsAreBottomUpAndPaddedInBothForms) {
  // Width 3: 32-bit rows of 12 bytes, 565 rows of 6 bytes padded to 8, alpha rows of 4.
  CResCanvas canvas(3, 2);
  canvas.FillRect(0, 0, 1, 1, ResRgb(0x0000FF));  // top-left: blue
  canvas.FillRect(2, 1, 3, 2, ResRgb(0xFFFFFF));  // bottom-right: white
  const std::vector<BYTE> dib32 = canvas.Dib32();
  ASSERT_EQ(dib32.size(), 24u);
  // The bottom row comes first: white at x 2 (B, G, R, A).
  EXPECT_EQ(std::vector<BYTE>(dib32.begin() + 8, dib32.begin() + 12),
            (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(std::vector<BYTE>(dib32.begin() + 12, dib32.begin() + 16),
            (std::vector<BYTE>{0xFF, 0x00, 0x00, 0xFF}));
  EXPECT_EQ(dib32[16], 0x00);  // top row, x 1: empty

  const std::vector<BYTE> dib565 = canvas.Dib565();
  ASSERT_EQ(dib565.size(), 16u);
  EXPECT_EQ(dib565[4] | dib565[5] << 8, 0xFFFF);  // bottom row, x 2
  EXPECT_EQ(dib565[6] | dib565[7] << 8, 0);       // padding
  EXPECT_EQ(dib565[8] | dib565[9] << 8, 0x001F);  // top row, x 0: blue

  const std::vector<BYTE> alpha = canvas.AlphaPlane565();
  EXPECT_EQ(alpha, (std::vector<BYTE>{0, 0, 63, 0, 63, 0, 0, 0}));
}

TEST(ResCanvasTest, Dib565PixelsBlendWithoutOverflowAtEveryOpacity) {
  // White at each opacity over white: the framework adds the premultiplied source to the
  // destination weighed by (63 - a) / 64 without saturation, so no channel may wrap round.
  for (int i = 0; i <= 64; ++i) {
    CResCanvas canvas(2, 1);
    canvas.FillRect(0, 0, 2, 1, ResRgb(0xFFFFFF, static_cast<float>(i) / 64.0f));
    const std::vector<BYTE> pixels = canvas.Dib565();
    const std::vector<BYTE> alpha = canvas.AlphaPlane565();
    const WORD src[2] = {static_cast<WORD>(pixels[0] | pixels[1] << 8),
                         static_cast<WORD>(pixels[2] | pixels[3] << 8)};
    WORD dst[2] = {0xFFFF, 0xFFFF};
    WceUiBlendPerPixelRow565(dst, src, alpha.data(), 2);
    const int r = (dst[0] >> 11) & 0x1F, g = (dst[0] >> 5) & 0x3F, b = dst[0] & 0x1F;
    EXPECT_GE(r, 29) << i;
    EXPECT_GE(g, 59) << i;
    EXPECT_GE(b, 29) << i;
  }
}

TEST(ResCanvasTest, Opaque565PixelsAreDitheredInStepWithTheScreen) {
  // A grey halfway between two RGB565 steps of red and blue (and of green): a 4 x 4 block holds
  // both steps, half and half, so the block averages to the grey.
  const float fLevel = 10.5f / 31.0f;
  CResCanvas canvas(8, 4);
  canvas.Fill({fLevel, 21.0f / 63.0f, fLevel, 1.0f});
  std::vector<BYTE> dib = canvas.Dib565();
  int nLow = 0, nHigh = 0;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const int r = (dib[y * 16 + x * 2 + 1] >> 3) & 0x1F;
      nLow += r == 10 ? 1 : 0;
      nHigh += r == 11 ? 1 : 0;
    }
  }
  EXPECT_EQ(nLow, 8);
  EXPECT_EQ(nHigh, 8);

  // The pattern follows the screen: a picture placed one column further right dithers as the
  // first one does one column further on.
  CResCanvas shifted(8, 4);
  shifted.Fill({fLevel, 21.0f / 63.0f, fLevel, 1.0f});
  shifted.SetScreenOrigin(1, 0);
  const std::vector<BYTE> moved = shifted.Dib565();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x + 1 < 8; ++x) {
      EXPECT_EQ(moved[y * 16 + x * 2], dib[y * 16 + (x + 1) * 2]) << x << "," << y;
      EXPECT_EQ(moved[y * 16 + x * 2 + 1], dib[y * 16 + (x + 1) * 2 + 1]) << x << "," << y;
    }
  }

  // Pixels that are not opaque are not dithered: the same value everywhere.
  CResCanvas faint(4, 4);
  faint.Fill({fLevel, 21.0f / 63.0f, fLevel, 0.5f});
  dib = faint.Dib565();
  for (int i = 1; i < 16; ++i) EXPECT_EQ(dib[i * 2] | dib[i * 2 + 1] << 8, dib[0] | dib[1] << 8) << i;
}

}  // namespace
