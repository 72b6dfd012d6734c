#include "bench/CBareDecoder.h"

#include "bench/CBenchReport.h"

#include <turbojpeg.h>

#include <time.h>

#include <chrono>
#include <thread>

const int CBareDecoder::kFlags =
    TJFLAG_BOTTOMUP | TJFLAG_FASTUPSAMPLE | TJFLAG_NOREALLOC | TJFLAG_FASTDCT | TJFLAG_ACCURATEDCT;

CBareDecoder::CBareDecoder(int width, int height)
    : m_pHandle(tjInitDecompress()),
      m_nWidth(width),
      m_nHeight(height),
      m_Buffer(static_cast<size_t>(width) * height * 4) {}

CBareDecoder::~CBareDecoder() {
  if (m_pHandle != nullptr) tjDestroy(m_pHandle);
}

bool CBareDecoder::Decode(const std::vector<uint8_t>& jpeg) {
  return DecodeInto(jpeg, m_Buffer.data(), m_nWidth * 4);
}

bool CBareDecoder::DecodeInto(const std::vector<uint8_t>& jpeg, uint8_t* dst, int pitch) {
  if (m_pHandle == nullptr || dst == nullptr) return false;
  return tjDecompress2(m_pHandle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), dst, m_nWidth, pitch,
                       m_nHeight, TJPF_BGRX, kFlags) == 0;
}

bool CBareDecoder::ReadHeader(const std::vector<uint8_t>& jpeg) {
  int width = 0, height = 0, subsamp = 0;
  return m_pHandle != nullptr &&
         tjDecompressHeader2(m_pHandle, const_cast<unsigned char*>(jpeg.data()),
                             static_cast<unsigned long>(jpeg.size()), &width, &height, &subsamp) == 0;
}

double CBareDecoder::MedianUs(const std::vector<std::vector<uint8_t>>& jpegs, int rounds) {
  for (const auto& j : jpegs) Decode(j);
  std::vector<double> samples;
  for (int r = 0; r < rounds; ++r) {
    for (const auto& j : jpegs) {
      const CBenchReport::Clock::time_point t0 = CBenchReport::Clock::now();
      Decode(j);
      samples.push_back(CBenchReport::SinceUs(t0));
    }
  }
  return CBenchReport::Median(samples);
}

double CBareDecoder::MedianAfterPauseUs(const std::vector<std::vector<uint8_t>>& jpegs, int pauseMs,
                                        size_t count) {
  std::vector<double> samples;
  for (size_t i = 0; i < count && !jpegs.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    const CBenchReport::Clock::time_point t0 = CBenchReport::Clock::now();
    Decode(jpegs[i % jpegs.size()]);
    samples.push_back(CBenchReport::SinceUs(t0));
  }
  return CBenchReport::Median(samples);
}

namespace {
double ThreadCpuUs() {
  timespec t = {};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}
}  // namespace

double CBareDecoder::CpuUsPerPicture(const std::vector<std::vector<uint8_t>>& jpegs, int rounds) {
  if (jpegs.empty() || rounds <= 0) return 0;
  for (const auto& j : jpegs) Decode(j);
  const double t0 = ThreadCpuUs();
  for (int r = 0; r < rounds; ++r) {
    for (const auto& j : jpegs) Decode(j);
  }
  return (ThreadCpuUs() - t0) / static_cast<double>(jpegs.size() * static_cast<size_t>(rounds));
}

double CBareDecoder::CpuUsAfterPause(const std::vector<std::vector<uint8_t>>& jpegs, int pauseMs,
                                     size_t count) {
  if (jpegs.empty() || count == 0) return 0;
  double us = 0;
  for (size_t i = 0; i < count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    const double t0 = ThreadCpuUs();
    Decode(jpegs[i % jpegs.size()]);
    us += ThreadCpuUs() - t0;
  }
  return us / static_cast<double>(count);
}

double CBareDecoder::PicturesPerSecond(const std::vector<std::vector<uint8_t>>& jpegs, double seconds) {
  if (jpegs.empty()) return 0;
  for (const auto& j : jpegs) Decode(j);
  const CBenchReport::Clock::time_point t0 = CBenchReport::Clock::now();
  size_t decoded = 0;
  double us = 0;
  while (us < seconds * 1e6) {
    for (const auto& j : jpegs) Decode(j);
    decoded += jpegs.size();
    us = CBenchReport::SinceUs(t0);
  }
  return static_cast<double>(decoded) * 1e6 / us;
}
