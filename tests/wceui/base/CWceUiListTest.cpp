#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/base/CWceUiHList.h"
#include "wceui/base/CWceUiHTList.h"

#include <cstddef>

namespace {

// An element that can sit in two lists at once, as a layer does.
struct Node {
  int value = 0;
  Node* pPre = nullptr;
  Node* pNext = nullptr;
  Node* pOtherPre = nullptr;
  Node* pOtherNext = nullptr;
};

class CWceUiListTest : public WceUiTestRoot {
 protected:
  static std::vector<int> Forward(const CWceUiHTList& list) {
    std::vector<int> out;
    for (void* p = list.GetHead(); p != nullptr; p = list.GetNext(p))
      out.push_back(static_cast<Node*>(p)->value);
    return out;
  }
  static std::vector<int> Backward(const CWceUiHTList& list) {
    std::vector<int> out;
    for (void* p = list.GetTail(); p != nullptr; p = list.GetPre(p))
      out.insert(out.begin(), static_cast<Node*>(p)->value);
    return out;
  }
  static std::vector<int> Values(const CWceUiHList& list) {
    std::vector<int> out;
    for (void* p = list.GetHead(); p != nullptr; p = list.GetNext(p))
      out.push_back(static_cast<Node*>(p)->value);
    return out;
  }
  Node m_nodes[5] = {{0}, {1}, {2}, {3}, {4}};
};

CWceUiHTList MainList() {
  return CWceUiHTList(offsetof(Node, pPre), offsetof(Node, pNext));
}

struct RemoveCase {
  const char* name;
  int removed;
  std::vector<int> left;
};

TEST_F(CWceUiListTest, RemovingHeadTailOrMiddleKeepsBothDirections) {
  const RemoveCase cases[] = {{"head", 0, {1, 2, 3}}, {"middle", 2, {0, 1, 3}}, {"tail", 3, {0, 1, 2}}};
  for (const RemoveCase& c : cases) {
    CWceUiHTList list = MainList();
    for (int i = 0; i < 4; ++i) list.AddTail(&m_nodes[i]);
    EXPECT_TRUE(list.Remove(&m_nodes[c.removed])) << c.name;
    EXPECT_EQ(Forward(list), c.left) << c.name;
    EXPECT_EQ(Backward(list), c.left) << c.name;
    EXPECT_EQ(list.GetCount(), 3) << c.name;
    EXPECT_EQ(m_nodes[c.removed].pPre, nullptr);
    EXPECT_EQ(m_nodes[c.removed].pNext, nullptr);
  }
}

TEST_F(CWceUiListTest, RemoveHeadAndTailEmptyTheList) {
  CWceUiHTList list = MainList();
  EXPECT_TRUE(list.IsEmpty());
  list.AddTail(&m_nodes[0]);
  list.AddTail(&m_nodes[1]);
  list.AddTail(&m_nodes[2]);
  EXPECT_EQ(list.RemoveHead(), &m_nodes[0]);
  EXPECT_EQ(list.RemoveTail(), &m_nodes[2]);
  EXPECT_EQ(list.GetHead(), &m_nodes[1]);
  EXPECT_EQ(list.GetTail(), &m_nodes[1]);
  EXPECT_EQ(list.RemoveTail(), &m_nodes[1]);
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetTail(), nullptr);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(list.RemoveHead(), nullptr);
  EXPECT_EQ(list.RemoveTail(), nullptr);
  EXPECT_FALSE(list.Remove(&m_nodes[0]));
  std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0], "error: CWceUiHTList::RemoveHead,check(NULL != m_pHead)fail");
  EXPECT_EQ(m[1], "error: CWceUiHTList::RemoveTail,check(NULL != m_pTail)fail");
}

TEST_F(CWceUiListTest, RemovingAnElementOfAnotherListTouchesNothing) {
  CWceUiHTList list = MainList();
  CWceUiHTList other = MainList();
  list.AddTail(&m_nodes[0]);
  list.AddTail(&m_nodes[1]);
  other.AddTail(&m_nodes[2]);
  other.AddTail(&m_nodes[3]);
  other.AddTail(&m_nodes[4]);
  // Node 3 has both links set, as a middle element of ours would.
  EXPECT_FALSE(list.Remove(&m_nodes[3]));
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
  CWceUiHTList other(offsetof(Node, pOtherPre), offsetof(Node, pOtherNext));
  for (int i = 0; i < 3; ++i) list.AddTail(&m_nodes[i]);
  for (int i = 2; i >= 0; --i) other.AddTail(&m_nodes[i]);
  EXPECT_TRUE(other.Remove(&m_nodes[1]));
  EXPECT_EQ(Forward(list), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(Forward(other), (std::vector<int>{2, 0}));
  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(CWceUiListTest, SameOffsetsAreReported) {
  CWceUiHTList list(offsetof(Node, pNext), offsetof(Node, pNext));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: CWceUiHTList::CWceUiHTList,check(m_nPreOffset != m_nNextOffset)fail");
}

TEST_F(CWceUiListTest, SinglyLinkedListAddsAtTheHeadAndRemovesOnlyItsOwn) {
  CWceUiHList list(offsetof(Node, pNext));
  EXPECT_FALSE(list.Remove(&m_nodes[0]));
  for (int i = 0; i < 4; ++i) list.AddHead(&m_nodes[i]);
  EXPECT_EQ(Values(list), (std::vector<int>{3, 2, 1, 0}));
  EXPECT_TRUE(list.Remove(&m_nodes[2]));
  EXPECT_EQ(m_nodes[2].pNext, nullptr);
  EXPECT_TRUE(list.Remove(&m_nodes[3]));
  EXPECT_TRUE(list.Remove(&m_nodes[0]));
  EXPECT_EQ(Values(list), (std::vector<int>{1}));
  Node stranger = {7, nullptr, &m_nodes[1]};
  EXPECT_FALSE(list.Remove(&stranger));
  EXPECT_FALSE(list.Remove(&m_nodes[4]));
  EXPECT_EQ(Values(list), (std::vector<int>{1}));
  EXPECT_EQ(list.GetCount(), 1);
  list.RemoveAll();
  EXPECT_EQ(list.GetHead(), nullptr);
  EXPECT_EQ(list.GetCount(), 0);
}

}  // namespace
