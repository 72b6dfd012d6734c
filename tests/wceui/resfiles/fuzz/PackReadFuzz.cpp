// The pack index and item reader over any pack. The input is a pack with its index in the clear:
// the target scrambles the bytes the header names as the index with the password's key before
// writing the file, so the fuzzer explores the index walk rather than the scramble. Every read
// either fails or gives exactly the size the index promises.
#include "wceui/resfiles/CWceUiPackFile.h"
#include "wceui/resfiles/WceUiPackFormat.h"
#include "wceui/resfiles/WceUiReadFile.h"

#include "tests/services/fuzz/FuzzInputFile.h"
#include "wceui/resfiles/CFhGlobals.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char16_t kPassword[] = u"fuzz";
  std::vector<BYTE> pack(data, data + size);
  if (size >= kPackHeaderSize) {
    DWORD nIndexEnd = FhReadPackDword(pack.data() + kPackHeaderIndexEndOffset);
    DWORD nEnd = nIndexEnd < size ? nIndexEnd : DWORD(size);
    if (nEnd > kPackHeaderSize) {
      FhScramblePackIndex(pack.data() + kPackHeaderSize, nEnd - kPackHeaderSize, FhPackKey(kPassword));
    }
  }
  if (!WriteFuzzInputFile("in.pack", pack.data(), pack.size())) return 0;
  WceUiGetGlobals()->GetPackCache()->RemoveAll();

  static const char16_t* const kItems[] = {u"\\in.pack\\a", u"\\in.pack\\wnd\\main.xml", u"\\in.pack\\B/c",
                                           u"\\in.pack\\\xFFFF"};
  for (const char16_t* item : kItems) {
    for (const char16_t* password : {kPassword, u"other", kPassword}) {
      DWORD nSize = 1;
      std::unique_ptr<BYTE[]> pItem(WceUiReadFile(item, &nSize, password));
      if (pItem == nullptr && nSize != 0) __builtin_trap();
      if (pItem != nullptr && nSize > 0) {
        volatile BYTE last = pItem[nSize - 1];  // the whole promised size is readable
        (void)last;
      }
    }
  }
  CWceUiPackFile file(u"\\in.pack");
  if (file.LoadIndex(kPassword) && (file.GetCount() < 0 || !file.IsLoaded())) __builtin_trap();
  return 0;
}
