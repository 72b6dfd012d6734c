// Every registered window message of the program holds its number before main runs, and the
// sequencer's named events exist by then.
#include "app/AppWindowMessages.h"
#include "engine/CorvaneWindowMessages.h"

#include "platform/kernel/kernel.h"
#include "platform/user/user.h"

#include <gtest/gtest.h>

namespace {

struct Word {
  const UINT* m_pWord;
  const char16_t* m_pszName;
};

const Word kWords[] = {
    {&CORVAN_WM_CONNECT_STEP, u"CORVAN_WM_CONNECT_STEP"},
    {&CORVAN_WM_MSG, u"CORVAN_WM_MSG"},
    {&CORVANE_WM_EXIT, u"CORVANE_WM_EXIT"},
    {&WMMSG_CORVANE_USB_ERROR, u"WMMSG_CORVANE_USB_ERROR"},
    {&INNER_MSG_FRAME_RATE_CHANGE, u"INNER_MSG_FRAME_RATE_CHANGE"},
    {&INNER_MSG_PHONE_CORVANE_EXIT, u"INNER_MSG_PHONE_CORVANE_EXIT"},
    {&INNER_MSG_CORVANE_CALLING_STATE, u"INNER_MSG_CORVANE_CALLING_STATE"},
    {&NMSG_CORVANE_SHOWHIDE, u"NMSG_CORVANE_SHOWHIDE"},
    {&NMSG_CORVANE_SETVOLUME, u"NMSG_CORVANE_SETVOLUME"},
    {&NMSG_CORVANE_MODULE_CONTROL, u"NMSG_CORVANE_MODULE_CONTROL"},
    {&NMSG_CORVANE_HW_KEY, u"NMSG_CORVANE_HW_KEY"},
    {&NMSG_CORVANE_QUIT, u"NMSG_CORVANE_QUIT"},
    {&INNER_NMSG_PAUSE_VIDEO, u"INNER_NMSG_PAUSE_VIDEO"},
    {&WMMSG_CORVANE_USB_OUT, u"WMMSG_CORVANE_USB_OUT"},
    {&N_WMMSG_CORVANE_MOULE_STATE, u"N_WMMSG_CORVANE_MOULE_STATE"},
    {&N_WMMSG_CORVANE_TTS_STATE, u"N_WMMSG_CORVANE_TTS_STATE"},
    {&N_WMMSG_CORVANE_QUIT_NOTIFY, u"N_WMMSG_CORVANE_QUIT_NOTIFY"},
    {&N_MSG_CORVANE_NO_PCODE_DATA, u"N_MSG_CORVANE_NO_PCODE_DATA"},
    {&N_WMMSG_CORVANE_SHOWHIDE_NOTIFY, u"N_WMMSG_CORVANE_SHOWHIDE_NOTIFY"},
    {&MSG_EXIT_HELP_DLG, u"MSG_EXIT_HELP_DLG"},
    {&NMSG_CORVANE_VIDEO_DLG_SHOW, u"NMSG_CORVANE_VIDEO_DLG_SHOW"},
    {&NMSG_CORVANE_VIDEO_DLG_HIDE, u"NMSG_CORVANE_VIDEO_DLG_HIDE"},
    {&NMSG_CORVANE_GET_VIDEO_DATA, u"NMSG_CORVANE_GET_VIDEO_DATA"},
    {&WCEUI_RESPRO_END, u"WCEUI_RESPRO_END"},
    {&MESSAGE_CMD_REV, u"MESSAGE_CMD_REV"},
    {&NMSG_RECORD, u"NMSG_RECORD"},
};

TEST(WindowMessages, EveryNameHoldsItsNumberBeforeMain) {
  // Read before anything registers a name here: only the static initialisers can have set them.
  for (const Word& w : kWords) {
    const UINT before = *w.m_pWord;
    EXPECT_GE(before, 0xC000u) << WceWideToUtf8(w.m_pszName);
    EXPECT_EQ(before, RegisterWindowMessageW(w.m_pszName)) << WceWideToUtf8(w.m_pszName);
  }
}

TEST(WindowMessages, TheSequencersEventsExistBeforeMain) {
  for (const char16_t* name : {u"EVENT_INIT", u"EVENT_RECONNECT"}) {
    HANDLE h = OpenEventW(EVENT_ALL_ACCESS, FALSE, name);
    EXPECT_NE(h, nullptr) << WceWideToUtf8(name);
    // Created non-signalled: nothing wakes the sequencer before the phone is in.
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_TIMEOUT) << WceWideToUtf8(name);
    CloseHandle(h);
  }
}

}  // namespace
