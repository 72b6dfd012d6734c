// Lumadec, the media decoder library that the head unit's other programs load: the audio decoder
// (ADec_), the video decoder (Vdec_) and the audio device (HW_) over the chip vendor's decoder
// layer. Every export has C linkage and is found by name; everything else is hidden. Functions
// return 1 for success and 0 for failure unless noted; every failure writes a "[Lumadec]" line to
// the debug output.
#pragma once

#include "platform/kernel/wcetypes.h"

#define LUMADEC_API extern "C" __attribute__((visibility("default")))

// ---- audio decoder
typedef void* ADEC_INSTANCE;

// A buffer the caller queues: the library keeps the record (it is not copied) and links it through
// prNext until the buffer is reported finished. The caller may put more after these fields.
struct ADEC_BUFFER {
  BYTE* pbData;
  DWORD u4BufferLen;
  ADEC_BUFFER* prNext;
};

// The audio parameters of ADec_SetParam: nine words handed to the decoder as they come; the fifth
// is the sample rate in Hz.
struct ADEC_AUDIO_PARAM {
  DWORD au4Word[4];
  DWORD u4SampleRate;
  DWORD au4Word2[4];
};

// The registered messages of an instance (ADec_GetMsgID).
struct ADEC_MSG_ID {
  UINT u4BufferDone;
  UINT u4OpenSuccess;
  UINT u4CloseSuccess;
};

// Called on the feeder thread for every finished buffer: (user value, the "BUFFER_DONE" message,
// the buffer, 0, 0). The buffer is the caller's again from this call on.
typedef void (*PFN_ADEC_CALLBACK)(DWORD_PTR u4User, UINT u4Msg, ADEC_BUFFER* prBuf, DWORD u4Arg1,
                                  DWORD u4Arg2);

// Sink types: where the sound goes.
#define ADEC_SINK_NONE 0u
#define ADEC_SINK_FRONT 1u
#define ADEC_SINK_REAR 2u
#define ADEC_SINK_BOTH 3u

// Codec ids the decoder takes: 2, 3, 4, 5 and 7.
LUMADEC_API ADEC_INSTANCE ADec_CreateInstance(DWORD_PTR u4User, PFN_ADEC_CALLBACK pfnCallback,
                                              DWORD u4CodecId);
// Drops what waits in the decoder's FIFO.
LUMADEC_API BOOL ADec_Flush(ADEC_INSTANCE hInst);
LUMADEC_API BOOL ADec_GetMsgID(ADEC_INSTANCE hInst, ADEC_MSG_ID* prIds);
// Percentages into the bytes the sink type names.
LUMADEC_API BOOL ADec_GetVolume(ADEC_INSTANCE hInst, DWORD u4Sink, BYTE* pbFront, BYTE* pbRear);
LUMADEC_API BOOL ADec_Pause(ADEC_INSTANCE hInst);
// Stops the feeder (it is joined: this returns once it has ended) and frees the instance. Buffers
// still queued are not reported.
LUMADEC_API BOOL ADec_ReleaseInstance(ADEC_INSTANCE hInst);
LUMADEC_API BOOL ADec_Resume(ADEC_INSTANCE hInst);
// Paced writing: a finished buffer is reported once less than a block waits in the FIFO.
LUMADEC_API BOOL ADec_SetCmmb(ADEC_INSTANCE hInst);
// Sample rates 8000 to 48000 Hz.
LUMADEC_API BOOL ADec_SetParam(ADEC_INSTANCE hInst, const ADEC_AUDIO_PARAM* prParam);
LUMADEC_API BOOL ADec_SetSinkInfo(ADEC_INSTANCE hInst, DWORD u4Sink);
LUMADEC_API BOOL ADec_SetVolume(ADEC_INSTANCE hInst, DWORD u4Sink, INT i4Front, INT i4Rear);
// Unpaced writing (the default).
LUMADEC_API BOOL ADec_SetiPod(ADEC_INSTANCE hInst);
LUMADEC_API BOOL ADec_Stop(ADEC_INSTANCE hInst);
// Waits until every queued buffer has been fed and the decoder has played it out (or was
// stopped); 0 when the feeder has ended on an error first.
LUMADEC_API BOOL ADec_WaitEOS(ADEC_INSTANCE hInst);
LUMADEC_API BOOL ADec_WriteData(ADEC_INSTANCE hInst, ADEC_BUFFER* prBuf);

// ---- video decoder (one instance at a time in a process)
typedef void* VDEC_INSTANCE;

// One compressed unit. The side data goes to the decoder only when pvSideData is set.
struct VDEC_INPUT_DATA {
  void* pvSideData;
  DWORD u4SideWord0;
  const BYTE* pbUnit;
  DWORD u4UnitSize;
  DWORD u4SideWord1;
  BYTE bSideFlag;
  DWORD u4SideWord2;
  DWORD u4SideWord3;
  DWORD u4Reserved;
  DWORD u4Pts;
  DWORD u4Dts;
  BYTE bUnitFlags;
};

struct AVD_PICTURE;
// One decoded picture: the library's picture record (give it back with Vdec_FreeOutputBuf) and
// what the caller needs of it.
struct VDEC_OUTPUT_DATA {
  AVD_PICTURE* prPicture;
  DWORD u4HeadSize;  // 60: the part of the record that is the picture's head
  DWORD u4Width;
  DWORD u4Height;
  DWORD u4DisplayWidth;
  DWORD u4DisplayHeight;
  BYTE fgHasPicture;  // the record holds a picture with both buffers
  BYTE fgFrameDone;
};

// Video types 1 to 9 and 12 to 14.
LUMADEC_API VDEC_INSTANCE Vdec_CreateInstance(DWORD u4VideoType);
// The decoder's result (its low byte), 0 when refused.
LUMADEC_API BYTE Vdec_SetInputData(VDEC_INSTANCE hInst, const VDEC_INPUT_DATA* prInput);
LUMADEC_API BOOL Vdec_GetOutputData(VDEC_INSTANCE hInst, VDEC_OUTPUT_DATA* prOutput);
// Gives the picture's buffers back to the decoder (unless the record says they are not its).
LUMADEC_API BOOL Vdec_FreeOutputBuf(VDEC_INSTANCE hInst, AVD_PICTURE* prPicture);
LUMADEC_API BOOL Vdec_ReleaseInstance(VDEC_INSTANCE hInst, DWORD u4Arg);

// ---- the audio device "ADE1:"
LUMADEC_API BOOL HW_OpenAudioDev();
LUMADEC_API BOOL HW_CloseAudioDev();
// Two bands of 16 values; what the device did not fill is 0.
LUMADEC_API BOOL HW_AudioInfo_GetSourceSpectrums(INT* pi4First, INT* pi4Second);
