// The program's end told to the link before its close: a caller held in one of the link's long
// calls by a phone that never answers comes back at once with a failure, later calls fail without
// asking the phone, the channels' close still goes out, and a new link starts open again.
#include "tests/phonelink/PhoneLinkE2E.h"

#include <future>

namespace linktest {
namespace {

// The wake is an event: room for a loaded machine, and still far below any of the link's own
// waits that a caller would otherwise sit out (the app start's 3.5 s, getprop's 4 s, the
// channels' ten passes).
constexpr auto kWakeBound = std::chrono::milliseconds(1500);

struct HeldCase {
  const char* m_pszName;
  const char* m_pszSilentService;  // the phone never answers OPENs of this service
  const char* m_pszHeldOpen;       // the host's OPEN that proves the caller is inside its wait
  std::function<int()> m_fnCall;
};

class PhoneLinkBeginClose : public PhoneLinkE2E {};

TEST_F(PhoneLinkBeginClose, EndsEveryLongCallAtOnce) {
  const HeldCase cases[] = {
      {"opening the channels", "tcp:", "tcp:7240",
       [] {
         Corvane_Adb_TcpConnect();
         int open = 0;
         for (int i = 0; i < kAdbChannelCount; ++i) open += Corvane_Adb_IsChannelConnected(i);
         return open;
       }},
      {"waiting for the app start", "shell:am", kAppStart, [] { return Corvane_Adb_StartPhoneApp(); }},
      {"waiting for getprop", "shell:getprop", "shell:getprop ro.build.version.release\n",
       [] { return Corvane_Adb_StartVtsc(); }},
  };
  StartPhone();
  for (const HeldCase& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    ASSERT_TRUE(m_Sim.AddFault(std::string("silent=") + c.m_pszSilentService));
    StartLink();
    const size_t from = PacketCount();
    std::future<int> caller = std::async(std::launch::async, c.m_fnCall);
    ASSERT_TRUE(WaitUntil(
        [&] {
          for (const std::string& open : Opens(from)) {
            if (open == c.m_pszHeldOpen) return true;
          }
          return false;
        },
        5000))
        << "the caller asked the phone";
    ASSERT_EQ(caller.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout) << "it is held";

    const auto t0 = std::chrono::steady_clock::now();
    Corvane_Adb_BeginClose();
    ASSERT_EQ(caller.wait_for(kWakeBound), std::future_status::ready) << "the caller comes back";
    EXPECT_LT(std::chrono::steady_clock::now() - t0, kWakeBound);
    EXPECT_LT(caller.get(), 1);

    // Later calls answer as if the phone were unplugged and ask it nothing.
    const size_t opens = FromHost(kOpen).size();
    EXPECT_EQ(Corvane_Adb_StartPhoneApp(), kAdbNoAnswer);
    EXPECT_EQ(Corvane_Adb_StartVtsc(), kAdbNoAnswer);
    Corvane_Adb_TcpConnect();
    EXPECT_EQ(FromHost(kOpen).size(), opens);

    // The channels' close is the shutdown's own step: it still reaches the phone.
    const size_t closes = FromHost(kClse).size();
    Corvane_Adb_TcpDisconnect(kAdbAllChannels);
    EXPECT_TRUE(WaitUntil([&] { return FromHost(kClse).size() >= closes + kAdbChannelCount; }, 3000));

    EXPECT_EQ(Corvane_Adb_Close(), 0);
    EXPECT_FALSE(UsbThreadsRunning());
    m_Sim.ClearFaults();
  }
}

}  // namespace
}  // namespace linktest
