// The layer tree without pixels: ids and creation by class name, deletion, the input list and hit
// testing, timers, messages and capture through the window, the style bound to its layer, and trees
// deeper and broader than the walks' original stacks of 64.
#include "tests/wceui/core/WceUiTestRoot.h"
#include "tests/wceui/layer/LayerTestHost.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/core/CWceUiLayerCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LayerTree : public WceUiTestRoot {
 protected:
  void SetUp() override {
    WceUiTestRoot::SetUp();
    m_pCtrl = new CWceUiLayerCtrl;
    m_pCtrl->SetWindow(&m_Host);
    m_pTop = AddTopLayer(*m_pCtrl, RECT{0, 0, 100, 100});
    ClearLog();
  }
  void TearDown() override {
    m_pCtrl->DeleteLayer(m_pTop);
    EXPECT_EQ(m_pCtrl->GetLayerCount(), 1) << "only the root body is left";
    delete m_pCtrl;
    WceUiTestRoot::TearDown();
  }
  std::vector<CWceUiLayer*> InputList() const {
    std::vector<CWceUiLayer*> v;
    for (CWceUiLayer* p = m_pCtrl->GetInputFirst(); p != nullptr; p = m_pCtrl->GetInputNext(p))
      v.push_back(p);
    return v;
  }
  bool Logged(const std::string& text) {
    for (const std::string& m : Messages()) {
      if (m.find(text) != std::string::npos) return true;
    }
    return false;
  }

  LayerTestHost m_Host;
  CWceUiLayerCtrl* m_pCtrl = nullptr;
  CWceUiLayer* m_pTop = nullptr;
};

TEST_F(LayerTree, IdsNamesAndCreationByClassName) {
  CWceUiLayer* pBody = m_pCtrl->RootLayer();
  EXPECT_EQ(pBody->GetLayerId(), 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(u"__root_of_body__"),
               reinterpret_cast<const char*>(pBody->GetName()));
  EXPECT_TRUE(pBody->IsContainer());
  EXPECT_EQ(m_pTop->GetLayerId(), 2u);

  CWceUiLayer* pA = m_pCtrl->CreateLayerFromElem(m_pTop, u"CWceUiLayer", u"Alpha");
  CWceUiLayer* pB = m_pCtrl->CreateLayerFromElem(m_pTop, u"CWceUiLayer", nullptr);
  ASSERT_NE(pA, nullptr);
  ASSERT_NE(pB, nullptr);
  EXPECT_EQ(pA->GetLayerId(), 3u);
  EXPECT_EQ(m_pCtrl->GetLayerById(3), pA);
  EXPECT_EQ(pA->GetParent(), m_pTop);
  EXPECT_EQ(m_pTop->GetLastChild(), pB);
  EXPECT_EQ(m_pTop->GetChildByName(u"aLPHA"), pA) << "names compare without case";
  EXPECT_EQ(m_pTop->GetChildByName(u"x"), nullptr);
  EXPECT_EQ(pA->GetOwnerLayer(), m_pTop);
  EXPECT_EQ(m_pTop->GetOwnerLayer(), m_pTop) << "a layer under the body owns its notifications";

  struct Refusal {
    CWceUiLayer* m_pParent;
    LPCWSTR m_pszType;
    const char* m_pszLine;
  } cases[] = {
      {m_pTop, u"CNoSuchLayer", "can not create layer, type is CNoSuchLayer"},
      {m_pTop, u"CWceUiObject", "the type is not a kind of CWceUiLayer"},
      {pBody, u"CWceUiLayer", "pParent can not be root layer"},
  };
  for (const Refusal& c : cases) {
    ClearLog();
    EXPECT_EQ(m_pCtrl->CreateLayerFromElem(c.m_pParent, c.m_pszType, nullptr), nullptr);
    EXPECT_TRUE(Logged(c.m_pszLine)) << c.m_pszLine;
  }
  EXPECT_EQ(m_pCtrl->GetLayerCount(), 4);

  // A refused append leaves both layers as they were.
  ClearLog();
  EXPECT_FALSE(pB->AppendChild(pA));
  EXPECT_TRUE(Logged("pNewChild->GetParent() must be NULL"));
  EXPECT_EQ(pA->GetParent(), m_pTop);
}

