// Our own additions to the audio device "ADE1:", with no CE counterpart: what tests set in place of
// the audio processor's measurements (the processor fills the answer on the target).
#pragma once

#include "platform/audio/audiodev.h"
#include "platform/kernel/wcetypes.h"

// ---- hooks for tests (our own; the processor fills the answer on the target)
// The next answers carry these values (at most 32; fewer leave the rest of the caller's buffer
// as it was, as a processor that has not measured every band yet does). failed: the call fails.
typedef void (*PFN_ADE_SET_SPECTRUMS)(const INT* values, DWORD count, BOOL failed);
AUDIODEV_EXPORT void ADE_SetSourceSpectrums(const INT* values, DWORD count, BOOL failed);
// How many opens are open now.
typedef DWORD (*PFN_ADE_OPEN_COUNT)();
AUDIODEV_EXPORT DWORD ADE_OpenCount();
