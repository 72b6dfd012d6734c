// What a widget asks of the real window that hosts its layer beyond the layer host: to paint now,
// and to drop the pointer input queued while the widget was busy.
#pragma once

#include "kernel/wcetypes.h"

class CWceUiLayer;
class CWceUiRealWnd;

// The UI real window of the layer's tree; none while the tree has no window.
CWceUiRealWnd* WceUiLayerRealWnd(CWceUiLayer* pLayer);
// Invalidates the whole layer and has its window painted at once.
void WceUiRedrawLayerNow(CWceUiLayer* pLayer);
