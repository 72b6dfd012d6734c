// The AVDecoder_ calls of the stand-in vendor layer and its test interface. Every call is recorded
// with its result; a call scripted to fail does nothing and reports FALSE.
#include "platform/msdkcore/CMsdkCore.h"

#include <cstring>
#include <optional>

using msdk::CMsdkCore;
using msdk::CMsdkDecoder;
using msdk::MSDK_CALL;

namespace {

CMsdkCore& Core() {
  return CMsdkCore::GetInstance();
}

// One call under way. Its record (name, arguments, copies of what it was handed) is built only
// while calls are kept: with recording off, as in a benchmark, a call builds, copies and allocates
// nothing, and the feeder's per-block calls cost a lookup and the decoder's own work.
class CCall {
 public:
  CCall(const char* pszName, AVD_HANDLE hDecoder, uintptr_t u8Arg0 = 0, uintptr_t u8Arg1 = 0)
      : m_pszName(pszName), m_hDecoder(hDecoder) {
    if (!Core().Recording()) return;
    m_Record.emplace();
    m_Record->strName = pszName;
    m_Record->hDecoder = hDecoder;
    m_Record->au8Arg[0] = u8Arg0;
    m_Record->au8Arg[1] = u8Arg1;
  }
  const char* Name() const { return m_pszName; }
  // The record to fill in; nullptr when none is kept.
  MSDK_CALL* Record() { return m_Record ? &*m_Record : nullptr; }
  // The decoder the call acts on, or nullptr when the call is to fail (scripted, or no decoder).
  std::shared_ptr<CMsdkDecoder> Admit() { return Core().Admit(m_pszName, m_hDecoder); }
  BOOL Finish(bool ok) {
    if (m_Record) {
      m_Record->fgResult = ok ? TRUE : FALSE;
      Core().Record(std::move(*m_Record));
    }
    return ok ? TRUE : FALSE;
  }

 private:
  const char* const m_pszName;
  const AVD_HANDLE m_hDecoder;
  std::optional<MSDK_CALL> m_Record;
};

bool IsConfig(DWORD u4Param) {
  return u4Param == AVD_APARAM_CONFIG || u4Param == AVD_APARAM_CONFIG_ALT ||
         u4Param == AVD_APARAM_CONFIG_COMMIT;
}

bool IsVolume(DWORD u4Param) {
  return u4Param == AVD_APARAM_FRONT_VOLUME || u4Param == AVD_APARAM_REAR_VOLUME;
}

// Outputs 1, 2 and 3 are a mask of front and rear.
bool IsOutput(DWORD u4Out) {
  return u4Out >= AVD_AOUT_FRONT && u4Out <= AVD_AOUT_BOTH;
}

}  // namespace

MSDK_API AVD_HANDLE AVDecoder_CreateInstance(DWORD u4DecoderType, DWORD u4Kind) {
  CCall call("AVDecoder_CreateInstance", nullptr, u4DecoderType, u4Kind);
  AVD_HANDLE hDecoder = nullptr;
  if (!Core().ScriptedToFail(call.Name())) hDecoder = Core().Add(u4DecoderType, u4Kind);
  if (MSDK_CALL* rec = call.Record()) rec->hDecoder = hDecoder;
  call.Finish(hDecoder != nullptr);
  return hDecoder;
}

