#include "engine/HuInfo.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CorvaneHolder.h"
#include "engine/CorvaneSendData.h"
#include "engine/EngineLog.h"
#include "phonelink/DriverInstall.h"
#include "platform/kernel/hal.h"
#include "services/CorvaneConfig.h"
#include "services/DeviceGuid.h"

#include <cstring>

namespace {
const int kNarrowSize = 100;

bool QueryPlatformRecord(BYTE* record) {
  DWORD returned = 0;
  std::memset(record, 0, PLATFORM_RECORD_SIZE);
  return KernelIoControl(IOCTL_HAL_GET_PLATFORM_RECORD, nullptr, 0, record, PLATFORM_RECORD_SIZE,
                         &returned) != FALSE;
}

// The UTF-16 string at offset, as the low byte of each unit, at most 99 characters; the string
// ends at its NUL or at the end of the record.
std::string Narrow(const BYTE* record, int offset) {
  char narrow[kNarrowSize] = {};
  int n = 0;
  for (int pos = offset; pos + 1 < PLATFORM_RECORD_SIZE && n < kNarrowSize - 1; pos += 2) {
    WCHAR unit = static_cast<WCHAR>(record[pos] | (record[pos + 1] << 8));
    if (unit == 0) break;
    narrow[n++] = static_cast<char>(unit & 0xFF);
  }
  return std::string(narrow, static_cast<size_t>(n));
}

bool BoardStartsWith(const BYTE* record, const char* prefix) {
  for (int i = 0; prefix[i] != '\0'; ++i) {
    int pos = PLATFORM_RECORD_BOARD_OFFSET + 2 * i;
    WCHAR unit = static_cast<WCHAR>(record[pos] | (record[pos + 1] << 8));
    if (unit != static_cast<WCHAR>(prefix[i])) return false;
  }
  return true;
}
}  // namespace

void BuildHuDeviceInfo(HuDeviceInfo* info) {
  *info = HuDeviceInfo();
  info->os = "wince";
  info->board = "wince";
  info->bootloader = "wince";
  info->brand = "wince";
  info->cpu_abi = "ARM7";
  info->cpu_abi2 = "ARM9";
  info->device = "MTK3360";
  // The phone only learns the screen from the encoder settings; this text never changed.
  info->display = "800X480";
  info->fingerprint = "null";
  info->hardware = "1";
  info->sdk_int = 1;
  BYTE record[PLATFORM_RECORD_SIZE];
  if (QueryPlatformRecord(record)) {
    info->board = Narrow(record, PLATFORM_RECORD_BOARD_OFFSET);
    info->cpu_abi = Narrow(record, PLATFORM_RECORD_CPU_ABI_OFFSET);
    info->device = Narrow(record, PLATFORM_RECORD_DEVICE_OFFSET);
  }
}

void BuildHuStatisticsInfo(HuStatisticsInfo* info, int connectCount, DWORD startTick) {
  char guid[512] = {};
  GetDeviceGuid(guid, sizeof(guid));
  EngineLog("######## CreateGuid data is:: %s \r\n", guid);
  *info = HuStatisticsInfo();
  info->cuid = guid;
  info->versionName = "1.0.0";
  info->versionCode = 1001;
  info->channel = "20322100";
  info->channel = std::string(g_CorvaneConfig.m_szChannelId,
                              strnlen(g_CorvaneConfig.m_szChannelId, sizeof(g_CorvaneConfig.m_szChannelId)));
  info->connectCount = connectCount;
  info->connectSuccessCount = 1;
  info->connectTime = static_cast<int32_t>(startTick);
  info->crashLog = "";
}

void SendHuDeviceInfo(CorvaneHolder* holder) {
  if (holder == nullptr || holder->GetSender() == nullptr) return;
  HuDeviceInfo info;
  BuildHuDeviceInfo(&info);
  holder->GetSender()->SendHuInfo(info);
}

void SendHuStatisticsInfo(CorvaneHolder* holder, int connectCount, DWORD startTick) {
  if (holder == nullptr || holder->GetSender() == nullptr) return;
  HuStatisticsInfo info;
  BuildHuStatisticsInfo(&info, connectCount, startTick);
  holder->GetSender()->SendCmd27(info);
}

void SetFrameRateByPlatform() {
  BYTE record[PLATFORM_RECORD_SIZE];
  if (!QueryPlatformRecord(record)) return;
  if (BoardStartsWith(record, "mt")) {
    g_nRequestFrameRate = 12;
  } else if (BoardStartsWith(record, "MSB")) {
    g_nRequestFrameRate = 10;
  } else if (BoardStartsWith(record, "AT")) {
    g_nRequestFrameRate = 8;
    EngineLog("!!!!!!! [AT] Reset \r\n");
    UnloadDriver(u"ADB1:");
  }
}
