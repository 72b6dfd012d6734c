// Base of everything a kernel HANDLE can stand for. Objects are shared: the handle table holds
// one reference per open handle, and a call that is using an object (a wait, a read) holds its
// own, so closing a handle never frees an object that another thread is still inside.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <string>

class CKernelObject {
 public:
  enum class Type { Event, Mutex, Thread, File, Process };

  explicit CKernelObject(Type type);
  virtual ~CKernelObject();
  CKernelObject(const CKernelObject&) = delete;
  CKernelObject& operator=(const CKernelObject&) = delete;

  Type GetType() const { return m_Type; }

 private:
  friend class CHandleTable;
  const Type m_Type;
  // Both guarded by the handle table's lock: the name stays in the name table while any
  // handle to the object is open.
  std::u16string m_strName;
  int m_nOpenHandles = 0;
};
