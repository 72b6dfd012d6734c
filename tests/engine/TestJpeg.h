// JPEG pictures made in the test with TurboJPEG's compressor: four coloured quadrants (top left
// red, top right green, bottom left blue, bottom right white) or one colour.
#pragma once

#include <turbojpeg.h>

#include <cstdint>
#include <vector>

struct Rgb {
  uint8_t m_nR, m_nG, m_nB;
};

inline std::vector<uint8_t> MakeJpeg(int width, int height, const Rgb* solid = nullptr) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgb c;
      if (solid != nullptr) {
        c = *solid;
      } else if (y < height / 2) {
        c = x < width / 2 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
      } else {
        c = x < width / 2 ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
      }
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = c.m_nR;
      p[1] = c.m_nG;
      p[2] = c.m_nB;
    }
  }
  tjhandle h = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  tjCompress2(h, rgb.data(), width, width * 3, height, TJPF_RGB, &out, &size, TJSAMP_444, 95, 0);
  std::vector<uint8_t> jpeg(out, out + size);
  tjFree(out);
  tjDestroy(h);
  return jpeg;
}

inline bool Near(int a, int b) {
  return a - b <= 24 && b - a <= 24;
}
