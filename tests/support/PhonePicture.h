// phonesim's pictures as the head unit shows them. phonesim's pictures are deterministic, so a
// picture is made again from its frame number and decoded here, independently of the head unit,
// with the settings that define the head unit's picture surface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The JPEG as RGB, three bytes a pixel, rows top-down: fast upsampling and the head unit's DCT
// flags. False when it does not decode at that size.
bool DecodeLikeTheSurface(const std::vector<uint8_t>& jpeg, int width, int height, std::vector<uint8_t>* rgb);
