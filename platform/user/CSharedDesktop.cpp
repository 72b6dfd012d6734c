#include "platform/user/CSharedDesktop.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/UserInternal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {
const uintptr_t kFirstInProcess = 0x10000;
// A program's slot on the bus sits above the bits of its window counter, within 32 bits: a handle
// is a pointer-sized word, and the head unit's pointers are 32 bits wide.
const int kSlotShift = 24;
const UINT kFirstRegistered = 0xC000;
const UINT kLastRegistered = 0xFFFF;

// A packet on the bus, in host order: every program on the bus runs on this machine.
struct BusPacket {
  uint32_t m_nKind;
  uint32_t m_nMessage;
  uint64_t m_nHwnd;
  uint64_t m_wParam;
  int64_t m_lParam;
};

std::string SocketPath(const std::string& bus, DWORD pid) {
  return bus + "/" + std::to_string(pid) + ".sock";
}

std::string WindowsFile(const std::string& bus, DWORD pid) {
  return bus + "/windows/" + std::to_string(pid);
}

bool FillAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size());
  return true;
}

bool IsAlive(DWORD pid) {
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

UINT SlotOfHandle(HWND hwnd) {
  return static_cast<UINT>((reinterpret_cast<uintptr_t>(hwnd) >> kSlotShift) & kLastSlot);
}

uintptr_t FirstHandle() {
  return kFirstInProcess + (static_cast<uintptr_t>(CSharedDesktop::GetInstance().Slot()) << kSlotShift);
}

bool IsLocal(HWND hwnd) {
  return SlotOfHandle(hwnd) == CSharedDesktop::GetInstance().Slot();
}

UINT RegisterMessage(LPCWSTR name) {
  return CSharedDesktop::GetInstance().Register(name);
}

std::u16string MessageName(UINT msg) {
  return CSharedDesktop::GetInstance().Name(msg);
}

void Publish(const std::vector<PublishedWindow>& windows) {
  CSharedDesktop::GetInstance().Publish(windows);
}

bool FindOther(LPCWSTR className, LPCWSTR title, HWND only, PublishedWindow* found) {
  return CSharedDesktop::GetInstance().FindOther(className, title, only, found);
}

std::vector<PublishedWindow> ListOthers() {
  return CSharedDesktop::GetInstance().ListOther(0);
}

bool PostOther(HWND hwnd, const MSG& msg) {
  return CSharedDesktop::GetInstance().SendTo(ProcessOfHandle(hwnd), kBusPost, msg);
}

bool ShowOther(HWND hwnd, int cmdShow) {
  MSG msg{hwnd, 0, static_cast<WPARAM>(cmdShow), 0, 0, {0, 0}};
  return CSharedDesktop::GetInstance().SendTo(ProcessOfHandle(hwnd), kBusShow, msg);
}

void BroadcastOther(const MSG& msg) {
  CSharedDesktop::GetInstance().BroadcastOther(msg);
}

const DesktopDriver kShared{"shared",   &FirstHandle, &IsLocal,   &RegisterMessage, &MessageName,   &Publish,
                            &FindOther, &ListOthers,  &PostOther, &ShowOther,       &BroadcastOther};

// Holds the messages file locked while a registration reads and extends it.
class CLockedFile {
 public:
  explicit CLockedFile(const std::string& path)
      : m_nFd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (m_nFd >= 0) flock(m_nFd, LOCK_EX);
  }
  ~CLockedFile() {
    if (m_nFd >= 0) close(m_nFd);  // closing drops the lock
  }
  int Fd() const { return m_nFd; }

 private:
  const int m_nFd;
};

std::vector<std::u16string> ReadNames(int fd) {
  std::string text;
  char buf[4096];
  lseek(fd, 0, SEEK_SET);
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  std::vector<std::u16string> names;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) names.push_back(WceUtf8ToWide(line));
  return names;
}
}  // namespace

const DesktopDriver* SharedDesktopDriver() {
  return &kShared;
}

