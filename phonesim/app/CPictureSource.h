#pragma once
// The pictures the phone app sends: JPEGs made with TurboJPEG, either a test
// pattern that carries the frame number or the JPEG files of a directory
// (sent as they are when their size is the announced one, else scaled to
// it). With pre-encoding, N pictures are made once per size and sent in a
// cycle, so that sending costs no encoding time.
//
// Test pattern of frame n at W x H: a top band of 24 cells, each W / 24
// pixels wide and max(8, H / 6) high, cell i white when bit 23 - i of n is
// set and black otherwise (the frame number, most significant bit first);
// below it the number in decimal digits and a colour ramp that moves with n.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace phonesim {

constexpr int APP_PATTERN_BITS = 24;
constexpr uint16_t APP_HUGE_SIDE = 65000;

class CPictureSource {
 public:
  CPictureSource();
  ~CPictureSource();
  CPictureSource(const CPictureSource&) = delete;
  CPictureSource& operator=(const CPictureSource&) = delete;

  // Loads *.jpg / *.jpeg of dir in name order; false when there is none
  // or one is not a JPEG. An empty dir goes back to the test pattern.
  bool SetDirectory(const std::string& dir, std::string* error);
  void SetPreEncode(int count);  // 0: encode each picture when it is sent
  void SetQuality(int quality);
  void Reset();  // test pattern, no pre-encoding, quality 80

  // The picture for frame number frame (1, 2, ...) at width x height.
  bool Picture(uint32_t frame, int width, int height, std::vector<uint8_t>* out);

  // A picture that is no good one: "truncated" (the picture of frame cut after half its
  // bytes), "huge" (a small JPEG whose frame header claims APP_HUGE_SIDE x APP_HUGE_SIDE) or
  // "tiny" (a whole JPEG of 1 x 1 pixel).
  bool BadPicture(const std::string& kind, uint32_t frame, int width, int height, std::vector<uint8_t>* out);

  // The test pattern's pixels (RGB, 3 bytes a pixel, rows top down).
  static void DrawPattern(uint32_t frame, int width, int height, std::vector<uint8_t>* rgb);

 private:
  bool Encode(const std::vector<uint8_t>& rgb, int width, int height, std::vector<uint8_t>* out);
  bool Make(uint32_t frame, int width, int height, std::vector<uint8_t>* out);  // m_Lock held

  std::mutex m_Lock;
  void* m_pCompressor = nullptr;
  void* m_pDecompressor = nullptr;
  int m_nQuality = 80;
  std::vector<std::vector<uint8_t>> m_Files;
  int m_nPreCount = 0;
  int m_nCacheW = 0, m_nCacheH = 0;
  std::vector<std::vector<uint8_t>> m_Cache;  // pre-encoded pictures, or files scaled to the cache size
};

}  // namespace phonesim
