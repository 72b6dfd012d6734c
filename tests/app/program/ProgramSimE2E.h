#pragma once
// The real program against the simulated phone in the test's own process (link phonesim_core).
#include "tests/app/EngineSimE2E.h"
#include "tests/app/program/ProgramE2E.h"

namespace e2e {

class ProgramSimE2E : public SimPhoneE2E<ProgramE2E> {};

}  // namespace e2e
