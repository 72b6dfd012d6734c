#pragma once
// The handle a service keeps on its stream. It reaches the device through a
// shared core, so a link held past the end of its connection (by a test's
// endpoint, say) only fails its writes.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "phonesim/services/IStreamLink.h"

namespace phonesim {

class CAdbDevice;

struct SDeviceCore {
  std::recursive_mutex m_Lock;
  CAdbDevice* m_pDevice = nullptr;  // null once the connection is gone
};

class CAdbStreamLink : public IStreamLink {
 public:
  CAdbStreamLink(std::shared_ptr<SDeviceCore> core, uint32_t device_id, std::string service);

  bool Write(const void* data, size_t len) override;
  void Close() override;
  bool IsOpen() const override;
  size_t Queued() const override;

  // Runs fn on the connection thread after ms milliseconds (dropped with the connection).
  void After(int ms, std::function<void()> fn);
  // Passes a named step: step-bound faults fire here. false when the
  // connection is gone afterwards, and the caller should stop.
  bool Step(const std::string& step);
  uint32_t DeviceId() const { return m_nId; }
  const std::string& Service() const { return m_strService; }

 private:
  std::shared_ptr<SDeviceCore> m_pCore;
  uint32_t m_nId;
  std::string m_strService;
};

}  // namespace phonesim
