#include "phonelink/ShellWindow.h"

#include "phonelink/ShellAnswer.h"

#include <cstring>

void ShellWindow::Refill() {
  std::lock_guard<std::mutex> lock(m_Lock);
  std::memset(m_Text, '#', sizeof(m_Text));
  m_nLength = sizeof(m_Text) - 1;
  m_nReportedPid = 0;
}

void ShellWindow::Append(const uint8_t* data, size_t length) {
  if (length > kChunk) length = kChunk;
  std::lock_guard<std::mutex> lock(m_Lock);
  // m_nLength never drops below kCarry: Refill leaves it full and every append adds kCarry.
  std::memmove(m_Text, m_Text + m_nLength - kCarry, kCarry);
  std::memcpy(m_Text + kCarry, data, length);
  m_nLength = kCarry + length;
}

int ShellWindow::TakeHelperPid() {
  std::lock_guard<std::mutex> lock(m_Lock);
  int pid = ShellAnswer::FindHelperPid(m_Text, m_nLength);
  // The carried bytes show the same line again with the next chunk; one kill per listing.
  if (pid == 0 || pid == m_nReportedPid) return 0;
  m_nReportedPid = pid;
  return pid;
}
