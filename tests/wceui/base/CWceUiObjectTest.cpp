#include "tests/wceui/base/RegistryProbeClasses.h"
#include "tests/wceui/core/WceUiTestRoot.h"

#include <memory>

namespace {

class CWceUiObjectTest : public WceUiTestRoot {};

std::unique_ptr<CWceUiObject> Create(LPCWSTR name) {
  return std::unique_ptr<CWceUiObject>(WceUiCreateObject(name));
}

TEST_F(CWceUiObjectTest, ObjectsReportTheirMostDerivedClass) {
  CWceUiObject object;
  EXPECT_EQ(std::u16string(object.GetClassName()), u"CWceUiObject");
  CProbeDlg dlg;
  EXPECT_EQ(std::u16string(dlg.GetClassName()), u"CProbeDlg");
}

struct KindCase {
  const char16_t* m_pszCls;
  const char16_t* m_pszBase;
  BOOL m_bKind;
};

TEST_F(CWceUiObjectTest, IsKindOfWalksTheBaseChain) {
  const KindCase cases[] = {
      {u"CProbeMainDlg", u"CProbeMainDlg", TRUE}, {u"CProbeMainDlg", u"CProbeDlg", TRUE},
      {u"CProbeMainDlg", u"CProbeLayer", TRUE},   {u"CProbeMainDlg", u"CWceUiObject", TRUE},
      {u"CProbeButton", u"CProbeDlg", FALSE},     {u"CProbeLayer", u"CWceUiObject", TRUE},
      {u"CProbeLayer", u"CProbeDlg", FALSE},      {u"CWceUiObject", u"CWceUiObject", TRUE},
      {u"CWceUiObject", u"CProbeLayer", FALSE},   {u"CProbeButton", u"NoSuchClass", FALSE},
      {u"CProbeEarly", u"CProbeLateBase", TRUE},  {u"CProbeEarly", u"CWceUiObject", TRUE},
  };
  for (const KindCase& c : cases) {
    std::unique_ptr<CWceUiObject> object = Create(c.m_pszCls);
    ASSERT_NE(object, nullptr) << WceWideToUtf8(c.m_pszCls);
    EXPECT_EQ(std::u16string(object->GetClassName()), c.m_pszCls);
    EXPECT_EQ(object->IsKindOf(c.m_pszBase), c.m_bKind)
        << WceWideToUtf8(c.m_pszCls) << " of " << WceWideToUtf8(c.m_pszBase);
  }
  EXPECT_TRUE(Log().empty());
  CProbeAnimate animate;
  EXPECT_TRUE(animate.IsKindOf(u"CWceUiObject"));
}

TEST_F(CWceUiObjectTest, OwnNameIsKindWithoutTheRegistry) {
  CWceUiObject object;
  object.SetClassName(u"CNeverRegistered");
  EXPECT_TRUE(object.IsKindOf(u"CNeverRegistered"));
  EXPECT_FALSE(object.IsKindOf(u"CWceUiObject"));
  EXPECT_EQ(WceUiFindClassRecord(u"CNeverRegistered"), nullptr);
}

TEST_F(CWceUiObjectTest, ClassRegisteredBeforeItsBaseIsCompletedByTheBase) {
  WceUiRegisterClass(nullptr, u"CTestChildA", u"CTestBaseB");
  CWceUiClassRecord* pChild = WceUiFindClassRecord(u"CTestChildA");
  CWceUiClassRecord* pBase = WceUiFindClassRecord(u"CTestBaseB");
  ASSERT_NE(pChild, nullptr);
  ASSERT_NE(pBase, nullptr);
  EXPECT_EQ(pChild->m_pBaseRecord, pBase);
  EXPECT_EQ(pBase->m_pfnCreate, nullptr);
  EXPECT_EQ(pBase->m_pBaseRecord, nullptr);
  // The placeholder creates nothing and logs nothing: the name is known.
  EXPECT_EQ(Create(u"CTestBaseB"), nullptr);
  EXPECT_TRUE(Log().empty());
  WceUiRegisterClass(nullptr, u"CTestBaseB", u"CProbeLayer");
  EXPECT_EQ(WceUiFindClassRecord(u"CTestBaseB"), pBase);
  EXPECT_EQ(pBase->m_pBaseRecord, WceUiFindClassRecord(u"CProbeLayer"));
  CWceUiObject object;
  object.SetClassName(u"CTestChildA");
  EXPECT_TRUE(object.IsKindOf(u"CTestBaseB"));
  EXPECT_TRUE(object.IsKindOf(u"CWceUiObject"));
}

TEST_F(CWceUiObjectTest, BaseNameStartingWithZeroMeansNoBase) {
  WceUiRegisterClass(nullptr, u"CTestRootless", u"0CWceUiObject");
  EXPECT_EQ(WceUiFindClassRecord(u"CTestRootless")->m_pBaseRecord, nullptr);
  EXPECT_EQ(WceUiFindClassRecord(u"0CWceUiObject"), nullptr);
  EXPECT_EQ(WceUiFindClassRecord(u"CWceUiObject")->m_pBaseRecord, nullptr);
}

TEST_F(CWceUiObjectTest, CreationFailuresAreLogged) {
  EXPECT_EQ(Create(u"CProbeAnimate"), nullptr);
  EXPECT_EQ(Create(u"CNoSuchClass"), nullptr);
  EXPECT_EQ(Create(nullptr), nullptr);
  EXPECT_EQ(Create(u""), nullptr);
  std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 6u);
  EXPECT_EQ(m[0],
            "error: you must use WCEUI_DYNCREATE_BEGIN/WCEUI_DYNCREATE_END for dynamic create object,not "
            "WCEUI_DYNAMIC_BEGIN/WCEUI_DYNAMIC_END.");
  EXPECT_EQ(m[1],
            "error: can not create class:CNoSuchClass, check WCEUI_DYNCREATE_BEGIN/ WCEUI_DYNCREATE_END");
  EXPECT_EQ(m[2], "error: WceUiCreateObject,check(NULL != pClassName)fail");
  EXPECT_EQ(m[3], "error: can not create class:, check WCEUI_DYNCREATE_BEGIN/ WCEUI_DYNCREATE_END");
  EXPECT_EQ(m[4], "error: WceUiCreateObject,check(*pClassName)fail");
  EXPECT_EQ(m[5], "error: can not create class:, check WCEUI_DYNCREATE_BEGIN/ WCEUI_DYNCREATE_END");
}

TEST_F(CWceUiObjectTest, BadNamesAreReported) {
  CWceUiObject object;
  object.SetClassName(u"");
  EXPECT_FALSE(object.IsKindOf(nullptr));
  std::vector<std::string> m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0], "error: CWceUiObject::SetClassName,check(*pClassName)fail");
  EXPECT_EQ(m[1], "error: CWceUiObject::IsKindOf,check(NULL != pBaseClassName)fail");
}

TEST_F(CWceUiObjectTest, RegistrationsOfAUnitNothingRefersToSurviveTheLink) {
  // CProbeMainDlg is declared in a library unit that no test names; it is found only because that
  // unit's registrar ran.
  std::unique_ptr<CWceUiObject> dlg = Create(u"CProbeMainDlg");
  ASSERT_NE(dlg, nullptr);
  EXPECT_TRUE(dlg->IsKindOf(u"CProbeLayer"));
}

}  // namespace
