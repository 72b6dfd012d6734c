#include "phonelink/AdbRequest.h"

#include "platform/kernel/CsLock.h"

#include <new>

void AdbRequestList::Init() {
  if (m_bInit) return;
  InitializeCriticalSection(&m_cs);
  m_Head.m_pNext = m_Head.m_pPrev = &m_Head;
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
  r->m_nKind = kind;
  r->m_nLocalId = localId;
  r->m_nRemoteId = remoteId;
  CsLock lock(&m_cs);
  r->m_nSerial = m_nNextSerial++;
  r->m_pPrev = m_Head.m_pPrev;
  r->m_pNext = &m_Head;
  m_Head.m_pPrev->m_pNext = r;
  m_Head.m_pPrev = r;
}

bool AdbRequestList::Find(uint32_t localId, AdbRequest* out) {
  if (!m_bInit) return false;
  CsLock lock(&m_cs);
  for (AdbRequest* r = m_Head.m_pNext; r != &m_Head; r = r->m_pNext) {
    if (r->m_nLocalId == localId) {
      *out = *r;
      out->m_pNext = out->m_pPrev = nullptr;
      return true;
    }
  }
  return false;
}

AdbRequest* AdbRequestList::FindSerial(uint32_t serial) {
  for (AdbRequest* r = m_Head.m_pNext; r != &m_Head; r = r->m_pNext) {
    if (r->m_nSerial == serial) return r;
  }
  return nullptr;
}

void AdbRequestList::SetRemote(uint32_t serial, uint32_t remoteId) {
  if (!m_bInit) return;
  CsLock lock(&m_cs);
  if (AdbRequest* r = FindSerial(serial)) r->m_nRemoteId = remoteId;
}

void AdbRequestList::SetKind(uint32_t serial, int32_t kind) {
  if (!m_bInit) return;
  CsLock lock(&m_cs);
  if (AdbRequest* r = FindSerial(serial)) r->m_nKind = kind;
}

void AdbRequestList::Remove(uint32_t serial) {
  if (!m_bInit) return;
  AdbRequest* r = nullptr;
  {
    CsLock lock(&m_cs);
    r = FindSerial(serial);
    if (r) {
      r->m_pPrev->m_pNext = r->m_pNext;
      r->m_pNext->m_pPrev = r->m_pPrev;
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
    r = m_Head.m_pNext;
    m_Head.m_pNext = m_Head.m_pPrev = &m_Head;
  }
  while (r != &m_Head) {
    AdbRequest* next = r->m_pNext;
    delete r;
    r = next;
  }
}

int AdbRequestList::Count() {
  if (!m_bInit) return 0;
  int n = 0;
  CsLock lock(&m_cs);
  for (AdbRequest* r = m_Head.m_pNext; r != &m_Head; r = r->m_pNext) ++n;
  return n;
}
