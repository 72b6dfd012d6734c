#include "bench/CBenchPictures.h"

#include "phonesim/app/CPictureSource.h"

#include <turbojpeg.h>

#include <algorithm>

CBenchPictures::Set CBenchPictures::Pattern(int count, int width, int height) {
  Set set{"pattern", {}};
  phonesim::CPictureSource source;
  for (int i = 1; i <= count; ++i) {
    std::vector<uint8_t> jpeg;
    if (source.Picture(static_cast<uint32_t>(i), width, height, &jpeg))
      set.m_Jpegs.push_back(std::move(jpeg));
  }
  return set;
}

CBenchPictures::Set CBenchPictures::Textured(int count, int width, int height) {
  Set set{"textured", {}};
  tjhandle compressor = tjInitCompress();
  if (compressor == nullptr) return set;
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  uint32_t seed = 12345;
  for (int i = 0; i < count; ++i) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 27) - 16;
        uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        p[0] = static_cast<uint8_t>(std::min(255, std::max(0, (x * 255 / width + i * 17) % 256 + noise)));
        p[1] = static_cast<uint8_t>(std::min(255, std::max(0, (y * 255 / height) + noise)));
        p[2] = static_cast<uint8_t>(std::min(255, std::max(0, ((x + y) * 2 + i * 31) % 256 - noise)));
      }
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 80, 0) ==
        0) {
      set.m_Jpegs.emplace_back(out, out + size);
    }
    if (out != nullptr) tjFree(out);
  }
  tjDestroy(compressor);
  return set;
}

size_t CBenchPictures::MeanSize(const Set& set) {
  if (set.m_Jpegs.empty()) return 0;
  size_t total = 0;
  for (const auto& j : set.m_Jpegs) total += j.size();
  return total / set.m_Jpegs.size();
}
