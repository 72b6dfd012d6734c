// Including a class's header registers its record from this unit too, so the application's table
// is in the registry whenever this unit is linked, whatever else the linker keeps.
#include "WceAppClassTable.h"

#include "CHelpDlg.h"
#include "CMainDlg.h"
#include "CPhoneDlg.h"
#include "CVideoFrame.h"
#include "core/CRealDlg.h"
#include "core/CRealGenericWnd.h"
#include "core/CRealWnd.h"
#include "core/CWceUiDlg.h"
#include "core/CWceUiLayer.h"
#include "core/CWceUiObject.h"
#include "core/CWceUiRealWnd.h"
#include "resources/CWceUi32Bitmap.h"
#include "resources/CWceUi565Bitmap.h"
#include "resources/CWceUiGenericBitmap.h"
#include "widgets/CWceCheckBtn.h"
#include "widgets/CWceLoading.h"
#include "widgets/CWceResSrcoll.h"
#include "widgets/CWceResProgress.h"
#include "widgets/CWceRulingProgress.h"
#include "widgets/CWceTimerChkBtn.h"
#include "widgets/CWceUiButton.h"
#include "widgets/CWceUiScrollLayer.h"
#include "widgets/MovableContainer.h"

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
