// The library's exports: the entry point called on load, the class object, the unload query
// and the switch refresh. Nothing else is visible outside the library.
#include "class_factory.h"
#include "module_state.h"
#include "signicon/overlay.h"

#include "win32/module.h"
#include "win32/registry.h"
#include "win32/shlwapi.h"

#include <new>

#define SIGNICON_EXPORT extern "C" __attribute__((visibility("default")))

namespace signicon {
std::atomic<bool> overlay_enabled{true};
std::atomic<LONG> live_objects{0};
std::atomic<HINSTANCE> module_handle{nullptr};
}  // namespace signicon

using namespace signicon;

// Re-reads the per-user switch. The key is opened for reading and created when missing; a
// missing value, a value of another type than REG_DWORD or any registry failure leaves the
// switch as it was. Returns the switch, 1 or 0.
SIGNICON_EXPORT LONG RefreshStatus() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSignIconSettingsKey, 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (SHRegGetValueW(key, nullptr, kIconOverlayEnabledValue, SRRF_RT_ANY, &type, &value,
                       &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
      overlay_enabled.store((value & 1) != 0);
    RegCloseKey(key);
  }
  return overlay_enabled.load() ? 1 : 0;
}

SIGNICON_EXPORT BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    RefreshStatus();
    module_handle.store(instance);
  }
  return TRUE;
}

SIGNICON_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_DigSigIconOverlayIdentifier) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) CClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(riid, object);
  factory->Release();
  return hr;
}

SIGNICON_EXPORT HRESULT DllCanUnloadNow() { return live_objects.load() == 0 ? S_OK : S_FALSE; }
