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
  dev->key = deviceKey;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    auto taken = [&](DWORD i) {
      const std::u16string name = prefix + Number(i, 1) + u":";
      for (auto& [p, d] : m_devices)
        if (_wcsicmp(d->legacyName.c_str(), name.c_str()) == 0) return true;
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
  dev->legacyName = prefix + Number(index, 1) + u":";

  if (!dev->library.Load(dll.c_str())) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  const std::string p = WceWideToUtf8(prefix);
  auto proc = [&](const char* entry) { return dev->library.GetProc((p + "_" + entry).c_str()); };
  auto init = reinterpret_cast<PFN_DEVICE_INIT>(proc("Init"));
  dev->deinit = reinterpret_cast<PFN_DEVICE_DEINIT>(proc("Deinit"));
  dev->open = reinterpret_cast<PFN_DEVICE_OPEN>(proc("Open"));
  dev->preClose = reinterpret_cast<PFN_DEVICE_PRECLOSE>(proc("PreClose"));
  dev->close = reinterpret_cast<PFN_DEVICE_CLOSE>(proc("Close"));
  dev->read = reinterpret_cast<PFN_DEVICE_READ>(proc("Read"));
  dev->write = reinterpret_cast<PFN_DEVICE_WRITE>(proc("Write"));
  dev->ioControl = reinterpret_cast<PFN_DEVICE_IOCONTROL>(proc("IOControl"));
  if (!init || !dev->deinit) {
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
    dev->activeIndex = nn;
    dev->activeKey = path;
    break;
  }
  HKEY active = nullptr;
  if (dev->activeKey.empty() || RegCreateKeyExW(HKEY_LOCAL_MACHINE, dev->activeKey.c_str(), 0, nullptr, 0,
                                                KEY_ALL_ACCESS, nullptr, &active, nullptr) != ERROR_SUCCESS) {
    SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  const DWORD hnd = static_cast<DWORD>(reinterpret_cast<uintptr_t>(dev.get()));
  const bool listed = SetString(active, u"Key", dev->key) && SetString(active, u"Name", dev->legacyName) &&
                      RegSetValueExW(active, u"Hnd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&hnd),
                                     sizeof(hnd)) == ERROR_SUCCESS;
  RegCloseKey(active);

  dev->context = listed ? init(dev->activeKey.c_str(), nullptr) : 0;
  if (!dev->context) {
    NKDbgPrintfW(u"DEVICE!ActivateDevice: %s_Init refused %s\r\n", prefix.c_str(), deviceKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, dev->activeKey.c_str());
    SetLastError(ERROR_GEN_FAILURE);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(m_lock);
  m_devices[dev.get()] = dev;
  return reinterpret_cast<HANDLE>(dev.get());
}

BOOL CDeviceManager::Deactivate(HANDLE device) {
  std::lock_guard<std::recursive_mutex> activation(g_activation);
  std::shared_ptr<Device> dev;
  std::vector<OpenFile*> files;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_devices.find(static_cast<Device*>(device));
    if (it == m_devices.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dev = it->second;
    m_devices.erase(it);
    for (auto fit = m_files.begin(); fit != m_files.end();) {
      if ((*fit)->device == dev) {
        (*fit)->closing = true;
        files.push_back(*fit);
        fit = m_files.erase(fit);
      } else {
        ++fit;
      }
    }
  }
  for (OpenFile* f : files) CloseFile(f);
  dev->deinit(dev->context);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, dev->activeKey.c_str());
  return TRUE;  // the library goes with the last reference to dev
}

void CDeviceManager::Fill(const Device& d, HANDLE h, PDEVMGR_DEVICE_INFORMATION info) const {
  info->dwSize = sizeof(DEVMGR_DEVICE_INFORMATION);
  info->hDevice = h;
  info->hParentDevice = nullptr;
  CopyText(info->szLegacyName, 6, d.legacyName);
  CopyText(info->szDeviceKey, MAX_PATH, d.key);
  CopyText(info->szDeviceName, MAX_PATH, kDevicePrefix + d.legacyName.substr(0, d.legacyName.size() - 1));
  info->szBusName[0] = 0;
}

HANDLE CDeviceManager::FindFirst(DeviceSearchType type, LPCVOID param, PDEVMGR_DEVICE_INFORMATION info) {
  if (!param || !info || (type != DeviceSearchByLegacyName && type != DeviceSearchByDeviceName)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::u16string pattern = static_cast<LPCWSTR>(param);
  auto search = std::make_unique<Search>();
  std::lock_guard<std::mutex> lock(m_lock);
  for (auto& [p, d] : m_devices) {
    const std::u16string bare = d->legacyName.substr(0, d->legacyName.size() - 1);
    const bool hit = type == DeviceSearchByLegacyName
                         ? Matches(pattern, d->legacyName)
                         : (Matches(pattern, bare) || Matches(pattern, kDevicePrefix + bare));
    if (!hit) continue;
    DEVMGR_DEVICE_INFORMATION found{};
    Fill(*d, reinterpret_cast<HANDLE>(p), &found);
    search->found.push_back(found);
  }
  if (search->found.empty()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return INVALID_HANDLE_VALUE;
  }
  *info = search->found[0];
  search->next = 1;
  Search* h = search.get();
  m_searches[h] = std::move(search);
  return reinterpret_cast<HANDLE>(h);
}

BOOL CDeviceManager::FindNext(HANDLE h, PDEVMGR_DEVICE_INFORMATION info) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_searches.find(static_cast<Search*>(h));
  if (it == m_searches.end() || !info) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Search& s = *it->second;
  if (s.next >= s.found.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  *info = s.found[s.next++];
  return TRUE;
}

BOOL CDeviceManager::FindClose(HANDLE h) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_searches.erase(static_cast<Search*>(h)) == 0) {
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
    std::lock_guard<std::mutex> lock(m_lock);
    for (auto& [p, d] : m_devices)
      if (_wcsicmp(d->legacyName.c_str(), n.c_str()) == 0) dev = d;
  }
  if (!dev) return nullptr;  // not a device name: the file system's
  const DWORD_PTR context = dev->open ? dev->open(dev->context, access, share) : 0;
  if (!context) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return INVALID_HANDLE_VALUE;
  }
  auto* f = new OpenFile;
  f->device = dev;
  f->context = context;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_devices.count(dev.get())) {
      m_files.insert(f);
      return reinterpret_cast<HANDLE>(f);
    }
  }
  // Deactivated meanwhile.
  if (dev->close) dev->close(context);
  delete f;
  SetLastError(ERROR_DEVICE_NOT_CONNECTED);
  return INVALID_HANDLE_VALUE;
}

