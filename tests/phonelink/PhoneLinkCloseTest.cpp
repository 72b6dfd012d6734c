// Corvane_Adb_Close from every state of the link: it returns quickly, leaves no thread behind,
// and callers blocked in the link come back.
#include "tests/phonelink/PhoneLinkE2E.h"

#include <future>

namespace linktest {
namespace {

constexpr auto kCloseGrace = std::chrono::milliseconds(1200);
constexpr auto kLoadSlack = std::chrono::seconds(3);

struct CloseCase {
  const char* m_pszName;
  std::function<void(PhoneLinkE2E*)> m_fnEnter;  // brings the link into the state
  std::function<int()> m_fnBlocked;              // a caller left waiting in the link, or none
};

class PhoneLinkClose : public PhoneLinkE2E {
 public:
  void Phone(const phonesim::SPhoneSimOptions& options = {}) { StartPhone(options); }
  void Link() { StartLink(); }
  phonesim::CPhoneSim& Sim() { return m_Sim; }
};

TEST_F(PhoneLinkClose, ReturnsAfterTheReadersGraceFromEveryState) {
  EXPECT_EQ(Corvane_Adb_Close(), -3) << "never initialised";
  const CloseCase cases[] = {
      {"no phone", [](PhoneLinkE2E*) { Sleep(1100); }, nullptr},
      {"connected with channels",
       [](PhoneLinkE2E* t) {
         static_cast<PhoneLinkClose*>(t)->Link();
         Corvane_Adb_TcpConnect();
       },
       nullptr},
      {"reading a channel",
       [](PhoneLinkE2E* t) {
         static_cast<PhoneLinkClose*>(t)->Link();
         Corvane_Adb_TcpConnect();
       },
       [] {
         static uint8_t b[64];
         return Corvane_Adb_TcpRead_Video(b, 64);
       }},
      {"waiting for getprop",
       [](PhoneLinkE2E* t) {
         auto* c = static_cast<PhoneLinkClose*>(t);
         c->Link();
         phonesim::SShellRule silent;
         silent.m_strPattern = "getprop*";
         silent.m_bSilent = true;
         c->Sim().Shell().SetRule(silent);
       },
       [] { return Corvane_Adb_StartVtsc(); }},
      {"waiting for the app start",
       [](PhoneLinkE2E* t) {
         auto* c = static_cast<PhoneLinkClose*>(t);
         c->Link();
         phonesim::SShellRule silent;
         silent.m_strPattern = "am*";
         silent.m_bSilent = true;
         c->Sim().Shell().SetRule(silent);
       },
       [] { return Corvane_Adb_StartPhoneApp(); }},
      {"phone gone, monitor probing",
       [](PhoneLinkE2E* t) {
         auto* c = static_cast<PhoneLinkClose*>(t);
         c->Link();
         c->Sim().AddFault("replug-delay=5000");
         c->Sim().Unplug();
         Sleep(1200);
       },
       nullptr},
  };
  bool phoneStarted = false;
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.m_pszName);
    if (std::string(c.m_pszName) != "no phone" && !phoneStarted) {
      StartPhone();
      phoneStarted = true;
    }
    ASSERT_EQ(Corvane_Adb_Init(), 0);
    c.m_fnEnter(this);
    std::future<int> caller;
    if (c.m_fnBlocked) {
      caller = std::async(std::launch::async, c.m_fnBlocked);
      EXPECT_EQ(caller.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout) << "it blocks";
    }
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(Corvane_Adb_Close(), 0);
    // The USB reader's 1200 ms grace, and room for a loaded machine: a Close that waited for a
    // blocked caller or a phone's answer would take far longer.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, kCloseGrace + kLoadSlack);
    EXPECT_FALSE(UsbThreadsRunning());
    if (c.m_fnBlocked) {
      ASSERT_EQ(caller.wait_for(std::chrono::seconds(2)), std::future_status::ready)
          << "the caller comes back";
      EXPECT_LT(caller.get(), 1);
    }
    m_Sim.ClearFaults();
    m_Sim.Shell().ClearRules();
  }
}

}  // namespace
}  // namespace linktest
