// A window animation: the transition shown when a dialog replaces what the window showed. Frame n
// of N is composed from the old picture ("from") and the new one ("to") into a third bitmap of the
// same size ("mixed") that the window presents; the last frame is always the new picture. The
// animations are named in a dialog's style file, created by class name and set up from their
// element:
//   <animate> <Name type="CWceUiComeAni" frame-count="12" rect="x,y,w,h" direction="left"
//             frame-length="33"/> </animate>
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiObject.h"
#include "wceui/animate/WceUiAniStrips.h"

class CWceUiGenericBitmap;
class CWceUiXmlElem;

// Direction codes of the wipe, the slide-in and the slide-out (the push has its own, below).
enum WceUiAniDirection : UINT {
  kWceUiAniLeft = 1,
  kWceUiAniRight = 2,
  kWceUiAniUp = 3,
  kWceUiAniDown = 4,
  kWceUiAniLrMid = 5,  // from both sides toward the middle
  kWceUiAniMidLr = 6,  // from the middle toward both sides
  kWceUiAniUdMid = 7,
  kWceUiAniMidUd = 8,
};

// Direction codes of the push.
enum WceUiSliderDirection : UINT {
  kWceUiSliderUp = 1,
  kWceUiSliderDown = 2,
  kWceUiSliderLeft = 3,
  kWceUiSliderRight = 4,
};

// One word of a direction attribute and its code.
struct WceUiAniDirectionWord {
  LPCWSTR m_pWord;
  UINT m_nDirection;
};

// The words of the eight-direction codes, in code order.
extern const WceUiAniDirectionWord kWceUiAniDirectionWords[8];

// Sets of direction codes, bit n for code n.
constexpr DWORD WceUiAniCodeBit(UINT nDirection) {
  return 1u << nDirection;
}
constexpr DWORD kWceUiAniAllEight = 0x1FE;

class CWceUiWndAnimate : public CWceUiObject {
 public:
  static constexpr int kNameChars = 64;  // with the terminator
  static constexpr int kDefaultFrameCount = 12;
  static constexpr int kDefaultFrameLength = 33;  // ms

  CWceUiWndAnimate();
  ~CWceUiWndAnimate() override;

  // The element's tag as the name, "frame-count" and "rect"; the kinds add their own attributes.
  virtual BOOL Init(CWceUiXmlElem* pElem);
  // Before each transition: the three bitmaps must suit the animation.
  virtual BOOL ReStart(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                       CWceUiGenericBitmap* pToBitmap);
  // Composes frame nCurFrame (0 ... frame count - 1) into the mixed bitmap, inside the animation
  // rectangle only, and hands out the milliseconds the frame is to stay.
  virtual BOOL Play(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                    CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime) = 0;
  virtual void End() {}
  virtual void SetRandomDirection() {}

  void SetName(LPCWSTR pName);
  LPCWSTR GetName() const { return m_szName; }
  void SetFrameCount(int nFrameCount);
  int GetFrameCount() const { return m_nFrameCount; }
  void SetRect(const RECT& rcAnimate) { m_rcAnimate = rcAnimate; }
  void GetRect(LPRECT lpRcAnimate) const;
  void SetEnabled(BOOL bEnabled) { m_bEnabled = bEnabled; }
  BOOL IsEnabled() const { return m_bEnabled; }
  // The frame length and the direction belong to the kinds; the cross-fade has no direction.
  int GetFrameLength() const { return m_nFrameLength; }
  UINT GetDirection() const { return m_nDirection; }
  // Not checked here: a code outside the kind's set fails Play.
  void SetDirection(UINT nDirection) { m_nDirection = nDirection; }

  BOOL CheckParameter(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                      CWceUiGenericBitmap* pToBitmap) const;

 protected:
  // The base's Init, then "direction" by the words given whose code is in dwCodes (nWords 0: no
  // direction) and "frame-length"; each failure logs in the name of the kind.
  BOOL InitKind(CWceUiXmlElem* pElem, const WceUiAniDirectionWord* pWords, int nWords, DWORD dwCodes);
  BOOL IsDirectionIn(DWORD dwCodes) const {
    return m_nDirection < 32 && (dwCodes & WceUiAniCodeBit(m_nDirection)) != 0;
  }
  // The first steps of every Play: the frame, the output and the bitmaps checked, and the working
  // rectangle (the animation rectangle clipped to the mixed bitmap) found. On the last frame the
  // new picture is copied in and *pbDone is set.
  BOOL BeginFrame(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                  CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime, RECT* pRcWork,
                  BOOL* pbDone);
  BOOL FailBadDirection() const;
  // A frame of strips: the last frame is the new picture, any other is what fnStrips makes of the
  // displacement along the move.
  BOOL PlayStrips(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                  CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime, const WceUiAniMove& move,
                  WceUiAniStripsFn fnStrips);
  // PlayStrips for the eight-direction codes, with dwCodes the kind's own set.
  BOOL PlayEightWay(CWceUiGenericBitmap* pMixedBitmap, CWceUiGenericBitmap* pFromBitmap,
                    CWceUiGenericBitmap* pToBitmap, int nCurFrame, DWORD* lpPlayTime, DWORD dwCodes,
                    WceUiAniStripsFn fnStrips);

  int m_nFrameLength = kDefaultFrameLength;
  UINT m_nDirection = kWceUiAniRight;

 private:
  BOOL m_bEnabled = 1;
  RECT m_rcAnimate;
  int m_nFrameCount = kDefaultFrameCount;
  WCHAR m_szName[kNameChars] = {};
};

WCEUI_DYNAMIC_BEGIN(CWceUiWndAnimate, CWceUiObject)
WCEUI_DYNAMIC_END(CWceUiWndAnimate)

// The class names of the window animations, each once, in the order the kinds registered at
// start-up.
void WceUiAddAnimateClassName(LPCWSTR pClassName);
int WceUiGetAnimateClassCount();
LPCWSTR WceUiGetAnimateClassName(int nIndex);
