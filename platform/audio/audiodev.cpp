// The audio device "ADE1:": open and close, and the source spectrum answered from what tests set.
#include "platform/audio/audiodev.h"
#include "platform/audio/AudioDevHooks.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

const DWORD_PTR kDeviceContext = 0xADE1;

std::mutex g_lock;  // guards everything below
INT g_aiSpectrums[AUDIODEV_SPECTRUM_VALUES] = {};
DWORD g_dwSpectrumCount = 0;
BOOL g_bFail = FALSE;
DWORD g_dwOpen = 0;

}  // namespace

AUDIODEV_EXPORT DWORD_PTR ADE_Init(LPCWSTR, LPCVOID) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_dwOpen = 0;
  g_dwSpectrumCount = 0;
  g_bFail = FALSE;
  return kDeviceContext;
}

AUDIODEV_EXPORT BOOL ADE_Deinit(DWORD_PTR deviceContext) {
  return deviceContext == kDeviceContext ? TRUE : FALSE;
}

AUDIODEV_EXPORT DWORD_PTR ADE_Open(DWORD_PTR deviceContext, DWORD, DWORD) {
  if (deviceContext != kDeviceContext) return 0;
  std::lock_guard<std::mutex> guard(g_lock);
  ++g_dwOpen;
  return deviceContext;
}

AUDIODEV_EXPORT BOOL ADE_Close(DWORD_PTR openContext) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (openContext != kDeviceContext || g_dwOpen == 0) return FALSE;
  --g_dwOpen;
  return TRUE;
}

AUDIODEV_EXPORT BOOL ADE_IOControl(DWORD_PTR openContext, DWORD code, PBYTE, DWORD, PBYTE out, DWORD outSize,
                                   PDWORD returned) {
  if (openContext != kDeviceContext || code != IOCTL_AUDIO_GET_SOURCE_SPECTRUMS || out == nullptr ||
      outSize < sizeof(g_aiSpectrums))
    return FALSE;
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_bFail) return FALSE;
  const DWORD bytes = g_dwSpectrumCount * static_cast<DWORD>(sizeof(INT));
  std::memcpy(out, g_aiSpectrums, bytes);
  if (returned) *returned = bytes;
  return TRUE;
}

AUDIODEV_EXPORT void ADE_SetSourceSpectrums(const INT* values, DWORD count, BOOL failed) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_dwSpectrumCount = values ? std::min<DWORD>(count, AUDIODEV_SPECTRUM_VALUES) : 0;
  if (g_dwSpectrumCount > 0) std::memcpy(g_aiSpectrums, values, g_dwSpectrumCount * sizeof(INT));
  g_bFail = failed;
}

AUDIODEV_EXPORT DWORD ADE_OpenCount() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_dwOpen;
}
