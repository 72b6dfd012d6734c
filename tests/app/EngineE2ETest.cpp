// corvane-engine against the simulated phone, both as programs: the engine's standard output
// and the phone's record are the truth.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// A child program with its standard input and output on pipes.
class Child {
 public:
  bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return false;
    m_pid = fork();
    if (m_pid < 0) return false;
    if (m_pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> argv;
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_in = in[1];
    m_out = out[0];
    return true;
  }
  ~Child() {
    if (m_in >= 0) close(m_in);
    if (m_out >= 0) close(m_out);
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  void Write(const std::string& text) { ASSERT_EQ(write(m_in, text.data(), text.size()), (ssize_t)text.size()); }
  // The next line of output, or false after ms milliseconds or at its end.
  bool ReadLine(std::string* line, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      size_t nl = m_buffer.find('\n');
      if (nl != std::string::npos) {
        *line = m_buffer.substr(0, nl);
        m_buffer.erase(0, nl + 1);
        return true;
      }
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      if (left <= 0) return false;
      pollfd p = {m_out, POLLIN, 0};
      if (poll(&p, 1, left) <= 0) return false;
      char buf[512];
      ssize_t n = read(m_out, buf, sizeof(buf));
      if (n <= 0) return false;
      m_buffer.append(buf, static_cast<size_t>(n));
    }
  }
  // The exit status, or -1 when it did not end within ms (it is then killed).
  int Wait(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(10000);
    }
    return -1;
  }
  void Signal(int sig) {
    if (m_pid > 0) kill(m_pid, sig);
  }

 private:
  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  std::string m_buffer;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WaitForText(const fs::path& path, const std::string& text, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < end) {
    if (ReadText(path).find(text) != std::string::npos) return true;
    usleep(20000);
  }
  return false;
}

class EngineE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvane-engine-e2e-XXXXXX";
    m_root = mkdtemp(tmpl);
    m_dir = m_root / "dir";
    m_state = m_root / "phone";
    fs::create_directories(m_dir);
    fs::create_directories(m_state);
    fs::copy_file(KAVLINK_PATH, m_dir / "kavlink.dll");
    std::ofstream(m_dir / "vtsc16") << "helper";
    std::ofstream(m_dir / "vtim.jar") << "helper";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(m_root, ec);
  }
  // The phone at Android level 25, which needs no first helper.
  void StartPhone() {
    ASSERT_TRUE(m_phone.Start({PHONESIM_PATH, "--port", "0", "--state", m_state.string(), "--prop",
                               "ro.build.version.sdk=25"},
                              {}));
    std::string line;
    ASSERT_TRUE(m_phone.ReadLine(&line, 10000));
    size_t colon = line.find("127.0.0.1:");
    ASSERT_NE(colon, std::string::npos) << line;
    m_port = std::atoi(line.c_str() + colon + 10);
    ASSERT_GT(m_port, 0);
  }
  void StartEngine() {
    m_phoneEnv = "CORVANE_PHONE=tcp:127.0.0.1:" + std::to_string(m_port);
    ASSERT_TRUE(m_engine.Start({ENGINE_PATH, "--dir", m_dir.string()}, {m_phoneEnv}));
  }
  // Reads the engine's lines until one equals `wanted`; every line read is kept.
  bool ReadUntil(const std::string& wanted, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    std::string line;
    while (Clock::now() < end) {
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
      if (!m_engine.ReadLine(&line, left)) return false;
      m_lines.push_back(line);
      if (line == wanted) return true;
    }
    return false;
  }

  bool Seen(const std::string& line) const {
    for (const std::string& l : m_lines) {
      if (l == line) return true;
    }
    return false;
  }

  fs::path m_root, m_dir, m_state;
  int m_port = 0;
  std::string m_phoneEnv;
  Child m_phone;
  Child m_engine;
  std::vector<std::string> m_lines;
};

TEST_F(EngineE2E, ConnectsShowsPicturesTakesTouchesAndQuitsInOrder) {
  StartPhone();
  StartEngine();
  ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 100", 30000));
  // Once pictures run the phone reports itself in the foreground (0x0001001B) and the first
  // shown picture is announced, in either order.
  ASSERT_TRUE(Seen("msg MESSAGE_CMD_REV 0 65563") || ReadUntil("msg MESSAGE_CMD_REV 0 65563", 15000));
  ASSERT_TRUE(Seen("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0") || ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 15000));

  std::vector<std::string> steps;
  for (const std::string& l : m_lines) {
    if (l.rfind("msg CORVAN_WM_CONNECT_STEP ", 0) == 0) steps.push_back(l.substr(27));
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"0 10", "0 20", "0 30", "0 40", "0 50", "0 60", "0 70", "0 80",
                                             "0 90", "0 100"}));
  EXPECT_EQ(m_lines.front(), "msg WMMSG_CORVANE_USB_OUT 0 1");

  // The foreground report has been handled: touches go out.
  fs::path log = m_state / "phonesim.log";
  m_engine.Write("touch down 400 240\ntouch move 410 250\ntouch up 410 250\n");
  ASSERT_TRUE(WaitForText(log, "app rx ch5 0x00068001 len 8 action: 1 x: 410 y: 250", 10000));

  m_engine.Write("quit\n");
  EXPECT_EQ(m_engine.Wait(20000), 0);

  // What the phone received on the command channel, in order.
  std::string text = ReadText(log);
  std::vector<size_t> at;
  for (const char* type : {"app rx ch0 0x00018001", "app rx ch0 0x00018003", "app rx ch0 0x00018027",
                           "app rx ch0 0x00018056", "app rx ch0 0x00018007 len 8 width: 800 height: 480 frameRate: 10",
                           "app rx ch0 0x00018009"}) {
    at.push_back(text.find(type));
    EXPECT_NE(at.back(), std::string::npos) << type;
  }
  for (size_t i = 1; i < at.size(); ++i) EXPECT_LT(at[i - 1], at[i]);
  EXPECT_NE(text.find("app rx ch5 0x00068001 len 8 action: 0 x: 400 y: 240"), std::string::npos);
  EXPECT_NE(text.find("app rx ch5 0x00068001 len 8 action: 2 x: 410 y: 250"), std::string::npos);
  // The connect counter was saved at the orderly end.
  EXPECT_TRUE(fs::exists(m_dir / "Connect.log"));
  m_phone.Signal(SIGTERM);
  m_phone.Wait(5000);
}

TEST_F(EngineE2E, SigtermIsAnOrderlyQuitEvenWithoutAPhone) {
  m_port = 1;   // nothing listens there: the engine waits for USB
  StartEngine();
  usleep(500 * 1000);
  m_engine.Signal(SIGTERM);
  EXPECT_EQ(m_engine.Wait(20000), 0);
  EXPECT_TRUE(fs::exists(m_dir / "Connect.log"));
}

}  // namespace
