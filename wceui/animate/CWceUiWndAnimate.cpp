#include "wceui/animate/CWceUiWndAnimate.h"

#include "platform/kernel/wcestr.h"
#include "platform/user/user.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/CWceUiXmlElem.h"

#include <vector>

namespace {
std::vector<LPCWSTR>& AnimateClassNames() {
  // Filled by static initialisers of other units: made on first use, never destroyed before them.
  static std::vector<LPCWSTR>* pNames = new std::vector<LPCWSTR>;
  return *pNames;
}
}  // namespace

const WceUiAniDirectionWord kWceUiAniDirectionWords[8] = {
    {u"left", kWceUiAniLeft},    {u"right", kWceUiAniRight},  {u"up", kWceUiAniUp},
    {u"down", kWceUiAniDown},    {u"lr-mid", kWceUiAniLrMid}, {u"mid-lr", kWceUiAniMidLr},
    {u"ud-mid", kWceUiAniUdMid}, {u"mid-ud", kWceUiAniMidUd},
};

void WceUiAddAnimateClassName(LPCWSTR pClassName) {
  std::vector<LPCWSTR>& names = AnimateClassNames();
  for (LPCWSTR p : names) {
    if (wcscmp(p, pClassName) == 0) return;
  }
  names.push_back(pClassName);
}

int WceUiGetAnimateClassCount() {
  return static_cast<int>(AnimateClassNames().size());
}

LPCWSTR WceUiGetAnimateClassName(int nIndex) {
  if (nIndex < 0 || nIndex >= WceUiGetAnimateClassCount()) return nullptr;
  return AnimateClassNames()[static_cast<size_t>(nIndex)];
}

CWceUiWndAnimate::CWceUiWndAnimate() {
  SetClassName(WCEUI_CLASS_NAME(CWceUiWndAnimate));
  SetRectLarge(&m_rcAnimate);
}

CWceUiWndAnimate::~CWceUiWndAnimate() = default;

void CWceUiWndAnimate::SetName(LPCWSTR pName) {
  WCEUI_CHECK(NULL != pName);
  if (pName == nullptr) return;
  wcsncpy(m_szName, pName, kNameChars - 1);
  m_szName[kNameChars - 1] = 0;
}

void CWceUiWndAnimate::SetFrameCount(int nFrameCount) {
  WCEUI_CHECK(nFrameCount > 0);
  m_nFrameCount = nFrameCount;
}

void CWceUiWndAnimate::GetRect(LPRECT lpRcAnimate) const {
  WCEUI_CHECK(NULL != lpRcAnimate);
  if (lpRcAnimate != nullptr) *lpRcAnimate = m_rcAnimate;
}

BOOL CWceUiWndAnimate::Init(CWceUiXmlElem* pElem) {
  WCEUI_CHECK(NULL != pElem);
  if (pElem == nullptr) return FALSE;
  SetName(pElem->GetTagName());
  if (LPCWSTR pCount = pElem->GetAttribute(u"frame-count")) {
    // A count below 1 is reported and kept: ReStart then refuses to play it.
    const int nFrameCount = _wtoi(pCount);
    WCEUI_CHECK(nFrameCount > 0);
    m_nFrameCount = nFrameCount;
  }
  if (LPCWSTR pRect = pElem->GetAttribute(u"rect")) {
    if (!ConvertRectStrToRect(pRect, &m_rcAnimate)) {
      WceUiLogW(WCEUI_LOG_ERROR, u"CWceUiWndAnimate::Init, Convert %s to RECT failed", pRect);
      return FALSE;
    }
  }
  return TRUE;
}

BOOL CWceUiWndAnimate::InitKind(CWceUiXmlElem* pElem, const WceUiAniDirectionWord* pWords, int nWords,
                                DWORD dwCodes) {
  if (!CWceUiWndAnimate::Init(pElem)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"In %s::Init, CWceUiWndAnimate::Init return FALSE", GetClassName());
    return FALSE;
  }
  LPCWSTR pDirection = nWords > 0 ? pElem->GetAttribute(u"direction") : nullptr;
  if (pDirection != nullptr) {
    int i = 0;
    while (i < nWords && (_wcsicmp(pDirection, pWords[i].m_pWord) != 0 ||
                          (dwCodes & WceUiAniCodeBit(pWords[i].m_nDirection)) == 0)) {
      ++i;
    }
    if (i == nWords) {
      WceUiLogW(WCEUI_LOG_ERROR, u"%s::Init, the direction %s is not valid", GetClassName(), pDirection);
      return FALSE;
    }
    m_nDirection = pWords[i].m_nDirection;
  }
  if (LPCWSTR pLength = pElem->GetAttribute(u"frame-length")) {
    const int nFrameLength = _wtoi(pLength);
    if (nFrameLength <= 0) {
      WceUiLogW(WCEUI_LOG_ERROR, u"%s::Init, the frame-length %s is not valid", GetClassName(), pLength);
      return FALSE;
    }
    m_nFrameLength = nFrameLength;
  }
  return TRUE;
}

