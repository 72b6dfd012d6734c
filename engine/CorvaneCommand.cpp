#include "engine/CorvaneCommand.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "engine/CConnectProgress.h"
#include "proto/CProtoPayload.h"
#include "engine/CorvaneFeatureConfigTable.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneSendData.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/EngineLog.h"
#include "phonelink/CorvaneAdb.h"
#include "services/CorvaneConfig.h"
#include "platform/user/user.h"

#include "proto/CorvaneBTOOBInfoProto.pb.h"
#include "proto/CorvaneDeviceInfoProto.pb.h"
#include "proto/CorvaneModuleStatusListProto.pb.h"
#include "proto/CorvaneProtocolVersionMatchStatusProto.pb.h"
#include "proto/CorvaneVideoEncoderInfoProto.pb.h"
#include "proto/CorvaneVideoFrameRateProto.pb.h"

#include <new>
#include <string>

using namespace com::velto::corvane::protobuf;

void ResetPhoneVideoState() {
  g_nVideoWidth = GetSystemMetrics(SM_CXSCREEN);
  g_nVideoHeight = GetSystemMetrics(SM_CYSCREEN);
  g_nPhoneFrameRate = 0;
}

namespace {
CSingleInstance<CorvaneCommand>& Storage() {
  return g_CorvaneEngineSession.m_Instances.m_Command;
}
}  // namespace

CorvaneCommand* CorvaneCommand::GetInstance() {
  return Storage().Get([] {
    CorvaneCommand* p = new (std::nothrow) CorvaneCommand();
    if (p != nullptr) p->m_Reader.LogIfNoBuffer("CorvaneCommand");
    return p;
  });
}

void CorvaneCommand::DestroyInstance() {
  delete Storage().Take();
}

CorvaneCommand::CorvaneCommand()
    : m_hTargetWnd(HWND_BROADCAST),
      m_Reader(CORVANE_CHANNEL_CMD, Corvane_Adb_TcpRead_CMD, CPackageReader::kCommandFrame, kInitialSize,
               kMaxRevLen, {"Command", "Command", true}) {
  // Until the phone's encoder reports, the phone is taken to send the screen's size.
  if (g_nVideoWidth <= 0 || g_nVideoHeight <= 0) ResetPhoneVideoState();
}

void CorvaneCommand::Reset() {
  m_Reader.Reset();
}

int CorvaneCommand::receivePackageData() {
  m_ResetRequest.Serve([this] { Reset(); });
  if (!m_Reader.IsConnected()) return 0;
  if (m_Reader.ReadStep() != CPackageReader::kPackage) return 0;
  ProcessPackage();
  return 1;
}

bool CorvaneCommand::SetPackage(uint32_t type, const uint8_t* payload, uint32_t length) {
  return m_Reader.SetPackage(type, payload, length);
}

void CorvaneCommand::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
  PostMessageW(m_hTargetWnd, msg, wParam, lParam);
}

void CorvaneCommand::ProcessPackage() {
  const uint8_t* data = m_Reader.Data();
  const size_t len = m_Reader.Length();
  // The parse result is not looked at: fields a broken payload did not carry read as 0.
  switch (m_Reader.Type()) {
    case MSG_CMD_PROTOCOL_VERSION_MATCH_STATUS: {
      CorvaneProtocolVersionMatchStatus msg;
      CProtoPayload::Parse(msg, data, len);
      if (CConnectProgress* progress = CConnectProgress::Instance()) progress->SetVersionAnswered();
      break;
    }
    case MSG_CMD_DEVICE_INFO: {
      CorvaneDeviceInfo msg;
      CProtoPayload::Parse(msg, data, len);
      break;
    }
    case MSG_CMD_BT_OOB_INFO: {
      CorvaneBTOOBInfo msg;
      CProtoPayload::Parse(msg, data, len);
      break;
    }
    case MSG_CMD_VIDEO_ENCODER_INIT_DONE: {
      CorvaneVideoEncoderInfo msg;
      CProtoPayload::Parse(msg, data, len);
      int width = msg.width();
      int height = msg.height();
      int rate = msg.framerate();
      // A size must be positive to scale touches and pictures by; 0 and negative ones are refused.
      if (width > 0 && height > 0 && rate != 0) {
        g_nVideoWidth = width;
        g_nVideoHeight = height;
        EngineLog("!!!!!!! MSG_CMD_VIDEO_ENCODER_INIT_DONE--OK  (width: %d, height: %d, framerate: %d ) \r\n",
                  width, height, rate);
        if (CConnectProgress* progress = CConnectProgress::Instance()) progress->SetEncoderReady();
        Post(MESSAGE_CMD_REV, 0, MSG_CMD_VIDEO_ENCODER_INIT_DONE);
      } else {
        EngineLog(
            "!!!!!!! MSG_CMD_VIDEO_ENCODER_INIT_DONE--ERROR  (width: %d, height: %d, framerate: %d ) \r\n",
            width, height, rate);
      }
      break;
    }
    case MSG_CMD_VIDEO_FRAME_RATE: {
      CorvaneVideoFrameRate msg;
      CProtoPayload::Parse(msg, data, len);
      g_nPhoneFrameRate = msg.framerate();
      break;
    }
    case MSG_CMD_CALL_BEGIN_1:
    case MSG_CMD_CALL_BEGIN_2:
    case MSG_CMD_CALL_BEGIN_3:
      Post(NMSG_RECORD, 0, 2);
      Post(INNER_MSG_CORVANE_CALLING_STATE, 0, 1);
      break;
    case MSG_CMD_CALL_END:
      Post(INNER_MSG_CORVANE_CALLING_STATE, 0, 0);
      break;
    case MSG_CMD_PHONE_FOREGROUND:
      Post(MESSAGE_CMD_REV, 0, MSG_CMD_PHONE_FOREGROUND);
      break;
    case MSG_CMD_PHONE_BACKGROUND:
      Post(MESSAGE_CMD_REV, 0, MSG_CMD_PHONE_BACKGROUND);
      break;
    case MSG_CMD_HU_HIDE_OR_QUIT:
      PostMessageW(HWND_BROADCAST,
                   g_CorvaneConfig.m_bNotifyMsg ? N_WMMSG_CORVANE_SHOWHIDE_NOTIFY : NMSG_CORVANE_QUIT, 0, 0);
      break;
    case MSG_CMD_RECORD_STOP:
      Post(NMSG_RECORD, 0, 2);
      break;
    case MSG_CMD_RECORD_START:
      Post(NMSG_RECORD, 0, 1);
      break;
    case MSG_CMD_MODULE_STATUS: {
      CorvaneModuleStatusList msg;
      CProtoPayload::Parse(msg, data, len);
      if (g_CorvaneConfig.m_bNotifyMsg) {
        // The entries present count, not the list's own cnt.
        for (int i = 0; i < msg.modulestatus_size(); ++i)
          PostMessageW(HWND_BROADCAST, N_WMMSG_CORVANE_MOULE_STATE,
                       static_cast<WPARAM>(static_cast<uint32_t>(msg.modulestatus(i).moduleid())),
                       msg.modulestatus(i).statusid());
      }
      break;
    }
    case MSG_CMD_FEATURE_QUERY:
      SendFeatureConfigList();
      break;
    default:
      break;
  }
}

void SendFeatureConfigList() {
  CorvaneFeatureConfigRecord* first = CorvaneFeatureConfigTable::Fill();
  if (CorvaneSendData* sender = CorvaneSendData::GetInstance())
    sender->SendFeatureConfig(CorvaneFeatureConfigTable::kCount, first);
}
