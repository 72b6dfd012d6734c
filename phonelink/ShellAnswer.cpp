#include "phonelink/ShellAnswer.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace ShellAnswer {

namespace {
std::string_view View(const uint8_t* text, size_t length) {
  return std::string_view(reinterpret_cast<const char*>(text), length);
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
// "%d" over bytes that need not be terminated: optional blanks, an optional sign, digits.
bool ReadDecimal(std::string_view s, int* value) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v < 0x7FFFFFFF) v = v * 10 + (s[i] - '0');
  }
  if (v > 0x7FFFFFFF) v = 0x7FFFFFFF;
  *value = static_cast<int>(negative ? -v : v);
  return true;
}
}  // namespace

bool IsEmptyLine(const uint8_t* text, size_t length) {
  return length == 2 && text[0] == '\r' && text[1] == '\n';
}

bool Contains(const uint8_t* text, size_t length, const char* needle) {
  return View(text, length).find(needle) != std::string_view::npos;
}

bool ReleaseStartsWithM(const uint8_t* text, size_t length) {
  std::string_view s = View(text, length);
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i < s.size() && s[i] == 'M';
}

bool ReleaseIs444(const uint8_t* text, size_t length) {
  return Contains(text, length, "4.4.4");
}

int SdkLevel(const uint8_t* text, size_t length) {
  int level = 0;
  return ReadDecimal(View(text, length), &level) ? level : 0;
}

bool AppStartFailed(const uint8_t* text, size_t length) {
  return Contains(text, length, "Error type 3") || Contains(text, length, "does not exist");
}

bool JarPresent(const uint8_t* text, size_t length) {
  std::string_view s = View(text, length);
  size_t colon = s.find(':');
  bool colonWithText = colon != std::string_view::npos && colon + 1 < s.size();
  return !colonWithText && s.find("No such file or directory") == std::string_view::npos;
}

bool HelperRunning(const uint8_t* text, size_t length) {
  return Contains(text, length, "vtsy");
}

int FindHelperPid(const uint8_t* text, size_t length) {
  std::string_view s = View(text, length);
  size_t name = s.find("vtsc");
  if (name == std::string_view::npos) return 0;
  // Three letters 'l' to the left: the last and the first of "local", then the end of "shell".
  // The walk stops at the start of the text.
  long i = static_cast<long>(name) - 1;
  for (int found = 0; found < 3; ++found) {
    if (found > 0) --i;
    while (i >= 0 && s[i] != 'l') --i;
    if (i < 0) return 0;
  }
  size_t start = static_cast<size_t>(i) + 1;
  while (start < s.size() && s[start] == ' ') ++start;
  size_t end = start;
  while (end < s.size() && s[end] != ' ') {
    if (end - start >= 80) return 0;
    ++end;
  }
  if (end >= s.size() || end - start >= 80) return 0;
  int pid = 0;
  if (!ReadDecimal(s.substr(start, end - start), &pid)) return 0;
  return pid;
}

}  // namespace ShellAnswer
