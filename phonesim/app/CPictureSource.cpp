#include "phonesim/app/CPictureSource.h"

#include <dirent.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace phonesim {

namespace {

// 3 x 5 digit glyphs, one row a 3-bit line, top row first.
const uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

constexpr size_t kMaxPictureFile = 16 * 1024 * 1024;

bool EndsWith(const std::string& s, const char* tail) {
  std::string t(tail);
  if (s.size() < t.size()) return false;
  std::string end = s.substr(s.size() - t.size());
  std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return std::tolower(c); });
  return end == t;
}

void Fill(std::vector<uint8_t>* rgb, int width, int x0, int y0, int x1, int y1, uint8_t r, uint8_t g,
          uint8_t b) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      uint8_t* p = rgb->data() + (static_cast<size_t>(y) * width + x) * 3;
      p[0] = r;
      p[1] = g;
      p[2] = b;
    }
}

// Rewrites the size in a JPEG's frame header (SOF0 to SOF2: FF C0..C2, length, precision,
// height, width, all big-endian); false when the markers before it do not hold together.
bool ClaimSize(std::vector<uint8_t>* jpeg, uint16_t width, uint16_t height) {
  std::vector<uint8_t>& b = *jpeg;
  size_t at = 2;  // past the start-of-image marker
  while (at + 9 <= b.size() && b[at] == 0xFF) {
    uint8_t marker = b[at + 1];
    size_t len = (static_cast<size_t>(b[at + 2]) << 8) | b[at + 3];
    if (marker >= 0xC0 && marker <= 0xC2) {
      b[at + 5] = static_cast<uint8_t>(height >> 8);
      b[at + 6] = static_cast<uint8_t>(height);
      b[at + 7] = static_cast<uint8_t>(width >> 8);
      b[at + 8] = static_cast<uint8_t>(width);
      return true;
    }
    if (len < 2) return false;
    at += 2 + len;
  }
  return false;
}

constexpr int kHugeSourceSide = 16;

}  // namespace

CPictureSource::CPictureSource() {
  m_pCompressor = tjInitCompress();
  m_pDecompressor = tjInitDecompress();
}

CPictureSource::~CPictureSource() {
  if (m_pCompressor) tjDestroy(m_pCompressor);
  if (m_pDecompressor) tjDestroy(m_pDecompressor);
}

void CPictureSource::Reset() {
  std::lock_guard<std::mutex> g(m_Lock);
  m_Files.clear();
  m_nPreCount = 0;
  m_nQuality = 80;
  m_Cache.clear();
  m_nCacheW = m_nCacheH = 0;
}

bool CPictureSource::SetDirectory(const std::string& dir, std::string* error) {
  std::vector<std::vector<uint8_t>> files;
  if (!dir.empty()) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
      if (error) *error = "cannot read the picture directory " + dir;
      return false;
    }
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (EndsWith(n, ".jpg") || EndsWith(n, ".jpeg")) names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    for (const auto& n : names) {
      std::ifstream in(dir + "/" + n, std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      int w = 0, h = 0, sub = 0, cs = 0;
      std::lock_guard<std::mutex> g(m_Lock);
      if (bytes.empty() || bytes.size() > kMaxPictureFile ||
          tjDecompressHeader3(m_pDecompressor, bytes.data(), static_cast<unsigned long>(bytes.size()), &w, &h,
                              &sub, &cs) != 0) {
        if (error) *error = "not a JPEG picture: " + dir + "/" + n;
        return false;
      }
      files.push_back(std::move(bytes));
    }
    if (files.empty()) {
      if (error) *error = "no .jpg or .jpeg file in " + dir;
      return false;
    }
  }
  std::lock_guard<std::mutex> g(m_Lock);
  m_Files = std::move(files);
  m_Cache.clear();
  m_nCacheW = m_nCacheH = 0;
  return true;
}

void CPictureSource::SetPreEncode(int count) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_nPreCount = std::max(0, count);
  m_Cache.clear();
  m_nCacheW = m_nCacheH = 0;
}

void CPictureSource::SetQuality(int quality) {
  std::lock_guard<std::mutex> g(m_Lock);
  m_nQuality = std::min(100, std::max(1, quality));
  m_Cache.clear();
  m_nCacheW = m_nCacheH = 0;
}

