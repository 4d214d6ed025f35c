// Object creation for in-process servers.
//
// A class is found in the registry (HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, default
// value: the server's path or module name). The server library is loaded once and kept in a
// process-wide table, as COM keeps it; CoFreeUnusedLibraries unloads the servers whose
// DllCanUnloadNow says S_OK. The class-to-server answer is remembered while the server stays
// loaded: a shell extension creates the same classes for every file it is asked about, and a
// registry lookup (file lock and identity check of the store) costs tens of microseconds,
// several times more than the creation itself. A changed registration therefore takes effect
// once the old server has been unloaded.
//
// A table entry counts the creations running through it ("busy"). While a creation runs the
// server may not yet count the object it is making, so CoFreeUnusedLibraries skips busy
// entries; once the creation returns, the living object keeps DllCanUnloadNow at S_FALSE.
// No lock is held while server code runs (entry points, DllGetClassObject, factories), so a
// server may itself create objects.
#include "win32/com.h"

#include "win32/error.h"
#include "win32/module.h"
#include "win32/registry.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

thread_local int init_count = 0;
thread_local DWORD init_model = 0;

struct Server {
  LPFNGETCLASSOBJECT get_class_object = nullptr;
  LPFNCANUNLOADNOW can_unload_now = nullptr;
  int busy = 0;
};

std::mutex servers_lock;
std::map<HMODULE, Server> servers;
std::map<std::u16string, HMODULE> server_by_name;  // registered text -> loaded module

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};
std::map<GUID, HMODULE, GuidLess> server_by_class;  // class -> loaded module

// The loaded server of a class seen before, marked busy; false when the class is not cached.
bool acquire_cached(REFCLSID clsid, HMODULE& module, LPFNGETCLASSOBJECT& get) {
  std::lock_guard guard(servers_lock);
  auto it = server_by_class.find(clsid);
  if (it == server_by_class.end()) return false;
  Server& s = servers[it->second];
  ++s.busy;
  module = it->second;
  get = s.get_class_object;
  return true;
}

// The registered server of `clsid`: REGDB_E_CLASSNOTREG when the class or its in-process
// server entry is missing or empty.
HRESULT registered_server(REFCLSID clsid, std::u16string& name) {
  std::u16string key = u"CLSID\\" + win32::guid_text(clsid) + u"\\InprocServer32";
  std::vector<WCHAR> buffer(512);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(WCHAR));
    LONG rc = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                           buffer.data(), &bytes);
    if (rc == ERROR_MORE_DATA) {
      buffer.resize(bytes / sizeof(WCHAR) + 1);
      continue;
    }
    if (rc != ERROR_SUCCESS || buffer[0] == 0) return REGDB_E_CLASSNOTREG;
    name.assign(buffer.data());
    return S_OK;
  }
  return REGDB_E_CLASSNOTREG;
}

// Finds or loads the server and marks it busy. On success `module` names the table entry.
HRESULT acquire_server(const std::u16string& name, HMODULE& module, LPFNGETCLASSOBJECT& get) {
  {
    std::lock_guard guard(servers_lock);
    auto alias = server_by_name.find(name);
    if (alias != server_by_name.end()) {
      Server& s = servers[alias->second];
      ++s.busy;
      module = alias->second;
      get = s.get_class_object;
      return S_OK;
    }
  }
  // Load without the table lock: the server's entry point runs inside LoadLibraryW.
  HMODULE loaded = LoadLibraryW(name.c_str());
  if (!loaded) return CO_E_DLLNOTFOUND;
  auto get_proc = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(loaded, "DllGetClassObject"));
  if (!get_proc) {
    FreeLibrary(loaded);
    return CO_E_ERRORINDLL;
  }
  auto can_unload = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(loaded, "DllCanUnloadNow"));
  bool extra_reference = false;
  {
    std::lock_guard guard(servers_lock);
    auto [it, inserted] = servers.try_emplace(loaded);
    if (inserted) {
      it->second.get_class_object = get_proc;
      it->second.can_unload_now = can_unload;
    } else {
      extra_reference = true;  // another thread or another name loaded it meanwhile
    }
    server_by_name[name] = loaded;
    ++it->second.busy;
    get = it->second.get_class_object;
  }
  if (extra_reference) FreeLibrary(loaded);
  module = loaded;
  return S_OK;
}

// The server of `clsid`, loaded and marked busy: from the class cache, else through the
// registry (and then remembered).
HRESULT acquire_class(REFCLSID clsid, HMODULE& module, LPFNGETCLASSOBJECT& get) {
  if (acquire_cached(clsid, module, get)) return S_OK;
  std::u16string name;
  HRESULT hr = registered_server(clsid, name);
  if (FAILED(hr)) return hr;
  hr = acquire_server(name, module, get);
  if (FAILED(hr)) return hr;
  std::lock_guard guard(servers_lock);
  server_by_class[clsid] = module;
  return S_OK;
}

void release_server(HMODULE module) {
  std::lock_guard guard(servers_lock);
  auto it = servers.find(module);
  if (it != servers.end()) --it->second.busy;
}

}  // namespace

extern "C" HRESULT CoInitializeEx(LPVOID, DWORD coInit) {
  if (init_count > 0) {
    if (init_model != coInit) return RPC_E_CHANGED_MODE;
    ++init_count;
    return S_FALSE;
  }
  init_model = coInit;
  init_count = 1;
  return S_OK;
}

extern "C" HRESULT CoInitialize(LPVOID reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

extern "C" void CoUninitialize() {
  if (init_count > 0) --init_count;
}

extern "C" HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID, REFIID riid,
                                    LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (init_count == 0) return CO_E_NOTINITIALIZED;
  if (!(clsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;  // no other servers
  HMODULE module = nullptr;
  LPFNGETCLASSOBJECT get = nullptr;
  HRESULT hr = acquire_class(clsid, module, get);
  if (FAILED(hr)) return hr;
  hr = get(clsid, riid, object);
  release_server(module);
  return hr;
}

extern "C" HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext,
                                    REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (init_count == 0) return CO_E_NOTINITIALIZED;
  if (!(clsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  HMODULE module = nullptr;
  LPFNGETCLASSOBJECT get = nullptr;
  HRESULT hr = acquire_class(clsid, module, get);
  if (FAILED(hr)) return hr;
  IClassFactory* factory = nullptr;
  hr = get(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(hr) && factory) {
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
  } else if (SUCCEEDED(hr)) {
    hr = E_NOINTERFACE;  // a server that reports success without a factory
  }
  release_server(module);
  if (FAILED(hr)) *object = nullptr;
  return hr;
}

extern "C" void CoFreeUnusedLibraries() {
  std::vector<HMODULE> unload;
  {
    std::lock_guard guard(servers_lock);
    for (auto it = servers.begin(); it != servers.end();) {
      const Server& s = it->second;
      if (s.busy == 0 && s.can_unload_now && s.can_unload_now() == S_OK) {
        unload.push_back(it->first);
        it = servers.erase(it);
      } else {
        ++it;
      }
    }
    std::erase_if(server_by_name, [](const auto& e) { return servers.count(e.second) == 0; });
    std::erase_if(server_by_class, [](const auto& e) { return servers.count(e.second) == 0; });
  }
  for (HMODULE m : unload) FreeLibrary(m);
}

namespace win32 {

std::size_t com_loaded_server_count() {
  std::lock_guard guard(servers_lock);
  return servers.size();
}

}  // namespace win32
