#pragma once
// What the phone app can be made to do on its own, from the text form
// "KIND[=ARG]": a package on one channel (built here, stamped and framed
// when it goes out), the app's death, a pulled cable or a fault of the ADB
// side. The kinds are listed in CPhoneApp::Inject.
#include <cstdint>
#include <string>
#include <vector>

namespace phonesim {

struct SAppInjection {
    enum EAct { Write, Death, Unplug, Adb } act = Write;
    int channel = 0;
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
