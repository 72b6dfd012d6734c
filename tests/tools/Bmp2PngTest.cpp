// tools/bmp2png.py run as a program on BMP files written here byte by byte: the PNG it writes is
// read back by a reader of this test's own (chunks, CRCs, zlib, every row filter), and every
// pixel equals the one the BMP's format gives, at each depth and row order.
#include "tests/tools/PythonToolFixture.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct SRgb {
  uint8_t r, g, b;
  bool operator==(const SRgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

void PutLe(std::vector<uint8_t>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A picture whose every column and row differs: no two neighbours share a channel value.
SRgb Source(int x, int y) {
  return SRgb{static_cast<uint8_t>(37 * x + 11 * y), static_cast<uint8_t>(200 - 23 * x + 5 * y),
              static_cast<uint8_t>(17 * x * y + 3 * x + 90)};
}

// A channel of `bits` bits widened to 8, rounded: the value scaled from its range to 0..255.
uint8_t Widen(uint32_t value, int bits) {
  const uint32_t top = (1u << bits) - 1;
  return static_cast<uint8_t>((value * 255 + top / 2) / top);
}

enum class EFormat { k565, k555, k24, k32 };

struct SBmp {
  std::vector<uint8_t> bytes;
  std::vector<SRgb> pixels;  // what the picture holds, top row first
};

// A BMP file of width x height in the format, its rows in file order bottom-up or top-down.
SBmp MakeBmp(EFormat format, int width, int height, bool topDown) {
  const int bits = format == EFormat::k24 ? 24 : format == EFormat::k32 ? 32 : 16;
  const bool masked = format == EFormat::k565;
  const uint32_t stride = (static_cast<uint32_t>(width * bits / 8) + 3) & ~3u;
  const uint32_t offset = 14 + 40 + (masked ? 12 : 0);
  SBmp bmp;
  std::vector<uint8_t>& f = bmp.bytes;
  f.push_back('B');
  f.push_back('M');
  PutLe(&f, offset + stride * height, 4);
  PutLe(&f, 0, 4);
  PutLe(&f, offset, 4);
  PutLe(&f, 40, 4);
  PutLe(&f, static_cast<uint32_t>(width), 4);
  PutLe(&f, static_cast<uint32_t>(topDown ? -height : height), 4);
  PutLe(&f, 1, 2);
  PutLe(&f, static_cast<uint32_t>(bits), 2);
  PutLe(&f, masked ? 3 : 0, 4);  // BI_BITFIELDS : BI_RGB
  PutLe(&f, stride * height, 4);
  for (int i = 0; i < 4; ++i) PutLe(&f, 0, 4);
  if (masked) {
    PutLe(&f, 0xF800, 4);
    PutLe(&f, 0x07E0, 4);
    PutLe(&f, 0x001F, 4);
  }
  bmp.pixels.resize(static_cast<size_t>(width * height));
  for (int row = 0; row < height; ++row) {
    const int y = topDown ? row : height - 1 - row;
    const size_t start = f.size();
    for (int x = 0; x < width; ++x) {
      const SRgb c = Source(x, y);
      SRgb& held = bmp.pixels[static_cast<size_t>(y * width + x)];
      if (format == EFormat::k565) {
        const uint32_t r = c.r >> 3, g = c.g >> 2, b = c.b >> 3;
        PutLe(&f, (r << 11) | (g << 5) | b, 2);
        held = SRgb{Widen(r, 5), Widen(g, 6), Widen(b, 5)};
      } else if (format == EFormat::k555) {
        const uint32_t r = c.r >> 3, g = c.g >> 3, b = c.b >> 3;
        PutLe(&f, (r << 10) | (g << 5) | b, 2);
        held = SRgb{Widen(r, 5), Widen(g, 5), Widen(b, 5)};
      } else {
        f.push_back(c.b);
        f.push_back(c.g);
        f.push_back(c.r);
        if (format == EFormat::k32) f.push_back(0xA5);  // unused: never a colour
        held = c;
      }
    }
    while (f.size() - start < stride) f.push_back(0xEE);  // row padding: never a colour
  }
  return bmp;
}

uint32_t GetBe(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// An 8-bit RGB PNG read as the format defines it; false with a reason in *why.
bool ReadPng(const std::vector<uint8_t>& png, int* width, int* height, std::vector<SRgb>* pixels,
             std::string* why) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || !std::equal(kSignature, kSignature + 8, png.begin()))
    return *why = "signature", false;
  std::vector<uint8_t> idat;
  bool ended = false;
  for (size_t at = 8; !ended;) {
    if (at + 12 > png.size()) return *why = "chunk cut short", false;
    const uint32_t length = GetBe(png, at);
    if (at + 12 + length > png.size()) return *why = "chunk length", false;
    const std::string type(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8);
    const uint8_t* body = png.data() + at + 8;
    const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), png.data() + at + 4, length + 4));
    if (crc != GetBe(png, at + 8 + length)) return *why = "CRC of " + type, false;
    if (type == "IHDR") {
      if (length != 13) return *why = "IHDR length", false;
      *width = static_cast<int>(GetBe(png, at + 8));
      *height = static_cast<int>(GetBe(png, at + 12));
      // depth 8, colour type 2 (RGB), deflate, filter method 0, no interlace
      if (body[8] != 8 || body[9] != 2 || body[10] != 0 || body[11] != 0 || body[12] != 0)
        return *why = "not 8-bit RGB", false;
    } else if (type == "IDAT") {
      idat.insert(idat.end(), body, body + length);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  const size_t rowBytes = static_cast<size_t>(*width) * 3;
  std::vector<uint8_t> raw((rowBytes + 1) * static_cast<size_t>(*height));
  uLongf rawSize = raw.size();
  if (uncompress(raw.data(), &rawSize, idat.data(), idat.size()) != Z_OK || rawSize != raw.size())
    return *why = "zlib data", false;
  std::vector<uint8_t> prior(rowBytes, 0);
  std::vector<uint8_t> row(rowBytes);
  pixels->clear();
  for (int y = 0; y < *height; ++y) {
    const uint8_t* in = raw.data() + static_cast<size_t>(y) * (rowBytes + 1);
    const uint8_t filter = in[0];
    for (size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= 3 ? row[i - 3] : 0;
      const int b = prior[i];
      const int c = i >= 3 ? prior[i - 3] : 0;
      int predicted = 0;
      switch (filter) {
        case 0:
          predicted = 0;
          break;
        case 1:
          predicted = a;
          break;
        case 2:
          predicted = b;
          break;
        case 3:
          predicted = (a + b) / 2;
          break;
        case 4:
          predicted = Paeth(a, b, c);
          break;
        default:
          return *why = "filter type " + std::to_string(filter), false;
      }
      row[i] = static_cast<uint8_t>(in[1 + i] + predicted);
    }
    for (size_t i = 0; i < rowBytes; i += 3) pixels->push_back(SRgb{row[i], row[i + 1], row[i + 2]});
    prior = row;
  }
  return true;
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class Bmp2Png : public PythonToolFixture {
 protected:
  Bmp2Png() : PythonToolFixture(BMP2PNG_PATH) {}
};

TEST_F(Bmp2Png, EveryPixelOfEachFormatAndRowOrderComesThrough) {
  const struct {
    const char* name;
    EFormat format;
    int width, height;
    bool topDown;
  } cases[] = {
      {"565 bottom-up", EFormat::k565, 7, 5, false},
      {"565 top-down", EFormat::k565, 6, 3, true},
      {"555", EFormat::k555, 5, 4, false},
      {"24 bits, padded rows", EFormat::k24, 5, 4, false},
      {"32 bits bottom-up", EFormat::k32, 9, 6, false},
      {"32 bits top-down", EFormat::k32, 4, 7, true},
      {"one pixel", EFormat::k32, 1, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SBmp bmp = MakeBmp(c.format, c.width, c.height, c.topDown);
    const fs::path in = m_dir / "in.bmp";
    const fs::path out = m_dir / "in.png";
    WriteFile(in, bmp.bytes);
    fs::remove(out);
    ASSERT_EQ(Run(in.string()), 0);
    EXPECT_EQ(Output(), out.string() + "\n");
    int width = 0;
    int height = 0;
    std::vector<SRgb> pixels;
    std::string why;
    ASSERT_TRUE(ReadPng(ReadFile(out), &width, &height, &pixels, &why)) << why;
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    ASSERT_EQ(pixels.size(), bmp.pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
      ASSERT_TRUE(pixels[i] == bmp.pixels[i])
          << "pixel " << i % c.width << "," << i / c.width << ": " << int(pixels[i].r) << " "
          << int(pixels[i].g) << " " << int(pixels[i].b) << " for " << int(bmp.pixels[i].r) << " "
          << int(bmp.pixels[i].g) << " " << int(bmp.pixels[i].b);
    }
  }
}

TEST_F(Bmp2Png, ManyFilesGoIntoADirectoryUnderTheirOwnNames) {
  fs::create_directories(m_dir / "png");
  const fs::path a = m_dir / "a.bmp";
  const fs::path b = m_dir / "b.bmp";
  WriteFile(a, MakeBmp(EFormat::k565, 3, 2, false).bytes);
  WriteFile(b, MakeBmp(EFormat::k32, 2, 3, true).bytes);
  ASSERT_EQ(Run(a.string() + " " + b.string() + " -d " + (m_dir / "png").string()), 0);
  EXPECT_EQ(Output(), (m_dir / "png" / "a.png").string() + "\n" + (m_dir / "png" / "b.png").string() + "\n");
  for (const char* name : {"a.png", "b.png"}) {
    SCOPED_TRACE(name);
    int width = 0;
    int height = 0;
    std::vector<SRgb> pixels;
    std::string why;
    EXPECT_TRUE(ReadPng(ReadFile(m_dir / "png" / name), &width, &height, &pixels, &why)) << why;
  }
}

TEST_F(Bmp2Png, AMissingDirectoryIsMadeAndAFileInItsPlaceFails) {
  const fs::path in = m_dir / "a.bmp";
  WriteFile(in, MakeBmp(EFormat::k32, 3, 2, false).bytes);
  std::ofstream(m_dir / "taken") << "not a directory";
  const struct {
    const char* dir;
    int status;
  } cases[] = {
      {"new", 0},
      {"newer/and/deeper", 0},
      {"taken", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir);
    const fs::path dir = m_dir / c.dir;
    ASSERT_EQ(Run(in.string() + " -d " + dir.string()), c.status) << Text(m_dir / "err");
    if (c.status != 0) {
      EXPECT_EQ(Output(), "");
      EXPECT_FALSE(fs::is_directory(dir));
      continue;
    }
    EXPECT_EQ(Output(), (dir / "a.png").string() + "\n");
    int width = 0;
    int height = 0;
    std::vector<SRgb> pixels;
    std::string why;
    EXPECT_TRUE(ReadPng(ReadFile(dir / "a.png"), &width, &height, &pixels, &why)) << why;
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
  }
}

TEST_F(Bmp2Png, WhatItCannotReadFailsWithoutAPicture) {
  std::vector<uint8_t> cut = MakeBmp(EFormat::k32, 4, 4, false).bytes;
  cut.resize(cut.size() - 5);
  std::vector<uint8_t> rle = MakeBmp(EFormat::k32, 4, 4, false).bytes;
  rle[30] = 1;  // BI_RLE8
  std::vector<uint8_t> eightBits = MakeBmp(EFormat::k32, 4, 4, false).bytes;
  eightBits[28] = 8;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"not a BMP", {'P', 'K', 3, 4, 0, 0, 0, 0}},
      {"pixels cut short", cut},
      {"compressed", rle},
      {"a palette", eightBits},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(m_dir / "bad.bmp", c.bytes);
    EXPECT_EQ(Run((m_dir / "bad.bmp").string()), 1);
    EXPECT_FALSE(fs::exists(m_dir / "bad.png"));
  }
  EXPECT_EQ(Run((m_dir / "missing.bmp").string()), 1);
}

TEST_F(Bmp2Png, BadArgumentsAreAUsageError) {
  for (const char* args : {"", "-d", "--help", "a.bmp -d"}) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Run(args), 2);
  }
}

}  // namespace
