// (m) Redrawing a dialog of 30 layers (a background, a title bar, buttons whose pictures carry
// per-pixel alpha, icons drawn at a constant alpha, labels with text) at 800x480 in both depths,
// through the UI real window as a screen repaints: one full redraw over one bare copy of the same
// full-screen surface, timed in the same run; and the pixels repainted when one small layer is
// invalidated, over that layer's area (1.0: only the layer's rectangle is redrawn).
#include "bench/CBenchReport.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "wceui/resfiles/CFhGlobals.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/drawing/WceUiDib.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiResource.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kWidth = 800;
const int kHeight = 480;
const int kButtons = 10;
const int kIcons = 10;
const int kLabels = 8;
const int kIconSize = 48;
const char16_t kWndDir[] = u"\\Bench\\Wnd\\";

// The framework's lines, kept and not printed while timing (a line would time the terminal). Any
// line is a fault of the set-up.
std::vector<std::string> g_lines;

// A real window that adds up the area of every repaint it is asked for.
class CCountingWnd : public CWceUiRealWnd {
 public:
  void OnPaint(HDC hdc, const RECT& rcPaint) override {
    m_nPainted += static_cast<long long>(rcPaint.right - rcPaint.left) * (rcPaint.bottom - rcPaint.top);
    CWceUiRealWnd::OnPaint(hdc, rcPaint);
  }
  long long m_nPainted = 0;
};

void PutFile(const std::u16string& cePath, const std::string& bytes) {
  const std::string path = wce::HostPath(cePath);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

void PutText(const std::u16string& cePath, const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  PutFile(cePath, bytes);
}

std::u16string W(const std::string& s) {
  return WceUtf8ToWide(s);
}

std::string Rect(int x, int y, int w, int h) {
  return std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," + std::to_string(h);
}

// A picture of w x h in the depth whose every column differs, with its conf file.
bool PutBitmap(const std::u16string& resDir, int nBits, const std::string& id, int w, int h,
               const std::string& conf, bool bAlphaFile) {
  const std::u16string bmp = resDir + u"bitmap\\" + W(id) + u".bmp";
  PutFile(bmp, "");
  BOOL bSaved = FALSE;
  if (nBits == 16) {
    const int nStride = (w + 1) & ~1;
    std::vector<WORD> pixels(static_cast<size_t>(nStride) * h, 0);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        pixels[static_cast<size_t>(y * nStride + x)] = static_cast<WORD>((x * 7) ^ (y << 6));
    }
    bSaved = Save565BmpFile(bmp.c_str(), pixels.data(), w, h);
  } else {
    std::vector<DWORD> pixels(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y * w + x)] = (x * 0x010305u) ^ (y << 8);
    }
    bSaved = Save32BmpFile(bmp.c_str(), pixels.data(), w, h);
  }
  if (bAlphaFile) {
    // Opaque in the middle, fading towards the edges, as a rounded button picture is.
    std::string alpha(static_cast<size_t>(w) * h, '\0');
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int nEdge = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
        alpha[static_cast<size_t>(y * w + x)] = static_cast<char>(std::min(63, nEdge * 8));
      }
    }
    if (alpha.size() % 2) alpha.push_back(0);
    PutFile(resDir + u"bitmap\\" + W(id) + u".alpha", alpha);
  }
  PutText(resDir + u"bitmap\\" + W(id) + u".conf", u"src=" + W(id) + u".bmp\r\n" + W(conf));
  return bSaved != 0;
}

// The dialog and style files, and the pictures and font of one depth.
bool PutResources(const std::u16string& resDir, int nBits) {
  if (!PutBitmap(resDir, nBits, "btn", 140, 56, "pa=true\r\n", true)) return false;
  if (!PutBitmap(resDir, nBits, "icon", kIconSize, kIconSize, "ca=128\r\n", false)) return false;
  PutText(u"\\Bench\\lang.ini", u"title=Phone projection\r\n");
  PutText(resDir + u"font\\text.font", u"facename=WenQuanYi Micro Hei\r\nheight=-20\r\n");
  std::string dlg = "<dialog><body name=\"bench\" windowrect=\"0,0,800,480\" style=\"back\">";
  std::string style =
      "<root><style><back><position rect=\"0,0,800,480\"/><background color=\"0x203040\"/></back>"
      "<title><position rect=\"0,0,800,60\"/><background color=\"0x405060\"/>"
      "<text color=\"0xFFFFFF\"><font id=\"text.font\"/></text></title>";
  dlg += "<l type=\"CWceUiLayer\" name=\"title\" style=\"title\"/>";
  for (int i = 0; i < kButtons; ++i) {
    const std::string n = "btn" + std::to_string(i);
    dlg += "<l type=\"CWceUiLayer\" name=\"" + n + "\" style=\"" + n + "\"/>";
    style += "<" + n + "><position rect=\"" + Rect(20 + (i % 5) * 156, 80 + (i / 5) * 70, 140, 56) +
             "\"/><text color=\"0xFFFFFF\"><font id=\"text.font\"/></text><background><i id=\"btn.conf\"/>"
             "</background></" +
             n + ">";
  }
  for (int i = 0; i < kIcons; ++i) {
    const std::string n = "icon" + std::to_string(i);
    dlg += "<l type=\"CWceUiLayer\" name=\"" + n + "\" style=\"" + n + "\"/>";
    style += "<" + n + "><position rect=\"" + Rect(40 + i * 74, 240, kIconSize, kIconSize) +
             "\"/><background><i id=\"icon.conf\"/></background></" + n + ">";
  }
  for (int i = 0; i < kLabels; ++i) {
    const std::string n = "label" + std::to_string(i);
    dlg += "<l type=\"CWceUiLayer\" name=\"" + n + "\" style=\"" + n + "\"/>";
    style += "<" + n + "><position rect=\"" + Rect(20 + (i % 4) * 195, 320 + (i / 4) * 70, 180, 50) +
             "\"/><background color=\"0x" + (i % 2 ? "304050" : "506070") +
             "\"/><text color=\"0xF0F0F0\"><font id=\"text.font\"/></text></" + n + ">";
  }
  dlg += "</body></dialog>";
  style += "</style></root>";
  PutText(std::u16string(kWndDir) + u"bench\\CWceUiDlg.dlg.xml", W(dlg));
  PutText(std::u16string(kWndDir) + u"bench\\CWceUiDlg.style.xml", W(style));
  return true;
}

