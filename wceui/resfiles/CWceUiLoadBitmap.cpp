#include "wceui/resfiles/CWceUiLoadBitmap.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiResource.h"

CWceUiLoadBitmap::~CWceUiLoadBitmap() {
  Clean();
}

CWceUiLoadBitmap::CWceUiLoadBitmap(const CWceUiLoadBitmap& rhs) {
  DoCopy(rhs);
}

CWceUiLoadBitmap& CWceUiLoadBitmap::operator=(const CWceUiLoadBitmap& rhs) {
  if (this == &rhs) return *this;
  Clean();
  DoCopy(rhs);
  return *this;
}

void CWceUiLoadBitmap::SetBitmapFromRes(LPCWSTR pBitmapID) {
  WCEUI_CHECK(NULL != pBitmapID);
  if (pBitmapID == nullptr) return;
  WCEUI_CHECK(*pBitmapID);
  if (*pBitmapID == 0) return;
  if (m_nKind == kWceUiResById && _wcsicmp(m_strBitmapResID, pBitmapID) == 0) return;
  Clean();
  m_strBitmapResID.SetString(pBitmapID);
  m_nKind = kWceUiResById;
}

void CWceUiLoadBitmap::SetBitmapFromApp(CWceUiGenericBitmap* pBitmap) {
  Clean();
  if (pBitmap != nullptr && pBitmap->IsLoaded()) {
    CWceUiGenericBitmap* pCopy = nullptr;
    if (pBitmap->MakeACopy(&pCopy)) {
      m_pBitmap = pCopy;
    } else {
      WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiLoadBitmap::SetBitmapFromApp, pBitmap->MakeACopy failed");
    }
  }
  m_nKind = kWceUiResOwn;
}

CWceUiGenericBitmap* CWceUiLoadBitmap::GetBitmap() {
  switch (m_nKind) {
    case kWceUiResById:
      if (m_pBitmap == nullptr) {
        m_pBitmap = WceUiGetBitmap(m_strBitmapResID);
        if (m_pBitmap == nullptr) {
          WceUiLogW(WCEUI_LOG_ERROR, u"In CWceUiLoadBitmap::GetBitmap, load bitmap id %s failed",
                    m_strBitmapResID.GetString());
        }
      }
      return m_pBitmap;
    case kWceUiResOwn:
    case kWceUiResOwnAlt:
      return m_pBitmap;
    default:
      WCEUI_CHECK(FALSE);
      return nullptr;
  }
}

void CWceUiLoadBitmap::Clean() {
  if (m_nKind == kWceUiResById) {
    WceUiReleaseBitmap(m_pBitmap);
  } else if (m_nKind == kWceUiResOwn || m_nKind == kWceUiResOwnAlt) {
    delete m_pBitmap;
  } else {
    WCEUI_CHECK(FALSE);
  }
  m_pBitmap = nullptr;
  m_nKind = kWceUiResOwn;
}

void CWceUiLoadBitmap::DoCopy(const CWceUiLoadBitmap& rhs) {
  WCEUI_CHECK(this != &rhs);
  if (this == &rhs) return;
  if (rhs.m_nKind == kWceUiResById) {
    SetBitmapFromRes(rhs.m_strBitmapResID);
  } else if (rhs.m_nKind == kWceUiResOwn) {
    SetBitmapFromApp(rhs.m_pBitmap);
  } else {
    WCEUI_CHECK(FALSE);
  }
}
