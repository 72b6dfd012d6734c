// A fresh device root per test: the program lives in "\SDMMC\CECorvane", debug output is captured,
// and the registry, random source and configuration record start from their defaults.
#pragma once

#include "platform/kernel/crypt.h"
#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "platform/registry/registry.h"
#include "platform/registry/RegistryHooks.h"
#include "services/CorvaneConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

class ServicesTestRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "services-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_strRoot = tmpl;
    wce::SetRootDir(m_strRoot);
    wce::SetModuleFileName(u"\\SDMMC\\CECorvane\\CECorvane.exe");
    std::filesystem::create_directories(wce::HostPath(u"\\SDMMC\\CECorvane"));
    wce::ResetRegistry();
    wce::SetRandomSource(nullptr);
    ResetCorvaneConfig();
    wce::SetDebugSink([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(m_LogMutex);
      m_Log.push_back(line);
    });
  }
  void TearDown() override {
    wce::SetDebugSink(nullptr);
    wce::SetRandomSource(nullptr);
    wce::ResetRegistry();
    ResetCorvaneConfig();
    std::filesystem::remove_all(m_strRoot);
  }

  static std::string Bytes(const std::u16string& cePath) {
    std::ifstream in(wce::HostPath(cePath), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static bool Exists(const std::u16string& cePath) { return std::filesystem::exists(wce::HostPath(cePath)); }
  static void Put(const std::u16string& cePath, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(wce::HostPath(cePath)).parent_path());
    std::ofstream(wce::HostPath(cePath), std::ios::binary) << bytes;
  }
  // UTF-16LE bytes of a text (how a test writes a UTF-16 file).
  static std::string Utf16Le(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
      out.push_back(static_cast<char>(c & 0xFF));
      out.push_back(static_cast<char>(c >> 8));
    }
    return out;
  }
  std::vector<std::string> Log() {
    std::lock_guard<std::mutex> lock(m_LogMutex);
    return m_Log;
  }

  std::string m_strRoot;
  std::mutex m_LogMutex;
  std::vector<std::string> m_Log;
};
