// The phone app against a raw host that plays the head unit: ports that
// open only after "am start", the answers to version, encoder settings,
// start, frame rate and pause, the pictures, the injections and the app's
// death. Expected bytes are written here from the protocol.
#include <fstream>

#include "tests/phonesim/app/PhoneAppFixture.h"

using namespace phonesim;
using namespace phonesim_test;

namespace {

TEST_F(PhoneAppTest, PortsRefuseUntilAmStartThenAllSixOpen) {
  StartSim();
  ConnectOnline(4096);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(m_proj.OpenChannel(c), kCLSE) << c;
  EXPECT_FALSE(m_sim.App().Running());
  EXPECT_NE(m_proj.Shell(kAmStart).find("Starting: Intent"), std::string::npos);
  EXPECT_TRUE(m_sim.App().Running());
  EXPECT_NE(m_proj.Shell("ps").find("com.velto.corvane"), std::string::npos);
  ASSERT_TRUE(m_proj.OpenAll());
  EXPECT_TRUE(m_sim.App().WaitFor([&] { return m_sim.App().OpenChannels() == 6; }, 2000));
}

TEST_F(PhoneAppTest, AnswersVersionAndEncoderSettingsByteExactly) {
  struct SCase {
    const char* name;
    int own_w, own_h, own_fps;
    std::vector<uint8_t> settings;
    std::vector<uint8_t> answer;
  } cases[] = {
      {"the head unit's size", 0, 0, 0, kSettings800,
       Bytes(
           {0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A})},
      // 320 x 240 at 15: 08 C0 02 10 F0 01 18 0F.
      {"its own size and rate", 320, 240, 15, kSettings800,
       Bytes(
           {0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x08, 0xC0, 0x02, 0x10, 0xF0, 0x01, 0x18, 0x0F})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_host.Close();
    m_sim.Stop();
    m_options.m_App.m_nVideoWidth = c.own_w;
    m_options.m_App.m_nVideoHeight = c.own_h;
    m_options.m_App.m_nFps = c.own_fps;
    m_proj = CProjectionHost(&m_host);
    Project();
    SPackage a;
    Answer(kVersion, 0x00010002, &a);
    // CorvaneProtocolVersionMatchStatus {matchStatus 1}.
    EXPECT_EQ(a.Bytes(), Bytes({0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x08, 0x01}));
    Answer(c.settings, 0x00010008, &a);
    EXPECT_EQ(a.Bytes(), c.answer);
  }
  // What the head unit sent is recorded decoded.
  auto rx = m_sim.App().Received(0x00018007);
  ASSERT_EQ(rx.size(), 1u);
  EXPECT_EQ(rx[0].m_nChannel, 0);
  EXPECT_EQ(rx[0].m_nLength, 8u);
  EXPECT_EQ(rx[0].m_strText, "width: 800 height: 480 frameRate: 10");
}

TEST_F(PhoneAppTest, PicturesAreJpegsOfTheAnnouncedSizeCarryingTheFrameNumber) {
  Project();
  SPackage pic;
  StartVideo(&pic);
  // The foreground report follows the video's start: an empty 0x0001001B.
  SPackage fg;
  ASSERT_TRUE(m_proj.NextOfType(0, 0x0001001B, &fg));
  EXPECT_EQ(fg.Bytes(), Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x1B}));
  for (uint32_t expect = 1; expect <= 4; ++expect) {
    if (expect > 1) {
      ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &pic));
    }
    EXPECT_EQ(pic.length, pic.payload.size());
    EXPECT_EQ(pic.header[8], 0x00);
    EXPECT_EQ(pic.header[11], 0x01);
    ASSERT_GE(pic.payload.size(), 4u);
    EXPECT_EQ(pic.payload[0], 0xFF);
    EXPECT_EQ(pic.payload[1], 0xD8);  // SOI
    SDecoded d;
    ASSERT_TRUE(Decode(pic.payload, &d));
    EXPECT_EQ(d.width, 320);
    EXPECT_EQ(d.height, 240);
    EXPECT_EQ(FrameNumberOf(d), expect);
  }
  // The phone records a picture once it is written: the host may read it first.
  ASSERT_TRUE(m_sim.App().WaitFor([&] { return m_sim.App().Pictures().size() >= 4; }, 3000));
  auto sent = m_sim.App().Pictures();
  EXPECT_EQ(sent[0].m_nFrame, 1u);
  EXPECT_EQ(sent[3].m_nFrame, 4u);
  // The audio channels announce their formats: CorvaneMusicInit {44100, 2, 16}
  // and CorvaneTTSInit {16000, 1, 16}, each followed by data.
  SPackage music, tts;
  ASSERT_TRUE(m_proj.Next(2, &music));
  EXPECT_EQ(Without(music.Bytes(), 4, 4), Bytes({0x00, 0x00, 0x00, 0x08, 0x00, 0x03, 0x00, 0x01, 0x08, 0xC4,
                                                 0xD8, 0x02, 0x10, 0x02, 0x18, 0x10}));
  ASSERT_TRUE(m_proj.Next(2, &music));
  EXPECT_EQ(music.type, 0x00030002u);
  ASSERT_TRUE(m_proj.Next(3, &tts));
  EXPECT_EQ(Without(tts.Bytes(), 4, 4), Bytes({0x00, 0x00, 0x00, 0x07, 0x00, 0x04, 0x00, 0x01, 0x08, 0x80,
                                               0x7D, 0x10, 0x01, 0x18, 0x10}));
  ASSERT_TRUE(m_proj.Next(3, &tts));
  EXPECT_EQ(tts.type, 0x00040002u);
}

