// The one way out to the phone: every send frames one message behind its header and writes it to
// channel 0 (commands), 5 (touch and keys) or 4 (microphone PCM). One critical section serialises
// all sends from the sequencer, the command thread and the UI thread; it is held while the link
// queues the packets, never while the phone acknowledges them.
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcetypes.h"

#include <atomic>
#include <cstdint>

struct HuDeviceInfo;
struct HuStatisticsInfo;
struct ConnectStatRecord;
class CErrorLog;
struct CorvaneFeatureConfigRecord;

namespace google {
namespace protobuf {
class MessageLite;
}
}  // namespace google

class CorvaneSendData {
 public:
  static constexpr int kCmdPayloadSize = 1024;
  static constexpr int kCtrlPayloadSize = 1024;
  static constexpr int kVRPayloadSize = 4096;

  static CorvaneSendData* GetInstance();
  static void DestroyInstance();

  void SendProtocolVersion(int major, int minor);
  void SendHuInfo(const HuDeviceInfo& info);
  void SendVideoEncoderInit(int width, int height, int frameRate);
  void SendVideoEncoderStart();
  void SendVideoEncoderPause();
  void SendFrameRateChange(int frameRate);
  void SendCmd27(const HuStatisticsInfo& info);
  void SendModuleStatusList(int count, const BYTE* moduleIds, const BYTE* statusIds);
  void SendFeatureConfig(int count, const CorvaneFeatureConfigRecord* first);
  void SendCmd56();
  void SendConnectStatistics(const ConnectStatRecord& record, CErrorLog* errorLog);
  void SendTouchAction(int action, int x, int y);
  void SendHardKey(int keyCode);
  // Non-zero when header and data were both written; more than 4096 bytes are refused (0).
  int SendMicData(const BYTE* data, int length, DWORD timestamp);

  void Lock();
  void Unlock();
  // Bytes to channel 0, 4 or 5: 0 and nothing written while the channel is closed.
  int WriteCmd(const void* data, int length);
  int WriteVR(const void* data, int length);
  int WriteCtrl(const void* data, int length);
  // The microphone framing without the lock.
  int SendVRPackage(const BYTE* data, int length, DWORD timestamp);

 private:
  CorvaneSendData();
  ~CorvaneSendData();
  CorvaneSendData(const CorvaneSendData&) = delete;
  CorvaneSendData& operator=(const CorvaneSendData&) = delete;

  // Frames msg behind an 8-byte header and writes header and payload as two writes, to channel 0
  // or 5. A message larger than its payload buffer is refused and nothing is written.
  void SendCmdMessage(uint32_t type, const google::protobuf::MessageLite& msg);
  void SendCtrlMessage(uint32_t type, const google::protobuf::MessageLite& msg);
  void SendEmptyCmd(uint32_t type);
  int Frame(uint32_t type, const google::protobuf::MessageLite& msg, BYTE* header, BYTE* payload,
            int capacity);

  CRITICAL_SECTION m_cs;
  std::atomic<int> m_bBusy{0};  // read outside the critical section by the next sender
  BYTE* m_pCmdHead = nullptr;
  BYTE* m_pCmdData = nullptr;
  int m_nCmdDataSize = kCmdPayloadSize;
  BYTE* m_pCtrlHead = nullptr;
  BYTE* m_pCtrlData = nullptr;
  BYTE* m_pTouchPackage = nullptr;
  int m_nCtrlDataSize = kCtrlPayloadSize;
  BYTE* m_pVRHead = nullptr;
  BYTE* m_pVRData = nullptr;
  int m_nVRDataSize = kVRPayloadSize;
};
