#include "engine/CorvaneFeatureConfigTable.h"

#include "engine/CorvaneEngineSession.h"

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
  CorvaneFeatureConfigRecord* records = g_CorvaneEngineSession.m_featureConfig;
  for (int i = 0; i < kCount; ++i) {
    records[i].key = kTable[i].key;
    records[i].value = kTable[i].value;
    records[i].next = (i + 1 < kCount) ? &records[i + 1] : nullptr;
  }
  return &records[0];
}
