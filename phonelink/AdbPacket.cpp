#include "phonelink/AdbPacket.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {
// The pooled blocks: those never handed out yet, from the front, and a stack of those given back.
// Constant-initialised, so a block can be taken before and after any constructor of the program.
struct PacketPool {
  std::mutex m_Lock;
  AdbPacket m_Blocks[AdbPacket::kPooledBlocks] = {};
  size_t m_nUsed = 0;
  AdbPacket* m_Returned[AdbPacket::kPooledBlocks] = {};
  size_t m_nReturnedCount = 0;

  bool Owns(const AdbPacket* p) const { return p >= m_Blocks && p < m_Blocks + AdbPacket::kPooledBlocks; }
};
PacketPool g_pool;

AdbPacket* TakePooled() {
  std::lock_guard<std::mutex> hold(g_pool.m_Lock);
  if (g_pool.m_nReturnedCount > 0) return g_pool.m_Returned[--g_pool.m_nReturnedCount];
  if (g_pool.m_nUsed < AdbPacket::kPooledBlocks) return &g_pool.m_Blocks[g_pool.m_nUsed++];
  return nullptr;
}

void PutLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
uint32_t GetLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

AdbPacket* AdbPacket::Alloc() {
  if (AdbPacket* p = TakePooled()) {
    p->Clear();
    return p;
  }
  return static_cast<AdbPacket*>(std::calloc(1, sizeof(AdbPacket)));
}

void AdbPacket::Release(AdbPacket* packet) {
  if (!g_pool.Owns(packet)) {
    std::free(packet);
    return;
  }
  std::lock_guard<std::mutex> hold(g_pool.m_Lock);
  // A block given back twice is taken once: it cannot be handed to two owners later.
  for (size_t i = 0; i < g_pool.m_nReturnedCount; ++i) {
    if (g_pool.m_Returned[i] == packet) return;
  }
  g_pool.m_Returned[g_pool.m_nReturnedCount++] = packet;
}

void AdbPacket::Complete() {
  magic = ~command;
  data_check = ByteSum(m_Data, data_length <= ADB_MAX_PAYLOAD ? data_length : ADB_MAX_PAYLOAD);
}

void AdbPacket::Clear() {
  std::memset(this, 0, sizeof(*this));
}

void AdbPacket::EncodeHeader(uint8_t out[ADB_HEADER_SIZE]) const {
  PutLe32(out + 0, command);
  PutLe32(out + 4, arg0);
  PutLe32(out + 8, arg1);
  PutLe32(out + 12, data_length);
  PutLe32(out + 16, data_check);
  PutLe32(out + 20, magic);
}

void AdbPacket::DecodeHeader(const uint8_t in[ADB_HEADER_SIZE]) {
  command = GetLe32(in + 0);
  arg0 = GetLe32(in + 4);
  arg1 = GetLe32(in + 8);
  data_length = GetLe32(in + 12);
  data_check = GetLe32(in + 16);
  magic = GetLe32(in + 20);
}

uint32_t AdbPacket::ByteSum(const uint8_t* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum += data[i];
  return sum;
}
