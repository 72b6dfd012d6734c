// The audio decoder's exports: argument checks, the decoder's set-up, volumes and sinks.
#include "decoder/CAdecInstance.h"
#include "platform/kernel/KernelHooks.h"

#include <cstring>
#include <memory>

namespace {

CAdecInstance* Inst(ADEC_INSTANCE hInst) {
  return static_cast<CAdecInstance*>(hInst);
}

struct RateBlock {
  DWORD m_dwMaxRate;  // rates up to this one (from the previous row's up) take the block size
  DWORD m_dwBlockSize;
};
const DWORD kMinRate = 8000;
const RateBlock kBlocks[] = {{16000, 6144}, {22050, 8192}, {32000, 10240}, {48000, 12288}};

// 0 for a rate the decoder does not take.
DWORD BlockSizeOf(DWORD u4Rate) {
  if (u4Rate < kMinRate) return 0;
  for (const RateBlock& b : kBlocks)
    if (u4Rate <= b.m_dwMaxRate) return b.m_dwBlockSize;
  return 0;
}

// The decoder's codec that takes the other form of the set-up block.
const DWORD kCodecWithAltConfig = 3;

// The decoder's volume scale: 131072 (1 << 17) is 100 percent.
const int kVolumeShift = 17;
const LONGLONG kVolumeFull = 1LL << kVolumeShift;
const INT kVolumeFractionMask = 0x7FFF;

INT PercentToVolume(INT i4Percent) {
  return static_cast<INT>(static_cast<LONGLONG>(i4Percent) * kVolumeFull / 100);
}

BYTE VolumeToPercent(INT i4Volume) {
  LONGLONG percent = (static_cast<LONGLONG>(i4Volume) * 100) >> kVolumeShift;
  if ((i4Volume & kVolumeFractionMask) != 0) ++percent;
  return static_cast<BYTE>(percent);
}

bool SetDecoderVolume(CAdecInstance* inst, DWORD u4Param, INT i4Percent) {
  INT i4Value = PercentToVolume(i4Percent);
  return AVDecoder_SetParam(inst->Decoder(), u4Param, &i4Value) != FALSE;
}

bool GetDecoderVolume(CAdecInstance* inst, DWORD u4Param, BYTE* pbPercent) {
  INT i4Value = 0;
  if (!AVDecoder_GetParam(inst->Decoder(), u4Param, &i4Value) || pbPercent == nullptr) return false;
  *pbPercent = VolumeToPercent(i4Value);
  return true;
}

// What ADec_SetSinkInfo does for a change of sink: at most two steps on the decoder's outputs.
enum class SinkOp { kNone, kOpen, kClose };
struct SinkStep {
  SinkOp m_Op;
  DWORD m_dwOut;
  // The step whose failure is logged with the other step's line (as the library always has).
  bool m_bOtherLine;
};
struct SinkChange {
  SinkStep m_Steps[2];
};
const SinkStep kNoStep = {SinkOp::kNone, 0, false};
// [new sink][current sink]
const SinkChange kSinkChanges[4][4] = {
    {{{kNoStep, kNoStep}},
     {{{SinkOp::kClose, AVD_AOUT_FRONT, true}, kNoStep}},
     {{{SinkOp::kClose, AVD_AOUT_REAR, false}, kNoStep}},
     {{{SinkOp::kClose, AVD_AOUT_BOTH, false}, kNoStep}}},
    {{{{SinkOp::kOpen, AVD_AOUT_FRONT, false}, kNoStep}},
     {{{SinkOp::kOpen, AVD_AOUT_FRONT, false}, kNoStep}},
     {{{SinkOp::kOpen, AVD_AOUT_FRONT, false}, {SinkOp::kClose, AVD_AOUT_REAR, false}}},
     {{{SinkOp::kClose, AVD_AOUT_REAR, false}, kNoStep}}},
    {{{{SinkOp::kOpen, AVD_AOUT_REAR, false}, kNoStep}},
     {{{SinkOp::kOpen, AVD_AOUT_REAR, false}, {SinkOp::kClose, AVD_AOUT_FRONT, false}}},
     {{{SinkOp::kOpen, AVD_AOUT_REAR, false}, kNoStep}},
     {{{SinkOp::kClose, AVD_AOUT_FRONT, false}, kNoStep}}},
    {{{{SinkOp::kOpen, AVD_AOUT_BOTH, false}, kNoStep}},
     {{{SinkOp::kOpen, AVD_AOUT_REAR, false}, kNoStep}},
     {{{SinkOp::kOpen, AVD_AOUT_FRONT, true}, kNoStep}},
     {{{SinkOp::kOpen, AVD_AOUT_BOTH, false}, kNoStep}}},
};

bool RunSinkStep(CAdecInstance* inst, const SinkStep& step) {
  if (step.m_Op == SinkOp::kNone) return true;
  const bool open = step.m_Op == SinkOp::kOpen;
  const BOOL ok = open ? AVDecoder_OpenAOut(inst->Decoder(), step.m_dwOut)
                       : AVDecoder_CloseAOut(inst->Decoder(), step.m_dwOut);
  if (ok) return true;
  if (open != step.m_bOtherLine) {
    wce::DebugPrint("[Lumadec] AVDecoder_SetSinkInfo return FALSE\r\n");
  } else {
    wce::DebugPrint("[Lumadec] AVDecoder_CloseAOut return FALSE\r\n");
  }
  return false;
}

}  // namespace

