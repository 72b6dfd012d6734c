#include "engine/DibBmp.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/EngineLog.h"
#include "platform/kernel/CsLock.h"

#include <cstring>

namespace {
// A 16-bit surface is RGB565, which the DIB section takes as three colour masks.
struct BitmapInfo565 {
  BITMAPINFOHEADER m_Header;
  DWORD m_dwMasks[3];
};
}  // namespace

DibBmp& DibBmp::GetInstance() {
  return g_CorvaneEngineSession.m_Picture.m_Surface;
}

DibBmp::DibBmp() {
  std::memset(&m_Bmi, 0, sizeof(m_Bmi));
  InitializeCriticalSection(&m_cs);
}

int DibBmp::GetBitCount() const {
  switch (m_nMode) {
    case kMode24:
      return 24;
    case kMode16:
      return 16;
    default:
      return 32;
  }
}

int DibBmp::GetStride() const {
  return ((m_nWidth * GetBitCount() + 31) / 32) * 4;
}

HBITMAP DibBmp::CreateDibBmp(int width, int height) {
  DestroyDibBmp();
  if (width <= 0 || height <= 0) return nullptr;
  std::memset(&m_Bmi, 0, sizeof(m_Bmi));
  BITMAPINFOHEADER& h = m_Bmi.bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  m_nWidth = width;
  m_nHeight = height;
  h.biBitCount = static_cast<WORD>(GetBitCount());
  h.biCompression = BI_RGB;
  m_Bmi.bmiColors[0].rgbBlue = 0xFF;
  m_Bmi.bmiColors[0].rgbGreen = 0xFF;
  m_Bmi.bmiColors[0].rgbRed = 0xFF;
  m_Bmi.bmiColors[0].rgbReserved = 0;
  m_nBitSize = h.biBitCount * width * height;

  void* bits = nullptr;
  if (m_nMode == kMode16) {
    BitmapInfo565 info;
    info.m_Header = h;
    info.m_Header.biCompression = BI_BITFIELDS;
    info.m_dwMasks[0] = 0xF800;
    info.m_dwMasks[1] = 0x07E0;
    info.m_dwMasks[2] = 0x001F;
    m_hBitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                 nullptr, 0);
  } else {
    m_hBitmap = CreateDIBSection(nullptr, &m_Bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  m_pBits = static_cast<BYTE*>(bits);
  if (m_pBits != nullptr) {
    HDC display = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
    m_hdcMem = CreateCompatibleDC(display);
    if (m_hdcMem != nullptr) m_hOldbmp = SelectObject(m_hdcMem, m_hBitmap);
    if (display != nullptr) DeleteDC(display);
  } else {
    m_nWidth = 0;
    m_nHeight = 0;
  }
  EngineLog(" CreateibBmp  Handle=0x%x  \n", LogHex(m_hBitmap));
  return m_hBitmap;
}

void DibBmp::DestroyDibBmp() {
  if (m_hdcMem != nullptr) {
    SelectObject(m_hdcMem, m_hOldbmp);
  } else if (m_hBitmap != nullptr) {
    EngineLog("!!!!!!! hdcmem Selectobject  (m_hdcMem=0X%x)  (m_hOldbmp=0X%x)  \n", 0u, LogHex(m_hOldbmp));
  }
  if (m_hBitmap != nullptr) DeleteObject(m_hBitmap);
  if (m_hdcMem != nullptr) DeleteDC(m_hdcMem);
  m_hBitmap = nullptr;
  m_hdcMem = nullptr;
  m_hOldbmp = nullptr;
  m_pBits = nullptr;
  m_nWidth = 0;
  m_nHeight = 0;
}

int DibBmp::PaintDibBmp(HDC hdc) {
  if (m_hBitmap == nullptr) return 0;
  if (m_hdcMem == nullptr) {
    m_hdcMem = CreateCompatibleDC(nullptr);
    if (m_hdcMem == nullptr) return 0;
    m_hOldbmp = SelectObject(m_hdcMem, m_hBitmap);
  }
  return BitBlt(hdc, 0, 0, m_nWidth, m_nHeight, m_hdcMem, 0, 0, SRCCOPY);
}

int DibBmp::IsPictureBusy() {
  CsLock lock(&m_cs);
  return m_bPictureBusy;
}

void DibBmp::SetPictureBusy(int busy) {
  CsLock lock(&m_cs);
  m_bPictureBusy = busy;
  if (busy == 0) m_nPictureCount = 0;
}

int DibBmp::GetScreenBitDepth() {
  int& depth = GetInstance().m_nScreenBitDepth;
  if (depth == 0) {
    HDC screen = GetDC(nullptr);
    depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
  }
  return depth;
}

void DibBmp::ResetForTests() {
  DibBmp& d = GetInstance();
  d.DestroyDibBmp();
  d.m_nMode = kMode32;
  d.SetPictureBusy(0);
  d.m_nScreenBitDepth = 0;
}
