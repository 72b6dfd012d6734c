// The JPEGs the benchmarks decode: the simulated phone's own test pattern (what the whole-stack
// benchmarks receive) and a textured picture (smooth gradients under fine noise, 4:2:0 at
// quality 80, as a phone's encoder makes of a map or a photo), both at the projection's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CBenchPictures {
 public:
  struct Set {
    std::string m_strName;
    std::vector<std::vector<uint8_t>> m_Jpegs;
  };

  // count pictures of each kind at width x height.
  static Set Pattern(int count, int width, int height);
  static Set Textured(int count, int width, int height);
  // The mean JPEG size of a set, in bytes.
  static size_t MeanSize(const Set& set);
};
