// The debug output stream behind NKDbgPrintfW and OutputDebugStringW. Text collects per thread
// until a line feed, so lines of different threads never interleave; each finished line goes,
// as UTF-8 without its CR/LF, to the test sink or to stderr.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CDebugOutput {
 public:
  static CDebugOutput& GetInstance();

  void Write(const std::u16string& text);
  void SetSink(std::function<void(const std::string& line)> sink);

 private:
  CDebugOutput() = default;
  void EmitLine(const std::u16string& line);

  // Held while a line is delivered, so SetSink returns only once no thread is inside the old
  // sink; recursive because a sink may itself log.
  std::recursive_mutex m_Lock;
  std::function<void(const std::string& line)> m_fnSink;
};
