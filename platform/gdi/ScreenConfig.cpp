// The display's size and depth. The head unit picks its resource packs and its DIB depth from
// these, so tests set them to each supported screen.
#include "platform/gdi/gdi.h"
#include "platform/gdi/GdiHooks.h"

#include <mutex>

namespace {
std::mutex g_screenMutex;
wce::ScreenConfig g_screen{800, 480, 32};
}  // namespace

namespace wce {

bool SetScreen(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || (bitsPerPixel != 16 && bitsPerPixel != 32)) return false;
  std::lock_guard<std::mutex> lock(g_screenMutex);
  g_screen = ScreenConfig{width, height, bitsPerPixel};
  return true;
}

ScreenConfig GetScreen() {
  std::lock_guard<std::mutex> lock(g_screenMutex);
  return g_screen;
}

}  // namespace wce
