// What the head unit tells the phone about itself: the device description (CorvaneDeviceInfo,
// 0x00018003) and the statistics (CorvaneStatisticsInfo, 0x00018027), both filled from fixed
// values and the platform record; and the frame rate asked of the phone's encoder, chosen once from
// the board name of that record.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdint>
#include <string>

class CorvaneHolder;

// The fields of CorvaneDeviceInfo, in its field order; every one is sent.
struct HuDeviceInfo {
  std::string os, board, bootloader, brand, cpu_abi, cpu_abi2, device, display, fingerprint, hardware, host,
      cid, manufacturer, model, product, serial, codename, incremental, release, sdk;
  int32_t sdk_int = 0;
  std::string token;
};

// The fields of CorvaneStatisticsInfo, in its field order.
struct HuStatisticsInfo {
  std::string cuid, versionName;
  int32_t versionCode = 0;
  std::string channel;
  int32_t connectCount = 0;
  int32_t connectSuccessCount = 0;
  int32_t connectTime = 0;
  std::string crashLog;
};

// g_nRequestFrameRate, the frame rate the encoder settings ask for, belongs to the session's phone
// part (engine/CorvaneEngineSession.h).

// The fixed description with the platform record's strings where the query succeeds.
void BuildHuDeviceInfo(HuDeviceInfo* info);
// The statistics for one attempt (connect counter, tick of the attempt's wake-up).
void BuildHuStatisticsInfo(HuStatisticsInfo* info, int connectCount, DWORD startTick);

void SendHuDeviceInfo(CorvaneHolder* holder);
void SendHuStatisticsInfo(CorvaneHolder* holder, int connectCount, DWORD startTick);
// Once at start-up, before the engine starts: board "mt…" → 12, "MSB…" → 10, "AT…" → 8 and the
// stream device "ADB1:" unloaded; anything else, or no platform record, keeps 10.
void SetFrameRateByPlatform();
