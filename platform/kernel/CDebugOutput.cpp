#include "platform/kernel/CDebugOutput.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace wce {
const char kLogTicksVariable[] = "CORVANE_LOG_TICKS";
}  // namespace wce

namespace {
// Plain storage without a destructor: a thread's first debug line must not take the loader's lock
// (see CThreadObject.cpp). A fragment that would not fit goes out as a line of its own.
constexpr size_t kPendingMax = 1024;
thread_local char16_t t_pending[kPendingMax];
thread_local size_t t_pendingLength = 0;
}  // namespace

CDebugOutput& CDebugOutput::GetInstance() {
  static CDebugOutput* instance = new CDebugOutput();
  return *instance;
}

void CDebugOutput::Write(const std::u16string& text) {
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size();
    if (!end && text[i] != u'\n') continue;
    const size_t length = i - start;
    if (end && t_pendingLength + length <= kPendingMax) {
      // The unfinished rest waits for the line feed of a later write.
      text.copy(t_pending + t_pendingLength, length, start);
      t_pendingLength += length;
      break;
    }
    std::u16string line(t_pending, t_pendingLength);
    line.append(text, start, length);
    t_pendingLength = 0;
    start = i + 1;
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    EmitLine(line);
  }
}

void CDebugOutput::SetSink(std::function<void(const std::string& line)> sink) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  m_fnSink = std::move(sink);
}

void CDebugOutput::EmitLine(const std::u16string& line) {
  std::string utf8 = WceWideToUtf8(line);
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (m_fnSink) {
    m_fnSink(utf8);
    return;
  }
  // A test times the program's own steps by these ticks: the moment a line was written, not the
  // moment another process read it.
  static const bool s_bTicks = [] {
    const char* value = std::getenv(wce::kLogTicksVariable);
    return value != nullptr && *value != 0;
  }();
  if (s_bTicks) utf8.insert(0, std::to_string(GetTickCount()) + " ");
  utf8.push_back('\n');
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}
