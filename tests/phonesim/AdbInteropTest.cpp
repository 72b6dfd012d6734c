// Interoperability with Debian's adb: a host nobody here wrote. The test
// starts its own adb server on a private port with its own HOME and kills
// it (and any server left over) at the end, whatever happened.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/wait.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "phonesim/services/CPipeEndpoint.h"
#include "tests/phonesim/PhoneSimFixture.h"
#include "tests/support/Child.h"

using namespace phonesim;
using namespace phonesim_test;

namespace {

constexpr char kAdb[] = "/usr/bin/adb";

uint16_t FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  close(fd);
  return ntohs(sa.sin_port);
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// A file of another process under /proc, or what could be read of it: the process may end between
// the walk's look at its directory and the read, which then fails (ESRCH), and that process is
// simply not the one sought.
std::string ReadProcFile(const std::string& path) {
  std::string text;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
  close(fd);
  return text;
}

class AdbInteropTest : public PhoneSimFixture {
 public:
  void SetUp() override {
    PhoneSimFixture::SetUp();
    if (access(kAdb, X_OK) != 0) GTEST_SKIP() << "no " << kAdb;
    m_home = m_dir + "/home";
    mkdir(m_home.c_str(), 0700);
    mkdir((m_home + "/.android").c_str(), 0700);
    m_server_port = FreePort();
    ASSERT_EQ(Adb("keygen " + m_home + "/.android/adbkey", 20, nullptr), 0);
    m_options.m_bAuth = true;
  }
  void TearDown() override {
    if (m_server_port != 0) {
      Adb("kill-server", 10, nullptr);
      KillLeftoverServer();
    }
    PhoneSimFixture::TearDown();
  }

