#include "services/CCorvaneConfigure.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcestr.h"
#include "services/CorvaneConfig.h"

#include <climits>

namespace {

// "%x": optional blanks, sign and "0x"; false when no digit was read (the target keeps its value).
bool ScanHex(const CString& text, DWORD& value) {
  WCHAR* end = nullptr;
  unsigned long v = wcstoul(text, &end, 16);
  if (!end || end == text.GetString()) return false;
  value = static_cast<DWORD>(v);
  return true;
}

// "%d".
bool ScanInt(const CString& text, int& value) {
  WCHAR* end = nullptr;
  long v = wcstol(text, &end, 10);
  if (!end || end == text.GetString()) return false;
  value = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
  return true;
}

}  // namespace

CCorvaneConfigure::CCorvaneConfigure() {
  WindowParam& w = g_CorvaneConfig.m_WindowParam;
  if (w.m_strWndClass.IsEmpty()) w.m_strWndClass = u"WND_CORVANE";
  if (w.m_strWndTitle.IsEmpty()) w.m_strWndTitle = u"WND_CORVANE";
  if (w.m_strMutex.IsEmpty()) w.m_strMutex = u"CUI_MAIN_VT_CORVANE_MUTEX";
}

CCorvaneConfigure::~CCorvaneConfigure() = default;

void CCorvaneConfigure::Load(LPCWSTR path) {
  if (!path) return;
  // A file that is not well-formed still gives whatever the lenient parse indexed.
  if (!m_Xml.LoadFile(path)) NKDbgPrintfW(u"!!!!!!! File Not Exist (%s) \r\n", path);
  ReadVolumeLevels();
  ReadWindowParam();
}

void CCorvaneConfigure::ReadVolumeLevels() {
  m_Xml.ResetPosition();
  if (!m_Xml.FindElement(u"Config")) return;
  m_Xml.EnterElement();
  m_Xml.FindElement(u"VOLUME_LEV");
  m_nVolLevCount = _wtoi(m_Xml.GetAttribute(u"MAX_VOL_LEV"));
  // A missing or unreadable entry repeats the one before it.
  DWORD level = 0;
  for (int i = 0; i < m_nVolLevCount && i < kMaxVolLevels; ++i) {
    WCHAR name[16];
    swprintf(name, 16, u"VOL_LEV%d", i);
    ScanHex(m_Xml.GetAttribute(name), level);
    m_dwVolLevels[i] = level;
  }
}

bool CCorvaneConfigure::FindSection(LPCWSTR name) {
  m_Xml.RestartChildren();
  return m_Xml.FindElement(name) != FALSE;
}

void CCorvaneConfigure::ReadWindowParam() {
  if (!FindSection(u"window_param")) return;
  CorvaneConfig& c = g_CorvaneConfig;
  // One scratch number for the section: a text that is no number repeats the previous one.
  int number = 0;
  CString text = m_Xml.GetAttribute(u"topmost");
  if (!text.IsEmpty()) {
    ScanInt(text, number);
    c.m_WindowParam.m_bTopmost = number != 0 ? 1 : 0;
  }
  text = m_Xml.GetAttribute(u"exit_time");
  if (!text.IsEmpty()) {
    ScanInt(text, number);
    c.m_WindowParam.m_nExitTime = number;
  }
  text = m_Xml.GetAttribute(u"top_offset");
  if (!text.IsEmpty()) {
    ScanInt(text, number);
    c.m_nTopOffset = number;
  }
  text = m_Xml.GetAttribute(u"wnd_class");
  if (!text.IsEmpty()) c.m_WindowParam.m_strWndClass = text;
  text = m_Xml.GetAttribute(u"wnd_title");
  if (!text.IsEmpty()) c.m_WindowParam.m_strWndTitle = text;
  text = m_Xml.GetAttribute(u"mutex");
  if (!text.IsEmpty()) c.m_WindowParam.m_strMutex = text;
}

int CCorvaneConfigure::GetCustomer(WCHAR* channel, BYTE* notifyFlag) {
  if (!channel || !FindSection(u"customer")) return 0;
  int copied = 0;
  CString text = m_Xml.GetAttribute(u"channel");
  if (!text.IsEmpty()) {
    // The caller's buffer holds 64 characters with the terminator.
    wcsncpy(channel, text, 63);
    channel[63] = 0;
    copied = 1;
  }
  text = m_Xml.GetAttribute(u"notifymsg");
  if (!text.IsEmpty() && notifyFlag) {
    DWORD flag = 0;
    ScanHex(text, flag);
    *notifyFlag = flag != 0 ? 1 : 0;
  }
  text = m_Xml.GetAttribute(u"cus_name");
  if (text.CompareNoCase(u"r1") == 0) {
    g_CorvaneConfig.m_nCustomer = 1;
  } else if (text.CompareNoCase(u"r2") == 0) {
    g_CorvaneConfig.m_nCustomer = 2;
  }
  return copied;
}

int CCorvaneConfigure::GetVersion() {
  if (!FindSection(u"version")) return 0;
  CString text = m_Xml.GetAttribute(u"corvane_version");
  if (text.IsEmpty()) return 0;
  g_CorvaneConfig.m_strVersion = text;
  return 1;
}
