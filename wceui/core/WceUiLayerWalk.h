// A layer tree walked depth first in document order, a parent before its children, without
// recursion: trees from dialog files may be deep.
#pragma once

#include "wceui/core/CWceUiLayer.h"

#include <functional>

// visit (layer, depth) answers whether to go into the layer's children; pTop has depth 0.
void WceUiWalkLayers(CWceUiLayer* pTop, const std::function<bool(CWceUiLayer*, int)>& visit);
