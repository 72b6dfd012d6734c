#include "phonelink/SyncImage.h"

#include <cstdio>
#include <cstring>

namespace SyncImage {

namespace {
void PutLe32(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
  v.push_back(static_cast<uint8_t>(x >> 16));
  v.push_back(static_cast<uint8_t>(x >> 24));
}
void PutText(std::vector<uint8_t>& v, const char* text, size_t n) {
  v.insert(v.end(), text, text + n);
}
}  // namespace

std::vector<uint8_t> Build(const char* header, const uint8_t* file, uint32_t fileSize, uint32_t mtime,
                           uint32_t tailZeros) {
  std::vector<uint8_t> image;
  size_t headerLength = std::strlen(header);
  if (headerLength < 12) return image;
  // "SEND" + L + path,mode + "DATA": L counts what stands between the length word and "DATA".
  uint32_t pathLength = static_cast<uint32_t>(headerLength - 12);
  image.reserve(headerLength + fileSize + 8 * (fileSize / kMaxDataRecord + 1) + 8 + tailZeros);
  PutText(image, "SEND", 4);
  PutLe32(image, pathLength);
  PutText(image, header + 8, pathLength);
  uint32_t done = 0;
  do {
    uint32_t record = fileSize - done;
    if (record > kMaxDataRecord) record = kMaxDataRecord;
    PutText(image, "DATA", 4);
    PutLe32(image, record);
    if (record) image.insert(image.end(), file + done, file + done + record);
    done += record;
  } while (done < fileSize);
  PutText(image, "DONE", 4);
  PutLe32(image, mtime);
  image.insert(image.end(), tailZeros, 0);
  return image;
}

void MakeHeader(char* out, size_t outSize, const char* remotePath) {
  std::snprintf(out, outSize, "SEND    %s,33206DATA", remotePath);
}

bool Slice(uint32_t imageLength, uint32_t index, uint32_t* offset, uint32_t* length, bool* last) {
  uint64_t start = static_cast<uint64_t>(kSlice) * index;
  if (start > imageLength) return false;
  *offset = static_cast<uint32_t>(start);
  if (start + kSlice <= imageLength) {
    *length = kSlice;
    *last = false;
  } else {
    *length = static_cast<uint32_t>(imageLength - start);
    *last = true;
  }
  return true;
}

}  // namespace SyncImage
