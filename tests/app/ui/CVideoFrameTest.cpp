// The video layer in a dialog built from its files, on a small headless screen: the picture
// surface copied into the window whenever the tree is drawn over it and the surface holds a
// picture, the dialog file's background otherwise, and the press that holds the layer capture.
#include "app/CVideoFrame.h"

#include "tests/app/ui/AppMainWndFixture.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr int kW = 40;
constexpr int kH = 20;
constexpr DWORD kBackground = 0x00FF00;

// Every column and row differs, and none is the background or black.
DWORD PictureColour(int x, int y) {
  return 0x800000u | (static_cast<DWORD>(x) << 8) | static_cast<DWORD>(y + 1);
}

class CVideoHostDlg : public CWceUiDlg {
 public:
  void OnInitDialog() override {
    if (m_fnOnInitDialog) m_fnOnInitDialog();
    EndDialog(0);
  }
  std::function<void()> m_fnOnInitDialog;
};

class VideoFrameTest : public WceUiResFixture {
 protected:
  void SetUp() override {
    wce::ResetUser();
    ASSERT_TRUE(wce::SetDisplayDriver("headless"));
    ASSERT_TRUE(wce::SetScreen(kW, kH, 32));
    WceUiResFixture::SetUp();
    DibBmp::ResetForTests();
    DibBmp& surface = DibBmp::GetInstance();
    ASSERT_NE(surface.CreateDibBmp(kW, kH), nullptr);
    for (int y = 0; y < kH; ++y) {
      auto* row =
          reinterpret_cast<DWORD*>(surface.GetBits() + static_cast<size_t>(kH - 1 - y) * surface.GetStride());
      for (int x = 0; x < kW; ++x) row[x] = PictureColour(x, y);
    }
    m_pWnd = std::make_unique<CWceUiRealWnd>();
    const RECT rc = {0, 0, kW, kH};
    ASSERT_TRUE(m_pWnd->Create(WS_POPUP | WS_VISIBLE, &rc, nullptr));
    WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\video.dlg.xml",
                     u"<dialog><body name=\"main\" windowrect=\"0,0,40,20\" style=\"full\">"
                     u"<v type=\"CVideoFrame\" name=\"video\" style=\"video\"/></body></dialog>");
    WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\video.style.xml",
                     u"<root><style><full><position rect=\"0,0,40,20\"/></full><video><background "
                     u"color=\"0x00FF00\"/><position rect=\"0,0,40,20\"/>"
                     u"</video></style></root>");
    m_pDlg = new CVideoHostDlg;
    m_pDlg->SetLayerCtrl(m_pWnd->GetLayerCtrl());
    ASSERT_TRUE(
        m_pDlg->Init(u"\\SDMMC\\CECorvane\\Wnd\\video.dlg.xml", u"\\SDMMC\\CECorvane\\Wnd\\video.style.xml"));
    CWceUiLayer* pLayer = m_pDlg->GetChildByName(u"video");
    ASSERT_NE(pLayer, nullptr);
    ASSERT_TRUE(pLayer->IsKindOf(u"CVideoFrame"));
    m_pFrame = static_cast<CVideoFrame*>(pLayer);
  }
  void TearDown() override {
    if (m_pDlg != nullptr) m_pWnd->GetLayerCtrl()->DeleteLayer(m_pDlg);
    if (m_pWnd != nullptr && ::IsWindow(m_pWnd->GetSafeHwnd())) ::DestroyWindow(m_pWnd->GetSafeHwnd());
    m_pWnd.reset();
    DibBmp::ResetForTests();
    wce::ResetUser();
    WceUiResFixture::TearDown();
  }

  // Runs the dialog with the body inside its initialisation.
  void RunDlg(std::function<void()> body) {
    m_pDlg->m_fnOnInitDialog = std::move(body);
    m_pDlg->DoModal();
  }
  // The frame redrawn whole, then the screen's pixels: how many show the picture and how many the
  // background.
  void Redraw(int* pPicture, int* pBackground) {
    m_pFrame->InvalidateRect();
    ::UpdateWindow(m_pWnd->GetSafeHwnd());
    BITMAP bm = {};
    ASSERT_TRUE(wce::GetScreenPixels(&bm));
    *pPicture = 0;
    *pBackground = 0;
    for (int y = 0; y < bm.bmHeight; ++y) {
      const auto* row =
          reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(bm.bmBits) + y * bm.bmWidthBytes);
      for (int x = 0; x < bm.bmWidth; ++x) {
        *pPicture += (row[x] & 0xFFFFFF) == PictureColour(x, y) ? 1 : 0;
        *pBackground += (row[x] & 0xFFFFFF) == kBackground ? 1 : 0;
      }
    }
  }

  std::unique_ptr<CWceUiRealWnd> m_pWnd;
  CVideoHostDlg* m_pDlg = nullptr;
  CVideoFrame* m_pFrame = nullptr;
};

TEST_F(VideoFrameTest, ThePictureShowsOnlyWhileTheSurfaceHoldsOne) {
  int picture = -1;
  int background = -1;
  RunDlg([&] {
    // No picture since the connection attempt: the dialog file's background.
    DibBmp::GetInstance().SetPictureBusy(0);
    Redraw(&picture, &background);
    EXPECT_EQ(picture, 0);
    EXPECT_EQ(background, kW * kH);

    DibBmp::GetInstance().SetPictureBusy(1);
    Redraw(&picture, &background);
    EXPECT_EQ(picture, kW * kH);
    EXPECT_EQ(background, 0);

    // USB out cleared the ready mark: the next redraw covers the last picture.
    DibBmp::GetInstance().SetPictureBusy(0);
    Redraw(&picture, &background);
    EXPECT_EQ(picture, 0);
    EXPECT_EQ(background, kW * kH);
  });
  EXPECT_EQ(CountLinesWith(Log(), "Video Frame Show"), 1);
  EXPECT_GE(CountLinesWith(Log(), "Not Get Pic, Show null"), 2);
}

TEST_F(VideoFrameTest, APressHoldsTheCaptureUntilItsRelease) {
  RunDlg([&] {
    const HWND hwnd = m_pWnd->GetSafeHwnd();
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 7));
    EXPECT_TRUE(m_pFrame->IsPressed());
    EXPECT_EQ(m_pWnd->GetCaptureLayer(), m_pFrame);
    EXPECT_EQ(m_pFrame->GetPressPoint().x, 12);
    // The drag leaves the layer and the window; the release still reaches the layer.
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(-3, 30));
    EXPECT_FALSE(m_pFrame->IsPressed());
    EXPECT_EQ(m_pWnd->GetCaptureLayer(), nullptr);
    EXPECT_EQ(m_pFrame->GetPressPoint().x, -3);
    EXPECT_EQ(m_pFrame->GetPressPoint().y, 30);
  });
}

}  // namespace
