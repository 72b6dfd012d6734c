// What the phone wrote on its video stream(s), from phonesim's records: the bytes of its WRTEs in
// order, when each went out and when the host's OKAY of each came back, and the pictures cut from
// those bytes with the moment their last byte went out.
#pragma once

#include "phonesim/CPhoneSim.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CVideoStreams {
 public:
  // One stream: the payload bytes of the phone's WRTEs in order, the stream offset after each,
  // when each went out, and when phonesim read the host's OKAY of each (phone times).
  struct Stream {
    std::vector<uint8_t> m_Bytes;
    std::vector<size_t> m_Ends;
    std::vector<int64_t> m_SentAt;
    std::vector<int64_t> m_OkayAt;
  };

  // One picture as the phone sent it: when the WRTE with its last byte went out, when the host's
  // OKAY of that WRTE came back (0 when it did not), and its JPEG.
  struct Picture {
    int64_t m_nLastByteUs = 0;
    int64_t m_nOkayUs = 0;
    std::vector<uint8_t> m_Jpeg;
  };

  static std::vector<Stream> Read(phonesim::CPhoneSim& phone);
  // The pictures whose last byte went out at or after fromUs (phone time), stream by stream in
  // the order they were sent.
  static std::vector<Picture> Pictures(const std::vector<Stream>& streams, int64_t fromUs);
};
