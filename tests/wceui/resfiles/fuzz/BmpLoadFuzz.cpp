// The BMP and alpha-plane loader over any bytes. Input: one flag byte (bit 0: per-pixel alpha), a
// 16-bit little-endian length of the BMP part, the BMP bytes, then the alpha plane. A header the
// reader accepts must hold every pixel byte it promises; a loaded bitmap must have the header's
// size and depth, and a 565 plane must hold no alpha above 63.
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  wce::SetDebugSink([](const std::string&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const BOOL bPerPixelAlpha = data[0] & 1;
  size_t nBmpLen = data[1] | (static_cast<size_t>(data[2]) << 8);
  if (nBmpLen > size - 3) nBmpLen = size - 3;
  // Copies of exactly their sizes, so a read past either end is the sanitizer's to see.
  std::vector<BYTE> bmp(data + 3, data + 3 + nBmpLen);
  std::vector<BYTE> alpha(data + 3 + nBmpLen, data + size);

  BITMAPINFO info;
  const BYTE* pBits = nullptr;
  const BOOL bHeader = GetBitmapInfoFromBuffer(bmp.empty() ? nullptr : bmp.data(),
                                               static_cast<DWORD>(bmp.size()), &info, &pBits);
  if (!bHeader && pBits != nullptr) __builtin_trap();
  const BITMAPINFOHEADER& h = info.bmiHeader;
  if (bHeader) {
    const ULONGLONG nData = WceUiGetDibDataSize64(h.biWidth, h.biHeight, h.biBitCount);
    if (pBits < bmp.data() || static_cast<ULONGLONG>(bmp.data() + bmp.size() - pBits) < nData)
      __builtin_trap();
    volatile BYTE nSum = 0;
    for (ULONGLONG i = 0; i < nData; ++i) nSum = nSum ^ pBits[i];
  }

  std::unique_ptr<CWceUiGenericBitmap> p(WceUiLoadBmpFromBuffers(
      u"fuzz.bmp", bmp.empty() ? nullptr : bmp.data(), static_cast<DWORD>(bmp.size()), bPerPixelAlpha,
      u"fuzz.alpha", alpha.empty() ? nullptr : alpha.data(), static_cast<DWORD>(alpha.size())));
  if (!p) return 0;
  if (!bHeader || p->GetWidth() != h.biWidth || p->GetHeight() != h.biHeight ||
      p->GetBitsPixel() != h.biBitCount) {
    __builtin_trap();
  }
  if (h.biBitCount == 16 && p->HasPerPixelAlpha()) {
    // Blending a copy with itself reads every alpha; the plane keeps to 0..63.
    if (!p->AlphaBlend(0, 0, h.biWidth, h.biHeight, p.get(), 0, 0,
                       WceUiMakeBlendFunction(255, AC_SRC_ALPHA))) {
      __builtin_trap();
    }
  }
  return 0;
}