DWORD ProcessOfHandle(HWND hwnd) {
  return CSharedDesktop::GetInstance().ProcessOfSlot(SlotOfHandle(hwnd));
}

CSharedDesktop& CSharedDesktop::GetInstance() {
  // Never destroyed: the reader thread runs until the process ends.
  static CSharedDesktop* instance = new CSharedDesktop();
  return *instance;
}

UINT CSharedDesktop::Register(LPCWSTR name) {
  if (name == nullptr || name[0] == 0) return 0;
  const std::string bus = Bus();
  std::lock_guard<std::mutex> lock(m_Lock);
  for (size_t i = 0; i < m_Names.size(); ++i) {
    if (_wcsicmp(m_Names[i].c_str(), name) == 0) return kFirstRegistered + static_cast<UINT>(i);
  }
  CLockedFile file(bus + "/messages");
  if (file.Fd() < 0) return 0;
  m_Names = ReadNames(file.Fd());
  for (size_t i = 0; i < m_Names.size(); ++i) {
    if (_wcsicmp(m_Names[i].c_str(), name) == 0) return kFirstRegistered + static_cast<UINT>(i);
  }
  if (m_Names.size() > kLastRegistered - kFirstRegistered) return 0;
  const std::string line = WceWideToUtf8(name) + "\n";
  lseek(file.Fd(), 0, SEEK_END);
  if (write(file.Fd(), line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 0;
  m_Names.emplace_back(name);
  return kFirstRegistered + static_cast<UINT>(m_Names.size() - 1);
}

UINT CSharedDesktop::Slot() {
  std::call_once(m_SlotOnce, [this] { m_nSlot = TakeSlot(wce::GetBusDir()); });
  return m_nSlot;
}

std::string CSharedDesktop::Bus() {
  const std::string bus = wce::GetBusDir();
  const UINT slot = Slot();
  std::lock_guard<std::mutex> lock(m_SlotLock);
  if (slot == 0 || std::find(m_SlotBuses.begin(), m_SlotBuses.end(), bus) != m_SlotBuses.end()) return bus;
  // A process whose root changed (tests do) keeps its windows' slot on the new bus too.
  m_SlotBuses.push_back(bus);
  if (!HoldSlot(bus, slot))
    wce::DebugPrint("!!!!!!! bus: slot %u of %s is another program's\r\n", slot, bus.c_str());
  return bus;
}

UINT CSharedDesktop::TakeSlot(const std::string& bus) {
  const std::string dir = bus + "/slots";
  mkdir(dir.c_str(), 0777);
  // The search starts after the slot taken last, so a slot freed by an ended program is the last
  // one taken again, and a stale handle of that program is unlikely to name a new program's window.
  CLockedFile next(dir + "/next");
  if (next.Fd() < 0) return 0;
  char text[16] = {};
  lseek(next.Fd(), 0, SEEK_SET);
  const ssize_t n = read(next.Fd(), text, sizeof text - 1);
  UINT start = n > 0 ? static_cast<UINT>(std::strtoul(text, nullptr, 10)) : kFirstSlot;
  if (start < kFirstSlot || start > kLastSlot) start = kFirstSlot;
  for (UINT i = 0; i <= kLastSlot - kFirstSlot; ++i) {
    const UINT slot = kFirstSlot + (start - kFirstSlot + i) % (kLastSlot - kFirstSlot + 1);
    if (!HoldSlot(bus, slot)) continue;
    const std::string after = std::to_string(slot == kLastSlot ? kFirstSlot : slot + 1);
    if (ftruncate(next.Fd(), 0) == 0 && lseek(next.Fd(), 0, SEEK_SET) == 0 &&
        write(next.Fd(), after.data(), after.size()) < 0) {
      // The next program starts its search lower: nothing else changes.
    }
    std::lock_guard<std::mutex> lock(m_SlotLock);
    m_SlotBuses.push_back(bus);
    return slot;
  }
  wce::DebugPrint("!!!!!!! bus: all %u program slots of %s are taken\r\n", kLastSlot, dir.c_str());
  return 0;
}

bool CSharedDesktop::HoldSlot(const std::string& bus, UINT slot) {
  const std::string dir = bus + "/slots";
  mkdir(dir.c_str(), 0777);
  const std::string path = dir + "/" + std::to_string(slot);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const std::string pid = std::to_string(getpid());
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0 ||
      write(fd, pid.data(), pid.size()) != static_cast<ssize_t>(pid.size())) {
    close(fd);
    return false;
  }
  // Never closed: the lock holds the slot until the process ends, whatever way it ends.
  return true;
}

DWORD CSharedDesktop::ProcessOfSlot(UINT slot) {
  const std::string bus = Bus();
  if (slot == 0) return 0;
  if (slot == Slot()) return static_cast<DWORD>(getpid());
  std::ifstream in(bus + "/slots/" + std::to_string(slot));
  unsigned long pid = 0;
  if (!(in >> pid) || pid > 0xFFFFFFFFul) return 0;
  return static_cast<DWORD>(pid);
}

std::u16string CSharedDesktop::Name(UINT msg) {
  if (msg < kFirstRegistered || msg > kLastRegistered) return std::u16string();
  const std::string bus = Bus();
  std::lock_guard<std::mutex> lock(m_Lock);
  if (msg - kFirstRegistered >= m_Names.size()) {
    CLockedFile file(bus + "/messages");
    if (file.Fd() >= 0) m_Names = ReadNames(file.Fd());
  }
  return msg - kFirstRegistered < m_Names.size() ? m_Names[msg - kFirstRegistered] : std::u16string();
}

void CSharedDesktop::Publish(const std::vector<PublishedWindow>& windows) {
  const std::string bus = Bus();
  std::lock_guard<std::mutex> lock(m_Lock);
  if (!windows.empty() && !OpenLocked()) return;
  mkdir((bus + "/windows").c_str(), 0777);
  std::ostringstream text;
  for (const PublishedWindow& w : windows) {
    text << std::hex << reinterpret_cast<uintptr_t>(w.m_hWnd) << std::dec << '\t' << (w.m_bVisible ? 1 : 0)
         << '\t' << WceWideToUtf8(w.m_strClassName) << '\t' << WceWideToUtf8(w.m_strTitle) << '\n';
  }
  // Readers see the old list or the new one, never half of one.
  const std::string path = WindowsFile(bus, static_cast<DWORD>(getpid()));
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << text.str();
  }
  std::rename(temporary.c_str(), path.c_str());
}

