// The stand-in vendor layer's state: its live decoders, the record of every call and the calls
// scripted to fail. One per process, reset by tests.
#pragma once

#include "msdkcore/CMsdkDecoder.h"

#include <map>
#include <memory>
#include <string>

namespace msdk {

class CMsdkCore {
 public:
  static CMsdkCore& GetInstance();

  AVD_HANDLE Add(DWORD u4Type, DWORD u4Kind);
  // nullptr for a handle that is not (or no longer) a decoder.
  std::shared_ptr<CMsdkDecoder> Find(AVD_HANDLE hDecoder);
  void Remove(AVD_HANDLE hDecoder);

  // True when the script makes this call of the name fail (and counts it off).
  bool ScriptedToFail(const std::string& name);
  void FailCall(const std::string& name, int count, int after);
  void Record(const MSDK_CALL& call);
  std::vector<MSDK_CALL> Calls();
  bool WaitCalls(const std::string& name, size_t count, DWORD ms);
  void SetAfifoSize(DWORD u4Size);
  void SetRecording(bool fgOn);
  void Reset();

 private:
  CMsdkCore() = default;
  size_t CountLocked(const std::string& name) const;

  std::mutex m_lock;  // guards everything below
  std::condition_variable m_recorded;
  std::map<AVD_HANDLE, std::shared_ptr<CMsdkDecoder>> m_decoders;
  std::vector<MSDK_CALL> m_calls;
  struct Failure {
    int nAfter = 0;  // calls that succeed first
    int nCount = 0;  // then calls that fail; -1 all
  };
  std::map<std::string, Failure> m_failures;
  DWORD m_u4AfifoSize = kMsdkDefaultAfifoSize;
  bool m_fgRecording = true;
};

}  // namespace msdk
