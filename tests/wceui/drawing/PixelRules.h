// The blend rules of the pixel kernels, written out per pixel and per channel for the tests to
// compare with: channels unpacked, one formula a channel, packed again.
#pragma once

#include "platform/kernel/wcetypes.h"

struct Rgb {
  DWORD m_dwR;
  DWORD m_dwG;
  DWORD m_dwB;
};

inline Rgb Unpack565(WORD p) {
  return {static_cast<DWORD>(p >> 11), static_cast<DWORD>((p >> 5) & 63), p & 31u};
}
inline WORD Pack565(Rgb c) {
  return static_cast<WORD>((c.m_dwR << 11) | (c.m_dwG << 5) | c.m_dwB);
}
inline Rgb Unpack32(DWORD p) {
  return {(p >> 16) & 255, (p >> 8) & 255, p & 255};
}
inline DWORD Pack32(DWORD top, Rgb c) {
  return (top & 0xFF000000u) | (c.m_dwR << 16) | (c.m_dwG << 8) | c.m_dwB;
}

template <typename Fn>
Rgb PerChannel(Rgb d, Rgb s, Fn fn) {
  return {fn(d.m_dwR, s.m_dwR), fn(d.m_dwG, s.m_dwG), fn(d.m_dwB, s.m_dwB)};
}

// The class table, written out.
inline int ClassOf(int a) {
  if (a < 9) return 0;
  if (56 <= a && a <= 72) return 1;
  if (120 <= a && a <= 136) return 2;
  if (184 <= a && a <= 200) return 3;
  if (a >= 247) return 4;
  return 5;
}

// One channel of a constant-alpha blend or rectangle colour mix (s = the colour's channel).
inline DWORD Blend(int a, DWORD d, DWORD s, bool b565) {
  switch (ClassOf(a)) {
    case 0:
      return d;
    case 1:
      return (3 * d + s) / 4;
    case 2:
      return (d + s) / 2;
    case 3:
      return (d + 3 * s) / 4;
    case 4:
      return s;
  }
  if (b565) {
    const DWORD w = static_cast<DWORD>(a) / 4;
    return (s * w + d * (63 - w)) / 64;
  }
  return (s * a + d * (255 - a)) / 256;
}

inline WORD RefBlend565(WORD d, WORD s, int a) {
  return Pack565(
      PerChannel(Unpack565(d), Unpack565(s), [&](DWORD x, DWORD y) { return Blend(a, x, y, true); }));
}
inline DWORD RefBlend32(DWORD d, DWORD s, int a) {
  return Pack32(
      d, PerChannel(Unpack32(d), Unpack32(s), [&](DWORD x, DWORD y) { return Blend(a, x, y, false); }));
}

inline WORD RefPerPixel565(WORD d, WORD s, BYTE a) {
  if (a == 0) return d;
  if (a == 63) return s;
  const Rgb c = PerChannel(Unpack565(d), Unpack565(s), [&](DWORD x, DWORD) { return x * (63 - a) / 64; });
  return static_cast<WORD>(Pack565(c) + s);
}
inline DWORD RefPerPixel32(DWORD d, DWORD s) {
  const DWORD a = s >> 24;
  if (a == 0) return d;
  const Rgb c = PerChannel(Unpack32(d), Unpack32(s), [&](DWORD x, DWORD) { return x * (255 - a) / 256; });
  return Pack32(d, c) + (s & 0x00FFFFFFu);
}

// Whole-bitmap 565 colour mix: halves and quarters taken per channel before the sum.
inline WORD RefMixWhole565(WORD d, WORD m, int a) {
  const int k = ClassOf(a);
  if (k != 2 && k != 3) return RefBlend565(d, m, a);
  return Pack565(PerChannel(Unpack565(d), Unpack565(m),
                            [&](DWORD x, DWORD y) { return k == 2 ? x / 2 + y / 2 : x / 4 + (3 * y) / 4; }));
}

inline DWORD Darken(int a, DWORD d, bool b565) {
  switch (ClassOf(a)) {
    case 0:
      return d;
    case 1:
      return b565 ? d - d / 4 : (3 * d) / 4;
    case 2:
      return d / 2;
    case 3:
      return d / 4;
    case 4:
      return 0;
  }
  return b565 ? d * (63 - static_cast<DWORD>(a) / 4) / 64 : d * (255 - a) / 256;
}
inline WORD RefDarken565(WORD d, int a) {
  return Pack565(PerChannel(Unpack565(d), {}, [&](DWORD x, DWORD) { return Darken(a, x, true); }));
}
inline DWORD RefDarken32(DWORD d, int a) {
  return Pack32(d, PerChannel(Unpack32(d), {}, [&](DWORD x, DWORD) { return Darken(a, x, false); }));
}
