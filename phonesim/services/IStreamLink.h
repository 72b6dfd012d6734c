#pragma once
// What a service or a phone endpoint holds to talk back on its ADB stream.
// Writes are cut into WRTEs no larger than the host accepts and go out one
// at a time, each after the host's OKAY of the previous one. A link outlives
// its stream safely: once the stream or the connection is gone, writes fail.
#include <cstddef>
#include <cstdint>

namespace phonesim {

class IStreamLink {
 public:
  virtual ~IStreamLink() = default;
  virtual bool Write(const void* data, size_t len) = 0;
  // Ends the stream after what was written has been delivered.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Bytes written and not yet acknowledged by the host (0 once closed).
  virtual size_t Queued() const { return 0; }
};

}  // namespace phonesim