TEST_F(PhoneAppTest, PauseLeavesHeartbeatsAndFrameRateRequestsAreHonoured) {
  Project();
  SPackage pic;
  StartVideo(&pic);
  // 0x0001800C CorvaneVideoFrameRate {2} is answered with 0x0001000D {2}.
  SPackage a;
  Answer(Bytes({0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x80, 0x0C, 0x08, 0x02}), 0x0001000D, &a);
  EXPECT_EQ(a.Bytes(), Bytes({0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x0D, 0x08, 0x02}));
  EXPECT_EQ(m_sim.App().FrameRate(), 2);
  // At 2 pictures a second, heartbeats fill the gaps between pictures.
  ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &pic));
  SPackage p;
  int heartbeats = 0;
  for (;;) {
    ASSERT_TRUE(m_proj.Next(1, &p));
    if (p.type == 0x00020001) break;
    ASSERT_EQ(p.type, 0x00020002u);
    EXPECT_EQ(p.Bytes().size(), 12u);
    EXPECT_EQ(p.length, 0u);
    ++heartbeats;
  }
  EXPECT_GE(heartbeats, 1);
  // Paused: only heartbeats, 12 bytes each (length 0, type 00 02 00 02).
  ASSERT_TRUE(m_proj.Write(0, kPause));
  ASSERT_TRUE(m_sim.App().WaitFor([&] { return !m_sim.App().Streaming(); }, 2000));
  size_t pictures = m_sim.App().Pictures().size();
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(m_proj.Next(1, &p));
    if (p.type == 0x00020001) continue;  // sent before the pause arrived
    EXPECT_EQ(Without(p.Bytes(), 4, 4), Bytes({0, 0, 0, 0, 0x00, 0x02, 0x00, 0x02}));
  }
  EXPECT_EQ(m_sim.App().Pictures().size(), pictures);
  // Started again, pictures go on where they stopped.
  ASSERT_TRUE(m_proj.Write(0, kStart));
  ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &p));
  SDecoded d;
  ASSERT_TRUE(Decode(p.payload, &d));
  EXPECT_EQ(FrameNumberOf(d), static_cast<uint32_t>(pictures + 1));
}

// Heartbeats come at the interval the phone is given, read from its own time stamps: never
// sooner after a picture or a heartbeat, and between two pictures of one a second.
TEST_F(PhoneAppTest, HeartbeatsKeepTheirInterval) {
  const uint32_t kHeartbeatMs = 250;
  m_options.m_App.m_nFps = 1;
  m_options.m_App.m_nHeartbeatMs = static_cast<int>(kHeartbeatMs);
  Project();
  SPackage p;
  StartVideo(&p);
  uint32_t previous = p.timestamp;
  int heartbeats = 0, pictures = 1;
  while (pictures < 3) {
    ASSERT_TRUE(m_proj.Next(1, &p));
    if (p.type == 0x00020002) {
      ++heartbeats;
      EXPECT_GE(p.timestamp - previous, kHeartbeatMs);
    } else {
      ++pictures;
    }
    previous = p.timestamp;
  }
  EXPECT_GE(heartbeats, 2);
}

