// What the stand-in for the vendor's decoder layer offers tests and benchmarks (our own; the
// vendor's library has none of it): every AVDecoder_ call recorded with copies of the records it
// was handed, any call scripted to fail, and the consumer of each audio FIFO driven by hand or by
// a thread of its own. Everything here is deterministic: the decoder consumes nothing by itself.
#pragma once

#include "platform/msdkcore/msdkcore.h"

#include <cstdint>
#include <string>
#include <vector>

#define MSDK_TEST_API __attribute__((visibility("default")))

namespace msdk {

// One call as the decoder saw it. Numbers go in the order of the call's arguments after the handle;
// records handed over are copied at the call, since callers free them afterwards.
struct MSDK_CALL {
  std::string strName;  // "AVDecoder_SetParam"
  AVD_HANDLE hDecoder = nullptr;
  uintptr_t au8Arg[2] = {};
  BOOL fgResult = FALSE;
  bool fgHasValue = false;  // i4Value holds the INT32 a volume parameter pointed at
  INT i4Value = 0;
  bool fgHasParamBlock = false;
  AVD_PARAM_BLOCK rParam{};
  AVD_AUDIO_INFO rInfo{};
  AVD_AUDIO_EXT rExt{};
  AVD_AUDIO_INPUT rAudioInput{};
  AVD_VIDEO_INPUT rVideoInput{};
  AVD_PICTURE rPicture{};  // what AVDecoder_GetOutputBuf wrote
  void* pvOut = nullptr;   // where AVDecoder_GetOutputBuf was asked to write
  AVD_BUFFER_PAIR rBuffers{};
};

enum class Drain {
  kByHand,   // MsdkConsume only
  kOnWrite,  // everything published is consumed inside AVDecoder_SetInputBuf
  kThread,   // a thread of the decoder consumes whatever is published, while not frozen
};

// Forgets every call, script and decoder (decoders still alive stop their threads first).
MSDK_TEST_API void MsdkReset();
MSDK_TEST_API std::vector<MSDK_CALL> MsdkCalls();
// Calls of one name only.
MSDK_TEST_API std::vector<MSDK_CALL> MsdkCallsOf(const std::string& name);
// Waits until at least `count` calls of the name were made; false when `ms` passed first.
MSDK_TEST_API bool MsdkWaitCalls(const std::string& name, size_t count, DWORD ms);
// Recording on (the default) or off: a benchmark's millions of calls are not kept.
MSDK_TEST_API void MsdkSetRecording(bool fgOn);
// After `after` more calls of the name that succeed, the next `count` fail (-1: every one until
// reset). A failing AVDecoder_CreateInstance gives no handle.
MSDK_TEST_API void MsdkFailCall(const std::string& name, int count, int after = 0);

// The FIFO size of audio decoders created from now on (default kMsdkDefaultAfifoSize).
const DWORD kMsdkDefaultAfifoSize = 64 * 1024;
MSDK_TEST_API void MsdkSetAfifoSize(DWORD u4Size);
// `keep`: the consumed bytes are kept for MsdkConsumed (a benchmark only counts them).
MSDK_TEST_API void MsdkSetDrain(AVD_HANDLE hDecoder, Drain eDrain, bool fgKeep = true);
// Consumes up to `max` published bytes (none while frozen); returns how many.
MSDK_TEST_API DWORD MsdkConsume(AVD_HANDLE hDecoder, DWORD u4Max);
MSDK_TEST_API std::vector<BYTE> MsdkConsumed(AVD_HANDLE hDecoder);
MSDK_TEST_API uint64_t MsdkConsumedCount(AVD_HANDLE hDecoder);
// Bytes published and not yet consumed.
MSDK_TEST_API DWORD MsdkPending(AVD_HANDLE hDecoder);
MSDK_TEST_API bool MsdkFrozen(AVD_HANDLE hDecoder);
// The outputs opened: a mask of AVD_AOUT_FRONT and AVD_AOUT_REAR.
MSDK_TEST_API DWORD MsdkOpenOutputs(AVD_HANDLE hDecoder);
// The picture the next AVDecoder_GetOutputBuf writes (else one made up from the picture count).
MSDK_TEST_API void MsdkQueuePicture(AVD_HANDLE hDecoder, const AVD_PICTURE& rPicture);

}  // namespace msdk
