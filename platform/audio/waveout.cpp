#include "platform/audio/CWaveOutDevice.h"
#include "platform/audio/audio.h"
#include "platform/audio/AudioHooks.h"

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
  return CWaveOutDevice::GetInstance().Open(phwo, deviceId, format, callback, instance, flags);
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr) {
  return CWaveOutDevice::GetInstance().Prepare(hwo, hdr, cbHdr);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr) {
  return CWaveOutDevice::GetInstance().Unprepare(hwo, hdr, cbHdr);
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr) {
  return CWaveOutDevice::GetInstance().Write(hwo, hdr, cbHdr);
}

MMRESULT waveOutReset(HWAVEOUT hwo) {
  return CWaveOutDevice::GetInstance().Reset(hwo);
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
  return CWaveOutDevice::GetInstance().Close(hwo);
}

MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD volume) {
  return CWaveOutDevice::GetInstance().SetVolume(hwo, volume);
}

MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD volume) {
  return CWaveOutDevice::GetInstance().GetVolume(hwo, volume);
}

MMRESULT waveOutMessage(HWAVEOUT hwo, UINT msg, DWORD_PTR param1, DWORD_PTR param2) {
  return CWaveOutDevice::GetInstance().Message(hwo, msg, param1, param2);
}

namespace wce {
std::vector<WaveOutCall> GetWaveOutCalls() {
  return CWaveOutDevice::GetInstance().Calls();
}
int FinishWaveOut(HWAVEOUT hwo) {
  return CWaveOutDevice::GetInstance().Finish(hwo);
}
void SetWaveOutOpenResult(MMRESULT result) {
  CWaveOutDevice::GetInstance().SetOpenResult(result);
}
void ResetWaveOut() {
  CWaveOutDevice::GetInstance().ResetAll();
}
}  // namespace wce
