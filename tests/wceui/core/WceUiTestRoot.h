// A fresh device root per test: the program lives in "\SDMMC\CECorvane", the debug output is
// captured line by line, the tick is the test's own (manual), and the framework's globals start as new.
#pragma once

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "wceui/resfiles/CFhGlobals.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

class WceUiTestRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "wceui-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_strRoot = tmpl;
    wce::SetRootDir(m_strRoot);
    wce::SetModuleFileName(u"\\SDMMC\\CECorvane\\CECorvane.exe");
    std::filesystem::create_directories(wce::HostPath(u"\\SDMMC\\CECorvane"));
    wce::SetManualTick(1000);
    wce::SetDebugSink([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(m_LogMutex);
      m_Log.push_back(line);
    });
    WceUiGetGlobals()->Reset();
  }
  void TearDown() override {
    WceUiGetGlobals()->Reset();
    wce::SetDebugSink(nullptr);
    wce::SetTickSource(nullptr);
    wce::ResetFileSystemView();
    std::filesystem::remove_all(m_strRoot);
  }

  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(m_LogMutex);
    return m_Log;
  }
  void ClearLog() {
    std::lock_guard<std::mutex> lock(m_LogMutex);
    m_Log.clear();
  }
  // The logged lines without their stamp ("hh:mm:ss yyyy-mm-dd  " is 21 characters).
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const std::string& line : Log()) out.push_back(line.size() >= 21 ? line.substr(21) : line);
    return out;
  }
  static std::string Bytes(const std::u16string& cePath) {
    std::ifstream in(wce::HostPath(cePath), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static bool IsDir(const std::u16string& cePath) {
    return std::filesystem::is_directory(wce::HostPath(cePath));
  }

  std::string m_strRoot;
  std::mutex m_LogMutex;
  std::vector<std::string> m_Log;
};
