// Style values: merging and copying styles, the filters, the background colour, background items
// and their list.
#include "tests/wceui/resfiles/WceUiResFixture.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/styles/CWceUiStyle.h"

namespace {

class CWceUiStyleTest : public WceUiResFixture {};

}  // namespace

TEST_F(CWceUiStyleTest, MergeTakesWhatTheFirstHasSetAndTheSecondsItemsAndFlags) {
  CWceUiStyle first;
  RECT rcFirst = {1, 1, 2, 2};
  first.SetPosition(&rcFirst, WCEUI_POSITION_RELATIVE);
  first.SetHas(kStyleHasPosition, TRUE);
  first.SetTextResID(u"first");  // not marked: the second's text wins
  first.SetTextColor(RGB(1, 0, 0));
  first.SetHas(kStyleHasTextColor, TRUE);
  CWceUiBgItem firstItem;
  firstItem.SetName(u"f");
  first.GetBgItemCtrl().AddTail(firstItem);

  CWceUiStyle second;
  RECT rcSecond = {5, 5, 6, 6};
  second.SetPosition(&rcSecond, WCEUI_POSITION_WINDOW);
  second.SetTextResID(u"second");
  second.SetTextColor(RGB(2, 0, 0));
  second.SetShow(FALSE);
  second.SetHas(kStyleHasShow, TRUE);
  CWceUiBgItem secondItem;
  secondItem.SetName(u"s");
  second.GetBgItemCtrl().AddTail(secondItem);
  second.GetBgItemCtrl().AddTail(secondItem);

  CWceUiStyle merged;
  merged.Merge(first, second);
  RECT rc;
  EXPECT_EQ(merged.GetPosition(&rc), WCEUI_POSITION_RELATIVE);
  EXPECT_EQ(rc.left, 1);
  EXPECT_EQ(std::u16string(merged.GetTextResID()), u"second");
  EXPECT_EQ(merged.GetTextColor(), RGB(1, 0, 0));
  EXPECT_FALSE(merged.GetShow());
  EXPECT_EQ(merged.GetBgItemCtrl().GetCount(), 2);
  EXPECT_NE(merged.GetBgItemCtrl().GetByName(u"s"), nullptr);
  EXPECT_FALSE(merged.GetHas(kStyleHasPosition));
  EXPECT_TRUE(merged.GetHas(kStyleHasShow));

  // Merging a style over itself keeps it.
  merged.Merge(merged, merged);
  EXPECT_EQ(merged.GetTextColor(), RGB(1, 0, 0));
  EXPECT_EQ(merged.GetBgItemCtrl().GetCount(), 2);
  CWceUiStyle copy(merged);
  copy = copy;
  EXPECT_EQ(std::u16string(copy.GetTextResID()), u"second");
  EXPECT_EQ(copy.GetBgItemCtrl().GetCount(), 2);
  EXPECT_TRUE(copy.GetHas(kStyleHasShow));
}

TEST_F(CWceUiStyleTest, FiltersKeepTheirValuesOnlyWhileEnabled) {
  CWceUiAlphaFilterCtrl alpha;
  int nOpacity = -5;
  EXPECT_FALSE(alpha.GetFilter(&nOpacity));
  alpha.SetFilter(TRUE, 80);
  EXPECT_TRUE(alpha.GetFilter(&nOpacity));
  EXPECT_EQ(nOpacity, 80);
  alpha.SetFilter(FALSE, 80);
  nOpacity = -5;
  EXPECT_FALSE(alpha.GetFilter(&nOpacity));
  EXPECT_EQ(nOpacity, -5);

  CWceUiMixColorFilterCtrl mix;
  COLORREF cr = 7;
  mix.SetFilter(FALSE, RGB(1, 2, 3), 10);
  EXPECT_FALSE(mix.GetFilter(&cr, &nOpacity));
  EXPECT_EQ(cr, 7u);
  mix.SetFilter(TRUE, RGB(1, 2, 3), 10);
  CWceUiMixColorFilterCtrl copy;
  copy = mix;
  EXPECT_TRUE(copy.GetFilter(&cr, &nOpacity));
  EXPECT_EQ(cr, RGB(1, 2, 3));
  EXPECT_EQ(nOpacity, 10);
}

TEST_F(CWceUiStyleTest, BackgroundColourWarnsWhenAskedForNothing) {
  CWceUiBgColorCtrl bg;
  EXPECT_EQ(bg.GetColor(), RGB(0, 0, 0));
  bg.SetColor(RGB(4, 5, 6));
  bg.SetColor(u"");
  EXPECT_EQ(bg.GetColor(), RGB(4, 5, 6));
  bg.SetTransparent(TRUE);
  CWceUiBgColorCtrl copy(bg);
  EXPECT_TRUE(copy.IsTransparent());
  EXPECT_EQ(copy.GetColor(), RGB(4, 5, 6));
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "error: CWceUiBgColorCtrl::GetColor is useless when IsHasBgColor return FALSE",
                            "error: CWceUiBgColorCtrl::SetColor,check(*pColorID)fail",
                            "error: CWceUiBgColorCtrl::GetColor is useless when IsTransparent return TRUE",
                        }));
}

TEST_F(CWceUiStyleTest, BackgroundItemAlignmentMergesAxisByAxis) {
  const struct {
    UINT m_nStart;
    UINT m_nSet;
    UINT m_nExpected;
  } cases[] = {
      {0, 0, 0},
      {0, WCEUI_ALIGN_HCENTER | WCEUI_ALIGN_VCENTER, 5},
      {5, WCEUI_ALIGN_RIGHT, 6},
      {6, WCEUI_ALIGN_HCENTER, 5},
      {5, WCEUI_ALIGN_BOTTOM, 9},
      {9, WCEUI_ALIGN_VCENTER | WCEUI_ALIGN_BOTTOM, 5},
      {9, WCEUI_ALIGN_RIGHT | WCEUI_ALIGN_HCENTER, 10},
      {10, 0, 10},
  };
  for (const auto& c : cases) {
    CWceUiBgItem item;
    item.SetAlign(c.m_nStart);
    item.SetAlign(c.m_nSet);
    EXPECT_EQ(item.GetAlign(), c.m_nExpected) << c.m_nStart << " + " << c.m_nSet;
  }
}

TEST_F(CWceUiStyleTest, BackgroundItemListsCopyTheirItems) {
  CWceUiBgItemCtrl list;
  CWceUiBgItem item;
  for (const char16_t* pName : {u"a", u"b", u"c"}) {
    item.SetName(pName);
    list.AddTail(item);
  }
  item.SetName(u"changed");
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(std::u16string(list.GetHead()->GetName()), u"a");
  list = list;
  EXPECT_EQ(list.GetCount(), 3);
  CWceUiBgItemCtrl copy(list);
  list.RemoveAll();
  std::u16string names;
  for (CWceUiBgItem* p = copy.GetHead(); p != nullptr; p = copy.GetNext(p)) names += p->GetName();
  EXPECT_EQ(names, u"abc");
  EXPECT_EQ(copy.GetByName(u"B"), nullptr);
  EXPECT_EQ(copy.GetNext(nullptr), nullptr);
}
