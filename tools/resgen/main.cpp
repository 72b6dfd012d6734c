// resgen: writes the tree of one resource pack from the authored tree (app/resources), for one
// screen size and depth, ready for mkpack.
//   resgen SRC_DIR OUT_DIR WIDTHxHEIGHT BITS
#include "tools/resgen/CResStager.h"

#include <cstdio>

int main(int argc, char** argv) {
  int nWidth = 0;
  int nHeight = 0;
  int nBits = 0;
  if (argc != 5 || std::sscanf(argv[3], "%dx%d", &nWidth, &nHeight) != 2 || nWidth <= 0 || nHeight <= 0 ||
      std::sscanf(argv[4], "%d", &nBits) != 1) {
    std::fprintf(stderr, "usage: resgen SRC_DIR OUT_DIR WIDTHxHEIGHT BITS\n");
    return 2;
  }
  CResStager stager(argv[1], argv[2], nWidth, nHeight, nBits);
  std::string error;
  if (!stager.Run(&error)) {
    std::fprintf(stderr, "resgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