LUMADEC_API ADEC_INSTANCE ADec_CreateInstance(DWORD_PTR u4User, PFN_ADEC_CALLBACK pfnCallback,
                                              DWORD u4CodecId) {
  return CAdecInstance::Create(u4User, pfnCallback, u4CodecId);
}

LUMADEC_API BOOL ADec_ReleaseInstance(ADEC_INSTANCE hInst) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec]ADec_ReleaseInstance prAdecInst is NULL\r\n");
    return FALSE;
  }
  // The feeder cannot join itself: a callback must not release its own instance.
  if (Inst(hInst)->IsFeederThread()) {
    wce::DebugPrint("[Lumadec]ADec_ReleaseInstance called on the feeder thread\r\n");
    return FALSE;
  }
  Inst(hInst)->Release();
  return TRUE;
}

LUMADEC_API BOOL ADec_Flush(ADEC_INSTANCE hInst) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec]Flush failed\r\n");
    return FALSE;
  }
  return AVDecoder_Refresh(Inst(hInst)->Decoder());
}

LUMADEC_API BOOL ADec_GetMsgID(ADEC_INSTANCE hInst, ADEC_MSG_ID* prIds) {
  if (hInst == nullptr || prIds == nullptr) {
    wce::DebugPrint("[Lumadec]ADec_GetMsgID: Invalid Parameter\r\n");
    return FALSE;
  }
  const ADEC_MSG_ID& ids = Inst(hInst)->MsgIds();
  if (ids.u4BufferDone != 0 && ids.u4OpenSuccess != 0 && ids.u4CloseSuccess != 0) *prIds = ids;
  return TRUE;
}

LUMADEC_API BOOL ADec_Pause(ADEC_INSTANCE hInst) {
  if (hInst == nullptr || !AVDecoder_Freeze(Inst(hInst)->Decoder())) {
    wce::DebugPrint("[Lumadec]Pause failed\r\n");
    return FALSE;
  }
  return TRUE;
}

LUMADEC_API BOOL ADec_Resume(ADEC_INSTANCE hInst) {
  if (hInst == nullptr || !AVDecoder_UNFreeze(Inst(hInst)->Decoder())) {
    wce::DebugPrint("[Lumadec]Resume failed\r\n");
    return FALSE;
  }
  return TRUE;
}

LUMADEC_API BOOL ADec_Stop(ADEC_INSTANCE hInst) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec]Stop failed\r\n");
    return FALSE;
  }
  AVDecoder_Stop(Inst(hInst)->Decoder());
  return TRUE;
}

LUMADEC_API BOOL ADec_SetCmmb(ADEC_INSTANCE hInst) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec] ADec_SetCmmb error:prAdecInst is NULL\r\n");
    return FALSE;
  }
  Inst(hInst)->SetPaced(true);
  return TRUE;
}

LUMADEC_API BOOL ADec_SetiPod(ADEC_INSTANCE hInst) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec] ADec_SetiPod error:prAdecInst is NULL\r\n");
    return FALSE;
  }
  Inst(hInst)->SetPaced(false);
  return TRUE;
}

