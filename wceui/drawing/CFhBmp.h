// The handle by which a bitmap object holds its pixel data: one pointer to a shared record.
// Copies of a bitmap share one record until one of them writes (copy on write); a record whose
// pixels have been handed out is locked (count -1) and shared no more until it is unlocked.
#pragma once

#include "wceui/drawing/WceUiDib.h"

class CFhBmp {
 public:
  CFhBmp();  // on the empty record
  ~CFhBmp();
  CFhBmp(const CFhBmp&) = delete;
  CFhBmp& operator=(const CFhBmp&) = delete;

  CFhBmpData* Get() const { return m_pData; }
  // A fresh zeroed record of count 1 (the old one released first); 0 when none can be allocated.
  BOOL AttachNew();
  // Releases the record and shares pOther's (its count goes up by one); the empty record and a
  // locked record are never shared this way.
  void Share(const CFhBmp& other);
  // Count down; at zero the DIB, the alpha plane and the record are freed. Back on the empty record.
  void Release();
  // Before writing: a shared record is copied (pixels and alpha plane) and the copy kept.
  BOOL MakeUnique();
  // The pixels are about to escape: unique, then never shared until Unlock.
  BOOL Lock();
  void Unlock();
  BOOL IsLocked() const { return m_pData->m_nRef < 0; }
  BOOL IsEmpty() const { return m_pData == GetEmptyData(); }

  // The one empty record every unloaded bitmap points at; it is never counted or freed.
  static CFhBmpData* GetEmptyData();

 private:
  static void Free(CFhBmpData* pData);

  CFhBmpData* m_pData;
};
