#include "engine/CorvaneTts.h"

#include "engine/CorvaneEngineSession.h"
#include "engine/CSingleInstance.h"
#include "proto/CProtoPayload.h"
#include "engine/CorvaneFrame.h"
#include "engine/EngineLog.h"
#include "phonelink/CorvaneAdb.h"

#include "proto/CorvaneTTSInitProto.pb.h"

#include <new>

using namespace com::velto::corvane::protobuf;

namespace {
CSingleInstance<CorvaneTts>& Storage() {
  return g_CorvaneEngineSession.m_Instances.m_Tts;
}

bool IsTtsType(uint32_t type) {
  return type >= MSG_TTS_INIT && type <= MSG_TTS_LAST;
}
}  // namespace

CorvaneTts* CorvaneTts::GetInstance() {
  return Storage().Get([] {
    CorvaneTts* p = new (std::nothrow) CorvaneTts();
    if (p != nullptr) p->m_Reader.LogIfNoBuffer("CTranRecvPackageProcess");
    return p;
  });
}

void CorvaneTts::DestroyInstance() {
  delete Storage().Take();
}

CorvaneTts::CorvaneTts()
    : m_Reader(CORVANE_CHANNEL_TTS, Corvane_Adb_TcpRead_TTS, CPackageReader::kStreamFrame, kInitialSize,
               kMaxRevLen, {"TTS", "TTS", true}, IsTtsType) {}

void CorvaneTts::Reset() {
  m_Reader.Reset();
  m_bSecondFlag = false;
}

int CorvaneTts::receivePackageData() {
  m_ResetRequest.Serve([this] { Reset(); });
  if (!m_Reader.IsConnected()) return 0;
  CPackageReader::Step step = m_Reader.ReadStep();
  if (step == CPackageReader::kBadType) {
    EngineLog("!!!!!!!  TTS_CHANNEL  CorrectChnlData   type=0x%x  packageDataSize=%d   \n", m_Reader.Type(),
              m_Reader.Length());
    EngineLog("!!!!!!! CorrectChnlData: %d \n", 0);
    m_bSecondFlag = false;
    return 0;
  }
  if (step != CPackageReader::kPackage) return 0;
  if (m_Reader.Type() == MSG_TTS_INIT) {
    CorvaneTTSInit msg;
    CProtoPayload::Parse(msg, m_Reader.Data(), m_Reader.Length());
    m_nSampleRate = msg.samplerate();
    m_nChannels = msg.channelconfig();
    m_nBits = msg.sampleformat();
  }
  m_bSecondFlag = false;
  return 1;
}
