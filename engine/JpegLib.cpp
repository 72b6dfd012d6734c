#include "engine/JpegLib.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/DibBmp.h"
#include "engine/EngineLog.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/library.h"
#include "platform/user/user.h"
#include "platform/kernel/KernelHooks.h"
#include "services/ProgramDir.h"

#include <algorithm>
#include <vector>

namespace {
const int kPixelFormatBGR = 0;   // TJPF_BGR
const int kPixelFormatBGRX = 3;  // TJPF_BGRX
const int kFlagBottomUp = 2;     // TJFLAG_BOTTOMUP
// BOTTOMUP | FASTUPSAMPLE | NOREALLOC | FASTDCT | ACCURATEDCT
const int kDecodeFlags = 7426;

TurboJpegTable& Table() {
  return g_CorvaneEngineSession.m_Picture.m_Jpeg;
}

HMODULE Open(const std::u16string& name, const std::string& found) {
  HMODULE module = LoadLibraryW(name.c_str());
  if (module != nullptr) Table().m_strPath = found;
  return module;
}

template <class Fn>
bool Resolve(Fn* fn, LPCWSTR name) {
  *fn = reinterpret_cast<Fn>(GetProcAddressW(Table().m_hModule, name));
  return *fn != nullptr;
}

// TurboJPEG leaves its decompressor in the middle of a picture when it fails on one (the header
// reader returns without aborting it), and every later call on that handle then fails the same way:
// after a failure the handle is replaced, so a bad picture costs that picture alone.
void DestroyDecompressor() {
  if (Table().m_pDecompressor != nullptr && Table().tjDestroy != nullptr)
    Table().tjDestroy(Table().m_pDecompressor);
  Table().m_pDecompressor = nullptr;
}

void ReplaceDecompressor() {
  if (Table().m_pDecompressor == nullptr) return;
  DestroyDecompressor();
  DecJpg_CreateDecompressor();
}

// Scaled size TurboJPEG gives for the factor n/8.
int Scaled(int dim, int n) {
  return (dim * n + 7) / 8;
}
}  // namespace

int DecJpg_Init() {
  if (Table().m_hModule != nullptr) return 0;
  const std::u16string dir(static_cast<LPCWSTR>(GetProgramDir()));
  const std::u16string libjpeg = dir + u"\\libjpeg.dll", cximage = dir + u"\\cximagelib.dll";
  Table().m_hModule = Open(libjpeg, wce::HostPath(libjpeg));
  if (Table().m_hModule == nullptr) Table().m_hModule = Open(cximage, wce::HostPath(cximage));
  // Neither beside the program: the system's own TurboJPEG.
  if (Table().m_hModule == nullptr) Table().m_hModule = Open(u"libturbojpeg.so.0", "libturbojpeg.so.0");
  if (Table().m_hModule == nullptr) {
    EngineLog("####### DecJpg_Init %d \n", 0);
    return 0;
  }
  // In this order; the library stays loaded when one is missing.
  if (!Resolve(&Table().tjInitDecompress, u"tjInitDecompress")) return 0;
  if (!Resolve(&Table().tjDestroy, u"tjDestroy")) return 0;
  if (!Resolve(&Table().tjDecompress2, u"tjDecompress2")) return 0;
  if (!Resolve(&Table().tjDecompressHeader2, u"tjDecompressHeader2")) return 0;
  if (!Resolve(&Table().tjDecompressHeader, u"tjDecompressHeader")) return 0;
  EngineLog("####### DecJpg_Init %d \n", 1);
  return 1;
}

int DecJpg_CreateDecompressor() {
  if (Table().m_pDecompressor != nullptr) return 1;
  if (Table().tjInitDecompress == nullptr) return 0;
  Table().m_pDecompressor = Table().tjInitDecompress();
  return Table().m_pDecompressor != nullptr ? 1 : 0;
}

void DecJpg_Deinit() {
  // The handle belongs to the library's code: it must go before the library does, or a later
  // decode would run through an unloaded library.
  DestroyDecompressor();
  if (Table().m_hModule != nullptr) FreeLibrary(Table().m_hModule);
  Table() = TurboJpegTable();
}

std::string DecJpg_LoadedPath() {
  return Table().m_hModule != nullptr ? Table().m_strPath : std::string();
}

