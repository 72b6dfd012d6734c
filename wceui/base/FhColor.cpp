#include "wceui/base/FhColor.h"

#include "platform/kernel/wcestr.h"

COLORREF FhHexStrToColor(LPCWSTR pHexStr) {
  if (pHexStr == nullptr) return RGB(0, 0, 0);
  const unsigned long v = wcstoul(pHexStr, nullptr, 16);
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}
