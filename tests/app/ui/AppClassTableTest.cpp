// The table of class records the application gives the registry: every class that dialog files
// or the program create by name, each registered with the base its record names.
#include "app/CVideoFrame.h"
#include "app/WceAppClassTable.h"

#include "platform/kernel/wcestr.h"
#include "wceui/base/CWceUiClassRegistrar.h"
#include "wceui/base/CWceUiObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>

namespace {

using ClassPair = std::pair<std::u16string, std::u16string>;  // class, base ("" for none)

std::set<ClassPair> TableOf(const WceAppClassRecord* pTable, int nCount) {
  std::set<ClassPair> out;
  for (int i = 0; i < nCount; ++i)
    out.insert({pTable[i].m_pszClassName,
                pTable[i].m_pszBaseClassName != nullptr ? pTable[i].m_pszBaseClassName : u""});
  return out;
}

std::string Narrow(const std::u16string& s) {
  return WceWideToUtf8(s);
}

TEST(AppClassTable, HoldsTheApplicationsTwentyThreeRecords) {
  const std::set<ClassPair> kExpected = {
      {u"CWceUiObject", u""},
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
  ASSERT_EQ(kExpected.size(), 23u);
  int nCount = 0;
  const WceAppClassRecord* pTable = WceAppGetClassTable(&nCount);
  ASSERT_NE(pTable, nullptr);
  EXPECT_EQ(nCount, 23);
  const std::set<ClassPair> table = TableOf(pTable, nCount);
  for (const ClassPair& c : kExpected) EXPECT_EQ(table.count(c), 1u) << "missing " << Narrow(c.first);
  for (const ClassPair& c : table)
    EXPECT_EQ(kExpected.count(c), 1u) << "not the application's " << Narrow(c.first);
}

TEST(AppClassTable, EveryRecordIsRegisteredWithItsBase) {
  int nCount = 0;
  const WceAppClassRecord* pTable = WceAppGetClassTable(&nCount);
  ASSERT_NE(pTable, nullptr);
  std::set<std::u16string> names;
  for (int i = 0; i < nCount; ++i) {
    const std::string what = Narrow(pTable[i].m_pszClassName);
    EXPECT_TRUE(names.insert(pTable[i].m_pszClassName).second) << what << " twice";
    CWceUiClassRecord* pRecord = WceUiFindClassRecord(pTable[i].m_pszClassName);
    ASSERT_NE(pRecord, nullptr) << what;
    EXPECT_NE(pRecord->m_pfnCreate, nullptr) << what;
    CWceUiClassRecord* pBase = pTable[i].m_pszBaseClassName != nullptr
                                   ? WceUiFindClassRecord(pTable[i].m_pszBaseClassName)
                                   : nullptr;
    if (pTable[i].m_pszBaseClassName != nullptr) {
      ASSERT_NE(pBase, nullptr) << what;
    }
    EXPECT_EQ(pRecord->m_pBaseRecord, pBase) << what;
  }
  // The application's own layers are made by name and know what they are.
  for (const char16_t* pName :
       {u"CVideoFrame", u"CWceLoading", u"CWceResProgress", u"CWceCheckBtn", u"CWceTimerChkBtn"}) {
    std::unique_ptr<CWceUiObject> pObject(WceUiCreateObject(pName));
    ASSERT_NE(pObject, nullptr) << Narrow(pName);
    EXPECT_EQ(std::u16string(pObject->GetClassName()), pName);
    EXPECT_TRUE(pObject->IsKindOf(u"CWceUiLayer")) << Narrow(pName);
    EXPECT_TRUE(names.count(pName) == 1) << Narrow(pName);
  }
  // The video container of the connection screen gets the real video layer.
  std::unique_ptr<CWceUiObject> pVideo(WceUiCreateObject(u"CVideoFrame"));
  EXPECT_NE(dynamic_cast<CVideoFrame*>(pVideo.get()), nullptr);
}

}  // namespace
