// Module-wide state of ZrSignIcon: one instance per process that loads the library.
//
// A file manager calls the handler from several threads at once, so the switch, the live
// object counter and every reference count are atomics. The switch is read once per
// membership test; a RefreshStatus running meanwhile affects the next test.
#pragma once

#include "win32/base.h"

#include <atomic>

namespace signicon {

// Defined once in exports.cpp (plain definitions, so that unloading the library really
// drops them and a new load starts from the initial values).
// Whether a membership test may report a member at all (set by RefreshStatus).
extern std::atomic<bool> overlay_enabled;
// Living CClassFactory and DigSigIconOverlayIdentifier objects (read by DllCanUnloadNow).
extern std::atomic<LONG> live_objects;
// The library's own module handle, saved when a process attaches.
extern std::atomic<HINSTANCE> module_handle;

}  // namespace signicon
