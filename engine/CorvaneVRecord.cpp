#include "engine/CorvaneVRecord.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "proto/CProtoPayload.h"
#include "engine/CorvaneFrame.h"
#include "engine/CorvaneWindowMessages.h"
#include "engine/EngineLog.h"
#include "engine/WavPlayer.h"
#include "phonelink/CorvaneAdb.h"
#include "services/CorvaneConfig.h"
#include "platform/user/user.h"

#include "proto/CorvaneTTSInitProto.pb.h"

#include <new>

using namespace com::velto::corvane::protobuf;

namespace {
CSingleInstance<CorvaneVRecord>& Storage() {
  return g_CorvaneEngineSession.m_Instances.m_Vrecord;
}
}  // namespace

CorvaneVRecord* CorvaneVRecord::GetInstance() {
  return Storage().Get([] {
    CorvaneVRecord* p = new (std::nothrow) CorvaneVRecord();
    if (p != nullptr) p->m_Reader.LogIfNoBuffer("CorvaneVRecord");
    return p;
  });
}

void CorvaneVRecord::DestroyInstance() {
  delete Storage().Take();
}

CorvaneVRecord::CorvaneVRecord()
    : m_Reader(CORVANE_CHANNEL_VR, Corvane_Adb_TcpRead_VR, CPackageReader::kStreamFrame, kInitialSize,
               kMaxRevLen, {"VR", "Voice Recode", false}) {}

void CorvaneVRecord::Reset() {
  m_Reader.Reset();
}

int CorvaneVRecord::receivePackageData() {
  m_ResetRequest.Serve([this] { Reset(); });
  if (!m_Reader.IsConnected()) return 0;
  if (m_bDataRetry) {
    m_bDataRetry = WavPlayer_Write(m_Reader.Data(), static_cast<int>(m_Reader.Length())) == 0;
    return 1;
  }
  if (m_Reader.ReadStep() != CPackageReader::kPackage) return 0;
  ProcessPackage();
  return 1;
}

bool CorvaneVRecord::SetPackage(uint32_t type, const uint8_t* payload, uint32_t length) {
  return m_Reader.SetPackage(type, payload, length);
}

void CorvaneVRecord::ProcessPackage() {
  switch (m_Reader.Type()) {
    case MSG_VR_START: {
      CorvaneTTSInit msg;
      CProtoPayload::Parse(msg, m_Reader.Data(), m_Reader.Length());
      m_bDataRetry = false;
      WavPlayer_SetFormat(msg.samplerate(), msg.channelconfig(), msg.sampleformat());
      WavPlayer_Open();
      if (g_CorvaneConfig.m_bNotifyMsg) PostMessageW(HWND_BROADCAST, N_WMMSG_CORVANE_TTS_STATE, 2, 1);
      break;
    }
    case MSG_VR_DATA:
      if (WavPlayer_Write(m_Reader.Data(), static_cast<int>(m_Reader.Length())) == 0) m_bDataRetry = true;
      break;
    case MSG_VR_STOP:
      if (g_CorvaneConfig.m_bNotifyMsg) PostMessageW(HWND_BROADCAST, N_WMMSG_CORVANE_TTS_STATE, 2, 2);
      WavPlayer_Stop();
      break;
    default:
      break;
  }
}
