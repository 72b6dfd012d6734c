// An in-memory phone link for the tests of the engine and the application: every Corvane_Adb_*
// function of the flat interface, driven by a script the test sets up. Each channel has an open
// flag, the bytes the test feeds (what the phone sent) and the writes the engine made (one entry
// per Corvane_Adb_TcpWrite); every call that is not a read or a write is recorded by name.
// Reads are exact and never wait, as the real link's reads end: all n bytes, or 0 and nothing
// taken (too few buffered, or the channel closed).
//
// A program links either this (corvane_fake_phonelink) or the real link, never both.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace fakeadb {

struct Script {
  bool m_bConnected = true;                // CNXN received
  bool m_bTcpConnectOpensAll = true;       // Corvane_Adb_TcpConnect brings all six channels up
  std::deque<int> m_StartPhoneAppResults;  // then 0
  std::deque<int> m_StartVtscResults;      // then 1
  int m_nPushVtimResult = 0;
};

// Back to the default script, all channels closed, no calls, writes, hooks or buffered bytes.
void Reset();
Script& GetScript();  // lock with Lock() while changing it from a running test
void Lock();
void Unlock();

// CNXN received or not (Corvane_Adb_IsConnected).
void SetConnected(bool connected);
void SetChannelConnected(int channel, bool connected);
void SetAllConnected(bool connected);
// The phone sends bytes on a channel: buffered and the channel's data event set.
void Feed(int channel, const std::vector<uint8_t>& bytes);
size_t Buffered(int channel);

// Calls in order: "Init", "BeginClose", "Close", "SetUsbThreadPriority <n>", "SetPushDir <dir>", "TcpConnect",
// "TcpDisconnect <n>", "Shell <service>", "StartPhoneApp", "KillVtsc", "StartVtsc", "PushVtim <dir>".
std::vector<std::string> Calls();
int CountCalls(const std::string& call);

std::vector<std::vector<uint8_t>> Writes(int channel);
// Every write of the channel, one after the other.
std::vector<uint8_t> Written(int channel);
// The message types of the command frames written to channel 0 or 5, in order.
std::vector<uint32_t> WrittenCommandTypes(int channel);
void ClearWrites();
// The next write to the channel is refused and keeps nothing.
void FailNextWrite(int channel);

// Runs on the calling engine thread after each call is recorded (outside the fake's lock).
void SetCallHook(std::function<void(const std::string& call)> hook);
// The phone's answers to the head unit's protocol version (an empty match status) and encoder
// settings (800 x 480 at 10 frames a second) queued on channel 0 as the head unit writes each
// request's header; replaces the write hook.
void AnswerPhone(bool version, bool encoder);
// The same answer for one write, for a write hook of the test's own.
void AnswerWrite(int channel, const std::vector<uint8_t>& bytes, bool version, bool encoder);
// The message type of a command frame header written to channel 0; 0 for any other write.
uint32_t CommandType(int channel, const std::vector<uint8_t>& bytes);

// Runs after each write (channel, bytes of that write), outside the lock.
void SetWriteHook(std::function<void(int channel, const std::vector<uint8_t>& bytes)> hook);

}  // namespace fakeadb