TEST_F(PhoneAppTest, InjectsEveryCommandKind) {
  Project();
  struct SCase {
    const char* what;
    int channel;
    std::vector<uint8_t> bytes;  // stream headers without their timestamp
  } cases[] = {
      {"feature-query", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x51})},
      // CorvaneModuleStatusList {cnt 2, {3, 1}, {4, 0}}.
      {"module-status=3:1,4:0", 0, Bytes({0x00, 0x0E, 0,    0,    0x00, 0x01, 0x00, 0x26, 0x08, 0x02, 0x12,
                                          0x04, 0x08, 0x03, 0x10, 0x01, 0x12, 0x04, 0x08, 0x04, 0x10, 0x00})},
      {"call-begin", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x14})},
      {"call-begin=0x00010017", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x17})},
      {"call-end", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x16})},
      {"background", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x1C})},
      {"foreground", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x1B})},
      {"quit", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x21})},
      {"record-start", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x24})},
      {"record-stop", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x23})},
      {"frame-rate-report=3", 0, Bytes({0x00, 0x02, 0, 0, 0x00, 0x01, 0x00, 0x0D, 0x08, 0x03})},
      // CorvaneVideoEncoderInfo {800, 480, 0}: a reply the head unit must refuse.
      {"encoder-info=800x480:0", 0,
       Bytes({0x00, 0x08, 0, 0, 0x00, 0x01, 0x00, 0x08, 0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x00})},
      {"unknown=0x00017777:3", 0, Bytes({0x00, 0x03, 0, 0, 0x00, 0x01, 0x77, 0x77, 0x5A, 0x5A, 0x5A})},
      {"unknown=2/0x00039999:2", 2, Bytes({0, 0, 0, 2, 0x00, 0x03, 0x99, 0x99, 0x5A, 0x5A})},
      // CorvaneTTSInit {16000, 1, 16} on the voice channel, then data and the stop.
      {"vr-start", 4, Bytes({0, 0, 0, 7, 0x00, 0x05, 0x00, 0x02, 0x08, 0x80, 0x7D, 0x10, 0x01, 0x18, 0x10})},
      {"vr-data=4", 4, Bytes({0, 0, 0, 4, 0x00, 0x05, 0x00, 0x03, 0, 0, 0, 0})},
      {"vr-stop", 4, Bytes({0, 0, 0, 0, 0x00, 0x05, 0x00, 0x04})},
      {"music-init=48000:2:16", 2,
       Bytes({0, 0, 0, 8, 0x00, 0x03, 0x00, 0x01, 0x08, 0x80, 0xF7, 0x02, 0x10, 0x02, 0x18, 0x10})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    ASSERT_TRUE(m_sim.App().Inject(c.what, &error)) << error;
    SPackage p;
    ASSERT_TRUE(c.channel == 1 ? m_proj.NextOfType(1, c.bytes[11], &p) : m_proj.Next(c.channel, &p));
    std::vector<uint8_t> got = c.channel == 0 ? p.Bytes() : Without(p.Bytes(), 4, 4);
    EXPECT_EQ(got, c.bytes);
  }
  // Oversized packages: a command of 60000 bytes (EA 60) and a picture of
  // 700000 (00 0A AE 60), over what the head unit can hold.
  ASSERT_TRUE(m_sim.App().Inject("oversize=0"));
  SPackage big;
  ASSERT_TRUE(m_proj.Next(0, &big, 5000));
  EXPECT_EQ(big.header, Bytes({0xEA, 0x60, 0, 0, 0x00, 0x01, 0x00, 0x04}));
  EXPECT_EQ(big.payload.size(), 60000u);
  ASSERT_TRUE(m_sim.App().Inject("oversize=1"));
  ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &big, 10000));
  EXPECT_EQ(Without(big.header, 4, 4), Bytes({0x00, 0x0A, 0xAE, 0x60, 0x00, 0x02, 0x00, 0x01}));
  // Bad injections are refused with a reason.
  for (const char* bad :
       {"no-such-kind", "call-begin=0x00010018", "module-status=", "oversize=5", "quit=1"}) {
    std::string error;
    EXPECT_FALSE(m_sim.App().Inject(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST_F(PhoneAppTest, FaultsFireAfterTheirEvent) {
  m_options.m_App.m_Faults = {"background@rx:0x00018028", "quit@version+50"};
  Project();
  // 0x00018028 CorvaneModuleStatusList {cnt 1, {7, 2}} from the head unit.
  ASSERT_TRUE(m_proj.Write(
      0, Bytes({0x00, 0x08, 0, 0, 0x00, 0x01, 0x80, 0x28, 0x08, 0x01, 0x12, 0x04, 0x08, 0x07, 0x10, 0x02})));
  SPackage p;
  ASSERT_TRUE(m_proj.Next(0, &p));
  EXPECT_EQ(p.type, 0x0001001Cu);
  ASSERT_TRUE(m_proj.Write(0, kVersion));
  ASSERT_TRUE(m_proj.Next(0, &p));
  EXPECT_EQ(p.type, 0x00010002u);
  ASSERT_TRUE(m_proj.Next(0, &p));
  EXPECT_EQ(p.type, 0x00010021u);
  auto rx = m_sim.App().Received(0x00018028);
  ASSERT_EQ(rx.size(), 1u);
  EXPECT_EQ(rx[0].m_strText, "cnt: 1 moduleStatus { moduleID: 7 statusID: 2 }");
  std::string error;
  EXPECT_FALSE(m_sim.App().AddFault("quit@nowhere", &error));
  EXPECT_FALSE(m_sim.App().AddFault("quit@start+x", &error));
}

TEST_F(PhoneAppTest, RecordsWhatTheHeadUnitSendsDecodedInTheLog) {
  Project();
  // 0x00068001 CorvaneTouchAction {0, 100, 200} on channel 5, one write.
  ASSERT_TRUE(m_proj.Write(
      5, Bytes({0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x80, 0x01, 0x08, 0x00, 0x10, 0x64, 0x18, 0xC8, 0x01})));
  // 0x00018056, empty, and an unknown type with two bytes.
  ASSERT_TRUE(m_proj.Write(
      0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x80, 0x56, 0x00, 0x02, 0, 0, 0x00, 0x01, 0x81, 0x23, 0xAB, 0xCD})));
  ASSERT_TRUE(m_sim.App().WaitFor([&] { return m_sim.App().Received().size() == 3; }, 2000));
  auto rx = m_sim.App().Received();
  EXPECT_EQ(rx[0].m_nChannel, 5);
  EXPECT_EQ(rx[0].m_nType, 0x00068001u);
  EXPECT_EQ(rx[0].m_strText, "action: 0 x: 100 y: 200");
  EXPECT_EQ(rx[1].m_nType, 0x00018056u);
  EXPECT_EQ(rx[1].m_nLength, 0u);
  EXPECT_EQ(rx[2].m_nType, 0x00018123u);
  EXPECT_EQ(rx[2].m_strText, "(2 bytes)");
  m_sim.Stop();
  std::ifstream log(m_sim.LogPath());
  std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(all.find("app rx ch5 0x00068001 len 7 action: 0 x: 100 y: 200"), std::string::npos);
  EXPECT_NE(all.find("app rx ch0 0x00018056 len 0"), std::string::npos);
}

TEST_F(PhoneAppTest, AppDeathClosesAllSixAndAmStartBringsItBack) {
  Project();
  ASSERT_TRUE(m_sim.App().Inject("app-death"));
  for (int c = 0; c < 6; ++c) EXPECT_TRUE(m_proj.WaitClosed(c)) << c;
  EXPECT_FALSE(m_sim.App().Running());
  EXPECT_TRUE(m_sim.Online());  // USB stays
  EXPECT_EQ(m_proj.Shell("ps").find("com.velto.corvane"), std::string::npos);
  EXPECT_EQ(m_proj.OpenChannel(0), kCLSE);
  EXPECT_NE(m_proj.Shell(kAmStart).find("Starting: Intent"), std::string::npos);
  ASSERT_TRUE(m_proj.OpenAll());
  EXPECT_EQ(m_sim.App().Starts(), 2);
  SPackage a;
  Answer(kVersion, 0x00010002, &a);
}

TEST_F(PhoneAppTest, AppDeathAsAFaultWhileVideoRuns) {
  m_options.m_App.m_Faults = {"app-death@picture:3"};
  Project();
  SPackage pic;
  StartVideo(&pic);
  for (int c = 0; c < 6; ++c) EXPECT_TRUE(m_proj.WaitClosed(c, 5000)) << c;
  EXPECT_EQ(m_sim.App().Pictures().size(), 3u);
}

TEST_F(PhoneAppTest, PreEncodedPicturesCycleAndUnthrottledIgnoresTheRate) {
  m_options.m_App.m_nPreEncode = 3;
  m_options.m_App.m_bUnthrottled = true;
  m_options.m_App.m_nFps = 1;
  Project();
  SPackage pic;
  StartVideo(&pic);
  // At one picture a second ten pictures would take ten seconds; unthrottled
  // they come as fast as they are acknowledged.
  std::vector<uint32_t> numbers;
  for (int i = 0; i < 10; ++i) {
    if (i > 0) {
      ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &pic, 3000)) << i;
    }
    SDecoded d;
    ASSERT_TRUE(Decode(pic.payload, &d));
    numbers.push_back(FrameNumberOf(d));
  }
  EXPECT_EQ(numbers, (std::vector<uint32_t>{1, 2, 3, 1, 2, 3, 1, 2, 3, 1}));
  // The phone records a picture once it is written: the host may read it first.
  ASSERT_TRUE(m_sim.App().WaitFor([&] { return m_sim.App().Pictures().size() >= 10; }, 3000));
  auto sent = m_sim.App().Pictures();
  EXPECT_EQ(sent[9].m_nFrame, 10u);
  EXPECT_EQ(sent[3].m_nSize, sent[0].m_nSize);  // the same bytes again
}

