// The real program, CECorvane, as a child process against phonesim, at each screen size of the
// head units it runs on. For each:
//   (p)   last byte of a picture sent by phonesim until the program has it on its window's pixels
//         (the moment its draw callback ends), median minus a bare decode of the very same JPEGs;
//   (p')  the whole program's CPU time (every thread: link, receive threads, decode, drawing, the
//         UI) per picture shown, over the bare decode's CPU time per picture;
//   (p'') the program's resident memory while it projects (the largest of samples taken through
//         the run).
// A moment is matched to the newest picture whose last byte went out before it: the program
// reads every complete picture in a read step and shows the last, so that is the one shown as
// long as a picture takes less than the phone's frame interval to reach the screen.
#include "bench/CBareDecoder.h"
#include "bench/CBenchProgram.h"
#include "bench/CBenchReport.h"
#include "bench/CVideoStreams.h"

#include "platform/kernel/kernel.h"

#include <algorithm>
#include <map>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Settings {
  int m_nFps = 30;
  int m_nSeconds = 10;
};

struct Screen {
  int m_nWidth;
  int m_nHeight;
};
const Screen kScreens[] = {{800, 480}, {1024, 600}};

const int kStartMs = 60000;
// Resident memory is sampled this often while the pictures are counted.
const DWORD kSampleMs = 100;
// Pictures sent this long before the counting began may be the first ones shown in it.
const int64_t kSentBeforeUs = 1000000;
const int kBareRounds = 5;
// The program's video thread decodes a picture after sleeping until it came: at 30 a second,
// about this long.
const int kPauseBeforeDecodeMs = 30;
const size_t kPausedDecodes = 60;

// The CPU time each thread of the program spent between two readings, per picture, largest first.
std::string ByThread(const std::map<int, double>& before, const std::map<int, double>& after,
                     double pictures) {
  std::vector<double> us;
  for (const auto& [tid, seconds] : after) {
    auto was = before.find(tid);
    const double spent = seconds - (was != before.end() ? was->second : 0);
    if (spent > 0) us.push_back(spent * 1e6 / pictures);
  }
  std::sort(us.rbegin(), us.rend());
  std::string text;
  for (double u : us) text += CBenchReport::Format(" %.0f", u);
  return text.empty() ? " none measurable" : text;
}

