#include "platform/kernel/hal.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// platform.ini is a few lines; more than this is not one.
constexpr size_t kMaxPlatformFile = 64 * 1024;

struct RecordField {
  const char* m_pKey;
  size_t m_nOffset;
  size_t m_nRoom;  // bytes, the NUL included
};

const RecordField kFields[] = {
    {"cpu_abi", PLATFORM_RECORD_CPU_ABI_OFFSET, 82},
    {"board", PLATFORM_RECORD_BOARD_OFFSET, 82},
    {"catalog", PLATFORM_RECORD_CATALOG_OFFSET, 200},
    {"device", PLATFORM_RECORD_DEVICE_OFFSET, 210},
};

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  const size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

void PutString(BYTE* record, const RecordField& field, const std::string& utf8) {
  std::u16string text = WceUtf8ToWide(utf8);
  const size_t maxUnits = field.m_nRoom / 2 - 1;
  if (text.size() > maxUnits) {
    text.resize(maxUnits);
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();  // half a pair
  }
  BYTE* p = record + field.m_nOffset;
  std::memset(p, 0, field.m_nRoom);
  for (size_t i = 0; i < text.size(); ++i) {
    p[2 * i] = static_cast<BYTE>(text[i] & 0xFF);
    p[2 * i + 1] = static_cast<BYTE>(text[i] >> 8);
  }
}

bool ReadPlatformFile(std::string& text) {
  const std::string path = wce::HostPath(wce::PlatformRecordCePath());
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  text.assign(kMaxPlatformFile, '\0');
  const size_t n = std::fread(&text[0], 1, text.size(), f);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  text.resize(n);
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a byte-order mark from an editor
  return ok;
}

}  // namespace

BOOL KernelIoControl(DWORD code, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned) {
  if (code != IOCTL_HAL_GET_PLATFORM_RECORD) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (out == nullptr || outSize < PLATFORM_RECORD_SIZE) {
    if (returned != nullptr) *returned = PLATFORM_RECORD_SIZE;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::string text;
  if (!ReadPlatformFile(text)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  BYTE* record = static_cast<BYTE*>(out);
  std::memset(record, 0, PLATFORM_RECORD_SIZE);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    const std::string line = text.substr(pos, eol - pos);
    pos = eol + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq));
    for (const RecordField& field : kFields) {
      if (strcasecmp(key.c_str(), field.m_pKey) == 0) PutString(record, field, Trim(line.substr(eq + 1)));
    }
  }
  if (returned != nullptr) *returned = PLATFORM_RECORD_SIZE;
  return TRUE;
}

namespace wce {

std::u16string PlatformRecordCePath() {
  return u"\\Windows\\platform.ini";
}

}  // namespace wce
