#include "engine/CorvaneSendData.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "proto/CProtoPayload.h"
#include "engine/ConnectStatRecord.h"
#include "engine/CorvaneFeatureConfigTable.h"
#include "engine/CorvaneFrame.h"
#include "engine/EngineLog.h"
#include "engine/HuInfo.h"
#include "phonelink/CorvaneAdb.h"
#include "services/CErrorLog.h"

#include "proto/CorvaneCarHardKeyCodeProto.pb.h"
#include "proto/CorvaneDeviceInfoProto.pb.h"
#include "proto/CorvaneFeatureConfigListProto.pb.h"
#include "proto/CorvaneModuleStatusListProto.pb.h"
#include "proto/CorvaneProtocolVersionProto.pb.h"
#include "proto/CorvaneStatisticsInfoProto.pb.h"
#include "proto/CorvaneTouchActionProto.pb.h"
#include "proto/CorvaneVideoEncoderInfoProto.pb.h"
#include "proto/CorvaneVideoFrameRateProto.pb.h"
#include "proto/newproto/CorvaneConStatisticProto.pb.h"

#include <cstring>
#include <new>

using namespace com::velto::corvane::protobuf;

namespace {
CSingleInstance<CorvaneSendData>& Storage() {
  return g_CorvaneEngineSession.m_Instances.m_Sender;
}

// Holds the sender's lock for one send, released on every path.
class SendLock {
 public:
  explicit SendLock(CorvaneSendData* sender) : m_pSender(sender) { m_pSender->Lock(); }
  ~SendLock() { m_pSender->Unlock(); }

 private:
  CorvaneSendData* m_pSender;
};
}  // namespace

CorvaneSendData* CorvaneSendData::GetInstance() {
  return Storage().Get([] { return new (std::nothrow) CorvaneSendData(); });
}

void CorvaneSendData::DestroyInstance() {
  delete Storage().Take();
}

CorvaneSendData::CorvaneSendData() {
  InitializeCriticalSection(&m_cs);
  m_bBusy = 0;
  m_pCmdHead = new (std::nothrow) BYTE[CorvaneFrame::kCmdHeaderSize];
  m_pCmdData = new (std::nothrow) BYTE[kCmdPayloadSize];
  if (!m_pCmdHead || !m_pCmdData)
    EngineLog("!!!!!!! CorvaneSendData Error CMDPackageHead=0x%x  CMDPackageData=0x%x\n", LogHex(m_pCmdHead),
              LogHex(m_pCmdData));
  m_pCtrlHead = new (std::nothrow) BYTE[CorvaneFrame::kCmdHeaderSize];
  m_pCtrlData = new (std::nothrow) BYTE[kCtrlPayloadSize];
  m_pTouchPackage = new (std::nothrow) BYTE[kCtrlPayloadSize];
  if (!m_pCtrlHead || !m_pCtrlData || !m_pTouchPackage)
    EngineLog("!!!!!!! CorvaneSendData Error CtrlPackageHead=0x%x  CtrlPackageData=0x%x\n",
              LogHex(m_pCtrlHead), LogHex(m_pCtrlData));
  m_pVRHead = new (std::nothrow) BYTE[CorvaneFrame::kStreamHeaderSize];
  m_pVRData = new (std::nothrow) BYTE[kVRPayloadSize];
  if (!m_pVRHead || !m_pVRData)
    EngineLog("!!!!!!! CorvaneSendData Error VRPackageHead=0x%x  VRPackageData=0x%x\n", LogHex(m_pVRHead),
              LogHex(m_pVRData));
}

CorvaneSendData::~CorvaneSendData() {
  delete[] m_pCmdHead;
  delete[] m_pCmdData;
  delete[] m_pCtrlHead;
  delete[] m_pCtrlData;
  delete[] m_pTouchPackage;
  delete[] m_pVRHead;
  delete[] m_pVRData;
  DeleteCriticalSection(&m_cs);
}

void CorvaneSendData::Lock() {
  // The flag only reports contention; the critical section does the work.
  if (m_bBusy)
    EngineLog("!!!!!!! SendData CriticalSection Error Locked 0X%x ,%d \n",
              static_cast<unsigned>(GetCurrentThreadId()), m_bBusy.load());
  m_bBusy = 1;
  EnterCriticalSection(&m_cs);
}

void CorvaneSendData::Unlock() {
  m_bBusy = 0;
  LeaveCriticalSection(&m_cs);
}

int CorvaneSendData::WriteCmd(const void* data, int length) {
  if (!Corvane_Adb_IsChannelConnected(CORVANE_CHANNEL_CMD)) return 0;
  Corvane_Adb_TcpWrite(CORVANE_CHANNEL_CMD, data, length);
  return 1;
}

int CorvaneSendData::WriteVR(const void* data, int length) {
  if (!Corvane_Adb_IsChannelConnected(CORVANE_CHANNEL_VR)) return 0;
  Corvane_Adb_TcpWrite(CORVANE_CHANNEL_VR, data, length);
  return 1;
}

