// Readers of the phone shell's answer texts. Each takes the bytes of one WRTE payload (or the
// process-list window) with their length; none relies on a terminator inside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ShellAnswer {

// Exactly CR LF: an empty line, which changes nothing.
bool IsEmptyLine(const uint8_t* text, size_t length);
bool Contains(const uint8_t* text, size_t length, const char* needle);

// getprop ro.build.version.release: the first non-blank character is 'M' (Android M's preview
// reports its release as a letter); "4.4.4" anywhere.
bool ReleaseStartsWithM(const uint8_t* text, size_t length);
bool ReleaseIs444(const uint8_t* text, size_t length);
// getprop ro.build.version.sdk read as "%d"; 0 when nothing readable.
int SdkLevel(const uint8_t* text, size_t length);

// am start: the app is missing when the text says so.
bool AppStartFailed(const uint8_t* text, size_t length);
// ls of the jar: present unless the text has a ':' followed by more text or says the file is missing.
bool JarPresent(const uint8_t* text, size_t length);
// The first helper shows as "vtsy" in the process list.
bool HelperRunning(const uint8_t* text, size_t length);

// The first helper's pid in "shell:ps" output; 0 when none. The helper's line reads
// "shell <pid> ... /data/local/tmp/vtsc": from "vtsc" back past both 'l' of "local" to the
// 'l' that ends the owner "shell", then over the blanks to the pid, which a blank ends
// within 80 characters.
int FindHelperPid(const uint8_t* text, size_t length);

}  // namespace ShellAnswer
