#pragma once
// One ADB service instance on one stream (shell, sync, tcp). The device
// calls Accept before it answers the OPEN (false refuses the stream with
// CLSE), OnOpen right after its OKAY, OnData for each host WRTE, and
// OnClose when the stream ends for any reason.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "phonesim/adb/CAdbStreamLink.h"

namespace phonesim {

class CSimService {
 public:
  explicit CSimService(std::shared_ptr<CAdbStreamLink> link) : m_pLink(std::move(link)) {}
  virtual ~CSimService() = default;
  CSimService(const CSimService&) = delete;
  CSimService& operator=(const CSimService&) = delete;

  virtual bool Accept() { return true; }
  virtual void OnOpen() {}
  virtual void OnData(const uint8_t* data, size_t len) = 0;
  virtual void OnClose() {}

 protected:
  std::shared_ptr<CAdbStreamLink> m_pLink;
};

}  // namespace phonesim
