// The AVDecoder_ calls of the stand-in vendor layer and its test interface. Every call is recorded
// with its result; a call scripted to fail does nothing and reports FALSE.
#include "msdkcore/CMsdkCore.h"

#include <cstring>

using msdk::CMsdkCore;
using msdk::CMsdkDecoder;
using msdk::MSDK_CALL;

namespace {

CMsdkCore& Core() {
  return CMsdkCore::GetInstance();
}

MSDK_CALL Begin(const char* name, AVD_HANDLE hDecoder, uintptr_t u8Arg0 = 0, uintptr_t u8Arg1 = 0) {
  MSDK_CALL call;
  call.strName = name;
  call.hDecoder = hDecoder;
  call.au8Arg[0] = u8Arg0;
  call.au8Arg[1] = u8Arg1;
  return call;
}

// The decoder the call acts on, or nullptr when the call is to fail (scripted, or no decoder).
std::shared_ptr<CMsdkDecoder> Admit(const MSDK_CALL& call) {
  if (Core().ScriptedToFail(call.strName)) return nullptr;
  return Core().Find(call.hDecoder);
}

BOOL Finish(MSDK_CALL& call, bool ok) {
  call.fgResult = ok ? TRUE : FALSE;
  Core().Record(call);
  return call.fgResult;
}

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
  MSDK_CALL call = Begin("AVDecoder_CreateInstance", nullptr, u4DecoderType, u4Kind);
  if (!Core().ScriptedToFail(call.strName)) call.hDecoder = Core().Add(u4DecoderType, u4Kind);
  Finish(call, call.hDecoder != nullptr);
  return call.hDecoder;
}

