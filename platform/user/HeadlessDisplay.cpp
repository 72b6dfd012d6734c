// The default display: the framebuffer is the whole screen; it is seen through wce::SaveScreen and
// wce::GetScreenPixels.
#include "platform/user/DisplayDriver.h"

namespace {
bool Open(int /*width*/, int /*height*/, int /*bitsPerPixel*/) {
  return true;
}
void Close() {}
void Damaged() {}
void Presented(const BITMAP& /*frame*/, const RECT* /*rects*/, size_t /*count*/) {}
bool Flush(DWORD /*ms*/) {
  return true;
}
const DisplayDriver kHeadless{"headless", &Open, &Close, &Damaged, &Presented, &Flush};
}  // namespace

const DisplayDriver* HeadlessDisplayDriver() {
  return &kHeadless;
}
