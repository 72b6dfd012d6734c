#include "tests/wceui/core/WceUiTestRoot.h"
#include "wceui/base/CFhIgnoreMsg.h"
#include "platform/kernel/KernelHooks.h"

namespace {

class CFhIgnoreMsgTest : public WceUiTestRoot {
 protected:
  static MSG Msg(HWND hwnd, UINT message, DWORD time) {
    MSG msg = {};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.time = time;
    return msg;
  }
  HWND m_hW1 = reinterpret_cast<HWND>(0x1000);
  HWND m_hW2 = reinterpret_cast<HWND>(0x2000);
};

TEST_F(CFhIgnoreMsgTest, HoldsThePointerMessagesAndSixtyOneMore) {
  CFhIgnoreMsg filter;
  EXPECT_EQ(filter.GetIgnoreMsgCount(), 3);
  for (UINT i = 0; i < 61; ++i) EXPECT_TRUE(filter.AddIgnoreMsg(0x8000 + i)) << i;
  EXPECT_TRUE(Log().empty());
  EXPECT_FALSE(filter.AddIgnoreMsg(0x9000));
  EXPECT_EQ(filter.GetIgnoreMsgCount(), 64);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: In CFhIgnoreMsg::AddIgnoreMsg, Too many ignore messages");
}

TEST_F(CFhIgnoreMsgTest, HoldsAHundredAndTwentyEightMarks) {
  CFhIgnoreMsg filter;
  for (int i = 0; i < 128; ++i) EXPECT_TRUE(filter.AddHwndTime(m_hW1, 10 + i)) << i;
  EXPECT_FALSE(filter.AddHwndTime(m_hW2, 5));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], "error: In CFhIgnoreMsg::AddHwndTime, Too many ignore HWNDs");
}

struct MarkCase {
  const char* m_pszName;
  DWORD m_dwMark;
  DWORD m_dwTime;
  BOOL m_bDropped;
};

TEST_F(CFhIgnoreMsgTest, MessageNotLaterThanTheMarkIsDroppedAcrossTheTickWrap) {
  const MarkCase cases[] = {
      {"stamped at the mark", 5000, 5000, TRUE},
      {"stamped before the mark", 5000, 4000, TRUE},
      {"one tick after the mark", 5000, 5001, FALSE},
      {"mark before the wrap, message after it", 0xFFFFFFF0u, 0x00000005u, FALSE},
      {"mark before the wrap, message before the mark", 0xFFFFFFF0u, 0xFFFFFFE0u, TRUE},
      {"mark after the wrap, message before the wrap", 0x00000005u, 0xFFFFFFF0u, TRUE},
      {"mark after the wrap, message after the mark", 0x00000005u, 0x00000006u, FALSE},
  };
  for (const MarkCase& c : cases) {
    CFhIgnoreMsg filter;
    filter.AddHwndTime(m_hW1, c.m_dwMark);
    MSG msg = Msg(m_hW1, WM_LBUTTONDOWN, c.m_dwTime);
    EXPECT_EQ(filter.IsIgnore(&msg), c.m_bDropped) << c.m_pszName;
    // A message that passed its mark clears the window's marks; a dropped one leaves them.
    EXPECT_EQ(filter.GetHwndTimeCount(), c.m_bDropped ? 1 : 0) << c.m_pszName;
  }
}

TEST_F(CFhIgnoreMsgTest, PassingMessageClearsEveryMarkOfItsWindowOnly) {
  CFhIgnoreMsg filter;
  filter.AddHwndTime(m_hW1, 100);
  filter.AddHwndTime(m_hW2, 100);
  filter.AddHwndTime(m_hW1, 200);
  MSG early = Msg(m_hW1, WM_MOUSEMOVE, 150);  // the newest mark of the window decides
  EXPECT_TRUE(filter.IsIgnore(&early));
  EXPECT_EQ(filter.GetHwndTimeCount(), 3);
  MSG late = Msg(m_hW1, WM_LBUTTONUP, 201);
  EXPECT_FALSE(filter.IsIgnore(&late));
  EXPECT_EQ(filter.GetHwndTimeCount(), 1);
  MSG other = Msg(m_hW2, WM_LBUTTONDOWN, 100);
  EXPECT_TRUE(filter.IsIgnore(&other));
  // Once cleared, early messages of the first window pass too.
  EXPECT_FALSE(filter.IsIgnore(&early));
}

TEST_F(CFhIgnoreMsgTest, MessagesNotHeldAndWindowsWithoutMarkPass) {
  CFhIgnoreMsg filter;
  filter.AddHwndTime(m_hW1, 100);
  MSG key = Msg(m_hW1, 0x0100, 50);
  EXPECT_FALSE(filter.IsIgnore(&key));
  EXPECT_EQ(filter.GetHwndTimeCount(), 1);  // a message not held leaves the marks alone
  MSG unmarked = Msg(m_hW2, WM_LBUTTONDOWN, 50);
  EXPECT_FALSE(filter.IsIgnore(&unmarked));
  filter.AddIgnoreMsg(0x0100);
  EXPECT_TRUE(filter.IsIgnore(&key));
}

TEST_F(CFhIgnoreMsgTest, MarkWithoutTimeTakesTheTick) {
  wce::SetManualTick(0xFFFFFFFEu);
  CFhIgnoreMsg filter;
  filter.AddHwnd(m_hW1, 0);
  MSG atMark = Msg(m_hW1, WM_LBUTTONDOWN, 0xFFFFFFFEu);
  EXPECT_TRUE(filter.IsIgnore(&atMark));
  MSG afterWrap = Msg(m_hW1, WM_LBUTTONDOWN, 3);
  EXPECT_FALSE(filter.IsIgnore(&afterWrap));
  filter.AddHwnd(m_hW1, 77);
  MSG before = Msg(m_hW1, WM_LBUTTONDOWN, 77);
  EXPECT_TRUE(filter.IsIgnore(&before));
}

TEST_F(CFhIgnoreMsgTest, RemoveHwndKeepsTheOrderOfTheOthers) {
  CFhIgnoreMsg filter;
  filter.AddHwndTime(m_hW2, 300);
  filter.AddHwndTime(m_hW1, 100);
  filter.AddHwndTime(m_hW2, 100);
  filter.RemoveHwnd(m_hW1);
  EXPECT_EQ(filter.GetHwndTimeCount(), 2);
  // The newest mark of w2 (100) still decides before the older one (300).
  MSG msg = Msg(m_hW2, WM_LBUTTONDOWN, 200);
  EXPECT_FALSE(filter.IsIgnore(&msg));
  EXPECT_EQ(filter.GetHwndTimeCount(), 0);
}

TEST_F(CFhIgnoreMsgTest, TheHolderKeepsOneFilter) {
  CFhIgnoreMsg* filter = WceUiGetGlobals()->GetIgnoreMsg();
  EXPECT_EQ(filter, WceUiGetGlobals()->GetIgnoreMsg());
  filter->AddHwndTime(m_hW1, 100);
  WceUiGetGlobals()->Reset();
  EXPECT_EQ(filter->GetHwndTimeCount(), 0);
  EXPECT_EQ(filter->GetIgnoreMsgCount(), 3);
}

}  // namespace
