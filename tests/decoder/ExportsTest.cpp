// The library's exports as another program finds them: by name, with C linkage, and nothing else.
#include "tests/decoder/LumadecTestSupport.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/library.h"

#include <cstdlib>

namespace {

// The 23 exports, in the order of their ordinals (alphabetical).
const char16_t* const kExports[] = {
    u"ADec_CreateInstance", u"ADec_Flush",
    u"ADec_GetMsgID",       u"ADec_GetVolume",
    u"ADec_Pause",          u"ADec_ReleaseInstance",
    u"ADec_Resume",         u"ADec_SetCmmb",
    u"ADec_SetParam",       u"ADec_SetSinkInfo",
    u"ADec_SetVolume",      u"ADec_SetiPod",
    u"ADec_Stop",           u"ADec_WaitEOS",
    u"ADec_WriteData",      u"HW_AudioInfo_GetSourceSpectrums",
    u"HW_CloseAudioDev",    u"HW_OpenAudioDev",
    u"Vdec_CreateInstance", u"Vdec_FreeOutputBuf",
    u"Vdec_GetOutputData",  u"Vdec_ReleaseInstance",
    u"Vdec_SetInputData",
};

TEST(LumadecExportsTest, EveryFunctionIsFoundByNameAndNothingElse) {
  static_assert(sizeof(kExports) / sizeof(kExports[0]) == 23, "23 exports");
  ASSERT_FALSE(lumadectest::MakeRoot().empty());
  HMODULE library = LoadLibraryW(u"lumadec.dll");
  ASSERT_NE(library, nullptr);
  for (const char16_t* name : kExports) {
    SCOPED_TRACE(WceWideToUtf8(name));
    EXPECT_NE(GetProcAddressW(library, name), nullptr);
  }
  for (const char16_t* hidden : {u"LumadecLogVersion", u"_Z17LumadecLogVersionRK14LumadecVersion",
                                 u"_ZN13CAdecInstance6CreateEmPFvmjP11ADEC_BUFFERjjEj"}) {
    SCOPED_TRACE(WceWideToUtf8(hidden));
    EXPECT_EQ(GetProcAddressW(library, hidden), nullptr);
  }
  // The same library the program linked: one set of its globals.
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddressW(library, u"ADec_Flush")),
            reinterpret_cast<void*>(&ADec_Flush));
  FreeLibrary(library);
}

}  // namespace
