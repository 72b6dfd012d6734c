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
  uintptr_t value = m_next;
  m_next += 4;
  ++obj->m_openHandles;
  m_handles.emplace(value, std::move(obj));
  return reinterpret_cast<HANDLE>(value);
}

HANDLE CHandleTable::Insert(std::shared_ptr<CKernelObject> obj) {
  std::lock_guard<std::mutex> lock(m_lock);
  return InsertLocked(std::move(obj));
}

std::shared_ptr<CKernelObject> CHandleTable::Lookup(HANDLE h) {
  if (h == CurrentThreadPseudoHandle()) return CThreadObject::Current();
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_handles.find(reinterpret_cast<uintptr_t>(h));
  return it == m_handles.end() ? nullptr : it->second;
}

bool CHandleTable::Close(HANDLE h) {
  if (h == CurrentThreadPseudoHandle()) return true;
  std::shared_ptr<CKernelObject> released;  // dropped after the lock: a file closes its descriptor
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_handles.find(reinterpret_cast<uintptr_t>(h));
  if (it == m_handles.end()) return false;
  released = std::move(it->second);
  m_handles.erase(it);
  if (--released->m_openHandles == 0 && !released->m_name.empty()) {
    auto named = m_names.find(released->m_name);
    if (named != m_names.end() && named->second.lock() == released) {
      m_names.erase(named);
      NamesLocked().release(released->m_name);
    }
    released->m_name.clear();
  }
  return true;
}

HANDLE CHandleTable::CreateNamed(const std::u16string& name, CKernelObject::Type type,
                                 const std::function<std::shared_ptr<CKernelObject>()>& make, bool& existed) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto named = m_names.find(name);
  std::shared_ptr<CKernelObject> current = named == m_names.end() ? nullptr : named->second.lock();
  if (current) {
    existed = true;
    return current->GetType() == type ? InsertLocked(std::move(current)) : nullptr;
  }
  std::shared_ptr<CKernelObject> obj = make();
  if (!obj) return nullptr;
  // Another program's object of the name is not reachable from here; this process gets its own,
  // and the creator learns that the name was taken.
  existed = NamesLocked().claim(name);
  obj->m_name = name;
  m_names[name] = obj;
  return InsertLocked(std::move(obj));
}

HANDLE CHandleTable::OpenNamed(const std::u16string& name, CKernelObject::Type type) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto named = m_names.find(name);
  std::shared_ptr<CKernelObject> current = named == m_names.end() ? nullptr : named->second.lock();
  return current && current->GetType() == type ? InsertLocked(std::move(current)) : nullptr;
}

void CHandleTable::ResetNames() {
  std::lock_guard<std::mutex> lock(m_lock);
  for (auto& named : m_names) {
    if (std::shared_ptr<CKernelObject> obj = named.second.lock()) obj->m_name.clear();
    NamesLocked().release(named.first);
  }
  m_names.clear();
}

void CHandleTable::SetNameDriver(const NameTableDriver* driver) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_pNameDriver = driver;
}

const NameTableDriver& CHandleTable::NamesLocked() const {
  if (m_pNameDriver != nullptr) return *m_pNameDriver;
  return wce::IsBusShared() ? *SharedNameTableDriver() : *LocalNameTableDriver();
}
