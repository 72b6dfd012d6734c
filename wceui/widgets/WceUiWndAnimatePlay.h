// Playing one window animation onto a device context, frame by frame, on the kernel's tick. This is
// the part of the real window's transition that does not need the window: the real window will
// snapshot the old picture, draw the new one and call through here for each of its animations.
#pragma once

#include "gdi/gdi.h"
#include "kernel/wcetypes.h"

class CWceUiGenericBitmap;
class CWceUiWndAnimate;

// Blocks for the whole transition. The mixed bitmap starts as the old picture; each frame is
// composed into it, copied whole to hdc at (x, y) and held for its frame length less the ticks its
// work and copy took (nothing when they took longer). End runs after the last frame. A disabled
// animation plays nothing and succeeds. 0, with one log line, when a frame fails; the DC then
// keeps the last frame that played.
BOOL WceUiPlayWndAnimate(CWceUiWndAnimate* pAnimate, CWceUiGenericBitmap* pMixedBitmap,
                         CWceUiGenericBitmap* pFromBitmap, CWceUiGenericBitmap* pToBitmap, HDC hdc, int x,
                         int y);