TEST_F(PhoneAppTest, PicturesOfADirectoryAreScaledToTheAnnouncedSize) {
  // Two 64 x 32 pictures: red, then blue.
  std::filesystem::create_directories(m_dir + "/pics");
  tjhandle h = tjInitCompress();
  const uint8_t colours[2][3] = {{255, 0, 0}, {0, 0, 255}};
  for (int i = 0; i < 2; ++i) {
    std::vector<uint8_t> rgb(64 * 32 * 3);
    for (size_t p = 0; p < rgb.size(); p += 3)
      std::copy(colours[i], colours[i] + 3, rgb.begin() + static_cast<long>(p));
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(h, rgb.data(), 64, 0, 32, TJPF_RGB, &jpeg, &size, TJSAMP_444, 90, 0), 0);
    std::ofstream(m_dir + "/pics/" + std::to_string(i) + ".jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
    tjFree(jpeg);
  }
  tjDestroy(h);
  m_options.m_App.m_strPicturesDir = m_dir + "/pics";
  Project();
  SPackage pic;
  StartVideo(&pic);
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &pic));
    }
    SDecoded d;
    ASSERT_TRUE(Decode(pic.payload, &d));
    EXPECT_EQ(d.width, 320);
    EXPECT_EQ(d.height, 240);
    const uint8_t* mid = d.rgb.data() + (120 * 320 + 160) * 3;
    bool red = i % 2 == 0;
    EXPECT_EQ(mid[0] > 128, red) << i;
    EXPECT_EQ(mid[2] > 128, !red) << i;
  }
}

