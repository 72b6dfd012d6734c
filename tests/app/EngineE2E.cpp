#include "tests/app/EngineE2E.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

int MsLeft(Clock::time_point end) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return ms < 0 ? 0 : static_cast<int>(ms);
}

// ---- the phone's log ----

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::vector<uint8_t> UnescapeBytes(const std::string& text, bool* truncated) {
  std::vector<uint8_t> out;
  std::string t = text;
  bool cut = t.size() >= 3 && t.compare(t.size() - 3, 3, "...") == 0;
  if (cut) t.resize(t.size() - 3);
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\\' && i + 3 < t.size() && t[i + 1] == 'x') {
      out.push_back(static_cast<uint8_t>(std::strtoul(t.substr(i + 2, 2).c_str(), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(static_cast<uint8_t>(t[i]));
    }
  }
  if (truncated) *truncated = cut;
  return out;
}

namespace {

// "chC TYPE len N REST" after the "app rx " / "app tx " prefix.
bool ParseAppLine(const std::string& s, int* channel, uint32_t* type, uint32_t* length, std::string* rest) {
  if (s.compare(0, 2, "ch") != 0) return false;
  char* end = nullptr;
  *channel = static_cast<int>(std::strtol(s.c_str() + 2, &end, 10));
  if (*end != ' ') return false;
  *type = static_cast<uint32_t>(std::strtoul(end + 1, &end, 16));
  if (std::strncmp(end, " len ", 5) != 0) return false;
  *length = static_cast<uint32_t>(std::strtoul(end + 5, &end, 10));
  *rest = *end == ' ' ? std::string(end + 1) : std::string();
  return true;
}

uint32_t Arg(const std::string& line, const char* key) {
  size_t at = line.find(key);
  if (at == std::string::npos) return 0;
  return static_cast<uint32_t>(std::strtoul(line.c_str() + at + std::strlen(key), nullptr, 0));
}

}  // namespace

SPhoneLog ParsePhoneLog(const fs::path& path) {
  SPhoneLog log;
  std::istringstream in(ReadText(path));
  std::string line;
  while (std::getline(in, line)) {
    log.m_Lines.push_back(line);
    size_t sp = line.find(' ');
    if (sp == std::string::npos) continue;
    int64_t us = std::strtoll(line.c_str(), nullptr, 10);
    std::string body = line.substr(sp + 1);
    if (body.compare(0, 6, "EVENT ") == 0) {
      std::string ev = body.substr(6);
      log.m_Events.push_back({us, ev});
      SAppRx rx;
      std::string rest;
      if (ev.compare(0, 7, "app rx ") == 0 &&
          ParseAppLine(ev.substr(7), &rx.m_nChannel, &rx.m_nType, &rx.m_nLength, &rest)) {
        rx.m_nUs = us;
        rx.m_strFields = rest;
        log.m_Rx.push_back(rx);
      } else if (ev.compare(0, 13, "app rx-bytes ") == 0) {
        // Belongs to the newest "app rx" line of its channel and type (another channel's lines may
        // come in between).
        int channel = -1;
        uint32_t type = 0;
        char* end = nullptr;
        if (ev.compare(13, 2, "ch") != 0) continue;
        channel = static_cast<int>(std::strtol(ev.c_str() + 15, &end, 10));
        type = static_cast<uint32_t>(std::strtoul(end, &end, 16));
        if (*end != ' ') continue;
        std::string hex = end + 1;
        SAppRx* owner = nullptr;
        for (auto it = log.m_Rx.rbegin(); it != log.m_Rx.rend() && !owner; ++it) {
          if (it->m_nChannel == channel && it->m_nType == type && !it->m_bHasBytes) owner = &*it;
        }
        if (!owner) continue;
        SAppRx& r = *owner;
        r.m_bHasBytes = true;
        r.m_bTruncated = hex.size() >= 3 && hex.compare(hex.size() - 3, 3, "...") == 0;
        if (r.m_bTruncated) hex.resize(hex.size() - 3);
        if (hex == "-") hex.clear();
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
          r.m_Payload.push_back(static_cast<uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
      } else if (ev.compare(0, 7, "app tx ") == 0) {
        SAppTx tx;
        if (ParseAppLine(ev.substr(7), &tx.m_nChannel, &tx.m_nType, &tx.m_nLength, &rest)) {
          tx.m_nUs = us;
          log.m_Tx.push_back(tx);
        }
      } else if (ev.compare(0, 12, "app picture ") == 0 && ev.find(" size ") != std::string::npos) {
        SPicture p;
        p.m_nUs = us;
        char* end = nullptr;
        p.m_nFrame = static_cast<uint32_t>(std::strtoul(ev.c_str() + 12, &end, 10));
        if (std::strncmp(end, " size ", 6) != 0) continue;
        p.m_nSize = static_cast<uint32_t>(std::strtoul(end + 6, &end, 10));
        if (*end == ' ') {
          p.m_nWidth = static_cast<int>(std::strtol(end + 1, &end, 10));
          if (*end == 'x') p.m_nHeight = static_cast<int>(std::strtol(end + 1, &end, 10));
        }
        log.m_Pictures.push_back(p);
      }
    } else if (body.compare(0, 6, "SHELL ") == 0) {
      bool cut = false;
      std::vector<uint8_t> b = UnescapeBytes(body.substr(6), &cut);
      log.m_Shell.push_back({us, std::string(b.begin(), b.end())});
    } else if (body.compare(0, 10, "VIOLATION ") == 0) {
      log.m_Violations.push_back(body.substr(10));
    } else if (body.compare(0, 12, "STREAM-OPEN ") == 0) {
      SStreamOpen o;
      o.m_nUs = us;
      o.m_nDeviceId = Arg(body, "dev=");
      o.m_nHostId = Arg(body, "host=");
      size_t q = body.find("service=\"");
      if (q != std::string::npos) {
        std::string s = body.substr(q + 9);
        if (!s.empty() && s.back() == '"') s.pop_back();
        o.m_strService = s;
      }
      log.m_Opens.push_back(o);
    } else if (body.compare(0, 3, "RX ") == 0 || body.compare(0, 3, "TX ") == 0) {
      SPacket p;
      p.m_nUs = us;
      p.m_bFromHost = body[0] == 'R';
      size_t sp2 = body.find(' ', 3);
      p.m_strCommand = body.substr(3, sp2 == std::string::npos ? std::string::npos : sp2 - 3);
      p.m_nArg0 = Arg(body, "arg0=");
      p.m_nArg1 = Arg(body, "arg1=");
      p.m_nLength = Arg(body, "len=");
      size_t q = body.find(" \"");
      if (q != std::string::npos && body.size() >= q + 3 && body.back() == '"') {
        p.m_Payload = UnescapeBytes(body.substr(q + 2, body.size() - q - 3), &p.m_bTruncated);
      }
      log.m_Packets.push_back(std::move(p));
    }
  }
  return log;
}

std::vector<SAppRx> SPhoneLog::Rx(uint32_t type, int channel) const {
  std::vector<SAppRx> out;
  for (const SAppRx& r : m_Rx) {
    if (r.m_nType == type && (channel < 0 || r.m_nChannel == channel)) out.push_back(r);
  }
  return out;
}

size_t SPhoneLog::CountEvent(const std::string& prefix) const {
  size_t n = 0;
  for (const SEvent& e : m_Events) {
    if (e.m_strText.compare(0, prefix.size(), prefix) == 0) ++n;
  }
  return n;
}

std::vector<uint8_t> CmdHeader(uint32_t type, size_t length) {
  return {static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length),
          0,
          0,
          static_cast<uint8_t>(type >> 24),
          static_cast<uint8_t>(type >> 16),
          static_cast<uint8_t>(type >> 8),
          static_cast<uint8_t>(type)};
}

bool WroteOnce(const SPhoneLog& log, const std::string& service, const std::vector<uint8_t>& bytes) {
  uint32_t host = 0;
  for (const auto& o : log.m_Opens) {
    if (o.m_strService == service) host = o.m_nHostId;
  }
  for (const auto& p : log.m_Packets) {
    if (p.m_bFromHost && p.m_strCommand == "WRTE" && p.m_nArg0 == host && !p.m_bTruncated &&
        p.m_Payload == bytes)
      return true;
  }
  return false;
}

namespace {

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

}  // namespace

std::vector<SVideoPackage> VideoPackages(const SPhoneLog& log) {
  std::vector<SVideoPackage> out;
  const SStreamOpen* video = nullptr;
  for (const auto& o : log.m_Opens) {
    if (o.m_strService == "tcp:8240") video = &o;
  }
  if (!video) return out;
  // The phone writes each stream package (12-byte header: length, timestamp, type, big-endian)
  // with one write and never joins two writes in a WRTE, so a package starts at a WRTE.
  const uint32_t kHeader = 12;
  uint64_t left = 0;  // bytes of the newest package still to come
  for (const SPacket& p : log.m_Packets) {
    if (p.m_bFromHost && p.m_strCommand == "OKAY" && p.m_nArg1 == video->m_nDeviceId) {
      // One WRTE in flight per stream: this answers the newest one.
      if (!out.empty() && left == 0) out.back().m_bInRing = true;
      continue;
    }
    if (p.m_bFromHost || p.m_strCommand != "WRTE" || p.m_nArg0 != video->m_nDeviceId) continue;
    if (left == 0) {
      if (p.m_Payload.size() < kHeader) break;
      SVideoPackage package;
      package.m_nLength = Be32(p.m_Payload, 0);
      package.m_nType = Be32(p.m_Payload, 8);
      package.m_nUs = p.m_nUs;
      out.push_back(package);
      left = kHeader + static_cast<uint64_t>(package.m_nLength);
    }
    left -= std::min<uint64_t>(left, p.m_nLength);
  }
  return out;
}

bool PictureInRing(const SPhoneLog& log, uint32_t frame) {
  const SStreamOpen* video = nullptr;
  for (const auto& o : log.m_Opens) {
    if (o.m_strService == "tcp:8240") video = &o;
  }
  if (!video) return false;
  // The pictures follow each other on the stream in the order they were recorded.
  size_t index = 0;
  bool known = false;
  for (const SPicture& p : log.m_Pictures) {
    if (p.m_nUs < video->m_nUs) continue;
    if (p.m_nFrame == frame) {
      known = true;
      break;
    }
    ++index;
  }
  if (!known) return false;
  for (const SVideoPackage& p : VideoPackages(log)) {
    if (p.m_nType != kVideoPicture) continue;
    if (index-- == 0) return p.m_bInRing;
  }
  return false;
}

void WriteNotifyConfig(const fs::path& dir) {
  std::ofstream(dir / "CorvaneConfigure.xml")
      << "<Config>\r\n  <customer channel=\"20322100\" notifymsg=\"1\"/>\r\n</Config>\r\n";
}

// ---- the fixture ----

void EngineE2E::SetUp() {
  char tmpl[] = "/tmp/corvane-engine-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  m_Root = tmpl;
  m_Dir = m_Root / "dir";
  m_State = m_Root / "phone";
  Child::SetErrDir(m_Root);
  fs::create_directories(m_Dir);
  fs::create_directories(m_State);
  // The helper files the engine pushes to the phone: the link's library and the two helper programs.
  fs::copy_file(KAVLINK_PATH, m_Dir / "kavlink.dll");
  std::ofstream(m_Dir / "vtsc16") << "helper";
  std::ofstream(m_Dir / "vtim.jar") << "helper";
}

void EngineE2E::TearDown() {
  m_Engine.Kill();
  // The phone ends in order, so that its status and its sanitizers' end-of-run checks are seen.
  if (m_Phone.Running()) StopPhone();
  if (HasFailure()) {
    // Keep what the failure needs to be understood.
    std::fprintf(stderr, "e2e: kept %s\n", m_Root.c_str());
    for (const std::string& l : m_Lines) std::fprintf(stderr, "engine: %s\n", l.c_str());
    return;
  }
  std::error_code ec;
  fs::remove_all(m_Root, ec);
}

void EngineE2E::StartPhone(const std::vector<std::string>& options, bool defaultSdk) {
  std::vector<std::string> args = {PHONESIM_PATH, "--port", std::to_string(m_nPort), "--state",
                                   m_State.string()};
  if (defaultSdk) {
    args.push_back("--prop");
    args.push_back("ro.build.version.sdk=25");
  }
  args.insert(args.end(), options.begin(), options.end());
  ASSERT_TRUE(m_Phone.Start(args, {}));
  std::string line;
  ASSERT_TRUE(m_Phone.ReadLine(&line, 10000)) << "phonesim did not start";
  size_t colon = line.find("127.0.0.1:");
  ASSERT_NE(colon, std::string::npos) << line;
  m_nPort = std::atoi(line.c_str() + colon + 10);
  ASSERT_GT(m_nPort, 0);
}

void EngineE2E::StopPhone() {
  m_Phone.Signal(SIGTERM);
  const int status = m_Phone.Wait(kQuitMs + kLoadSlackMs);
  EXPECT_EQ(status, 0) << "phonesim's status after SIGTERM (-1: it did not end)";
  if (status < 0) m_Phone.Kill();
}

void EngineE2E::StartEngine(const std::vector<std::string>& options) {
  std::vector<std::string> args = {m_strProgram, "--dir", m_Dir.string()};
  args.insert(args.end(), options.begin(), options.end());
  // The root is CORVANE_ROOT when it is set: one that this process inherited must not reach the engine.
  std::vector<std::string> env = {"CORVANE_ROOT=" + m_Dir.string(),
                                  "CORVANE_PHONE=tcp:127.0.0.1:" + std::to_string(m_nPort)};
  if (m_bLogTicks) env.push_back("CORVANE_LOG_TICKS=1");
  ASSERT_TRUE(m_Engine.Start(args, env, m_EngineErr.string()));
}

bool EngineE2E::ReadUntilCount(const std::string& wanted, size_t count, int ms) {
  size_t seen = Count(wanted);
  if (seen >= count) return true;
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  std::string line;
  while (MsLeft(end) > 0) {
    if (!m_Engine.ReadLine(&line, MsLeft(end))) return false;
    m_Lines.push_back(line);
    if (line == wanted && ++seen >= count) return true;
  }
  return false;
}

void EngineE2E::ReadAvailable() {
  std::string line;
  while (m_Engine.ReadLine(&line, 0)) m_Lines.push_back(line);
}

bool EngineE2E::Ping(int ms) {
  // The window answers in the order of its queue, and a message of an unknown name is only
  // written, never acted on.
  const std::string line = "msg E2E_PING 0 " + std::to_string(++m_nPings);
  return m_Engine.Write(line + "\n") && ReadUntil(line, ms);
}

bool EngineE2E::HoldVideo(int ms) {
  const size_t held = Count("held video");
  return m_Engine.Write("hold video\n") && ReadUntilCount("held video", held + 1, ms);
}

bool EngineE2E::ReleaseVideo() {
  return m_Engine.Write("release video\n");
}

bool EngineE2E::ClockCommand(const std::string& command, const std::string& answer) {
  const size_t answered = Count(answer);
  return m_Engine.Write(command + "\n") && ReadUntilCount(answer, answered + 1, 10000);
}

bool EngineE2E::HoldClock() {
  return ClockCommand("clock hold", "clock held");
}

bool EngineE2E::MoveClock(uint32_t ms) {
  return ClockCommand("clock move " + std::to_string(ms), "clock moved");
}

bool EngineE2E::RunClock() {
  return ClockCommand("clock run", "clock runs");
}

void EngineE2E::ReadFor(int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  std::string line;
  while (MsLeft(end) > 0) {
    if (!m_Engine.ReadLine(&line, MsLeft(end))) return;
    m_Lines.push_back(line);
  }
}

bool EngineE2E::Seen(const std::string& line) const {
  return Count(line) > 0;
}

size_t EngineE2E::Count(const std::string& line) const {
  size_t n = 0;
  for (const std::string& l : m_Lines) {
    if (l == line) ++n;
  }
  return n;
}

std::vector<std::string> EngineE2E::LinesStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& l : m_Lines) {
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  }
  return out;
}

