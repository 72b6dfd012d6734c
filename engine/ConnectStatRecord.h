// The connect statistics of the last connection: filled by the sequencer when an attempt reaches
// 100 percent, sent by the root window's statistics timer and cleared after it went out.
#pragma once

#include <cstdint>
#include <string>

struct ConnectStatRecord {
  int32_t contotal = 0;
  int32_t consuccess = 0;
  int32_t confailed = 0;
  int32_t contime = 0;  // milliseconds from wake-up to the encoder start
  int32_t nerrorcount = 0;
  std::string text;
};
