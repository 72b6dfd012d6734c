#include "engine/CorvaneFeatureConfigTable.h"

namespace {
CorvaneFeatureConfigRecord s_records[CorvaneFeatureConfigTable::kCount];
}

CorvaneFeatureConfigRecord* CorvaneFeatureConfigTable::Fill() {
  static const struct {
    const char* key;
    int32_t value;
  } kTable[kCount] = {
      {"VOICE_MIC", 1},
      {"VOICE_WAKEUP", 0},
      {"BLUETOOTH_AUTO_PAIR", 0},
      {"BLUETOOTH_INTERNAL_UI", 0},
      {"FOCUS_UI", 0},
      {"MEDIA_SAMPLE_RATE", 0},
      {"AUDIO_TRANSMISSION_MODE", 1},
  };
  for (int i = 0; i < kCount; ++i) {
    s_records[i].key = kTable[i].key;
    s_records[i].value = kTable[i].value;
    s_records[i].next = (i + 1 < kCount) ? &s_records[i + 1] : nullptr;
  }
  return &s_records[0];
}
