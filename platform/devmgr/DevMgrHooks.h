// Our own additions to the device manager part, with no CE counterpart: the reset for tests.
#pragma once

namespace wce {
// Tests: deactivates every device and forgets every search.
void ResetDeviceManager();
}  // namespace wce
