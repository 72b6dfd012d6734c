// The stand-in vendor layer's state: its live decoders, the record of every call and the calls
// scripted to fail. One per process, reset by tests.
#pragma once

#include "platform/msdkcore/CMsdkDecoder.h"

#include <atomic>
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
  bool ScriptedToFail(const char* pszName);
  // The decoder a call of the name acts on; nullptr when the script makes the call fail or the
  // handle is no decoder. One look under the lock, since every call asks it.
  std::shared_ptr<CMsdkDecoder> Admit(const char* pszName, AVD_HANDLE hDecoder);
  void FailCall(const std::string& name, int count, int after);
  // Whether calls are kept: a call builds its record only then.
  bool Recording() const { return m_bRecording.load(std::memory_order_relaxed); }
  void Record(MSDK_CALL&& call);
  std::vector<MSDK_CALL> Calls();
  bool WaitCalls(const std::string& name, size_t count, DWORD ms);
  void SetAfifoSize(DWORD u4Size);
  void SetRecording(bool fgOn);
  void Reset();

 private:
  CMsdkCore() = default;
  size_t CountLocked(const std::string& name) const;
  bool ScriptedToFailLocked(const char* pszName);

  std::mutex m_Lock;  // guards everything below
  std::condition_variable m_Recorded;
  std::map<AVD_HANDLE, std::shared_ptr<CMsdkDecoder>> m_Decoders;
  std::vector<MSDK_CALL> m_Calls;
  struct Failure {
    int m_nAfter = 0;  // calls that succeed first
    int m_nCount = 0;  // then calls that fail; -1 all
  };
  std::map<std::string, Failure, std::less<>> m_Failures;  // looked up by the call's literal name
  DWORD m_dwAfifoSize = kMsdkDefaultAfifoSize;
  // Written under m_Lock; read without it when a call begins, to skip building a record.
  std::atomic<bool> m_bRecording{true};
};

}  // namespace msdk