MSDK_API BOOL AVDecoder_Release(AVD_HANDLE hDecoder, DWORD u4Arg) {
  MSDK_CALL call = Begin("AVDecoder_Release", hDecoder, u4Arg);
  const bool ok = Admit(call) != nullptr;
  if (ok) Core().Remove(hDecoder);
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_SetParam(AVD_HANDLE hDecoder, DWORD u4Param, void* pvValue) {
  MSDK_CALL call = Begin("AVDecoder_SetParam", hDecoder, u4Param);
  auto decoder = Admit(call);
  bool ok = decoder != nullptr;
  if (IsConfig(u4Param)) {
    const auto* block = static_cast<const AVD_PARAM_BLOCK*>(pvValue);
    ok = ok && block != nullptr && block->u4Type == AVD_PARAM_TYPE_AUDIO && block->prInfo && block->prExt;
    if (block != nullptr) {
      call.fgHasParamBlock = true;
      call.rParam = *block;
      if (block->prInfo) call.rInfo = *block->prInfo;
      if (block->prExt) call.rExt = *block->prExt;
    }
  } else if (IsVolume(u4Param)) {
    ok = ok && pvValue != nullptr;
    if (pvValue != nullptr) {
      call.fgHasValue = true;
      std::memcpy(&call.i4Value, pvValue, sizeof(call.i4Value));
      if (ok) decoder->SetVolume(u4Param, call.i4Value);
    }
  } else if (u4Param == AVD_APARAM_GET_EOS) {
    if (ok) decoder->AskEos();
  } else {
    ok = false;
  }
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_GetParam(AVD_HANDLE hDecoder, DWORD u4Param, void* pvValue) {
  MSDK_CALL call = Begin("AVDecoder_GetParam", hDecoder, u4Param);
  auto decoder = Admit(call);
  INT value = 0;
  const bool ok = decoder != nullptr && pvValue != nullptr && decoder->GetVolume(u4Param, &value);
  if (ok) {
    std::memcpy(pvValue, &value, sizeof(value));
    call.fgHasValue = true;
    call.i4Value = value;
  }
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_Start(AVD_HANDLE hDecoder, DWORD u4Arg) {
  MSDK_CALL call = Begin("AVDecoder_Start", hDecoder, u4Arg);
  return Finish(call, Admit(call) != nullptr);
}

MSDK_API BOOL AVDecoder_Stop(AVD_HANDLE hDecoder) {
  MSDK_CALL call = Begin("AVDecoder_Stop", hDecoder);
  auto decoder = Admit(call);
  if (decoder) decoder->Stop();
  return Finish(call, decoder != nullptr);
}

MSDK_API BOOL AVDecoder_SetSpeed(AVD_HANDLE hDecoder, DWORD u4Speed) {
  MSDK_CALL call = Begin("AVDecoder_SetSpeed", hDecoder, u4Speed);
  return Finish(call, Admit(call) != nullptr);
}

MSDK_API BOOL AVDecoder_Freeze(AVD_HANDLE hDecoder) {
  MSDK_CALL call = Begin("AVDecoder_Freeze", hDecoder);
  auto decoder = Admit(call);
  if (decoder) decoder->SetFrozen(true);
  return Finish(call, decoder != nullptr);
}

MSDK_API BOOL AVDecoder_UNFreeze(AVD_HANDLE hDecoder) {
  MSDK_CALL call = Begin("AVDecoder_UNFreeze", hDecoder);
  auto decoder = Admit(call);
  if (decoder) decoder->SetFrozen(false);
  return Finish(call, decoder != nullptr);
}

MSDK_API BOOL AVDecoder_Refresh(AVD_HANDLE hDecoder) {
  MSDK_CALL call = Begin("AVDecoder_Refresh", hDecoder);
  auto decoder = Admit(call);
  if (decoder) decoder->Refresh();
  return Finish(call, decoder != nullptr);
}

MSDK_API BOOL AVDecoder_OpenAOut(AVD_HANDLE hDecoder, DWORD u4Out) {
  MSDK_CALL call = Begin("AVDecoder_OpenAOut", hDecoder, u4Out);
  auto decoder = Admit(call);
  const bool ok = decoder != nullptr && IsOutput(u4Out);
  if (ok) decoder->OpenOutputs(u4Out);
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_CloseAOut(AVD_HANDLE hDecoder, DWORD u4Out) {
  MSDK_CALL call = Begin("AVDecoder_CloseAOut", hDecoder, u4Out);
  auto decoder = Admit(call);
  const bool ok = decoder != nullptr && IsOutput(u4Out);
  if (ok) decoder->CloseOutputs(u4Out);
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_GetAfifoAddr(AVD_HANDLE hDecoder, AVD_AFIFO_ADDR* prAddr) {
  MSDK_CALL call = Begin("AVDecoder_GetAfifoAddr", hDecoder);
  auto decoder = Admit(call);
  const bool ok = decoder != nullptr && prAddr != nullptr && decoder->Kind() == AVD_KIND_AUDIO;
  if (ok) decoder->GetAfifo(prAddr);
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_ReleaseAfifoAddr(AVD_HANDLE hDecoder) {
  MSDK_CALL call = Begin("AVDecoder_ReleaseAfifoAddr", hDecoder);
  return Finish(call, Admit(call) != nullptr);
}

MSDK_API BOOL AVDecoder_GetWritePoint(AVD_HANDLE hDecoder, AVD_WRITE_POINT* prPoint) {
  MSDK_CALL call = Begin("AVDecoder_GetWritePoint", hDecoder);
  auto decoder = Admit(call);
  const bool ok = decoder != nullptr && prPoint != nullptr;
  if (ok) decoder->GetWritePoint(prPoint);
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_SetInputBuf(AVD_HANDLE hDecoder, void* pvInput, DWORD u4Size) {
  MSDK_CALL call = Begin("AVDecoder_SetInputBuf", hDecoder, u4Size);
  auto decoder = Admit(call);
  bool ok = decoder != nullptr && pvInput != nullptr;
  if (ok && decoder->Kind() == AVD_KIND_AUDIO) {
    ok = u4Size == sizeof(AVD_AUDIO_INPUT);
    if (ok) {
      call.rAudioInput = *static_cast<const AVD_AUDIO_INPUT*>(pvInput);
      ok = decoder->Publish(call.rAudioInput.u4WriteOffset);
    }
  } else if (ok) {
    ok = u4Size == sizeof(AVD_VIDEO_INPUT);
    if (ok) {
      call.rVideoInput = *static_cast<const AVD_VIDEO_INPUT*>(pvInput);
      decoder->TakeInput(call.rVideoInput);
    }
  }
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_GetOutputBuf(AVD_HANDLE hDecoder, void* pvOut) {
  MSDK_CALL call = Begin("AVDecoder_GetOutputBuf", hDecoder);
  call.pvOut = pvOut;
  auto decoder = Admit(call);
  const bool ok = decoder != nullptr && decoder->Kind() == AVD_KIND_VIDEO;
  if (ok) call.rPicture = decoder->NextPicture();
  return Finish(call, ok);
}

MSDK_API BOOL AVDecoder_SetOutputBuf(AVD_HANDLE hDecoder, void* pvBuffers, DWORD u4Size) {
  MSDK_CALL call = Begin("AVDecoder_SetOutputBuf", hDecoder, u4Size);
  auto decoder = Admit(call);
  const bool ok = decoder != nullptr && pvBuffers != nullptr && u4Size == sizeof(AVD_BUFFER_PAIR);
  if (ok) call.rBuffers = *static_cast<const AVD_BUFFER_PAIR*>(pvBuffers);
  return Finish(call, ok);
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
