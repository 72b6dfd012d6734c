// The program console's "layers" answer: one line a shown layer, children under their parent,
// dialogs only while they run.
#include "app/CAppConsole.h"

#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/layer/LayerTestHost.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class AppConsoleLayers : public WceUiTestRoot {
 protected:
  void SetUp() override {
    WceUiTestRoot::SetUp();
    m_pCtrl = new CWceUiLayerCtrl;
    m_pCtrl->SetWindow(&m_Host);
  }
  void TearDown() override {
    for (CWceUiLayer* p = m_pCtrl->RootLayer()->GetFirstChild(); p != nullptr;
         p = m_pCtrl->RootLayer()->GetFirstChild()) {
      m_pCtrl->DeleteLayer(p);
    }
    delete m_pCtrl;
    WceUiTestRoot::TearDown();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    CAppConsole::FormatLayers(m_pCtrl, &lines);
    return lines;
  }

  LayerTestHost m_Host;
  CWceUiLayerCtrl* m_pCtrl = nullptr;
};

TEST_F(AppConsoleLayers, ShownLayersInDocumentOrderIndentedUnderTheirParents) {
  CWceUiLayer* pTop = AddTopLayer(*m_pCtrl, RECT{0, 0, 800, 480});
  CWceUiLayer* pTitle = AddLayer(*m_pCtrl, pTop, RECT{10, 20, 790, 80}, 0, u"title");
  pTitle->SetText(u"正在连接\n请稍候");
  CWceUiLayer* pButtons = AddLayer(*m_pCtrl, pTop, RECT{0, 400, 800, 480}, 0, u"buttons");
  AddLayer(*m_pCtrl, pButtons, RECT{20, 410, 220, 470}, 0, u"help");
  CWceUiLayer* pHidden = AddLayer(*m_pCtrl, pButtons, RECT{240, 410, 440, 470}, 0, u"retry");
  AddLayer(*m_pCtrl, pHidden, RECT{250, 420, 260, 430}, 0, u"under_hidden");
  AddLayer(*m_pCtrl, pButtons, RECT{460, 410, 660, 470}, 0, nullptr);
  pHidden->ShowLayer(FALSE);

  const std::string top = std::to_string(pTop->GetLayerId());
  const std::string title = std::to_string(pTitle->GetLayerId());
  const std::string buttons = std::to_string(pButtons->GetLayerId());
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], top + " top CWceUiLayer 0,0,800,480");
  EXPECT_EQ(lines[1], "  " + title + " title CWceUiLayer 10,20,790,80 \"正在连接\\n请稍候\"");
  EXPECT_EQ(lines[2], "  " + buttons + " buttons CWceUiLayer 0,400,800,480");
  EXPECT_EQ(lines[3].rfind("    ", 0), 0u);
  EXPECT_NE(lines[3].find(" help CWceUiLayer 20,410,220,470"), std::string::npos);
  // A layer without a name is listed by id with "-" for its name.
  EXPECT_NE(lines[4].find(" - CWceUiLayer 460,410,660,470"), std::string::npos);
}

TEST_F(AppConsoleLayers, ADialogThatDoesNotRunAndAHiddenTopLayerAreLeftOut) {
  // Put under the root body as a dialog is, without a modal run.
  CWceUiDlg* pDlg = new CWceUiDlg;
  pDlg->SetLayerCtrl(m_pCtrl);
  m_pCtrl->InitLayerInfo(pDlg, u"idle");
  m_pCtrl->RootLayer()->AppendChild(pDlg);
  AddLayer(*m_pCtrl, pDlg, RECT{0, 0, 10, 10}, 0, u"inside");
  CWceUiLayer* pTop = AddTopLayer(*m_pCtrl, RECT{0, 0, 800, 480});
  pTop->ShowLayer(FALSE);
  EXPECT_TRUE(Lines().empty());
  pTop->ShowLayer(TRUE);
  EXPECT_EQ(Lines().size(), 1u);
  // Nothing at all without a tree.
  std::vector<std::string> none;
  CAppConsole::FormatLayers(nullptr, &none);
  EXPECT_TRUE(none.empty());
}

}  // namespace