BOOL CWceUiWndAnimate::CheckParameter(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                                      CWceUiGenericBitmap* pToBitmap) const {
  WCEUI_CHECK(NULL != pMixedBitmap);
  WCEUI_CHECK(NULL != pFromBitmap);
  WCEUI_CHECK(NULL != pToBitmap);
  if (pMixedBitmap == nullptr || pFromBitmap == nullptr || pToBitmap == nullptr) return FALSE;
  WCEUI_CHECK(pMixedBitmap->IsLoaded());
  WCEUI_CHECK(pFromBitmap->IsLoaded());
  WCEUI_CHECK(pToBitmap->IsLoaded());
  if (!pMixedBitmap->IsLoaded() || !pFromBitmap->IsLoaded() || !pToBitmap->IsLoaded()) return FALSE;
  const int nWidth = pFromBitmap->GetWidth();
  const int nHeight = pFromBitmap->GetHeight();
  if (pMixedBitmap->GetWidth() != nWidth || pMixedBitmap->GetHeight() != nHeight) {
    WceUiLogA(WCEUI_LOG_ERROR,
              "In CWceUiWndAnimate::CheckParameter, the size of pMixedBitmap is not equal pFromBitmap");
    return FALSE;
  }
  if (pToBitmap->GetWidth() != nWidth || pToBitmap->GetHeight() != nHeight) {
    WceUiLogA(WCEUI_LOG_ERROR,
              "In CWceUiWndAnimate::CheckParameter, the size of pFromBitmap is not equal pToBitmap");
    return FALSE;
  }
  const RECT rcWndBitmap = {0, 0, nWidth, nHeight};
  RECT rcWork;
  if (!IntersectRect(&rcWork, &m_rcAnimate, &rcWndBitmap)) {
    WceUiLogA(
        WCEUI_LOG_ERROR,
        "In CWceUiWndAnimate::CheckParameter, there is no IntersectRect in m_rcAnimate and rcWndBitmap");
    return FALSE;
  }
  if (GetFrameCount() < 1) {
    WceUiLogA(WCEUI_LOG_ERROR,
              "In CWceUiWndAnimate::CheckParameter, GetFrameCount() must equal or more than 1");
    return FALSE;
  }
  return TRUE;
}

BOOL CWceUiWndAnimate::ReStart(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                               CWceUiGenericBitmap* pToBitmap) {
  if (!CheckParameter(pMixedBitmap, pFromBitmap, pToBitmap)) {
    WceUiLogA(WCEUI_LOG_ERROR, "In CWceUiWndAnimate::ReStart, CheckParameter failed");
    return FALSE;
  }
  return TRUE;
}

BOOL CWceUiWndAnimate::BeginFrame(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                                  CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime,
                                  RECT* pRcWork, BOOL* pbDone) {
  *pbDone = FALSE;
  WCEUI_CHECK(nCurFrame < GetFrameCount());
  WCEUI_CHECK(NULL != lpPlayTime);
  if (nCurFrame < 0 || nCurFrame >= GetFrameCount() || lpPlayTime == nullptr) return FALSE;
  if (!CheckParameter(pMixedBitmap, pFromBitmap, pToBitmap)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::Play failed, CheckParameter return FALSE", GetClassName());
    return FALSE;
  }
  const RECT rcMixed = {0, 0, pMixedBitmap->GetWidth(), pMixedBitmap->GetHeight()};
  if (!IntersectRect(pRcWork, &m_rcAnimate, &rcMixed)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"%s::Play failed, no valid rect", GetClassName());
    return FALSE;
  }
  *lpPlayTime = static_cast<DWORD>(m_nFrameLength);
  if (nCurFrame + 1 == GetFrameCount()) {
    *pbDone = TRUE;
    return pMixedBitmap->CopyRect(pToBitmap, *pRcWork);
  }
  return TRUE;
}

BOOL CWceUiWndAnimate::FailBadDirection() const {
  WceUiLogW(WCEUI_LOG_ERROR, u"%s::Play failed , direction %u is not valid", GetClassName(), m_nDirection);
  return FALSE;
}

BOOL CWceUiWndAnimate::PlayStrips(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                                  CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime,
                                  const WceUiAniMove& move, WceUiAniStripsFn fnStrips) {
  RECT rcWork;
  BOOL bDone;
  if (!BeginFrame(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime, &rcWork, &bDone)) return FALSE;
  if (bDone) return TRUE;
  const WceUiAniSpan span = WceUiGetAniSpan(rcWork, move.m_bVertical);
  const int s = WceUiAniShift(nCurFrame, GetFrameCount(), WceUiAniDistance(span, move.m_nForm));
  WceUiAniStrip strips[kWceUiAniMaxStrips];
  const int nStrips = fnStrips(move.m_nForm, span, s, pFromBitmap, pToBitmap, strips);
  return WceUiDrawAniStrips(pMixedBitmap, rcWork, move.m_bVertical, strips, nStrips);
}

BOOL CWceUiWndAnimate::PlayEightWay(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                                    CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime,
                                    DWORD dwCodes, WceUiAniStripsFn fnStrips) {
  WceUiAniMove move;
  if (!IsDirectionIn(dwCodes) || !WceUiGetAniMove(m_nDirection, &move)) return FailBadDirection();
  return PlayStrips(pMixedBitmap, pFromBitmap, pToBitmap, nCurFrame, lpPlayTime, move, fnStrips);
}
