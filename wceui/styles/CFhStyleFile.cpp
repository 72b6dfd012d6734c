#include "wceui/styles/CFhStyleFile.h"

#include "wceui/base/WceUiGeometry.h"
#include "wceui/base/WceUiLog.h"
#include "wceui/base/FhColor.h"
#include "platform/kernel/wcestr.h"
#include "wceui/styles/CWceUiStyle.h"
#include "wceui/animate/CWceUiWndAnimate.h"

#include <new>

namespace {

constexpr int kMaxOpacity = 255;

bool IsTrue(LPCWSTR pValue) {
  return pValue != nullptr && _wcsicmp(pValue, u"true") == 0;
}

bool Is(LPCWSTR pValue, LPCWSTR pWord) {
  return pValue != nullptr && _wcsicmp(pValue, pWord) == 0;
}

// A colour text longer than two units that begins with "0x" is a value; anything else is an id.
bool IsColorValue(LPCWSTR pColor) {
  return wcslen(pColor) > 2 && wcsncmp(pColor, u"0x", 2) == 0;
}

// One group reader's view of the style being built.
struct CStyleReader {
  LPCWSTR m_pName;
  CWceUiStyle* m_pStyle;

  BOOL ReadRect(LPCWSTR pRectText, RECT* pRect) const {
    if (ConvertRectStrToRect(pRectText, pRect)) return TRUE;
    WceUiLogW(WCEUI_LOG_ERROR, u"can not load style %s, %s is not a valid rect", m_pName, pRectText);
    return FALSE;
  }

  BOOL ReadOpacity(LPCWSTR pText, int* pOpacity) const {
    *pOpacity = 0;
    if (pText == nullptr) return TRUE;
    int nOpacity = _wtoi(pText);
    if (nOpacity < 0 || nOpacity > kMaxOpacity) {
      WceUiLogW(WCEUI_LOG_ERROR, u"can not load style %s, %s is not valid alpha value", m_pName, pText);
      return FALSE;
    }
    *pOpacity = nOpacity;
    return TRUE;
  }

  // Horizontal and vertical alignment words, each missing or unknown as nMissing / nInvalid.
  struct CAlignWord {
    LPCWSTR m_pWord;
    UINT m_nFlags;
  };
  UINT ReadAlign(LPCWSTR pValue, const char16_t* pAttr, const CAlignWord* pWords, UINT nMissing) const {
    if (pValue == nullptr) return nMissing;
    for (int i = 0; i < 3; ++i) {
      if (Is(pValue, pWords[i].m_pWord)) return pWords[i].m_nFlags;
    }
    WceUiLogW(WCEUI_LOG_ERROR, u"can not load style %s, %s is not valid for %s", m_pName, pValue, pAttr);
    return nMissing;
  }

  BOOL ReadPosition(const CWceUiXmlElem* pElem) const {
    RECT rc = {0, 0, 0, 0};
    LPCWSTR pRect = pElem->GetAttribute(u"rect");
    if (pRect != nullptr && !ReadRect(pRect, &rc)) return FALSE;
    m_pStyle->SetPosition(
        &rc, Is(pElem->GetAttribute(u"way"), u"relative") ? WCEUI_POSITION_RELATIVE : WCEUI_POSITION_WINDOW);
    m_pStyle->SetHas(kStyleHasPosition, TRUE);
    return TRUE;
  }

  BOOL ReadLayout(const CWceUiXmlElem* pElem) const {
    if (LPCWSTR p = pElem->GetAttribute(u"visibility")) {
      m_pStyle->SetShow(IsTrue(p));
      m_pStyle->SetHas(kStyleHasShow, TRUE);
    }
    if (LPCWSTR p = pElem->GetAttribute(u"disability")) {
      m_pStyle->SetEnable(!IsTrue(p));
      m_pStyle->SetHas(kStyleHasEnable, TRUE);
    }
    if (LPCWSTR p = pElem->GetAttribute(u"container")) {
      m_pStyle->SetContainer(IsTrue(p));
      m_pStyle->SetHas(kStyleHasContainer, TRUE);
    }
    return TRUE;
  }

