// Shared set-up of the engine's tests: a fresh fake link, fresh registered messages with a tap that
// collects every broadcast, default configuration, no receivers, and debug lines captured.
#pragma once

#include "engine/CorvaneEngineSession.h"
#include "engine/CConnectProgress.h"
#include "engine/CPackageBuffer.h"
#include "engine/CSingleInstance.h"
#include "engine/CorvaneCommand.h"
#include "engine/CorvaneMedia.h"
#include "engine/CorvanePicture.h"
#include "engine/CorvaneSendData.h"
#include "engine/CorvaneTts.h"
#include "engine/CorvaneVRecord.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/HuInfo.h"
#include "engine/WavPlayer.h"
#include "platform/audio/audio.h"
#include "platform/audio/AudioHooks.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/user.h"
#include "platform/user/UserHooks.h"
#include "services/CorvaneConfig.h"
#include "tests/engine/FakeAdb.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct Posted {
  UINT m_nMsg;
  WPARAM m_wParam;
  LPARAM m_lParam;
  bool operator==(const Posted& o) const {
    return m_nMsg == o.m_nMsg && m_wParam == o.m_wParam && m_lParam == o.m_lParam;
  }
};

inline std::ostream& operator<<(std::ostream& os, const Posted& p) {
  return os << "{"
            << std::string(wce::GetRegisteredMessageName(p.m_nMsg).begin(),
                           wce::GetRegisteredMessageName(p.m_nMsg).end())
            << ", " << p.m_wParam << ", " << p.m_lParam << "}";
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeadb::Reset();
    wce::ResetUser();
    wce::ResetWaveOut();
    RegisterEngineWindowMessages();
    wce::SetBroadcastTap([this](UINT msg, WPARAM w, LPARAM l) {
      std::lock_guard<std::mutex> lock(m_Lock);
      m_Posted.push_back(Posted{msg, w, l});
    });
    wce::SetDebugSink([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(m_Lock);
      m_Log.push_back(line);
    });
    ResetCorvaneConfig();
    // Each test is an engine life of its own.
    ResetEngineForTests();
  }

  void TearDown() override {
    ResetEngineForTests();
    wce::SetBroadcastTap(nullptr);
    wce::SetDebugSink(nullptr);
  }

  std::vector<Posted> Broadcasts() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Posted;
  }
  void ClearBroadcasts() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Posted.clear();
  }
  void ClearLog() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Log.clear();
  }
  bool Logged(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (const std::string& line : m_Log)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  std::mutex m_Lock;
  std::vector<Posted> m_Posted;
  std::vector<std::string> m_Log;
};

// Protocol Buffers wire bytes written by hand: varint fields (wire type 0) and length-delimited
// fields (wire type 2).
class Pb {
 public:
  Pb& Int(int field, int64_t value) {
    Varint(static_cast<uint64_t>(field) << 3);
    Varint(static_cast<uint64_t>(value));
    return *this;
  }
  Pb& Str(int field, const std::string& s) {
    Varint((static_cast<uint64_t>(field) << 3) | 2);
    Varint(s.size());
    m_Bytes.insert(m_Bytes.end(), s.begin(), s.end());
    return *this;
  }
  Pb& Sub(int field, const Pb& sub) {
    return Str(field, std::string(sub.m_Bytes.begin(), sub.m_Bytes.end()));
  }
  std::vector<uint8_t> m_Bytes;

 private:
  void Varint(uint64_t v) {
    while (v >= 0x80) {
      m_Bytes.push_back(static_cast<uint8_t>(v | 0x80));
      v >>= 7;
    }
    m_Bytes.push_back(static_cast<uint8_t>(v));
  }
};

inline void PutBytesBE(std::vector<uint8_t>* out, uint32_t v, int n) {
  for (int i = n - 1; i >= 0; --i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// length u16, reserved bytes, type u32, payload
inline std::vector<uint8_t> CmdFrame(uint32_t type, const std::vector<uint8_t>& payload, uint8_t r2 = 0,
                                     uint8_t r3 = 0) {
  std::vector<uint8_t> f;
  f.reserve(8 + payload.size());
  PutBytesBE(&f, static_cast<uint32_t>(payload.size()), 2);
  f.push_back(r2);
  f.push_back(r3);
  PutBytesBE(&f, type, 4);
  for (uint8_t b : payload) f.push_back(b);
  return f;
}

// length u32 (the payload's unless given), timestamp u32, type u32, payload
inline std::vector<uint8_t> StreamFrame(uint32_t type, const std::vector<uint8_t>& payload, uint32_t ts = 0,
                                        uint32_t length = UINT32_MAX) {
  std::vector<uint8_t> f;
  f.reserve(12 + payload.size());
  PutBytesBE(&f, length == UINT32_MAX ? static_cast<uint32_t>(payload.size()) : length, 4);
  PutBytesBE(&f, ts, 4);
  PutBytesBE(&f, type, 4);
  for (uint8_t b : payload) f.push_back(b);
  return f;
}