void Run(int nBits, int nRounds) {
  const std::u16string resDir = u"\\Bench\\Res" + W(std::to_string(nBits)) + u"\\";
  WceUiGetGlobals()->Reset();
  wce::ResetUser();
  if (!wce::SetDisplayDriver("headless") || !wce::SetScreen(kWidth, kHeight, nBits) ||
      !PutResources(resDir, nBits) ||
      !WceUiInit(reinterpret_cast<HINSTANCE>(0x10000), kWndDir, resDir.c_str(), u"\\Bench\\lang.ini",
                 FALSE)) {
    std::fprintf(stderr, "redraw bench: the %d-bit set-up failed\n", nBits);
    std::exit(1);
  }
  CCountingWnd wnd;
  const RECT rcScreen = {0, 0, kWidth, kHeight};
  if (!wnd.Create(WS_POPUP | WS_VISIBLE, &rcScreen, nullptr)) std::exit(1);
  CWceUiLayerCtrl* pCtrl = wnd.GetLayerCtrl();
  CWceUiDlg* pDlg = pCtrl->CreateDlg(u"bench\\CWceUiDlg");
  if (pDlg == nullptr) {
    std::fprintf(stderr, "redraw bench: the dialog was not built: %s\n",
                 g_lines.empty() ? "" : g_lines.back().c_str());
    std::exit(1);
  }
  // Shown as a modal run shows it, without the run's loop.
  pCtrl->RootLayer()->AppendChild(pDlg);
  pDlg->GetChildByName(u"title")->SetText(u"Phone projection");
  for (int i = 0; i < kButtons; ++i)
    pDlg->GetChildByName(W("btn" + std::to_string(i)).c_str())->SetText(u"Button");
  for (int i = 0; i < kLabels; ++i) {
    pDlg->GetChildByName(W("label" + std::to_string(i)).c_str())
        ->SetText(u"A label of some length that wraps");
  }
  HWND hWnd = wnd.GetSafeHwnd();
  ::UpdateWindow(hWnd);

  // The floor: one bare copy of the whole screen surface in this depth.
  std::unique_ptr<CWceUiGenericBitmap> pSurface(wnd.GetCurWndBmp());
  void* pBits = nullptr;
  pSurface->GetHBitmap(&pBits);
  const size_t nBytes = static_cast<size_t>(nBits == 16 ? ((kWidth + 1) & ~1) * 2 : kWidth * 4) * kHeight;
  std::vector<unsigned char> copy(nBytes);
  std::vector<double> redrawUs;
  std::vector<double> copyUs;
  CBenchReport::TimeInTurns(
      [&] {
        wnd.InvalidateRect(nullptr, FALSE);
        ::UpdateWindow(hWnd);
      },
      [&] { std::memcpy(copy.data(), pBits, nBytes); }, nRounds, 1.0, &redrawUs, &copyUs);
  pSurface->ReleaseHBitmap();
  const double dRedraw = CBenchReport::Median(redrawUs);
  const double dCopy = CBenchReport::Median(copyUs);
  const std::string depth = std::to_string(nBits) + "bit-800x480";
  CBenchReport::Result("m", "redraw/full-" + depth + "-over-copy", dRedraw / dCopy, "ratio", "");

  // One icon asks to be drawn again.
  CWceUiLayer* pIcon = pDlg->GetChildByName(u"icon3");
  wnd.m_nPainted = 0;
  pIcon->InvalidateRect(nullptr);
  ::UpdateWindow(hWnd);
  const double dArea = static_cast<double>(kIconSize) * kIconSize;
  CBenchReport::Result("m", "redraw/small-layer-" + depth + "-pixels-over-area", wnd.m_nPainted / dArea,
                       "ratio", "<=1.0");
  char line[200];
  std::snprintf(
      line, sizeof line,
      "%d bits: a full redraw of %d layers %.0f us, a bare copy %.0f us; one %dx%d icon repaints %lld pixels",
      nBits, pCtrl->GetLayerCount() - 1, dRedraw, dCopy, kIconSize, kIconSize, wnd.m_nPainted);
  CBenchReport::Note(line);

  pCtrl->RootLayer()->RemoveChild(pDlg);
  pCtrl->DeleteLayer(pDlg);
  ::DestroyWindow(hWnd);
}

}  // namespace

int main(int argc, char** argv) {
  const int nRounds = argc > 1 ? std::atoi(argv[1]) : 50;
  std::string tmpl = (std::filesystem::temp_directory_path() / "redraw-bench-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) return 1;
  wce::SetRootDir(tmpl);
  wce::SetDebugSink([](const std::string& line) { g_lines.push_back(line); });
  std::printf("(m) redraw of a 30-layer dialog at 800x480 through the UI real window, %d rounds\n", nRounds);
  for (int nBits : {16, 32}) Run(nBits, nRounds);
  wce::SetDebugSink(nullptr);
  CBenchReport::Note(std::to_string(g_lines.size()) + " framework lines" +
                     (g_lines.empty() ? "" : ", the first: " + g_lines[0]));
  std::filesystem::remove_all(tmpl);
  return 0;
}
