// Dialogs built from UTF-16 dialog and style files written here: the layers, their OnLoad and
// OnInitLayer orders, the refusals of Init, dialogs created by class name through the controller,
// styles set on a layer from its dialog's style file, the first dialog placing the window, and
// modal runs nested two deep with the lower dialog disabled.
#include "platform/kernel/wcestr.h"
#include "platform/user/UserHooks.h"
#include "tests/wceui/layer/UiRealWndFixture.h"
#include "tests/wceui/support/WceUiTestFiles.h"
#include "wceui/core/CWceUiDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

Lines g_order;

std::string Narrow(LPCWSTR p) {
  std::string s;
  for (; p != nullptr && *p != 0; ++p) s.push_back(static_cast<char>(*p));
  return s;
}

// A layer that writes its name to g_order on each notification.
class COrderLayer : public CWceUiLayer {
 public:
  void OnLoad() override { g_order.push_back(Narrow(GetName()) + " load"); }
  void OnInitLayer() override { g_order.push_back(Narrow(GetName()) + " init"); }
};

// A dialog whose hooks the test scripts.
class CScriptDlg : public CWceUiDlg {
 public:
  void OnLoad() override { g_order.push_back(Narrow(GetName()) + " load"); }
  void OnInitLayer() override { g_order.push_back(Narrow(GetName()) + " init"); }
  void OnInitDialog() override {
    g_order.push_back(Narrow(GetName()) + " initdialog");
    if (m_fnOnInitDialog) m_fnOnInitDialog();
  }
  void OnLButtonDownNoHit(UINT, int x, int y) override {
    g_order.push_back(Narrow(GetName()) + " nohit " + std::to_string(x) + " " + std::to_string(y));
    if (m_fnOnNoHit) m_fnOnNoHit();
  }
  LRESULT OnMessage(UINT nMsg, WPARAM, LPARAM) override {
    if (m_fnOnMessage) m_fnOnMessage(nMsg);
    return 0;
  }
  std::function<void()> m_fnOnInitDialog;
  std::function<void(UINT)> m_fnOnMessage;
  std::function<void()> m_fnOnNoHit;
};

// A dialog class the controller creates by name.
class CNamedDlg : public CScriptDlg {
 public:
  CNamedDlg() { SetClassName(WCEUI_CLASS_NAME(CNamedDlg)); }
};

}  // namespace

WCEUI_DYNCREATE_BEGIN(COrderLayer, CWceUiLayer)
WCEUI_DYNCREATE_END(COrderLayer)
WCEUI_DYNCREATE_BEGIN(CNamedDlg, CWceUiDlg)
WCEUI_DYNCREATE_END(CNamedDlg)

namespace {

constexpr char16_t kDlgPath[] = u"\\SDMMC\\CECorvane\\Wnd\\test.dlg.xml";
constexpr char16_t kStylePath[] = u"\\SDMMC\\CECorvane\\Wnd\\test.style.xml";
constexpr char16_t kStyles[] =
    u"<root><style><full><position rect=\"0,0,40,20\"/></full>"
    u"<green><background color=\"0x00FF00\"/><position rect=\"4,2,8,6\"/></green>"
    u"</style></root>";

class WceUiDlgTest : public UiRealWndFixture {
 protected:
  void SetUp() override {
    SetUpBareWindow();
    g_order.clear();
  }
  void TearDown() override {
    for (CScriptDlg* p : m_Dlgs) Ctrl()->DeleteLayer(p);
    UiRealWndFixture::TearDown();
  }
  // A dialog of this window, built from the files; nullptr when Init refuses them.
  CScriptDlg* Build(const std::u16string& dlgText, const std::u16string& styleText = kStyles) {
    WceUiPutTextFile(kDlgPath, dlgText);
    WceUiPutTextFile(kStylePath, styleText);
    auto* pDlg = new CScriptDlg;
    pDlg->SetLayerCtrl(Ctrl());
    m_Dlgs.push_back(pDlg);
    return pDlg->Init(kDlgPath, kStylePath) ? pDlg : nullptr;
  }

