// (f) The audio decoder's feeder: bytes per second it copies into the decoder's FIFO when the
// decoder consumes everything at once, against a bare memcpy of the same bytes into a ring of the
// same size in the same run; and what the feeder does while nothing is queued (it must not wake).
#include "bench/CBenchReport.h"

#include "decoder/lumadec.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/msdkcore/msdkrecord.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

const DWORD kAacCodec = 2;
const DWORD kFifo = msdk::kMsdkDefaultAfifoSize;
const size_t kBufferBytes = 12288;  // one block at 48 kHz
const int kRounds = 5;

std::mutex g_lock;
std::condition_variable g_done;
size_t g_nDone = 0;
size_t g_nAwaited = 0;  // the waiter is woken only at this count, not by every buffer

void OnDone(DWORD_PTR, UINT, ADEC_BUFFER*, DWORD, DWORD) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (++g_nDone == g_nAwaited) g_done.notify_all();
}

bool WaitDone(size_t count) {
  std::unique_lock<std::mutex> guard(g_lock);
  g_nAwaited = count;
  return g_done.wait_for(guard, std::chrono::seconds(60), [&] { return g_nDone >= count; });
}

double CpuSeconds() {
  timespec ts = {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The floor: the same bytes, buffer by buffer, into a ring of the FIFO's size, as the feeder
// copies them when the decoder keeps the whole FIFO free (at most up to the ring's end each time).
double BareSeconds(const std::vector<BYTE>& source, std::vector<BYTE>* ring) {
  const auto start = CBenchReport::Clock::now();
  size_t at = 0;
  for (size_t off = 0; off < source.size(); off += kBufferBytes) {
    size_t left = std::min(kBufferBytes, source.size() - off);
    const BYTE* from = source.data() + off;
    while (left > 0) {
      const size_t n = std::min(left, ring->size() - at);
      std::memcpy(ring->data() + at, from, n);
      at = (at + n) % ring->size();
      from += n;
      left -= n;
    }
  }
  return CBenchReport::SinceUs(start) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  const size_t total = (quick ? 64u : 256u) << 20;
  wce::SetDebugSink([](const std::string&) {});
  msdk::MsdkSetAfifoSize(kFifo);
  std::vector<BYTE> source(total);
  for (size_t i = 0; i < total; ++i) source[i] = static_cast<BYTE>(i * 13 + i / 4093);
  std::vector<ADEC_BUFFER> bufs(total / kBufferBytes);
  for (size_t i = 0; i < bufs.size(); ++i)
    bufs[i] = {source.data() + i * kBufferBytes, static_cast<DWORD>(kBufferBytes), nullptr};
  const size_t bytes = bufs.size() * kBufferBytes;

  ADEC_INSTANCE inst = ADec_CreateInstance(0, OnDone, kAacCodec);
  if (inst == nullptr) {
    std::fprintf(stderr, "bench_feeder: no decoder instance\n");
    return 0;
  }
  const AVD_HANDLE h = msdk::MsdkCallsOf("AVDecoder_CreateInstance").back().hDecoder;
  msdk::MsdkSetRecording(false);
  msdk::MsdkSetDrain(h, msdk::Drain::kOnWrite, false);

  std::vector<BYTE> ring(kFifo);
  std::vector<double> feeder, bare;
  for (int round = 0; round < kRounds; ++round) {
    size_t before = 0;
    {
      std::lock_guard<std::mutex> guard(g_lock);
      before = g_nDone;
    }
    const auto start = CBenchReport::Clock::now();
    for (ADEC_BUFFER& b : bufs) ADec_WriteData(inst, &b);
    if (!WaitDone(before + bufs.size())) {
      std::fprintf(stderr, "bench_feeder: the feeder did not finish\n");
      return 0;
    }
    feeder.push_back(bytes / (CBenchReport::SinceUs(start) * 1e-6));
    bare.push_back(bytes / BareSeconds(source, &ring));
  }
  const double feederRate = CBenchReport::Median(feeder);
  const double bareRate = CBenchReport::Median(bare);
  CBenchReport::Result("f", "feeder_bytes_per_s", feederRate / 1e6, "MB/s", "");
  CBenchReport::Result("f'", "feeder_over_bare_memcpy", feederRate / bareRate, "ratio", ">=0.8");
  CBenchReport::Note("floor: bare memcpy into a " + std::to_string(kFifo / 1024) + " KiB ring, " +
                     std::to_string(static_cast<int>(bareRate / 1e6)) + " MB/s; " +
                     std::to_string(bytes >> 20) + " MiB in " + std::to_string(kBufferBytes) +
                     "-byte buffers, median of " + std::to_string(kRounds) + " rounds");

  // Idle: nothing queued. Every decoder call the feeder makes is recorded; there must be none.
  msdk::MsdkSetRecording(true);
  const size_t callsBefore = msdk::MsdkCalls().size();
  const double cpuBefore = CpuSeconds();
  const double idleSeconds = quick ? 0.5 : 2.0;
  std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
  const double cpu = CpuSeconds() - cpuBefore;
  const size_t idleCalls = msdk::MsdkCalls().size() - callsBefore;
  CBenchReport::Result("f", "feeder_idle_wakeups_per_s", idleCalls / idleSeconds, "1/s", "==0");
  CBenchReport::Result("f", "process_cpu_while_idle", cpu / idleSeconds * 1000.0, "ms/s", "");

  // Paused with a full FIFO: the feeder looks for room every few milliseconds, no more.
  ADec_Pause(inst);
  msdk::MsdkSetDrain(h, msdk::Drain::kByHand, false);
  for (size_t i = 0; i < 16; ++i) ADec_WriteData(inst, &bufs[i]);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const size_t pausedBefore = msdk::MsdkCallsOf("AVDecoder_GetWritePoint").size();
  const double pausedCpuBefore = CpuSeconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
  const double pausedCpu = CpuSeconds() - pausedCpuBefore;
  const size_t polls = msdk::MsdkCallsOf("AVDecoder_GetWritePoint").size() - pausedBefore;
  CBenchReport::Result("f", "feeder_polls_per_s_paused_full", polls / idleSeconds, "1/s", "");
  CBenchReport::Result("f", "process_cpu_paused_full", pausedCpu / idleSeconds * 1000.0, "ms/s", "");
  ADec_ReleaseInstance(inst);
  return 0;
}
