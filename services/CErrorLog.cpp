#include "services/CErrorLog.h"

#include "platform/kernel/CsLock.h"
#include "platform/kernel/codepage.h"
#include "platform/kernel/filesys.h"
#include "services/ProgramDir.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

std::atomic<int> g_nConnectCount{0};

namespace {

CErrorLog* s_pInstance = nullptr;

CString LogPath(LPCWSTR name) {
  return GetProgramDir() + name;
}

// Leading blanks, optional sign, digits; 0 when there are none.
int ParseDecimal(const char* s) {
  while (std::isspace(static_cast<unsigned char>(*s))) ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  long long v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    v = v * 10 + (*s - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

}  // namespace

CErrorLog* CErrorLog::GetInstance() {
  if (!s_pInstance) s_pInstance = new CErrorLog();
  return s_pInstance;
}

void CErrorLog::DestroyInstance() {
  delete s_pInstance;
  s_pInstance = nullptr;
}

CErrorLog::CErrorLog() : m_LineCursor(m_Lines.end()) {
  InitializeCriticalSection(&m_cs);
}

CErrorLog::~CErrorLog() {
  DeleteCriticalSection(&m_cs);
}

int CErrorLog::ReadConnectCount() {
  FILE* f = _wfopen(LogPath(u"\\Connect.log"), u"r+");
  if (!f) return 0;
  char buf[kMaxLine] = {};
  size_t got = fread(buf, 1, kMaxLine - 1, f);
  buf[got] = 0;
  fclose(f);
  return ParseDecimal(buf);
}

BOOL CErrorLog::WriteConnectCount(int count) {
  FILE* f = _wfopen(LogPath(u"\\Connect.log"), u"w+");
  if (!f) return FALSE;
  char buf[16];
  int n = std::snprintf(buf, sizeof(buf), "%d", count);
  // The digits go out with their terminating NUL.
  bool ok = fwrite(buf, 1, static_cast<size_t>(n) + 1, f) == static_cast<size_t>(n) + 1;
  ok = fclose(f) == 0 && ok;
  return ok ? TRUE : FALSE;
}

BOOL CErrorLog::Load() {
  FILE* f = _wfopen(LogPath(u"\\Error.log"), u"a+");
  if (!f) return FALSE;
  rewind(f);
  CsLock lock(&m_cs);
  m_Lines.clear();
  m_LineCursor = m_Lines.end();
  m_nLineCount = 0;
  char buf[kMaxLine];
  // A line longer than the buffer arrives in pieces, each kept as a line of its own.
  while (fgets(buf, sizeof(buf), f)) {
    size_t n = std::strlen(buf);
    if (n == 0) continue;
    m_Lines.emplace_back(buf, n);
    ++m_nLineCount;
  }
  fclose(f);
  return TRUE;
}

BOOL CErrorLog::Save() {
  FILE* f = _wfopen(LogPath(u"\\Error.log"), u"w+");
  // Without the file the lines stay in the list; nothing is written anywhere else.
  if (!f) return FALSE;
  CsLock lock(&m_cs);
  for (const std::string& line : m_Lines) fwrite(line.data(), 1, line.size(), f);
  fclose(f);
  m_Lines.clear();
  m_LineCursor = m_Lines.end();
  m_nLineCount = 0;
  return TRUE;
}

void CErrorLog::AddLine(const char* text) {
  if (!text) return;
  CsLock lock(&m_cs);
  m_Lines.emplace_back(text);
  ++m_nLineCount;
}

void CErrorLog::Clear() {
  CsLock lock(&m_cs);
  m_Lines.clear();
  m_LineCursor = m_Lines.end();
  m_nLineCount = 0;
}

int CErrorLog::GetLineCount() {
  CsLock lock(&m_cs);
  return m_nLineCount;
}

std::string CErrorLog::GetFirstLine() {
  CsLock lock(&m_cs);
  m_LineCursor = m_Lines.begin();
  return m_LineCursor == m_Lines.end() ? std::string() : *m_LineCursor;
}

std::string CErrorLog::GetNextLine() {
  CsLock lock(&m_cs);
  if (m_LineCursor == m_Lines.end()) return std::string();
  ++m_LineCursor;
  return m_LineCursor == m_Lines.end() ? std::string() : *m_LineCursor;
}

bool CErrorLog::IsAtEnd() {
  CsLock lock(&m_cs);
  return m_LineCursor == m_Lines.end();
}

bool CErrorLog::LineToUtf8(const std::string& line, std::string& out) {
  std::string text = line;
  if (text.size() > 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  CsLock lock(&m_cs);
  std::memset(m_szLine, 0, sizeof(m_szLine));
  std::memset(m_szUtf8, 0, sizeof(m_szUtf8));
  if (text.empty()) {
    out.clear();
    return true;
  }
  if (text.size() > static_cast<size_t>(kMaxLine - 1)) text.resize(kMaxLine - 1);
  int wide =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), m_szLine, kMaxLine - 1);
  if (wide <= 0) return false;
  // Three UTF-8 bytes may stand for two GBK bytes: the whole text is converted, then cut back to
  // the buffer at a character boundary.
  int need = WideCharToMultiByte(CP_UTF8, 0, m_szLine, wide, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return false;
  std::string utf8(static_cast<size_t>(need), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, m_szLine, wide, &utf8[0], need, nullptr, nullptr) != need) return false;
  size_t keep = utf8.size();
  if (keep > static_cast<size_t>(kMaxLine - 1)) {
    keep = kMaxLine - 1;
    while (keep > 0 && (static_cast<unsigned char>(utf8[keep]) & 0xC0) == 0x80) --keep;
  }
  std::memcpy(m_szUtf8, utf8.data(), keep);
  out.assign(m_szUtf8, keep);
  return true;
}