int CorvaneSendData::WriteCtrl(const void* data, int length) {
  if (!Corvane_Adb_IsChannelConnected(CORVANE_CHANNEL_CTRL)) return 0;
  Corvane_Adb_TcpWrite(CORVANE_CHANNEL_CTRL, data, length);
  return 1;
}

int CorvaneSendData::Frame(uint32_t type, const google::protobuf::MessageLite& msg, BYTE* header,
                           BYTE* payload, int capacity) {
  if (header == nullptr || payload == nullptr) return -1;
  int size = CProtoPayload::Serialize(msg, payload, static_cast<size_t>(capacity));
  if (size < 0) {
    EngineLog("!!!!!!! SendData message too long  type=0x%x  size=%d  limit=%d \n", type,
              static_cast<int>(msg.ByteSizeLong()), capacity);
    return -1;
  }
  CorvaneFrame::PutCmdHeader(header, static_cast<uint16_t>(size), type);
  return size;
}

void CorvaneSendData::SendCmdMessage(uint32_t type, const google::protobuf::MessageLite& msg) {
  SendLock lock(this);
  int size = Frame(type, msg, m_pCmdHead, m_pCmdData, m_nCmdDataSize);
  if (size < 0) return;
  WriteCmd(m_pCmdHead, CorvaneFrame::kCmdHeaderSize);
  WriteCmd(m_pCmdData, size);
}

void CorvaneSendData::SendCtrlMessage(uint32_t type, const google::protobuf::MessageLite& msg) {
  SendLock lock(this);
  int size = Frame(type, msg, m_pCtrlHead, m_pCtrlData, m_nCtrlDataSize);
  if (size < 0) return;
  WriteCtrl(m_pCtrlHead, CorvaneFrame::kCmdHeaderSize);
  WriteCtrl(m_pCtrlData, size);
}

void CorvaneSendData::SendEmptyCmd(uint32_t type) {
  SendLock lock(this);
  if (m_pCmdHead == nullptr) return;
  CorvaneFrame::PutCmdHeader(m_pCmdHead, 0, type);
  WriteCmd(m_pCmdHead, CorvaneFrame::kCmdHeaderSize);
}

void CorvaneSendData::SendProtocolVersion(int major, int minor) {
  CorvaneProtocolVersion msg;
  msg.set_majorversion(major);
  msg.set_minorversion(minor);
  SendCmdMessage(MSG_HU_PROTOCOL_VERSION, msg);
}

void CorvaneSendData::SendHuInfo(const HuDeviceInfo& info) {
  CorvaneDeviceInfo msg;
  msg.set_os(info.os);
  msg.set_board(info.board);
  msg.set_bootloader(info.bootloader);
  msg.set_brand(info.brand);
  msg.set_cpu_abi(info.cpu_abi);
  msg.set_cpu_abi2(info.cpu_abi2);
  msg.set_device(info.device);
  msg.set_display(info.display);
  msg.set_fingerprint(info.fingerprint);
  msg.set_hardware(info.hardware);
  msg.set_host(info.host);
  msg.set_cid(info.cid);
  msg.set_manufacturer(info.manufacturer);
  msg.set_model(info.model);
  msg.set_product(info.product);
  msg.set_serial(info.serial);
  msg.set_codename(info.codename);
  msg.set_incremental(info.incremental);
  msg.set_release(info.release);
  msg.set_sdk(info.sdk);
  msg.set_sdk_int(info.sdk_int);
  msg.set_token(info.token);
  SendCmdMessage(MSG_HU_DEVICE_INFO, msg);
}

void CorvaneSendData::SendVideoEncoderInit(int width, int height, int frameRate) {
  CorvaneVideoEncoderInfo msg;
  msg.set_width(width);
  msg.set_height(height);
  msg.set_framerate(frameRate);
  SendCmdMessage(MSG_HU_VIDEO_ENCODER_INIT, msg);
}

void CorvaneSendData::SendVideoEncoderStart() {
  SendEmptyCmd(MSG_HU_VIDEO_ENCODER_START);
}

void CorvaneSendData::SendVideoEncoderPause() {
  SendEmptyCmd(MSG_HU_VIDEO_ENCODER_PAUSE);
}

void CorvaneSendData::SendCmd56() {
  SendEmptyCmd(MSG_HU_BEFORE_ENCODER_INIT);
}

void CorvaneSendData::SendFrameRateChange(int frameRate) {
  CorvaneVideoFrameRate msg;
  msg.set_framerate(frameRate);
  SendCmdMessage(MSG_HU_VIDEO_FRAME_RATE, msg);
}

void CorvaneSendData::SendCmd27(const HuStatisticsInfo& info) {
  CorvaneStatisticsInfo msg;
  msg.set_cuid(info.cuid);
  msg.set_versionname(info.versionName);
  msg.set_versioncode(info.versionCode);
  msg.set_channel(info.channel);
  msg.set_connectcount(info.connectCount);
  msg.set_connectsuccesscount(info.connectSuccessCount);
  msg.set_connecttime(info.connectTime);
  msg.set_crashlog(info.crashLog);
  SendCmdMessage(MSG_HU_STATISTICS_INFO, msg);
}

