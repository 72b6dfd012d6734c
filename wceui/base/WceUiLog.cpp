#include "wceui/base/WceUiLog.h"

#include "platform/kernel/WceFormat.h"

#include <cstdarg>
#include <cstdio>

namespace {

const char16_t* LevelWord(int nLevel) {
  switch (nLevel) {
    case WCEUI_LOG_INFO:
      return u"info: ";
    case WCEUI_LOG_WARNING:
      return u"warning: ";
    case WCEUI_LOG_ERROR:
      return u"error: ";
    default:
      return u"";
  }
}

void EmitLine(int nLevel, const std::u16string& message) {
  // Nothing formatted, or more than fits: the line is dropped whole rather than cut.
  if (message.empty() || message.size() > static_cast<size_t>(kWceUiLogMaxChars)) return;
  SYSTEMTIME st;
  GetLocalTime(&st);
  std::u16string line = WceUiFormatLogLine(nLevel, st, message);
  NKDbgPrintfW(u"%s", line.c_str());
}

}  // namespace

std::u16string WceUiFormatLogLine(int nLevel, const SYSTEMTIME& st, const std::u16string& message) {
  WCHAR stamp[64];
  swprintf(stamp, 64, u"%02d:%02d:%02d %04d-%02d-%02d  ", st.wHour, st.wMinute, st.wSecond, st.wYear,
           st.wMonth, st.wDay);
  std::u16string line = stamp;
  line += LevelWord(nLevel);
  line += message;
  line += u"\r\n";
  return line;
}

void WceUiLogW(int nLevel, LPCWSTR pFormat, ...) {
  if (pFormat == nullptr) return;
  std::u16string message;
  va_list ap;
  va_start(ap, pFormat);
  WceFormatAppendV(message, pFormat, ap);
  va_end(ap);
  EmitLine(nLevel, message);
}

void WceUiLogA(int nLevel, const char* pFormat, ...) {
  if (pFormat == nullptr) return;
  char buffer[kWceUiLogMaxChars + 1];
  va_list ap;
  va_start(ap, pFormat);
  int length = std::vsnprintf(buffer, sizeof(buffer), pFormat, ap);
  va_end(ap);
  if (length <= 0 || length > kWceUiLogMaxChars) return;
  // The narrow line is widened byte by byte, not decoded.
  std::u16string message;
  message.reserve(length);
  for (int i = 0; i < length; ++i) message.push_back(static_cast<unsigned char>(buffer[i]));
  EmitLine(nLevel, message);
}

std::string WceUiFunctionName(const char* pSignature) {
  if (pSignature == nullptr) return std::string();
  std::string text = pSignature;
  size_t open = text.find('(');
  if (open != std::string::npos) text.resize(open);
  size_t blank = text.rfind(' ');
  if (blank != std::string::npos) text.erase(0, blank + 1);
  size_t first = text.find_first_not_of("*&");
  return first == std::string::npos ? std::string() : text.substr(first);
}

void WceUiCheckFailed(const char* pSignature, const char* pCondition) {
  WceUiLogA(WCEUI_LOG_ERROR, "%s,check(%s)fail", WceUiFunctionName(pSignature).c_str(), pCondition);
}
