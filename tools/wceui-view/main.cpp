// wceui-view: draws one dialog the way the head unit shows it, headless, and writes the screen.
//   wceui-view --wnd DIR --res DIR [--lang FILE] [--password PW] --screen WxH --bpp 16|32
//              DLGPATH [--out FILE.bmp] [--layers] [--window]
// DIR and FILE may be on disk, a resource pack, or a folder or file inside a pack as the program
// names them ("corvane_res.pack\wnd", "corvane_res.pack\language\ChineseGB.ini"). DLGPATH names
// "DLGPATH.dlg.xml" and "DLGPATH.style.xml" under --wnd; its last part names the dialog's class.
// The framework's and the application's classes are known (the program's screens and widgets
// build as in the program); any other dialog class is drawn as a plain dialog. --layers prints the
// layer tree, one layer a line; --window shows the dialog in the desktop window until Escape.
#include "tools/wceui-view/CViewWnd.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "wceui/base/CWceUiClassRegistrar.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/WceUiLayerWalk.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/resfiles/WceUiReadFile.h"
#include "wceui/resfiles/WceUiResource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// SDL's video start keeps an allocation of D-Bus, which it opens for the desktop's input methods,
// past SDL_Quit: it is theirs, not ours (read only by a sanitizer build).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}

namespace {

const char kUsage[] =
    "usage: wceui-view --wnd DIR --res DIR [--lang FILE] [--password PW] --screen WxH --bpp 16|32 DLGPATH "
    "[--out FILE.bmp] [--layers] [--window]\n"
    "  DIR, FILE: on disk, a pack, or inside a pack as the program names them (corvane_res.pack\\wnd,\n"
    "  corvane_res.pack\\res, corvane_res.pack\\language\\ChineseGB.ini). DLGPATH's last part is the\n"
    "  dialog's class: the framework's and the application's (CMainDlg, CHelpDlg, CPhoneDlg) are known,\n"
    "  any other is drawn as a plain dialog.";

// How long the desktop window may take to show the first picture.
constexpr DWORD kFlushMs = 10000;

struct ViewArgs {
  std::string m_strWndDir;
  std::string m_strResDir;
  std::string m_strLangFile;
  std::string m_strPassword;
  bool m_bHasPassword = false;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nBits = 0;
  std::string m_strDlgPath;
  std::string m_strOutFile;
  bool m_bLayers = false;
  bool m_bWindow = false;
};

int Fail(const std::string& what) {
  std::fprintf(stderr, "wceui-view: %s\n", what.c_str());
  return 1;
}

bool ParseScreen(const std::string& text, int* pWidth, int* pHeight) {
  char* pEnd = nullptr;
  const long w = std::strtol(text.c_str(), &pEnd, 10);
  if (pEnd == text.c_str() || (*pEnd != 'x' && *pEnd != 'X')) return false;
  const char* pH = pEnd + 1;
  const long h = std::strtol(pH, &pEnd, 10);
  if (pEnd == pH || *pEnd != 0 || w <= 0 || h <= 0 || w > 8192 || h > 8192) return false;
  *pWidth = static_cast<int>(w);
  *pHeight = static_cast<int>(h);
  return true;
}

// An empty result with the reason in *pError.
bool ParseArgs(int argc, char** argv, ViewArgs* pArgs, std::string* pError) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool bHasValue = i + 1 < argc;
    auto value = [&](std::string* pOut) {
      if (!bHasValue) {
        *pError = arg + " needs a value";
        return false;
      }
      *pOut = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--wnd") {
      if (!value(&pArgs->m_strWndDir)) return false;
    } else if (arg == "--res") {
      if (!value(&pArgs->m_strResDir)) return false;
    } else if (arg == "--lang") {
      if (!value(&pArgs->m_strLangFile)) return false;
    } else if (arg == "--password") {
      if (!value(&pArgs->m_strPassword)) return false;
      pArgs->m_bHasPassword = true;
    } else if (arg == "--out") {
      if (!value(&pArgs->m_strOutFile)) return false;
    } else if (arg == "--screen") {
      if (!value(&text)) return false;
      if (!ParseScreen(text, &pArgs->m_nWidth, &pArgs->m_nHeight)) {
        *pError = "--screen wants WIDTHxHEIGHT, not " + text;
        return false;
      }
    } else if (arg == "--bpp") {
      if (!value(&text)) return false;
      if (text != "16" && text != "32") {
        *pError = "--bpp wants 16 or 32, not " + text;
        return false;
      }
      pArgs->m_nBits = std::atoi(text.c_str());
    } else if (arg == "--layers") {
      pArgs->m_bLayers = true;
    } else if (arg == "--window") {
      pArgs->m_bWindow = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *pError = "unknown option " + arg;
      return false;
    } else if (!pArgs->m_strDlgPath.empty()) {
      *pError = "one dialog at a time, not " + pArgs->m_strDlgPath + " and " + arg;
      return false;
    } else {
      pArgs->m_strDlgPath = arg;
    }
  }
  const struct {
    bool m_bMissing;
    const char* m_pszWhat;
  } required[] = {
      {pArgs->m_strWndDir.empty(), "--wnd"},
      {pArgs->m_strResDir.empty(), "--res"},
      {pArgs->m_nWidth == 0, "--screen"},
      {pArgs->m_nBits == 0, "--bpp"},
      {pArgs->m_strDlgPath.empty(), "a dialog path"},
  };
  for (const auto& r : required) {
    if (r.m_bMissing) {
      *pError = std::string(r.m_pszWhat) + " is missing";
      return false;
    }
  }
  if (pArgs->m_strOutFile.empty() && !pArgs->m_bLayers && !pArgs->m_bWindow) {
    *pError = "nothing to do: give --out, --layers or --window";
    return false;
  }
  return true;
}

