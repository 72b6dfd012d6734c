// The lies of the phone app: frames whose header announces another length than follows, bytes
// that are no frame, pictures that are no good JPEG, messages that do not parse, floods. Each
// comes byte-exactly as the protocol and the rule say, is recorded, and the app goes on.
#include <random>

#include "tests/phonesim/app/PhoneAppFixture.h"

using namespace phonesim;
using namespace phonesim_test;

namespace {

// The rule's random bytes: the top byte of each output of the standard mt19937.
std::vector<uint8_t> Mt19937Bytes(uint32_t seed, size_t n) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(gen() >> 24));
  return out;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

bool HasEvent(CPhoneSim& sim, const std::string& line) {
  return sim.Record().WaitFor(
      [&] {
        for (const auto& e : sim.Record().Events())
          if (e == line) return true;
        return false;
      },
      2000);
}

// The size a JPEG's header announces, read by TurboJPEG without decoding.
bool JpegSize(const std::vector<uint8_t>& jpeg, int* width, int* height) {
  tjhandle h = tjInitDecompress();
  int sub = 0, cs = 0;
  bool ok = tjDecompressHeader3(h, jpeg.data(), jpeg.size(), width, height, &sub, &cs) == 0;
  tjDestroy(h);
  return ok;
}

const std::vector<uint8_t> kHeartbeatType = Bytes({0x00, 0x02, 0x00, 0x02});

// Channel c's next bytes as a frame of expect.size() bytes, heartbeats before it passed over
// (a lie on the video channel never has the heartbeat's type).
void TakeLie(CProjectionHost& proj, int c, size_t n, std::vector<uint8_t>* got) {
  for (;;) {
    std::vector<uint8_t> head;
    ASSERT_TRUE(proj.Take(c, CAppProtocol::HeaderSize(c), &head));
    bool heartbeat = c == 1 && head[0] == 0 && head[1] == 0 && head[2] == 0 && head[3] == 0 &&
                     std::vector<uint8_t>(head.begin() + 8, head.end()) == kHeartbeatType;
    if (heartbeat) continue;
    std::vector<uint8_t> rest;
    ASSERT_GE(n, head.size());
    ASSERT_TRUE(proj.Take(c, n - head.size(), &rest));
    *got = Join(head, rest);
    return;
  }
}