bool EngineE2E::WaitForEngineLog(const std::string& text, size_t count, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (Occurrences(EngineLog(), text) >= count) return true;
    if (MsLeft(end) <= 0) return false;
    ReadFor(20);
  }
}

bool EngineE2E::LogTick(const std::string& text, uint32_t* tick) const {
  std::istringstream log(EngineLog());
  std::string line;
  while (std::getline(log, line)) {
    if (line.find(text) == std::string::npos) continue;
    char* end = nullptr;
    const unsigned long value = std::strtoul(line.c_str(), &end, 10);
    if (end == line.c_str() || *end != ' ') return false;
    *tick = static_cast<uint32_t>(value);
    return true;
  }
  return false;
}

SPhoneLog EngineE2E::Log() const {
  return ParsePhoneLog(m_State / "phonesim.log");
}

bool EngineE2E::WaitForLog(const std::function<bool(const SPhoneLog&)>& done, int ms, SPhoneLog* last) const {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    SPhoneLog log = Log();
    bool ok = done(log);
    if (last) *last = std::move(log);
    if (ok) return true;
    if (MsLeft(end) <= 0) return false;
    usleep(20000);
  }
}

bool EngineE2E::WaitForLogText(const std::string& text, int ms) const {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (ReadText(m_State / "phonesim.log").find(text) != std::string::npos) return true;
    if (MsLeft(end) <= 0) return false;
    usleep(20000);
  }
}

void EngineE2E::Connect(const std::vector<std::string>& phoneOptions,
                        const std::vector<std::string>& engineOptions) {
  ASSERT_NO_FATAL_FAILURE(StartPhone(phoneOptions));
  ASSERT_NO_FATAL_FAILURE(StartEngine(engineOptions));
  ASSERT_TRUE(ReadUntil("msg CORVAN_WM_CONNECT_STEP 0 100", 20000)) << "no progress 100";
  ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 10000)) << "no picture shown";
}

int EngineE2E::Quit(int ms) {
  if (!m_Engine.Write("quit\n")) return -1;
  return m_Engine.Wait(ms);
}

}  // namespace e2e
