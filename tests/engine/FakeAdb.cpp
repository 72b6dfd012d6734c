#include "FakeAdb.h"

#include "phonelink/CorvaneAdb.h"
#include "phonelink/DriverInstall.h"

#include <deque>
#include <mutex>

namespace {
struct Channel {
  bool connected = false;
  std::deque<uint8_t> in;
  std::vector<std::vector<uint8_t>> writes;
  bool failNextWrite = false;
};

std::mutex s_lock;
Channel s_channels[6];
std::vector<std::u16string> s_unloaded;

int Read(int channel, uint8_t* buffer, int n) {
  std::lock_guard<std::mutex> lock(s_lock);
  Channel& c = s_channels[channel];
  if (n < 1 || c.in.size() < static_cast<size_t>(n)) return 0;
  for (int i = 0; i < n; ++i) {
    buffer[i] = c.in.front();
    c.in.pop_front();
  }
  return n;
}
}  // namespace

namespace fakeadb {
void Reset() {
  std::lock_guard<std::mutex> lock(s_lock);
  for (Channel& c : s_channels) c = Channel();
  s_unloaded.clear();
}

void SetConnected(int channel, bool connected) {
  std::lock_guard<std::mutex> lock(s_lock);
  s_channels[channel].connected = connected;
}

void SetAllConnected(bool connected) {
  for (int c = 0; c < 6; ++c) SetConnected(c, connected);
}

void Feed(int channel, const std::vector<uint8_t>& bytes) {
  std::lock_guard<std::mutex> lock(s_lock);
  s_channels[channel].in.insert(s_channels[channel].in.end(), bytes.begin(), bytes.end());
}

size_t Buffered(int channel) {
  std::lock_guard<std::mutex> lock(s_lock);
  return s_channels[channel].in.size();
}

std::vector<std::vector<uint8_t>> Writes(int channel) {
  std::lock_guard<std::mutex> lock(s_lock);
  return s_channels[channel].writes;
}

std::vector<uint8_t> Written(int channel) {
  std::vector<uint8_t> all;
  for (const auto& w : Writes(channel)) all.insert(all.end(), w.begin(), w.end());
  return all;
}

void ClearWrites() {
  std::lock_guard<std::mutex> lock(s_lock);
  for (Channel& c : s_channels) c.writes.clear();
}

void FailNextWrite(int channel) {
  std::lock_guard<std::mutex> lock(s_lock);
  s_channels[channel].failNextWrite = true;
}

std::vector<std::u16string> UnloadedDrivers() {
  std::lock_guard<std::mutex> lock(s_lock);
  return s_unloaded;
}
}  // namespace fakeadb

BYTE Corvane_Adb_IsChannelConnected(int channel) {
  if (channel < 0 || channel > 5) return 0;
  std::lock_guard<std::mutex> lock(s_lock);
  return s_channels[channel].connected ? 1 : 0;
}

int Corvane_Adb_GetChannelDataSize(int channel) {
  if (channel < 0 || channel > 5) return 0;
  std::lock_guard<std::mutex> lock(s_lock);
  return static_cast<int>(s_channels[channel].in.size());
}

int Corvane_Adb_TcpWrite(int channel, const void* data, int length) {
  if (channel < 0 || channel > 5 || length < 0) return 0;
  std::lock_guard<std::mutex> lock(s_lock);
  Channel& c = s_channels[channel];
  if (c.failNextWrite) {
    c.failNextWrite = false;
    return 0;
  }
  const uint8_t* p = static_cast<const uint8_t*>(data);
  c.writes.emplace_back(p, p + length);
  return 1;
}

int Corvane_Adb_TcpRead_CMD(uint8_t* buffer, int n) { return Read(0, buffer, n); }
int Corvane_Adb_TcpRead_Video(uint8_t* buffer, int n) { return Read(1, buffer, n); }
int Corvane_Adb_TcpRead_Media(uint8_t* buffer, int n) { return Read(2, buffer, n); }
int Corvane_Adb_TcpRead_TTS(uint8_t* buffer, int n) { return Read(3, buffer, n); }
int Corvane_Adb_TcpRead_VR(uint8_t* buffer, int n) { return Read(4, buffer, n); }

int UnloadDriver(LPCWSTR deviceName) {
  std::lock_guard<std::mutex> lock(s_lock);
  s_unloaded.emplace_back(deviceName);
  return 1;
}
