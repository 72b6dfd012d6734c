// The feature configuration the head unit answers the phone's feature query with: seven
// process-wide records, linked in the order they are sent.
#pragma once

#include <cstdint>

struct CorvaneFeatureConfigRecord {
  const char* m_pszKey;
  int32_t m_nValue;
  CorvaneFeatureConfigRecord* m_pNext;
};

class CorvaneFeatureConfigTable {
 public:
  static constexpr int kCount = 7;
  // Writes the seven records (VOICE_MIC 1, VOICE_WAKEUP 0, BLUETOOTH_AUTO_PAIR 0,
  // BLUETOOTH_INTERNAL_UI 0, FOCUS_UI 0, MEDIA_SAMPLE_RATE 0, AUDIO_TRANSMISSION_MODE 1) and
  // returns the first.
  static CorvaneFeatureConfigRecord* Fill();
};
