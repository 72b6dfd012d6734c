#pragma once
// What the phone app can be made to do on its own, from the text form
// "KIND[=ARG]": a package on one channel (built here, stamped and framed
// when it goes out), a burst of pictures, a stall of the video stream, an
// answer the app stops giving, the app's death, a pulled cable or a fault of
// the ADB side. The kinds are listed in CPhoneApp::Inject.
#include <cstdint>
#include <string>
#include <vector>

namespace phonesim {

struct SAppInjection {
  enum EAct { Write, Burst, Stall, Ignore, Death, Unplug, Adb } m_Act = Write;
  int m_nChannel = 0;
  long m_nCount = 0;        // Burst: pictures; Stall: milliseconds
  uint32_t m_nIgnored = 0;  // Ignore: the head unit's message type left unanswered
  uint32_t m_nType = 0;
  std::vector<uint8_t> m_Payload;
  std::string m_strText;  // Adb: the fault's text form
};

class CAppInjection {
 public:
  // false with a reason for an unknown kind or a bad argument.
  static bool Build(const std::string& what, SAppInjection* out, std::string* error);
};

}  // namespace phonesim
