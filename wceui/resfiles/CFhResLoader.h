// What the three resource caches (bitmaps, fonts, colours) share: an id maps to the loaded object
// and its reference count; every holder that asks for the same id gets the same object, and the
// last release deletes it. A failed load caches nothing, so the next request reads the files again.
// UI thread only (the counts change interlocked, the map is not locked).
#pragma once

#include "platform/kernel/wcetypes.h"
#include "wceui/base/CWceUiStrMap.h"

class CFhResLoader {
 public:
  CFhResLoader(const CFhResLoader&) = delete;
  CFhResLoader& operator=(const CFhResLoader&) = delete;

  // The shared object of the id with one more reference, or none.
  void* Get(LPCWSTR pId);
  // One reference of the object given back; 0 with an error line when no entry holds it.
  BOOL Release(void* pObject);
  // The leak report: one line for every entry still held; then every entry and object freed.
  void ReleaseAll();
  int GetCount() const { return m_Map.GetCount(); }
  // The references held on the id, 0 when it is not cached.
  LONG GetRefCount(LPCWSTR pId) const;

 protected:
  // pKindName names the release call in the messages: "Bitmap" for WceUiReleaseBitmap.
  explicit CFhResLoader(const char16_t* pKindName);
  // Every subclass runs ReleaseAll in its own destructor, while its DeleteObject still exists.
  virtual ~CFhResLoader();

  // 1 when ids can be loaded now (the resource directory is set, a shared file is read).
  virtual BOOL Prepare();
  // A new object for the id, or none (with its error line).
  virtual void* LoadObject(LPCWSTR pId) = 0;
  virtual void DeleteObject(void* pObject) = 0;
  // pFolder (ending in "\") and pName behind the resource directory; 0 with an error line when the
  // path would not fit MAX_PATH units.
  static BOOL MakeResPath(LPWSTR pPath, LPCWSTR pFolder, LPCWSTR pName);

 private:
  struct CEntry {
    void* m_pObject;
    LONG m_nRefCount;
  };

  CWceUiStrMap m_Map;
  const char16_t* m_pKindName;
};
