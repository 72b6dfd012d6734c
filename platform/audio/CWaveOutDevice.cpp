#include "platform/audio/CWaveOutDevice.h"
#include "platform/audio/AudioHooks.h"

#include <cstring>

CWaveOutDevice& CWaveOutDevice::GetInstance() {
  // Never destroyed: outputs may still be closed from static destructors at exit.
  static CWaveOutDevice* device = new CWaveOutDevice();
  return *device;
}

bool CWaveOutDevice::FormatOk(LPCWAVEFORMATEX f) {
  if (f == nullptr || f->wFormatTag != WAVE_FORMAT_PCM) return false;
  if (f->nChannels < 1 || f->nChannels > 2) return false;
  if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return false;
  if (f->nSamplesPerSec == 0) return false;
  if (f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8) return false;
  return f->nAvgBytesPerSec == f->nSamplesPerSec * f->nBlockAlign;
}

void CWaveOutDevice::Record(const char* function, HWAVEOUT hwo, DWORD_PTR a, DWORD_PTR b, MMRESULT result,
                            const WAVEFORMATEX* format) {
  wce::WaveOutCall call;
  call.m_strFunction = function;
  call.m_hWaveOut = hwo;
  call.m_nA = a;
  call.m_nB = b;
  call.m_nResult = result;
  std::memset(&call.m_Format, 0, sizeof(call.m_Format));
  if (format != nullptr) call.m_Format = *format;
  m_Calls.push_back(call);
}

void CWaveOutDevice::Deliver(const std::vector<Notice>& notices) {
  for (const Notice& n : notices) {
    if ((n.m_Output.m_dwFlags & CALLBACK_TYPEMASK) != CALLBACK_FUNCTION || n.m_Output.m_nCallback == 0)
      continue;
    reinterpret_cast<LPWAVECALLBACK>(n.m_Output.m_nCallback)(n.m_hWaveOut, n.m_nMsg, n.m_Output.m_nInstance,
                                                             n.m_nParam1, 0);
  }
}

MMRESULT CWaveOutDevice::Open(LPHWAVEOUT phwo, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                              DWORD_PTR instance, DWORD flags) {
  std::vector<Notice> notices;
  MMRESULT r = MMSYSERR_NOERROR;
  HWAVEOUT hwo = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (phwo == nullptr) {
      r = MMSYSERR_INVALPARAM;
    } else if (deviceId != WAVE_MAPPER && deviceId != 0) {
      r = MMSYSERR_BADDEVICEID;
    } else if (!FormatOk(format)) {
      r = WAVERR_BADFORMAT;
    } else if (m_nOpenResult != MMSYSERR_NOERROR) {
      r = m_nOpenResult;
    } else {
      hwo = reinterpret_cast<HWAVEOUT>(m_nNextHandle);
      m_nNextHandle += 4;
      Output o{*format, callback, instance, flags, m_dwDeviceVolume, {}};
      m_Outputs[hwo] = o;
      *phwo = hwo;
      notices.push_back(Notice{hwo, o, WOM_OPEN, 0});
    }
    Record("waveOutOpen", hwo, deviceId, flags, r, format);
  }
  Deliver(notices);
  return r;
}

MMRESULT CWaveOutDevice::Prepare(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  MMRESULT r = MMSYSERR_NOERROR;
  if (m_Outputs.count(hwo) == 0) {
    r = MMSYSERR_INVALHANDLE;
  } else if (hdr == nullptr || cbHdr < sizeof(WAVEHDR) || hdr->lpData == nullptr) {
    r = MMSYSERR_INVALPARAM;
  } else {
    hdr->dwFlags = (hdr->dwFlags & ~WHDR_DONE) | WHDR_PREPARED;
  }
  Record("waveOutPrepareHeader", hwo, reinterpret_cast<DWORD_PTR>(hdr), cbHdr, r);
  return r;
}

MMRESULT CWaveOutDevice::Unprepare(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  MMRESULT r = MMSYSERR_NOERROR;
  if (m_Outputs.count(hwo) == 0) {
    r = MMSYSERR_INVALHANDLE;
  } else if (hdr == nullptr || cbHdr < sizeof(WAVEHDR)) {
    r = MMSYSERR_INVALPARAM;
  } else if (hdr->dwFlags & WHDR_INQUEUE) {
    r = WAVERR_STILLPLAYING;
  } else {
    hdr->dwFlags &= ~WHDR_PREPARED;
  }
  Record("waveOutUnprepareHeader", hwo, reinterpret_cast<DWORD_PTR>(hdr), cbHdr, r);
  return r;
}

