// The style file reader over any file: every style the file names is built (through its overwrite
// chain), copied out and read back; every animation it names is looked up.
#include "wceui/styles/CFhStyleFile.h"

#include "tests/services/fuzz/FuzzInputFile.h"
#include "wceui/styles/CWceUiStyle.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteFuzzInputFile("in.style.xml", data, size)) return 0;
  CFhStyleFile file;
  if (!file.LoadStyleFile(u"\\in.style.xml")) {
    if (file.GetRootElem() != nullptr) __builtin_trap();
    return 0;
  }
  const CWceUiXmlElem* pRoot = file.GetRootElem();
  if (pRoot == nullptr) return 0;
  if (const CWceUiXmlElem* pStyles = pRoot->FindChildElem(u"style")) {
    for (const CWceUiXmlElem* p = pStyles->GetFirstChild(); p != nullptr; p = pStyles->GetNextChild(p)) {
      if (file.GetStyleNameIndex(p->GetTagName()) < 0) __builtin_trap();
      CWceUiStyle style;
      if (!file.GetStyleData(p->GetTagName(), &style)) continue;
      RECT rc;
      style.GetPosition(&rc);
      int nItems = 0;
      CWceUiBgItemCtrl& items = style.GetBgItemCtrl();
      for (CWceUiBgItem* pItem = items.GetHead(); pItem != nullptr; pItem = items.GetNext(pItem)) ++nItems;
      if (nItems != items.GetCount()) __builtin_trap();
      CWceUiStyle copy(style);
      if (copy.GetDrawTextCtrl().GetFormat() != style.GetDrawTextCtrl().GetFormat()) __builtin_trap();
    }
  }
  if (const CWceUiXmlElem* pAnimates = pRoot->FindChildElem(u"animate")) {
    for (const CWceUiXmlElem* p = pAnimates->GetFirstChild(); p != nullptr; p = pAnimates->GetNextChild(p)) {
      if (!file.DoesHaveAnimate(p->GetTagName()) || file.GetAnimateElem(p->GetTagName()) == nullptr)
        __builtin_trap();
    }
  }
  return 0;
}
