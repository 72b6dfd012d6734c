// The BMP reader over any bytes: a buffer it accepts must hold every pixel byte it promises, and
// a 16-bit picture's alpha plane size must stay within what those pixels imply.
#include "resources/WceUiBitmapFiles.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so a read past its end is the sanitizer's to see.
  std::vector<BYTE> buffer(data, data + size);
  BITMAPINFO info;
  const BYTE* pBits = nullptr;
  if (!GetBitmapInfoFromBuffer(buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(size), &info,
                               &pBits)) {
    if (pBits != nullptr) __builtin_trap();
    return 0;
  }
  const BITMAPINFOHEADER& h = info.bmiHeader;
  const ULONGLONG nData = WceUiGetDibDataSize64(h.biWidth, h.biHeight, h.biBitCount);
  if (pBits < buffer.data() || static_cast<ULONGLONG>(buffer.data() + size - pBits) < nData) __builtin_trap();
  volatile BYTE nSum = 0;
  for (ULONGLONG i = 0; i < nData; ++i) nSum = nSum ^ pBits[i];
  if (h.biBitCount == 16 && WceUiGetAlphaPlaneSize64(h.biWidth, h.biHeight) > nData) __builtin_trap();
  return 0;
}