MMRESULT CWaveOutDevice::Write(HWAVEOUT hwo, LPWAVEHDR hdr, UINT cbHdr) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  MMRESULT r = MMSYSERR_NOERROR;
  auto it = m_Outputs.find(hwo);
  if (it == m_Outputs.end()) {
    r = MMSYSERR_INVALHANDLE;
  } else if (hdr == nullptr || cbHdr < sizeof(WAVEHDR)) {
    r = MMSYSERR_INVALPARAM;
  } else if (!(hdr->dwFlags & WHDR_PREPARED)) {
    r = WAVERR_UNPREPARED;
  } else if (hdr->dwFlags & WHDR_INQUEUE) {
    r = WAVERR_STILLPLAYING;
  } else {
    hdr->dwFlags = (hdr->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    it->second.m_Queued.push_back(hdr);
  }
  Record("waveOutWrite", hwo, reinterpret_cast<DWORD_PTR>(hdr), cbHdr, r);
  return r;
}

void CWaveOutDevice::TakeQueued(HWAVEOUT hwo, Output& o, std::vector<Notice>* notices) {
  for (LPWAVEHDR hdr : o.m_Queued) {
    hdr->dwFlags = (hdr->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    notices->push_back(Notice{hwo, o, WOM_DONE, reinterpret_cast<DWORD_PTR>(hdr)});
  }
  o.m_Queued.clear();
}

MMRESULT CWaveOutDevice::Reset(HWAVEOUT hwo) {
  std::vector<Notice> notices;
  MMRESULT r = MMSYSERR_NOERROR;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Outputs.find(hwo);
    if (it == m_Outputs.end()) {
      r = MMSYSERR_INVALHANDLE;
    } else {
      TakeQueued(hwo, it->second, &notices);
    }
    Record("waveOutReset", hwo, 0, 0, r);
  }
  Deliver(notices);
  return r;
}

MMRESULT CWaveOutDevice::Close(HWAVEOUT hwo) {
  std::vector<Notice> notices;
  MMRESULT r = MMSYSERR_NOERROR;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Outputs.find(hwo);
    if (it == m_Outputs.end()) {
      r = MMSYSERR_INVALHANDLE;
    } else if (!it->second.m_Queued.empty()) {
      r = WAVERR_STILLPLAYING;
    } else {
      notices.push_back(Notice{hwo, it->second, WOM_CLOSE, 0});
      m_Outputs.erase(it);
    }
    Record("waveOutClose", hwo, 0, 0, r);
  }
  Deliver(notices);
  return r;
}

MMRESULT CWaveOutDevice::SetVolume(HWAVEOUT hwo, DWORD volume) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  MMRESULT r = MMSYSERR_NOERROR;
  if (hwo == nullptr) {
    m_dwDeviceVolume = volume;
  } else {
    auto it = m_Outputs.find(hwo);
    if (it == m_Outputs.end()) {
      r = MMSYSERR_INVALHANDLE;
    } else {
      it->second.m_dwVolume = volume;
    }
  }
  Record("waveOutSetVolume", hwo, volume, 0, r);
  return r;
}

MMRESULT CWaveOutDevice::GetVolume(HWAVEOUT hwo, LPDWORD volume) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  MMRESULT r = MMSYSERR_NOERROR;
  if (volume == nullptr) {
    r = MMSYSERR_INVALPARAM;
  } else if (hwo == nullptr) {
    *volume = m_dwDeviceVolume;
  } else {
    auto it = m_Outputs.find(hwo);
    if (it == m_Outputs.end()) {
      r = MMSYSERR_INVALHANDLE;
    } else {
      *volume = it->second.m_dwVolume;
    }
  }
  Record("waveOutGetVolume", hwo, 0, 0, r);
  return r;
}

MMRESULT CWaveOutDevice::Message(HWAVEOUT hwo, UINT msg, DWORD_PTR param1, DWORD_PTR) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  MMRESULT r;
  if (msg == WODM_GET_OUTPUT_LEVEL) {
    r = m_dwLevel;
  } else if (msg == WODM_SET_OUTPUT_LEVEL) {
    m_dwLevel = static_cast<DWORD>(param1);
    r = MMSYSERR_NOERROR;
  } else {
    r = MMSYSERR_NOTSUPPORTED;
  }
  Record("waveOutMessage", hwo, msg, param1, r);
  return r;
}

std::vector<wce::WaveOutCall> CWaveOutDevice::Calls() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Calls;
}

int CWaveOutDevice::Finish(HWAVEOUT hwo) {
  std::vector<Notice> notices;
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Outputs.find(hwo);
    if (it != m_Outputs.end()) TakeQueued(hwo, it->second, &notices);
  }
  Deliver(notices);
  return static_cast<int>(notices.size());
}

void CWaveOutDevice::SetOpenResult(MMRESULT result) {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_nOpenResult = result;
}

void CWaveOutDevice::ResetAll() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Outputs.clear();
  m_Calls.clear();
  m_dwDeviceVolume = 0xFFFFFFFFu;
  m_dwLevel = 40;
  m_nOpenResult = MMSYSERR_NOERROR;
}
