// The head unit's audio device "ADE1:", a stream driver of the audio processor (library audiodev,
// loaded by the device manager from its driver key with "Prefix" = "ADE"). Here the processor is
// not there: what it would measure is set by tests through its hooks (AudioDevHooks.h).
#pragma once

#include "platform/devmgr/devmgr.h"
#include "platform/kernel/wcetypes.h"

// The source spectrum: 32 INTs out (two bands of 16), into an output buffer of 128 bytes.
#define IOCTL_AUDIO_GET_SOURCE_SPECTRUMS \
  CTL_CODE(FILE_DEVICE_UNKNOWN, 0x811, METHOD_BUFFERED, FILE_ANY_ACCESS)  // 0x222044
#define AUDIODEV_SPECTRUM_VALUES 32

#define AUDIODEV_EXPORT extern "C" __attribute__((visibility("default")))

AUDIODEV_EXPORT DWORD_PTR ADE_Init(LPCWSTR activeKey, LPCVOID busContext);
AUDIODEV_EXPORT BOOL ADE_Deinit(DWORD_PTR deviceContext);
AUDIODEV_EXPORT DWORD_PTR ADE_Open(DWORD_PTR deviceContext, DWORD access, DWORD share);
AUDIODEV_EXPORT BOOL ADE_Close(DWORD_PTR openContext);
AUDIODEV_EXPORT BOOL ADE_IOControl(DWORD_PTR openContext, DWORD code, PBYTE in, DWORD inSize, PBYTE out,
                                   DWORD outSize, PDWORD returned);
