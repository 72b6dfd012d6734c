#include "engine/CorvaneFeatureConfigTable.h"

#include "engine/CorvaneEngineSession.h"

CorvaneFeatureConfigRecord* CorvaneFeatureConfigTable::Fill() {
  static const struct {
    const char* m_pszKey;
    int32_t m_nValue;
  } kTable[kCount] = {
      {"VOICE_MIC", 1},
      {"VOICE_WAKEUP", 0},
      {"BLUETOOTH_AUTO_PAIR", 0},
      {"BLUETOOTH_INTERNAL_UI", 0},
      {"FOCUS_UI", 0},
      {"MEDIA_SAMPLE_RATE", 0},
      {"AUDIO_TRANSMISSION_MODE", 1},
  };
  CorvaneFeatureConfigRecord* records = g_CorvaneEngineSession.m_aFeatureConfig;
  for (int i = 0; i < kCount; ++i) {
    records[i].m_pszKey = kTable[i].m_pszKey;
    records[i].m_nValue = kTable[i].m_nValue;
    records[i].m_pNext = (i + 1 < kCount) ? &records[i + 1] : nullptr;
  }
  return &records[0];
}
