#include "platform/registry/CRegistryStore.h"

#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

namespace {

// A registry file is a few kilobytes; anything near this is not one of ours.
constexpr long kMaxFileSize = 64L * 1024 * 1024;

std::u16string NameOrEmpty(LPCWSTR name) {
  return name != nullptr ? std::u16string(name) : std::u16string();
}

// Splits a sub-key path into its names. One trailing backslash is tolerated; a leading one or
// an empty name between two backslashes is not.
bool SplitPath(LPCWSTR subKey, std::vector<std::u16string>& parts) {
  parts.clear();
  if (subKey == nullptr || subKey[0] == 0) return true;
  std::u16string path(subKey);
  if (path.size() > 1 && path.back() == u'\\') path.pop_back();
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(u'\\', start);
    parts.push_back(path.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
    if (parts.back().empty()) return false;
    if (end == std::u16string::npos) return true;
    start = end + 1;
  }
}

void MarkDeleted(CRegistryKey& key) {
  key.m_bDeleted = true;
  for (auto& [name, sub] : key.m_SubKeys) MarkDeleted(*sub);
}

// Copies a name with its terminator into a caller's buffer of *cch characters.
LONG CopyName(const std::u16string& name, LPWSTR out, LPDWORD cch) {
  if (*cch < name.size() + 1) {
    *cch = static_cast<DWORD>(name.size() + 1);
    return ERROR_MORE_DATA;
  }
  std::memcpy(out, name.data(), name.size() * sizeof(WCHAR));
  out[name.size()] = 0;
  *cch = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The data half of RegQueryValueExW and RegEnumValueW.
LONG CopyData(const CRegistryValue& v, LPDWORD type, LPBYTE data, LPDWORD cbData) {
  if (type != nullptr) *type = v.m_dwType;
  if (cbData == nullptr) return ERROR_SUCCESS;
  const DWORD size = static_cast<DWORD>(v.m_Data.size());
  if (data != nullptr) {
    if (*cbData < size) {
      *cbData = size;
      return ERROR_MORE_DATA;
    }
    if (size != 0) std::memcpy(data, v.m_Data.data(), size);
  }
  *cbData = size;
  return ERROR_SUCCESS;
}

}  // namespace

CRegistryStore& CRegistryStore::GetInstance() {
  static CRegistryStore instance;
  return instance;
}

CRegistryStore::CRegistryStore()
    : m_pLocalMachine(std::make_shared<CRegistryKey>()), m_pCurrentUser(std::make_shared<CRegistryKey>()) {}

std::vector<CRegistryRoot> CRegistryStore::RootsLocked() {
  return {{"HKEY_LOCAL_MACHINE", m_pLocalMachine.get()}, {"HKEY_CURRENT_USER", m_pCurrentUser.get()}};
}

void CRegistryStore::ClearLocked() {
  MarkDeleted(*m_pLocalMachine);
  MarkDeleted(*m_pCurrentUser);
  m_pLocalMachine = std::make_shared<CRegistryKey>();
  m_pCurrentUser = std::make_shared<CRegistryKey>();
  m_Handles.clear();
  m_bLoaded = false;
}

void CRegistryStore::EnsureLoadedLocked() {
  if (m_bLoaded) return;
  m_bLoaded = true;
  m_strHostPath = wce::HostPath(wce::RegistryCePath());
  FILE* f = std::fopen(m_strHostPath.c_str(), "rb");
  if (f == nullptr) {
    if (errno != ENOENT) {
      NKDbgPrintfW(u"Registry: cannot open %S (%S), starting empty\r\n", m_strHostPath.c_str(),
                   std::strerror(errno));
    }
    return;
  }
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    text.append(buf, n);
    if (static_cast<long>(text.size()) > kMaxFileSize) break;
  }
  const bool readError = std::ferror(f) != 0;
  std::fclose(f);
  if (readError || static_cast<long>(text.size()) > kMaxFileSize) {
    NKDbgPrintfW(u"Registry: %S cannot be read, starting empty\r\n", m_strHostPath.c_str());
    return;
  }
  CRegistryText::Parse(text, RootsLocked());
  // Loading the stored registry is this process's boot. "Drivers\Active" lists the drivers that
  // the device manager has loaded since boot; entries stored by an earlier run name drivers that
  // are not loaded now, so they go, as the device manager rebuilds the key at every boot.
  auto drivers = m_pLocalMachine->m_SubKeys.find(u"Drivers");
  if (drivers != m_pLocalMachine->m_SubKeys.end()) {
    auto active = drivers->second->m_SubKeys.find(u"Active");
    if (active != drivers->second->m_SubKeys.end()) {
      MarkDeleted(*active->second);
      drivers->second->m_SubKeys.erase(active);
    }
  }
}

