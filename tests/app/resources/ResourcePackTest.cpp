// The program's own resource packs as the build makes them: each opens with the program's password
// and holds the three dialogs; each dialog builds and draws without an error line; every layer the
// screens look up exists with the class they expect; every text id has a text that fits its box and
// reads against what lies behind it; every bitmap has its layer's size and the pack's depth.
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"
#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "platform/kernel/KernelHooks.h"
#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/drawing/BitmapPeek.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayerCtrl.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/styles/CWceUiBgItem.h"
#include "wceui/styles/CWceUiBgItemCtrl.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/CWceUiLoadString.h"
#include "wceui/resfiles/CWceUiXmlDoc.h"
#include "wceui/resfiles/CWceUiXmlElem.h"
#include "wceui/resfiles/WceUiReadFile.h"
#include "wceui/resfiles/WceUiResource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

struct PackCase {
  const char* m_pszName;
  int m_nWidth;
  int m_nHeight;
  int m_nBits;
};

// The four packs the program chooses from by depth and by a screen of exactly 1024 x 600.
const PackCase kPacks[] = {
    {"corvane_res.pack", 800, 480, 32},
    {"cecorvane_xxh.pack", 1024, 600, 32},
    {"cecorvane_16_res.pack", 800, 480, 16},
    {"cecorvane_16_xxh.pack", 1024, 600, 16},
};

constexpr char16_t kPassword[] = u"730592";
constexpr char16_t kProgramDir[] = u"\\SDMMC\\CECorvane\\";
const char* const kDialogs[] = {"CMainDlg", "CHelpDlg", "CPhoneDlg"};

// The layers the screens find by name: the dialog, the path of containers from the dialog (empty
// for the dialog itself), the name, and the class the code treats it as.
struct LookedUp {
  const char* m_pszDialog;
  std::vector<std::string> m_Path;
  const char* m_pszName;
  const char* m_pszClass;
};
const LookedUp kLookedUp[] = {
    {"CMainDlg", {}, "USB_OUT", nullptr},
    {"CMainDlg", {}, "container_NotExist", nullptr},
    {"CMainDlg", {}, "container_hidecorvane", nullptr},
    {"CMainDlg", {}, "container_Linking", nullptr},
    {"CMainDlg", {}, "container_Starting", nullptr},
    {"CMainDlg", {}, "corvane_video", nullptr},
    {"CMainDlg", {}, "container_calling", nullptr},
    {"CMainDlg", {}, "btnclose", "CWceUiButton"},
    {"CMainDlg", {}, "container_vtlogo", nullptr},
    {"CMainDlg", {}, "btnhelp", "CWceUiButton"},
    {"CMainDlg", {}, "corvane_version", nullptr},
    {"CMainDlg", {"container_Linking"}, "LOADING", "CWceLoading"},
    {"CMainDlg", {"container_Linking"}, "USB_LINKING", nullptr},
    {"CMainDlg", {"container_Starting"}, "RESPROGRESS", "CWceResProgress"},
    {"CMainDlg", {"USB_OUT"}, "btnForbidUsb", "CWceUiButton"},
    {"CMainDlg", {"USB_OUT"}, "btnResetUsb", "CWceUiButton"},
    {"CMainDlg", {"container_NotExist"}, "CORVANE_NOT_EXIST", nullptr},
    {"CMainDlg", {"container_NotExist"}, "btnReConnect", "CWceUiButton"},
    {"CMainDlg", {"container_hidecorvane"}, "btnReShow", "CWceUiButton"},
    {"CMainDlg", {"container_calling"}, "btn_calling_hide", "CWceUiButton"},
    {"CMainDlg", {"corvane_video"}, "video_frame", "CVideoFrame"},
    {"CHelpDlg", {}, "android_help_1", nullptr},
    {"CHelpDlg", {}, "android_help_2", nullptr},
    {"CHelpDlg", {}, "IOS_help_1", nullptr},
    {"CHelpDlg", {}, "ios_help_2", nullptr},
    {"CHelpDlg", {}, "container_help_sel", nullptr},
    {"CHelpDlg", {}, "btnExithelp", "CWceUiButton"},
    {"CHelpDlg", {"container_help_sel"}, "btn_android", "CWceUiButton"},
    {"CHelpDlg", {"container_help_sel"}, "btn_iphone", "CWceUiButton"},
    {"CHelpDlg", {"android_help_1"}, "btn_ad_step1", "CWceUiButton"},
    {"CHelpDlg", {"IOS_help_1"}, "btn_ios_step1", "CWceUiButton"},
    {"CPhoneDlg", {"phone_panel"}, "btnclose", "CWceUiButton"},
};