  std::vector<CScriptDlg*> m_Dlgs;
};

TEST_F(WceUiDlgTest, LayersAreBuiltAndToldInTheirOrders) {
  CScriptDlg* pDlg = Build(
      u"<dialog><body name=\"main\" windowrect=\"2,1,36,18\">"
      u"<a type=\"COrderLayer\" name=\"a\"><item type=\"COrderLayer\" name=\"a1\"/></a>"
      u"<layer type=\"COrderLayer\" name=\"b\"><b1 type=\"COrderLayer\" name=\"b1\">"
      u"<b11 type=\"COrderLayer\" name=\"b11\" style=\"green\"/></b1></layer>"
      u"<c type=\"COrderLayer\" name=\"c\"/>"
      u"</body></dialog>");
  ASSERT_NE(pDlg, nullptr);
  // Each layer once as it is created, in document order; then the dialog and every layer again,
  // each after its parent, the children of later siblings first.
  EXPECT_EQ(g_order, (Lines{"a load", "a1 load", "b load", "b1 load", "b11 load", "c load", "main load",
                            "a load", "b load", "c load", "b1 load", "b11 load", "a1 load"}));
  EXPECT_EQ(Narrow(pDlg->GetName()), "main");
  CWceUiLayer* pB1 = pDlg->GetChildByName(u"b")->GetChildByName(u"b1");
  ASSERT_NE(pB1, nullptr);
  ASSERT_NE(pB1->GetChildByName(u"b11"), nullptr);
  RECT rcGreen;
  pB1->GetChildByName(u"b11")->GetWindowRect(&rcGreen);
  // Rectangle texts are x, y, width, height.
  EXPECT_EQ(rcGreen.left, 4);
  EXPECT_EQ(rcGreen.bottom, 8);

  // The run: OnInitLayer in the same order, then OnInitDialog; ended there, no loop runs. The
  // first dialog puts the window at its rectangle.
  g_order.clear();
  pDlg->m_fnOnInitDialog = [&] { EXPECT_TRUE(pDlg->EndDialog(3)); };
  EXPECT_EQ(pDlg->DoModal(), 3);
  EXPECT_EQ(g_order, (Lines{"main init", "a init", "b init", "c init", "b1 init", "b11 init", "a1 init",
                            "main initdialog"}));
  RECT rcWnd;
  ::GetWindowRect(Hwnd(), &rcWnd);
  EXPECT_EQ(rcWnd.left, 2);
  EXPECT_EQ(rcWnd.top, 1);
  EXPECT_EQ(rcWnd.right, 38);
  EXPECT_EQ(rcWnd.bottom, 19);
  EXPECT_EQ(Ctrl()->RootLayer()->GetChildCount(), 0);
  EXPECT_EQ(pDlg->GetRunWay(), DLG_RUN_NONE);
  EXPECT_FALSE(pDlg->EndDialog(4));
}

TEST_F(WceUiDlgTest, ManySiblingsWithChildrenKeepTheOrder) {
  // More siblings with children than a fixed stack of 64 would hold.
  constexpr int kSiblings = 70;
  std::u16string body = u"<d><body name=\"many\">";
  Lines expected = {"many load"};
  for (int i = 0; i < kSiblings; ++i) {
    const std::u16string n = WceUtf8ToWide(std::to_string(i));
    body +=
        u"<l type=\"COrderLayer\" name=\"s" + n + u"\"><l type=\"COrderLayer\" name=\"c" + n + u"\"/></l>";
    expected.push_back("s" + std::to_string(i) + " load");
  }
  for (int i = kSiblings - 1; i >= 0; --i) expected.push_back("c" + std::to_string(i) + " load");
  body += u"</body></d>";
  CScriptDlg* pDlg = Build(body);
  ASSERT_NE(pDlg, nullptr);
  const Lines sent(g_order.end() - static_cast<long>(expected.size()), g_order.end());
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(pDlg->GetChildCount(), kSiblings);
}

TEST_F(WceUiDlgTest, InitRefusesBrokenFilesWithOneLine) {
  struct Case {
    const char* m_pszWhat;
    std::u16string m_strDlg;
    std::u16string m_strStyle;
    std::string m_strLine;
  } cases[] = {
      {"no root element", u"<!-- nothing here -->", kStyles, "can not find body elements"},
      {"no body", u"<dialog><head/></dialog>", kStyles, "can not find body elements"},
      {"a layer without type", u"<d><body><x name=\"x\"/></body></d>", kStyles, "can not create all childs"},
      {"an unknown class", u"<d><body><x type=\"CNoSuchLayer\"/></body></d>", kStyles,
       "can not create all childs"},
      {"no style file", u"<d><body/></d>", u"", "can not load style file"},
      {"an unparsable windowrect", u"<d><body windowrect=\"1,2\"/></d>", kStyles,
       "windowrect 1,2 is not valid"},
  };
  for (const Case& c : cases) {
    ClearLog();
    if (c.m_strStyle.empty()) {
      WceUiPutTextFile(kDlgPath, c.m_strDlg);
      ::DeleteFileW(kStylePath);
      auto* pDlg = new CScriptDlg;
      pDlg->SetLayerCtrl(Ctrl());
      m_Dlgs.push_back(pDlg);
      EXPECT_FALSE(pDlg->Init(kDlgPath, kStylePath)) << c.m_pszWhat;
    } else {
      CScriptDlg* pDlg = Build(c.m_strDlg, c.m_strStyle);
      // A bad rectangle is reported, and the dialog is built all the same.
      EXPECT_EQ(pDlg != nullptr, c.m_strLine.find("windowrect") != std::string::npos) << c.m_pszWhat;
    }
    EXPECT_EQ(CountMessages(c.m_strLine), 1) << c.m_pszWhat;
  }
}

TEST_F(WceUiDlgTest, InitRefusesADialogWithoutAController) {
  WceUiPutTextFile(kDlgPath, u"<d><body name=\"lost\"><a type=\"COrderLayer\" name=\"a\"/></body></d>");
  WceUiPutTextFile(kStylePath, kStyles);
  CScriptDlg dlg;  // never given a controller
  ClearLog();
  EXPECT_FALSE(dlg.Init(kDlgPath, kStylePath));
  EXPECT_EQ(
      CountMessages("In CWceUiDlg::Init, \\SDMMC\\CECorvane\\Wnd\\test.dlg.xml, the dialog has no layer "
                    "controller"),
      1);
  EXPECT_EQ(dlg.GetChildCount(), 0);
  EXPECT_TRUE(g_order.empty());
}

TEST_F(WceUiDlgTest, CreateDlgBuildsTheClassNamedByThePath) {
  const int nLayersBefore = Ctrl()->GetLayerCount();
  // The path's last part names the class; the whole path, behind the window directory, names the
  // files. Either separator ends the directory part.
  for (const std::u16string path : {u"screens\\CNamedDlg", u"screens/CNamedDlg"}) {
    WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\screens\\CNamedDlg.dlg.xml",
                     u"<d><body name=\"named\"><l type=\"COrderLayer\" name=\"x\"/></body></d>");
    WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\screens\\CNamedDlg.style.xml", kStyles);
    g_order.clear();
    CWceUiDlg* pDlg = Ctrl()->CreateDlg(path.c_str());
    ASSERT_NE(pDlg, nullptr) << WceWideToUtf8(path);
    EXPECT_TRUE(pDlg->IsKindOf(u"CNamedDlg"));
    EXPECT_NE(dynamic_cast<CNamedDlg*>(pDlg), nullptr);
    EXPECT_EQ(Narrow(pDlg->GetName()), "named");
    EXPECT_NE(pDlg->GetChildByName(u"x"), nullptr);
    EXPECT_EQ(pDlg->GetParent(), nullptr) << "DoModal puts it under the root body";
    EXPECT_EQ(g_order, (Lines{"x load", "named load", "x load"}));
    EXPECT_EQ(Ctrl()->GetLayerCount(), nLayersBefore + 2);
    Ctrl()->DeleteLayer(pDlg);
    EXPECT_EQ(Ctrl()->GetLayerCount(), nLayersBefore);
  }
}