MSDK_API BOOL AVDecoder_Release(AVD_HANDLE hDecoder, DWORD u4Arg) {
  CCall call("AVDecoder_Release", hDecoder, u4Arg);
  const bool ok = call.Admit() != nullptr;
  if (ok) Core().Remove(hDecoder);
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_SetParam(AVD_HANDLE hDecoder, DWORD u4Param, void* pvValue) {
  CCall call("AVDecoder_SetParam", hDecoder, u4Param);
  MSDK_CALL* rec = call.Record();
  auto decoder = call.Admit();
  bool ok = decoder != nullptr;
  if (IsConfig(u4Param)) {
    const auto* block = static_cast<const AVD_PARAM_BLOCK*>(pvValue);
    ok = ok && block != nullptr && block->u4Type == AVD_PARAM_TYPE_AUDIO && block->prInfo && block->prExt;
    if (block != nullptr && rec != nullptr) {
      rec->fgHasParamBlock = true;
      rec->rParam = *block;
      if (block->prInfo) rec->rInfo = *block->prInfo;
      if (block->prExt) rec->rExt = *block->prExt;
    }
  } else if (IsVolume(u4Param)) {
    ok = ok && pvValue != nullptr;
    if (pvValue != nullptr) {
      INT value = 0;
      std::memcpy(&value, pvValue, sizeof(value));
      if (rec != nullptr) {
        rec->fgHasValue = true;
        rec->i4Value = value;
      }
      if (ok) decoder->SetVolume(u4Param, value);
    }
  } else if (u4Param == AVD_APARAM_GET_EOS) {
    if (ok) decoder->AskEos();
  } else {
    ok = false;
  }
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_GetParam(AVD_HANDLE hDecoder, DWORD u4Param, void* pvValue) {
  CCall call("AVDecoder_GetParam", hDecoder, u4Param);
  auto decoder = call.Admit();
  INT value = 0;
  const bool ok = decoder != nullptr && pvValue != nullptr && decoder->GetVolume(u4Param, &value);
  if (ok) {
    std::memcpy(pvValue, &value, sizeof(value));
    if (MSDK_CALL* rec = call.Record()) {
      rec->fgHasValue = true;
      rec->i4Value = value;
    }
  }
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_Start(AVD_HANDLE hDecoder, DWORD u4Arg) {
  CCall call("AVDecoder_Start", hDecoder, u4Arg);
  return call.Finish(call.Admit() != nullptr);
}

MSDK_API BOOL AVDecoder_Stop(AVD_HANDLE hDecoder) {
  CCall call("AVDecoder_Stop", hDecoder);
  auto decoder = call.Admit();
  if (decoder) decoder->Stop();
  return call.Finish(decoder != nullptr);
}

MSDK_API BOOL AVDecoder_SetSpeed(AVD_HANDLE hDecoder, DWORD u4Speed) {
  CCall call("AVDecoder_SetSpeed", hDecoder, u4Speed);
  return call.Finish(call.Admit() != nullptr);
}

MSDK_API BOOL AVDecoder_Freeze(AVD_HANDLE hDecoder) {
  CCall call("AVDecoder_Freeze", hDecoder);
  auto decoder = call.Admit();
  if (decoder) decoder->SetFrozen(true);
  return call.Finish(decoder != nullptr);
}

MSDK_API BOOL AVDecoder_UNFreeze(AVD_HANDLE hDecoder) {
  CCall call("AVDecoder_UNFreeze", hDecoder);
  auto decoder = call.Admit();
  if (decoder) decoder->SetFrozen(false);
  return call.Finish(decoder != nullptr);
}

MSDK_API BOOL AVDecoder_Refresh(AVD_HANDLE hDecoder) {
  CCall call("AVDecoder_Refresh", hDecoder);
  auto decoder = call.Admit();
  if (decoder) decoder->Refresh();
  return call.Finish(decoder != nullptr);
}

MSDK_API BOOL AVDecoder_OpenAOut(AVD_HANDLE hDecoder, DWORD u4Out) {
  CCall call("AVDecoder_OpenAOut", hDecoder, u4Out);
  auto decoder = call.Admit();
  const bool ok = decoder != nullptr && IsOutput(u4Out);
  if (ok) decoder->OpenOutputs(u4Out);
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_CloseAOut(AVD_HANDLE hDecoder, DWORD u4Out) {
  CCall call("AVDecoder_CloseAOut", hDecoder, u4Out);
  auto decoder = call.Admit();
  const bool ok = decoder != nullptr && IsOutput(u4Out);
  if (ok) decoder->CloseOutputs(u4Out);
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_GetAfifoAddr(AVD_HANDLE hDecoder, AVD_AFIFO_ADDR* prAddr) {
  CCall call("AVDecoder_GetAfifoAddr", hDecoder);
  auto decoder = call.Admit();
  const bool ok = decoder != nullptr && prAddr != nullptr && decoder->Kind() == AVD_KIND_AUDIO;
  if (ok) decoder->GetAfifo(prAddr);
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_ReleaseAfifoAddr(AVD_HANDLE hDecoder) {
  CCall call("AVDecoder_ReleaseAfifoAddr", hDecoder);
  return call.Finish(call.Admit() != nullptr);
}

MSDK_API BOOL AVDecoder_GetWritePoint(AVD_HANDLE hDecoder, AVD_WRITE_POINT* prPoint) {
  CCall call("AVDecoder_GetWritePoint", hDecoder);
  auto decoder = call.Admit();
  const bool ok = decoder != nullptr && prPoint != nullptr;
  if (ok) decoder->GetWritePoint(prPoint);
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_SetInputBuf(AVD_HANDLE hDecoder, void* pvInput, DWORD u4Size) {
  CCall call("AVDecoder_SetInputBuf", hDecoder, u4Size);
  MSDK_CALL* rec = call.Record();
  auto decoder = call.Admit();
  bool ok = decoder != nullptr && pvInput != nullptr;
  if (ok && decoder->Kind() == AVD_KIND_AUDIO) {
    ok = u4Size == sizeof(AVD_AUDIO_INPUT);
    if (ok) {
      const auto* input = static_cast<const AVD_AUDIO_INPUT*>(pvInput);
      // The descriptor as handed over, before the decoder acts on it.
      if (rec != nullptr) rec->rAudioInput = *input;
      ok = decoder->Publish(input->u4WriteOffset);
    }
  } else if (ok) {
    ok = u4Size == sizeof(AVD_VIDEO_INPUT);
    if (ok) {
      const auto* input = static_cast<const AVD_VIDEO_INPUT*>(pvInput);
      if (rec != nullptr) rec->rVideoInput = *input;
      decoder->TakeInput(*input);
    }
  }
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_GetOutputBuf(AVD_HANDLE hDecoder, void* pvOut) {
  CCall call("AVDecoder_GetOutputBuf", hDecoder);
  MSDK_CALL* rec = call.Record();
  if (rec != nullptr) rec->pvOut = pvOut;
  auto decoder = call.Admit();
  const bool ok = decoder != nullptr && decoder->Kind() == AVD_KIND_VIDEO;
  if (ok) {
    const AVD_PICTURE picture = decoder->NextPicture();
    if (rec != nullptr) rec->rPicture = picture;
  }
  return call.Finish(ok);
}

MSDK_API BOOL AVDecoder_SetOutputBuf(AVD_HANDLE hDecoder, void* pvBuffers, DWORD u4Size) {
  CCall call("AVDecoder_SetOutputBuf", hDecoder, u4Size);
  auto decoder = call.Admit();
  const bool ok = decoder != nullptr && pvBuffers != nullptr && u4Size == sizeof(AVD_BUFFER_PAIR);
  if (ok) {
    if (MSDK_CALL* rec = call.Record()) rec->rBuffers = *static_cast<const AVD_BUFFER_PAIR*>(pvBuffers);
  }
  return call.Finish(ok);
}

namespace msdk {

void MsdkReset() {
  Core().Reset();
}

std::vector<MSDK_CALL> MsdkCalls() {
  return Core().Calls();
}

std::vector<MSDK_CALL> MsdkCallsOf(const std::string& name) {
  std::vector<MSDK_CALL> calls;
  for (const MSDK_CALL& call : Core().Calls())
    if (call.strName == name) calls.push_back(call);
  return calls;
}

bool MsdkWaitCalls(const std::string& name, size_t count, DWORD ms) {
  return Core().WaitCalls(name, count, ms);
}

void MsdkSetRecording(bool fgOn) {
  Core().SetRecording(fgOn);
}

void MsdkFailCall(const std::string& name, int count, int after) {
  Core().FailCall(name, count, after);
}

void MsdkSetAfifoSize(DWORD u4Size) {
  Core().SetAfifoSize(u4Size);
}

void MsdkSetDrain(AVD_HANDLE hDecoder, Drain eDrain, bool fgKeep) {
  if (auto decoder = Core().Find(hDecoder)) decoder->SetDrain(eDrain, fgKeep);
}

DWORD MsdkConsume(AVD_HANDLE hDecoder, DWORD u4Max) {
  auto decoder = Core().Find(hDecoder);
  return decoder ? decoder->Consume(u4Max) : 0;
}

std::vector<BYTE> MsdkConsumed(AVD_HANDLE hDecoder) {
  auto decoder = Core().Find(hDecoder);
  return decoder ? decoder->Consumed() : std::vector<BYTE>();
}

uint64_t MsdkConsumedCount(AVD_HANDLE hDecoder) {
  auto decoder = Core().Find(hDecoder);
  return decoder ? decoder->ConsumedCount() : 0;
}

DWORD MsdkPending(AVD_HANDLE hDecoder) {
  auto decoder = Core().Find(hDecoder);
  return decoder ? decoder->Pending() : 0;
}

bool MsdkFrozen(AVD_HANDLE hDecoder) {
  auto decoder = Core().Find(hDecoder);
  return decoder && decoder->Frozen();
}

DWORD MsdkOpenOutputs(AVD_HANDLE hDecoder) {
  auto decoder = Core().Find(hDecoder);
  return decoder ? decoder->OpenOutputs() : 0;
}

void MsdkQueuePicture(AVD_HANDLE hDecoder, const AVD_PICTURE& rPicture) {
  if (auto decoder = Core().Find(hDecoder)) decoder->QueuePicture(rPicture);
}

}  // namespace msdk
