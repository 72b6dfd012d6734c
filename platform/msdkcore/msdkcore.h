// The chip vendor's decoder layer (msdkcore): the AVDecoder_ calls the decoder library makes and
// the records they hand over. On the target this is the vendor's library; here it is our own
// stand-in (see msdkrecord.h for what tests see of it). Records that hold pointers keep their
// fields in the vendor's order; pointers are 8 bytes here, so sizes are ours, not the target's.
#pragma once

#include "platform/kernel/wcetypes.h"

#define MSDK_API extern "C" __attribute__((visibility("default")))

typedef void* AVD_HANDLE;

// Second argument of AVDecoder_CreateInstance: what the decoder feeds on.
#define AVD_KIND_VIDEO 0u
#define AVD_KIND_AUDIO 1u

// Parameter numbers of AVDecoder_SetParam and AVDecoder_GetParam.
#define AVD_APARAM_CONFIG 0u          // the audio set-up block (AVD_PARAM_BLOCK)
#define AVD_APARAM_CONFIG_ALT 1u      // the same block for the decoders that take the other form
#define AVD_APARAM_FRONT_VOLUME 7u    // INT32 in, 131072 is full scale
#define AVD_APARAM_GET_EOS 8u         // no block: set "AUDEOS" once the FIFO has drained
#define AVD_APARAM_CONFIG_COMMIT 18u  // the set-up block again, once started
#define AVD_APARAM_FRONT_VOLUME_GET 21u
#define AVD_APARAM_REAR_VOLUME 22u
#define AVD_APARAM_REAR_VOLUME_GET 23u

// Outputs of AVDecoder_OpenAOut and AVDecoder_CloseAOut.
#define AVD_AOUT_FRONT 1u
#define AVD_AOUT_REAR 2u
#define AVD_AOUT_BOTH 3u

// The named event the decoder sets once an asked-for end of stream has drained.
#define AVD_EOS_EVENT u"AUDEOS"

// ---- audio records
struct AVD_AUDIO_INFO {
  DWORD au4Word[8];
};
struct AVD_AUDIO_EXT {
  DWORD u4Word;
  DWORD au4Reserved[3];
};
// The set-up block: a type word (4 for audio), then the information and its extension.
struct AVD_PARAM_BLOCK {
  DWORD u4Type;
  AVD_AUDIO_INFO* prInfo;
  AVD_AUDIO_EXT* prExt;
};
#define AVD_PARAM_TYPE_AUDIO 4u

// The audio FIFO: start and end addresses; its size is the difference.
struct AVD_AFIFO_ADDR {
  BYTE* pbStart;
  BYTE* pbEnd;
};
// Where the next byte goes (offset from the start) and how many bytes are free.
struct AVD_WRITE_POINT {
  DWORD u4WriteOffset;
  DWORD u4FreeBytes;
};
// Published after each copy into the FIFO: the decoder may read up to the write offset.
struct AVD_AUDIO_INPUT {
  DWORD u4WriteOffset;
  DWORD au4Reserved[183];
};
static_assert(sizeof(AVD_AUDIO_INPUT) == 736, "the audio input descriptor is 736 bytes");

// ---- video records
// The head of a decoded picture, as the decoder writes it; bytes 0 to 59 on the target.
struct AVD_PICTURE_HEAD {
  BYTE* pbLuma;  // handed back with AVDecoder_SetOutputBuf
  DWORD u4Pitch;
  BYTE* pbChroma;  // handed back with AVDecoder_SetOutputBuf
  DWORD u4Pts;
  DWORD u4Height;
  DWORD u4Width;
  DWORD au4Reserved[4];
  INT i4Status;  // kPictureNone (low byte 255): no picture; -16: the buffer is not the decoder's
  DWORD au4Reserved2[3];
};
// A whole picture record: the head and the decoder's tail (bytes 60 to 79 on the target).
struct AVD_PICTURE {
  AVD_PICTURE_HEAD rHead;
  DWORD u4Reserved;
  DWORD u4DisplayWidth;
  DWORD u4DisplayHeight;
  DWORD u4Reserved2;
  DWORD u4FrameDone;  // 1: the last field of a frame
};
#define AVD_PICTURE_STATUS_NONE 255
#define AVD_PICTURE_STATUS_FOREIGN (-16)

// One compressed unit for the video decoder; the picture it gives goes to prOutput.
struct AVD_VIDEO_INPUT {
  void* pvSideData;
  DWORD u4SideWord0;
  DWORD u4SideWord1;
  BYTE bSideFlag;
  DWORD u4SideWord2;
  DWORD u4SideWord3;
  const BYTE* pbUnit;
  DWORD u4UnitSize;
  DWORD u4Pts;
  DWORD u4Dts;
  BYTE bUnitFlags;
  DWORD u4InputFormat;
  AVD_PICTURE* prOutput;
};
// The two buffers of a picture given back to the decoder.
struct AVD_BUFFER_PAIR {
  BYTE* pbLuma;
  BYTE* pbChroma;
};

MSDK_API AVD_HANDLE AVDecoder_CreateInstance(DWORD u4DecoderType, DWORD u4Kind);
MSDK_API BOOL AVDecoder_Release(AVD_HANDLE hDecoder, DWORD u4Arg);
MSDK_API BOOL AVDecoder_SetParam(AVD_HANDLE hDecoder, DWORD u4Param, void* pvValue);
MSDK_API BOOL AVDecoder_GetParam(AVD_HANDLE hDecoder, DWORD u4Param, void* pvValue);
MSDK_API BOOL AVDecoder_Start(AVD_HANDLE hDecoder, DWORD u4Arg);
MSDK_API BOOL AVDecoder_Stop(AVD_HANDLE hDecoder);
MSDK_API BOOL AVDecoder_SetSpeed(AVD_HANDLE hDecoder, DWORD u4Speed);
MSDK_API BOOL AVDecoder_Freeze(AVD_HANDLE hDecoder);
MSDK_API BOOL AVDecoder_UNFreeze(AVD_HANDLE hDecoder);
// Drops what waits in the FIFO.
MSDK_API BOOL AVDecoder_Refresh(AVD_HANDLE hDecoder);
MSDK_API BOOL AVDecoder_OpenAOut(AVD_HANDLE hDecoder, DWORD u4Out);
MSDK_API BOOL AVDecoder_CloseAOut(AVD_HANDLE hDecoder, DWORD u4Out);
MSDK_API BOOL AVDecoder_GetAfifoAddr(AVD_HANDLE hDecoder, AVD_AFIFO_ADDR* prAddr);
MSDK_API BOOL AVDecoder_ReleaseAfifoAddr(AVD_HANDLE hDecoder);
MSDK_API BOOL AVDecoder_GetWritePoint(AVD_HANDLE hDecoder, AVD_WRITE_POINT* prPoint);
// An audio decoder takes an AVD_AUDIO_INPUT, a video decoder an AVD_VIDEO_INPUT; u4Size is its size.
MSDK_API BOOL AVDecoder_SetInputBuf(AVD_HANDLE hDecoder, void* pvInput, DWORD u4Size);
// Writes the next decoded picture into the record named by the last AVD_VIDEO_INPUT.
MSDK_API BOOL AVDecoder_GetOutputBuf(AVD_HANDLE hDecoder, void* pvOut);
// Takes an AVD_BUFFER_PAIR back.
MSDK_API BOOL AVDecoder_SetOutputBuf(AVD_HANDLE hDecoder, void* pvBuffers, DWORD u4Size);
