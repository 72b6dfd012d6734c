// The keys the head unit signs the phone's AUTH tokens with, in load order (file 0 first), and
// which stored public-key text is offered next.
#pragma once

#include "phonelink/AdbKeys.h"

class AdbKeyList {
 public:
  AdbKeyList() = default;
  AdbKeyList(const AdbKeyList&) = delete;
  AdbKeyList& operator=(const AdbKeyList&) = delete;

  // Filled by LoadKeys in Corvane_Adb_Init and emptied by FreeKeys in Corvane_Adb_Close, both
  // under the link lock; walked by the reader at AUTH while the link runs. The sentinel links to
  // itself when the list is empty.
  AdbKeyNode m_Head{&m_Head, &m_Head, nullptr};
  // 0 or 1, the public-key text to send next: the reader's, at AUTH; it lasts for the process.
  int m_nPublicKeyIndex = 0;
};
