// The audio device's exports: one process-wide handle on "ADE1:".
#include "decoder/lumadec.h"
#include "platform/audio/audiodev.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <cstring>
#include <mutex>

namespace {

const WCHAR kAudioDevice[] = u"ADE1:";
const int kBandValues = 16;

std::mutex g_audioDevLock;  // guards g_hAudioDev
HANDLE g_hAudioDev = INVALID_HANDLE_VALUE;

}  // namespace

LUMADEC_API BOOL HW_OpenAudioDev() {
  std::lock_guard<std::mutex> guard(g_audioDevLock);
  if (g_hAudioDev != INVALID_HANDLE_VALUE) return FALSE;
  HANDLE h = CreateFileW(kAudioDevice, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    wce::DebugPrint("[Lumadec]HW_OpenAudioDev: Open audio device error: %u\r\n",
                    static_cast<unsigned>(GetLastError()));
    return FALSE;
  }
  g_hAudioDev = h;
  return TRUE;
}

LUMADEC_API BOOL HW_CloseAudioDev() {
  std::lock_guard<std::mutex> guard(g_audioDevLock);
  if (g_hAudioDev == INVALID_HANDLE_VALUE) return FALSE;
  if (!CloseHandle(g_hAudioDev)) {
    wce::DebugPrint("[Lumadec]HW_CloseAudioDev: Close audio device error\r\n");
    return FALSE;
  }
  g_hAudioDev = INVALID_HANDLE_VALUE;
  return TRUE;
}

LUMADEC_API BOOL HW_AudioInfo_GetSourceSpectrums(INT* pi4First, INT* pi4Second) {
  if (pi4First == nullptr || pi4Second == nullptr) return FALSE;
  std::lock_guard<std::mutex> guard(g_audioDevLock);
  if (g_hAudioDev == INVALID_HANDLE_VALUE) {
    wce::DebugPrint("[Lumadec]HW_AudioInfo_GetSourceSpectrums: g_hAudioDev invalid\r\n");
    return FALSE;
  }
  // Zeroed first: the device may answer with fewer bands than asked for.
  INT values[AUDIODEV_SPECTRUM_VALUES] = {};
  DWORD returned = 0;
  if (!DeviceIoControl(g_hAudioDev, IOCTL_AUDIO_GET_SOURCE_SPECTRUMS, nullptr, 0, values, sizeof(values),
                       &returned, nullptr)) {
    wce::DebugPrint("[Lumadec]HW_AudioInfo_GetSourceSpectrums: DeviceIoControl error\r\n");
    return FALSE;
  }
  std::memcpy(pi4First, values, kBandValues * sizeof(INT));
  std::memcpy(pi4Second, values + kBandValues, kBandValues * sizeof(INT));
  return TRUE;
}
