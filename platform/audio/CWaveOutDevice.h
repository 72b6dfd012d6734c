// The null wave-output device behind the waveOut functions: open outputs, their prepared and queued
// headers, the volumes, the output level and the record of every call. Callbacks run on the
// caller's thread after the device lock is released, so a callback may call back into the API.
#pragma once

#include "platform/audio/audio.h"
#include "platform/audio/AudioHooks.h"

#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <vector>

class CWaveOutDevice {
 public:
  static CWaveOutDevice& GetInstance();

  MMRESULT Open(LPHWAVEOUT phwo, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                DWORD_PTR instance, DWORD flags);
  MMRESULT Prepare(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr);
  MMRESULT Unprepare(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr);
  MMRESULT Write(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr);
  MMRESULT Reset(HWAVEOUT hwo);
  MMRESULT Close(HWAVEOUT hwo);
  MMRESULT SetVolume(HWAVEOUT hwo, DWORD volume);
  MMRESULT GetVolume(HWAVEOUT hwo, LPDWORD volume);
  MMRESULT Message(HWAVEOUT hwo, UINT msg, DWORD_PTR param1, DWORD_PTR param2);

  std::vector<wce::WaveOutCall> Calls();
  int Finish(HWAVEOUT hwo);
  void SetOpenResult(MMRESULT result);
  void ResetAll();

 private:
  struct Output {
    WAVEFORMATEX m_Format;
    DWORD_PTR m_nCallback;
    DWORD_PTR m_nInstance;
    DWORD m_dwFlags;
    DWORD m_dwVolume;
    std::deque<LPWAVEHDR> m_Queued;
  };
  struct Notice {
    HWAVEOUT m_hWaveOut;
    Output m_Output;  // callback, instance and flags at the moment of the notice
    UINT m_nMsg;
    DWORD_PTR m_nParam1;
  };

  CWaveOutDevice() = default;
  static bool FormatOk(LPCWAVEFORMATEX format);
  void Record(const char* function, HWAVEOUT hwo, DWORD_PTR a, DWORD_PTR b, MMRESULT result,
              const WAVEFORMATEX* format = nullptr);
  // Returns the queued headers of o as done notices (lock held).
  void TakeQueued(HWAVEOUT hwo, Output& o, std::vector<Notice>* notices);
  static void Deliver(const std::vector<Notice>& notices);

  std::mutex m_Mutex;
  std::map<HWAVEOUT, Output> m_Outputs;
  uintptr_t m_nNextHandle = 0x5000;
  DWORD m_dwDeviceVolume = 0xFFFFFFFFu;
  DWORD m_dwLevel = 40;
  MMRESULT m_nOpenResult = MMSYSERR_NOERROR;
  std::vector<wce::WaveOutCall> m_Calls;
};