CDeviceManager::OpenFile* CDeviceManager::Enter(HANDLE h) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_files.find(static_cast<OpenFile*>(h));
  if (it == m_files.end() || (*it)->closing) return nullptr;
  ++(*it)->inFlight;
  return *it;
}

void CDeviceManager::Leave(OpenFile* f) {
  std::lock_guard<std::mutex> lock(m_lock);
  --f->inFlight;
  m_left.notify_all();
}

BOOL CDeviceManager::Read(HANDLE h, LPVOID buf, DWORD len, LPDWORD read) {
  if (read) *read = 0;
  OpenFile* f = Enter(h);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const DWORD n = f->device->read ? f->device->read(f->context, buf, len) : static_cast<DWORD>(-1);
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
  const DWORD n = f->device->write ? f->device->write(f->context, buf, len) : static_cast<DWORD>(-1);
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
  const BOOL ok = f->device->ioControl
                      ? f->device->ioControl(f->context, code, static_cast<PBYTE>(in), inSize,
                                             static_cast<PBYTE>(out), outSize, returned)
                      : FALSE;
  Leave(f);
  return ok;
}

BOOL CDeviceManager::CloseFile(OpenFile* f) {
  // With PreClose the driver wakes its blocked calls and closes after they left; without it
  // its Close must make them return itself. Either way the handle lives until they have left.
  const std::shared_ptr<Device> dev = f->device;
  if (dev->preClose)
    dev->preClose(f->context);
  else if (dev->close)
    dev->close(f->context);
  {
    std::unique_lock<std::mutex> lock(m_lock);
    m_left.wait(lock, [f] { return f->inFlight == 0; });
  }
  if (dev->preClose && dev->close) dev->close(f->context);
  delete f;
  return TRUE;
}

BOOL CDeviceManager::Close(HANDLE h) {
  OpenFile* f = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_files.find(static_cast<OpenFile*>(h));
    if (it == m_files.end()) return FALSE;  // not ours
    f = *it;
    f->closing = true;
    m_files.erase(it);
  }
  return CloseFile(f);
}

void CDeviceManager::Reset() {
  std::vector<HANDLE> devices;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    for (auto& [p, d] : m_devices) devices.push_back(reinterpret_cast<HANDLE>(p));
    m_searches.clear();
  }
  for (HANDLE h : devices) Deactivate(h);
}

}  // namespace wce
