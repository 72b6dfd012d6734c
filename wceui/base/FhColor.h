// Colour texts.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"

// "0xRRGGBB" (the prefix may be left out) as RGB(RR, GG, BB), red in the low byte.
COLORREF FhHexStrToColor(LPCWSTR pHexStr);
