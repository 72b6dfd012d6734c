// The style names a widget switches between (normal, down, drag): fixed buffers of 64 characters
// with the terminator, so a longer name is cut to 63.
#pragma once

#include "platform/kernel/wcetypes.h"

class CWceUiLayer;

constexpr int kWceUiStyleNameChars = 64;  // with the terminator

// Stores pName (none: the empty name) cut to 63 characters.
void WceUiSetStyleName(WCHAR (&szName)[kWceUiStyleNameChars], LPCWSTR pName);
// Applies the named style when the name is not empty, keeping the layer's window rectangle: a
// widget that moves under the finger must not jump to the position its style file gives.
void WceUiApplyStyleKeepRect(CWceUiLayer* pLayer, LPCWSTR pStyleName);
