#include "app/CAppConsole.h"

#include "app/AppWindowMessages.h"

#include "wceui/core/CRealDlg.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/core/WceUiLayerWalk.h"

#include "platform/kernel/wcestr.h"
#include "platform/user/UserHooks.h"
#include "app/ProgramOptions.h"

#include <iostream>
#include <thread>
#include <utility>

namespace {

const char kProgram[] = "CECorvane";
const WCHAR kConsoleClass[] = u"CorvaneConsoleWnd";

// The console window's own messages; lParam of those with a file: a std::string* freed there.
const UINT WM_CONSOLE_SCREEN = WM_USER + 1;
const UINT WM_CONSOLE_LAYERS = WM_USER + 2;
const UINT WM_CONSOLE_DUMP = WM_USER + 3;
const UINT WM_CONSOLE_QUIT = WM_USER + 4;

const char kLayerIndent[] = "  ";
// Each paint validates its window; the bound keeps one that never does from holding the UI thread.
const int kMaxDuePaints = 64;

std::string LayerText(LPCWSTR pText) {
  std::string out;
  for (char c : WceWideToUtf8(pText)) {
    if (c == '\n') {
      out += "\\n";
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

std::string LayerLine(CWceUiLayer* pLayer, size_t nDepth) {
  RECT rc = {};
  pLayer->GetWindowRect(&rc);
  std::string line;
  for (size_t i = 0; i < nDepth; ++i) line += kLayerIndent;
  const std::string name = pLayer->GetName() != nullptr ? WceWideToUtf8(pLayer->GetName()) : std::string();
  line += std::to_string(pLayer->GetLayerId()) + " " + (name.empty() ? "-" : name) + " " +
          WceWideToUtf8(pLayer->GetClassName()) + " " + std::to_string(rc.left) + "," +
          std::to_string(rc.top) + "," + std::to_string(rc.right) + "," + std::to_string(rc.bottom);
  LPCWSTR pText = pLayer->GetText();
  if (pText != nullptr && pText[0] != 0) line += " \"" + LayerText(pText) + "\"";
  return line;
}

// A dialog under the root body counts while it runs; any other layer while it is shown.
bool IsListedDialog(CWceUiLayer* pLayer) {
  if (!pLayer->IsLayerShow()) return false;
  if (!pLayer->IsKindOf(u"CWceUiDlg")) return true;
  return static_cast<CWceUiDlg*>(pLayer)->GetRunWay() != DLG_RUN_NONE;
}

// What the messages before a command changed is drawn at WM_PAINT, which the queue hands out only
// once no posted message waits: the command would see the screen as it was before them.
void PaintDueWindows() {
  MSG msg;
  for (int i = 0; i < kMaxDuePaints && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
    DispatchMessageW(&msg);
  }
}

}  // namespace

void CAppConsole::FormatLayers(CWceUiLayerCtrl* pCtrl, std::vector<std::string>* pLines) {
  CWceUiLayer* pBody = pCtrl != nullptr ? pCtrl->RootLayer() : nullptr;
  if (pBody == nullptr) return;
  for (CWceUiLayer* pDlg = pBody->GetFirstChild(); pDlg != nullptr; pDlg = pBody->NextChild(pDlg)) {
    if (!IsListedDialog(pDlg)) continue;
    WceUiWalkLayers(pDlg, [pLines](CWceUiLayer* pLayer, int nDepth) {
      if (!pLayer->IsLayerShow()) return false;
      pLines->push_back(LayerLine(pLayer, static_cast<size_t>(nDepth)));
      return true;
    });
  }
}

BOOL CAppConsole::Start(CWceUiRealWnd* pRoot, sigset_t quitSignals) {
  m_pRoot = pRoot;
  m_hRootWnd = pRoot->GetSafeHwnd();
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &CAppConsole::ConsoleWndProc;
  wc.lpszClassName = kConsoleClass;
  RegisterClassW(&wc);
  HWND hWnd = CreateWindowExW(0, kConsoleClass, kConsoleClass, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              nullptr, nullptr);
  if (hWnd == nullptr) {
    std::fprintf(stderr, "%s: no console window\n", kProgram);
    return FALSE;
  }
  SetWindowLongW(hWnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_hWnd = hWnd;
  wce::SetBroadcastTap(
      [this](UINT msg, WPARAM wParam, LPARAM lParam) { m_Lines.OnBroadcast(msg, wParam, lParam); });
  // End of input is not a quit: the program runs on until told or signalled.
  std::thread([this] {
    m_Lines.ReadCommands(std::cin, kProgram, m_hRootWnd,
                         [this](const CEngineConsole::Command& cmd) { return OnCommand(cmd); });
  }).detach();
  StartQuitSignalThread(quitSignals, [this] { PostQuit(); });
  return TRUE;
}

void CAppConsole::Stop() {
  wce::SetBroadcastTap(nullptr);
  HWND hWnd = m_hWnd.exchange(nullptr);
  if (hWnd != nullptr) DestroyWindow(hWnd);
  m_pRoot = nullptr;
}

bool CAppConsole::OnCommand(const CEngineConsole::Command& cmd) {
  switch (cmd.m_Kind) {
    case CEngineConsole::kScreen:
      return PostMessageW(m_hWnd, WM_CONSOLE_SCREEN, 0,
                          reinterpret_cast<LPARAM>(new std::string(cmd.m_strFile)));
    case CEngineConsole::kDump:
      return PostMessageW(m_hWnd, WM_CONSOLE_DUMP, 0,
                          reinterpret_cast<LPARAM>(new std::string(cmd.m_strFile)));
    case CEngineConsole::kLayers:
      return PostMessageW(m_hWnd, WM_CONSOLE_LAYERS, 0, 0);
    case CEngineConsole::kQuit:
      PostQuit();
      return true;
    default:
      return false;
  }
}

void CAppConsole::PostQuit() {
  PostMessageW(m_hWnd, WM_CONSOLE_QUIT, 0, 0);
}

void CAppConsole::OnUiCommand(UINT msg, const std::string& file) {
  if (msg == WM_CONSOLE_SCREEN) {
    PaintDueWindows();
    if (wce::SaveScreen(file)) {
      m_Lines.WriteLine("screen " + file);
    } else {
      std::fprintf(stderr, "%s: no screen written to %s\n", kProgram, file.c_str());
    }
  } else if (msg == WM_CONSOLE_DUMP) {
    CEngineConsole::WriteSurface(file, kProgram);
  } else if (msg == WM_CONSOLE_LAYERS) {
    std::vector<std::string> lines;
    if (m_pRoot != nullptr) FormatLayers(m_pRoot->GetLayerCtrl(), &lines);
    lines.push_back("end");
    m_Lines.WriteLines(lines);
  } else if (msg == WM_CONSOLE_QUIT) {
    // The connection screen ends, and with it the root window's run, in order.
    PostMessageW(m_hRootWnd, CORVANE_WM_EXIT, 0, 0);
  }
}

LRESULT CAppConsole::ConsoleWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CAppConsole* pThis = reinterpret_cast<CAppConsole*>(GetWindowLongW(hWnd, GWL_USERDATA));
  if (pThis == nullptr || msg < WM_CONSOLE_SCREEN || msg > WM_CONSOLE_QUIT) {
    return DefWindowProcW(hWnd, msg, wParam, lParam);
  }
  std::string file;
  if (msg == WM_CONSOLE_SCREEN || msg == WM_CONSOLE_DUMP) {
    std::string* pFile = reinterpret_cast<std::string*>(lParam);
    file = std::move(*pFile);
    delete pFile;
  }
  pThis->OnUiCommand(msg, file);
  return 0;
}
