// A small module for the module and resource tests. It counts its entry-point calls so the
// tests can see attach happen once per first load and detach once on the last free.
#include "win32/module.h"

namespace {
int attaches = 0;
int* detach_sink = nullptr;
HINSTANCE instance_from_entry = nullptr;
}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
#ifdef TESTMOD_FAIL_ATTACH
  if (reason == DLL_PROCESS_ATTACH) return FALSE;
#endif
  if (reason == DLL_PROCESS_ATTACH) {
    ++attaches;
    instance_from_entry = instance;
  }
  if (reason == DLL_PROCESS_DETACH && detach_sink != nullptr) ++*detach_sink;
  return TRUE;
}

extern "C" __attribute__((visibility("default"))) int TestModAttachCount() { return attaches; }
extern "C" __attribute__((visibility("default"))) void TestModSetDetachSink(int* sink) { detach_sink = sink; }
extern "C" __attribute__((visibility("default"))) HINSTANCE TestModEntryInstance() { return instance_from_entry; }
// How a module loaded by a plain dlopen learns its own handle.
extern "C" __attribute__((visibility("default"))) HINSTANCE TestModSelf() {
  return Win32ModuleFromAddress(reinterpret_cast<const void*>(&TestModSelf));
}
