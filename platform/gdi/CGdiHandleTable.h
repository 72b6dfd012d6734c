// The GDI's handle table: bitmaps, brushes, fonts, regions and device contexts. Its lock covers
// only the table itself (a lookup, an insert, a removal): no pixels are touched and no other lock
// is taken under it. Handle values are multiples of 4, never reused, so a stale handle is refused
// rather than reaching a newer object. Stock objects keep their handles across Reset.
#pragma once

#include "platform/gdi/CGdiObject.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

class CGdiHandleTable {
 public:
  static CGdiHandleTable& GetInstance();

  void* Insert(std::shared_ptr<CGdiObject> obj);
  // A handle that stays the object's across Reset.
  void* InsertStock(std::shared_ptr<CGdiObject> obj);
  bool IsStock(const void* handle) const;
  std::shared_ptr<CGdiObject> Lookup(const void* handle);
  template <class T>
  std::shared_ptr<T> LookupAs(const void* handle, CGdiObject::Type type) {
    std::shared_ptr<CGdiObject> obj = Lookup(handle);
    return obj && obj->GetType() == type ? std::static_pointer_cast<T>(obj) : nullptr;
  }
  // The object removed, or nullptr when the handle was not in the table. Stock objects stay.
  std::shared_ptr<CGdiObject> Remove(const void* handle);
  // Tests only: every object but the stock ones is forgotten.
  void Reset();

 private:
  CGdiHandleTable() = default;
  using Table = std::unordered_map<uintptr_t, std::shared_ptr<CGdiObject>>;

  mutable std::mutex m_Lock;
  uintptr_t m_nNext = 0x20000;
  uintptr_t m_nNextStock = 0x10000;  // below every ordinary handle
  Table m_Objects;
  Table m_Stock;
  // The entry of the last object removed, kept for the next insert: a window DC taken and
  // released for every picture painted costs no table allocation.
  Table::node_type m_Spare;
};
