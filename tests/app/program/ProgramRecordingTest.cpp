// The phone's microphone recording across a USB out: the program keeps only whether the phone
// records (the phone's record start and stop commands), and when the cable goes while it does, it
// tells itself that the recording stopped, once.
#include "tests/app/program/ProgramSimE2E.h"

#include <string>
#include <vector>

namespace {

using e2e::kReplyMs;
using e2e::ProgramSimE2E;

const char kRecordStops[] = "msg NMSG_RECORD 0 2";
const char kUsbIn[] = "msg WMMSG_CORVANE_USB_OUT 0 1";
const char kUsbOut[] = "msg WMMSG_CORVANE_USB_OUT 0 0";

struct SRecording {
  const char* m_pszName;
  std::vector<std::string> m_Phone;  // what the phone's app sends before the cable goes
  bool m_bStopOnUsbOut;              // the USB out posts the recording's stop
};

class ProgramRecording : public ProgramSimE2E, public ::testing::WithParamInterface<SRecording> {
 protected:
  // The phone sends a command and the program has taken it.
  void PhoneSends(const std::string& injection) {
    const std::string line = injection == "record-start" ? "msg NMSG_RECORD 0 1" : kRecordStops;
    const size_t before = Count(line);
    std::string error;
    ASSERT_TRUE(m_Sim.App().Inject(injection, &error)) << error;
    ASSERT_TRUE(ReadUntilCount(line, before + 1, kReplyMs)) << injection;
  }

  // Pulls the cable and waits until the program's window took the USB out and whatever it posted
  // to itself for it. A message is written as the window starts on it: the first ping may be
  // posted before the USB out's own posts, but it is taken only after the USB out is done, so the
  // second one comes after them.
  void Unplug() {
    const size_t outs = Count(kUsbOut);
    m_Sim.Unplug();
    ASSERT_TRUE(ReadUntilCount(kUsbOut, outs + 1, kReplyMs));
    ASSERT_TRUE(Ping());
    ASSERT_TRUE(Ping());
  }
};

TEST_P(ProgramRecording, UsbOutStopsOnlyARunningRecordingAndOnce) {
  const SRecording& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartSim());
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_TRUE(ReadUntil("msg NMSG_CORVANE_GET_VIDEO_DATA 0 0", 30000));
  for (const std::string& injection : c.m_Phone) ASSERT_NO_FATAL_FAILURE(PhoneSends(injection));
  const size_t stopsBefore = Count(kRecordStops);

  ASSERT_NO_FATAL_FAILURE(Unplug());
  size_t outAt = 0;
  for (size_t i = 0; i < m_Lines.size(); ++i) {
    if (m_Lines[i] == kUsbOut) outAt = i;
  }
  size_t stopsAfterOut = 0;
  for (size_t i = outAt; i < m_Lines.size(); ++i) stopsAfterOut += m_Lines[i] == kRecordStops ? 1 : 0;
  EXPECT_EQ(stopsAfterOut, c.m_bStopOnUsbOut ? 1u : 0u);
  EXPECT_EQ(Count(kRecordStops), stopsBefore + (c.m_bStopOnUsbOut ? 1u : 0u));

  // The stop cleared the recording: the next USB out, after a re-plug, posts nothing.
  ASSERT_TRUE(ReadUntilCount(kUsbIn, 2, 30000));
  const size_t stops = Count(kRecordStops);
  ASSERT_NO_FATAL_FAILURE(Unplug());
  EXPECT_EQ(Count(kRecordStops), stops);
  EXPECT_EQ(Quit(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Phone, ProgramRecording,
    ::testing::Values(SRecording{"Recording", {"record-start"}, true},
                      SRecording{"StoppedBeforeTheUnplug", {"record-start", "record-stop"}, false},
                      SRecording{"NeverRecording", {}, false}),
    [](const ::testing::TestParamInfo<SRecording>& i) { return std::string(i.param.m_pszName); });

}  // namespace
