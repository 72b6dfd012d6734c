// Colour texts.
#pragma once

#include "gdi/gdi.h"
#include "kernel/wcetypes.h"

// "0xRRGGBB" (the prefix may be left out) as RGB(RR, GG, BB), red in the low byte.
COLORREF FhHexStrToColor(LPCWSTR pHexStr);
