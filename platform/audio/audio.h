// Wave output: the part of the multimedia API that the head unit calls. The device behind it is a
// null device: it plays nothing, keeps the state a real driver would keep (prepared and queued
// headers, volumes, the output level) and records every call so tests can read what was asked.
#pragma once

#include "platform/kernel/wcetypes.h"

typedef UINT MMRESULT;
struct HWAVEOUT__;
typedef HWAVEOUT__* HWAVEOUT;
typedef HWAVEOUT* LPHWAVEOUT;

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34

#define WAVE_MAPPER (static_cast<UINT>(-1))
#define WAVE_FORMAT_PCM 1

#define CALLBACK_TYPEMASK 0x00070000u
#define CALLBACK_NULL 0x00000000u
#define CALLBACK_WINDOW 0x00010000u
#define CALLBACK_FUNCTION 0x00030000u
#define CALLBACK_EVENT 0x00050000u

#define WOM_OPEN 0x3BB
#define WOM_CLOSE 0x3BC
#define WOM_DONE 0x3BD

#define WHDR_DONE 0x00000001u
#define WHDR_PREPARED 0x00000002u
#define WHDR_BEGINLOOP 0x00000004u
#define WHDR_ENDLOOP 0x00000008u
#define WHDR_INQUEUE 0x00000010u

// Driver messages of the head unit's wave driver, sent with waveOutMessage to no device: the
// output level (an integer step of the amplifier, not a volume word).
#define WODM_GET_OUTPUT_LEVEL 0x428
#define WODM_SET_OUTPUT_LEVEL 0x429

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

struct WAVEHDR {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;
  DWORD_PTR reserved;
};
typedef WAVEHDR* LPWAVEHDR;

// CALLBACK_FUNCTION: called with WOM_OPEN, WOM_DONE (param1 = the header) and WOM_CLOSE.
typedef void (*LPWAVECALLBACK)(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR param1,
                               DWORD_PTR param2);

// Only PCM with 1 or 2 channels of 8 or 16 bits and a consistent block alignment is accepted
// (else WAVERR_BADFORMAT); device WAVE_MAPPER or 0.
MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr);
// WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr);
// Queues a prepared header; it stays queued until waveOutReset or wce::FinishWaveOut.
MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr);
// Every queued header comes back done, each with WOM_DONE, in the order it was written.
MMRESULT waveOutReset(HWAVEOUT hwo);
// WAVERR_STILLPLAYING while headers are queued; else WOM_CLOSE and the handle is gone.
MMRESULT waveOutClose(HWAVEOUT hwo);
// Left channel in the low word, right in the high word. A NULL handle is the device itself.
MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD volume);
MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD volume);
// WODM_GET_OUTPUT_LEVEL answers the level; WODM_SET_OUTPUT_LEVEL sets it to param1 and answers
// MMSYSERR_NOERROR; any other message MMSYSERR_NOTSUPPORTED.
MMRESULT waveOutMessage(HWAVEOUT hwo, UINT msg, DWORD_PTR param1, DWORD_PTR param2);
