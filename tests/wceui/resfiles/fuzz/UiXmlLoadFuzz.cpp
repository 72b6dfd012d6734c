// The UI XML reader over any file (and an include of it): a loaded document's tree is walked to
// its leaves, every name and attribute read; a failed load leaves no tree.
#include "wceui/resfiles/CWceUiXmlDoc.h"

#include "platform/kernel/wcestr.h"
#include "tests/services/fuzz/FuzzInputFile.h"

#include <cstdint>

namespace {

size_t Walk(const CWceUiXmlElem* pElem, int nDepth) {
  if (pElem->GetDepth() != nDepth || nDepth >= CWceUiXmlDoc::kMaxDepth) __builtin_trap();
  size_t n = wcslen(pElem->GetTagName());
  pElem->GetAttribute(u"name");
  int nChildren = 0;
  for (const CWceUiXmlElem* c = pElem->GetFirstChild(); c != nullptr; c = pElem->GetNextChild(c)) {
    if (c->GetParent() != pElem) __builtin_trap();
    n += Walk(c, nDepth + 1);
    ++nChildren;
  }
  if (nChildren != pElem->GetChildCount()) __builtin_trap();
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteFuzzInputFile("in.xml", data, size)) return 0;
  static const uint8_t kIncluding[] =
      "\xFF\xFE<\0a\0>\0\n\0#\0i\0n\0c\0l\0u\0d\0e\0_\0x\0m\0l\0 "
      "\0\"\0i\0n\0.\0x\0m\0l\0\"\0\n\0<\0/\0a\0>\0";
  if (!WriteFuzzInputFile("inc.xml", kIncluding, sizeof kIncluding - 1)) return 0;
  for (const char16_t* path : {u"\\in.xml", u"\\inc.xml"}) {
    for (BOOL bKeep : {FALSE, TRUE}) {
      CWceUiXmlDoc doc;
      BOOL bLoaded = doc.LoadXmlFile(path, bKeep);
      if (!bLoaded && (doc.GetRootElem() != nullptr || doc.GetFirstNode() != nullptr)) __builtin_trap();
      if (doc.GetRootElem() != nullptr) Walk(doc.GetRootElem(), 0);
    }
  }
  return 0;
}