TEST_F(PhoneAppTest, AnUntrustworthyStreamHeaderIsAViolation) {
  Project();
  // Channel 4 stream header announcing 0x7FFFFFFF bytes of microphone data.
  ASSERT_TRUE(m_proj.Write(4, Bytes({0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x00, 0x05, 0x80, 0x01})));
  ASSERT_TRUE(m_sim.Record().WaitFor([&] { return !m_sim.Record().Violations().empty(); }, 2000));
  EXPECT_NE(m_sim.Record().Violations().back().find("app ch4"), std::string::npos);
  // The channel goes on at the next header: 0x00058001 with 2 bytes.
  ASSERT_TRUE(m_proj.Write(4, Bytes({0, 0, 0, 2, 0, 0, 0, 9, 0x00, 0x05, 0x80, 0x01, 0x11, 0x22})));
  ASSERT_TRUE(m_sim.App().WaitFor([&] { return m_sim.App().Received(0x00058001).size() == 1; }, 2000));
  EXPECT_EQ(m_sim.App().Received(0x00058001)[0].m_nLength, 2u);
}

TEST_F(PhoneAppTest, BurstSendsPicturesBackToBackInFrameOrder) {
  m_options.m_App.m_nFps = 1;
  Project();
  SPackage pic;
  StartVideo(&pic);
  std::string error;
  EXPECT_FALSE(m_sim.App().Inject("burst", &error));
  EXPECT_FALSE(m_sim.App().Inject("burst=0", &error));
  EXPECT_FALSE(m_sim.App().Inject("burst=1001", &error));
  size_t before = m_sim.App().Pictures().size();
  ASSERT_TRUE(m_sim.App().Inject("burst=6", &error)) << error;
  // The six are recorded together, with one time; a regular picture of the phone's own rate may
  // be recorded just before them or just after.
  std::vector<SAppPictureRecord> sent = m_sim.App().Pictures();
  size_t first = before;
  while (first + 6 <= sent.size() && sent[first].m_nTimeUs != sent[first + 5].m_nTimeUs) ++first;
  ASSERT_LE(first + 6, sent.size());
  ASSERT_LE(first, before + 1);
  // The six follow each other on the stream: no heartbeat and no other picture in between,
  // frame numbers in order, each as long as recorded.
  SPackage p;
  for (;;) {
    ASSERT_TRUE(m_proj.Next(1, &p));
    SDecoded d;
    if (p.type == 0x00020001 && Decode(p.payload, &d) && FrameNumberOf(d) == sent[first].m_nFrame) break;
  }
  for (size_t i = 0; i < 6; ++i) {
    if (i > 0) {
      ASSERT_TRUE(m_proj.Next(1, &p));
    }
    ASSERT_EQ(p.type, 0x00020001u) << i;
    EXPECT_EQ(p.length, sent[first + i].m_nSize) << i;
    SDecoded d;
    ASSERT_TRUE(Decode(p.payload, &d));
    EXPECT_EQ(FrameNumberOf(d), sent[first + i].m_nFrame) << i;
    EXPECT_EQ(sent[first + i].m_nFrame, sent[first].m_nFrame + i);
  }
  // Regular pictures go on after the burst's last number.
  ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &p, 3000));
  SDecoded d;
  ASSERT_TRUE(Decode(p.payload, &d));
  EXPECT_EQ(FrameNumberOf(d), sent[first + 5].m_nFrame + 1);
}

