#pragma once
// What the phone app can be made to do on its own, from the text form
// "KIND[=ARG]": a package on one channel (built here, stamped and framed
// when it goes out), a burst of pictures, a stall of the video stream, an
// answer the app stops giving, the app's death, a pulled cable or a fault of
// the ADB side, and the lies of a broken or hostile app: frames whose header
// announces another length than follows, bytes that are no frame, pictures
// that are no good JPEG, messages that do not parse, floods of frames. The
// kinds are listed in CPhoneApp::Inject. Random bytes are reproducible: the
// top byte of each output of the standard mt19937 seeded with the rule's seed.

#include <cstdint>
#include <string>
#include <vector>

namespace phonesim {

struct SAppInjection {
  enum EAct { Write, Burst, Stall, Ignore, Death, Unplug, Adb, Garbage, Picture, Flood } m_Act = Write;
  int m_nChannel = 0;
  long m_nCount = 0;        // Burst: pictures; Stall: milliseconds; Flood: frames
  uint32_t m_nIgnored = 0;  // Ignore: the head unit's message type left unanswered
  uint32_t m_nType = 0;
  std::vector<uint8_t> m_Payload;  // Garbage: the bytes; Picture "noise": the whole picture
  std::string m_strText;           // Adb: the fault's text form; Picture: the kind of bad picture
  // Write: the length the header announces instead of the payload's own.
  bool m_bLengthLie = false;
  uint32_t m_nAnnounced = 0;
};

class CAppInjection {
 public:
  // false with a reason for an unknown kind or a bad argument.
  static bool Build(const std::string& what, SAppInjection* out, std::string* error);
};

}  // namespace phonesim
