// The yardstick of the decoding figures: tjDecompress2 of the linked libturbojpeg straight into a
// plain buffer, with the pixel format and flags the engine asks for (BGRX, bottom-up, fast
// upsampling and DCT), so that a ratio against it is the engine's own cost and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CBareDecoder {
 public:
  CBareDecoder(int width, int height);
  ~CBareDecoder();
  CBareDecoder(const CBareDecoder&) = delete;
  CBareDecoder& operator=(const CBareDecoder&) = delete;

  // The picture must be width x height (no scaling). false on any failure.
  bool Decode(const std::vector<uint8_t>& jpeg);
  // The same into another buffer of height rows of pitch bytes (the surface's memory, to tell
  // the cost of the destination from the cost of the code).
  bool DecodeInto(const std::vector<uint8_t>& jpeg, uint8_t* dst, int pitch);
  // tjDecompressHeader2 alone, as the engine calls it before each decode.
  bool ReadHeader(const std::vector<uint8_t>& jpeg);
  // Median microseconds of one Decode over rounds passes through the set (after a warm-up pass).
  double MedianUs(const std::vector<std::vector<uint8_t>>& jpegs, int rounds);
  // The same with the thread asleep for pauseMs before each decode, as a receive thread decodes
  // pictures that come at a frame rate: caches and clock of a thread that just woke.
  double MedianAfterPauseUs(const std::vector<std::vector<uint8_t>>& jpegs, int pauseMs, size_t count);
  // CPU time of this thread per picture, in microseconds, decoding the set back to back rounds
  // times (after a warm-up pass).
  double CpuUsPerPicture(const std::vector<std::vector<uint8_t>>& jpegs, int rounds);
  // The same with the thread asleep for pauseMs before each decode (as MedianAfterPauseUs).
  double CpuUsAfterPause(const std::vector<std::vector<uint8_t>>& jpegs, int pauseMs, size_t count);
  // Pictures per second decoded back to back through the set for at least seconds.
  double PicturesPerSecond(const std::vector<std::vector<uint8_t>>& jpegs, double seconds);

  // The last picture decoded: bottom-up BGRX rows of width * 4 bytes.
  const uint8_t* Bits() const { return m_Buffer.data(); }

  static const int kFlags;

 private:
  void* m_pHandle = nullptr;
  int m_nWidth;
  int m_nHeight;
  std::vector<uint8_t> m_Buffer;
};