TEST_F(PhoneAppTest, StallStopsPicturesAndHeartbeatsThenBothResume) {
  // Two pictures a second: heartbeats fill the gaps, before and after the stall. The stall begins
  // on the app's own sender right after its third picture, so nothing of the app's is on its way
  // then; the gap is read from the app's own time stamps, not from when the host read it.
  const uint32_t kStallMs = 700;
  m_options.m_App.m_nFps = 2;
  m_options.m_App.m_Faults = {"stall=" + std::to_string(kStallMs) + "@picture:3"};
  Project();
  SPackage p;
  StartVideo(&p);
  std::string error;
  EXPECT_FALSE(m_sim.App().Inject("stall", &error));
  EXPECT_FALSE(m_sim.App().Inject("stall=0", &error));
  SDecoded d;
  while (p.type != 0x00020001 || !Decode(p.payload, &d) || FrameNumberOf(d) != 3) {
    ASSERT_TRUE(m_proj.Next(1, &p, 6000)) << "no third picture";
  }
  const uint32_t third = p.timestamp;
  // Nothing in the stall: the next package of the video channel is stamped after its end.
  ASSERT_TRUE(m_proj.Next(1, &p, 6000));
  EXPECT_GE(p.timestamp - third, kStallMs) << "a package during the stall";
  // Then both come again.
  bool picture = false, heartbeat = false;
  for (;;) {
    picture = picture || p.type == 0x00020001;
    heartbeat = heartbeat || p.type == 0x00020002;
    if (picture && heartbeat) break;
    ASSERT_TRUE(m_proj.Next(1, &p, 6000)) << "picture " << picture << " heartbeat " << heartbeat;
  }
  EXPECT_EQ(m_sim.App().OpenChannels(), 6);
}

