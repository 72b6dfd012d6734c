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
  enum EAct { Write, Burst, Stall, Ignore, Death, Unplug, Adb } act = Write;
  int channel = 0;
  long count = 0;        // Burst: pictures; Stall: milliseconds
  uint32_t ignored = 0;  // Ignore: the head unit's message type left unanswered
  uint32_t type = 0;
  std::vector<uint8_t> payload;
  std::string text;  // Adb: the fault's text form
};

class CAppInjection {
 public:
  // false with a reason for an unknown kind or a bad argument.
  static bool Build(const std::string& what, SAppInjection* out, std::string* error);
};

}  // namespace phonesim
