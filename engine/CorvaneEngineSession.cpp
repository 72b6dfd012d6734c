#include "engine/CorvaneEngineSession.h"

#include "engine/CorvaneWindowMessages.h"

CorvaneEngineSession g_CorvaneEngineSession;

CorvaneEngineSession::CorvaneEngineSession() {
  // The sequencer's events exist from before main, as the head unit's did: the root window may
  // set them before the sequencer runs.
  CreateEngineNamedEvents();
}