void CPictureSource::DrawPattern(uint32_t frame, int width, int height, std::vector<uint8_t>* rgb) {
  rgb->assign(static_cast<size_t>(width) * height * 3, 0);
  // The ramp: moves by 8 pixels a frame, so a frozen picture shows.
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = rgb->data() + (static_cast<size_t>(y) * width + x) * 3;
      uint32_t v = static_cast<uint32_t>(x + frame * 8);
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
      p[2] = static_cast<uint8_t>(255 - v);
    }
  int band = std::max(8, height / 6);
  int cell = width / APP_PATTERN_BITS;
  for (int i = 0; i < APP_PATTERN_BITS; ++i) {
    bool one = (frame >> (APP_PATTERN_BITS - 1 - i)) & 1u;
    uint8_t c = one ? 255 : 0;
    Fill(rgb, width, i * cell, 0, (i + 1) * cell, std::min(band, height), c, c, c);
  }
  // The number in digits on a black field below the band.
  std::string text = std::to_string(frame);
  int scale = std::max(1, height / 40);
  int x = scale * 2, y0 = band + scale * 2;
  int field_w = static_cast<int>(text.size()) * 4 * scale + scale * 3;
  if (y0 + 7 * scale > height || x + field_w > width) return;
  Fill(rgb, width, 0, band, std::min(width, field_w + x), std::min(height, y0 + 6 * scale), 0, 0, 0);
  for (char ch : text) {
    const uint8_t* g = kDigits[ch - '0'];
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 3; ++col)
        if ((g[row] >> (2 - col)) & 1)
          Fill(rgb, width, x + col * scale, y0 + row * scale, x + (col + 1) * scale, y0 + (row + 1) * scale,
               255, 255, 255);
    x += 4 * scale;
  }
}

bool CPictureSource::Encode(const std::vector<uint8_t>& rgb, int width, int height,
                            std::vector<uint8_t>* out) {
  if (m_pCompressor == nullptr) return false;
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  int rc = tjCompress2(m_pCompressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420,
                       m_nQuality, TJFLAG_FASTDCT);
  if (rc == 0) out->assign(jpeg, jpeg + size);
  if (jpeg) tjFree(jpeg);
  return rc == 0;
}

bool CPictureSource::Make(uint32_t frame, int width, int height, std::vector<uint8_t>* out) {
  std::vector<uint8_t> rgb;
  if (m_Files.empty()) {
    DrawPattern(frame, width, height, &rgb);
    return Encode(rgb, width, height, out);
  }
  const std::vector<uint8_t>& file = m_Files[(frame - 1) % m_Files.size()];
  int w = 0, h = 0, sub = 0, cs = 0;
  if (tjDecompressHeader3(m_pDecompressor, file.data(), static_cast<unsigned long>(file.size()), &w, &h, &sub,
                          &cs) != 0)
    return false;
  if (w == width && h == height) {
    *out = file;
    return true;
  }
  std::vector<uint8_t> src(static_cast<size_t>(w) * h * 3);
  if (tjDecompress2(m_pDecompressor, file.data(), static_cast<unsigned long>(file.size()), src.data(), w, 0,
                    h, TJPF_RGB, 0) != 0)
    return false;
  rgb.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* s = src.data() + (static_cast<size_t>(y * h / height) * w + x * w / width) * 3;
      std::copy(s, s + 3, rgb.data() + (static_cast<size_t>(y) * width + x) * 3);
    }
  return Encode(rgb, width, height, out);
}

bool CPictureSource::Picture(uint32_t frame, int width, int height, std::vector<uint8_t>* out) {
  if (width <= 0 || height <= 0 || frame == 0) return false;
  std::lock_guard<std::mutex> g(m_Lock);
  // Files are scaled once per size as well: each is decoded at most once.
  size_t cycle = m_nPreCount > 0 ? static_cast<size_t>(m_nPreCount) : m_Files.size();
  if (cycle == 0) return Make(frame, width, height, out);
  if (m_nCacheW != width || m_nCacheH != height) {
    m_Cache.clear();
    m_nCacheW = width;
    m_nCacheH = height;
  }
  size_t index = (frame - 1) % cycle;
  if (m_Cache.size() <= index) {
    // The whole cycle at once: from the first picture on, sending costs no encoding.
    while (m_Cache.size() < cycle) {
      std::vector<uint8_t> jpeg;
      if (!Make(static_cast<uint32_t>(m_Cache.size() + 1), width, height, &jpeg)) return false;
      m_Cache.push_back(std::move(jpeg));
    }
  }
  *out = m_Cache[index];
  return true;
}

bool CPictureSource::BadPicture(const std::string& kind, uint32_t frame, int width, int height,
                                std::vector<uint8_t>* out) {
  if (kind == "truncated") {
    if (!Picture(frame, width, height, out)) return false;
    out->resize(out->size() / 2);
    return true;
  }
  std::lock_guard<std::mutex> g(m_Lock);
  std::vector<uint8_t> rgb;
  if (kind == "tiny") {
    DrawPattern(frame, 1, 1, &rgb);
    return Encode(rgb, 1, 1, out);
  }
  if (kind == "huge") {
    DrawPattern(frame, kHugeSourceSide, kHugeSourceSide, &rgb);
    return Encode(rgb, kHugeSourceSide, kHugeSourceSide, out) && ClaimSize(out, APP_HUGE_SIDE, APP_HUGE_SIDE);
  }
  return false;
}

}  // namespace phonesim
