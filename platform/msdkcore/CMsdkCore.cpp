#include "platform/msdkcore/CMsdkCore.h"

#include <chrono>

namespace msdk {

CMsdkCore& CMsdkCore::GetInstance() {
  static CMsdkCore core;
  return core;
}

AVD_HANDLE CMsdkCore::Add(DWORD u4Type, DWORD u4Kind) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto decoder = std::make_shared<CMsdkDecoder>(u4Type, u4Kind, m_u4AfifoSize);
  AVD_HANDLE hDecoder = decoder.get();
  m_decoders[hDecoder] = decoder;
  return hDecoder;
}

std::shared_ptr<CMsdkDecoder> CMsdkCore::Find(AVD_HANDLE hDecoder) {
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_decoders.find(hDecoder);
  return it == m_decoders.end() ? nullptr : it->second;
}

void CMsdkCore::Remove(AVD_HANDLE hDecoder) {
  std::shared_ptr<CMsdkDecoder> gone;  // its drain thread is joined outside the lock
  std::lock_guard<std::mutex> guard(m_lock);
  auto it = m_decoders.find(hDecoder);
  if (it == m_decoders.end()) return;
  gone = it->second;
  m_decoders.erase(it);
}

bool CMsdkCore::ScriptedToFail(const char* pszName) {
  std::lock_guard<std::mutex> guard(m_lock);
  return ScriptedToFailLocked(pszName);
}

bool CMsdkCore::ScriptedToFailLocked(const char* pszName) {
  if (m_failures.empty()) return false;
  auto it = m_failures.find(pszName);
  if (it == m_failures.end() || it->second.nCount == 0) return false;
  if (it->second.nAfter > 0) {
    --it->second.nAfter;
    return false;
  }
  if (it->second.nCount > 0) --it->second.nCount;
  return true;
}

std::shared_ptr<CMsdkDecoder> CMsdkCore::Admit(const char* pszName, AVD_HANDLE hDecoder) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (ScriptedToFailLocked(pszName)) return nullptr;
  auto it = m_decoders.find(hDecoder);
  return it == m_decoders.end() ? nullptr : it->second;
}

void CMsdkCore::FailCall(const std::string& name, int count, int after) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_failures[name] = Failure{after, count};
}

void CMsdkCore::Record(MSDK_CALL&& call) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_fgRecording.load()) return;
    m_calls.push_back(std::move(call));
  }
  m_recorded.notify_all();
}

std::vector<MSDK_CALL> CMsdkCore::Calls() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_calls;
}

size_t CMsdkCore::CountLocked(const std::string& name) const {
  size_t n = 0;
  for (const MSDK_CALL& call : m_calls)
    if (call.strName == name) ++n;
  return n;
}

bool CMsdkCore::WaitCalls(const std::string& name, size_t count, DWORD ms) {
  std::unique_lock<std::mutex> guard(m_lock);
  return m_recorded.wait_for(guard, std::chrono::milliseconds(ms),
                             [&] { return CountLocked(name) >= count; });
}

void CMsdkCore::SetAfifoSize(DWORD u4Size) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_u4AfifoSize = u4Size;
}

void CMsdkCore::SetRecording(bool fgOn) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_fgRecording = fgOn;
}

void CMsdkCore::Reset() {
  std::map<AVD_HANDLE, std::shared_ptr<CMsdkDecoder>> gone;
  std::lock_guard<std::mutex> guard(m_lock);
  gone.swap(m_decoders);
  m_calls.clear();
  m_failures.clear();
  m_u4AfifoSize = kMsdkDefaultAfifoSize;
  m_fgRecording = true;
}

}  // namespace msdk
