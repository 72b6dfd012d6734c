// Arbitrary bytes as what the USB reader takes off "ADB1:": a header, then a payload handed to
// the stale-id filter and the dispatcher of a link that was never started (every answer is
// refused by the stopped writer), and to the shell-answer readers.
#include "phonelink/AdbSession.h"
#include "phonelink/ShellAnswer.h"
#include "phonelink/ShellWindow.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static AdbPacket* block = AdbPacket::Alloc();
  static ShellWindow window;
  if (size < ADB_HEADER_SIZE) return 0;
  block->Clear();
  block->DecodeHeader(data);
  // A wrong magic only ends the reader; past it every header reaches the filter and dispatch.
  block->magic = ~block->command;
  size_t rest = size - ADB_HEADER_SIZE;
  if (rest > ADB_MAX_PAYLOAD) rest = ADB_MAX_PAYLOAD;
  // The reader reads exactly data_length bytes and refuses lengths above the maximum.
  if (block->data_length <= ADB_MAX_PAYLOAD) {
    if (block->data_length > rest) block->data_length = static_cast<uint32_t>(rest);
    std::memcpy(block->m_Data, data + ADB_HEADER_SIZE, block->data_length);
    if (block->MagicOk() && AcceptAdbPacket(block)) DispatchAdbPacket(block);
  }

  const uint8_t* text = data + ADB_HEADER_SIZE;
  ShellAnswer::IsEmptyLine(text, rest);
  ShellAnswer::ReleaseStartsWithM(text, rest);
  ShellAnswer::ReleaseIs444(text, rest);
  ShellAnswer::SdkLevel(text, rest);
  ShellAnswer::AppStartFailed(text, rest);
  ShellAnswer::JarPresent(text, rest);
  ShellAnswer::HelperRunning(text, rest);
  ShellAnswer::FindHelperPid(text, rest);
  window.Append(text, rest);
  window.TakeHelperPid();
  return 0;
}
