// The GDI handle table: bitmaps, device contexts and the per-window surfaces. Every GDI call holds
// the table's lock for its whole run, pixel copies included, so the video thread painting onto a
// window and the UI thread drawing never interleave inside one blit.
#pragma once

#include "gdi/CGdiBitmap.h"
#include "gdi/gdi.h"

#include <map>
#include <memory>
#include <mutex>

struct GdiDc {
  enum Kind { kMemory, kWindow, kScreen };
  Kind kind = kMemory;
  HWND hwnd = nullptr;                 // window DCs
  HBITMAP selected = nullptr;          // memory DCs: the bitmap handle selected
  std::shared_ptr<CGdiBitmap> bitmap;  // the pixels drawn on: selected bitmap or window surface
};

class CGdiObjects {
 public:
  static CGdiObjects& GetInstance();
  std::mutex& Lock() { return m_mutex; }

  // All below: with Lock() held.
  HBITMAP AddBitmap(const std::shared_ptr<CGdiBitmap>& bitmap);
  std::shared_ptr<CGdiBitmap> FindBitmap(HGDIOBJ obj);
  void RemoveBitmap(HGDIOBJ obj);
  HBITMAP Placeholder() const { return m_placeholder; }

  HDC AddDc(const GdiDc& dc);
  GdiDc* FindDc(HDC hdc);
  void RemoveDc(HDC hdc);

  // The window's surface at its current client size and the screen's depth, made or remade when
  // either changed; nullptr when the window does not exist.
  std::shared_ptr<CGdiBitmap> WindowSurface(HWND hwnd);

  void SetWindowSource(const wce::GdiWindowSource& source) { m_windows = source; }

  void Reset();

 private:
  CGdiObjects();
  uintptr_t NextHandle();
  void MakePlaceholder();

  std::mutex m_mutex;
  uintptr_t m_nextHandle = 0x20000;  // never reused: a stale handle stays invalid
  std::map<uintptr_t, std::shared_ptr<CGdiBitmap>> m_bitmaps;
  using DcTable = std::map<uintptr_t, GdiDc>;
  DcTable m_dcs;
  // The entry of the last DC released, kept for the next one: a window DC taken and released
  // for every picture painted costs no allocation.
  DcTable::node_type m_spareDc;
  std::map<HWND, std::shared_ptr<CGdiBitmap>> m_surfaces;
  HBITMAP m_placeholder = nullptr;
  wce::GdiWindowSource m_windows{nullptr, nullptr};
};