// A phone app behind another one on the phone (its background report, or a call) sends no
// pictures, only heartbeats, until its foreground report; the end of a call leaves it behind.
TEST_F(PhoneAppTest, NoPicturesFromTheBackgroundUntilTheForegroundReport) {
  const struct {
    const char* name;
    std::vector<const char*> away;  // the reports that take the app away, in order
  } cases[] = {
      {"its background report", {"background"}},
      {"a call", {"call-begin"}},
      {"a call of the third kind and its end", {"call-begin=0x00010017", "call-end"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProjectAnew();
    SPackage p;
    StartVideo(&p);
    ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &p));
    std::string error;
    for (const char* report : c.away) ASSERT_TRUE(m_sim.App().Inject(report, &error)) << error;
    EXPECT_FALSE(m_sim.App().Streaming());
    // Every picture the app made went out before its report: pictures are numbered from 1.
    const size_t last = m_sim.App().Pictures().size();
    int heartbeats = 0;
    while (heartbeats < 5) {
      ASSERT_TRUE(m_proj.Next(1, &p));
      SDecoded d;
      if (p.type == 0x00020001) {
        ASSERT_TRUE(Decode(p.payload, &d));
        EXPECT_LE(FrameNumberOf(d), last) << "a picture from the background";
      } else {
        ++heartbeats;
      }
    }
    EXPECT_EQ(m_sim.App().Pictures().size(), last);
    // The foreground report brings the next picture; the channel keeps its order, so every
    // picture from before the report was read before the heartbeats.
    ASSERT_TRUE(m_sim.App().Inject("foreground", &error)) << error;
    EXPECT_TRUE(m_sim.App().Streaming());
    ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &p));
    SDecoded d;
    ASSERT_TRUE(Decode(p.payload, &d));
    EXPECT_EQ(FrameNumberOf(d), last + 1);
  }
}

TEST_F(PhoneAppTest, IgnoredVersionOrSettingsGoUnansweredWhileTheOtherIsAnswered) {
  struct SCase {
    const char* injection;
    std::vector<uint8_t> ignored;
    uint32_t ignoredType;
    uint32_t unanswered;
    std::vector<uint8_t> answered;
    uint32_t answer;
  } cases[] = {
      {"ignore=version", kVersion, 0x00018001, 0x00010002, kSettings800, 0x00010008},
      {"ignore=settings", kSettings800, 0x00018007, 0x00010008, kVersion, 0x00010002},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.injection);
    ProjectAnew();
    std::string error;
    EXPECT_FALSE(m_sim.App().Inject("ignore=start", &error));
    ASSERT_TRUE(m_sim.App().Inject(c.injection, &error)) << error;
    ASSERT_TRUE(m_proj.Write(0, c.ignored));
    // The request is recorded; no answer comes, and the channels stay up.
    ASSERT_TRUE(m_sim.App().WaitFor([&] { return !m_sim.App().Received(c.ignoredType).empty(); }, 2000));
    SPackage a;
    ASSERT_TRUE(m_proj.Write(0, c.answered));
    ASSERT_TRUE(m_proj.NextOfType(0, c.answer, &a));
    EXPECT_FALSE(m_proj.NextOfType(0, c.unanswered, &a, 500));
    for (const auto& t : m_sim.App().Sent()) EXPECT_NE(t.m_nType, c.unanswered);
    EXPECT_EQ(m_sim.App().OpenChannels(), 6);
  }
}

}  // namespace
