// The projection engine end to end: corvane-engine against phonesim through the socket, the stream
// driver, the phone link and the engine. Expected bytes are written here from the wire format:
// command header = length (2 bytes, big-endian), 2 reserved zero bytes, type (4 bytes, big-endian);
// payloads are plain Protocol Buffers encodings with the fields in number order.
#include "tests/app/EngineE2E.h"
#include "tests/support/BmpFile.h"

#include "phonesim/app/CPictureSource.h"

#include <turbojpeg.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using e2e::CmdHeader;
using e2e::EngineE2E;
using e2e::SAppRx;
using e2e::SPhoneLog;
using e2e::WroteOnce;
using Bytes = std::vector<uint8_t>;

// ---- the wire format, by hand ----

void Varint(Bytes* out, uint64_t v) {
  while (v >= 0x80) {
    out->push_back(static_cast<uint8_t>(v | 0x80));
    v >>= 7;
  }
  out->push_back(static_cast<uint8_t>(v));
}
void Int(Bytes* out, int field, int64_t v) {
  Varint(out, static_cast<uint64_t>(field) << 3);
  Varint(out, static_cast<uint64_t>(v));
}
void Str(Bytes* out, int field, const std::string& s) {
  Varint(out, (static_cast<uint64_t>(field) << 3) | 2);
  Varint(out, s.size());
  out->insert(out->end(), s.begin(), s.end());
}
void Sub(Bytes* out, int field, const Bytes& m) {
  Varint(out, (static_cast<uint64_t>(field) << 3) | 2);
  Varint(out, m.size());
  out->insert(out->end(), m.begin(), m.end());
}
Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A decoded field's text value ("name: VALUE" or "name: \"TEXT\"") from the phone's record.
std::string Field(const std::string& fields, const std::string& name) {
  size_t at = fields.find(name + ": ");
  if (at == std::string::npos) return std::string();
  at += name.size() + 2;
  if (fields[at] == '"') {
    size_t end = fields.find('"', at + 1);
    return fields.substr(at + 1, end - at - 1);
  }
  size_t end = fields.find(' ', at);
  return fields.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string HexText(const Bytes& b) {
  std::string s;
  char buf[4];
  for (uint8_t c : b) {
    std::snprintf(buf, sizeof buf, "%02x", c);
    s += buf;
  }
  return s;
}

const SAppRx* First(const SPhoneLog& log, uint32_t type) {
  for (const auto& r : log.m_Rx) {
    if (r.m_nType == type) return &r;
  }
  return nullptr;
}

using e2e::WriteNotifyConfig;

// ---- the surface ----

// The 32-bit pixels of a BMP file written by the engine (rows as stored, bottom-up).
bool ReadBmp(const fs::path& path, int* width, int* height, Bytes* bits) {
  SBmpFile bmp;
  if (!ReadBmpFile(path, &bmp) || bmp.bpp != 32 || bmp.topDown) return false;
  *width = bmp.width;
  *height = bmp.height;
  bits->assign(bmp.rows.begin(), bmp.rows.end());
  return true;
}

// An independent decode, with the decoder settings the surface is defined by: BGRX, bottom-up rows,
// fast upsampling and the DCT flags of the head unit.
bool Decode(const Bytes& jpeg, int width, int height, Bytes* bits) {
  tjhandle h = tjInitDecompress();
  if (!h) return false;
  bits->assign(static_cast<size_t>(width) * height * 4, 0);
  int flags = TJFLAG_BOTTOMUP | TJFLAG_FASTUPSAMPLE | TJFLAG_NOREALLOC | TJFLAG_FASTDCT | TJFLAG_ACCURATEDCT;
  int r = tjDecompress2(h, jpeg.data(), static_cast<unsigned long>(jpeg.size()), bits->data(), width, 0,
                        height, TJPF_BGRX, flags);
  tjDestroy(h);
  return r == 0;
}

// The number of BGR bytes that differ (the fourth byte of a pixel is not colour).
size_t ColourDifferences(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size()) return a.size() + b.size();
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (i % 4 != 3 && a[i] != b[i]) ++n;
  }
  return n;
}

