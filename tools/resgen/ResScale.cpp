#include "tools/resgen/ResScale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

ResScale ResScaleForScreen(int nWidth, int nHeight) {
  return {static_cast<float>(nWidth) / kResBaseWidth, static_cast<float>(nHeight) / kResBaseHeight};
}

int ResScaleX(const ResScale& scale, int nValue) {
  return static_cast<int>(std::lround(static_cast<double>(nValue) * scale.m_fX));
}

int ResScaleY(const ResScale& scale, int nValue) {
  return static_cast<int>(std::lround(static_cast<double>(nValue) * scale.m_fY));
}

bool ResScaleRectText(const ResScale& scale, const std::string& text, std::string* pOut) {
  long v[4];
  const char* p = text.c_str();
  for (int i = 0; i < 4; ++i) {
    char* pEnd = nullptr;
    v[i] = std::strtol(p, &pEnd, 10);
    if (pEnd == p) return false;
    p = pEnd;
    while (*p == ' ') ++p;
    if (i < 3) {
      if (*p != ',') return false;
      ++p;
    }
  }
  if (*p != 0) return false;
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%d,%d,%d,%d", ResScaleX(scale, static_cast<int>(v[0])),
                ResScaleY(scale, static_cast<int>(v[1])), ResScaleX(scale, static_cast<int>(v[2])),
                ResScaleY(scale, static_cast<int>(v[3])));
  *pOut = buf;
  return true;
}