bool CSharedDesktop::FindOther(LPCWSTR className, LPCWSTR title, HWND only, PublishedWindow* found) {
  for (const PublishedWindow& w : ListOther(only != nullptr ? ProcessOfHandle(only) : 0)) {
    if (only != nullptr && w.m_hWnd != only) continue;
    if (className != nullptr && _wcsicmp(w.m_strClassName.c_str(), className) != 0) continue;
    if (title != nullptr && _wcsicmp(w.m_strTitle.c_str(), title) != 0) continue;
    *found = w;
    return true;
  }
  return false;
}

std::vector<PublishedWindow> CSharedDesktop::ListOther(DWORD only) {
  std::vector<PublishedWindow> windows;
  const std::string bus = Bus();
  const std::string dir = bus + "/windows";
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) return windows;
  std::vector<DWORD> pids;
  while (dirent* entry = readdir(listing)) {
    char* end = nullptr;
    const unsigned long pid = std::strtoul(entry->d_name, &end, 10);
    if (end != entry->d_name && *end == 0 && pid != static_cast<unsigned long>(getpid()))
      pids.push_back(static_cast<DWORD>(pid));
  }
  closedir(listing);
  std::sort(pids.begin(), pids.end());
  for (DWORD pid : pids) {
    if (only != 0 && pid != only) continue;
    if (!IsAlive(pid)) {
      Forget(pid);
      continue;
    }
    std::ifstream in(WindowsFile(bus, pid));
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string handle, shown, cls, text;
      if (!std::getline(fields, handle, '\t') || !std::getline(fields, shown, '\t') ||
          !std::getline(fields, cls, '\t'))
        continue;
      std::getline(fields, text);
      windows.push_back({reinterpret_cast<HWND>(std::strtoull(handle.c_str(), nullptr, 16)), shown == "1",
                         WceUtf8ToWide(cls), WceUtf8ToWide(text)});
    }
  }
  return windows;
}