TEST_F(WceUiDlgTest, CreateDlgRefusesWithOneLineAndLeavesNoLayer) {
  WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\CNamedDlg.style.xml", kStyles);
  // A dialog whose second layer names no class: the first one is built, then deleted with it.
  WceUiPutTextFile(u"\\SDMMC\\CECorvane\\Wnd\\CNamedDlg.dlg.xml",
                   u"<d><body><a type=\"COrderLayer\"/><b type=\"CNoSuchLayer\"/></body></d>");
  struct Case {
    LPCWSTR m_pszPath;
    std::string m_strLine;
  } cases[] = {
      {u"dlgs\\CNoSuchDlg", "in CWceUiLayerCtrl::CreateDlg, can not create class CNoSuchDlg"},
      {u"COrderLayer", "In CWceUiLayerCtrl::CreateDlg, COrderLayer is not a kind of CWceUiDlg"},
      {u"CNamedDlg", "In CWceUiLayerCtrl::CreateDlg, Create CNamedDlg failed"},
      {u"missing\\CNamedDlg", "In CWceUiLayerCtrl::CreateDlg, Create missing\\CNamedDlg failed"},
  };
  const int nLayersBefore = Ctrl()->GetLayerCount();
  for (const Case& c : cases) {
    ClearLog();
    EXPECT_EQ(Ctrl()->CreateDlg(c.m_pszPath), nullptr) << c.m_strLine;
    EXPECT_EQ(CountMessages(c.m_strLine), 1) << c.m_strLine;
    EXPECT_EQ(Ctrl()->GetLayerCount(), nLayersBefore) << c.m_strLine;
  }
}

