#include "tests/engine/FakeAdb.h"

#include "phonelink/CorvaneAdb.h"
#include "platform/kernel/kernel.h"

#include <algorithm>
#include <mutex>

namespace fakeadb {
namespace {

struct Channel {
  bool m_bConnected = false;
  std::deque<uint8_t> m_In;
  std::vector<std::vector<uint8_t>> m_Writes;
  bool m_bFailNextWrite = false;
  HANDLE m_hEvent = nullptr;
};

// Recursive: a test holds Lock() while it changes the script and may call the fake meanwhile.
struct State {
  std::recursive_mutex m_Lock;
  Script m_Script;
  Channel m_aChannels[kAdbChannelCount];
  std::vector<std::string> m_Calls;
  std::function<void(const std::string&)> m_fnCallHook;
  std::function<void(int, const std::vector<uint8_t>&)> m_fnWriteHook;
};

State& S() {
  static State s;
  return s;
}

bool ValidChannel(int channel) {
  return channel >= 0 && channel < kAdbChannelCount;
}

void Record(const std::string& call) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard<std::recursive_mutex> g(S().m_Lock);
    S().m_Calls.push_back(call);
    hook = S().m_fnCallHook;
  }
  if (hook) hook(call);
}

// The next scripted result of a call, or its usual one when the script has no more.
int NextResult(std::deque<int>* results, int otherwise) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  if (results->empty()) return otherwise;
  const int r = results->front();
  results->pop_front();
  return r;
}

int Read(int channel, uint8_t* buffer, int n) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  Channel& c = S().m_aChannels[channel];
  if (!c.m_bConnected || n < 1 || c.m_In.size() < static_cast<size_t>(n)) return 0;
  std::copy_n(c.m_In.begin(), n, buffer);
  c.m_In.erase(c.m_In.begin(), c.m_In.begin() + n);
  return n;
}

}  // namespace

void Reset() {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  S().m_Script = Script();
  for (Channel& c : S().m_aChannels) c = Channel();
  S().m_Calls.clear();
  S().m_fnCallHook = nullptr;
  S().m_fnWriteHook = nullptr;
}

Script& GetScript() {
  return S().m_Script;
}
void Lock() {
  S().m_Lock.lock();
}
void Unlock() {
  S().m_Lock.unlock();
}

void SetConnected(bool connected) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  S().m_Script.m_bConnected = connected;
}

void SetChannelConnected(int channel, bool connected) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  if (ValidChannel(channel)) S().m_aChannels[channel].m_bConnected = connected;
}

void SetAllConnected(bool connected) {
  for (int c = 0; c < kAdbChannelCount; ++c) SetChannelConnected(c, connected);
}

void Feed(int channel, const std::vector<uint8_t>& bytes) {
  HANDLE event = nullptr;
  {
    std::lock_guard<std::recursive_mutex> g(S().m_Lock);
    if (!ValidChannel(channel)) return;
    Channel& c = S().m_aChannels[channel];
    c.m_In.insert(c.m_In.end(), bytes.begin(), bytes.end());
    event = c.m_hEvent;
  }
  if (event) SetEvent(event);
}

size_t Buffered(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  return ValidChannel(channel) ? S().m_aChannels[channel].m_In.size() : 0;
}

std::vector<std::string> Calls() {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  return S().m_Calls;
}

int CountCalls(const std::string& call) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  return static_cast<int>(std::count(S().m_Calls.begin(), S().m_Calls.end(), call));
}

std::vector<std::vector<uint8_t>> Writes(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  return ValidChannel(channel) ? S().m_aChannels[channel].m_Writes : std::vector<std::vector<uint8_t>>();
}

std::vector<uint8_t> Written(int channel) {
  std::vector<uint8_t> all;
  for (const auto& w : Writes(channel)) all.insert(all.end(), w.begin(), w.end());
  return all;
}

std::vector<uint32_t> WrittenCommandTypes(int channel) {
  std::vector<uint8_t> bytes = Written(channel);
  std::vector<uint32_t> types;
  size_t pos = 0;
  while (pos + 8 <= bytes.size()) {
    uint32_t length = (uint32_t{bytes[pos]} << 8) | bytes[pos + 1];
    uint32_t type = (uint32_t{bytes[pos + 4]} << 24) | (uint32_t{bytes[pos + 5]} << 16) |
                    (uint32_t{bytes[pos + 6]} << 8) | bytes[pos + 7];
    types.push_back(type);
    pos += 8 + length;
  }
  return types;
}

void ClearWrites() {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  for (Channel& c : S().m_aChannels) c.m_Writes.clear();
}

void FailNextWrite(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  if (ValidChannel(channel)) S().m_aChannels[channel].m_bFailNextWrite = true;
}

void SetCallHook(std::function<void(const std::string& call)> hook) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  S().m_fnCallHook = std::move(hook);
}

void SetWriteHook(std::function<void(int channel, const std::vector<uint8_t>& bytes)> hook) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  S().m_fnWriteHook = std::move(hook);
}

uint32_t CommandType(int channel, const std::vector<uint8_t>& bytes) {
  if (channel != 0 || bytes.size() != 8) return 0;
  return (uint32_t{bytes[4]} << 24) | (uint32_t{bytes[5]} << 16) | (uint32_t{bytes[6]} << 8) | bytes[7];
}