TEST_F(LayerTree, TheOwnerIsTheParentUnlessThereIsNoneOrItIsTheRootBody) {
  // A dialog being built is not under the root body yet: its layers still report to it.
  auto* pLoose = new CWceUiLayer;
  pLoose->SetLayerCtrl(m_pCtrl);
  m_pCtrl->InitLayerInfo(pLoose, u"loose");
  CWceUiLayer* pLooseChild = m_pCtrl->CreateLayerFromElem(pLoose, u"CWceUiLayer", u"looseChild");
  CWceUiLayer* pLooseGrandchild = m_pCtrl->CreateLayerFromElem(pLooseChild, u"CWceUiLayer", u"looseGrand");
  CWceUiLayer* pChild = m_pCtrl->CreateLayerFromElem(m_pTop, u"CWceUiLayer", u"child");
  CWceUiLayer* pGrandchild = m_pCtrl->CreateLayerFromElem(pChild, u"CWceUiLayer", u"grand");
  ASSERT_TRUE(pLooseChild != nullptr && pLooseGrandchild != nullptr && pChild != nullptr &&
              pGrandchild != nullptr);
  CWceUiLayer* pBody = m_pCtrl->RootLayer();
  struct Case {
    const char* m_pszWhat;
    CWceUiLayer* m_pLayer;
    CWceUiLayer* m_pOwner;
  } cases[] = {
      {"the root body", pBody, pBody},
      {"a layer under the root body", m_pTop, m_pTop},
      {"a child of a layer under the root body", pChild, m_pTop},
      {"a grandchild there", pGrandchild, pChild},
      {"a layer with no parent", pLoose, pLoose},
      {"a child of a layer with no parent", pLooseChild, pLoose},
      {"a grandchild there", pLooseGrandchild, pLooseChild},
  };
  for (const Case& c : cases) EXPECT_EQ(c.m_pLayer->GetOwnerLayer(), c.m_pOwner) << c.m_pszWhat;
  m_pCtrl->DeleteLayer(pLoose);
}
TEST_F(LayerTree, DeletingASubtreeReturnsEveryId) {
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 10, 10});
  CWceUiLayer* pKeep = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 10, 10});
  for (int i = 0; i < 3; ++i) AddLayer(*m_pCtrl, AddLayer(*m_pCtrl, pA, RECT{0, 0, 5, 5}), RECT{0, 0, 2, 2});
  EXPECT_EQ(m_pCtrl->GetLayerCount(), 10);
  const DWORD dwKeep = pKeep->GetLayerId();
  m_pCtrl->DeleteLayer(pA);
  EXPECT_EQ(m_pCtrl->GetLayerCount(), 3);
  EXPECT_EQ(m_pTop->GetChildCount(), 1);
  EXPECT_EQ(m_pCtrl->GetLayerById(dwKeep), pKeep);
  // The ids come back in use: the lowest free ones go first once the counter has run out only, so
  // here a new layer simply gets the next.
  CWceUiLayer* pNew = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 1, 1});
  EXPECT_EQ(m_pCtrl->GetLayerById(pNew->GetLayerId()), pNew);

  ClearLog();
  m_pCtrl->DeleteLayer(m_pCtrl->RootLayer());
  EXPECT_TRUE(Logged("dont call delete root layer directly"));
  EXPECT_EQ(m_pCtrl->GetLayerCount(), 4);
}