class EngineScenario : public EngineE2E {
 protected:
  // Dumps the surface and returns its pixels.
  bool DumpSurface(const std::string& name, Bytes* bits) {
    fs::path file = m_Root / name;
    // A file of an earlier dump under the same name would be read in place of this one.
    std::error_code ignored;
    fs::remove(file, ignored);
    if (!m_Engine.Write("dump " + file.string() + "\n")) return false;
    const auto end = e2e::Clock::now() + std::chrono::seconds(5);
    int w = 0, h = 0;
    while (e2e::MsLeft(end) > 0) {
      usleep(50000);
      if (fs::exists(file) && ReadBmp(file, &w, &h, bits)) return w == 800 && h == 480;
    }
    return false;
  }
  // Pictures stop (the encoder pause, a host message that acts with the notify switch on). The
  // phone's pictures are all recorded once a heartbeat went out after it received the pause: it
  // writes a picture and then a heartbeat in turn, and no picture once paused. True once the last
  // of them is in the head unit's ring as well.
  bool PausePictures(SPhoneLog* log) {
    if (!m_Engine.Write("msg INNER_NMSG_PAUSE_VIDEO 0 0\n")) return false;
    return WaitForLog(
        [](const SPhoneLog& l) {
          const SAppRx* pause = First(l, 0x0001800A);
          if (!pause || l.m_Pictures.empty()) return false;
          bool heartbeat = false;
          for (const e2e::SVideoPackage& p : e2e::VideoPackages(l)) {
            heartbeat = heartbeat || (p.m_nType == e2e::kVideoHeartbeat && p.m_nUs > pause->m_nUs);
          }
          return heartbeat && e2e::PictureInRing(l, l.m_Pictures.back().m_nFrame);
        },
        10000, log);
  }
  // The surface equals an independent decode of the last picture the phone sent; phonesim's
  // pictures are deterministic, so the picture is made again from its frame number and checked
  // against the recorded size first. The video thread decodes it some time after it reached the
  // ring: the surface is dumped until it shows it.
  void ExpectSurfaceIsLastPicture(const SPhoneLog& log) {
    ASSERT_FALSE(log.m_Pictures.empty());
    const e2e::SPicture& last = log.m_Pictures.back();
    phonesim::CPictureSource source;
    Bytes jpeg;
    ASSERT_TRUE(source.Picture(last.m_nFrame, 800, 480, &jpeg));
    ASSERT_EQ(jpeg.size(), last.m_nSize) << "the picture could not be made again";
    Bytes expected, surface;
    ASSERT_TRUE(Decode(jpeg, 800, 480, &expected));
    size_t differences = SIZE_MAX;
    const auto end = e2e::Clock::now() + std::chrono::seconds(20);
    for (int n = 0; differences != 0 && e2e::MsLeft(end) > 0; ++n) {
      ASSERT_TRUE(DumpSurface("surface" + std::to_string(n) + ".bmp", &surface));
      differences = ColourDifferences(surface, expected);
    }
    EXPECT_EQ(differences, 0u) << "frame " << last.m_nFrame;
  }
  // The surface comes to show one of the pictures the phone sent after `us` (its record's time),
  // whichever: the pictures go on while the surface is dumped. The picture a dump shows went out
  // before the dump, but the phone records a picture a moment after sending it, so each dump is
  // compared with the newest pictures once the record holds one more picture than before it.
  void ExpectSurfaceShowsAPictureSentAfter(int64_t us) {
    const size_t kNewest = 30;  // more than go out while one dump is taken on a loaded machine
    phonesim::CPictureSource source;
    std::map<uint32_t, Bytes> decoded;
    Bytes surface;
    size_t compared = 0;
    const auto end = e2e::Clock::now() + std::chrono::seconds(20);
    for (int n = 0; e2e::MsLeft(end) > 0; ++n) {
      const size_t before = Log().m_Pictures.size();
      ASSERT_TRUE(DumpSurface("after" + std::to_string(n) + ".bmp", &surface));
      SPhoneLog log;
      WaitForLog([&](const SPhoneLog& l) { return l.m_Pictures.size() > before; }, 5000, &log);
      const std::vector<e2e::SPicture>& pictures = log.m_Pictures;
      for (size_t i = pictures.size() > kNewest ? pictures.size() - kNewest : 0; i < pictures.size(); ++i) {
        const e2e::SPicture& p = pictures[i];
        if (p.m_nUs <= us) continue;
        if (decoded.count(p.m_nFrame) == 0) {
          Bytes jpeg;
          ASSERT_TRUE(source.Picture(p.m_nFrame, 800, 480, &jpeg));
          ASSERT_TRUE(Decode(jpeg, 800, 480, &decoded[p.m_nFrame]));
        }
        ++compared;
        if (ColourDifferences(surface, decoded[p.m_nFrame]) == 0) return;
      }
    }
    ADD_FAILURE() << "no dump of the surface showed a picture sent after " << us << " (" << compared
                  << " comparisons)";
  }
};

