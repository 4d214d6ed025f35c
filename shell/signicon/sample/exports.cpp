// Exports of the sample signature component: one class factory per class, the class object
// and the unload query.
#include "object_base.h"

#include <new>

#define SIGNSAMPLE_EXPORT extern "C" __attribute__((visibility("default")))

namespace signsample {

std::atomic<long> live_objects{0};

HRESULT create_type_registry(REFIID riid, void** object);
HRESULT create_openpgp_reader(REFIID riid, void** object);

namespace {

using Creator = HRESULT (*)(REFIID, void**);

class Factory final : public ObjectBase<IClassFactory, IID_IClassFactory> {
 public:
  explicit Factory(Creator create) : create_(create) {}
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(riid, object);
  }
  HRESULT LockServer(BOOL lock) override {
    // A lock counts as a living object, which is all that DllCanUnloadNow looks at.
    live_objects.fetch_add(lock ? 1 : -1);
    return S_OK;
  }

 private:
  Creator create_;
};

}  // namespace

HRESULT create_object(REFCLSID clsid, REFIID riid, void** object) {
  Creator create = nullptr;
  if (clsid == CLSID_SignatureTypeRegistry)
    create = create_type_registry;
  else if (clsid == CLSID_DetachedOpenPgpReader)
    create = create_openpgp_reader;
  else
    return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) Factory(create);
  if (!factory) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(riid, object);
  factory->Release();
  return hr;
}

}  // namespace signsample

SIGNSAMPLE_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return signsample::create_object(clsid, riid, object);
}

SIGNSAMPLE_EXPORT HRESULT DllCanUnloadNow() {
  return signsample::live_objects.load() == 0 ? S_OK : S_FALSE;
}
