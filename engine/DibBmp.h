// The picture surface: one screen-size DIB section that the decoder writes into, the video thread
// paints straight onto the root window and the UI's video layer draws. Its ready mark (a picture
// was announced since the mark was last cleared) is guarded by its own lock; the picture counter
// is counted up by the video thread and restarted with the mark, so it is atomic.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/kernel.h"

#include <atomic>

class DibBmp {
 public:
  // Rows are bottom-up (positive height); mode 0 is what the projection uses.
  enum Mode { kMode32 = 0, kMode24 = 1, kMode16 = 2 };

  static DibBmp& GetInstance();

  // Replaces any previous bitmap. NULL when the DIB section could not be made.
  HBITMAP CreateDibBmp(int width, int height);
  void DestroyDibBmp();
  // BitBlt of the whole surface to (0, 0); 0 without a bitmap.
  int PaintDibBmp(HDC hdc);

  int IsPictureBusy();
  // 0 also restarts the picture counter.
  void SetPictureBusy(int busy);
  // Pictures decoded since the ready mark was last cleared. The draw callback runs before the
  // count of its own picture is added, so it sees the number of pictures shown before it.
  void AddPictureCount() { ++m_nPictureCount; }
  int GetPictureCount() const { return m_nPictureCount; }

  BYTE* GetBits() const { return m_pBits; }
  HBITMAP GetBitmap() const { return m_hBitmap; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  int GetBitCount() const;
  // Bytes from one row to the next (rows padded to 4 bytes).
  int GetStride() const;
  int GetMode() const { return m_nMode; }
  // Takes effect at the next CreateDibBmp.
  void SetMode(int mode) { m_nMode = mode; }

  // BITSPIXEL of the screen, asked once and kept.
  static int GetScreenBitDepth();
  // Tests: forget the kept depth, the surface and the marks.
  static void ResetForTests();

 private:
  friend struct CorvanePictureSurface;
  DibBmp();

  HBITMAP m_hBitmap = nullptr;
  BITMAPINFO m_Bmi;
  int m_nWidth = 0;
  int m_nHeight = 0;
  BYTE* m_pBits = nullptr;
  int m_nBitSize = 0;
  int m_bPictureBusy = 0;
  int m_nMode = kMode32;
  HDC m_hdcMem = nullptr;
  HGDIOBJ m_hOldbmp = nullptr;
  CRITICAL_SECTION m_cs;
  std::atomic<int> m_nPictureCount{0};  // also restarted by the UI thread (SetPictureBusy)
  // BITSPIXEL of the screen, 0 until asked: the video thread's set-up asks first.
  int m_nScreenBitDepth = 0;
};
