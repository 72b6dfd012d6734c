#include "tests/support/PhonePicture.h"

#include <turbojpeg.h>

bool DecodeLikeTheSurface(const std::vector<uint8_t>& jpeg, int width, int height,
                          std::vector<uint8_t>* rgb) {
  tjhandle h = tjInitDecompress();
  if (h == nullptr) return false;
  rgb->assign(static_cast<size_t>(width) * height * 3, 0);
  const int flags = TJFLAG_FASTUPSAMPLE | TJFLAG_NOREALLOC | TJFLAG_FASTDCT | TJFLAG_ACCURATEDCT;
  const int r = tjDecompress2(h, jpeg.data(), static_cast<unsigned long>(jpeg.size()), rgb->data(), width, 0,
                              height, TJPF_RGB, flags);
  tjDestroy(h);
  return r == 0;
}
