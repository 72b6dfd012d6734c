// A dialog's style file: a UTF-16 XML document whose root holds `style` (each child a named style)
// and `animate` (each child a named window animation). Styles are built on first request, with
// single inheritance through "overwrite" (only of a style that stands earlier in the file), kept
// in a cache, and handed out as copies.
//
// A style element's groups, each optional (tags and attribute names without regard to case):
//   <position rect="x,y,w,h" way="relative"/>
//   <layout visibility="true" disability="true" container="true"/>
//   <text res-id="ID" color="0xRRGGBB|COLORID"> <font id="ID"/> <drawtext rect=".." multiline=".."
//         valign="top|center|bottom" align="left|center|right"/> </text>
//   <background color="transparent|0xRRGGBB|COLORID"> <any common-index="N" name=".." id="BITMAPID"
//         src-rect=".." dst-rect=".." align=".." valign=".." zoom="true"/> ... </background>
//   <filters> <alpha enabled="true" opacity="0..255"/> <mixcolor enabled=".." opacity=".."
//         color=".."/> </filters>
//   <adv-properties no-draw="true" no-input="true"/>
// An animation element: <Name type="CWceUiBarnAni" .../> (animate/CWceUiWndAnimate.h).
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiStrMap.h"
#include "wceui/resfiles/CWceUiXmlDoc.h"

#include <vector>

class CWceUiStyle;
class CWceUiWndAnimate;

class CFhStyleFile : public CWceUiXmlDoc {
 public:
  // Styles an overwrite chain may pass through at most.
  static constexpr int kMaxOverwriteDepth = 64;

  CFhStyleFile() = default;
  ~CFhStyleFile() override;

  // Unloads first. 1 when the document loaded, with or without a `style` element.
  BOOL LoadStyleFile(LPCWSTR pStyleFile);
  void Unload();
  // The position of the first style of that name (letter case counts), or -1.
  int GetStyleNameIndex(LPCWSTR pStyleName) const;
  // The named style (values and is-set flags) copied into pStyle.
  BOOL GetStyleData(LPCWSTR pStyleName, CWceUiStyle* pStyle);
  BOOL LoadStyle(CWceUiStyle* pNewStyle, CWceUiXmlElem* pStyleElem);
  CWceUiXmlElem* GetAnimateElem(LPCWSTR pAnimateName) const;
  BOOL DoesHaveAnimate(LPCWSTR pAnimateName) const;
  // A new animation of the element's "type", set up from the element and named pAnimateName;
  // the caller owns it.
  CWceUiWndAnimate* GetWndAnimate(LPCWSTR pAnimateName) const;
  int GetCachedStyleCount() const { return m_StyleCache.GetCount(); }

 private:
  CWceUiStyle* ReadStyleFromFile(LPCWSTR pStyleName);
  void DeleteCachedStyles();

  CWceUiStrMap m_StyleCache;  // name -> owned CWceUiStyle
  std::vector<CWceUiXmlElem*> m_StyleElems;
  int m_nOverwriteDepth = 0;
};
