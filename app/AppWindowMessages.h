// The registered window messages that the root window receives from other programs of the head
// unit and from the phone link, registered here on the receiver's side (the phone link registers
// its own words for the same names; a name gives the same number everywhere). The messages the
// engine posts are in engine/CorvaneWindowMessages.h.
//   WMMSG_CORVANE_USB_OUT            broadcast by the link   0, 1 phone attached / 0 gone
//   WMMSG_CORVANE_USB_ERROR          broadcast by the link   0, 0 (no effect)
//   NMSG_CORVANE_SHOWHIDE            other programs          -, 1 show / 0 or 2 hide
//   NMSG_CORVANE_SETVOLUME           other programs          accepted without effect
//   NMSG_CORVANE_MODULE_CONTROL      other programs          module 3 or 4, 1 on / 2 off
//   NMSG_CORVANE_HW_KEY              other programs          key code, -
//   INNER_NMSG_PAUSE_VIDEO           other programs          asks the phone to pause its encoder
//   NMSG_CORVANE_VIDEO_DLG_SHOW/HIDE other programs          the phone pop-up
//   CORVANE_WM_EXIT                  the root window itself  0, 0: the connection screen ends
//   N_WMMSG_CORVANE_QUIT_NOTIFY      broadcast at shutdown   0, 0 (notify flag set)
//   N_MSG_CORVANE_NO_PCODE_DATA      nobody                  registered only
//   MSG_EXIT_HELP_DLG                nobody in this program  the help dialog registers for it
//   WCEUI_RESPRO_END                 the progress animation  0, 0 when it has run through
#pragma once

#include "platform/kernel/wcetypes.h"

// The plain message other programs send to make the window topmost (wParam 1) or not.
#define WM_CORVANE_TOPMOST 0x101E

extern UINT WMMSG_CORVANE_USB_OUT;
extern UINT WMMSG_CORVANE_USB_ERROR;
extern UINT NMSG_CORVANE_SHOWHIDE;
extern UINT NMSG_CORVANE_SETVOLUME;
extern UINT NMSG_CORVANE_MODULE_CONTROL;
extern UINT NMSG_CORVANE_HW_KEY;
extern UINT INNER_NMSG_PAUSE_VIDEO;
extern UINT NMSG_CORVANE_VIDEO_DLG_SHOW;
extern UINT NMSG_CORVANE_VIDEO_DLG_HIDE;
extern UINT CORVANE_WM_EXIT;
extern UINT N_WMMSG_CORVANE_QUIT_NOTIFY;
extern UINT N_MSG_CORVANE_NO_PCODE_DATA;
extern UINT MSG_EXIT_HELP_DLG;
extern UINT WCEUI_RESPRO_END;

// Registers the names again (tests: after the window layer forgot its registered messages).
void RegisterAppWindowMessages();
