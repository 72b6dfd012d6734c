#include "platform/devmgr/CDeviceManager.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/kernel/wcestr.h"
#include "platform/registry/registry.h"

#include <string>

namespace wce {

namespace {

const char16_t kActive[] = u"Drivers\\Active";
const char16_t kDevicePrefix[] = u"$device\\";

// Serialises activation and deactivation; a driver's Init and Deinit run under it, file I/O never.
std::recursive_mutex g_activation;

WCHAR Fold(WCHAR c) {
  return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - u'a' + u'A') : c;
}

// Pattern with * and ?, without regard to ASCII case.
bool Matches(const std::u16string& pattern, const std::u16string& text) {
  size_t p = 0, t = 0, star = std::u16string::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(text[t]))) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = t;
    } else if (star != std::u16string::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool ReadString(HKEY key, LPCWSTR name, std::u16string* out) {
  WCHAR buf[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD cb = MAX_PATH * sizeof(WCHAR);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &cb) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  buf[cb / sizeof(WCHAR)] = 0;
  *out = buf;
  return true;
}

bool SetString(HKEY key, LPCWSTR name, const std::u16string& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
}

void CopyText(WCHAR* dst, size_t cch, const std::u16string& src) {
  const size_t n = std::min(src.size(), cch - 1);
  std::copy(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(n), dst);
  dst[n] = 0;
}

std::u16string Number(DWORD v, int width) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < width) s = "0" + s;
  return WceUtf8ToWide(s);
}

}  // namespace

CDeviceManager& CDeviceManager::GetInstance() {
  static CDeviceManager manager;
  return manager;
}

CDeviceManager::CDeviceManager() {
  StreamDeviceHooks hooks;
  hooks.m_pfnOpen = [](LPCWSTR name, DWORD access, DWORD share) {
    return GetInstance().Open(name, access, share);
  };
  hooks.m_pfnRead = [](HANDLE h, LPVOID buf, DWORD len, LPDWORD n) {
    return GetInstance().Read(h, buf, len, n);
  };
  hooks.m_pfnWrite = [](HANDLE h, LPCVOID buf, DWORD len, LPDWORD n) {
    return GetInstance().Write(h, buf, len, n);
  };
  hooks.m_pfnClose = [](HANDLE h) { return GetInstance().Close(h); };
  SetStreamDeviceHooks(hooks);
}

