// The pixel work of the drawing calls, on bitmaps whose locks the caller holds and on blocks the
// caller has already clipped to the bitmaps and the clip region. Pixel values are in a bitmap's
// own depth: 0x00RRGGBB words for 32 bits (the fourth byte as stored), RGB565 for 16 bits.
#pragma once

#include "platform/gdi/CGdiBitmap.h"
#include "platform/gdi/gdi.h"

#include <cstdint>

namespace gdiraster {

bool Intersect(const RECT& a, const RECT& b, RECT* out);  // false (and *out empty) when disjoint
bool IsEmpty(const RECT& r);

uint32_t FromColor(COLORREF color, int bits);
// 32 -> 16 keeps the top bits of each channel; 16 -> 32 repeats them into the low bits.
uint32_t Convert(uint32_t pixel, int fromBits, int toBits);
uint32_t Get(const CGdiBitmap& bitmap, int x, int y);
void Put(CGdiBitmap& bitmap, int x, int y, uint32_t value);

bool IsKnownRop(DWORD rop);
bool RopReadsSource(DWORD rop);

// dst block `to` (inside dst) from the same-sized block of src at (srcX, srcY) (inside src).
// src may be dst itself (overlap allowed), and nullptr for the rops that read no source.
void Blt(CGdiBitmap& dst, const RECT& to, const CGdiBitmap* src, int srcX, int srcY, DWORD rop);
// Scales `from` (a block of src, possibly reaching outside it) onto `to` (device coordinates of
// dst) by the nearest source pixel, drawing only inside `visible` (which lies inside dst and
// `to`) and only pixels whose source lies inside src. With keyed, source pixels equal to key (in
// the source's depth, fourth byte ignored) are left out.
void Stretch(CGdiBitmap& dst, const RECT& to, const RECT& visible, const CGdiBitmap& src, const RECT& from,
             DWORD rop, bool keyed, uint32_t key);
void Fill(CGdiBitmap& dst, const RECT& block, uint32_t value);
// Blends color over dst with the 8-bit coverage mask whose top-left pixel lands on (x, y),
// only inside `visible`.
void BlendMask(CGdiBitmap& dst, const RECT& visible, int x, int y, const uint8_t* mask, int width, int height,
               int pitch, COLORREF color);

}  // namespace gdiraster