  BOOL ReadText(const CWceUiXmlElem* pElem) const {
    if (LPCWSTR p = pElem->GetAttribute(u"res-id")) {
      m_pStyle->SetTextResID(p);
      m_pStyle->SetHas(kStyleHasTextID, TRUE);
    }
    if (LPCWSTR p = pElem->GetAttribute(u"color")) {
      if (IsColorValue(p)) {
        m_pStyle->SetTextColor(FhHexStrToColor(p));
      } else {
        m_pStyle->SetTextColor(p);
      }
      m_pStyle->SetHas(kStyleHasTextColor, TRUE);
    }
    if (const CWceUiXmlElem* pFont = pElem->FindChildElem(u"font")) {
      LPCWSTR pId = pFont->GetAttribute(u"id");
      if (pId != nullptr) m_pStyle->GetFontCtrl().SetFontFromRes(pId);
      m_pStyle->SetHas(kStyleHasFont, TRUE);
    }
    if (const CWceUiXmlElem* pDraw = pElem->FindChildElem(u"drawtext")) {
      if (LPCWSTR pRect = pDraw->GetAttribute(u"rect")) {
        RECT rc;
        if (!ReadRect(pRect, &rc)) return FALSE;
        m_pStyle->GetDrawTextCtrl().SetRect(&rc);
      }
      static const CAlignWord kVAlign[] = {
          {u"top", DT_TOP}, {u"bottom", DT_BOTTOM | DT_SINGLELINE}, {u"center", DT_VCENTER | DT_SINGLELINE}};
      static const CAlignWord kAlign[] = {{u"left", DT_LEFT}, {u"right", DT_RIGHT}, {u"center", DT_CENTER}};
      UINT nFormat = 0;
      LPCWSTR pMultiline = pDraw->GetAttribute(u"multiline");
      if (pMultiline != nullptr && !IsTrue(pMultiline)) nFormat |= DT_SINGLELINE;
      nFormat |= ReadAlign(pDraw->GetAttribute(u"valign"), u"valign", kVAlign, DT_TOP);
      nFormat |= ReadAlign(pDraw->GetAttribute(u"align"), u"align", kAlign, DT_LEFT);
      m_pStyle->GetDrawTextCtrl().SetFormat(nFormat);
      m_pStyle->SetHas(kStyleHasDrawText, TRUE);
    }
    return TRUE;
  }

  BOOL ReadBgItem(const CWceUiXmlElem* pElem, CWceUiBgItem* pItem) const {
    if (LPCWSTR p = pElem->GetAttribute(u"common-index")) pItem->SetCommonIndex(_wtoi(p));
    if (LPCWSTR p = pElem->GetAttribute(u"name")) pItem->SetName(p);
    if (LPCWSTR p = pElem->GetAttribute(u"id")) pItem->SetBitmapFromRes(p);
    RECT rc;
    if (LPCWSTR p = pElem->GetAttribute(u"src-rect")) {
      if (!ReadRect(p, &rc)) return FALSE;
      pItem->SetSrcRect(&rc);
    }
    if (LPCWSTR p = pElem->GetAttribute(u"dst-rect")) {
      if (!ReadRect(p, &rc)) return FALSE;
      pItem->SetDstRect(&rc);
    }
    static const CAlignWord kAlign[] = {
        {u"left", 0}, {u"right", WCEUI_ALIGN_RIGHT}, {u"center", WCEUI_ALIGN_HCENTER}};
    static const CAlignWord kVAlign[] = {
        {u"top", 0}, {u"bottom", WCEUI_ALIGN_BOTTOM}, {u"center", WCEUI_ALIGN_VCENTER}};
    pItem->SetAlign(ReadAlign(pElem->GetAttribute(u"align"), u"align", kAlign, WCEUI_ALIGN_HCENTER) |
                    ReadAlign(pElem->GetAttribute(u"valign"), u"valign", kVAlign, WCEUI_ALIGN_VCENTER));
    if (IsTrue(pElem->GetAttribute(u"zoom"))) pItem->SetZoom(TRUE);
    return TRUE;
  }