LUMADEC_API BOOL ADec_SetParam(ADEC_INSTANCE hInst, const ADEC_AUDIO_PARAM* prParam) {
  const DWORD u4Block = prParam != nullptr ? BlockSizeOf(prParam->u4SampleRate) : 0;
  if (prParam != nullptr && u4Block == 0) {
    wce::DebugPrint("[Lumadec] AVDecoder_SetParam sample rate is not supported\r\n");
    wce::DebugPrint("[Lumadec] Exit ADec_SetParam fail\r\n");
    return FALSE;
  }
  auto block = std::unique_ptr<AVD_PARAM_BLOCK>(new (std::nothrow) AVD_PARAM_BLOCK());
  auto info = std::unique_ptr<AVD_AUDIO_INFO>(new (std::nothrow) AVD_AUDIO_INFO());
  auto ext = std::unique_ptr<AVD_AUDIO_EXT>(new (std::nothrow) AVD_AUDIO_EXT());
  if (hInst == nullptr || prParam == nullptr || !block || !info || !ext) {
    wce::DebugPrint("[Lumadec] ERROR:Handle is NULL or Mem allocation failure\r\n");
    return FALSE;
  }
  CAdecInstance* inst = Inst(hInst);
  inst->SetBlockSize(u4Block);
  static_assert(sizeof(ADEC_AUDIO_PARAM) == sizeof(info->au4Word) + sizeof(ext->u4Word), "nine words");
  std::memcpy(info->au4Word, prParam, sizeof(info->au4Word));
  std::memcpy(&ext->u4Word, reinterpret_cast<const BYTE*>(prParam) + sizeof(info->au4Word),
              sizeof(ext->u4Word));
  block->u4Type = AVD_PARAM_TYPE_AUDIO;
  block->prInfo = info.get();
  block->prExt = ext.get();

  const AVD_HANDLE h = inst->Decoder();
  const DWORD u4Config = inst->CodecId() == kCodecWithAltConfig ? AVD_APARAM_CONFIG_ALT : AVD_APARAM_CONFIG;
  const char* failure = nullptr;
  if (!AVDecoder_SetParam(h, u4Config, block.get())) {
    failure = "[Lumadec] ERROR:AVDecoder_SetParam return FALSE\r\n";
  } else if (!AVDecoder_Start(h, 0)) {
    failure = "[Lumadec] ERROR:AVDecoder_Start return FALSE\r\n";
  } else if (!AVDecoder_SetSpeed(h, 1)) {
    failure = "[Lumadec] ERROR:AVDecoder_SetSpeed return FALSE\r\n";
  } else if (!AVDecoder_SetParam(h, AVD_APARAM_CONFIG_COMMIT, block.get())) {
    failure = "[Lumadec] ERROR:AVDecoder_SetParam--2-- return FALSE\r\n";
  }
  if (failure != nullptr) {
    wce::DebugPrint("%s", failure);
    wce::DebugPrint("[Lumadec] Exit ADec_SetParam fail\r\n");
    return FALSE;
  }
  return TRUE;
}

LUMADEC_API BOOL ADec_WriteData(ADEC_INSTANCE hInst, ADEC_BUFFER* prBuf) {
  if (hInst == nullptr || prBuf == nullptr) {
    wce::DebugPrint("[Lumadec]ADec_WriteData parameter error, %d\r\n", hInst == nullptr ? 0 : 1);
    return FALSE;
  }
  if (prBuf->pbData == nullptr) {
    wce::DebugPrint("[Lumadec]ADec_WriteData prBuf->pbData is NULL\r\n");
    return FALSE;
  }
  if (prBuf->u4BufferLen == 0) {
    wce::DebugPrint("[Lumadec]ADec_WriteData prBuf->u4BufferLen == 0\r\n");
    return FALSE;
  }
  if (IsBadReadPtr(prBuf->pbData, prBuf->u4BufferLen)) {
    wce::DebugPrint("[Lumadec]ADec_WriteData prBuf->pbData is bad address\r\n");
    return FALSE;
  }
  Inst(hInst)->Queue(prBuf);
  return TRUE;
}

LUMADEC_API BOOL ADec_WaitEOS(ADEC_INSTANCE hInst) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec] ADec_WaitEOS error:prAdecInst is NULL\r\n");
    return FALSE;
  }
  CAdecInstance* inst = Inst(hInst);
  // The end of the stream is the end of what was queued: the decoder is asked only once all of
  // it is in the FIFO, or it would report the end of the part fed so far.
  if (!inst->WaitQueueDrained()) {
    wce::DebugPrint("[Lumadec]ADec_WaitEOS the feeder has ended\r\n");
    return FALSE;
  }
  ResetEvent(inst->EosEvent());
  if (!AVDecoder_SetParam(inst->Decoder(), AVD_APARAM_GET_EOS, nullptr)) {
    wce::DebugPrint("[Lumadec]AVDecoder Set APARAM_GET_EOS failed\r\n");
    return FALSE;
  }
  WaitForSingleObject(inst->EosEvent(), INFINITE);
  return TRUE;
}

