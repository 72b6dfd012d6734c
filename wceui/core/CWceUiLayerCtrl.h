// The owner of one layer tree: the root body, the dialogs under it and all their layers. It creates
// layers by class name and gives them ids and names, deletes whole subtrees, keeps the draw list
// (back to front), the input list (front-most first) and the paint list built for each repaint,
// and draws the dirty part of the tree into the window bitmap.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"
#include "wceui/base/CWUniqueID.h"
#include "wceui/base/CWceUiHList.h"
#include "wceui/base/CWceUiHTList.h"

#include <unordered_map>

class CWceUiDlg;
class CWceUiGenericBitmap;
class CWceUiLayer;
class CWceUiLayerHost;

class CWceUiLayerCtrl {
 public:
  CWceUiLayerCtrl();
  // The dialogs must have been deleted before; a layer left over is reported.
  ~CWceUiLayerCtrl();
  CWceUiLayerCtrl(const CWceUiLayerCtrl&) = delete;
  CWceUiLayerCtrl& operator=(const CWceUiLayerCtrl&) = delete;

  // A new dialog of the class named by the path's last part, built from "<path>.dlg.xml" and
  // "<path>.style.xml" under the window directory; not yet under the root body (its DoModal puts it
  // there). None with an error line; a dialog that failed to build is deleted with its layers.
  CWceUiDlg* CreateDlg(LPCWSTR pDlgPath);
  // A new layer of the registered class, not yet in the tree; none with an error line.
  CWceUiLayer* impCreateLayer(CWceUiLayer* pParent, LPCWSTR pType);
  // Created, appended under pParent, given an id and a name, told OnLoad.
  CWceUiLayer* CreateLayerFromElem(CWceUiLayer* pParent, LPCWSTR pType, LPCWSTR pName);
  void InitLayerInfo(CWceUiLayer* pNode, LPCWSTR pName);
  // The layer and everything below it; the root body never.
  void DeleteLayer(CWceUiLayer* pNode);
  CWceUiLayer* GetLayerById(DWORD dwId) const;
  int GetLayerCount() const { return static_cast<int>(m_IdMap.size()); }

  CWceUiLayer* RootLayer() const;
  CWceUiLayerHost* GetWindow() const;
  void SetWindow(CWceUiLayerHost* pWindow);

  void ReBuildDrawList();
  void ReBuildInputList();
  void ReBuildAllList();
  // The draw list, back to front (the root body first).
  CWceUiLayer* GetDrawFirst() const;
  CWceUiLayer* GetDrawNext(CWceUiLayer* pCurLayer) const;
  // The input list, front-most first.
  CWceUiLayer* GetInputFirst() const;
  CWceUiLayer* GetInputNext(CWceUiLayer* pCurLayer) const;
  // The front-most input layer whose visible window rectangle holds the point (left and top
  // inclusive); the real window asks this when no layer holds the capture.
  CWceUiLayer* GetInputLayerAt(int x, int y) const;
  // The paint list of the last Draw, back to front.
  CWceUiLayer* GetPaintFirst() const;
  CWceUiLayer* GetPaintNext(CWceUiLayer* pCurLayer) const;

  // Draws rcDirty (window coordinates) of the tree into the window bitmap. Pixels that no layer
  // paints keep what the bitmap held.
  void Draw(CWceUiGenericBitmap* pWndBmp, const RECT& rcDirty);

 private:
  // A layer reaches the window without the check that GetWindow makes (a tree may run without one
  // while it is built) and knows the root body.
  friend class CWceUiLayer;

  void BuildPaintList(const RECT& rcDirty);
  void impDeleteElement(CWceUiLayer* pNode);

  CWUniqueID m_IdGen;
  std::unordered_map<DWORD, CWceUiLayer*> m_IdMap;
  CWceUiLayerHost* m_pWindow = nullptr;
  CWceUiHTList m_DrawList;
  CWceUiHList m_InputList;
  CWceUiHList m_PaintList;
  CWceUiLayer* m_pBody = nullptr;
};
