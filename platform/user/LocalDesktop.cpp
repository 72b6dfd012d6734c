// The local desktop driver: registered numbers follow this process's own order and no other
// program is ever seen.
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/user/CMessageRegistry.h"
#include "platform/user/DesktopDriver.h"

namespace {
// Where this process numbers its windows.
const uintptr_t kLocalFirstHandle = 0x10000;

uintptr_t FirstHandle() {
  return kLocalFirstHandle;
}

bool IsLocal(HWND) {
  return true;
}

UINT RegisterMessage(LPCWSTR name) {
  return CMessageRegistry::GetInstance().Register(name);
}

std::u16string MessageName(UINT msg) {
  return CMessageRegistry::GetInstance().Name(msg);
}

bool FindOther(LPCWSTR, LPCWSTR, HWND, PublishedWindow*) {
  return false;
}

std::vector<PublishedWindow> ListOthers() {
  return {};
}

bool PostOther(HWND, const MSG&) {
  return false;
}

bool ShowOther(HWND, int) {
  return false;
}

void BroadcastOther(const MSG&) {}

const DesktopDriver kLocal{"local",    &FirstHandle, &IsLocal,   &RegisterMessage, &MessageName,   nullptr,
                           &FindOther, &ListOthers,  &PostOther, &ShowOther,       &BroadcastOther};
}  // namespace

const DesktopDriver* LocalDesktopDriver() {
  return &kLocal;
}

const DesktopDriver& Desktop() {
  // Chosen once: window handles and message numbers given out must stay valid for the process.
  static const DesktopDriver* driver = wce::IsBusShared() ? SharedDesktopDriver() : LocalDesktopDriver();
  return *driver;
}

bool CrossesPrograms(UINT msg) {
  if (msg >= WM_USER) return true;
  switch (msg) {
    case WM_NULL:
    case WM_ACTIVATE:
    case WM_ENABLE:
    case WM_CLOSE:
    case WM_SHOWWINDOW:
    case WM_FONTCHANGE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_COMMAND:
      return true;
    default:
      return false;
  }
}
