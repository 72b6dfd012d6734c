// A link-time stand-in for the phone link: every Corvane_Adb_* function of the flat interface,
// driven by a script the test sets up. It records the calls the engine makes and every write
// per channel, and lets the test queue bytes that the phone "sends" on a channel.
#pragma once

#include "kernel/wcetypes.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fakelink {

struct Script {
  bool connected = true;                 // CNXN received
  bool tcpConnectOpensAll = true;        // Corvane_Adb_TcpConnect brings all six channels up
  std::deque<int> startPhoneAppResults;  // then 0
  std::deque<int> startVtscResults;      // then 1
  int pushVtimResult = 0;
};

// Back to the default script, all channels closed, no calls, writes or queued bytes.
void Reset();
Script& GetScript();   // lock with Lock() while changing it from a running test
void Lock();
void Unlock();

void SetChannelConnected(int channel, bool connected);
void SetConnected(bool connected);
// The phone sends bytes on a channel: queued and the channel's data event set.
void QueueInbound(int channel, const std::vector<uint8_t>& bytes);

// Calls in order: "StartPhoneApp", "KillVtsc", "SetPushDir <dir>", "StartVtsc", "PushVtim <dir>",
// "TcpConnect", "TcpDisconnect <n>", "Shell <service>", "Init", "Close".
std::vector<std::string> Calls();
int CountCalls(const std::string& call);
// The bytes written to a channel, in order, concatenated.
std::vector<uint8_t> Written(int channel);
// The message types of the command frames written to channel 0 or 5, in order.
std::vector<uint32_t> WrittenCommandTypes(int channel);

// Runs on the calling engine thread after each call is recorded (outside the fake's lock).
void SetCallHook(std::function<void(const std::string& call)> hook);
// Runs after each write (channel, bytes of that write), outside the lock.
void SetWriteHook(std::function<void(int channel, const std::vector<uint8_t>& bytes)> hook);

}  // namespace fakelink
