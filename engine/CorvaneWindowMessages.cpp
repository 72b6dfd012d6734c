#include "engine/CorvaneWindowMessages.h"

#include "engine/CorvaneEngineSession.h"
#include "platform/kernel/kernel.h"
#include "platform/user/user.h"

CorvaneWindowMessageIds g_CorvaneWindowMessageIds;

void RegisterEngineWindowMessages() {
  // Results are stored unchecked: a 0 only means nobody will recognise the message.
  CORVAN_WM_CONNECT_STEP = RegisterWindowMessageW(u"CORVAN_WM_CONNECT_STEP");
  CORVAN_WM_MSG = RegisterWindowMessageW(u"CORVAN_WM_MSG");
  INNER_MSG_FRAME_RATE_CHANGE = RegisterWindowMessageW(u"INNER_MSG_FRAME_RATE_CHANGE");
  INNER_MSG_PHONE_CORVANE_EXIT = RegisterWindowMessageW(u"INNER_MSG_PHONE_CORVANE_EXIT");
  INNER_MSG_CORVANE_CALLING_STATE = RegisterWindowMessageW(u"INNER_MSG_CORVANE_CALLING_STATE");
  NMSG_CORVANE_QUIT = RegisterWindowMessageW(u"NMSG_CORVANE_QUIT");
  N_WMMSG_CORVANE_MOULE_STATE = RegisterWindowMessageW(u"N_WMMSG_CORVANE_MOULE_STATE");
  N_WMMSG_CORVANE_TTS_STATE = RegisterWindowMessageW(u"N_WMMSG_CORVANE_TTS_STATE");
  N_WMMSG_CORVANE_SHOWHIDE_NOTIFY = RegisterWindowMessageW(u"N_WMMSG_CORVANE_SHOWHIDE_NOTIFY");
  NMSG_CORVANE_GET_VIDEO_DATA = RegisterWindowMessageW(u"NMSG_CORVANE_GET_VIDEO_DATA");
  MESSAGE_CMD_REV = RegisterWindowMessageW(u"MESSAGE_CMD_REV");
  NMSG_RECORD = RegisterWindowMessageW(u"NMSG_RECORD");
}

void CreateEngineNamedEvents() {
  if (g_hEventInit == nullptr) g_hEventInit = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_INIT");
  if (g_hEventReconnect == nullptr)
    g_hEventReconnect = CreateEventW(nullptr, FALSE, FALSE, u"EVENT_RECONNECT");
}

namespace {
struct EngineNamesInitialiser {
  EngineNamesInitialiser() { RegisterEngineWindowMessages(); }
} s_engineNames;
}  // namespace
