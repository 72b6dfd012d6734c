#include "services/CorvaneConfig.h"

#include "services/CCorvaneConfigure.h"
#include "services/ProgramDir.h"

#include <cstring>

namespace {

// The phone's statistics expect this channel whatever the file says.
const char kChannelId[] = "20322100";

void SetDefaults(CorvaneConfig& c) {
  c = CorvaneConfig();
  std::strcpy(c.m_szChannelId, "00000000");
  c.m_strVersion = u"2.0.0.1";
  c.m_WindowParam.m_strWndClass = u"WceUiWnd";
  c.m_WindowParam.m_strWndTitle = u"WND_CORVANE";
  c.m_WindowParam.m_strMutex = u"CUI_MAIN_VT_CORVANE_MUTEX";
}

struct DefaultsInit {
  DefaultsInit() { SetDefaults(g_CorvaneConfig); }
};

}  // namespace

CorvaneConfig g_CorvaneConfig;
static DefaultsInit s_defaultsInit;

void ResetCorvaneConfig() {
  SetDefaults(g_CorvaneConfig);
}

void LoadCorvaneConfig() {
  CCorvaneConfigure reader;
  CString path = GetProgramDir() + u"\\CorvaneConfigure.xml";
  reader.Load(path);
  WCHAR channel[64] = {};
  reader.GetCustomer(channel, &g_CorvaneConfig.m_bNotifyMsg);
  std::memset(g_CorvaneConfig.m_szChannelId, 0, sizeof(g_CorvaneConfig.m_szChannelId));
  std::memcpy(g_CorvaneConfig.m_szChannelId, kChannelId, sizeof(kChannelId) - 1);
  reader.GetVersion();
}