// ---- the happy path ----

TEST_F(EngineScenario, HappyPathSendsTheExactConnectSequence) {
  // The sequence's waits are timed by the engine's own clock, on the lines it logs as it sends.
  m_EngineErr = m_Root / "engine.log";
  m_bLogTicks = true;
  ASSERT_NO_FATAL_FAILURE(Connect());
  SPhoneLog log;
  ASSERT_TRUE(WaitForLog([](const SPhoneLog& l) { return First(l, 0x00018060) != nullptr; }, 5000, &log));

  std::vector<std::string> steps;
  for (const std::string& l : LinesStartingWith("msg CORVAN_WM_CONNECT_STEP ")) steps.push_back(l.substr(27));
  EXPECT_EQ(steps, (std::vector<std::string>{"0 10", "0 20", "0 30", "0 40", "0 50", "0 60", "0 70", "0 80",
                                             "0 90", "0 100"}));

  const SAppRx* version = First(log, 0x00018001);
  const SAppRx* info = First(log, 0x00018003);
  const SAppRx* stats = First(log, 0x00018027);
  const SAppRx* cmd56 = First(log, 0x00018056);
  const SAppRx* settings = First(log, 0x00018007);
  const SAppRx* start = First(log, 0x00018009);
  const SAppRx* connect = First(log, 0x00018060);
  ASSERT_TRUE(version && info && stats && cmd56 && settings && start && connect);
  EXPECT_TRUE(version->m_nUs < info->m_nUs && info->m_nUs < stats->m_nUs && stats->m_nUs < cmd56->m_nUs &&
              cmd56->m_nUs < settings->m_nUs && settings->m_nUs < start->m_nUs);

  // Protocol version 1.0.
  EXPECT_EQ(HexText(version->m_Payload), "08011000");
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", CmdHeader(0x00018001, 4)));

  // The head unit's description: the fixed values (no platform record on this board).
  Bytes hu;
  Str(&hu, 1, "wince");
  Str(&hu, 2, "wince");
  Str(&hu, 3, "wince");
  Str(&hu, 4, "wince");
  Str(&hu, 5, "ARM7");
  Str(&hu, 6, "ARM9");
  Str(&hu, 7, "MTK3360");
  Str(&hu, 8, "800X480");
  Str(&hu, 9, "null");
  Str(&hu, 10, "1");
  for (int f = 11; f <= 20; ++f) Str(&hu, f, "");
  Int(&hu, 21, 1);
  Str(&hu, 22, "");
  EXPECT_EQ(HexText(info->m_Payload), HexText(hu));
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", CmdHeader(0x00018003, hu.size())));

  // Statistics: the identifier and the wake-up tick vary; the rest is fixed.
  Bytes st;
  std::string cuid = Field(stats->m_strFields, "cuid");
  EXPECT_FALSE(cuid.empty());
  Str(&st, 1, cuid);
  Str(&st, 2, "1.0.0");
  Int(&st, 3, 1001);
  Str(&st, 4, "20322100");
  Int(&st, 5, 1);
  Int(&st, 6, 1);
  Int(&st, 7, std::stoll(Field(stats->m_strFields, "connectTime")));
  Str(&st, 8, "");
  EXPECT_EQ(HexText(stats->m_Payload), HexText(st));
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", CmdHeader(0x00018027, st.size())));

  // The empty command before the settings, the settings, the start.
  EXPECT_EQ(cmd56->m_nLength, 0u);
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", CmdHeader(0x00018056, 0)));
  EXPECT_EQ(HexText(settings->m_Payload), "08a00610e003180a");
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", {0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x80, 0x07}));
  EXPECT_EQ(start->m_nLength, 0u);
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", CmdHeader(0x00018009, 0)));
  // The unit waits 700 ms between the two: from its line after the settings went out to its line
  // after the start went out.
  uint32_t settingsTick = 0, startTick = 0, statisticsTick = 0;
  ASSERT_TRUE(LogTick("!!!!!!! cmdVideoEncoderInit ", &settingsTick)) << EngineLog();
  ASSERT_TRUE(LogTick("!!!!!!! cmdVideoEncoderStart ", &startTick)) << EngineLog();
  EXPECT_GE(startTick - settingsTick, 700u);

  // Connect statistics 600 ms after 100 (which follows the start at once): one attempt, no error
  // line, so one error_type of a single space. The lower bound is the rule's; the upper one leaves
  // room for a loaded machine.
  ASSERT_TRUE(LogTick("!!!!!!! Statistic ", &statisticsTick)) << EngineLog();
  EXPECT_GE(statisticsTick - startTick, 600u);
  EXPECT_LE(statisticsTick - startTick, static_cast<uint32_t>(1500 + e2e::kLoadSlackMs));
  Bytes cs;
  Int(&cs, 1, 1);
  Int(&cs, 2, 1);
  Int(&cs, 3, 0);
  Int(&cs, 4, std::stoll(Field(connect->m_strFields, "contime")));
  Int(&cs, 5, 0);
  Str(&cs, 6, " ");
  EXPECT_EQ(HexText(connect->m_Payload), HexText(cs));
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", CmdHeader(0x00018060, cs.size())));

  // Pictures and heartbeats flowed from the start to the statistics: no frame-rate request.
  EXPECT_TRUE(log.Rx(0x0001800C).empty());
  EXPECT_EQ(Quit(), 0);
}

