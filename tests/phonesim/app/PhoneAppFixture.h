#pragma once
// A phonesim whose app projects to a raw host playing the head unit, and what the tests of the
// app read from its pictures. The request bytes are written here from the protocol.
#include <turbojpeg.h>

#include <algorithm>
#include <vector>

#include "tests/phonesim/PhoneSimFixture.h"
#include "tests/phonesim/app/CProjectionHost.h"

namespace phonesim_test {

inline const char kAmStart[] = "am start -n com.velto.corvane/com.velto.corvane.CorvaneActivity";

// 0x00018001 CorvaneProtocolVersion {majorVersion 1, minorVersion 0}.
inline const std::vector<uint8_t> kVersion =
    Bytes({0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x80, 0x01, 0x08, 0x01, 0x10, 0x00});
// 0x00018007 CorvaneVideoEncoderInfo {800, 480, 10}.
inline const std::vector<uint8_t> kSettings800 =
    Bytes({0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x80, 0x07, 0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A});
// 0x00018007 {320, 240, 10}.
inline const std::vector<uint8_t> kSettings320 =
    Bytes({0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x80, 0x07, 0x08, 0xC0, 0x02, 0x10, 0xF0, 0x01, 0x18, 0x0A});
inline const std::vector<uint8_t> kStart = Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x09});
inline const std::vector<uint8_t> kPause = Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x0A});

struct SDecoded {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

inline bool Decode(const std::vector<uint8_t>& jpeg, SDecoded* out) {
  tjhandle h = tjInitDecompress();
  int sub = 0, cs = 0;
  bool ok = tjDecompressHeader3(h, jpeg.data(), jpeg.size(), &out->width, &out->height, &sub, &cs) == 0;
  if (ok) {
    out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
    ok = tjDecompress2(h, jpeg.data(), jpeg.size(), out->rgb.data(), out->width, 0, out->height, TJPF_RGB,
                       0) == 0;
  }
  tjDestroy(h);
  return ok;
}

// The pattern's top band: 24 cells of width / 24, most significant bit first, white = 1.
inline uint32_t FrameNumberOf(const SDecoded& d) {
  int cell = d.width / 24, band = std::max(8, d.height / 6);
  uint32_t n = 0;
  for (int i = 0; i < 24; ++i) {
    const uint8_t* p = d.rgb.data() + (static_cast<size_t>(band / 2) * d.width + i * cell + cell / 2) * 3;
    n = (n << 1) | (p[0] > 128 ? 1u : 0u);
  }
  return n;
}

inline std::vector<uint8_t> Without(std::vector<uint8_t> bytes, size_t from, size_t n) {
  bytes.erase(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + n));
  return bytes;
}

class PhoneAppTest : public PhoneSimFixture {
 protected:
  // Online, app started, six channels open.
  void Project() {
    StartSim();
    ConnectOnline(4096);
    ASSERT_NE(m_proj.Shell(kAmStart).find("Starting: Intent"), std::string::npos);
    ASSERT_TRUE(m_proj.OpenAll());
  }
  // A fresh phone, projecting again: for each case of a table.
  void ProjectAnew() {
    m_host.Close();
    m_sim.Stop();
    m_proj = CProjectionHost(&m_host);
    Project();
  }
  void Answer(const std::vector<uint8_t>& request, uint32_t type, SPackage* answer) {
    ASSERT_TRUE(m_proj.Write(0, request));
    ASSERT_TRUE(m_proj.NextOfType(0, type, answer));
  }
  // Settings for 320 x 240 and the start; returns the first picture.
  void StartVideo(SPackage* picture) {
    SPackage a;
    Answer(kSettings320, 0x00010008, &a);
    ASSERT_TRUE(m_proj.Write(0, kStart));
    ASSERT_TRUE(m_proj.NextOfType(1, 0x00020001, picture));
  }

  CProjectionHost m_proj{&m_host};
};

}  // namespace phonesim_test