TEST_F(WceUiDlgTest, StylesComeFromTheDialogsStyleFile) {
  CScriptDlg* pDlg = Build(u"<d><body name=\"s\"><l type=\"COrderLayer\" name=\"a\"/></body></d>",
                           u"<root><style><full><position rect=\"0,0,40,20\"/></full>"
                           u"<green><background color=\"0x00FF00\"/><position rect=\"4,2,8,6\"/></green>"
                           u"<base><position rect=\"1,1,2,2\"/><background color=\"0x0000FF\"/></base>"
                           u"</style></root>");
  ASSERT_NE(pDlg, nullptr);
  CWceUiLayer* pA = pDlg->GetChildByName(u"a");
  ASSERT_NE(pA, nullptr);
  ClearLog();
  EXPECT_TRUE(pA->SetCommonStyle(u"base"));
  EXPECT_TRUE(pA->GetCommonStyle()->GetBgColorCtrl().IsHasBgColor());
  EXPECT_EQ(pA->GetCommonStyle()->GetBgColorCtrl().GetColor(), RGB(0, 0, 0xFF));
  EXPECT_TRUE(pA->SetStyle(u"green"));
  RECT rc;
  pA->GetWindowRect(&rc);
  EXPECT_EQ(rc.left, 4);
  EXPECT_EQ(rc.top, 2);
  EXPECT_EQ(rc.right, 12);
  EXPECT_EQ(rc.bottom, 8);
  // The named style's colour wins over the common style's.
  EXPECT_EQ(pA->GetStyle()->GetBgColorCtrl().GetColor(), RGB(0, 0xFF, 0));
  EXPECT_TRUE(Messages().empty());

  EXPECT_FALSE(pA->SetStyle(u"big"));
  EXPECT_EQ(CountMessages("Can not load style big"), 1);
  EXPECT_FALSE(pA->SetCommonStyle(u"nothing"));
  EXPECT_EQ(CountMessages("Can not load the style nothing"), 1);
  pA->GetWindowRect(&rc);
  EXPECT_EQ(rc.left, 4) << "a refused style changes nothing";
}

TEST_F(WceUiDlgTest, ModalRunsNestTwoDeepWithTheLowerDialogDisabled) {
  const UINT kOpenMsg = WM_USER + 61;
  const UINT kEndMsg = WM_USER + 62;
  CScriptDlg* pLower = Build(
      u"<d><body name=\"lower\" windowrect=\"0,0,40,20\" style=\"full\">"
      u"<g type=\"COrderLayer\" name=\"g\" style=\"green\"/></body></d>");
  CScriptDlg* pUpper = Build(u"<d><body name=\"upper\" windowrect=\"5,5,10,10\"/></d>");
  ASSERT_NE(pLower, nullptr);
  ASSERT_NE(pUpper, nullptr);
  pLower->RegisterMsg(kOpenMsg);
  pUpper->RegisterMsg(kEndMsg);
  g_order.clear();

  pLower->m_fnOnInitDialog = [&] {
    // The lower dialog's own layers are on the screen.
    ::UpdateWindow(Hwnd());
    BITMAP bm = {};
    ASSERT_TRUE(wce::GetScreenPixels(&bm));
    const DWORD* pRow =
        reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(bm.bmBits) + 3 * bm.bmWidthBytes);
    EXPECT_EQ(pRow[5] & 0x00FFFFFF, 0x00FF00u);

    m_pWnd->PostMessage(kOpenMsg, 0, 0);
  };
  pLower->m_fnOnMessage = [&](UINT) {
    g_order.push_back(std::string("upper returns ") + std::to_string(pUpper->DoModal()));
    g_order.push_back(std::string("lower ") + (pLower->IsLayerEnable() ? "enabled" : "disabled"));
    pLower->EndDialog(11);
  };
  pUpper->m_fnOnInitDialog = [&] {
    g_order.push_back(std::string("lower ") + (pLower->IsLayerEnable() ? "enabled" : "disabled"));
    EXPECT_EQ(Ctrl()->RootLayer()->GetLastChild(), pUpper);
    // A press on no layer goes to the top dialog, which then asks for its end.
    Mouse(WM_LBUTTONDOWN, 30, 15);
  };
  pUpper->m_fnOnNoHit = [&] { m_pWnd->PostMessage(kEndMsg, 0, 0); };
  pUpper->m_fnOnMessage = [&](UINT) { pUpper->EndDialog(22); };

  EXPECT_EQ(pLower->DoModal(), 11);
  EXPECT_EQ(g_order, (Lines{"lower init", "g init", "lower initdialog", "upper init", "upper initdialog",
                            "lower disabled", "upper nohit 30 15", "upper returns 22", "lower enabled"}));
  // Only the first dialog placed the window.
  RECT rcWnd;
  ::GetWindowRect(Hwnd(), &rcWnd);
  EXPECT_EQ(rcWnd.right - rcWnd.left, 40);
  EXPECT_EQ(Ctrl()->RootLayer()->GetChildCount(), 0);
}

}  // namespace