// ---- the picture road ----

TEST_F(EngineScenario, FirstPictureIsSkippedAndTheSurfaceHoldsTheLastOne) {
  WriteNotifyConfig(m_Dir);
  ASSERT_NO_FATAL_FAILURE(Connect({"--fps", "2"}));
  // At 2 pictures a second, the announcement comes with the second picture, not the first. The
  // phone's record of a picture may be written a moment after the picture itself.
  ASSERT_TRUE(WaitForLog([](const SPhoneLog& l) { return l.m_Pictures.size() >= 2; }, 5000));
  SPhoneLog log = Log();
  // Three more pictures reach the head unit; none of them is announced.
  const uint32_t later = log.m_Pictures[1].m_nFrame + 3;
  ASSERT_TRUE(WaitForLog([&](const SPhoneLog& l) { return e2e::PictureInRing(l, later); }, 10000));

  ASSERT_TRUE(PausePictures(&log));
  ASSERT_NO_FATAL_FAILURE(ExpectSurfaceIsLastPicture(log));
  // The video thread came round after its last step, and an announcement is written when posted.
  ASSERT_TRUE(HoldVideo());
  ASSERT_TRUE(ReleaseVideo());
  ASSERT_TRUE(Ping());
  EXPECT_EQ(Count("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0"), 1u);
  // Heartbeats flow while the encoder pauses: no frame-rate request.
  EXPECT_TRUE(Log().Rx(0x0001800C).empty());
  EXPECT_EQ(Quit(), 0);
}

