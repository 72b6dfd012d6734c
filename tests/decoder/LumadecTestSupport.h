// What the decoder library's tests share: the recording vendor layer reset for every test, the
// finished buffers the callback reports, and a root with the audio device's driver in "\Windows".
#pragma once

#include "decoder/lumadec.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/msdkcore/msdkrecord.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace lumadectest {

// Long beside anything a test waits for; reached only when the library hangs.
const DWORD kGiveUpMs = 10000;
const auto kGiveUp = std::chrono::milliseconds(kGiveUpMs);

// One root per test process, with the audio device's driver and the library itself in
// "\Windows" (the library as a link to the one the tests link: a load finds that same one).
inline std::string MakeRoot() {
  static std::string root;
  if (root.empty()) {
    std::string tmpl = std::filesystem::temp_directory_path().string() + "/lumadectest-XXXXXX";
    if (!mkdtemp(tmpl.data())) return "";
    root = tmpl;
    std::filesystem::create_directories(root + "/Windows");
    std::filesystem::copy_file(AUDIODEV_PATH, root + "/Windows/audiodev.dll",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::create_symlink(LUMADEC_PATH, root + "/Windows/lumadec.dll");
    wce::SetRootDir(root);
  }
  return root;
}

inline std::vector<BYTE> Pattern(size_t n, int seed) {
  std::vector<BYTE> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(i * 7 + seed * 31 + i / 251);
  return v;
}

// The handle of the decoder the library created last.
inline AVD_HANDLE LastDecoder() {
  const auto calls = msdk::MsdkCallsOf("AVDecoder_CreateInstance");
  return calls.empty() ? nullptr : calls.back().hDecoder;
}

inline size_t CountOf(const std::string& name) {
  return msdk::MsdkCallsOf(name).size();
}

// The buffers the feeder reported finished, with the user value and message of each report.
class CDoneBuffers {
 public:
  struct Done {
    DWORD_PTR m_dwUser;
    UINT m_nMsg;
    ADEC_BUFFER* m_pBuf;
  };

  static void Callback(DWORD_PTR u4User, UINT u4Msg, ADEC_BUFFER* prBuf, DWORD, DWORD) {
    CDoneBuffers& self = GetInstance();
    {
      std::lock_guard<std::mutex> guard(self.m_Lock);
      self.m_Done.push_back({u4User, u4Msg, prBuf});
    }
    self.m_Added.notify_all();
  }
  static CDoneBuffers& GetInstance() {
    static CDoneBuffers done;
    return done;
  }
  void Reset() {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Done.clear();
  }
  // The reports for one user value once there are `count` of them (fewer after the give-up time).
  std::vector<Done> WaitFor(DWORD_PTR u4User, size_t count) {
    std::unique_lock<std::mutex> guard(m_Lock);
    m_Added.wait_for(guard, kGiveUp, [&] { return OfLocked(u4User).size() >= count; });
    return OfLocked(u4User);
  }
  std::vector<Done> Of(DWORD_PTR u4User) {
    std::lock_guard<std::mutex> guard(m_Lock);
    return OfLocked(u4User);
  }

 private:
  std::vector<Done> OfLocked(DWORD_PTR u4User) const {
    std::vector<Done> v;
    for (const Done& d : m_Done)
      if (d.m_dwUser == u4User) v.push_back(d);
    return v;
  }
  std::mutex m_Lock;
  std::condition_variable m_Added;
  std::vector<Done> m_Done;
};

// The debug output's lines while it lives.
class CDebugLines {
 public:
  CDebugLines() {
    wce::SetDebugSink([this](const std::string& line) {
      std::lock_guard<std::mutex> guard(m_Lock);
      m_Lines.push_back(line);
    });
  }
  ~CDebugLines() { wce::SetDebugSink(nullptr); }
  bool Has(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_Lock);
    for (const std::string& l : m_Lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

 private:
  std::mutex m_Lock;
  std::vector<std::string> m_Lines;
};

class LumadecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    msdk::MsdkReset();
    CDoneBuffers::GetInstance().Reset();
  }
  void TearDown() override { msdk::MsdkReset(); }
};

}  // namespace lumadectest