  BOOL ReadBackground(const CWceUiXmlElem* pElem) const {
    if (LPCWSTR p = pElem->GetAttribute(u"color")) {
      if (Is(p, u"transparent")) {
        m_pStyle->GetBgColorCtrl().SetTransparent(TRUE);
      } else if (IsColorValue(p)) {
        m_pStyle->GetBgColorCtrl().SetColor(FhHexStrToColor(p));
      } else {
        m_pStyle->GetBgColorCtrl().SetColor(p);
      }
      m_pStyle->SetHas(kStyleHasBgColor, TRUE);
    }
    if (pElem->GetFirstChild() == nullptr) return TRUE;
    CWceUiBgItemCtrl& items = m_pStyle->GetBgItemCtrl();
    items.RemoveAll();
    m_pStyle->SetHas(kStyleHasBgItems, TRUE);
    for (const CWceUiXmlElem* pChild = pElem->GetFirstChild(); pChild != nullptr;
         pChild = pElem->GetNextChild(pChild)) {
      CWceUiBgItem item;
      if (!ReadBgItem(pChild, &item)) return FALSE;
      items.AddTail(item);
    }
    return TRUE;
  }

  BOOL ReadFilters(const CWceUiXmlElem* pElem) const {
    int nOpacity = 0;
    if (const CWceUiXmlElem* pAlpha = pElem->FindChildElem(u"alpha")) {
      if (!ReadOpacity(pAlpha->GetAttribute(u"opacity"), &nOpacity)) return FALSE;
      m_pStyle->GetAlphaFilterCtrl().SetFilter(IsTrue(pAlpha->GetAttribute(u"enabled")), nOpacity);
      m_pStyle->SetHas(kStyleHasAlphaFilter, TRUE);
    }
    if (const CWceUiXmlElem* pMix = pElem->FindChildElem(u"mixcolor")) {
      if (!ReadOpacity(pMix->GetAttribute(u"opacity"), &nOpacity)) return FALSE;
      BOOL bEnabled = IsTrue(pMix->GetAttribute(u"enabled"));
      LPCWSTR pColor = pMix->GetAttribute(u"color");
      CWceUiMixColorFilterCtrl& mix = m_pStyle->GetMixColorFilterCtrl();
      if (pColor == nullptr) {
        mix.SetFilter(bEnabled, 0, nOpacity);
      } else if (IsColorValue(pColor)) {
        mix.SetFilter(bEnabled, FhHexStrToColor(pColor), nOpacity);
      } else {
        mix.SetFilterFromRes(bEnabled, pColor, nOpacity);
      }
      m_pStyle->SetHas(kStyleHasMixColorFilter, TRUE);
    }
    return TRUE;
  }

  BOOL ReadAdvProperties(const CWceUiXmlElem* pElem) const {
    if (LPCWSTR p = pElem->GetAttribute(u"no-draw")) {
      m_pStyle->SetNoDraw(IsTrue(p));
      m_pStyle->SetHas(kStyleHasNoDraw, TRUE);
    }
    if (LPCWSTR p = pElem->GetAttribute(u"no-input")) {
      m_pStyle->SetNoInput(IsTrue(p));
      m_pStyle->SetHas(kStyleHasNoInput, TRUE);
    }
    return TRUE;
  }
};

}  // namespace

CFhStyleFile::~CFhStyleFile() {
  Unload();
}

void CFhStyleFile::DeleteCachedStyles() {
  m_StyleCache.ForEach([](LPCWSTR, void* pValue) {
    delete static_cast<CWceUiStyle*>(pValue);
    return true;
  });
  m_StyleCache.RemoveAll();
}

void CFhStyleFile::Unload() {
  DeleteCachedStyles();
  Clean();
  m_StyleElems.clear();
}

