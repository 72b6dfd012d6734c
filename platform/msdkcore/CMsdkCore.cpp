#include "platform/msdkcore/CMsdkCore.h"

#include <chrono>

namespace msdk {

CMsdkCore& CMsdkCore::GetInstance() {
  static CMsdkCore core;
  return core;
}

AVD_HANDLE CMsdkCore::Add(DWORD u4Type, DWORD u4Kind) {
  std::lock_guard<std::mutex> guard(m_Lock);
  auto decoder = std::make_shared<CMsdkDecoder>(u4Type, u4Kind, m_dwAfifoSize);
  AVD_HANDLE hDecoder = decoder.get();
  m_Decoders[hDecoder] = decoder;
  return hDecoder;
}

std::shared_ptr<CMsdkDecoder> CMsdkCore::Find(AVD_HANDLE hDecoder) {
  std::lock_guard<std::mutex> guard(m_Lock);
  auto it = m_Decoders.find(hDecoder);
  return it == m_Decoders.end() ? nullptr : it->second;
}

void CMsdkCore::Remove(AVD_HANDLE hDecoder) {
  std::shared_ptr<CMsdkDecoder> gone;  // its drain thread is joined outside the lock
  std::lock_guard<std::mutex> guard(m_Lock);
  auto it = m_Decoders.find(hDecoder);
  if (it == m_Decoders.end()) return;
  gone = it->second;
  m_Decoders.erase(it);
}

bool CMsdkCore::ScriptedToFail(const char* pszName) {
  std::lock_guard<std::mutex> guard(m_Lock);
  return ScriptedToFailLocked(pszName);
}

bool CMsdkCore::ScriptedToFailLocked(const char* pszName) {
  if (m_Failures.empty()) return false;
  auto it = m_Failures.find(pszName);
  if (it == m_Failures.end() || it->second.m_nCount == 0) return false;
  if (it->second.m_nAfter > 0) {
    --it->second.m_nAfter;
    return false;
  }
  if (it->second.m_nCount > 0) --it->second.m_nCount;
  return true;
}

std::shared_ptr<CMsdkDecoder> CMsdkCore::Admit(const char* pszName, AVD_HANDLE hDecoder) {
  std::lock_guard<std::mutex> guard(m_Lock);
  if (ScriptedToFailLocked(pszName)) return nullptr;
  auto it = m_Decoders.find(hDecoder);
  return it == m_Decoders.end() ? nullptr : it->second;
}

void CMsdkCore::FailCall(const std::string& name, int count, int after) {
  std::lock_guard<std::mutex> guard(m_Lock);
  m_Failures[name] = Failure{after, count};
}

void CMsdkCore::Record(MSDK_CALL&& call) {
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    if (!m_bRecording.load()) return;
    m_Calls.push_back(std::move(call));
  }
  m_Recorded.notify_all();
}

std::vector<MSDK_CALL> CMsdkCore::Calls() {
  std::lock_guard<std::mutex> guard(m_Lock);
  return m_Calls;
}

size_t CMsdkCore::CountLocked(const std::string& name) const {
  size_t n = 0;
  for (const MSDK_CALL& call : m_Calls)
    if (call.strName == name) ++n;
  return n;
}

bool CMsdkCore::WaitCalls(const std::string& name, size_t count, DWORD ms) {
  std::unique_lock<std::mutex> guard(m_Lock);
  return m_Recorded.wait_for(guard, std::chrono::milliseconds(ms),
                             [&] { return CountLocked(name) >= count; });
}

void CMsdkCore::SetAfifoSize(DWORD u4Size) {
  std::lock_guard<std::mutex> guard(m_Lock);
  m_dwAfifoSize = u4Size;
}

void CMsdkCore::SetRecording(bool fgOn) {
  std::lock_guard<std::mutex> guard(m_Lock);
  m_bRecording = fgOn;
}

void CMsdkCore::Reset() {
  std::map<AVD_HANDLE, std::shared_ptr<CMsdkDecoder>> gone;
  std::lock_guard<std::mutex> guard(m_Lock);
  gone.swap(m_Decoders);
  m_Calls.clear();
  m_Failures.clear();
  m_dwAfifoSize = kMsdkDefaultAfifoSize;
  m_bRecording = true;
}

}  // namespace msdk
