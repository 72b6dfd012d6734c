#include "services/DeviceGuid.h"

#include "platform/kernel/crypt.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/hal.h"
#include "platform/kernel/kernel.h"
#include "platform/mfc/CString.h"
#include "platform/registry/registry.h"
#include "services/CIniFile.h"
#include "services/CorvaneConfig.h"
#include "services/ProgramDir.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const int kGuidLength = 36;
const DWORD kValueRoom = 260;  // characters
const char kNoGuid[] = "00-00";

struct BoardStrings {
  CString m_strBoard;
  CString m_strDevice;
  CString m_strCatalog;
};

// A UTF-16LE string of the record, bounded by its room there even when its NUL is missing.
CString RecordString(const BYTE* record, size_t offset, size_t room) {
  CString s;
  for (size_t i = 0; i + 1 < room; i += 2) {
    WCHAR c = static_cast<WCHAR>(record[offset + i] | (record[offset + i + 1] << 8));
    if (c == 0) break;
    s += c;
  }
  return s;
}

bool QueryBoardStrings(BoardStrings& out) {
  BYTE record[PLATFORM_RECORD_SIZE] = {};
  DWORD returned = 0;
  if (!KernelIoControl(IOCTL_HAL_GET_PLATFORM_RECORD, nullptr, 0, record, sizeof(record), &returned))
    return false;
  out.m_strBoard = RecordString(record, 84, 82);
  out.m_strCatalog = RecordString(record, 166, 200);
  out.m_strDevice = RecordString(record, 366, 210);
  return true;
}

// 8-4-4-4-12 hexadecimal digits; anything else is no identifier.
bool IsGuidText(const CString& s) {
  if (s.GetLength() != kGuidLength) return false;
  for (int i = 0; i < kGuidLength; ++i) {
    WCHAR c = s[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != u'-') return false;
    } else if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'))) {
      return false;
    }
  }
  return true;
}

class GuidStore {
 public:
  virtual ~GuidStore() = default;
  // `readable` false: the value could not be read at all.
  virtual CString Read(LPCWSTR name, bool& readable) = 0;
  virtual void Write(LPCWSTR name, const CString& value) = 0;
  // Before the strings of another board are stored.
  virtual void Renew() {}
};

class RegistryGuidStore : public GuidStore {
 public:
  RegistryGuidStore() {
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Corvane", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey,
                        &disposition) != ERROR_SUCCESS) {
      m_hKey = nullptr;
      NKDbgPrintfW(u" RegCreateKey Error  %s )\n", u"Corvane");
    }
  }
  ~RegistryGuidStore() override {
    if (m_hKey) RegCloseKey(m_hKey);
  }
  CString Read(LPCWSTR name, bool& readable) override {
    WCHAR buf[kValueRoom] = {};
    DWORD type = 0;
    DWORD cb = sizeof(buf) - sizeof(WCHAR);
    readable =
        m_hKey &&
        RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb) == ERROR_SUCCESS &&
        type == REG_SZ;
    if (!readable) return CString();
    buf[cb / sizeof(WCHAR)] = 0;
    return CString(buf);
  }
  void Write(LPCWSTR name, const CString& value) override {
    if (!m_hKey) return;
    RegSetValueExW(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.GetString()),
                   static_cast<DWORD>(value.GetLength() + 1) * sizeof(WCHAR));
  }

 private:
  HKEY m_hKey = nullptr;
};

class IniGuidStore : public GuidStore {
 public:
  IniGuidStore() : m_strPath(GetProgramDir() + u"\\corvane_public.ini") {}
  CString Read(LPCWSTR name, bool& readable) override {
    WCHAR buf[kValueRoom] = {};
    ReadIniString(u"corvane", name, u"", buf, kValueRoom, m_strPath);
    readable = true;  // a missing key reads as an empty text
    return CString(buf);
  }
  void Write(LPCWSTR name, const CString& value) override {
    WriteIniString(u"corvane", name, value, m_strPath);
  }
  // The file then holds only the new board's values.
  void Renew() override { DeleteFileW(m_strPath); }

 private:
  CString m_strPath;
};

bool SameAsStored(GuidStore& store, LPCWSTR name, const CString& current) {
  bool readable = false;
  CString stored = store.Read(name, readable);
  return !readable || stored == current;
}

void Deliver(char* buffer, DWORD size, const char* text) {
  if (!buffer || size == 0) return;
  size_t n = std::strlen(text);
  if (n > size - 1) n = size - 1;
  std::memcpy(buffer, text, n);
  buffer[n] = 0;
}

LONG HresultFromError(DWORD err) {
  if (static_cast<LONG>(err) > 0) return static_cast<LONG>(0x80070000u | (err & 0xFFFF));
  // A failure without an error code must still read as a failure.
  if (err == 0) return static_cast<LONG>(0x80004005u);
  return static_cast<LONG>(err);
}

}  // namespace

LONG CreateGuid(BYTE* bytes) {
  HCRYPTPROV prov = 0;
  if (!CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    return HresultFromError(GetLastError());
  }
  BOOL ok = CryptGenRandom(prov, 16, bytes);
  DWORD err = ok ? 0 : GetLastError();
  CryptReleaseContext(prov, 0);
  if (!ok) return HresultFromError(err);
  bytes[7] = static_cast<BYTE>((bytes[7] & 0x0F) | 0x40);
  bytes[8] = static_cast<BYTE>((bytes[8] & 0x3F) | 0x80);
  return 0;
}

int GetDeviceGuid(char* buffer, DWORD size) {
  std::unique_ptr<GuidStore> store;
  if (g_CorvaneConfig.m_nCustomer == 1) {
    store.reset(new RegistryGuidStore());
  } else {
    store.reset(new IniGuidStore());
  }
  bool readable = false;
  CString guid = store->Read(u"guid", readable);
  bool present = IsGuidText(guid);

  bool makeNew = false;
  BoardStrings board;
  if (QueryBoardStrings(board)) {
    bool same = present && SameAsStored(*store, u"board", board.m_strBoard) &&
                SameAsStored(*store, u"device", board.m_strDevice) &&
                SameAsStored(*store, u"catalog", board.m_strCatalog);
    if (!same) {
      store->Renew();
      store->Write(u"board", board.m_strBoard);
      store->Write(u"device", board.m_strDevice);
      store->Write(u"catalog", board.m_strCatalog);
      makeNew = true;
    }
  }
  // Without the platform record the stored strings are neither compared nor rewritten, and a
  // stored identifier is delivered as it is: the unit keeps its identity across such runs.

  if (makeNew) {
    BYTE b[16] = {};
    LONG hr = CreateGuid(b);
    if (hr != 0) {
      NKDbgPrintfW(u"######## CreateGuid error:: %d \r\n", hr);
      Deliver(buffer, size, kNoGuid);
      return 0;
    }
    char text[kGuidLength + 1];
    std::snprintf(text, sizeof(text), "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<unsigned>(b[3]) << 24),
                  static_cast<unsigned>(b[4] | b[5] << 8), static_cast<unsigned>(b[6] | b[7] << 8), b[8],
                  b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    Deliver(buffer, size, text);
    store->Write(u"guid", CString(std::u16string(text, text + kGuidLength)));
    return 1;
  }
  if (!present) {
    NKDbgPrintfW(u"######## w_guid is empty \r\n");
    Deliver(buffer, size, kNoGuid);
    return 0;
  }
  std::string narrow(guid.Str().begin(), guid.Str().end());  // hexadecimal digits and dashes only
  Deliver(buffer, size, narrow.c_str());
  return 1;
}