TEST_F(PhoneAppTest, FramesThatLieComeByteExactlyAndTheChannelGoesOn) {
  Project();
  const struct {
    const char* rule;
    int channel;
    std::vector<uint8_t> bytes;  // stream headers without their time stamp
    const char* line;            // the record's line for it
  } cases[] = {
      // A picture of length 0.
      {"false-length=1:0", 1, Bytes({0, 0, 0, 0, 0x00, 0x02, 0x00, 0x01}),
       "app false-length ch1 0x00020001 announces 0 sends 0"},
      // Lengths that are negative as signed words, then eight of their bytes.
      {"false-length=1:0x80000000", 1,
       Bytes({0x80, 0, 0, 0, 0x00, 0x02, 0x00, 0x01, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A}),
       "app false-length ch1 0x00020001 announces 2147483648 sends 8"},
      {"false-length=1:0xFFFFFFFF", 1,
       Bytes(
           {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x02, 0x00, 0x01, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A}),
       "app false-length ch1 0x00020001 announces 4294967295 sends 8"},
      {"false-length=2:0x7FFFFFFF:3", 2,
       Bytes({0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x00, 0x02, 0x5A, 0x5A, 0x5A}),
       "app false-length ch2 0x00030002 announces 2147483647 sends 3"},
      // The command header's 16-bit length at its top, two bytes after it.
      {"false-length=0:0xFFFF:2", 0, Bytes({0xFF, 0xFF, 0, 0, 0x00, 0x01, 0x00, 0x04, 0x5A, 0x5A}),
       "app false-length ch0 0x00010004 announces 65535 sends 2"},
      {"unknown=1/0x00027777:2", 1, Bytes({0, 0, 0, 2, 0x00, 0x02, 0x77, 0x77, 0x5A, 0x5A}),
       "app tx ch1 0x00027777 len 2 (2 bytes)"},
      {"garbage=2:8:7", 2, Mt19937Bytes(7, 8), "app garbage ch2 8 bytes"},
      {"garbage=0:5", 0, Mt19937Bytes(1, 5), "app garbage ch0 5 bytes"},
      // CorvaneVideoEncoderInfo {800, 480, 10} is 08 A0 06 10 E0 03 18 0A.
      {"bad-message=empty", 0, Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x08}),
       "app tx ch0 0x00010008 len 0  (missing: width, height, frameRate)"},
      {"bad-message=truncated", 0, Bytes({0, 4, 0, 0, 0x00, 0x01, 0x00, 0x08, 0x08, 0xA0, 0x06, 0x10}),
       "app tx ch0 0x00010008 len 4 unparsable: (4 bytes)"},
      {"bad-message=overlong", 0,
       Join(Bytes({0, 24, 0, 0, 0x00, 0x01, 0x00, 0x08, 0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A}),
            std::vector<uint8_t>(16, 0)),
       "app tx ch0 0x00010008 len 24 unparsable: (24 bytes)"},
      // Field 1, a number, as the text "wrong" (wire type 2).
      {"bad-message=wrong-type:0x0001000D", 0,
       Bytes({0, 7, 0, 0, 0x00, 0x01, 0x00, 0x0D, 0x0A, 0x05, 'w', 'r', 'o', 'n', 'g'}), nullptr},
      // CorvaneProtocolVersionMatchStatus {1} is 08 01: its half is the tag alone.
      {"bad-message=truncated:0x00010002", 0, Bytes({0, 1, 0, 0, 0x00, 0x01, 0x00, 0x02, 0x08}),
       "app tx ch0 0x00010002 len 1 unparsable: (1 bytes)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    std::string error;
    ASSERT_TRUE(m_sim.App().Inject(c.rule, &error)) << error;
    std::vector<uint8_t> got;
    // Garbage is no frame: its bytes are taken as they come.
    if (std::string(c.rule).compare(0, 7, "garbage") == 0) {
      ASSERT_TRUE(m_proj.Take(c.channel, c.bytes.size(), &got));
    } else {
      size_t stamp = CAppProtocol::IsCommandChannel(c.channel) ? 0 : 4;
      TakeLie(m_proj, c.channel, c.bytes.size() + stamp, &got);
      if (stamp != 0) got = Without(got, 4, 4);
    }
    EXPECT_EQ(got, c.bytes);
    if (c.line != nullptr) {
      EXPECT_TRUE(HasEvent(m_sim, c.line)) << c.line;
    }
    // The channel goes on with whole frames: a heartbeat on the video channel, an injected
    // package on the others.
    SPackage next;
    if (c.channel == 1) {
      ASSERT_TRUE(m_proj.Next(1, &next));
      EXPECT_EQ(Without(next.Bytes(), 4, 4), Bytes({0, 0, 0, 0, 0x00, 0x02, 0x00, 0x02}));
    } else if (c.channel == 2) {
      ASSERT_TRUE(m_sim.App().Inject("music-data=2"));
      ASSERT_TRUE(m_proj.Next(2, &next));
      EXPECT_EQ(Without(next.Bytes(), 4, 4), Bytes({0, 0, 0, 2, 0x00, 0x03, 0x00, 0x02, 0, 0}));
    } else {
      ASSERT_TRUE(m_sim.App().Inject("feature-query"));
      ASSERT_TRUE(m_proj.Next(0, &next));
      EXPECT_EQ(next.Bytes(), Bytes({0, 0, 0, 0, 0x00, 0x01, 0x00, 0x51}));
    }
  }
}