void MeasureScreen(const Screen& screen, const Settings& s) {
  const std::string size = std::to_string(screen.m_nWidth) + "x" + std::to_string(screen.m_nHeight);
  std::printf("(p) CECorvane at %s, 32 bits, phonesim at %d pictures a second, %d s\n", size.c_str(),
              s.m_nFps, s.m_nSeconds);
  CBenchProgram program;
  phonesim::SPhoneAppOptions app;
  app.m_nFps = s.m_nFps;
  std::string error;
  if (!program.Start(screen.m_nWidth, screen.m_nHeight, app, kStartMs, &error)) {
    CBenchReport::Note("the program did not come up: " + error);
    return;
  }
  // A second of projection first: the first pictures' decoder and surface set-up are not counted.
  Sleep(1000);
  const int64_t fromPhoneUs = program.Phone().Record().NowUs();
  const uint64_t shown0 = program.Shown().Count();
  const double cpu0 = program.CpuSeconds();
  const std::map<int, double> threads0 = program.ThreadCpuSeconds();
  const double t0 = CBenchReport::NowSeconds();
  double residentKb = 0;
  while (CBenchReport::NowSeconds() - t0 < s.m_nSeconds) {
    Sleep(kSampleMs);
    residentKb = std::max(residentKb, program.StatusKb("VmRSS"));
  }
  const double cpu1 = program.CpuSeconds();
  const std::map<int, double> threads1 = program.ThreadCpuSeconds();
  const uint64_t shown1 = program.Shown().Count();
  const double seconds = CBenchReport::NowSeconds() - t0;
  const double peakKb = program.StatusKb("VmHWM");
  const double threads = program.StatusKb("Threads");
  std::vector<int64_t> moments;
  for (uint64_t n = shown0; n < shown1; ++n) moments.push_back(program.Shown().At(n));
  // The pictures whose last byte left before the last moment have reached phonesim's records.
  const std::vector<CVideoStreams::Stream> streams = CVideoStreams::Read(program.Phone());
  const std::vector<CVideoStreams::Picture> sent =
      CVideoStreams::Pictures(streams, fromPhoneUs - kSentBeforeUs);
  // The phone's writes while counting: each is a wake-up of the link's threads and the video thread.
  double writes = 0, bytes = 0;
  for (const CVideoStreams::Stream& stream : streams) {
    for (size_t i = 0; i < stream.m_SentAt.size(); ++i) {
      if (stream.m_SentAt[i] < fromPhoneUs) continue;
      ++writes;
      bytes += static_cast<double>(stream.m_Ends[i] - (i == 0 ? 0 : stream.m_Ends[i - 1]));
    }
  }
  program.Stop();

  std::vector<int64_t> lastByte;
  for (const CVideoStreams::Picture& p : sent) lastByte.push_back(program.PhoneToSteadyUs(p.m_nLastByteUs));
  std::vector<size_t> order(sent.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return lastByte[a] < lastByte[b]; });
  std::vector<int64_t> sortedLastByte;
  for (size_t i : order) sortedLastByte.push_back(lastByte[i]);

  std::vector<double> latency;
  std::vector<std::vector<uint8_t>> jpegs;
  size_t matchedTwice = 0;
  size_t previous = sent.size();
  for (int64_t at : moments) {
    auto it = std::upper_bound(sortedLastByte.begin(), sortedLastByte.end(), at);
    if (it == sortedLastByte.begin()) continue;
    const size_t k = static_cast<size_t>(it - sortedLastByte.begin()) - 1;
    if (k == previous) ++matchedTwice;
    previous = k;
    latency.push_back(static_cast<double>(at - sortedLastByte[k]));
    jpegs.push_back(sent[order[k]].m_Jpeg);
  }
  if (latency.empty()) {
    CBenchReport::Note("no picture shown was matched to one the phone sent");
    return;
  }

  CBareDecoder bare(screen.m_nWidth, screen.m_nHeight);
  const double decodeUs = bare.MedianUs(jpegs, kBareRounds);
  const double decodeCpuUs = bare.CpuUsPerPicture(jpegs, kBareRounds);
  const double pausedCpuUs = bare.CpuUsAfterPause(jpegs, kPauseBeforeDecodeMs, kPausedDecodes);
  const double pausedUs = bare.MedianAfterPauseUs(jpegs, kPauseBeforeDecodeMs, kPausedDecodes);
  const double median = CBenchReport::Median(latency);
  const double shown = static_cast<double>(moments.size());
  const double programCpuUs = cpu0 >= 0 && cpu1 >= 0 && shown > 0 ? (cpu1 - cpu0) * 1e6 / shown : -1;

  CBenchReport::Result("p", "last-byte-to-pixels-median-" + size, median, "us", "");
  CBenchReport::Result("p", "last-byte-to-pixels-minus-bare-decode-" + size, median - decodeUs, "us",
                       "<=500");
  CBenchReport::Result("p", "last-byte-to-pixels-minus-decode-after-30ms-asleep-" + size, median - pausedUs,
                       "us", "");
  if (programCpuUs > 0 && decodeCpuUs > 0) {
    CBenchReport::Result("p'", "program-cpu-per-picture/bare-decode-" + size, programCpuUs / decodeCpuUs,
                         "ratio", "<=1.3");
  } else {
    CBenchReport::Note("the program's CPU time could not be read from /proc");
  }
  if (residentKb > 0) {
    CBenchReport::Result("p''", "resident-while-projecting-" + size, residentKb / 1024, "MiB", "<=48");
  }
  CBenchReport::Note(
      CBenchReport::Format("%.0f pictures shown in %.2f s (%.0f matched, %.0f matched to the picture "
                           "before them too); p99 last byte -> pixels %.0f us",
                           shown, seconds, static_cast<double>(latency.size()),
                           static_cast<double>(matchedTwice), CBenchReport::Percentile(latency, 0.99)));
  CBenchReport::Note(CBenchReport::Format(
      "bare decode of the same JPEGs: median %.0f us (%.0f us after 30 ms asleep), CPU %.0f us "
      "a picture; the program: CPU %.0f us a shown picture, %.1f%% of one CPU",
      decodeUs, pausedUs, decodeCpuUs, programCpuUs, (cpu1 - cpu0) * 100 / seconds));
  if (pausedCpuUs > 0 && programCpuUs > 0) {
    CBenchReport::Note(
        CBenchReport::Format("over the bare decode's CPU after %.0f ms asleep (%.0f us a picture, caches and "
                             "clock of a thread that just woke, as the program's video thread): %.2f",
                             kPauseBeforeDecodeMs, pausedCpuUs, programCpuUs / pausedCpuUs));
  }
  CBenchReport::Note(
      CBenchReport::Format("the phone wrote %.1f WRTEs a shown picture, %.0f bytes each (mean)",
                           writes / shown, writes > 0 ? bytes / writes : 0));
  CBenchReport::Note("CPU us a shown picture, by thread, most first:" + ByThread(threads0, threads1, shown));
  CBenchReport::Note(
      CBenchReport::Format("resident memory: %.1f MiB at most while counted, peak of the run %.1f MiB; "
                           "%.0f threads",
                           residentKb / 1024, peakKb / 1024, threads));
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  if (argc > 1 && std::string(argv[1]) == "--quick") s.m_nSeconds = 3;
  for (const Screen& screen : kScreens) MeasureScreen(screen, s);
  return 0;
}
