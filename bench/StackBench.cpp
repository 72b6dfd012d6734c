// (b), (c), (d) and the whole-stack side of (e): phonesim and the engine in one process over the
// TCP USB backend (see CBenchStack). Times on the phone side come from phonesim's records; times
// on the head-unit side from the video receiver's draw callback and from the touch's post. Each
// figure is also given as a ratio or difference against a floor measured in the same run.
//   (d) touch to bytes at phonesim: a WM_LBUTTONDOWN/UP posted to the engine's window until
//       phonesim has read the WRTE carrying the touch package on channel 5 (and, besides, until
//       the phone app has parsed it); (d') its median over the bare touch road (CBareTouchRoad),
//       one pass of which runs after every touch.
//   (b) last byte of a picture sent by phonesim (the WRTE carrying the picture's end) until the
//       surface shows it (draw callback), against a bare decode of the very same JPEGs (b').
//   (c) pictures per second reaching the surface with the phone unthrottled and pre-encoding;
//       (c') over the bare single-thread decode rate of the very same JPEGs.
//   (e') allocations per picture of the stack's steady state at 30 pictures a second: the link's
//       USB reader with the ring, the video receive thread with its read steps and decodes, and
//       the draw callback; libturbojpeg's own mallocs, counted on a bare decode of the same
//       JPEGs, are left out.
#include "bench/CAllocCounter.h"
#include "bench/CBareDecoder.h"
#include "bench/CBareTouchRoad.h"
#include "bench/CBenchReport.h"
#include "bench/CBenchStack.h"
#include "bench/CVideoStreams.h"

#include "phonelink/CorvaneAdb.h"
#include "phonesim/adb/CAdbPacket.h"
#include "platform/kernel/kernel.h"
#include "platform/user/user.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {
const int kWidth = 800;
const int kHeight = 480;
const int kTouchChannel = 5;

struct Settings {
  int m_nFps = 30;
  int m_nTouches = 200;
  int m_nLatencySeconds = 10;
  int m_nRateSeconds = 5;
};

// The video thread decodes a picture after sleeping until it came: at 30 a second, about this long.
const int kPauseBeforeDecodeMs = 30;
const size_t kPausedDecodes = 60;
// How long the bare decode rate of the pictures sent unthrottled is measured.
const double kBareRateSeconds = 1.5;

size_t TouchCount(phonesim::CPhoneApp& app, int64_t* lastTimeUs) {
  size_t n = 0;
  for (const phonesim::SAppRxRecord& r : app.Received()) {
    if (r.m_nChannel != kTouchChannel) continue;
    ++n;
    *lastTimeUs = r.m_nTimeUs;
  }
  return n;
}

// The WRTEs the host sent on the stream of the given port: phone-side times and payload lengths.
struct HostWriteLog {
  std::vector<int64_t> m_Times;
  std::vector<uint32_t> m_Lengths;
};

HostWriteLog HostWrites(phonesim::CPhoneSim& phone, const std::string& port) {
  HostWriteLog log;
  std::vector<uint32_t> ids;
  for (const phonesim::SStreamRecord& stream : phone.Record().Streams()) {
    const std::string& svc = stream.m_strService;
    if (svc.size() > port.size() && svc.compare(svc.size() - port.size(), port.size(), port) == 0) {
      ids.push_back(stream.m_nDeviceId);
    }
  }
  for (const phonesim::SPacketRecord& p : phone.Record().Packets()) {
    if (p.m_bFromHost && p.m_nCommand == phonesim::A_WRTE &&
        std::find(ids.begin(), ids.end(), p.m_nArg1) != ids.end()) {
      log.m_Times.push_back(p.m_nTimeUs);
      log.m_Lengths.push_back(p.m_nDataLength);
    }
  }
  return log;
}

// Posts a touch to the engine's window and waits (up to a second) until the phone app parsed it.
// The phone-side time of the parse in *parsedUs; false when it did not come.
bool PostTouch(CBenchStack& stack, int i, size_t* seen, int64_t* parsedUs) {
  phonesim::CPhoneApp& app = stack.Phone().App();
  const UINT msg = i % 2 == 0 ? WM_LBUTTONDOWN : WM_LBUTTONUP;
  const int x = 100 + (i * 7) % 600;
  const int y = 100 + (i * 13) % 300;
  PostMessageW(stack.Window(), msg, 0, static_cast<LPARAM>((y << 16) | x));
  size_t now = *seen;
  app.WaitFor([&] { return (now = TouchCount(app, parsedUs)) > *seen; }, 1000);
  const bool came = now > *seen;
  *seen = now;
  return came;
}

