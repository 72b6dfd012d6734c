// Our own additions to the wave output part, with no CE counterpart: the null device's record of
// calls, what its driver thread would report, its open result, and the reset for tests.
#pragma once

#include "platform/audio/audio.h"
#include "platform/kernel/wcetypes.h"

#include <string>
#include <vector>

// ---- our own hooks (no CE counterpart)
namespace wce {
// One call as the null device saw it. a and b: open: device id, flags; prepare, unprepare, write:
// the header's address, cbHdr; set volume: the volume word; message: msg, param1. format: open only.
struct WaveOutCall {
  std::string m_strFunction;  // "waveOutOpen", "waveOutPrepareHeader", ...
  HWAVEOUT m_hWaveOut;
  DWORD_PTR m_nA;
  DWORD_PTR m_nB;
  MMRESULT m_nResult;
  WAVEFORMATEX m_Format;
};
std::vector<WaveOutCall> GetWaveOutCalls();
// The device finished playing every queued header of hwo: WOM_DONE for each, as the driver's
// thread would report it. Returns how many came back.
int FinishWaveOut(HWAVEOUT hwo);
// The result every later waveOutOpen gives (MMSYSERR_NOERROR restores opening).
void SetWaveOutOpenResult(MMRESULT result);
// Tests only: every handle, the call record, the device volume and the output level (to 40) are
// forgotten.
void ResetWaveOut();
}  // namespace wce