// A picture the decoder fails on (the JPEG start marker, then noise) costs that picture alone: a
// later picture is shown on the same connection, and again after the phone is plugged in anew.
TEST_F(EngineScenario, ABadPictureCostsItselfAloneOnTheSameConnectionAndAfterARePlug) {
  ASSERT_NO_FATAL_FAILURE(
      Connect({"--app-fault", "bad-picture=noise:4000@picture:3", "--app-fault", "unplug@picture:12"}));
  SPhoneLog log;
  ASSERT_TRUE(
      WaitForLog([](const SPhoneLog& l) { return l.HasEvent("app bad-picture noise"); }, 20000, &log));
  // The time of the phone's last event that starts with `prefix`.
  auto lastEventUs = [](const SPhoneLog& l, const std::string& prefix) {
    int64_t us = 0;
    for (const e2e::SEvent& e : l.m_Events) {
      if (e.m_strText.rfind(prefix, 0) == 0) us = e.m_nUs;
    }
    return us;
  };
  ASSERT_NO_FATAL_FAILURE(ExpectSurfaceShowsAPictureSentAfter(lastEventUs(log, "app bad-picture noise")));

  // The phone is pulled out and plugged in again at once; the pictures after that are the second
  // connection's.
  ASSERT_TRUE(ReadUntil("msg WMMSG_CORVANE_USB_OUT 0 0", 20000));
  ASSERT_TRUE(WaitForLog([](const SPhoneLog& l) { return l.HasEvent("disconnected"); }, 20000, &log));
  ASSERT_NO_FATAL_FAILURE(ExpectSurfaceShowsAPictureSentAfter(lastEventUs(log, "disconnected")));
  EXPECT_EQ(Quit(), 0);
}

TEST_F(EngineScenario, UnderABurstTheNewestPictureIsShown) {
  WriteNotifyConfig(m_Dir);
  ASSERT_NO_FATAL_FAILURE(Connect({"--unthrottled"}));
  ASSERT_TRUE(WaitForLog([](const SPhoneLog& l) { return l.m_Pictures.size() > 20; }, 20000));
  SPhoneLog log;
  ASSERT_TRUE(PausePictures(&log));
  EXPECT_GT(log.m_Pictures.size(), 20u);
  ASSERT_NO_FATAL_FAILURE(ExpectSurfaceIsLastPicture(log));
  EXPECT_EQ(Quit(), 0);
}

// ---- commands both ways ----

TEST_F(EngineScenario, FeatureQueryIsAnsweredWithTheSevenRecords) {
  ASSERT_NO_FATAL_FAILURE(Connect({"--app-fault", "feature-query@foreground+100"}));
  SPhoneLog log;
  ASSERT_TRUE(WaitForLog([](const SPhoneLog& l) { return First(l, 0x00018052) != nullptr; }, 5000, &log));
  Bytes list;
  Int(&list, 1, 7);
  const std::pair<const char*, int> records[] = {
      {"VOICE_MIC", 1}, {"VOICE_WAKEUP", 0},      {"BLUETOOTH_AUTO_PAIR", 0},    {"BLUETOOTH_INTERNAL_UI", 0},
      {"FOCUS_UI", 0},  {"MEDIA_SAMPLE_RATE", 0}, {"AUDIO_TRANSMISSION_MODE", 1}};
  for (const auto& r : records) {
    Bytes one;
    Str(&one, 1, r.first);
    Int(&one, 2, r.second);
    Sub(&list, 2, one);
  }
  EXPECT_EQ(HexText(First(log, 0x00018052)->m_Payload), HexText(list));
  EXPECT_TRUE(WroteOnce(log, "tcp:7240", CmdHeader(0x00018052, list.size())));
  EXPECT_EQ(log.Rx(0x00018052).size(), 1u);
  EXPECT_EQ(Quit(), 0);
}

