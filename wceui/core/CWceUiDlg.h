// A layer built from a pair of UTF-16 XML files, a dialog file and a style file, that runs as the
// top child of the layer controller's root body, modally with its own message loop. Opening and
// closing it can play the "in" and "out" transitions of its style file.
//
// Dialog file: a root element of any name whose first "body" child describes the dialog itself
// ("name", "windowrect", "common.style", "style"); every element below "body", at any depth, is one
// layer of the class its "type" names, under the layer of its enclosing element.
#pragma once

#include "wceui/core/CWceUiLayer.h"

class CWceUiWndAnimate;
struct CWceUiDlgData;

// m_DlgRunWay of a dialog; DLG_RUN_IN_MODAL and DLG_RUN_NONE are the real dialog's (CRealDlg.h).
constexpr int DLG_RUN_IN_MODELESS = 1;

class CWceUiDlg : public CWceUiLayer {
 public:
  CWceUiDlg();
  ~CWceUiDlg() override;

  // The style file first, then the dialog file; the dialog gets its id and name from "body", then
  // its layers, then OnLoad again for the whole dialog. FALSE with an error line at the first
  // failure; layers built before it stay in the tree for the owner to delete.
  BOOL Init(LPCWSTR pDlgFileFullPath, LPCWSTR pStyleFileFullPath);
  // The layer's styles, then "windowrect".
  void SetProperties(CWceUiXmlElem* pCreateElem) override;
  CFhStyleFile* GetStyleFile() override;

  virtual void OnInitDialog() {}
  // A press that hit no layer while this is the top dialog.
  virtual void OnLButtonDownNoHit(UINT /*nFlags*/, int /*x*/, int /*y*/) {}
  // Snapshots the window when the style file has the "in" (bIn) or "out" transition.
  virtual BOOL PrepareWndAnimate(BOOL bIn);
  virtual BOOL PlayWndAnimate(BOOL bIn);
  // Runs on top of the dialogs below, which stays disabled meanwhile; answers EndDialog's code.
  // The dialog is not deleted: its owner deletes it through the layer controller.
  virtual int DoModal();

  BOOL GetStyleData(LPCWSTR pStyleName, CWceUiStyle* pStyle);
  // A new animation; the caller deletes it.
  CWceUiWndAnimate* GetWndAnimate(LPCWSTR pName);
  BOOL DoesHaveAnimate(LPCWSTR pName);

  BOOL EndDialog(int nResult);
  BOOL EndModeless();
  int GetRunWay() const;
  void GetDlgWindowRect(LPRECT lpRect) const;

  // OnLoad / OnInitLayer on the dialog and every layer below it: each after its parent, the
  // children of later siblings before those of earlier ones.
  void SendOnLoad();
  void SendOnInitLayer();

 protected:
  CWceUiDlgData* GetData() const;

 private:
  void SendToAll(void (CWceUiLayer::*pfnNotify)());

  CWceUiDlgData* m_pData;
};

WCEUI_DYNCREATE_BEGIN(CWceUiDlg, CWceUiLayer)
WCEUI_DYNCREATE_END(CWceUiDlg)