void TouchToPhone(CBenchStack& stack, const Settings& s) {
  std::printf("(d) touch to bytes at phonesim, %d touches (down and up in turn), pictures at %d a second\n",
              s.m_nTouches, s.m_nFps);
  phonesim::CPhoneApp& app = stack.Phone().App();
  struct Touch {
    int64_t m_nPostUs, m_nDispatchUs, m_nReturnUs, m_nParsedUs;
  };
  std::vector<Touch> touches;
  int64_t last = 0;
  size_t seen = TouchCount(app, &last);
  // A pressed and released touch first, not counted: the floor writes as many bytes as it took.
  for (int i = 0; i < 2; ++i) PostTouch(stack, i, &seen, &last);
  const HostWriteLog warm = HostWrites(stack.Phone(), ":9340");
  CBareTouchRoad floor(warm.m_Lengths.empty() ? 0 : warm.m_Lengths.back());
  std::string error;
  const bool haveFloor = !warm.m_Lengths.empty() && floor.Start(&error);
  std::vector<double> bare, bareToWindow;
  for (int i = 0; i < s.m_nTouches; ++i) {
    const int64_t t0 = CBenchReport::NowUs();
    if (PostTouch(stack, i, &seen, &last)) {
      touches.push_back(Touch{t0, CBenchStack::LastTouchDispatchUs(), CBenchStack::LastTouchReturnUs(),
                              stack.PhoneToSteadyUs(last)});
    }
    // Touches land at varied points of the picture cycle; a pass of the floor between them.
    Sleep(static_cast<DWORD>(1 + i % 4));
    if (haveFloor) {
      double toWindow = 0;
      const double us = floor.Pass(&toWindow);
      if (us >= 0) {
        bare.push_back(us);
        bareToWindow.push_back(toWindow);
      }
    }
    Sleep(static_cast<DWORD>(2 + i % 5));
  }
  floor.Stop();
  const HostWriteLog writes = HostWrites(stack.Phone(), ":9340");
  std::vector<double> total, bytes, queue, handler, toPhone, inPhone;
  for (const Touch& t : touches) {
    total.push_back(static_cast<double>(t.m_nParsedUs - t.m_nPostUs));
    queue.push_back(static_cast<double>(t.m_nDispatchUs - t.m_nPostUs));
    handler.push_back(static_cast<double>(t.m_nReturnUs - t.m_nDispatchUs));
    // The WRTE that carried it: the host's last one on the touch stream before the app had it.
    auto w = std::upper_bound(writes.m_Times.begin(), writes.m_Times.end(),
                              t.m_nParsedUs - stack.PhoneToSteadyUs(0));
    if (w != writes.m_Times.begin()) {
      const int64_t arrived = stack.PhoneToSteadyUs(*(w - 1));
      bytes.push_back(static_cast<double>(arrived - t.m_nPostUs));
      toPhone.push_back(static_cast<double>(arrived - t.m_nDispatchUs));
      inPhone.push_back(static_cast<double>(t.m_nParsedUs - arrived));
    }
  }
  const double median = CBenchReport::Median(bytes);
  const double floorMedian = CBenchReport::Median(bare);
  CBenchReport::Result("d", "touch-to-bytes-at-phonesim-median", median, "us", "<=200");
  CBenchReport::Result("d", "touch-to-bytes-at-phonesim-p99", CBenchReport::Percentile(bytes, 0.99), "us",
                       "");
  CBenchReport::Result("d", "touch-to-app-parsed-median", CBenchReport::Median(total), "us", "");
  if (floorMedian > 0) {
    CBenchReport::Result("d'", "touch-to-bytes-median/bare-touch-road", median / floorMedian, "ratio",
                         "<=1.3");
  } else {
    CBenchReport::Note("no floor for the touch figure: " +
                       (haveFloor ? std::string("no pass came through") : error));
  }
  CBenchReport::Note(CBenchReport::Format("%.0f of %.0f touches reached the phone",
                                          static_cast<double>(touches.size()), s.m_nTouches));
  CBenchReport::Note(CBenchReport::Format(
      "bare touch road (two wake-ups, a %.0f-byte header and a %.0f-byte payload written on "
      "loopback TCP, read by a thread in poll): median %.0f us, p99 %.0f us; medians: post -> "
      "second thread %.0f us, second thread -> bytes read %.0f us",
      24, warm.m_Lengths.empty() ? 0 : warm.m_Lengths.back(), floorMedian,
      CBenchReport::Percentile(bare, 0.99), CBenchReport::Median(bareToWindow), CBenchReport::Median([&] {
        std::vector<double> rest;
        for (size_t k = 0; k < bare.size(); ++k) rest.push_back(bare[k] - bareToWindow[k]);
        return rest;
      }())));
  CBenchReport::Note(CBenchReport::Format(
      "medians: post -> window procedure %.0f us; engine handler (scale, send) %.0f us; "
      "window procedure -> WRTE read by phonesim %.0f us; WRTE -> phone app parsed it %.0f us",
      CBenchReport::Median(queue), CBenchReport::Median(handler), CBenchReport::Median(toPhone),
      CBenchReport::Median(inPhone)));
  CBenchReport::Note(CBenchReport::Format(
      "p99: post -> window procedure %.0f us; window procedure -> WRTE read by phonesim %.0f us",
      CBenchReport::Percentile(queue, 0.99), CBenchReport::Percentile(toPhone, 0.99)));
}