TEST_F(EngineScenario, TouchesAndHardKeysAreExactBytesAndTouchesOnlyInTheForeground) {
  WriteNotifyConfig(m_Dir);
  // A 1280 x 720 phone picture on the 800 x 480 screen: touches are scaled to the phone.
  ASSERT_NO_FATAL_FAILURE(Connect({"--video-size", "1280x720"}));
  ASSERT_TRUE(ReadUntil("msg MESSAGE_CMD_REV 0 65563", 5000));
  ASSERT_TRUE(m_Engine.Write("touch down 400 240\ntouch move 799 479\ntouch up 799 479\n"));
  ASSERT_TRUE(m_Engine.Write("msg NMSG_CORVANE_HW_KEY 4 0\n"));
  SPhoneLog log;
  ASSERT_TRUE(
      WaitForLog([](const SPhoneLog& l) { return l.Rx(0x00068001).size() == 3 && !l.Rx(0x00068008).empty(); },
                 5000, &log));
  // One write each: the header and the payload together.
  const Bytes down = {0x00, 0x08, 0x00, 0x00, 0x00, 0x06, 0x80, 0x01,
                      0x08, 0x00, 0x10, 0x80, 0x05, 0x18, 0xE8, 0x02};
  Bytes move = CmdHeader(0x00068001, 8), up = CmdHeader(0x00068001, 8);
  Bytes mv, u;
  Int(&mv, 1, 2);
  Int(&mv, 2, 1278);
  Int(&mv, 3, 718);
  Int(&u, 1, 1);
  Int(&u, 2, 1278);
  Int(&u, 3, 718);
  EXPECT_TRUE(WroteOnce(log, "tcp:9340", down));
  EXPECT_TRUE(WroteOnce(log, "tcp:9340", Cat(move, mv)));
  EXPECT_TRUE(WroteOnce(log, "tcp:9340", Cat(up, u)));
  std::vector<SAppRx> touches = log.Rx(0x00068001, 5);
  ASSERT_EQ(touches.size(), 3u);
  EXPECT_EQ(HexText(touches[0].m_Payload), "080010800518e802");
  EXPECT_EQ(HexText(touches[1].m_Payload), HexText(mv));
  EXPECT_EQ(HexText(touches[2].m_Payload), HexText(u));
  // The hard key: header and payload.
  EXPECT_EQ(HexText(log.Rx(0x00068008, 5).at(0).m_Payload), "0804");
  EXPECT_TRUE(WroteOnce(log, "tcp:9340", CmdHeader(0x00068008, 2)));

  EXPECT_EQ(Quit(), 0);
}

TEST_F(EngineScenario, NoTouchGoesOutWhileThePhoneIsInTheBackground) {
  WriteNotifyConfig(m_Dir);
  ASSERT_NO_FATAL_FAILURE(Connect({"--app-fault", "background@picture:3"}));
  ASSERT_TRUE(ReadUntil("msg MESSAGE_CMD_REV 0 65564", 5000));
  // A hard key after the touches goes out in any state, on the touches' own channel: once the
  // phone has it, a touch sent before it would have arrived too.
  ASSERT_TRUE(m_Engine.Write("touch down 100 100\ntouch up 100 100\nmsg NMSG_CORVANE_HW_KEY 4 0\n"));
  SPhoneLog log;
  ASSERT_TRUE(WaitForLog([](const SPhoneLog& l) { return !l.Rx(0x00068008, 5).empty(); }, 10000, &log));
  EXPECT_TRUE(log.Rx(0x00068001).empty());
  EXPECT_EQ(Quit(), 0);
}

}  // namespace
