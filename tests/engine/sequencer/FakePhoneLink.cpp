#include "FakePhoneLink.h"

#include "phonelink/CorvaneAdb.h"
#include "kernel/kernel.h"

#include <algorithm>
#include <mutex>

namespace fakelink {
namespace {

struct State {
  std::recursive_mutex lock;
  Script script;
  bool channels[6] = {};
  std::vector<std::string> calls;
  std::vector<uint8_t> written[6];
  std::deque<uint8_t> inbound[6];
  HANDLE events[6] = {};
  std::function<void(const std::string&)> callHook;
  std::function<void(int, const std::vector<uint8_t>&)> writeHook;
};

State& S() {
  static State s;
  return s;
}

bool ValidChannel(int channel) { return channel >= 0 && channel < 6; }

void Record(const std::string& call) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().calls.push_back(call);
    hook = S().callHook;
  }
  if (hook) hook(call);
}

int Read(int channel, uint8_t* buffer, int n) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (!S().channels[channel] || n < 0) return -13;
  std::deque<uint8_t>& q = S().inbound[channel];
  int take = std::min<int>(n, static_cast<int>(q.size()));
  for (int i = 0; i < take; ++i) {
    buffer[i] = q.front();
    q.pop_front();
  }
  return take;
}

}  // namespace

void Reset() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().script = Script();
  for (int c = 0; c < 6; ++c) {
    S().channels[c] = false;
    S().written[c].clear();
    S().inbound[c].clear();
    S().events[c] = nullptr;
  }
  S().calls.clear();
  S().callHook = nullptr;
  S().writeHook = nullptr;
}

Script& GetScript() { return S().script; }
void Lock() { S().lock.lock(); }
void Unlock() { S().lock.unlock(); }

void SetChannelConnected(int channel, bool connected) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (ValidChannel(channel)) S().channels[channel] = connected;
}

void SetConnected(bool connected) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().script.connected = connected;
}

void QueueInbound(int channel, const std::vector<uint8_t>& bytes) {
  HANDLE event = nullptr;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    if (!ValidChannel(channel)) return;
    S().inbound[channel].insert(S().inbound[channel].end(), bytes.begin(), bytes.end());
    event = S().events[channel];
  }
  if (event) SetEvent(event);
}

std::vector<std::string> Calls() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().calls;
}

int CountCalls(const std::string& call) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return static_cast<int>(std::count(S().calls.begin(), S().calls.end(), call));
}

std::vector<uint8_t> Written(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return ValidChannel(channel) ? S().written[channel] : std::vector<uint8_t>();
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

void SetCallHook(std::function<void(const std::string& call)> hook) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().callHook = std::move(hook);
}

void SetWriteHook(std::function<void(int channel, const std::vector<uint8_t>& bytes)> hook) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().writeHook = std::move(hook);
}

}  // namespace fakelink

using fakelink::S;

int Corvane_Adb_Init() {
  fakelink::Record("Init");
  return 0;
}

int Corvane_Adb_Close() {
  fakelink::Record("Close");
  return 0;
}

BYTE Corvane_Adb_IsConnected() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().script.connected ? 1 : 0;
}

BYTE Corvane_Adb_IsChannelConnected(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return fakelink::ValidChannel(channel) && S().channels[channel] ? 1 : 0;
}

int Corvane_Adb_GetChannelDataSize(int channel) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return fakelink::ValidChannel(channel) ? static_cast<int>(S().inbound[channel].size()) : -10;
}

int Corvane_Adb_SetTcpDataNotifyEvent(int channel, HANDLE event) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (!fakelink::ValidChannel(channel)) return -10;
  S().events[channel] = event;
  return 0;
}

void Corvane_Adb_SetUsbThreadPriority(int priority) { fakelink::Record("SetUsbThreadPriority " + std::to_string(priority)); }

void Corvane_Adb_SetPushDir(const char* directory) { fakelink::Record(std::string("SetPushDir ") + directory); }

void Corvane_Adb_TcpConnect() {
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    if (S().script.tcpConnectOpensAll && S().script.connected) {
      for (bool& open : S().channels) open = true;
    }
  }
  fakelink::Record("TcpConnect");
}

int Corvane_Adb_TcpDisconnect(int channel) {
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    if (channel == 6) {
      for (bool& open : S().channels) open = false;
    } else if (fakelink::ValidChannel(channel)) {
      S().channels[channel] = false;
    }
  }
  fakelink::Record("TcpDisconnect " + std::to_string(channel));
  return 0;
}

int Corvane_Adb_TcpWrite(int channel, const void* data, int length) {
  if (!fakelink::ValidChannel(channel) || length < 0) return -10;
  std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
  std::function<void(int, const std::vector<uint8_t>&)> hook;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    if (!S().channels[channel]) return -13;
    S().written[channel].insert(S().written[channel].end(), bytes.begin(), bytes.end());
    hook = S().writeHook;
  }
  if (hook) hook(channel, bytes);
  return length;
}

int Corvane_Adb_TcpRead_CMD(uint8_t* buffer, int n) { return fakelink::Read(0, buffer, n); }
int Corvane_Adb_TcpRead_Video(uint8_t* buffer, int n) { return fakelink::Read(1, buffer, n); }
int Corvane_Adb_TcpRead_Media(uint8_t* buffer, int n) { return fakelink::Read(2, buffer, n); }
int Corvane_Adb_TcpRead_TTS(uint8_t* buffer, int n) { return fakelink::Read(3, buffer, n); }
int Corvane_Adb_TcpRead_VR(uint8_t* buffer, int n) { return fakelink::Read(4, buffer, n); }

int Corvane_Adb_Shell(const char* service) {
  fakelink::Record(std::string("Shell ") + service);
  return 0;
}

int Corvane_Adb_StartPhoneApp() {
  int r = 0;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    if (!S().script.startPhoneAppResults.empty()) {
      r = S().script.startPhoneAppResults.front();
      S().script.startPhoneAppResults.pop_front();
    }
  }
  fakelink::Record("StartPhoneApp");
  return r;
}

int Corvane_Adb_KillVtsc() {
  fakelink::Record("KillVtsc");
  return 0;
}

int Corvane_Adb_StartVtsc() {
  int r = 1;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    if (!S().script.startVtscResults.empty()) {
      r = S().script.startVtscResults.front();
      S().script.startVtscResults.pop_front();
    }
  }
  fakelink::Record("StartVtsc");
  return r;
}

int Corvane_Adb_PushVtim(const char* directory) {
  int r;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    r = S().script.pushVtimResult;
  }
  fakelink::Record(std::string("PushVtim ") + directory);
  return r;
}