TEST_F(LayerTree, InputListAndHitTestingWithContainersAndHiddenLayers) {
  CWceUiLayer* pBack = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 100, 100}, 0, u"back");
  CWceUiLayer* pBox = AddLayer(*m_pCtrl, m_pTop, RECT{10, 10, 50, 50}, 0, u"box");
  pBox->SetLayerContainer(TRUE);
  CWceUiLayer* pBtn1 = AddLayer(*m_pCtrl, pBox, RECT{0, 0, 20, 20}, 1, u"btn1");
  CWceUiLayer* pBtn2 = AddLayer(*m_pCtrl, pBox, RECT{10, 10, 30, 30}, 1, u"btn2");
  // Later siblings first, children before their parent, the container itself never.
  EXPECT_EQ(InputList(), (std::vector<CWceUiLayer*>{pBtn2, pBtn1, pBack, m_pTop}));

  struct Hit {
    int m_nX, m_nY;
    CWceUiLayer* m_pExpected;
  } hits[] = {
      {10, 10, pBtn1},  // left and top inclusive
      {25, 25, pBtn2},  // the overlap goes to the front-most
      {39, 39, pBtn2},  // btn2 reaches 40,40 only
      {40, 40, pBack},  // right and bottom exclusive
      {99, 0, pBack},  {100, 0, nullptr},
  };
  for (const Hit& h : hits)
    EXPECT_EQ(m_pCtrl->GetInputLayerAt(h.m_nX, h.m_nY), h.m_pExpected) << h.m_nX << "," << h.m_nY;

  // A hidden container keeps its children out although their own flags are set.
  pBox->ShowLayer(FALSE);
  EXPECT_TRUE(pBtn1->GetStyle()->GetShow());
  EXPECT_FALSE(pBtn1->IsLayerShow());
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(15, 15), pBack);
  pBox->ShowLayer(TRUE);
  // A disabled or no-input layer that is not a container hides its children from input.
  pBtn2->EnableLayer(FALSE);
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(25, 25), pBtn1);
  pBtn2->EnableLayer(TRUE);
  CWceUiLayer* pInner = AddLayer(*m_pCtrl, pBtn2, RECT{0, 0, 5, 5}, 1);
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(21, 21), pInner);
  pBtn2->SetLayerNoInput(TRUE);
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(21, 21), pBtn1);
  // Moving a layer moves its hit area, and a relative child with it.
  pBtn2->SetLayerNoInput(FALSE);
  pBtn2->MoveLayer(60, 60, 20, 20, TRUE);
  // Outside the container's box nothing of them is visible, so nothing of them is hit.
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(61, 61), pBack);
  RECT rc;
  pInner->GetWindowRect(&rc);
  EXPECT_EQ(rc.left, 60);
  pInner->GetWindowRectVisible(&rc);
  EXPECT_TRUE(IsRectEmpty(&rc));
  pBtn2->MoveLayer(45, 45, 20, 20, TRUE);
  pInner->GetWindowRectVisible(&rc);
  EXPECT_EQ(rc.right, 50) << "clipped to the container's box";
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(46, 46), pInner);
}

TEST_F(LayerTree, ShowingAndMovingInvalidateTheRightRectangles) {
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{10, 10, 20, 20});
  m_Host.m_Invalid.clear();
  pA->ShowLayer(FALSE);
  ASSERT_EQ(m_Host.m_Invalid.size(), 1u) << "hiding invalidates though the layer is no longer shown";
  EXPECT_EQ(m_Host.m_Invalid[0].left, 10);
  pA->ShowLayer(FALSE);
  EXPECT_EQ(m_Host.m_Invalid.size(), 1u) << "no change, nothing done";
  pA->ShowLayer(TRUE);
  m_Host.m_Invalid.clear();
  // Through the bound style, as the application calls it: old rectangle, then new.
  const RECT rcNew = {30, 30, 35, 35};
  pA->GetStyle()->SetPosition(&rcNew, 0);
  ASSERT_EQ(m_Host.m_Invalid.size(), 2u);
  EXPECT_EQ(m_Host.m_Invalid[0].left, 10);
  EXPECT_EQ(m_Host.m_Invalid[1].left, 30);
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(31, 31), pA);
  pA->GetStyle()->SetShow(FALSE);
  EXPECT_FALSE(pA->IsLayerShow());
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(31, 31), m_pTop);
  pA->GetStyle()->SetEnable(FALSE);
  EXPECT_FALSE(pA->IsLayerEnable());
  // An empty rectangle has nothing to repaint.
  pA->ShowLayer(TRUE);
  m_Host.m_Invalid.clear();
  pA->MoveLayer(0, 0, 0, 0, TRUE);
  EXPECT_EQ(m_Host.m_Invalid.size(), 1u) << "the old rectangle only";
}