HANDLE CDeviceManager::Activate(LPCWSTR deviceKey) {
  if (!deviceKey || !*deviceKey) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::recursive_mutex> activation(g_activation);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, deviceKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    NKDbgPrintfW(u"DEVICE!ActivateDevice: no key %s\r\n", deviceKey);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  std::u16string prefix, dll;
  const bool haveValues = ReadString(key, u"Prefix", &prefix) && ReadString(key, u"Dll", &dll);
  DWORD index = 0, type = 0, cb = sizeof(index);
  const bool haveIndex = RegQueryValueExW(key, u"Index", nullptr, &type, reinterpret_cast<LPBYTE>(&index),
                                          &cb) == ERROR_SUCCESS &&
                         type == REG_DWORD;
  RegCloseKey(key);
  if (!haveValues || prefix.size() != 3 || (haveIndex && index > 9)) {
    NKDbgPrintfW(u"DEVICE!ActivateDevice: %s lacks a three-letter Prefix or a Dll\r\n", deviceKey);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }

  auto dev = std::make_shared<Device>();
  dev->m_strKey = deviceKey;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    auto taken = [&](DWORD i) {
      const std::u16string name = prefix + Number(i, 1) + u":";
      for (auto& [p, d] : m_Devices)
        if (_wcsicmp(d->m_strLegacyName.c_str(), name.c_str()) == 0) return true;
      return false;
    };
    if (!haveIndex) {
      for (index = 1; index <= 9 && taken(index); ++index) {
      }
    }
    if (index > 9 || taken(index)) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return nullptr;
    }
  }
  dev->m_strLegacyName = prefix + Number(index, 1) + u":";

  if (!dev->m_Library.Load(dll.c_str())) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  const std::string p = WceWideToUtf8(prefix);
  auto proc = [&](const char* entry) { return dev->m_Library.GetProc((p + "_" + entry).c_str()); };
  auto init = reinterpret_cast<PFN_DEVICE_INIT>(proc("Init"));
  dev->m_pfnDeinit = reinterpret_cast<PFN_DEVICE_DEINIT>(proc("Deinit"));
  dev->m_pfnOpen = reinterpret_cast<PFN_DEVICE_OPEN>(proc("Open"));
  dev->m_pfnPreClose = reinterpret_cast<PFN_DEVICE_PRECLOSE>(proc("PreClose"));
  dev->m_pfnClose = reinterpret_cast<PFN_DEVICE_CLOSE>(proc("Close"));
  dev->m_pfnRead = reinterpret_cast<PFN_DEVICE_READ>(proc("Read"));
  dev->m_pfnWrite = reinterpret_cast<PFN_DEVICE_WRITE>(proc("Write"));
  dev->m_pfnIoControl = reinterpret_cast<PFN_DEVICE_IOCONTROL>(proc("IOControl"));
  if (!init || !dev->m_pfnDeinit) {
    NKDbgPrintfW(u"DEVICE!ActivateDevice: %s exports no %s_Init/%s_Deinit\r\n", dll.c_str(), prefix.c_str(),
                 prefix.c_str());
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }

  // The first free "Drivers\Active\NN".
  for (DWORD nn = 1; nn < 100; ++nn) {
    const std::u16string path = std::u16string(kActive) + u"\\" + Number(nn, 2);
    HKEY probe = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
      RegCloseKey(probe);
      continue;
    }
    dev->m_dwActiveIndex = nn;
    dev->m_strActiveKey = path;
    break;
  }
  HKEY active = nullptr;
  if (dev->m_strActiveKey.empty() ||
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, dev->m_strActiveKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &active, nullptr) != ERROR_SUCCESS) {
    SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  const DWORD hnd = static_cast<DWORD>(reinterpret_cast<uintptr_t>(dev.get()));
  const bool listed =
      SetString(active, u"Key", dev->m_strKey) && SetString(active, u"Name", dev->m_strLegacyName) &&
      RegSetValueExW(active, u"Hnd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&hnd), sizeof(hnd)) ==
          ERROR_SUCCESS;
  RegCloseKey(active);

  dev->m_nContext = listed ? init(dev->m_strActiveKey.c_str(), nullptr) : 0;
  if (!dev->m_nContext) {
    NKDbgPrintfW(u"DEVICE!ActivateDevice: %s_Init refused %s\r\n", prefix.c_str(), deviceKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, dev->m_strActiveKey.c_str());
    SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(m_Lock);
  m_Devices[dev.get()] = dev;
  return reinterpret_cast<HANDLE>(dev.get());
}

BOOL CDeviceManager::Deactivate(HANDLE device) {
  std::lock_guard<std::recursive_mutex> activation(g_activation);
  std::shared_ptr<Device> dev;
  std::vector<OpenFile*> files;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    auto it = m_Devices.find(static_cast<Device*>(device));
    if (it == m_Devices.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dev = it->second;
    m_Devices.erase(it);
    for (auto fit = m_Files.begin(); fit != m_Files.end();) {
      if ((*fit)->m_pDevice == dev) {
        (*fit)->m_bClosing = true;
        files.push_back(*fit);
        fit = m_Files.erase(fit);
      } else {
        ++fit;
      }
    }
  }
  for (OpenFile* f : files) CloseFile(f);
  dev->m_pfnDeinit(dev->m_nContext);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, dev->m_strActiveKey.c_str());
  return TRUE;  // the library goes with the last reference to dev
}

void CDeviceManager::Fill(const Device& d, HANDLE h, PDEVMGR_DEVICE_INFORMATION info) const {
  info->dwSize = sizeof(DEVMGR_DEVICE_INFORMATION);
  info->hDevice = h;
  info->hParentDevice = nullptr;
  CopyText(info->szLegacyName, 6, d.m_strLegacyName);
  CopyText(info->szDeviceKey, MAX_PATH, d.m_strKey);
  CopyText(info->szDeviceName, MAX_PATH,
           kDevicePrefix + d.m_strLegacyName.substr(0, d.m_strLegacyName.size() - 1));
  info->szBusName[0] = 0;
}

HANDLE CDeviceManager::FindFirst(DeviceSearchType type, LPCVOID param, PDEVMGR_DEVICE_INFORMATION info) {
  if (!param || !info || (type != DeviceSearchByLegacyName && type != DeviceSearchByDeviceName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::u16string pattern = static_cast<LPCWSTR>(param);
  auto search = std::make_unique<Search>();
  std::lock_guard<std::mutex> lock(m_Lock);
  for (auto& [p, d] : m_Devices) {
    const std::u16string bare = d->m_strLegacyName.substr(0, d->m_strLegacyName.size() - 1);
    const bool hit = type == DeviceSearchByLegacyName
                         ? Matches(pattern, d->m_strLegacyName)
                         : (Matches(pattern, bare) || Matches(pattern, kDevicePrefix + bare));
    if (!hit) continue;
    DEVMGR_DEVICE_INFORMATION found{};
    Fill(*d, reinterpret_cast<HANDLE>(p), &found);
    search->m_Found.push_back(found);
  }
  if (search->m_Found.empty()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return INVALID_HANDLE_VALUE;
  }
  *info = search->m_Found[0];
  search->m_nNext = 1;
  Search* h = search.get();
  m_Searches[h] = std::move(search);
  return reinterpret_cast<HANDLE>(h);
}

BOOL CDeviceManager::FindNext(HANDLE h, PDEVMGR_DEVICE_INFORMATION info) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Searches.find(static_cast<Search*>(h));
  if (it == m_Searches.end() || !info) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Search& s = *it->second;
  if (s.m_nNext >= s.m_Found.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  *info = s.m_Found[s.m_nNext++];
  return TRUE;
}

BOOL CDeviceManager::FindClose(HANDLE h) {
  std::lock_guard<std::mutex> lock(m_Lock);
  if (m_Searches.erase(static_cast<Search*>(h)) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HANDLE CDeviceManager::Open(LPCWSTR name, DWORD access, DWORD share) {
  if (!name) return nullptr;
  std::u16string n = name;
  if (n.size() > 1 && n[0] == u'\\' && n.compare(1, 8, kDevicePrefix) == 0) n = n.substr(9) + u":";
  std::shared_ptr<Device> dev;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (auto& [p, d] : m_Devices)
      if (_wcsicmp(d->m_strLegacyName.c_str(), n.c_str()) == 0) dev = d;
  }
  if (!dev) return nullptr;  // not a device name: the file system's
  const DWORD_PTR context = dev->m_pfnOpen ? dev->m_pfnOpen(dev->m_nContext, access, share) : 0;
  if (!context) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return INVALID_HANDLE_VALUE;
  }
  auto* f = new OpenFile;
  f->m_pDevice = dev;
  f->m_nContext = context;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_Devices.count(dev.get())) {
      m_Files.insert(f);
      return reinterpret_cast<HANDLE>(f);
    }
  }
  // Deactivated meanwhile.
  if (dev->m_pfnClose) dev->m_pfnClose(context);
  delete f;
  SetLastError(ERROR_DEVICE_NOT_CONNECTED);
  return INVALID_HANDLE_VALUE;
}

CDeviceManager::OpenFile* CDeviceManager::Enter(HANDLE h) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Files.find(static_cast<OpenFile*>(h));
  if (it == m_Files.end() || (*it)->m_bClosing) return nullptr;
  ++(*it)->m_nInFlight;
  return *it;
}

