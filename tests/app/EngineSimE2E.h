#pragma once
// The end-to-end fixture with the simulated phone in the test's own process instead of a child
// program: the test acts on the phone (an unplug, a fault, the app's death) at the moment it
// chooses, after what it waited for, instead of at a time fixed before the run.
#include "EngineE2E.h"

#include "CPhoneSim.h"

#include <string>

namespace e2e {

class EngineSimE2E : public EngineE2E {
 protected:
  void TearDown() override {
    // The engine first, so that it does not see the phone go away as one more fault.
    m_engine.Kill();
    m_sim.Stop();
    EngineE2E::TearDown();
  }

  // The phone on a free port with its record in m_state, at Android level 25 (no first helper).
  void StartSim(const phonesim::SPhoneSimOptions& base = {}) {
    phonesim::SPhoneSimOptions options = base;
    options.port = 0;
    options.state_dir = m_state.string();
    std::string error;
    ASSERT_TRUE(m_sim.Start(options, &error)) << error;
    m_sim.Shell().SetProp("ro.build.version.sdk", "25");
    m_port = m_sim.Port();
  }

  phonesim::CPhoneSim m_sim;
};

}  // namespace e2e
