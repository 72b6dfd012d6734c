// An in-memory phone link for the engine's tests: each channel has an open flag, the bytes the
// test feeds (what the phone sent) and the writes the engine made (one entry per
// Corvane_Adb_TcpWrite). Reads are exact and never wait: a read of more than is buffered fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fakeadb {
void Reset();
void SetConnected(int channel, bool connected);
void SetAllConnected(bool connected);
void Feed(int channel, const std::vector<uint8_t>& bytes);
size_t Buffered(int channel);
std::vector<std::vector<uint8_t>> Writes(int channel);
// Every write of the channel, one after the other.
std::vector<uint8_t> Written(int channel);
void ClearWrites();
// The next write to the channel is refused (Corvane_Adb_TcpWrite still queues nothing).
void FailNextWrite(int channel);
std::vector<std::u16string> UnloadedDrivers();
}  // namespace fakeadb
