// The markup document's loader over any bytes: encoding detection, conversion, tokenizer, index,
// then a walk over whatever was indexed.
#include "services/CXmlDocument.h"

#include "tests/services/fuzz/FuzzInputFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!WriteFuzzInputFile("in.xml", data, size)) return 0;

  CXmlDocument doc;
  doc.LoadFile(u"\\in.xml");
  // Walk every element depth-first through the public navigation, reading an attribute each.
  doc.ResetPosition();
  int budget = 10000;
  while (budget-- > 0) {
    if (doc.FindElement()) {
      doc.GetAttribute(u"a");
      doc.GetTagName();
      doc.EnterElement();
      continue;
    }
    break;
  }
  for (int i = 0; i < doc.GetElemCount(); ++i) {
    const CXmlDocument::ElemPos& e = doc.GetElemPos(i);
    if (e.m_dwStart + e.m_dwLength > doc.GetDoc().size()) __builtin_trap();
  }
  return 0;
}
