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
  std::lock_guard<std::mutex> lock(m_lock);
  const uintptr_t key = m_next;
  m_next += 4;
  if (m_spare.empty()) {
    m_objects.emplace(key, std::move(obj));
  } else {
    m_spare.key() = key;
    m_spare.mapped() = std::move(obj);
    m_objects.insert(std::move(m_spare));
    m_spare = Table::node_type();
  }
  return reinterpret_cast<void*>(key);
}

void* CGdiHandleTable::InsertStock(std::shared_ptr<CGdiObject> obj) {
  std::lock_guard<std::mutex> lock(m_lock);
  const uintptr_t key = m_nextStock;
  m_nextStock += 4;
  m_stock.emplace(key, std::move(obj));
  return reinterpret_cast<void*>(key);
}

bool CGdiHandleTable::IsStock(const void* handle) const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_stock.count(Key(handle)) != 0;
}

std::shared_ptr<CGdiObject> CGdiHandleTable::Lookup(const void* handle) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_objects.find(Key(handle));
  if (it != m_objects.end()) return it->second;
  auto stock = m_stock.find(Key(handle));
  return stock == m_stock.end() ? nullptr : stock->second;
}

std::shared_ptr<CGdiObject> CGdiHandleTable::Remove(const void* handle) {
  std::lock_guard<std::mutex> lock(m_lock);
  Table::node_type node = m_objects.extract(Key(handle));
  if (node.empty()) return nullptr;
  std::shared_ptr<CGdiObject> removed = std::move(node.mapped());
  if (m_spare.empty()) m_spare = std::move(node);
  return removed;  // released by the caller, after the lock
}

void CGdiHandleTable::Reset() {
  Table old;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    old.swap(m_objects);
    m_spare = Table::node_type();
  }
}