// The pictures whose last byte went out after fromUs (phone time), by the frame number their
// pattern carries.
std::map<uint32_t, CVideoStreams::Picture> SentPictures(const std::vector<CVideoStreams::Stream>& logs,
                                                        int64_t fromUs) {
  std::map<uint32_t, CVideoStreams::Picture> out;
  CBareDecoder decoder(kWidth, kHeight);
  for (CVideoStreams::Picture& pic : CVideoStreams::Pictures(logs, fromUs)) {
    if (decoder.Decode(pic.m_Jpeg)) {
      out[CBenchStack::ReadPatternFrame(decoder.Bits(), kHeight, kWidth * 4)] = std::move(pic);
    }
  }
  return out;
}

// The phone's WRTEs on the video stream between two phone times: how many, their mean size, and
// the median time from one going out to the host's OKAY of it being read back.
void WriteTurnaround(const std::vector<CVideoStreams::Stream>& logs, int64_t fromUs, int64_t toUs,
                     size_t* count, double* meanBytes, double* medianUs) {
  std::vector<double> turnaround;
  size_t bytes = 0;
  *count = 0;
  for (const CVideoStreams::Stream& log : logs) {
    for (size_t i = 0; i < log.m_SentAt.size(); ++i) {
      if (log.m_SentAt[i] < fromUs || log.m_SentAt[i] > toUs) continue;
      ++*count;
      bytes += log.m_Ends[i] - (i == 0 ? 0 : log.m_Ends[i - 1]);
      if (i < log.m_OkayAt.size())
        turnaround.push_back(static_cast<double>(log.m_OkayAt[i] - log.m_SentAt[i]));
    }
  }
  *meanBytes = *count != 0 ? static_cast<double>(bytes) / static_cast<double>(*count) : 0;
  *medianUs = CBenchReport::Median(turnaround);
}

// The allocation counts of the stack's threads over one counting window.
struct AllocSnapshot {
  double m_fNews[CAllocCounter::kParts] = {};
  double m_fMallocs[CAllocCounter::kParts] = {};

  static AllocSnapshot Take() {
    AllocSnapshot a;
    for (int p = 0; p < CAllocCounter::kParts; ++p) {
      a.m_fNews[p] = static_cast<double>(CAllocCounter::News(p));
      a.m_fMallocs[p] = static_cast<double>(CAllocCounter::Mallocs(p));
    }
    return a;
  }
};

// What libturbojpeg allocates by itself for one picture of the set: header and decode, as the
// engine calls them, counted on the benchmark's thread.
double LibraryMallocsPerPicture(const std::vector<std::vector<uint8_t>>& jpegs) {
  if (jpegs.empty()) return 0;
  CBareDecoder bare(kWidth, kHeight);
  CAllocCounter::CountThisThread(CBenchStack::kAllocBench);
  CAllocCounter::Start();
  for (const auto& j : jpegs) {
    bare.ReadHeader(j);
    bare.Decode(j);
  }
  CAllocCounter::Stop();
  return static_cast<double>(CAllocCounter::Mallocs(CBenchStack::kAllocBench)) /
         static_cast<double>(jpegs.size());
}

