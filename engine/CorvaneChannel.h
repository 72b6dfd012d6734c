// One receiving channel of the phone link as the receivers see it: whether it is open, how many
// bytes wait in its ring buffer, exact reads, and dropping bytes that belong to a package the
// receiver will not keep.
#pragma once

#include <cstdint>

class CorvaneChannel {
 public:
  typedef int (*ReadFn)(uint8_t* buffer, int n);

  CorvaneChannel(int channel, ReadFn read) : m_nChannel(channel), m_pfnRead(read) {}

  int Channel() const { return m_nChannel; }
  bool IsConnected() const;
  uint32_t Buffered() const;
  // Exactly n bytes or failure (the link delivers less only when the channel or USB went down).
  bool Read(uint8_t* buffer, uint32_t n) const;
  // Drops what is buffered of the *remaining bytes still to skip, without waiting for more.
  // True once nothing remains; false when bytes are still to come or a read failed.
  bool Skip(uint32_t* remaining) const;

 private:
  int m_nChannel;
  ReadFn m_pfnRead;
};