// The device's root is the host's, so a host path is a device path with the other separator.
std::u16string DevicePath(const std::string& hostPath) {
  std::u16string path = WceUtf8ToWide(std::filesystem::absolute(hostPath).lexically_normal().string());
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

// What the framework can read from: a file or a folder, or a folder or file inside a pack as the
// program names them ("cecorvane_res.pack\wnd"), whose pack file must then be there. Whether the
// pack holds the folder is told by the first read from it.
bool IsReadablePath(const std::u16string& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  WCHAR szPack[MAX_PATH];
  WCHAR szItem[MAX_PATH];
  if (!WceUiSplitPackPath(path.c_str(), szPack, szItem)) return false;
  const DWORD dwAttributes = GetFileAttributesW(szPack);
  return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The layer and everything below it, a parent before its children, indented by depth.
void PrintLayers(CWceUiLayer* pTop) {
  WceUiWalkLayers(pTop, [](CWceUiLayer* pLayer, int nDepth) {
    RECT rc;
    pLayer->GetWindowRect(&rc);
    std::printf("%*s%u %s \"%s\" %ld,%ld,%ld,%ld shown=%d enabled=%d container=%d\n", nDepth * 2, "",
                static_cast<unsigned>(pLayer->GetLayerId()), WceWideToUtf8(pLayer->GetClassName()).c_str(),
                WceWideToUtf8(pLayer->GetName()).c_str(), static_cast<long>(rc.left),
                static_cast<long>(rc.top), static_cast<long>(rc.right), static_cast<long>(rc.bottom),
                pLayer->IsLayerShow() ? 1 : 0, pLayer->IsLayerEnable() ? 1 : 0,
                pLayer->IsContainer() ? 1 : 0);
    return true;
  });
}

CWceUiObject* CreatePlainDlg() {
  return new CWceUiDlg;
}

}  // namespace

int main(int argc, char** argv) {
  ViewArgs args;
  std::string error;
  if (argc == 1) {
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  if (!ParseArgs(argc, argv, &args, &error)) return Fail(error);

  wce::SetRootDir("/");
  const struct {
    const std::string& m_strPath;
    const char* m_pszWhat;
  } inputs[] = {{args.m_strWndDir, "window directory"},
                {args.m_strResDir, "resource directory"},
                {args.m_strLangFile, "language file"}};
  for (const auto& in : inputs) {
    if (!in.m_strPath.empty() && !IsReadablePath(DevicePath(in.m_strPath))) {
      return Fail(std::string("the ") + in.m_pszWhat + " " + in.m_strPath + " does not exist");
    }
  }
  std::error_code ec;
  // A window directory that is a pack holds the files as items; only a folder can be looked into.
  std::string hostDlgPath = args.m_strDlgPath;
  for (char& c : hostDlgPath) {
    if (c == '\\') c = '/';
  }
  if (std::filesystem::is_directory(args.m_strWndDir, ec)) {
    for (const char* pKind : {".dlg.xml", ".style.xml"}) {
      const std::filesystem::path file = std::filesystem::path(args.m_strWndDir) / (hostDlgPath + pKind);
      if (!std::filesystem::exists(file, ec))
        return Fail("the dialog file " + file.string() + " does not exist");
    }
  }

  // Framework lines are kept: the last one tells why a dialog failed, the others are warnings.
  std::vector<std::string> logLines;
  wce::SetDebugSink([&logLines](const std::string& line) {
    logLines.push_back(line.size() > kWceUiLogStampChars ? line.substr(kWceUiLogStampChars) : line);
  });
  // The desktop display's library would take SIGINT and SIGTERM for a quit event that no window
  // hears; without its handlers they end the tool as they end any program.
  if (args.m_bWindow) setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  // The desktop window opens at the screen's size: the screen first.
  if (!wce::SetScreen(args.m_nWidth, args.m_nHeight, args.m_nBits)) return Fail("the screen was refused");
  if (!wce::SetDisplayDriver(args.m_bWindow ? "sdl" : "headless")) {
    return Fail(args.m_bWindow ? "the desktop window could not open (is DISPLAY set?)"
                               : "no headless display");
  }
  const std::u16string wndDir = DevicePath(args.m_strWndDir);
  const std::u16string resDir = DevicePath(args.m_strResDir);
  const std::u16string langFile =
      args.m_strLangFile.empty() ? std::u16string() : DevicePath(args.m_strLangFile);
  const std::u16string password = WceUtf8ToWide(args.m_strPassword);
  // The language file is read at once: one inside a pack needs the password first, as in the
  // program's start.
  if (args.m_bHasPassword) WceUiSetPackPassword(password.c_str());
  if (!WceUiInit(reinterpret_cast<HINSTANCE>(0x10000), wndDir.c_str(), resDir.c_str(), langFile.c_str(),
                 FALSE)) {
    return Fail("the framework did not start");
  }
  // Without a language file texts by id stay empty, as on a unit whose file is missing; the failed
  // look-up of the empty path is no news to the author.
  if (args.m_strLangFile.empty()) logLines.clear();

  std::u16string dlgPath = WceUtf8ToWide(args.m_strDlgPath);
  for (char16_t& c : dlgPath) {
    if (c == u'/') c = u'\\';
  }
  const size_t nSlash = dlgPath.rfind(u'\\');
  const std::u16string className = nSlash == std::u16string::npos ? dlgPath : dlgPath.substr(nSlash + 1);
  CWceUiClassRecord* pRecord = WceUiFindClassRecord(className.c_str());
  if (pRecord == nullptr || pRecord->m_pfnCreate == nullptr) {
    WceUiRegisterClass(CreatePlainDlg, className.c_str(), WCEUI_CLASS_NAME(CWceUiDlg));
  }

  CViewWnd wnd;
  const RECT rcScreen = {0, 0, args.m_nWidth, args.m_nHeight};
  if (!wnd.Create(WS_POPUP | WS_VISIBLE, &rcScreen, nullptr)) return Fail("the window could not be created");
  // Keys of the desktop window go to the focus window.
  ::SetFocus(wnd.GetSafeHwnd());
  CWceUiLayerCtrl* pCtrl = wnd.GetLayerCtrl();
  CWceUiDlg* pDlg = pCtrl->CreateDlg(dlgPath.c_str());
  if (pDlg == nullptr) {
    ::DestroyWindow(wnd.GetSafeHwnd());
    std::string why;
    for (const std::string& line : logLines) why += (why.empty() ? "" : " | ") + line;
    return Fail("the dialog " + args.m_strDlgPath +
                " was not built: " + (why.empty() ? "no reason given" : why));
  }

  int nResult = 0;
  wnd.m_fnOnShown = [&]() -> BOOL {
    if (!args.m_strOutFile.empty() && !wce::SaveScreen(args.m_strOutFile)) {
      nResult = Fail("cannot write " + args.m_strOutFile);
    }
    if (args.m_bLayers) PrintLayers(pDlg);
    if (args.m_bWindow) {
      // Said once the desktop window shows the picture, so whoever reads it may look.
      if (!wce::FlushScreen(kFlushMs))
        std::fprintf(stderr, "wceui-view: the desktop window is slow to show\n");
      std::fprintf(stderr, "wceui-view: Escape in the window closes it\n");
    }
    return args.m_bWindow && nResult == 0;
  };
  wnd.PostMessage(CViewWnd::kShownMsg, 0, 0);
  pDlg->DoModal();
  pCtrl->DeleteLayer(pDlg);
  ::DestroyWindow(wnd.GetSafeHwnd());
  wce::SetDebugSink(nullptr);
  for (const std::string& line : logLines) std::fprintf(stderr, "wceui-view: framework: %s\n", line.c_str());
  return nResult;
}
