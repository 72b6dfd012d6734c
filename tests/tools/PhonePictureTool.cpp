// phone-picture FRAME WIDTH HEIGHT: phonesim's test pattern of frame FRAME at WIDTH x HEIGHT as
// the head unit's picture surface shows it, as raw RGB on standard output (three bytes a pixel,
// rows top-down). The check of the README's pictures compares the video picture with it.
// Exit status 0 written, 1 the picture could not be made, 2 usage.
#include "phonesim/app/CPictureSource.h"
#include "tests/support/PhonePicture.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: phone-picture FRAME WIDTH HEIGHT\n", stderr);
    return 2;
  }
  const long frame = std::strtol(argv[1], nullptr, 10);
  const int width = std::atoi(argv[2]);
  const int height = std::atoi(argv[3]);
  if (frame < 1 || width < 1 || height < 1 || width > 4096 || height > 4096) {
    std::fputs("usage: phone-picture FRAME WIDTH HEIGHT (all above 0)\n", stderr);
    return 2;
  }
  phonesim::CPictureSource source;
  std::vector<uint8_t> jpeg, rgb;
  if (!source.Picture(static_cast<uint32_t>(frame), width, height, &jpeg) ||
      !DecodeLikeTheSurface(jpeg, width, height, &rgb)) {
    std::fprintf(stderr, "phone-picture: frame %ld at %dx%d could not be made\n", frame, width, height);
    return 1;
  }
  return std::fwrite(rgb.data(), 1, rgb.size(), stdout) == rgb.size() && std::fflush(stdout) == 0 ? 0 : 1;
}