TEST_F(LayerTree, TimersMessagesAndCaptureGoThroughTheWindow) {
  // Ids 3 and 4 go to the two layers below; the third is the one with id 5.
  AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 1, 1});
  AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 1, 1});
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 1, 1});
  ASSERT_EQ(pA->GetLayerId(), 5u);
  pA->SetTimer(3, 100);
  pA->SetTimer(3, 200);
  pA->SetTimer(0x1234, 50);
  EXPECT_EQ(m_Host.m_Timers, (std::map<UINT, UINT>{{0x00030005u, 200u}, {0x12340005u, 50u}}));
  pA->KillTimer(7);
  EXPECT_EQ(m_Host.m_Timers.size(), 2u) << "a timer never set is not killed";
  pA->KillTimer(0x1234);
  EXPECT_EQ(m_Host.m_Timers.size(), 1u);

  pA->RegisterMsg(0xC001);
  pA->RegisterMsg(0xC001);
  pA->RegisterMsg(0xC002);
  EXPECT_EQ(m_Host.m_Msgs.size(), 2u);

  pA->SetCapture();
  EXPECT_EQ(m_Host.m_pCapture, pA);
  pA->EnableLayer(FALSE);
  EXPECT_EQ(m_Host.m_pCapture, nullptr) << "disabling the capture layer releases the capture";
  pA->SetCapture();
  m_pCtrl->DeleteLayer(pA);
  EXPECT_TRUE(m_Host.m_Timers.empty());
  EXPECT_TRUE(m_Host.m_Msgs.empty());
  EXPECT_EQ(m_Host.m_pCapture, nullptr);
}

TEST_F(LayerTree, StylesNeedADialog) {
  CWceUiLayer* pA = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 1, 1});
  EXPECT_FALSE(pA->SetStyle(u"big"));
  EXPECT_TRUE(Logged("Can not load style big"));
  EXPECT_FALSE(pA->SetCommonStyle(u"base"));
  EXPECT_TRUE(Logged("Can not load the style base"));
}

// Depth and breadth past the 64 entries the walks once had: every walk keeps its order.
TEST_F(LayerTree, DeepAndBroadTrees) {
  constexpr int kDepth = 300;
  CWceUiLayer* pDeep = m_pTop;
  std::vector<CWceUiLayer*> chain;
  for (int i = 0; i < kDepth; ++i) {
    pDeep = AddLayer(*m_pCtrl, pDeep, RECT{0, 0, 100 - i / 4, 100 - i / 4}, 1);
    chain.push_back(pDeep);
  }
  // Children before their parents in the input list.
  std::vector<CWceUiLayer*> input = InputList();
  ASSERT_EQ(input.size(), static_cast<size_t>(kDepth + 1));
  for (int i = 0; i < kDepth; ++i) EXPECT_EQ(input[i], chain[kDepth - 1 - i]);
  EXPECT_EQ(m_pCtrl->GetInputLayerAt(1, 1), chain.back());

  constexpr int kBreadth = 300;
  CWceUiLayer* pBroad = AddLayer(*m_pCtrl, m_pTop, RECT{0, 0, 0, 0});
  pBroad->SetLayerContainer(TRUE);
  for (int i = 0; i < kBreadth; ++i)
    AddLayer(*m_pCtrl, AddLayer(*m_pCtrl, pBroad, RECT{i, 0, i + 1, 1}), RECT{i, 0, i + 1, 1});
  // The draw list is the pre-order: each of the broad layers followed by its child.
  int n = 0;
  CWceUiLayer* pPrev = nullptr;
  for (CWceUiLayer* p = m_pCtrl->GetDrawFirst(); p != nullptr; p = m_pCtrl->GetDrawNext(p)) {
    if (p->GetParent() != nullptr && p->GetParent()->GetParent() == pBroad) {
      EXPECT_EQ(pPrev, p->GetParent());
    }
    pPrev = p;
    ++n;
  }
  EXPECT_EQ(n, 1 + 1 + kDepth + 1 + 2 * kBreadth);
  EXPECT_EQ(m_pCtrl->GetLayerCount(), n);
  m_pCtrl->DeleteLayer(chain.front());
  m_pCtrl->DeleteLayer(pBroad);
  EXPECT_EQ(m_pCtrl->GetLayerCount(), 2);
}

}  // namespace