void CDeviceManager::Leave(OpenFile* f) {
  std::lock_guard<std::mutex> lock(m_Lock);
  --f->m_nInFlight;
  m_Left.notify_all();
}

BOOL CDeviceManager::Read(HANDLE h, LPVOID buf, DWORD len, LPDWORD read) {
  if (read) *read = 0;
  OpenFile* f = Enter(h);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const DWORD n =
      f->m_pDevice->m_pfnRead ? f->m_pDevice->m_pfnRead(f->m_nContext, buf, len) : static_cast<DWORD>(-1);
  Leave(f);
  if (n == static_cast<DWORD>(-1)) return FALSE;
  if (read) *read = n;
  return TRUE;
}

BOOL CDeviceManager::Write(HANDLE h, LPCVOID buf, DWORD len, LPDWORD written) {
  if (written) *written = 0;
  OpenFile* f = Enter(h);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const DWORD n =
      f->m_pDevice->m_pfnWrite ? f->m_pDevice->m_pfnWrite(f->m_nContext, buf, len) : static_cast<DWORD>(-1);
  Leave(f);
  if (n == static_cast<DWORD>(-1)) return FALSE;
  if (written) *written = n;
  return TRUE;
}

BOOL CDeviceManager::IoControl(HANDLE h, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                               LPDWORD returned) {
  OpenFile* f = Enter(h);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const BOOL ok = f->m_pDevice->m_pfnIoControl
                      ? f->m_pDevice->m_pfnIoControl(f->m_nContext, code, static_cast<PBYTE>(in), inSize,
                                                     static_cast<PBYTE>(out), outSize, returned)
                      : FALSE;
  Leave(f);
  return ok;
}

BOOL CDeviceManager::CloseFile(OpenFile* f) {
  // With PreClose the driver wakes its blocked calls and closes after they left; without it
  // its Close must make them return itself. Either way the handle lives until they have left.
  const std::shared_ptr<Device> dev = f->m_pDevice;
  if (dev->m_pfnPreClose)
    dev->m_pfnPreClose(f->m_nContext);
  else if (dev->m_pfnClose)
    dev->m_pfnClose(f->m_nContext);
  {
    std::unique_lock<std::mutex> lock(m_Lock);
    m_Left.wait(lock, [f] { return f->m_nInFlight == 0; });
  }
  if (dev->m_pfnPreClose && dev->m_pfnClose) dev->m_pfnClose(f->m_nContext);
  delete f;
  return TRUE;
}

BOOL CDeviceManager::Close(HANDLE h) {
  OpenFile* f = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    auto it = m_Files.find(static_cast<OpenFile*>(h));
    if (it == m_Files.end()) return FALSE;  // not ours
    f = *it;
    f->m_bClosing = true;
    m_Files.erase(it);
  }
  return CloseFile(f);
}

void CDeviceManager::Reset() {
  std::vector<HANDLE> devices;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (auto& [p, d] : m_Devices) devices.push_back(reinterpret_cast<HANDLE>(p));
    m_Searches.clear();
  }
  for (HANDLE h : devices) Deactivate(h);
}

}  // namespace wce
