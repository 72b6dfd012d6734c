// The process's handle table and the name table of named kernel objects (events and mutexes
// share one namespace, as on CE). Handle values are small multiples of 4, never reused, so a
// stale handle is refused rather than reaching a newer object.
#pragma once

#include "platform/kernel/CKernelObject.h"
#include "platform/kernel/NameTableDriver.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class CHandleTable {
 public:
  static CHandleTable& GetInstance();

  HANDLE Insert(std::shared_ptr<CKernelObject> obj);
  // Resolves GetCurrentThread()'s pseudo handle too. nullptr for anything not open.
  std::shared_ptr<CKernelObject> Lookup(HANDLE h);
  template <class T>
  std::shared_ptr<T> LookupAs(HANDLE h, CKernelObject::Type type) {
    std::shared_ptr<CKernelObject> obj = Lookup(h);
    return obj && obj->GetType() == type ? std::static_pointer_cast<T>(obj) : nullptr;
  }
  // False when h is not an open handle. The pseudo handle closes as a no-op.
  bool Close(HANDLE h);

  // Opens the object of that name or, when there is none, makes one with `make` and names it.
  // `existed` tells which; a name held by another type gives nullptr.
  HANDLE CreateNamed(const std::u16string& name, CKernelObject::Type type,
                     const std::function<std::shared_ptr<CKernelObject>()>& make, bool& existed);
  HANDLE OpenNamed(const std::u16string& name, CKernelObject::Type type);
  void ResetNames();
  // nullptr: the bus decides (shared when CORVANE_BUS says so, else local).
  void SetNameDriver(const NameTableDriver* driver);

  static HANDLE CurrentThreadPseudoHandle();

 private:
  CHandleTable() = default;
  HANDLE InsertLocked(std::shared_ptr<CKernelObject> obj);
  const NameTableDriver& NamesLocked() const;

  std::mutex m_Lock;
  uintptr_t m_nNext = 0x1000;
  std::unordered_map<uintptr_t, std::shared_ptr<CKernelObject>> m_Handles;
  std::map<std::u16string, std::weak_ptr<CKernelObject>> m_Names;  // entries live while a handle is open
  const NameTableDriver* m_pNameDriver = nullptr;
};
