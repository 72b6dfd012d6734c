#pragma once
// A phonesim on an ephemeral port with its state in a fresh directory,
// stopped and removed at the end of each test whatever happened.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "phonesim/CPhoneSim.h"
#include "tests/phonesim/CRawAdbHost.h"

namespace phonesim_test {

class PhoneSimFixture : public ::testing::Test {
 public:
  void SetUp() override {
    char templ[] = "/tmp/phonesim-test-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    m_dir = templ;
    m_options.m_strStateDir = m_dir + "/state";
  }
  void TearDown() override {
    m_host.Close();
    m_sim.Stop();
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  void StartSim() {
    std::string error;
    ASSERT_TRUE(m_sim.Start(m_options, &error)) << error;
  }
  // Connects the raw host and completes CNXN with the given maximum.
  void ConnectOnline(uint32_t max_payload = 4096) {
    ASSERT_TRUE(m_host.Connect(m_sim.Port()));
    SRawPacket answer;
    ASSERT_TRUE(m_host.Handshake(max_payload, &answer));
    ASSERT_EQ(answer.cmd, kCNXN);
  }
  // Runs one shell command on host id local and returns its output.
  std::string Shell(uint32_t local, const std::string& command) {
    SRawPacket okay;
    EXPECT_TRUE(m_host.Open(local, "shell:" + command, &okay));
    EXPECT_EQ(okay.cmd, kOKAY);
    std::string out;
    EXPECT_TRUE(m_host.ReadStreamToClose(local, &out));
    return out;
  }
  // Same for a full service text, for callers outside the fixture.
  std::string Shell_(uint32_t local, const std::string& service) {
    return Shell(local, service.substr(service.find(':') + 1));
  }
  std::string PhoneFile(const std::string& phone_path) const { return m_sim.StateDir() + "/fs" + phone_path; }

  std::string m_dir;
  phonesim::SPhoneSimOptions m_options;
  phonesim::CPhoneSim m_sim;
  CRawAdbHost m_host;
};

}  // namespace phonesim_test
