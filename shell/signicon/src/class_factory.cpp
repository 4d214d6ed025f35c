#include "class_factory.h"

#include "module_state.h"
#include "overlay_identifier.h"

#include <new>

namespace signicon {

CClassFactory::CClassFactory() { live_objects.fetch_add(1); }

CClassFactory::~CClassFactory() { live_objects.fetch_sub(1); }

HRESULT CClassFactory::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CClassFactory::AddRef() { return refs_.fetch_add(1) + 1; }

ULONG CClassFactory::Release() {
  ULONG left = refs_.fetch_sub(1) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* identifier = new (std::nothrow) DigSigIconOverlayIdentifier();
  if (!identifier) return E_OUTOFMEMORY;
  HRESULT hr = identifier->QueryInterface(riid, object);
  identifier->Release();  // the creation reference; the caller holds its own on success
  return hr;
}

// Locking the server in memory is not offered.
HRESULT CClassFactory::LockServer(BOOL) { return E_NOTIMPL; }

}  // namespace signicon
