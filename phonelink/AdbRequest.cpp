#include "phonelink/AdbRequest.h"

#include "platform/kernel/CsLock.h"

#include <new>

void AdbRequestList::Init() {
  if (m_bInit) return;
  InitializeCriticalSection(&m_cs);
  m_head.next = m_head.prev = &m_head;
  m_bInit = true;
}

void AdbRequestList::Destroy() {
  if (!m_bInit) return;
  Clear();
  DeleteCriticalSection(&m_cs);
  m_bInit = false;
}

void AdbRequestList::Add(int32_t kind, uint32_t localId, uint32_t remoteId) {
  if (!m_bInit) return;
  AdbRequest* r = new (std::nothrow) AdbRequest{};
  if (!r) return;
  r->kind = kind;
  r->local_id = localId;
  r->remote_id = remoteId;
  CsLock lock(&m_cs);
  r->serial = m_nNextSerial++;
  r->prev = m_head.prev;
  r->next = &m_head;
  m_head.prev->next = r;
  m_head.prev = r;
}

bool AdbRequestList::Find(uint32_t localId, AdbRequest* out) {
  if (!m_bInit) return false;
  CsLock lock(&m_cs);
  for (AdbRequest* r = m_head.next; r != &m_head; r = r->next) {
    if (r->local_id == localId) {
      *out = *r;
      out->next = out->prev = nullptr;
      return true;
    }
  }
  return false;
}

AdbRequest* AdbRequestList::FindSerial(uint32_t serial) {
  for (AdbRequest* r = m_head.next; r != &m_head; r = r->next) {
    if (r->serial == serial) return r;
  }
  return nullptr;
}

void AdbRequestList::SetRemote(uint32_t serial, uint32_t remoteId) {
  if (!m_bInit) return;
  CsLock lock(&m_cs);
  if (AdbRequest* r = FindSerial(serial)) r->remote_id = remoteId;
}

void AdbRequestList::SetKind(uint32_t serial, int32_t kind) {
  if (!m_bInit) return;
  CsLock lock(&m_cs);
  if (AdbRequest* r = FindSerial(serial)) r->kind = kind;
}

void AdbRequestList::Remove(uint32_t serial) {
  if (!m_bInit) return;
  AdbRequest* r = nullptr;
  {
    CsLock lock(&m_cs);
    r = FindSerial(serial);
    if (r) {
      r->prev->next = r->next;
      r->next->prev = r->prev;
    }
  }
  // Unlinked, the record is this caller's alone: it is freed outside the lock.
  delete r;
}

void AdbRequestList::Clear() {
  if (!m_bInit) return;
  AdbRequest* r = nullptr;
  {
    CsLock lock(&m_cs);
    r = m_head.next;
    m_head.next = m_head.prev = &m_head;
  }
  while (r != &m_head) {
    AdbRequest* next = r->next;
    delete r;
    r = next;
  }
}

int AdbRequestList::Count() {
  if (!m_bInit) return 0;
  int n = 0;
  CsLock lock(&m_cs);
  for (AdbRequest* r = m_head.next; r != &m_head; r = r->next) ++n;
  return n;
}