void CRegistryStore::SaveLocked() {
  // Write aside and rename, so that the file is always either the old or the new registry.
  const std::string text = CRegistryText::Format(RootsLocked());
  const std::string tmp = m_strHostPath + ".tmp";
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(m_strHostPath).parent_path(), ec);
  FILE* f = std::fopen(tmp.c_str(), "wb");
  bool ok = f != nullptr;
  if (ok) {
    ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
  }
  if (ok) ok = std::rename(tmp.c_str(), m_strHostPath.c_str()) == 0;
  if (!ok) {
    // The change stays in memory, as a registry change on the device does until its flush.
    NKDbgPrintfW(u"Registry: cannot write %S (%S)\r\n", m_strHostPath.c_str(), std::strerror(errno));
    std::remove(tmp.c_str());
  }
}

LONG CRegistryStore::ResolveLocked(HKEY key, std::shared_ptr<CRegistryKey>& out) {
  EnsureLoadedLocked();
  if (key == HKEY_LOCAL_MACHINE) {
    out = m_pLocalMachine;
    return ERROR_SUCCESS;
  }
  if (key == HKEY_CURRENT_USER) {
    out = m_pCurrentUser;
    return ERROR_SUCCESS;
  }
  const auto it = m_Handles.find(reinterpret_cast<uintptr_t>(key));
  if (it == m_Handles.end()) return ERROR_INVALID_HANDLE;
  if (it->second->m_bDeleted) return ERROR_KEY_DELETED;
  out = it->second;
  return ERROR_SUCCESS;
}

HKEY CRegistryStore::NewHandleLocked(const std::shared_ptr<CRegistryKey>& key) {
  const uintptr_t id = m_nNextHandle;
  m_nNextHandle += 4;
  if ((m_nNextHandle & ~uintptr_t(0xFF)) == 0x80000000u)
    m_nNextHandle += 0x100;  // keep clear of the root keys
  m_Handles[id] = key;
  return reinterpret_cast<HKEY>(id);
}