// (e') over a window in which pictures were shown.
void AllocationsPerPicture(const AllocSnapshot& a, double pictures, double libPerPicture,
                           const std::string& id, const std::string& when, const std::string& target) {
  if (pictures <= 0) return;
  const double video = a.m_fMallocs[CBenchStack::kAllocVideo] / pictures - libPerPicture;
  const double paint = a.m_fMallocs[CBenchStack::kAllocPaint] / pictures;
  const double reader = a.m_fMallocs[CBenchStack::kAllocReader] / pictures;
  // libturbojpeg's count varies by a malloc now and then: the video thread's share is not below 0.
  const double total = std::max(0.0, video) + paint + reader;
  CBenchReport::Result(id, "whole-stack-allocations/picture-" + when, total, "allocs", target);
  CBenchReport::Note(CBenchReport::Format(
      "per picture: link's USB reader and ring %.2f (operator new %.2f); video thread %.2f "
      "(operator new %.2f) beyond libturbojpeg's %.2f; draw callback %.2f",
      reader, a.m_fNews[CBenchStack::kAllocReader] / pictures, std::max(0.0, video),
      a.m_fNews[CBenchStack::kAllocVideo] / pictures, libPerPicture, paint));
  CBenchReport::Note(
      CBenchReport::Format("besides: below the reader's ReadFile (driver and USB host stack) %.2f a picture "
                           "(operator new %.2f)",
                           a.m_fMallocs[CBenchStack::kAllocBelowRead] / pictures,
                           a.m_fNews[CBenchStack::kAllocBelowRead] / pictures));
}

void PictureLatency(CBenchStack& stack, const Settings& s) {
  std::printf("(b) last byte sent by phonesim to surface updated, %d pictures a second for %d s\n", s.m_nFps,
              s.m_nLatencySeconds);
  const int64_t fromPhoneUs = stack.Phone().Record().NowUs();
  stack.ClearShown();
  CAllocCounter::Start();
  Sleep(static_cast<DWORD>(s.m_nLatencySeconds * 1000));
  CAllocCounter::Stop();
  const AllocSnapshot allocs = AllocSnapshot::Take();
  const std::vector<CBenchStack::Shown> shown = stack.ShownPictures();
  Sleep(300);
  const std::map<uint32_t, CVideoStreams::Picture> sent =
      SentPictures(CVideoStreams::Read(stack.Phone()), fromPhoneUs - 1000000);

  std::vector<double> total, toOkay, okayToShown;
  std::vector<std::vector<uint8_t>> jpegs;
  for (const CBenchStack::Shown& p : shown) {
    auto it = sent.find(p.m_nFrame);
    if (it == sent.end()) continue;
    total.push_back(static_cast<double>(p.m_nTimeUs - stack.PhoneToSteadyUs(it->second.m_nLastByteUs)));
    if (it->second.m_nOkayUs != 0) {
      toOkay.push_back(static_cast<double>(it->second.m_nOkayUs - it->second.m_nLastByteUs));
      okayToShown.push_back(static_cast<double>(p.m_nTimeUs - stack.PhoneToSteadyUs(it->second.m_nOkayUs)));
    }
    jpegs.push_back(it->second.m_Jpeg);
  }
  CBareDecoder bare(kWidth, kHeight);
  const double decode = bare.MedianUs(jpegs, 5);
  const double paused = bare.MedianAfterPauseUs(jpegs, kPauseBeforeDecodeMs, kPausedDecodes);
  const double median = CBenchReport::Median(total);
  CBenchReport::Result("b", "last-byte-to-surface-median", median, "us", "");
  CBenchReport::Result("b", "last-byte-to-surface-p99", CBenchReport::Percentile(total, 0.99), "us", "");
  CBenchReport::Result("b", "median-minus-bare-decode", median - decode, "us", "<=500");
  CBenchReport::Result("b'", "last-byte-to-surface-median-minus-bare-decode", median - decode, "us", "<=200");
  CBenchReport::Result("b'", "median-minus-bare-decode-after-30ms-asleep", median - paused, "us", "");
  CBenchReport::Note(CBenchReport::Format(
      "%.0f pictures shown, %.0f matched to the phone's; bare decode of the same JPEGs %.0f us "
      "(median, back to back), %.0f us (median, each after %.0f ms asleep)",
      static_cast<double>(shown.size()), static_cast<double>(total.size()), decode, paused,
      kPauseBeforeDecodeMs));
  CBenchReport::Note(CBenchReport::Format(
      "medians: last byte -> the host's OKAY of that WRTE read by phonesim %.0f us, "
      "that OKAY -> surface %.0f us (negative when the OKAY came back after the surface update)",
      CBenchReport::Median(toOkay), CBenchReport::Median(okayToShown)));
  if (!shown.empty()) {
    const double n = static_cast<double>(shown.size());
    const double videoThread =
        allocs.m_fMallocs[CBenchStack::kAllocVideo] + allocs.m_fMallocs[CBenchStack::kAllocPaint];
    CBenchReport::Result("e",
                         "whole-stack-video-thread-mallocs/picture-at-" + std::to_string(s.m_nFps) + "fps",
                         videoThread / n, "allocs", "");
    CBenchReport::Note(CBenchReport::Format(
        "of which operator new %.2f, in the engine's draw callback (painting) %.2f; the rest "
        "is libturbojpeg's",
        (allocs.m_fNews[CBenchStack::kAllocVideo] + allocs.m_fNews[CBenchStack::kAllocPaint]) / n,
        allocs.m_fMallocs[CBenchStack::kAllocPaint] / n));
    AllocationsPerPicture(allocs, n, LibraryMallocsPerPicture(jpegs), "e'",
                          "at-" + std::to_string(s.m_nFps) + "fps", "==0");
  }
}

