#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/base/CWceUiHList.h"
#include "wceui/base/CWceUiHTList.h"

#include <cstddef>

namespace {

// An element that can sit in two lists at once, as a layer does.
struct Node {
  int m_nValue = 0;
  Node* m_pPre = nullptr;
  Node* m_pNext = nullptr;
  Node* m_pOtherPre = nullptr;
  Node* m_pOtherNext = nullptr;
};

class CWceUiListTest : public WceUiTestRoot {
 protected:
  static std::vector<int> Forward(const CWceUiHTList& list) {
    std::vector<int> out;
    for (void* p = list.GetHead(); p != nullptr; p = list.GetNext(p))
      out.push_back(static_cast<Node*>(p)->m_nValue);
    return out;
  }
  static std::vector<int> Backward(const CWceUiHTList& list) {
    std::vector<int> out;
    for (void* p = list.GetTail(); p != nullptr; p = list.GetPre(p))
      out.insert(out.begin(), static_cast<Node*>(p)->m_nValue);
    return out;
  }
  static std::vector<int> Values(const CWceUiHList& list) {
    std::vector<int> out;
    for (void* p = list.GetHead(); p != nullptr; p = list.GetNext(p))
      out.push_back(static_cast<Node*>(p)->m_nValue);
    return out;
  }
  Node m_aNodes[5] = {{0}, {1}, {2}, {3}, {4}};
};

CWceUiHTList MainList() {
  return CWceUiHTList(offsetof(Node, m_pPre), offsetof(Node, m_pNext));
}

struct RemoveCase {
  const char* m_pszName;
  int m_nRemoved;
  std::vector<int> m_Left;
};

TEST_F(CWceUiListTest, RemovingHeadTailOrMiddleKeepsBothDirections) {
  const RemoveCase cases[] = {{"head", 0, {1, 2, 3}}, {"middle", 2, {0, 1, 3}}, {"tail", 3, {0, 1, 2}}};
  for (const RemoveCase& c : cases) {
    CWceUiHTList list = MainList();
    for (int i = 0; i < 4; ++i) list.AddTail(&m_aNodes[i]);
    EXPECT_TRUE(list.Remove(&m_aNodes[c.m_nRemoved])) << c.m_pszName;
    EXPECT_EQ(Forward(list), c.m_Left) << c.m_pszName;
    EXPECT_EQ(Backward(list), c.m_Left) << c.m_pszName;
    EXPECT_EQ(list.GetCount(), 3) << c.m_pszName;
    EXPECT_EQ(m_aNodes[c.m_nRemoved].m_pPre, nullptr);
    EXPECT_EQ(m_aNodes[c.m_nRemoved].m_pNext, nullptr);
  }
}

TEST_F(CWceUiListTest, RemoveHeadAndTailEmptyTheList) {
  CWceUiHTList list = MainList();
  EXPECT_TRUE(list.IsEmpty());
  list.AddTail(&m_aNodes[0]);
  list.AddTail(&m_aNodes[1]);
  list.AddTail(&m_aNodes[2]);
  EXPECT_EQ(list.RemoveHead(), &m_aNodes[0]);
  EXPECT_EQ(list.RemoveTail(), &m_aNodes[2]);
  EXPECT_EQ(list.GetHead(), &m_aNodes[1]);
  EXPECT_EQ(list.GetTail(), &m_aNodes[1]);
  EXPECT_EQ(list.RemoveTail(), &m_aNodes[1]);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetTail(), nullptr);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(list.RemoveHead(), nullptr);
  EXPECT_EQ(list.RemoveTail(), nullptr);
  EXPECT_FALSE(list.Remove(&m_aNodes[0]));
  std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0], "error: CWceUiHTList::RemoveHead,check(NULL != m_pHead)fail");
  EXPECT_EQ(m[1], "error: CWceUiHTList::RemoveTail,check(NULL != m_pTail)fail");
}

TEST_F(CWceUiListTest, RemovingAnElementOfAnotherListTouchesNothing) {
  CWceUiHTList list = MainList();
  CWceUiHTList other = MainList();
  list.AddTail(&m_aNodes[0]);
  list.AddTail(&m_aNodes[1]);
  other.AddTail(&m_aNodes[2]);
  other.AddTail(&m_aNodes[3]);
  other.AddTail(&m_aNodes[4]);
  // Node 3 has both links set, as a middle element of ours would.
  EXPECT_FALSE(list.Remove(&m_aNodes[3]));
  EXPECT_EQ(Forward(list), (std::vector<int>{0, 1}));
  EXPECT_EQ(Forward(other), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(Backward(other), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(list.GetCount(), 2);
  // Nor a loose element whose links are empty.
  Node loose = {9};
  EXPECT_FALSE(list.Remove(&loose));
  EXPECT_EQ(Forward(list), (std::vector<int>{0, 1}));
}

TEST_F(CWceUiListTest, AnElementCarriesLinksForTwoLists) {
  CWceUiHTList list = MainList();
  CWceUiHTList other(offsetof(Node, m_pOtherPre), offsetof(Node, m_pOtherNext));
  for (int i = 0; i < 3; ++i) list.AddTail(&m_aNodes[i]);
  for (int i = 2; i >= 0; --i) other.AddTail(&m_aNodes[i]);
  EXPECT_TRUE(other.Remove(&m_aNodes[1]));
  EXPECT_EQ(Forward(list), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Forward(other), (std::vector<int>{2, 0}));
  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(CWceUiListTest, SameOffsetsAreReported) {
  CWceUiHTList list(offsetof(Node, m_pNext), offsetof(Node, m_pNext));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: CWceUiHTList::CWceUiHTList,check(m_nPreOffset != m_nNextOffset)fail");
}

TEST_F(CWceUiListTest, SinglyLinkedListAddsAtTheHeadAndRemovesOnlyItsOwn) {
  CWceUiHList list(offsetof(Node, m_pNext));
  EXPECT_FALSE(list.Remove(&m_aNodes[0]));
  for (int i = 0; i < 4; ++i) list.AddHead(&m_aNodes[i]);
  EXPECT_EQ(Values(list), (std::vector<int>{3, 2, 1, 0}));
  EXPECT_TRUE(list.Remove(&m_aNodes[2]));
  EXPECT_EQ(m_aNodes[2].m_pNext, nullptr);
  EXPECT_TRUE(list.Remove(&m_aNodes[3]));
  EXPECT_TRUE(list.Remove(&m_aNodes[0]));
  EXPECT_EQ(Values(list), (std::vector<int>{1}));
  Node stranger = {7, nullptr, &m_aNodes[1]};
  EXPECT_FALSE(list.Remove(&stranger));
  EXPECT_FALSE(list.Remove(&m_aNodes[4]));
  EXPECT_EQ(Values(list), (std::vector<int>{1}));
  EXPECT_EQ(list.GetCount(), 1);
  list.RemoveAll();
  EXPECT_EQ(list.GetHead(), nullptr);
  EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
