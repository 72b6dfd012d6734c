#include "platform/kernel/CSharedNameTable.h"

#include "platform/kernel/NameTableDriver.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Kernel object names are compared exactly, so the file name spells every UTF-16 unit in hex.
std::string FileNameOf(const std::u16string& name) {
  static const char kHex[] = "0123456789abcdef";
  std::string file;
  for (char16_t c : name) {
    for (int shift = 12; shift >= 0; shift -= 4) file.push_back(kHex[(c >> shift) & 0xF]);
  }
  return file;
}

// A file name holds at most 255 bytes; longer names stay this process's own.
const size_t kMaxFileName = 255;

bool LocalClaim(const std::u16string&) {
  return false;
}

void LocalRelease(const std::u16string&) {}

bool SharedClaim(const std::u16string& name) {
  return CSharedNameTable::GetInstance().Claim(name);
}

void SharedRelease(const std::u16string& name) {
  CSharedNameTable::GetInstance().Release(name);
}

const NameTableDriver kLocal{"local", &LocalClaim, &LocalRelease};
const NameTableDriver kShared{"shared", &SharedClaim, &SharedRelease};
}  // namespace

const NameTableDriver* LocalNameTableDriver() {
  return &kLocal;
}

const NameTableDriver* SharedNameTableDriver() {
  return &kShared;
}

CSharedNameTable& CSharedNameTable::GetInstance() {
  // Never destroyed: handles may still be closed while the process winds down.
  static CSharedNameTable* instance = new CSharedNameTable();
  return *instance;
}

bool CSharedNameTable::Claim(const std::u16string& name) {
  const std::string file = FileNameOf(name);
  const std::string bus = wce::GetBusDir();
  if (bus.empty() || file.size() > kMaxFileName) return false;
  const std::string dir = bus + "/names";
  mkdir(dir.c_str(), 0777);
  const int fd = open((dir + "/" + file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    wce::DebugPrint("!!!!!!! bus: name %s not shared (errno %d)\r\n", WceWideToUtf8(name).c_str(), errno);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return errno == EWOULDBLOCK;
  }
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Held.find(name);
  if (it != m_Held.end()) close(it->second);
  m_Held[name] = fd;
  return false;
}

void CSharedNameTable::Release(const std::u16string& name) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Held.find(name);
  if (it == m_Held.end()) return;
  // The file stays: unlinking it could leave two programs holding locks on two different files
  // of the same name.
  close(it->second);
  m_Held.erase(it);
}