BOOL CFhStyleFile::LoadStyleFile(LPCWSTR pStyleFile) {
  WCEUI_CHECK(NULL != pStyleFile);
  Unload();
  if (pStyleFile == nullptr) return FALSE;
  if (!LoadXmlFile(pStyleFile, FALSE)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CFhStyleFile::LoadStyleFile load xml file %s failed", pStyleFile);
    return FALSE;
  }
  CWceUiXmlElem* pRootElem = GetRootElem();
  WCEUI_CHECK(NULL != pRootElem);
  CWceUiXmlElem* pStyles = pRootElem != nullptr ? pRootElem->FindChildElem(u"style") : nullptr;
  if (pStyles != nullptr) {
    for (CWceUiXmlElem* p = pStyles->GetFirstChild(); p != nullptr; p = pStyles->GetNextChild(p)) {
      m_StyleElems.push_back(p);
    }
  }
  return IsLoaded();
}

int CFhStyleFile::GetStyleNameIndex(LPCWSTR pStyleName) const {
  if (pStyleName == nullptr || *pStyleName == 0 || !IsLoaded()) return -1;
  for (size_t i = 0; i < m_StyleElems.size(); ++i) {
    if (wcscmp(m_StyleElems[i]->GetTagName(), pStyleName) == 0) return static_cast<int>(i);
  }
  return -1;
}

BOOL CFhStyleFile::GetStyleData(LPCWSTR pStyleName, CWceUiStyle* pStyle) {
  WCEUI_CHECK(NULL != pStyleName);
  WCEUI_CHECK(NULL != pStyle);
  if (pStyleName == nullptr || pStyle == nullptr) return FALSE;
  WCEUI_CHECK(*pStyleName);
  WCEUI_CHECK(IsLoaded());
  if (*pStyleName == 0 || !IsLoaded()) return FALSE;
  void* pValue = nullptr;
  CWceUiStyle* pCached = m_StyleCache.Lookup(pStyleName, pValue) ? static_cast<CWceUiStyle*>(pValue)
                                                                 : ReadStyleFromFile(pStyleName);
  if (pCached == nullptr) return FALSE;
  *pStyle = *pCached;
  return TRUE;
}

CWceUiStyle* CFhStyleFile::ReadStyleFromFile(LPCWSTR pStyleName) {
  int nIndex = GetStyleNameIndex(pStyleName);
  if (nIndex < 0) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Load style %s failed, can not find", pStyleName);
    return nullptr;
  }
  CWceUiStyle* pNewStyle = new (std::nothrow) CWceUiStyle;
  WCEUI_CHECK(NULL != pNewStyle);
  if (pNewStyle == nullptr) return nullptr;
  if (!LoadStyle(pNewStyle, m_StyleElems[static_cast<size_t>(nIndex)]) ||
      !m_StyleCache.SetAt(pStyleName, pNewStyle, TRUE)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"can not load style %s", pStyleName);
    delete pNewStyle;
    return nullptr;
  }
  return pNewStyle;
}

BOOL CFhStyleFile::LoadStyle(CWceUiStyle* pNewStyle, CWceUiXmlElem* pStyleElem) {
  WCEUI_CHECK(NULL != pNewStyle);
  WCEUI_CHECK(NULL != pStyleElem);
  if (pNewStyle == nullptr || pStyleElem == nullptr) return FALSE;
  LPCWSTR pName = pStyleElem->GetTagName();
  if (LPCWSTR pBase = pStyleElem->GetAttribute(u"overwrite")) {
    int nOwn = GetStyleNameIndex(pName);
    int nBase = GetStyleNameIndex(pBase);
    if (nBase < 0) {
      WceUiLogW(WCEUI_LOG_ERROR, u"overwrite: can not find style %s", pBase);
      return FALSE;
    }
    // Only an earlier style may be overwritten, so every chain ends.
    if (nOwn <= nBase) {
      WceUiLogW(WCEUI_LOG_ERROR, u"style %s can not overwrite %s, not right order", pName, pBase);
      return FALSE;
    }
    if (m_nOverwriteDepth >= kMaxOverwriteDepth) {
      WceUiLogW(WCEUI_LOG_ERROR, u"style %s can not overwrite %s, more than %d styles deep", pName, pBase,
                kMaxOverwriteDepth);
      return FALSE;
    }
    ++m_nOverwriteDepth;
    BOOL bBase = GetStyleData(pBase, pNewStyle);
    --m_nOverwriteDepth;
    if (!bBase) return FALSE;
  }
  CStyleReader reader{pName, pNewStyle};
  const struct {
    const char16_t* m_pTag;
    BOOL (CStyleReader::*m_pfnRead)(const CWceUiXmlElem*) const;
  } kGroups[] = {
      {u"position", &CStyleReader::ReadPosition}, {u"layout", &CStyleReader::ReadLayout},
      {u"text", &CStyleReader::ReadText},         {u"background", &CStyleReader::ReadBackground},
      {u"filters", &CStyleReader::ReadFilters},   {u"adv-properties", &CStyleReader::ReadAdvProperties},
  };
  for (const auto& group : kGroups) {
    const CWceUiXmlElem* pGroup = pStyleElem->FindChildElem(group.m_pTag);
    if (pGroup != nullptr && !(reader.*group.m_pfnRead)(pGroup)) return FALSE;
  }
  return TRUE;
}

