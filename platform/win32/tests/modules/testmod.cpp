// A small module for the module and resource tests. It counts its entry-point calls so the
// tests can see attach happen once per first load and detach once on the last free.
#include "win32/module.h"

namespace {
int attaches = 0;
int* detach_sink = nullptr;
HINSTANCE instance_from_entry = nullptr;
}  // namespace

#ifdef TESTMOD_PIN_SELF
// Like the configuration module: the entry point is named DllInitialize and, on attach, loads
// the module once more by its own path so that it stays loaded for the life of the process.
#define TESTMOD_ENTRY DllInitialize
#else
#define TESTMOD_ENTRY DllMain
#endif

extern "C" __attribute__((visibility("default"))) BOOL TESTMOD_ENTRY(HINSTANCE instance, DWORD reason, LPVOID) {
#ifdef TESTMOD_FAIL_ATTACH
  if (reason == DLL_PROCESS_ATTACH) return FALSE;
#endif
#ifdef TESTMOD_PIN_SELF
  if (reason == DLL_PROCESS_ATTACH) {
    WCHAR path[MAX_PATH];
    if (GetModuleFileNameW(instance, path, MAX_PATH) == 0 || LoadLibraryW(path) != instance) return FALSE;
  }
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