  // Runs adb with our HOME and server port; output (stdout and stderr) to *out.
  int Adb(const std::string& args, int timeout_s, std::string* out) {
    std::string cmd = "HOME=" + m_home + " ANDROID_ADB_SERVER_PORT=" + std::to_string(m_server_port) +
                      " timeout -k 2 " + std::to_string(timeout_s) + " " + kAdb + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    std::string text;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int rc = pclose(p);
    if (out) *out = text;
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  std::string Serial() const { return "127.0.0.1:" + std::to_string(m_sim.Port()); }
  // Waits until adb lists the phone as "device".
  bool WaitDevice() {
    for (int i = 0; i < 50; ++i) {
      std::string out;
      Adb("-s " + Serial() + " get-state", 5, &out);
      if (out.rfind("device", 0) == 0) return true;
      usleep(100000);
    }
    return false;
  }
  // The server daemonises itself: should kill-server fail, find it by the
  // private port in its environment and end it by its pid.
  void KillLeftoverServer() {
    std::string mark = "ANDROID_ADB_SERVER_PORT=" + std::to_string(m_server_port);
    DIR* d = opendir("/proc");
    if (d == nullptr) return;
    while (dirent* e = readdir(d)) {
      char* end = nullptr;
      long pid = std::strtol(e->d_name, &end, 10);
      if (*end != '\0' || pid <= 1) continue;
      std::string env = ReadProcFile(std::string("/proc/") + e->d_name + "/environ");
      std::string cmdline = ReadProcFile(std::string("/proc/") + e->d_name + "/cmdline");
      for (char& c : env)
        if (c == '\0') c = '\n';
      if (cmdline.find("adb") != std::string::npos &&
          (env.find("\n" + mark + "\n") != std::string::npos || env.rfind(mark + "\n", 0) == 0))
        kill(static_cast<pid_t>(pid), SIGKILL);
    }
    closedir(d);
  }

  std::string m_home;
  uint16_t m_server_port = 0;
};

TEST_F(AdbInteropTest, ConnectShellPushPullForward) {
  m_options.m_TrustFiles.push_back(m_home + "/.android/adbkey.pub");
  auto pipe = std::make_shared<CPipeEndpoint>();
  m_sim.Endpoints().Register(7240, [pipe] { return pipe; });
  StartSim();
  std::string out;
  ASSERT_EQ(Adb("start-server", 20, &out), 0) << out;
  ASSERT_EQ(Adb("connect " + Serial(), 20, &out), 0) << out;
  ASSERT_TRUE(WaitDevice());

  m_sim.Shell().SetProp("ro.build.version.sdk", "27");
  ASSERT_EQ(Adb("-s " + Serial() + " shell getprop ro.build.version.sdk", 20, &out), 0) << out;
  EXPECT_EQ(out, "27\r\n");

  std::string data(200 * 1024, '\0');
  std::mt19937 rng(7);
  for (char& c : data) c = static_cast<char>(rng());
  std::string local = m_dir + "/payload.bin";
  std::ofstream(local, std::ios::binary) << data;
  chmod(local.c_str(), 0754);
  ASSERT_EQ(Adb("-s " + Serial() + " push " + local + " /data/local/tmp/payload.bin", 30, &out), 0) << out;
  EXPECT_EQ(ReadFile(PhoneFile("/data/local/tmp/payload.bin")), data);
  struct stat st;
  ASSERT_EQ(stat(PhoneFile("/data/local/tmp/payload.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0754u);
  auto pushes = m_sim.Record().Pushes();
  ASSERT_EQ(pushes.size(), 1u);
  EXPECT_EQ(pushes[0].m_nSize, data.size());

  ASSERT_EQ(Adb("-s " + Serial() + " pull /data/local/tmp/payload.bin " + m_dir + "/pulled.bin", 30, &out), 0)
      << out;
  EXPECT_EQ(ReadFile(m_dir + "/pulled.bin"), data);

  uint16_t fwd = FreePort();
  ASSERT_EQ(Adb("-s " + Serial() + " forward tcp:" + std::to_string(fwd) + " tcp:7240", 20, &out), 0) << out;
  CRawAdbHost client;  // used as a plain TCP client here
  ASSERT_TRUE(client.Connect(fwd));
  ASSERT_TRUE(client.SendBytes({'t', 'o', '-', 'p', 'h', 'o', 'n', 'e'}));
  ASSERT_TRUE(pipe->WaitReceived(8, 5000));
  std::vector<uint8_t> got = pipe->Received();
  EXPECT_EQ(std::string(got.begin(), got.end()), "to-phone");
  ASSERT_TRUE(pipe->Write("to-host", 7));
  std::string back;
  for (int i = 0; i < 20 && back.size() < 7; ++i) {
    std::vector<uint8_t> b = client.RecvSome(64, 250);
    back.append(b.begin(), b.end());
  }
  EXPECT_EQ(back, "to-host");
  client.Close();
  Adb("-s " + Serial() + " forward --remove-all", 10, nullptr);
  EXPECT_TRUE(m_sim.Record().Violations().empty()) << m_sim.Record().Violations().front();
}

TEST_F(AdbInteropTest, OfferedKeyIsAcceptedWhenNothingIsTrusted) {
  StartSim();
  std::string out;
  ASSERT_EQ(Adb("start-server", 20, &out), 0) << out;
  Adb("connect " + Serial(), 20, &out);
  ASSERT_TRUE(WaitDevice()) << out;
  EXPECT_EQ(m_sim.Auth().TrustedCount(), 1u);
  std::string kept = ReadFile(m_sim.StateDir() + "/adb_keys");
  std::string pub = ReadFile(m_home + "/.android/adbkey.pub");
  EXPECT_EQ(kept.substr(0, 700), pub.substr(0, 700));
}

// The program itself: --help names every option, a command-line fault acts.
TEST(PhoneSimProgramTest, HelpDocumentsEveryOption) {
  e2e::Child phonesim;
  ASSERT_TRUE(phonesim.Start({PHONESIM_BIN, "--help"}, {}));
  std::string text;
  for (std::string line; phonesim.ReadLine(&line, 10000);) text += line + "\n";
  EXPECT_EQ(phonesim.Wait(10000), 0);
  for (const char* opt :
       {"--address", "--port", "--state", "--auth", "--accept-keys", "--trust", "--max-payload", "--prop",
        "--app-missing", "--shell ", "--shell-delay", "--shell-silent", "--shell-split", "--echo", "--fault",
        "--help", "6555", "127.0.0.1"})
    EXPECT_NE(text.find(opt), std::string::npos) << opt;
}

TEST(PhoneSimProgramTest, CommandLineScenarioDropsAtStep) {
  char templ[] = "/tmp/phonesim-cli-XXXXXX";
  ASSERT_NE(mkdtemp(templ), nullptr);
  std::string dir = templ;
  e2e::Child phonesim;
  ASSERT_TRUE(phonesim.Start({PHONESIM_BIN, "--port", "0", "--state", dir, "--fault", "drop@open:shell:ps",
                              "--prop", "ro.build.version.sdk=19"},
                             {}));
  std::string line;
  phonesim.ReadLine(&line, 5000);
  size_t colon = line.find("127.0.0.1:");
  uint16_t port =
      colon == std::string::npos ? 0 : static_cast<uint16_t>(std::atoi(line.c_str() + colon + 10));
  if (port != 0) {
    CRawAdbHost host;
    SRawPacket answer;
    EXPECT_TRUE(host.Connect(port) && host.Handshake(4096, &answer));
    EXPECT_EQ(answer.cmd, kCNXN);
    EXPECT_TRUE(host.Send(kOPEN, 1, 0, std::string("shell:getprop ro.build.version.sdk\0", 35)));
    std::string out;
    EXPECT_TRUE(host.Recv(&answer));  // OKAY
    EXPECT_TRUE(host.ReadStreamToClose(1, &out));
    EXPECT_EQ(out, "19\r\n");
    EXPECT_TRUE(host.Send(kOPEN, 2, 0, std::string("shell:ps\0", 9)));
    EXPECT_TRUE(host.WaitClosed(2000));
  }
  phonesim.Signal(SIGTERM);
  EXPECT_EQ(phonesim.Wait(10000), 0) << "phonesim's status after SIGTERM (-1: it did not end)";
  ASSERT_NE(port, 0) << line;
  EXPECT_NE(ReadFile(dir + "/phonesim.log").find("EVENT fault drop@open:shell:ps at open:shell:ps"),
            std::string::npos);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

}  // namespace
