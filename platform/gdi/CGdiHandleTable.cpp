#include "platform/gdi/CGdiHandleTable.h"

namespace {
uintptr_t Key(const void* handle) {
  return reinterpret_cast<uintptr_t>(handle);
}
}  // namespace

CGdiHandleTable& CGdiHandleTable::GetInstance() {
  // Never destroyed: threads may still paint while the process winds down.
  static CGdiHandleTable* instance = new CGdiHandleTable();
  return *instance;
}

void* CGdiHandleTable::Insert(std::shared_ptr<CGdiObject> obj) {
  std::lock_guard<std::mutex> lock(m_Lock);
  const uintptr_t key = m_nNext;
  m_nNext += 4;
  if (m_Spare.empty()) {
    m_Objects.emplace(key, std::move(obj));
  } else {
    m_Spare.key() = key;
    m_Spare.mapped() = std::move(obj);
    m_Objects.insert(std::move(m_Spare));
    m_Spare = Table::node_type();
  }
  return reinterpret_cast<void*>(key);
}

void* CGdiHandleTable::InsertStock(std::shared_ptr<CGdiObject> obj) {
  std::lock_guard<std::mutex> lock(m_Lock);
  const uintptr_t key = m_nNextStock;
  m_nNextStock += 4;
  m_Stock.emplace(key, std::move(obj));
  return reinterpret_cast<void*>(key);
}

bool CGdiHandleTable::IsStock(const void* handle) const {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_Stock.count(Key(handle)) != 0;
}

std::shared_ptr<CGdiObject> CGdiHandleTable::Lookup(const void* handle) {
  std::lock_guard<std::mutex> lock(m_Lock);
  auto it = m_Objects.find(Key(handle));
  if (it != m_Objects.end()) return it->second;
  auto stock = m_Stock.find(Key(handle));
  return stock == m_Stock.end() ? nullptr : stock->second;
}

std::shared_ptr<CGdiObject> CGdiHandleTable::Remove(const void* handle) {
  std::lock_guard<std::mutex> lock(m_Lock);
  Table::node_type node = m_Objects.extract(Key(handle));
  if (node.empty()) return nullptr;
  std::shared_ptr<CGdiObject> removed = std::move(node.mapped());
  if (m_Spare.empty()) m_Spare = std::move(node);
  return removed;  // released by the caller, after the lock
}

void CGdiHandleTable::Reset() {
  Table old;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    old.swap(m_Objects);
    m_Spare = Table::node_type();
  }
}
