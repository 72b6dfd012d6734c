#include "platform/kernel/CHandleTable.h"

#include "platform/kernel/CThreadObject.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

CHandleTable& CHandleTable::GetInstance() {
  // Never destroyed: threads that outlive main may still close handles during exit.
  static CHandleTable* instance = new CHandleTable();
  return *instance;
}

HANDLE CHandleTable::CurrentThreadPseudoHandle() {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));
}

HANDLE CHandleTable::InsertLocked(std::shared_ptr<CKernelObject> obj) {
  uintptr_t value = m_nNext;
  m_nNext += 4;
  ++obj->m_nOpenHandles;
  m_Handles.emplace(value, std::move(obj));
  return reinterpret_cast<HANDLE>(value);
}

HANDLE CHandleTable::Insert(std::shared_ptr<CKernelObject> obj) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return InsertLocked(std::move(obj));
}

std::shared_ptr<CKernelObject> CHandleTable::Lookup(HANDLE h) {
  if (h == CurrentThreadPseudoHandle()) return CThreadObject::Current();
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Handles.find(reinterpret_cast<uintptr_t>(h));
  return it == m_Handles.end() ? nullptr : it->second;
}

bool CHandleTable::Close(HANDLE h) {
  if (h == CurrentThreadPseudoHandle()) return true;
  std::shared_ptr<CKernelObject> released;  // dropped after the lock: a file closes its descriptor
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Handles.find(reinterpret_cast<uintptr_t>(h));
  if (it == m_Handles.end()) return false;
  released = std::move(it->second);
  m_Handles.erase(it);
  if (--released->m_nOpenHandles == 0 && !released->m_strName.empty()) {
    auto named = m_Names.find(released->m_strName);
    if (named != m_Names.end() && named->second.lock() == released) {
      m_Names.erase(named);
      NamesLocked().m_pfnRelease(released->m_strName);
    }
    released->m_strName.clear();
  }
  return true;
}

HANDLE CHandleTable::CreateNamed(const std::u16string& name, CKernelObject::Type type,
                                 const std::function<std::shared_ptr<CKernelObject>()>& make, bool& existed) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto named = m_Names.find(name);
  std::shared_ptr<CKernelObject> current = named == m_Names.end() ? nullptr : named->second.lock();
  if (current) {
    existed = true;
    return current->GetType() == type ? InsertLocked(std::move(current)) : nullptr;
  }
  std::shared_ptr<CKernelObject> obj = make();
  if (!obj) return nullptr;
  // Another program's object of the name is not reachable from here; this process gets its own,
  // and the creator learns that the name was taken.
  existed = NamesLocked().m_pfnClaim(name);
  obj->m_strName = name;
  m_Names[name] = obj;
  return InsertLocked(std::move(obj));
}

HANDLE CHandleTable::OpenNamed(const std::u16string& name, CKernelObject::Type type) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto named = m_Names.find(name);
  std::shared_ptr<CKernelObject> current = named == m_Names.end() ? nullptr : named->second.lock();
  return current && current->GetType() == type ? InsertLocked(std::move(current)) : nullptr;
}

void CHandleTable::ResetNames() {
  std::lock_guard<std::mutex> lock(m_Lock);
  for (auto& named : m_Names) {
    if (std::shared_ptr<CKernelObject> obj = named.second.lock()) obj->m_strName.clear();
    NamesLocked().m_pfnRelease(named.first);
  }
  m_Names.clear();
}

void CHandleTable::SetNameDriver(const NameTableDriver* driver) {
  std::lock_guard<std::mutex> lock(m_Lock);
  m_pNameDriver = driver;
}

const NameTableDriver& CHandleTable::NamesLocked() const {
  if (m_pNameDriver != nullptr) return *m_pNameDriver;
  return wce::IsBusShared() ? *SharedNameTableDriver() : *LocalNameTableDriver();
}