LUMADEC_API BOOL ADec_SetVolume(ADEC_INSTANCE hInst, DWORD u4Sink, INT i4Front, INT i4Rear) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec]ADec_SetFrontVolume ERROR:prAdecInst is NULL\r\n");
    return FALSE;
  }
  CAdecInstance* inst = Inst(hInst);
  switch (u4Sink) {
    case ADEC_SINK_NONE:
      wce::DebugPrint("[Lumadec]The sink of setting volume info is SWI_SINK_TYPE_NONE,set nothing\r\n");
      return FALSE;
    case ADEC_SINK_FRONT:
      if (SetDecoderVolume(inst, AVD_APARAM_FRONT_VOLUME, i4Front)) return TRUE;
      wce::DebugPrint("[Lumadec]ERROR:AVDecoder Set ADec_SetFrontVolume failed\r\n");
      return FALSE;
    case ADEC_SINK_REAR:
      if (SetDecoderVolume(inst, AVD_APARAM_REAR_VOLUME, i4Rear)) return TRUE;
      wce::DebugPrint("[Lumadec]ERROR:AVDecoder Set ADec_SetRearVolume failed\r\n");
      return FALSE;
    case ADEC_SINK_BOTH:
      if (!SetDecoderVolume(inst, AVD_APARAM_FRONT_VOLUME, i4Front)) {
        wce::DebugPrint("[Lumadec]ERROR:FrontRear Set ADec_SetFrontVolume failed\r\n");
        return FALSE;
      }
      if (!SetDecoderVolume(inst, AVD_APARAM_REAR_VOLUME, i4Rear)) {
        wce::DebugPrint("[Lumadec]ERROR:ERROR:FrontRear Set ADec_SetRear Volume failed\r\n");
        return FALSE;
      }
      return TRUE;
    default:
      wce::DebugPrint("[Lumadec]The sink of setting volume info is not valid %u\r\n",
                      static_cast<unsigned>(u4Sink));
      return FALSE;
  }
}

LUMADEC_API BOOL ADec_GetVolume(ADEC_INSTANCE hInst, DWORD u4Sink, BYTE* pbFront, BYTE* pbRear) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec]ADec_GetFrontVolume ERROR:prAdecInst is NULL\r\n");
    return FALSE;
  }
  CAdecInstance* inst = Inst(hInst);
  if (u4Sink == ADEC_SINK_NONE) {
    wce::DebugPrint("[Lumadec] The sink info is SWI_SINK_TYPE_NONE, get nothing\r\n");
    return FALSE;
  }
  if (u4Sink > ADEC_SINK_BOTH) {
    wce::DebugPrint("[Lumadec] The sink info is not valid %u\r\n", static_cast<unsigned>(u4Sink));
    return FALSE;
  }
  if ((u4Sink & ADEC_SINK_FRONT) != 0 && !GetDecoderVolume(inst, AVD_APARAM_FRONT_VOLUME_GET, pbFront)) {
    wce::DebugPrint("[Lumadec]ERROR:AVDecoder Get ADec_GetFrontVolume failed\r\n");
    return FALSE;
  }
  if ((u4Sink & ADEC_SINK_REAR) != 0 && !GetDecoderVolume(inst, AVD_APARAM_REAR_VOLUME_GET, pbRear)) {
    wce::DebugPrint("[Lumadec]ERROR:AVDecoder Get ADec_GetRearVolume failed\r\n");
    return FALSE;
  }
  return TRUE;
}

LUMADEC_API BOOL ADec_SetSinkInfo(ADEC_INSTANCE hInst, DWORD u4Sink) {
  if (hInst == nullptr) {
    wce::DebugPrint("[Lumadec] ERROR Instance is NULL\r\n");
    return FALSE;
  }
  if (u4Sink > ADEC_SINK_BOTH) {
    wce::DebugPrint("[Lumadec] The sink info is not valid %u\r\n", static_cast<unsigned>(u4Sink));
    return FALSE;
  }
  CAdecInstance* inst = Inst(hInst);
  const DWORD u4Current = inst->Sink();
  if (u4Current > ADEC_SINK_BOTH) {
    wce::DebugPrint("[Lumadec] AVDecoder_SetSinkInfo para error\r\n");
    inst->SetSink(u4Sink);
    return TRUE;
  }
  for (const SinkStep& step : kSinkChanges[u4Sink][u4Current].m_Steps)
    if (!RunSinkStep(inst, step)) return FALSE;
  inst->SetSink(u4Sink);
  return TRUE;
}
