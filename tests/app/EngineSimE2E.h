#pragma once
// The end-to-end fixture with the simulated phone in the test's own process instead of a child
// program: the test acts on the phone (an unplug, a fault, the app's death) at the moment it
// chooses, after what it waited for, instead of at a time fixed before the run. It goes over
// either program's fixture: the engine's, or the real program's.
#include "tests/app/EngineE2E.h"

#include "phonesim/CPhoneSim.h"

#include <string>

namespace e2e {

template <class Fixture>
class SimPhoneE2E : public Fixture {
 protected:
  void TearDown() override {
    // The program first, so that it does not see the phone go away as one more fault.
    this->m_Engine.Kill();
    m_Sim.Stop();
    Fixture::TearDown();
  }

  // The phone on a free port with its record in m_state, at Android level 25 (no first helper).
  void StartSim(const phonesim::SPhoneSimOptions& base = {}) {
    phonesim::SPhoneSimOptions options = base;
    options.m_nPort = 0;
    options.m_strStateDir = this->m_State.string();
    std::string error;
    ASSERT_TRUE(m_Sim.Start(options, &error)) << error;
    m_Sim.Shell().SetProp("ro.build.version.sdk", "25");
    this->m_nPort = m_Sim.Port();
  }

  phonesim::CPhoneSim m_Sim;
};

class EngineSimE2E : public SimPhoneE2E<EngineE2E> {};

}  // namespace e2e