// Which of a dialog's top layers the dialog file shows before the first message.
struct Shown {
  const char* m_pszDialog;
  const char* m_pszName;
  bool m_bShown;
};
const Shown kInitiallyShown[] = {
    {"CMainDlg", "USB_OUT", true},
    {"CMainDlg", "container_NotExist", false},
    {"CMainDlg", "container_hidecorvane", false},
    {"CMainDlg", "container_Linking", false},
    {"CMainDlg", "container_Starting", false},
    {"CMainDlg", "corvane_video", false},
    {"CMainDlg", "container_calling", false},
    {"CMainDlg", "container_vtlogo", true},
    {"CHelpDlg", "container_help_sel", true},
    {"CHelpDlg", "android_help_1", false},
    {"CHelpDlg", "android_help_2", false},
    {"CHelpDlg", "IOS_help_1", false},
    {"CHelpDlg", "ios_help_2", false},
};

// The states of the connection screen, one container shown at a time.
const char* const kMainStates[] = {"USB_OUT",           "container_NotExist", "container_hidecorvane",
                                   "container_Linking", "container_Starting", "corvane_video",
                                   "container_calling"};
// Shown by the connection screen in its first two states only.
const char* const kMainCornerLayers[] = {"btnhelp", "btnclose", "corvane_version"};
const char* const kHelpPages[] = {"container_help_sel", "android_help_1", "android_help_2", "IOS_help_1",
                                  "ios_help_2"};

// Each dialog drawn with each of a group of its top layers shown alone (the help: its selection
// and its four pages); the phone pop-up has one look.
struct DialogRun {
  const char* m_pszDialog;
  std::vector<const char*> m_Group;
};
const DialogRun kRuns[] = {
    {"CMainDlg", {std::begin(kMainStates), std::end(kMainStates)}},
    {"CHelpDlg", {std::begin(kHelpPages), std::end(kHelpPages)}},
    {"CPhoneDlg", {}},
};

// The classes that application code registers; until it is linked, plain layers stand in for them
// so the dialogs build.
class CStandInLayer : public CWceUiLayer {};
CWceUiObject* CreateStandIn() {
  return new CStandInLayer;
}
void RegisterStandIns() {
  for (LPCWSTR pName : {u"CWceUiButton", u"CWceLoading", u"CWceResProgress", u"CVideoFrame"}) {
    CWceUiClassRecord* pRecord = WceUiFindClassRecord(pName);
    if (pRecord == nullptr || pRecord->m_pfnCreate == nullptr)
      WceUiRegisterClass(CreateStandIn, pName, u"CWceUiLayer");
  }
}

void PrintTo(const PackCase& pack, std::ostream* pOut) {
  *pOut << pack.m_pszName;
}

std::string Narrow(LPCWSTR p) {
  return p != nullptr ? WceWideToUtf8(p) : std::string();
}
std::u16string Wide(const std::string& s) {
  return WceUtf8ToWide(s);
}

// One element of a dialog file: its attributes by name.
using Attributes = std::map<std::string, std::string>;

