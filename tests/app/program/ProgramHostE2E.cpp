#include "tests/app/program/ProgramHostE2E.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

namespace {

const char kMassStorageKey[] = "[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\Mass_Storage_Class\\6]";
const char kTaskBarTitle[] = "PROGRAM_E2E_TASKBAR";

// The bus's environment of the programs under this root.
std::vector<std::string> BusEnvironment(const fs::path& root) {
  return {"CORVANE_ROOT=" + root.string(), "CORVANE_BUS=shared"};
}

}  // namespace

void ProgramHostE2E::TearDown() {
  m_TaskBar.Kill();
  ProgramSimE2E::TearDown();
}

void ProgramHostE2E::StartTaskBar() {
  m_strTaskBarPing = "PROGRAM_E2E_TASKBAR_PING";
  ASSERT_TRUE(
      m_TaskBar.Start({XPROC_PEER, std::string("window HHTaskBar ") + kTaskBarTitle + " " + m_strTaskBarPing},
                      BusEnvironment(m_Dir)));
  std::string said;
  ASSERT_TRUE(m_TaskBar.ReadLine(&said, kReplyMs)) << "the task bar did not start";
  ASSERT_EQ(said.rfind("window ", 0), 0u) << said;
}

bool ProgramHostE2E::TaskBarShownIs(bool shown) {
  // The bar carries out another program's show or hide in the order of its queue: once it has
  // taken a later ping, the request is done and its window list rewritten.
  const std::string n = std::to_string(++m_nTaskBarPings);
  if (Post({m_strTaskBarPing, "0", n, "--window", kTaskBarTitle}) != 0) return false;
  const std::string got = "got " + m_strTaskBarPing + " 0 " + n;
  std::string line;
  while (line != got) {
    if (!m_TaskBar.ReadLine(&line, kReplyMs)) return false;
  }
  std::istringstream windows(ReadText(m_Dir / "bus" / "windows" / std::to_string(m_TaskBar.Pid())));
  // One window a line: handle, shown, class, title, separated by tabs.
  while (std::getline(windows, line)) {
    std::istringstream fields(line);
    std::string handle, visible, className;
    if (std::getline(fields, handle, '\t') && std::getline(fields, visible, '\t') &&
        std::getline(fields, className, '\t') && className == "HHTaskBar") {
      return (visible == "1") == shown;
    }
  }
  return false;
}

void ProgramHostE2E::WriteShell() {
  fs::create_directories(m_Dir / "Windows");
  const fs::path shell = m_Dir / "Windows" / "Explorer.exe";
  std::ofstream(shell) << "#!/bin/sh\nexit 0\n";
  fs::permissions(shell, fs::perms::owner_all);
}

void ProgramHostE2E::WriteMassStorageSwitchedOff() {
  fs::create_directories(m_Dir / "Registry");
  std::ofstream(m_Dir / "Registry" / "registry.txt") << kMassStorageKey << "\n\"Dll\"=sz:\"--USBMSC.DLL\"\n";
}

bool ProgramHostE2E::MassStorageSwitchedOn() const {
  const std::string text = ReadText(m_Dir / "Registry" / "registry.txt");
  const size_t key = text.find(kMassStorageKey);
  if (key == std::string::npos) return false;
  const size_t next = text.find("\n[", key);
  return text.substr(key, next == std::string::npos ? std::string::npos : next - key)
             .find("\"Dll\"=sz:\"USBMSC.DLL\"") != std::string::npos;
}

void ProgramHostE2E::ExpectEveryChannelClosed() {
  std::string unclosed;
  const bool closed = WaitForLog(
      [&](const SPhoneLog& log) {
        unclosed.clear();
        for (const SStreamOpen& open : log.m_Opens) {
          if (open.m_strService.rfind("tcp:", 0) != 0) continue;
          bool bClosed = false;
          for (const SPacket& p : log.m_Packets) {
            if (p.m_bFromHost && p.m_strCommand == "CLSE" && p.m_nArg1 == open.m_nDeviceId) bClosed = true;
          }
          if (!bClosed) unclosed += " " + open.m_strService;
        }
        return unclosed.empty() && !log.m_Opens.empty();
      },
      kReplyMs);
  EXPECT_TRUE(closed) << "no CLSE from the head unit for" << unclosed;
}

void ProgramHostE2E::ExpectLogsWritten() {
  EXPECT_TRUE(fs::exists(m_Dir / "Connect.log"));
  EXPECT_EQ(Occurrences(EngineLog(), "!!!!!!! ALL Tcp Thread Exit"), 1u);
}

}  // namespace e2e
