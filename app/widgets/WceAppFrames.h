// What the application's frame animations share: frame bitmaps named by a layer's "res_count" and
// "res_name_1" ... attributes, and one frame drawn at the layer's top-left corner.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "platform/user/user.h"

class CWceUiGenericBitmap;
class CWceUiLayer;
class CWceUiLoadBitmap;
class CWceUiXmlElem;

// Fills the holders from "res_name_1" ... up to "res_count" (a missing name leaves its frame
// empty; frames past the holders are not held) and answers the count, 0 when absent or negative.
// *ppLastName (when given) becomes the last frame name present, or NULL when none was.
int WceAppReadFrames(CWceUiXmlElem* pElem, CWceUiLoadBitmap* pHolders, int nHolders, LPCWSTR* ppLastName);

// Frames stored with per-pixel alpha have a last name with "32a.conf" or "565a.conf"; none is not.
BOOL WceAppIsAlphaFrameName(LPCWSTR pName);

// The bitmap with its top-left corner at (x, y) of the draw target, cut to rcClip: blended by its
// per-pixel alpha (bBlend) or copied.
void WceAppDrawBitmapAt(CWceUiGenericBitmap* pDrawBitmap, CWceUiGenericBitmap* pBitmap, int x, int y,
                        const RECT& rcClip, BOOL bBlend);

// The frame at the layer's top-left corner at its own size, cut to what the layer may paint now:
// blended by its per-pixel alpha (bBlend) or copied.
void WceAppDrawFrame(CWceUiLayer* pLayer, CWceUiGenericBitmap* pDrawBitmap, BOOL bOwnBitmap,
                     CWceUiGenericBitmap* pFrame, BOOL bBlend);