void CorvaneSendData::SendModuleStatusList(int count, const BYTE* moduleIds, const BYTE* statusIds) {
  CorvaneModuleStatusList msg;
  msg.set_cnt(count);
  for (int i = 0; i < count && moduleIds != nullptr && statusIds != nullptr; ++i) {
    CorvaneModuleStatus* entry = msg.add_modulestatus();
    entry->set_moduleid(moduleIds[i]);
    entry->set_statusid(statusIds[i]);
  }
  SendCmdMessage(MSG_HU_MODULE_STATUS, msg);
}

void CorvaneSendData::SendFeatureConfig(int count, const CorvaneFeatureConfigRecord* first) {
  CorvaneFeatureConfigList msg;
  msg.set_cnt(count);
  for (const CorvaneFeatureConfigRecord* r = first; r != nullptr; r = r->m_pNext) {
    CorvaneFeatureConfig* entry = msg.add_featureconfig();
    entry->set_key(r->m_pszKey);
    entry->set_value(r->m_nValue);
  }
  SendCmdMessage(MSG_HU_FEATURE_CONFIG, msg);
}

void CorvaneSendData::SendConnectStatistics(const ConnectStatRecord& record, CErrorLog* errorLog) {
  CorvaneConnectStatistics msg;
  msg.set_contotal(record.contotal);
  msg.set_consuccess(record.consuccess);
  msg.set_confailed(record.confailed);
  msg.set_contime(record.contime);
  int taken = 0;
  int count = errorLog != nullptr ? errorLog->GetLineCount() : 0;
  if (count > 0) {
    std::string line = errorLog->GetFirstLine();
    while (taken < count && !errorLog->IsAtEnd()) {
      std::string utf8;
      if (!errorLog->LineToUtf8(line, utf8)) utf8.clear();
      // Lines that would push the message past the payload buffer stay out of this report.
      msg.add_error_type(utf8);
      msg.set_nerrorcount(taken + 1);
      if (msg.ByteSizeLong() > static_cast<size_t>(m_nCmdDataSize)) {
        msg.mutable_error_type()->RemoveLast();
        EngineLog("### Error lines cut at index=%d of %d \r\n", taken, count);
        break;
      }
      EngineLog("### Error index=%d \r\n", taken);
      EngineLog("%s", line.c_str());
      ++taken;
      line = errorLog->GetNextLine();
    }
  }
  if (taken == 0) msg.add_error_type(" ");
  msg.set_nerrorcount(taken);
  EngineLog(
      "!!!!!!!!!!!!!!! (nConTotal=%d) (Suc=%d) (Failed=%d) (AvgTime=%d) (nIndex=%d) (errorcount=%d)       ",
      record.contotal, record.consuccess, record.confailed, record.contime, taken, taken);
  SendCmdMessage(MSG_HU_CONNECT_STATISTICS, msg);
}

void CorvaneSendData::SendTouchAction(int action, int x, int y) {
  CorvaneTouchAction msg;
  msg.set_action(action);
  msg.set_x(x);
  msg.set_y(y);
  SendLock lock(this);
  if (m_pTouchPackage == nullptr) return;
  std::memset(m_pTouchPackage, 0, kCtrlPayloadSize);
  int size = CProtoPayload::Serialize(msg, m_pTouchPackage + CorvaneFrame::kCmdHeaderSize,
                                      kCtrlPayloadSize - CorvaneFrame::kCmdHeaderSize);
  if (size < 0) return;
  CorvaneFrame::PutCmdHeader(m_pTouchPackage, static_cast<uint16_t>(size), MSG_CTRL_TOUCH_ACTION);
  // Header and payload in one write: one WRTE per touch.
  WriteCtrl(m_pTouchPackage, size + CorvaneFrame::kCmdHeaderSize);
}

void CorvaneSendData::SendHardKey(int keyCode) {
  CorvaneCarHardKeyCode msg;
  msg.set_keycode(keyCode);
  SendCtrlMessage(MSG_CTRL_HARD_KEY, msg);
}

int CorvaneSendData::SendVRPackage(const BYTE* data, int length, DWORD timestamp) {
  // One channel write carries at most one packet's 4096 bytes.
  if (m_pVRHead == nullptr || data == nullptr || length < 0 || length > m_nVRDataSize) return 0;
  CorvaneFrame::PutStreamHeader(m_pVRHead, static_cast<uint32_t>(length), timestamp, MSG_VR_MIC_DATA);
  if (!WriteVR(m_pVRHead, CorvaneFrame::kStreamHeaderSize)) return 0;
  return WriteVR(data, length);
}

int CorvaneSendData::SendMicData(const BYTE* data, int length, DWORD timestamp) {
  // The lock is released on every path, the failed header write included: a lock kept here
  // would block every later send of the program.
  SendLock lock(this);
  return SendVRPackage(data, length, timestamp);
}
