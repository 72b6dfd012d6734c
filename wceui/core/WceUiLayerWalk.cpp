#include "wceui/core/WceUiLayerWalk.h"

#include <utility>
#include <vector>

void WceUiWalkLayers(CWceUiLayer* pTop, const std::function<bool(CWceUiLayer*, int)>& visit) {
  if (pTop == nullptr) return;
  std::vector<std::pair<CWceUiLayer*, int>> stack = {{pTop, 0}};
  while (!stack.empty()) {
    const auto [pLayer, nDepth] = stack.back();
    stack.pop_back();
    if (!visit(pLayer, nDepth)) continue;
    // Pushed last to first, so the first child comes out next.
    for (CWceUiLayer* p = pLayer->GetLastChild(); p != nullptr; p = pLayer->PrevChild(p)) {
      stack.emplace_back(p, nDepth + 1);
    }
  }
}
