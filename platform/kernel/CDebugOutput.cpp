#include "CDebugOutput.h"

#include "wcestr.h"

#include <cstdio>

namespace {
thread_local std::u16string t_pendingLine;
}

CDebugOutput& CDebugOutput::GetInstance() {
  static CDebugOutput* instance = new CDebugOutput();
  return *instance;
}

void CDebugOutput::Write(const std::u16string& text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\n') continue;
    t_pendingLine.append(text, start, i - start);
    start = i + 1;
    std::u16string line;
    line.swap(t_pendingLine);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    EmitLine(line);
  }
  t_pendingLine.append(text, start, std::u16string::npos);
}

void CDebugOutput::SetSink(std::function<void(const std::string& line)> sink) {
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  m_sink = std::move(sink);
}

void CDebugOutput::EmitLine(const std::u16string& line) {
  std::string utf8 = WceWideToUtf8(line);
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_sink) {
    m_sink(utf8);
    return;
  }
  utf8.push_back('\n');
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}