bool CSharedDesktop::SendTo(DWORD pid, UINT kind, const MSG& msg) {
  const std::string bus = Bus();
  sockaddr_un addr;
  if (pid == 0 || !FillAddress(SocketPath(bus, pid), &addr)) return false;
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const BusPacket packet{kind, msg.message, reinterpret_cast<uintptr_t>(msg.hwnd), msg.wParam,
                         static_cast<int64_t>(msg.lParam)};
  const ssize_t sent =
      sendto(fd, &packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  const int error = errno;
  close(fd);
  if (sent == static_cast<ssize_t>(sizeof packet)) return true;
  if (error == ECONNREFUSED || error == ENOENT) Forget(pid);
  return false;
}

void CSharedDesktop::BroadcastOther(const MSG& msg) {
  const std::string bus = Bus();
  DIR* listing = opendir(bus.c_str());
  if (listing == nullptr) return;
  std::vector<DWORD> pids;
  while (dirent* entry = readdir(listing)) {
    char* end = nullptr;
    const unsigned long pid = std::strtoul(entry->d_name, &end, 10);
    if (end != entry->d_name && std::strcmp(end, ".sock") == 0 && pid != static_cast<unsigned long>(getpid()))
      pids.push_back(static_cast<DWORD>(pid));
  }
  closedir(listing);
  std::sort(pids.begin(), pids.end());
  for (DWORD pid : pids) SendTo(pid, kBusBroadcast, msg);
}

void CSharedDesktop::Forget(DWORD pid) {
  const std::string bus = Bus();
  unlink(SocketPath(bus, pid).c_str());
  unlink(WindowsFile(bus, pid).c_str());
}

bool CSharedDesktop::OpenLocked() {
  if (m_nSocket >= 0) return true;
  const std::string path = SocketPath(Bus(), static_cast<DWORD>(getpid()));
  sockaddr_un addr;
  if (!FillAddress(path, &addr)) {
    wce::DebugPrint("!!!!!!! bus: socket path too long: %s\r\n", path.c_str());
    return false;
  }
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  unlink(path.c_str());  // left by an ended program whose pid this one now has
  if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    wce::DebugPrint("!!!!!!! bus: cannot bind %s (errno %d)\r\n", path.c_str(), errno);
    close(fd);
    return false;
  }
  m_nSocket = fd;
  // The reader lives as long as the process: its wait ends when the process does.
  std::thread([this, fd] { ReadPackets(fd); }).detach();
  return true;
}

void CSharedDesktop::ReadPackets(int fd) {
  for (;;) {
    BusPacket packet;
    const ssize_t n = recv(fd, &packet, sizeof packet, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;
    // Not one of ours, or a message whose parameters could be addresses: dropped.
    if (n != static_cast<ssize_t>(sizeof packet)) continue;
    if (packet.m_nKind != kBusShow && !CrossesPrograms(packet.m_nMessage)) continue;
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(packet.m_nHwnd));
    MSG msg{hwnd,
            packet.m_nMessage,
            static_cast<WPARAM>(packet.m_wParam),
            static_cast<LPARAM>(packet.m_lParam),
            GetTickCount(),
            {0, 0}};
    switch (packet.m_nKind) {
      case kBusPost:
        userpart::Windows().PostTo(hwnd, msg);
        break;
      case kBusBroadcast:
        userpart::Windows().Broadcast(msg);
        break;
      case kBusShow:
        ShowWindow(hwnd, static_cast<int>(packet.m_wParam));
        break;
      default:
        break;
    }
  }
}