int InitJpgLib() {
  DibBmp::GetScreenBitDepth();
  int r = DecJpg_Init();
  if (!r) {
    EngineLog(" Load Jpg Lib Error  ( %d )  \r\n", r);
    return 0;
  }
  r = DecJpg_CreateDecompressor();
  if (!r) {
    EngineLog(" Init Jpg Lib Error  ( %d )  \r\n", r);
    return 0;
  }
  DibBmp::GetInstance().CreateDibBmp(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  return 1;
}

void UninitJpgLib() {
  DecJpg_Deinit();
  DibBmp::GetInstance().DestroyDibBmp();
}

void GetDecodedSize(int* width, int* height) {
  if (width) *width = g_CorvaneEngineSession.m_Picture.m_nDecodedWidth;
  if (height) *height = g_CorvaneEngineSession.m_Picture.m_nDecodedHeight;
}

BYTE* DecodeJpgToSurface(const BYTE* jpeg, DWORD size, int width, int height) {
  DibBmp& surface = DibBmp::GetInstance();
  BYTE* bits = surface.GetBits();
  if (Table().m_pDecompressor == nullptr || bits == nullptr || jpeg == nullptr || size == 0 || width <= 0 ||
      height <= 0) {
    EngineLog(" DeCode Mem Picture Error  ( %d )  \r\n", -1);
    return nullptr;
  }
  int jpegWidth = 0, jpegHeight = 0, subsamp = 0;
  if (Table().tjDecompressHeader2(Table().m_pDecompressor, const_cast<unsigned char*>(jpeg), size, &jpegWidth,
                                  &jpegHeight, &subsamp) != 0 ||
      jpegWidth <= 0 || jpegHeight <= 0) {
    EngineLog(" DeCode Mem Picture Error  ( %d )  \r\n", -1);
    ReplaceDecompressor();
    return nullptr;
  }
  // Never more than the surface holds: the picture is scaled down by the largest factor n/8 that
  // fits both the announced size and the surface, as TurboJPEG itself chooses it.
  const int fitWidth = std::min(width, surface.GetWidth());
  const int fitHeight = std::min(height, surface.GetHeight());
  int n = 8;
  while (n > 0 && (Scaled(jpegWidth, n) > fitWidth || Scaled(jpegHeight, n) > fitHeight)) --n;
  if (n == 0) {
    EngineLog(" DeCode Mem Picture Error  ( %d )  \r\n", -2);
    return nullptr;
  }
  const int w = Scaled(jpegWidth, n);
  const int h = Scaled(jpegHeight, n);
  const int stride = surface.GetStride();
  int r;
  if (surface.GetMode() == DibBmp::kMode16) {
    std::vector<BYTE> scratch(static_cast<size_t>(w) * h * 4);
    r = Table().tjDecompress2(Table().m_pDecompressor, jpeg, size, scratch.data(), w, w * 4, h,
                              kPixelFormatBGRX, kDecodeFlags & ~kFlagBottomUp);
    if (r == 0) {
      // Picture row y goes to the surface's row y counted from the top of a bottom-up DIB.
      for (int y = 0; y < h; ++y) {
        const BYTE* src = scratch.data() + static_cast<size_t>(y) * w * 4;
        BYTE* dst = bits + static_cast<size_t>(surface.GetHeight() - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
          uint16_t px =
              static_cast<uint16_t>(((src[2] & 0xF8) << 8) | ((src[1] & 0xFC) << 3) | (src[0] >> 3));
          dst[2 * x] = static_cast<BYTE>(px);
          dst[2 * x + 1] = static_cast<BYTE>(px >> 8);
          src += 4;
        }
      }
    }
  } else {
    // Bottom-up output starting h rows below the surface's top lands the picture at the top left.
    BYTE* dst = bits + static_cast<size_t>(surface.GetHeight() - h) * stride;
    int format = surface.GetMode() == DibBmp::kMode24 ? kPixelFormatBGR : kPixelFormatBGRX;
    r = Table().tjDecompress2(Table().m_pDecompressor, jpeg, size, dst, w, stride, h, format, kDecodeFlags);
  }
  if (r != 0) {
    EngineLog(" DeCode Mem Picture Error  ( %d )  \r\n", r);
    ReplaceDecompressor();
    return nullptr;
  }
  g_CorvaneEngineSession.m_Picture.m_nDecodedWidth = w;
  g_CorvaneEngineSession.m_Picture.m_nDecodedHeight = h;
  return bits;
}
