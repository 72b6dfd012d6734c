// Every bitmap of the packs: its id (the path below "res\bitmap\" without ".bmp"), its size on an
// 800x480 screen (equal to the rectangle of the layer that shows it), whether it carries per-pixel
// alpha, and how it is drawn. Large shapes and strong contrast: a driver takes them in at a glance.
#pragma once

#include "tools/resgen/CResCanvas.h"
#include "tools/resgen/ResScale.h"

#include <functional>
#include <string>
#include <vector>

struct ResImage {
  std::string m_strId;  // "main/spin3": res/bitmap/main/spin3.bmp (and .alpha)
  int m_nBaseWidth;     // on an 800x480 screen
  int m_nBaseHeight;
  bool m_bAlpha;  // drawn over what lies below it; the conf says "pa=true"
  std::function<void(CResCanvas&, const ResScale&)> m_fnDraw;
};

const std::vector<ResImage>& ResImageTable();
// The picture of one table entry for a screen.
CResCanvas ResDrawImage(const ResImage& image, const ResScale& scale);
