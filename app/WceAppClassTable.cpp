// Including a class's header registers its record from this unit too, so the application's table
// is in the registry whenever this unit is linked, whatever else the linker keeps.
#include "app/WceAppClassTable.h"

#include "app/CHelpDlg.h"
#include "app/CMainDlg.h"
#include "app/CPhoneDlg.h"
#include "app/CVideoFrame.h"
#include "wceui/core/CRealDlg.h"
#include "wceui/core/CRealGenericWnd.h"
#include "wceui/core/CRealWnd.h"
#include "wceui/core/CWceUiDlg.h"
#include "wceui/core/CWceUiLayer.h"
#include "wceui/base/CWceUiObject.h"
#include "wceui/core/CWceUiRealWnd.h"
#include "wceui/drawing/CWceUi32Bitmap.h"
#include "wceui/drawing/CWceUi565Bitmap.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "app/widgets/CWceCheckBtn.h"
#include "app/widgets/CWceLoading.h"
#include "app/widgets/CWceResSrcoll.h"
#include "app/widgets/CWceResProgress.h"
#include "app/widgets/CWceRulingProgress.h"
#include "app/widgets/CWceTimerChkBtn.h"
#include "wceui/widgets/CWceUiButton.h"
#include "wceui/widgets/CWceUiScrollLayer.h"
#include "app/widgets/MovableContainer.h"

namespace {

const WceAppClassRecord g_appClassTable[] = {
    {u"CWceUiObject", nullptr},
    {u"CRealGenericWnd", u"CWceUiObject"},
    {u"CRealWnd", u"CRealGenericWnd"},
    {u"CRealDlg", u"CRealWnd"},
    {u"CWceUiRealWnd", u"CRealDlg"},
    {u"CWceUiLayer", u"CWceUiObject"},
    {u"CWceUiDlg", u"CWceUiLayer"},
    {u"CWceUiButton", u"CWceUiLayer"},
    {u"CWceUiScrollLayer", u"CWceUiLayer"},
    {u"CWceUiGenericBitmap", u"CWceUiObject"},
    {u"CWceUi565Bitmap", u"CWceUiGenericBitmap"},
    {u"CWceUi32Bitmap", u"CWceUiGenericBitmap"},
    {u"CMainDlg", u"CWceUiDlg"},
    {u"CHelpDlg", u"CWceUiDlg"},
    {u"CPhoneDlg", u"CWceUiDlg"},
    {u"CVideoFrame", u"CWceUiLayer"},
    {u"CWceLoading", u"CWceUiLayer"},
    {u"CWceResProgress", u"CWceUiLayer"},
    {u"CWceCheckBtn", u"CWceUiButton"},
    {u"CWceTimerChkBtn", u"CWceUiButton"},
    {u"CWceRulingProgress", u"CWceUiLayer"},
    {u"MovableContainer", u"CWceUiLayer"},
    {u"CWceResSrcoll", u"CWceUiScrollLayer"},
};

}  // namespace

const WceAppClassRecord* WceAppGetClassTable(int* pCount) {
  if (pCount != nullptr) *pCount = static_cast<int>(sizeof(g_appClassTable) / sizeof(g_appClassTable[0]));
  return g_appClassTable;
}