void AnswerWrite(int channel, const std::vector<uint8_t>& bytes, bool version, bool encoder) {
  const uint32_t type = CommandType(channel, bytes);
  if (version && type == 0x00018001) {
    // CorvaneProtocolVersionMatchStatus with no fields: an empty payload.
    Feed(0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02});
  }
  if (encoder && type == 0x00018007) {
    // CorvaneVideoEncoderInfo width 800, height 480, frameRate 10.
    Feed(0, {0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08,  //
             0x08, 0xA0, 0x06, 0x10, 0xE0, 0x03, 0x18, 0x0A});
  }
}

void AnswerPhone(bool version, bool encoder) {
  SetWriteHook([version, encoder](int channel, const std::vector<uint8_t>& bytes) {
    AnswerWrite(channel, bytes, version, encoder);
  });
}

}  // namespace fakeadb

using fakeadb::S;
using fakeadb::ValidChannel;

int Corvane_Adb_Init() {
  fakeadb::Record("Init");
  return 0;
}

int Corvane_Adb_Close() {
  fakeadb::Record("Close");
  return 0;
}

void Corvane_Adb_BeginClose() {
  fakeadb::Record("BeginClose");
}

BYTE Corvane_Adb_IsConnected() {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  return S().m_Script.m_bConnected ? 1 : 0;
}

BYTE Corvane_Adb_IsChannelConnected(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  return ValidChannel(channel) && S().m_aChannels[channel].m_bConnected ? 1 : 0;
}

int Corvane_Adb_GetChannelDataSize(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  return ValidChannel(channel) ? static_cast<int>(S().m_aChannels[channel].m_In.size()) : 0;
}

int Corvane_Adb_SetTcpDataNotifyEvent(int channel, HANDLE event) {
  std::lock_guard<std::recursive_mutex> g(S().m_Lock);
  if (!ValidChannel(channel)) return -10;
  S().m_aChannels[channel].m_hEvent = event;
  return 0;
}

void Corvane_Adb_SetUsbThreadPriority(int priority) {
  fakeadb::Record("SetUsbThreadPriority " + std::to_string(priority));
}

void Corvane_Adb_SetPushDir(const char* directory) {
  fakeadb::Record(std::string("SetPushDir ") + directory);
}

void Corvane_Adb_TcpConnect() {
  {
    std::lock_guard<std::recursive_mutex> g(S().m_Lock);
    if (S().m_Script.m_bTcpConnectOpensAll && S().m_Script.m_bConnected) {
      for (fakeadb::Channel& c : S().m_aChannels) c.m_bConnected = true;
    }
  }
  fakeadb::Record("TcpConnect");
}

int Corvane_Adb_TcpDisconnect(int channel) {
  {
    std::lock_guard<std::recursive_mutex> g(S().m_Lock);
    for (int c = 0; c < kAdbChannelCount; ++c) {
      if (channel == kAdbAllChannels || channel == c) S().m_aChannels[c].m_bConnected = false;
    }
  }
  fakeadb::Record("TcpDisconnect " + std::to_string(channel));
  return 0;
}

int Corvane_Adb_TcpWrite(int channel, const void* data, int length) {
  if (!ValidChannel(channel) || length < 0) return 0;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  std::vector<uint8_t> bytes(p, p + length);
  std::function<void(int, const std::vector<uint8_t>&)> hook;
  {
    std::lock_guard<std::recursive_mutex> g(S().m_Lock);
    fakeadb::Channel& c = S().m_aChannels[channel];
    if (!c.m_bConnected) return 0;
    if (c.m_bFailNextWrite) {
      c.m_bFailNextWrite = false;
      return 0;
    }
    c.m_Writes.push_back(bytes);
    hook = S().m_fnWriteHook;
  }
  if (hook) hook(channel, bytes);
  return 1;
}

int Corvane_Adb_TcpRead_CMD(uint8_t* buffer, int n) {
  return fakeadb::Read(0, buffer, n);
}
int Corvane_Adb_TcpRead_Video(uint8_t* buffer, int n) {
  return fakeadb::Read(1, buffer, n);
}
int Corvane_Adb_TcpRead_Media(uint8_t* buffer, int n) {
  return fakeadb::Read(2, buffer, n);
}
int Corvane_Adb_TcpRead_TTS(uint8_t* buffer, int n) {
  return fakeadb::Read(3, buffer, n);
}
int Corvane_Adb_TcpRead_VR(uint8_t* buffer, int n) {
  return fakeadb::Read(4, buffer, n);
}

int Corvane_Adb_Shell(const char* service) {
  fakeadb::Record(std::string("Shell ") + service);
  return 0;
}

int Corvane_Adb_StartPhoneApp() {
  const int r = fakeadb::NextResult(&S().m_Script.m_StartPhoneAppResults, 0);
  fakeadb::Record("StartPhoneApp");
  return r;
}

int Corvane_Adb_KillVtsc() {
  fakeadb::Record("KillVtsc");
  return 0;
}

int Corvane_Adb_StartVtsc() {
  const int r = fakeadb::NextResult(&S().m_Script.m_StartVtscResults, 1);
  fakeadb::Record("StartVtsc");
  return r;
}

int Corvane_Adb_PushVtim(const char* directory) {
  int r;
  {
    std::lock_guard<std::recursive_mutex> g(S().m_Lock);
    r = S().m_Script.m_nPushVtimResult;
  }
  fakeadb::Record(std::string("PushVtim ") + directory);
  return r;
}
