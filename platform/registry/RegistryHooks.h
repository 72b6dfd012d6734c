// Our own additions to the registry part, with no CE counterpart: where the registry file lies, and
// the reload, reset and dump for tests.
#pragma once

#include <string>

namespace wce {
// The registry file's CE path, "\Registry\registry.txt".
std::u16string RegistryCePath();
// Test hooks. Both close every open handle (they then fail with ERROR_INVALID_HANDLE).
// Reload: forget the registry in memory and load the file under the current root again.
void ReloadRegistry();
// Reset: an empty registry; the file under the current root is deleted, and the next call
// loads from the root current then.
void ResetRegistry();
// The registry as the text that the file holds.
std::string DumpRegistry();
}  // namespace wce
