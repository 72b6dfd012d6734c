// CCorvaneConfigure: the short-lived reader of "CorvaneConfigure.xml". Every value is an attribute
// of a section element under the root `Config`; whatever is missing keeps its default.
#pragma once

#include "platform/kernel/wcetypes.h"
#include "services/CXmlDocument.h"

class CCorvaneConfigure {
 public:
  static const int kMaxVolLevels = 64;

  CCorvaneConfigure();
  ~CCorvaneConfigure();

  // Loads the file and reads the `VOLUME_LEV` and `window_param` sections.
  void Load(LPCWSTR path);
  // `customer`: channel into a caller buffer of 64 characters (1 when a non-empty one was
  // copied), notify flag and customer variant into the record.
  int GetCustomer(WCHAR* channel, BYTE* notifyFlag);
  // `version`/`corvane_version` into the record; 1 when a non-empty text was stored.
  int GetVersion();

  int GetVolLevCount() const { return m_nVolLevCount; }
  DWORD GetVolLevel(int i) const { return (i >= 0 && i < kMaxVolLevels) ? m_dwVolLevels[i] : 0; }

 private:
  void ReadVolumeLevels();
  void ReadWindowParam();
  // Positions on the named section of `Config`; false when it is missing.
  bool FindSection(LPCWSTR name);

  int m_nVolLevCount = 0;
  DWORD m_dwVolLevels[kMaxVolLevels] = {};
  CXmlDocument m_Xml;
};