// WCAG relative luminance of a 0xRRGGBB colour, and the contrast of two.
double Luminance(DWORD rgb) {
  auto lin = [](DWORD c) {
    const double v = static_cast<double>(c) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * lin((rgb >> 16) & 0xFF) + 0.7152 * lin((rgb >> 8) & 0xFF) + 0.0722 * lin(rgb & 0xFF);
}
double Contrast(DWORD a, DWORD b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class ResourcePackTest : public WceUiTestRoot, public ::testing::WithParamInterface<PackCase> {
 protected:
  void SetUp() override {
    WceUiTestRoot::SetUp();
    const PackCase& pack = GetParam();
    wce::ResetUser();
    ASSERT_TRUE(wce::SetDisplayDriver("headless"));
    ASSERT_TRUE(wce::SetScreen(pack.m_nWidth, pack.m_nHeight, pack.m_nBits));
    const std::filesystem::path bin = CORVANE_BIN_DIR;
    std::filesystem::copy_file(bin / pack.m_pszName,
                               wce::HostPath(std::u16string(kProgramDir) + Wide(pack.m_pszName)));
    std::filesystem::copy_file(bin / "Marlow.ttf",
                               wce::HostPath(std::u16string(kProgramDir) + u"Marlow.ttf"));
    ASSERT_GT(::AddFontResourceW((std::u16string(kProgramDir) + u"Marlow.ttf").c_str()), 0);
    m_strPack = Wide(pack.m_pszName);
    WceUiSetPackPassword(kPassword);
    ASSERT_TRUE(WceUiInit(reinterpret_cast<HINSTANCE>(0x10000), (m_strPack + u"\\wnd").c_str(),
                          (m_strPack + u"\\res").c_str(), (m_strPack + u"\\language\\ChineseGB.ini").c_str(),
                          FALSE));
    RegisterStandIns();
    m_pWnd = std::make_unique<CWceUiRealWnd>();
    const RECT rc = {0, 0, pack.m_nWidth, pack.m_nHeight};
    ASSERT_TRUE(m_pWnd->Create(WS_POPUP | WS_VISIBLE, &rc, nullptr));
  }
  void TearDown() override {
    for (CWceUiDlg* p : m_Dlgs) m_pWnd->GetLayerCtrl()->DeleteLayer(p);
    m_Dlgs.clear();
    if (m_pWnd != nullptr && ::IsWindow(m_pWnd->GetSafeHwnd())) ::DestroyWindow(m_pWnd->GetSafeHwnd());
    m_pWnd.reset();
    ::RemoveFontResourceW((std::u16string(kProgramDir) + u"Marlow.ttf").c_str());
    wce::ResetUser();
    WceUiTestRoot::TearDown();
  }

  std::u16string PackPath(const std::string& item) const {
    return std::u16string(kProgramDir) + m_strPack + u"\\" + Wide(item);
  }

  // A dialog of the pack built as the layer controller builds it; nullptr when Init refuses it.
  CWceUiDlg* Build(const std::string& dialog) {
    auto* pDlg = new CWceUiDlg;
    pDlg->SetLayerCtrl(m_pWnd->GetLayerCtrl());
    m_Dlgs.push_back(pDlg);
    return pDlg->Init(PackPath("wnd\\" + dialog + ".dlg.xml").c_str(),
                      PackPath("wnd\\" + dialog + ".style.xml").c_str())
               ? pDlg
               : nullptr;
  }

  // Every element below "body" of a dialog file by its layer name.
  std::map<std::string, Attributes> Elements(const std::string& dialog) {
    std::map<std::string, Attributes> out;
    CWceUiXmlDoc doc;
    EXPECT_TRUE(doc.LoadXmlFile(PackPath("wnd\\" + dialog + ".dlg.xml").c_str(), FALSE));
    if (doc.GetRootElem() == nullptr) return out;
    std::vector<CWceUiXmlElem*> stack = {doc.GetRootElem()->FindChildElem(u"body")};
    while (!stack.empty() && stack.back() != nullptr) {
      CWceUiXmlElem* pElem = stack.back();
      stack.pop_back();
      for (CWceUiXmlElem* p = pElem->GetFirstChild(); p != nullptr; p = pElem->GetNextChild(p)) {
        if (p->GetNodeType() != pElem->GetNodeType()) continue;
        Attributes attrs;
        for (const char* pKey : {"type", "name", "style", "down.style", "res_count"}) {
          attrs[pKey] = Narrow(p->GetAttribute(Wide(pKey).c_str()));
        }
        const int nFrames = std::atoi(attrs["res_count"].c_str());
        for (int i = 1; i <= nFrames; ++i) {
          const std::string key = "res_name_" + std::to_string(i);
          attrs[key] = Narrow(p->GetAttribute(Wide(key).c_str()));
        }
        out[attrs["name"]] = attrs;
        stack.push_back(p);
      }
    }
    return out;
  }

  // Every layer of a tree, the dialog first.
  static std::vector<CWceUiLayer*> Layers(CWceUiLayer* pRoot) {
    std::vector<CWceUiLayer*> out;
    std::vector<CWceUiLayer*> stack = {pRoot};
    while (!stack.empty()) {
      CWceUiLayer* p = stack.back();
      stack.pop_back();
      out.push_back(p);
      for (CWceUiLayer* c = p->GetFirstChild(); c != nullptr; c = p->NextChild(c)) stack.push_back(c);
    }
    return out;
  }

  // Every look of every layer of the three dialogs: its own style and, for a button, the style
  // it takes while pressed; pAttrs is the layer's element of the dialog file (none for the dialog).
  using LookFn = std::function<void(const std::string& dialog, CWceUiLayer* pLayer, const Attributes* pAttrs,
                                    CWceUiStyle* pStyle)>;
  void ForEachLook(const LookFn& fn) {
    for (const char* pDialog : kDialogs) {
      CWceUiDlg* pDlg = Build(pDialog);
      ASSERT_NE(pDlg, nullptr) << pDialog;
      const auto elements = Elements(pDialog);
      for (CWceUiLayer* pLayer : Layers(pDlg)) {
        const auto it = elements.find(Narrow(pLayer->GetName()));
        const Attributes* pAttrs = it != elements.end() && pLayer != pDlg ? &it->second : nullptr;
        fn(pDialog, pLayer, pAttrs, pLayer->GetStyle());
        if (pAttrs != nullptr && !pAttrs->at("down.style").empty()) {
          CWceUiStyle down;
          ASSERT_TRUE(pDlg->GetStyleData(Wide(pAttrs->at("down.style")).c_str(), &down));
          fn(pDialog, pLayer, pAttrs, &down);
        }
      }
    }
  }

  std::vector<std::string> ErrorLines() {
    std::vector<std::string> out;
    for (const std::string& m : Messages()) {
      if (m.rfind("error: ", 0) == 0 || m.rfind("warning: ", 0) == 0) out.push_back(m);
    }
    return out;
  }

  // The dialog drawn alone on the screen, with one of its top layers shown in place of the others
  // in the same group (none: as the file has it).
  void Draw(CWceUiDlg* pDlg, const std::vector<const char*>& group, const char* pShow) {
    for (const char* pName : group) {
      CWceUiLayer* p = pDlg->GetChildByName(Wide(pName).c_str());
      if (p != nullptr) p->ShowLayer(std::string(pName) == pShow);
    }
    if (pShow != nullptr && !group.empty() && std::string(group[0]) == kMainStates[0]) {
      const bool bFirstTwo = std::string(pShow) == kMainStates[0] || std::string(pShow) == kMainStates[1];
      for (const char* pName : kMainCornerLayers) {
        if (CWceUiLayer* p = pDlg->GetChildByName(Wide(pName).c_str())) p->ShowLayer(bFirstTwo);
      }
    }
    ::InvalidateRect(m_pWnd->GetSafeHwnd(), nullptr, TRUE);
    ::UpdateWindow(m_pWnd->GetSafeHwnd());
  }
  void Attach(CWceUiDlg* pDlg) {
    RECT rc;
    pDlg->GetWindowRect(&rc);
    m_pWnd->GetLayerCtrl()->RootLayer()->AppendChild(pDlg);
  }
  void Detach(CWceUiDlg* pDlg) { m_pWnd->GetLayerCtrl()->RootLayer()->RemoveChild(pDlg); }

  // A screen pixel as 0xRRGGBB.
  static DWORD ScreenPixel(int x, int y) {
    BITMAP bm = {};
    if (!wce::GetScreenPixels(&bm)) return 0;
    const BYTE* pRow = static_cast<const BYTE*>(bm.bmBits) + static_cast<size_t>(y) * bm.bmWidthBytes;
    if (bm.bmBitsPixel == 16) {
      const WORD v = reinterpret_cast<const WORD*>(pRow)[x];
      const DWORD r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
      return (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
    }
    return reinterpret_cast<const DWORD*>(pRow)[x] & 0x00FFFFFF;
  }

  // Pictures for a person to look at, when CORVANE_RESOURCE_SHOTS names a folder.
  void Shot(const std::string& name) {
    const char* pDir = std::getenv("CORVANE_RESOURCE_SHOTS");
    if (pDir == nullptr) return;
    std::filesystem::create_directories(pDir);
    const PackCase& pack = GetParam();
    wce::SaveScreen(std::string(pDir) + "/" + std::to_string(pack.m_nWidth) + "x" +
                    std::to_string(pack.m_nHeight) + "-" + std::to_string(pack.m_nBits) + "-" + name +
                    ".bmp");
  }

  std::u16string m_strPack;
  std::unique_ptr<CWceUiRealWnd> m_pWnd;
  std::vector<CWceUiDlg*> m_Dlgs;
};

TEST_P(ResourcePackTest, OpensWithTheProgramsPasswordAndHoldsTheThreeDialogs) {
  for (const char* pDialog : kDialogs) {
    for (const char* pKind : {".dlg.xml", ".style.xml"}) {
      const std::u16string path = PackPath(std::string("wnd\\") + pDialog + pKind);
      DWORD nSize = 0;
      BYTE* pData = WceUiReadFile(path.c_str(), &nSize, kPassword);
      ASSERT_NE(pData, nullptr) << pDialog << pKind;
      // The framework's text form: UTF-16 little-endian behind FF FE.
      EXPECT_GE(nSize, 2u);
      EXPECT_EQ(pData[0], 0xFF);
      EXPECT_EQ(pData[1], 0xFE);
      delete[] pData;
    }
  }
  DWORD nSize = 0;
  BYTE* pLang = WceUiReadFile(PackPath("language\\ChineseGB.ini").c_str(), &nSize, kPassword);
  ASSERT_NE(pLang, nullptr);
  delete[] pLang;
  EXPECT_TRUE(ErrorLines().empty());

  // Another password does not open it.
  EXPECT_EQ(WceUiReadFile(PackPath("wnd\\CMainDlg.dlg.xml").c_str(), &nSize, u"000000"), nullptr);
  EXPECT_EQ(nSize, 0u);
}

TEST_P(ResourcePackTest, EveryDialogBuildsAndDrawsEveryStateWithoutAnErrorLine) {
  for (const auto& run : kRuns) {
    ClearLog();
    CWceUiDlg* pDlg = Build(run.m_pszDialog);
    ASSERT_NE(pDlg, nullptr) << run.m_pszDialog;
    RECT rc;
    pDlg->GetWindowRect(&rc);
    EXPECT_EQ(rc.right - rc.left, GetParam().m_nWidth) << run.m_pszDialog;
    EXPECT_EQ(rc.bottom - rc.top, GetParam().m_nHeight) << run.m_pszDialog;
    Attach(pDlg);
    CWceUiLayer* pLogo = pDlg->GetChildByName(u"container_vtlogo");
    Draw(pDlg, {}, nullptr);
    Shot(std::string(run.m_pszDialog) + "-initial");
    if (pLogo != nullptr) pLogo->ShowLayer(FALSE);
    for (const char* pShow : run.m_Group) {
      Draw(pDlg, run.m_Group, pShow);
      Shot(std::string(run.m_pszDialog) + "-" + pShow);
    }
    Detach(pDlg);
    EXPECT_EQ(ErrorLines(), std::vector<std::string>()) << run.m_pszDialog;
  }
}

TEST_P(ResourcePackTest, EveryLayerTheScreensLookUpExistsWithItsClass) {
  std::map<std::string, CWceUiDlg*> dlgs;
  std::map<std::string, std::map<std::string, Attributes>> elements;
  for (const char* pDialog : kDialogs) {
    dlgs[pDialog] = Build(pDialog);
    ASSERT_NE(dlgs[pDialog], nullptr) << pDialog;
    EXPECT_EQ(Narrow(dlgs[pDialog]->GetName()), pDialog);
    elements[pDialog] = Elements(pDialog);
  }
  for (const LookedUp& want : kLookedUp) {
    CWceUiLayer* pParent = dlgs[want.m_pszDialog];
    for (const std::string& step : want.m_Path) {
      pParent = pParent->GetChildByName(Wide(step).c_str());
      ASSERT_NE(pParent, nullptr) << want.m_pszDialog << " " << step;
    }
    EXPECT_NE(pParent->GetChildByName(Wide(want.m_pszName).c_str()), nullptr)
        << want.m_pszDialog << " " << want.m_pszName;
    if (want.m_pszClass != nullptr) {
      EXPECT_EQ(elements[want.m_pszDialog][want.m_pszName]["type"], want.m_pszClass) << want.m_pszName;
    }
  }
  for (const Shown& want : kInitiallyShown) {
    CWceUiLayer* p = dlgs[want.m_pszDialog]->GetChildByName(Wide(want.m_pszName).c_str());
    ASSERT_NE(p, nullptr) << want.m_pszName;
    EXPECT_EQ(p->IsLayerShow() != FALSE, want.m_bShown) << want.m_pszDialog << " " << want.m_pszName;
  }
  // Every button has a pressed look.
  for (const auto& [dialog, elems] : elements) {
    for (const auto& [name, attrs] : elems) {
      if (attrs.at("type") == "CWceUiButton") {
        EXPECT_NE(attrs.at("down.style"), "") << dialog << " " << name;
      }
    }
  }
}

TEST_P(ResourcePackTest, EveryTextIdHasATextThatFitsItsBox) {
  HDC hdc = ::CreateCompatibleDC(nullptr);
  ASSERT_NE(hdc, nullptr);
  int nTexts = 0;
  // The text is measured with the layer's own font against the layer's own box.
  auto expectFits = [&](CWceUiStyle* pStyle, const RECT& rcLayer, const std::u16string& text,
                        const std::string& where) {
    ::SelectObject(hdc, pStyle->GetFontCtrl().GetFont());
    SIZE size = {};
    ASSERT_TRUE(::GetTextExtentExPointW(hdc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, nullptr,
                                        &size));
    EXPECT_LE(size.cx, rcLayer.right - rcLayer.left) << where;
    EXPECT_LE(size.cy, rcLayer.bottom - rcLayer.top) << where;
    ++nTexts;
  };
  ForEachLook([&](const std::string& dialog, CWceUiLayer* pLayer, const Attributes*, CWceUiStyle* pStyle) {
    LPCWSTR pId = pStyle->GetTextResID();
    if (pId == nullptr || *pId == 0) return;
    const std::string where = dialog + " " + Narrow(pLayer->GetName()) + " " + Narrow(pId);
    CWceUiLoadString text;
    text.SetTextResID(pId);
    const std::u16string value = text.GetString();
    EXPECT_FALSE(value.empty()) << where;
    RECT rc;
    pLayer->GetWindowRect(&rc);
    expectFits(pStyle, rc, value, where);
  });
  // The linking line the connection screen writes: "LINKING... N %" at its widest.
  CWceUiLayer* pLinking =
      Build("CMainDlg")->GetChildByName(u"container_Linking")->GetChildByName(u"USB_LINKING");
  ASSERT_NE(pLinking, nullptr);
  CWceUiLoadString linking;
  linking.SetTextResID(u"LINKING");
  ASSERT_FALSE(std::u16string(linking.GetString()).empty());
  RECT rc;
  pLinking->GetWindowRect(&rc);
  expectFits(pLinking->GetStyle(), rc, std::u16string(linking.GetString()) + u"... 100 %", "USB_LINKING");
  ::DeleteDC(hdc);
  EXPECT_GE(nTexts, 40);
  EXPECT_EQ(ErrorLines(), std::vector<std::string>());
}

TEST_P(ResourcePackTest, TextStandsOutFromWhatLiesBehindIt) {
  // WCAG's level for normal text (4.5) with margin: a screen read in a glance, by day, in a car.
  constexpr double kMinContrast = 4.5;
  HDC hdc = ::CreateCompatibleDC(nullptr);
  int nChecked = 0;
  for (const auto& run : kRuns) {
    CWceUiDlg* pDlg = Build(run.m_pszDialog);
    ASSERT_NE(pDlg, nullptr);
    Attach(pDlg);
    if (CWceUiLayer* pLogo = pDlg->GetChildByName(u"container_vtlogo")) pLogo->ShowLayer(FALSE);
    const std::vector<const char*> shows =
        run.m_Group.empty() ? std::vector<const char*>{nullptr} : run.m_Group;
    for (const char* pShow : shows) {
      Draw(pDlg, run.m_Group, pShow);
      for (CWceUiLayer* pLayer : Layers(pDlg)) {
        if (!pLayer->IsLayerShow() || pLayer->GetText() == nullptr || *pLayer->GetText() == 0) continue;
        bool bVisible = true;
        for (CWceUiLayer* p = pLayer; p != nullptr; p = p->GetParent())
          bVisible = bVisible && p->IsLayerShow();
        if (!bVisible) continue;
        // A point of the layer beside its text (the text is centred or on the left), where only
        // what lies behind the text shows.
        RECT rc;
        pLayer->GetWindowRect(&rc);
        ::SelectObject(hdc, pLayer->GetStyle()->GetFontCtrl().GetFont());
        SIZE size = {};
        const std::u16string text = pLayer->GetText();
        ::GetTextExtentExPointW(hdc, text.c_str(), static_cast<int>(text.size()), 0, nullptr, nullptr, &size);
        const int cy = (rc.top + rc.bottom) / 2;
        const UINT nFormat = pLayer->GetStyle()->GetDrawTextCtrl().GetFormat();
        const int x =
            (nFormat & DT_CENTER) != 0 ? (rc.left + rc.right - size.cx) / 2 - 4 : rc.left + size.cx + 4;
        if (x <= rc.left || x >= rc.right) continue;
        const COLORREF text_color = pLayer->GetStyle()->GetTextColor();
        const DWORD rgb = (text_color & 0xFF) << 16 | (text_color & 0xFF00) | ((text_color >> 16) & 0xFF);
        EXPECT_GE(Contrast(rgb, ScreenPixel(x, cy)), kMinContrast)
            << run.m_pszDialog << " " << Narrow(pLayer->GetName()) << " at " << x << "," << cy;
        ++nChecked;
      }
    }
    Detach(pDlg);
  }
  ::DeleteDC(hdc);
  EXPECT_GE(nChecked, 20);
}

TEST_P(ResourcePackTest, EveryBitmapHasItsLayersSizeAndThePacksDepth) {
  const PackCase& pack = GetParam();
  std::set<std::string> seen;
  // A bitmap of the pack shown in a box of the given size.
  auto expectBitmap = [&](const std::string& id, const RECT& rc, const std::string& where) {
    CWceUiGenericBitmap* pBmp = WceUiGetBitmap(Wide(id).c_str());
    ASSERT_NE(pBmp, nullptr) << where << " " << id;
    EXPECT_EQ(pBmp->GetWidth(), rc.right - rc.left) << where << " " << id;
    EXPECT_EQ(pBmp->GetHeight(), rc.bottom - rc.top) << where << " " << id;
    EXPECT_EQ(pBmp->GetBitsPixel(), pack.m_nBits) << id;
    WceUiReleaseBitmap(pBmp);
    seen.insert(id);
  };
  ForEachLook([&](const std::string& dialog, CWceUiLayer* pLayer, const Attributes* pAttrs,
                  CWceUiStyle* pStyle) {
    RECT rc;
    pLayer->GetWindowRect(&rc);
    const std::string where = dialog + " " + Narrow(pLayer->GetName());
    CWceUiBgItemCtrl& items = pStyle->GetBgItemCtrl();
    for (CWceUiBgItem* pItem = items.GetHead(); pItem != nullptr; pItem = items.GetNext(pItem)) {
      expectBitmap(Narrow(pItem->GetBitmapResID()), rc, where);
    }
    // Frame animations draw each frame at the layer's corner, at the frame's size.
    const int nFrames = pAttrs != nullptr ? std::atoi(pAttrs->at("res_count").c_str()) : 0;
    for (int i = 1; i <= nFrames; ++i) {
      expectBitmap(pAttrs->at("res_name_" + std::to_string(i)), rc, where + " frame " + std::to_string(i));
    }
  });
  // The background fills the screen; there are 8 spinner and 16 progress frames.
  EXPECT_TRUE(seen.count("common\\bg.conf"));
  EXPECT_TRUE(seen.count("main\\spin8.conf"));
  EXPECT_TRUE(seen.count("main\\prog16.conf"));
  EXPECT_GE(seen.size(), 40u);
  EXPECT_EQ(ErrorLines(), std::vector<std::string>());
}

TEST_P(ResourcePackTest, ProgressFramesAreTheBackgroundBehindThemOutsideTheBar) {
  // The progress frames are copied, not blended: outside the bar each pixel must be the pixel of
  // the screen's background at the same place, or the bar shows a box round it.
  CWceUiDlg* pDlg = Build("CMainDlg");
  ASSERT_NE(pDlg, nullptr);
  CWceUiLayer* pProgress = pDlg->GetChildByName(u"container_Starting")->GetChildByName(u"RESPROGRESS");
  ASSERT_NE(pProgress, nullptr);
  RECT rc;
  pProgress->GetWindowRect(&rc);
  CWceUiGenericBitmap* pBg = WceUiGetBitmap(u"common\\bg.conf");
  ASSERT_NE(pBg, nullptr);
  int nCompared = 0;
  for (LPCWSTR pFrame : {u"main\\prog01.conf", u"main\\prog16.conf"}) {
    CWceUiGenericBitmap* pBmp = WceUiGetBitmap(pFrame);
    ASSERT_NE(pBmp, nullptr);
    // The four corners and the middles of the top and bottom rows, outside the rounded bar.
    const int w = pBmp->GetWidth();
    const int h = pBmp->GetHeight();
    for (const POINT pt : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1},
                           POINT{w / 2, 0}, POINT{w / 2, h - 1}, POINT{1, 1}, POINT{w - 2, h - 2}}) {
      EXPECT_EQ(PeekPixel(pBmp, pt.x, pt.y) & 0x00FFFFFF,
                PeekPixel(pBg, rc.left + pt.x, rc.top + pt.y) & 0x00FFFFFF)
          << Narrow(pFrame) << " at " << pt.x << "," << pt.y;
      ++nCompared;
    }
    WceUiReleaseBitmap(pBmp);
  }
  WceUiReleaseBitmap(pBg);
  EXPECT_EQ(nCompared, 16);
}

INSTANTIATE_TEST_SUITE_P(Packs, ResourcePackTest, ::testing::ValuesIn(kPacks));

}  // namespace