// The distinct JPEGs of the pictures whose last byte went out between two phone times.
std::vector<std::vector<uint8_t>> PicturesSentBetween(const std::vector<CVideoStreams::Stream>& logs,
                                                      int64_t fromUs, int64_t toUs) {
  std::map<uint32_t, CVideoStreams::Picture> sent = SentPictures(logs, fromUs);
  std::vector<std::vector<uint8_t>> jpegs;
  for (auto& [frame, picture] : sent) {
    if (picture.m_nLastByteUs > toUs) continue;
    if (std::find(jpegs.begin(), jpegs.end(), picture.m_Jpeg) == jpegs.end())
      jpegs.push_back(std::move(picture.m_Jpeg));
  }
  return jpegs;
}

void PictureRate(CBenchStack& stack, const Settings& s) {
  std::printf("(c) pictures per second through the whole stack, phonesim unthrottled, %dx%d, %d s\n", kWidth,
              kHeight, s.m_nRateSeconds);
  phonesim::CPhoneApp& app = stack.Phone().App();
  app.SetPreEncode(32);
  app.SetUnthrottled(true);
  Sleep(1000);
  const size_t sent0 = app.Pictures().size();
  const uint64_t shown0 = stack.ShownCount();
  const int64_t fromPhoneUs = stack.Phone().Record().NowUs();
  const double t0 = CBenchReport::NowSeconds();
  CAllocCounter::Start();
  Sleep(static_cast<DWORD>(s.m_nRateSeconds * 1000));
  CAllocCounter::Stop();
  const AllocSnapshot allocs = AllocSnapshot::Take();
  const double seconds = CBenchReport::NowSeconds() - t0;
  const double shown = static_cast<double>(stack.ShownCount() - shown0);
  const double sent = static_cast<double>(app.Pictures().size() - sent0);
  const int64_t toPhoneUs = stack.Phone().Record().NowUs();
  app.SetUnthrottled(false);
  const std::vector<CVideoStreams::Stream> logs = CVideoStreams::Read(stack.Phone());
  const std::vector<std::vector<uint8_t>> jpegs = PicturesSentBetween(logs, fromPhoneUs, toPhoneUs);
  // The floor with the phone back at its frame rate, on this thread alone.
  Sleep(300);
  CBareDecoder bare(kWidth, kHeight);
  const double bareRate = bare.PicturesPerSecond(jpegs, kBareRateSeconds);
  CBenchReport::Result("c", "pictures-per-second-shown", shown / seconds, "pictures/s", ">=300");
  CBenchReport::Result("c", "pictures-per-second-sent", sent / seconds, "pictures/s", "");
  if (bareRate > 0) {
    CBenchReport::Result("c'", "pictures-per-second-shown/bare-decode-rate", shown / seconds / bareRate,
                         "ratio", ">=0.85");
  }
  CBenchReport::Note(CBenchReport::Format(
      "%.0f sent, %.0f shown in %.2f s; bare single-thread decode of the %.0f distinct JPEGs sent: "
      "%.0f pictures/s",
      sent, shown, seconds, static_cast<double>(jpegs.size()), bareRate));
  size_t writes = 0;
  double meanBytes = 0, turnaround = 0;
  WriteTurnaround(logs, fromPhoneUs, toPhoneUs, &writes, &meanBytes, &turnaround);
  CBenchReport::Note(CBenchReport::Format(
      "%.0f WRTEs of %.0f bytes mean (%.1f a picture sent); WRTE out -> host's OKAY read by "
      "phonesim %.0f us (median): one WRTE in flight per stream",
      static_cast<double>(writes), meanBytes, sent > 0 ? static_cast<double>(writes) / sent : 0, turnaround));
  if (shown > 0) {
    const double videoThread =
        allocs.m_fMallocs[CBenchStack::kAllocVideo] + allocs.m_fMallocs[CBenchStack::kAllocPaint];
    CBenchReport::Result("e", "whole-stack-video-thread-mallocs/picture", videoThread / shown, "allocs", "");
    CBenchReport::Note(CBenchReport::Format(
        "video receive thread, all mallocs incl. libturbojpeg's (8 a picture in bench_alloc); "
        "operator new %.2f/picture; in the engine's draw callback (painting the window) "
        "%.2f mallocs, %.2f operator new /picture",
        (allocs.m_fNews[CBenchStack::kAllocVideo] + allocs.m_fNews[CBenchStack::kAllocPaint]) / shown,
        allocs.m_fMallocs[CBenchStack::kAllocPaint] / shown,
        allocs.m_fNews[CBenchStack::kAllocPaint] / shown));
    AllocationsPerPicture(allocs, shown, LibraryMallocsPerPicture(jpegs), "e'", "unthrottled", "");
  }
}