TEST_F(PhoneAppTest, BadPicturesComeBetweenGoodOnesAndThePicturesGoOn) {
  const struct {
    const char* rule;
    const char* kind;
  } cases[] = {{"bad-picture=truncated", "truncated"},
               {"bad-picture=noise:64:3", "noise"},
               {"bad-picture=huge", "huge"},
               {"bad-picture=tiny", "tiny"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    ProjectAnew();
    SPackage p;
    StartVideo(&p);
    std::string error;
    ASSERT_TRUE(m_sim.App().Inject(c.rule, &error)) << error;
    // The lie is the first picture that is not a whole 320 x 240 JPEG; the encoder's pictures
    // around it number on without a gap.
    SDecoded d;
    ASSERT_TRUE(Decode(p.payload, &d));
    uint32_t last = FrameNumberOf(d);
    int seen = 0;
    for (;;) {
      ASSERT_LT(++seen, 100) << "no bad picture";
      ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &p));
      // The size from the header first: a lying one must not make the test allocate for it.
      int w = 0, h = 0;
      d = SDecoded();
      if (!JpegSize(p.payload, &w, &h) || w != 320 || h != 240 || !Decode(p.payload, &d)) break;
      last = FrameNumberOf(d);
    }
    const SPackage bad = p;
    EXPECT_EQ(bad.length, bad.payload.size());
    ASSERT_GE(bad.payload.size(), 2u);
    EXPECT_EQ(bad.payload[0], 0xFF);
    EXPECT_EQ(bad.payload[1], 0xD8);
    SPackage good;
    ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, &good));
    SDecoded gd;
    ASSERT_TRUE(Decode(good.payload, &gd));
    EXPECT_EQ(gd.width, 320);
    EXPECT_EQ(FrameNumberOf(gd), last + 1);
    const std::string kind = c.kind;
    if (kind == "truncated") {
      // The next picture, cut after half its bytes.
      EXPECT_EQ(bad.payload,
                std::vector<uint8_t>(good.payload.begin(),
                                     good.payload.begin() + static_cast<long>(good.payload.size() / 2)));
    } else if (kind == "noise") {
      EXPECT_EQ(bad.payload, Join(Bytes({0xFF, 0xD8}), Mt19937Bytes(3, 64)));
    } else if (kind == "huge") {
      // Its frame header claims 65000 x 65000.
      int w = 0, ht = 0;
      EXPECT_TRUE(JpegSize(bad.payload, &w, &ht));
      EXPECT_EQ(w, 65000);
      EXPECT_EQ(ht, 65000);
    } else {
      SDecoded td;
      ASSERT_TRUE(Decode(bad.payload, &td));
      EXPECT_EQ(td.width, 1);
      EXPECT_EQ(td.height, 1);
    }
    EXPECT_TRUE(HasEvent(m_sim, "app bad-picture " + kind + " size " + std::to_string(bad.payload.size())));
  }
}

TEST_F(PhoneAppTest, AFloodIsThousandsOfEmptyFramesInOneRun) {
  Project();
  std::string error;
  ASSERT_TRUE(m_sim.App().Inject("flood=2/5000", &error)) << error;
  // 5000 empty music data frames of 12 bytes, nothing between them.
  for (int i = 0; i < 5000; ++i) {
    SPackage p;
    ASSERT_TRUE(m_proj.Next(2, &p)) << i;
    ASSERT_EQ(Without(p.Bytes(), 4, 4), Bytes({0, 0, 0, 0, 0x00, 0x03, 0x00, 0x02})) << i;
  }
  EXPECT_TRUE(HasEvent(m_sim, "app flood ch2 5000 frames 0x00030002 60000 bytes"));
  ASSERT_TRUE(m_sim.App().Inject("music-data=1"));
  SPackage p;
  ASSERT_TRUE(m_proj.Next(2, &p));
  EXPECT_EQ(Without(p.Bytes(), 4, 4), Bytes({0, 0, 0, 1, 0x00, 0x03, 0x00, 0x02, 0}));
}

TEST_F(PhoneAppTest, LiesWithBadArgumentsAreRefused) {
  Project();
  for (const char* bad :
       {"false-length=1", "false-length=5:1", "false-length=0:0x10000", "false-length=1:-1", "garbage=1:0",
        "garbage=9:4", "bad-picture=round", "bad-picture=huge:3", "bad-message=bent",
        "bad-message=truncated:0x00010004", "flood=0", "flood=100001", "flood=5/10"}) {
    std::string error;
    EXPECT_FALSE(m_sim.App().Inject(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_FALSE(m_sim.App().AddFault(std::string(bad) + "@video", &error)) << bad;
  }
}

}  // namespace