LONG CRegistryStore::CreateKey(HKEY key, LPCWSTR subKey, PHKEY result, LPDWORD disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<std::u16string> parts;
  if (!SplitPath(subKey, parts)) return ERROR_INVALID_PARAMETER;
  for (const std::u16string& p : parts) {
    if (!CRegistryText::IsValidKeyName(p)) return ERROR_INVALID_PARAMETER;
  }
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (k->m_nDepth + parts.size() > CRegistryText::kMaxDepth) return ERROR_INVALID_PARAMETER;
  bool created = false;
  for (const std::u16string& p : parts) {
    std::shared_ptr<CRegistryKey>& sub = k->m_SubKeys[p];
    if (!sub) {
      sub = std::make_shared<CRegistryKey>();
      sub->m_nDepth = k->m_nDepth + 1;
      created = true;
    }
    k = sub;
  }
  if (created) SaveLocked();
  *result = NewHandleLocked(k);
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG CRegistryStore::OpenKey(HKEY key, LPCWSTR subKey, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<std::u16string> parts;
  if (!SplitPath(subKey, parts)) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  for (const std::u16string& p : parts) {
    const auto it = k->m_SubKeys.find(p);
    if (it == k->m_SubKeys.end()) return ERROR_FILE_NOT_FOUND;
    k = it->second;
  }
  *result = NewHandleLocked(k);
  return ERROR_SUCCESS;
}

LONG CRegistryStore::CloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Handles.erase(reinterpret_cast<uintptr_t>(key)) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG CRegistryStore::QueryValue(HKEY key, LPCWSTR name, LPDWORD type, LPBYTE data, LPDWORD cbData) {
  if (data != nullptr && cbData == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  const auto it = k->m_Values.find(NameOrEmpty(name));
  if (it == k->m_Values.end()) return ERROR_FILE_NOT_FOUND;
  return CopyData(it->second, type, data, cbData);
}

LONG CRegistryStore::SetValue(HKEY key, LPCWSTR name, DWORD type, const BYTE* data, DWORD cbData) {
  if (data == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  const std::u16string n = NameOrEmpty(name);
  auto it = k->m_Values.find(n);
  if (it == k->m_Values.end()) it = k->m_Values.emplace(n, CRegistryValue()).first;
  it->second.m_dwType = type;
  it->second.m_Data.assign(data, data + cbData);
  SaveLocked();
  return ERROR_SUCCESS;
}

LONG CRegistryStore::DeleteValue(HKEY key, LPCWSTR name) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (k->m_Values.erase(NameOrEmpty(name)) == 0) return ERROR_FILE_NOT_FOUND;
  SaveLocked();
  return ERROR_SUCCESS;
}

LONG CRegistryStore::DeleteKey(HKEY key, LPCWSTR subKey) {
  std::vector<std::u16string> parts;
  if (subKey == nullptr || subKey[0] == 0) return ERROR_INVALID_PARAMETER;
  if (!SplitPath(subKey, parts)) return ERROR_FILE_NOT_FOUND;
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    const auto it = k->m_SubKeys.find(parts[i]);
    if (it == k->m_SubKeys.end()) return ERROR_FILE_NOT_FOUND;
    k = it->second;
  }
  const auto it = k->m_SubKeys.find(parts.back());
  if (it == k->m_SubKeys.end()) return ERROR_FILE_NOT_FOUND;
  MarkDeleted(*it->second);
  k->m_SubKeys.erase(it);
  SaveLocked();
  return ERROR_SUCCESS;
}

LONG CRegistryStore::EnumKey(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName) {
  if (name == nullptr || cchName == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= k->m_SubKeys.size()) return ERROR_NO_MORE_ITEMS;
  return CopyName(std::next(k->m_SubKeys.begin(), index)->first, name, cchName);
}

LONG CRegistryStore::EnumValue(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD type, LPBYTE data,
                               LPDWORD cbData) {
  if (name == nullptr || cchName == nullptr || (data != nullptr && cbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= k->m_Values.size()) return ERROR_NO_MORE_ITEMS;
  const auto it = std::next(k->m_Values.begin(), index);
  const LONG nameRc = CopyName(it->first, name, cchName);
  if (nameRc != ERROR_SUCCESS) return nameRc;
  return CopyData(it->second, type, data, cbData);
}

LONG CRegistryStore::QueryInfo(HKEY key, LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD values,
                               LPDWORD maxValueNameLen, LPDWORD maxValueLen) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  std::shared_ptr<CRegistryKey> k;
  const LONG rc = ResolveLocked(key, k);
  if (rc != ERROR_SUCCESS) return rc;
  size_t maxKey = 0, maxName = 0, maxData = 0;
  for (const auto& [n, sub] : k->m_SubKeys) maxKey = std::max(maxKey, n.size());
  for (const auto& [n, v] : k->m_Values) {
    maxName = std::max(maxName, n.size());
    maxData = std::max(maxData, v.m_Data.size());
  }
  if (subKeys != nullptr) *subKeys = static_cast<DWORD>(k->m_SubKeys.size());
  if (maxSubKeyLen != nullptr) *maxSubKeyLen = static_cast<DWORD>(maxKey);
  if (values != nullptr) *values = static_cast<DWORD>(k->m_Values.size());
  if (maxValueNameLen != nullptr) *maxValueNameLen = static_cast<DWORD>(maxName);
  if (maxValueLen != nullptr) *maxValueLen = static_cast<DWORD>(maxData);
  return ERROR_SUCCESS;
}

void CRegistryStore::Reload() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  ClearLocked();
  EnsureLoadedLocked();
}

void CRegistryStore::Reset() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  ClearLocked();
  const std::string path = wce::HostPath(wce::RegistryCePath());
  std::remove(path.c_str());
  std::remove((path + ".tmp").c_str());
}

std::string CRegistryStore::Dump() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  EnsureLoadedLocked();
  return CRegistryText::Format(RootsLocked());
}
