// A small in-process server for the object-creation tests. It serves one class whose objects
// count themselves; the count, the server locks and the entry-point calls are readable through
// extra exports, so a test can see whether the object runtime loads, keeps and frees the
// library as it should.
#include "win32/com.h"
#include "win32/com_object.h"
#include "win32/module.h"

#include <atomic>
#include <new>

#define EXPORT extern "C" __attribute__((visibility("default")))

// {5E1C0A53-1D2B-4C8E-9F41-7A2B3C4D5E6F}
constexpr CLSID CLSID_CountObject = {0x5E1C0A53, 0x1D2B, 0x4C8E,
                                     {0x9F, 0x41, 0x7A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F}};

namespace {

std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};

struct LiveCount {
  static void created() { live_objects.fetch_add(1); }
  static void destroyed() { live_objects.fetch_sub(1); }
};

class CountObject final : public win32::ComObject<IUnknown, IID_IUnknown, LiveCount> {};

class Factory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is a static object: counting it would only add noise.
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return win32::AnswerCreated(new (std::nothrow) CountObject(), riid, object);
  }
  HRESULT LockServer(BOOL lock) override {
    server_locks.fetch_add(lock ? 1 : -1);
    return S_OK;
  }
};

Factory factory;

}  // namespace

EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_CountObject) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(riid, object);
}

EXPORT HRESULT DllCanUnloadNow() {
  return live_objects.load() == 0 && server_locks.load() == 0 ? S_OK : S_FALSE;
}

EXPORT long CountServerLiveObjects() { return live_objects.load(); }