// Allocations of the calls the video receive thread makes at every wake-up, made here on a
// counted thread against the live link: where the per-picture allocations come from.
void WakeUpAllocations() {
  const int n = 100;
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  CAllocCounter::CountThisThread(CBenchStack::kAllocBench);
  struct Call {
    const char* m_pszName;
    void (*m_pfnFn)(HANDLE);
  };
  const Call calls[] = {
      {"SetEvent+WaitForSingleObject",
       [](HANDLE e) {
         SetEvent(e);
         WaitForSingleObject(e, 300);
       }},
      {"WaitForSingleObject timing out", [](HANDLE e) { WaitForSingleObject(e, 0); }},
      {"Corvane_Adb_GetChannelDataSize", [](HANDLE) { Corvane_Adb_GetChannelDataSize(1); }},
      {"Corvane_Adb_IsChannelConnected", [](HANDLE) { Corvane_Adb_IsChannelConnected(1); }},
  };
  std::string line = "allocations per call:";
  for (const Call& c : calls) {
    CAllocCounter::Start();
    for (int i = 0; i < n; ++i) c.m_pfnFn(event);
    CAllocCounter::Stop();
    line += CBenchReport::Format(" %.2f",
                                 static_cast<double>(CAllocCounter::Mallocs(CBenchStack::kAllocBench)) / n) +
            " " + c.m_pszName + ";";
  }
  CloseHandle(event);
  CBenchReport::Note(line);
}
}  // namespace

int main(int argc, char** argv) {
  Settings s;
  if (argc > 1 && std::string(argv[1]) == "--quick") {
    s.m_nTouches = 40;
    s.m_nLatencySeconds = 3;
    s.m_nRateSeconds = 2;
  }
  CBenchStack stack;
  std::string error;
  phonesim::SPhoneAppOptions app;
  app.m_nFps = s.m_nFps;
  if (!stack.Start(app, 30000, &error)) {
    std::printf("bench_stack: the stack did not come up: %s\n", error.c_str());
    stack.Stop();
    return 0;
  }
  TouchToPhone(stack, s);
  PictureLatency(stack, s);
  PictureRate(stack, s);
  WakeUpAllocations();
  stack.Stop();
  return 0;
}