CWceUiXmlElem* CFhStyleFile::GetAnimateElem(LPCWSTR pAnimateName) const {
  WCEUI_CHECK(NULL != pAnimateName);
  if (pAnimateName == nullptr) return nullptr;
  WCEUI_CHECK(*pAnimateName);
  CWceUiXmlElem* pRoot = GetRootElem();
  WCEUI_CHECK(NULL != pRoot);
  CWceUiXmlElem* pAnimates = pRoot != nullptr ? pRoot->FindChildElem(u"animate") : nullptr;
  if (pAnimates == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Can not load animate element in style file");
    return nullptr;
  }
  CWceUiXmlElem* pAnimate = pAnimates->FindChildElem(pAnimateName);
  if (pAnimate == nullptr)
    WceUiLogW(WCEUI_LOG_ERROR, u"Can not load %s element  in style file", pAnimateName);
  return pAnimate;
}

BOOL CFhStyleFile::DoesHaveAnimate(LPCWSTR pAnimateName) const {
  if (pAnimateName == nullptr || !IsLoaded() || GetRootElem() == nullptr) return FALSE;
  CWceUiXmlElem* pAnimates = GetRootElem()->FindChildElem(u"animate");
  return pAnimates != nullptr && pAnimates->FindChildElem(pAnimateName) != nullptr;
}

CWceUiWndAnimate* CFhStyleFile::GetWndAnimate(LPCWSTR pAnimateName) const {
  if (!IsLoaded()) {
    WceUiLogW(WCEUI_LOG_ERROR, u"CFhStyleFile::GetWndAnimate failed, the xml file is not loaded");
    return nullptr;
  }
  CWceUiXmlElem* pElem = GetAnimateElem(pAnimateName);
  if (pElem == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Can not load animate item %s", pAnimateName != nullptr ? pAnimateName : u"");
    return nullptr;
  }
  LPCWSTR pType = pElem->GetAttribute(u"type");
  if (pType == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Load animate %s failed, can not find type attribute", pAnimateName);
    return nullptr;
  }
  CWceUiObject* pObject = WceUiCreateObject(pType);
  if (pObject == nullptr) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Load animate %s failed, can not create object from type: %s", pAnimateName,
              pType);
    return nullptr;
  }
  if (!pObject->IsKindOf(WCEUI_CLASS_NAME(CWceUiWndAnimate))) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Load animate %s failed, the type %s is not a kind of CWceUiWndAnimate",
              pAnimateName, pType);
    delete pObject;
    return nullptr;
  }
  CWceUiWndAnimate* pNewAnimate = static_cast<CWceUiWndAnimate*>(pObject);
  if (!pNewAnimate->Init(pElem)) {
    WceUiLogW(WCEUI_LOG_ERROR, u"Load animate %s failed, call pNewAnimate->Init failed", pAnimateName);
    delete pNewAnimate;
    return nullptr;
  }
  pNewAnimate->SetName(pAnimateName);
  return pNewAnimate;
}
