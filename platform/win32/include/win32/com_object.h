// A COM object that implements one interface besides IUnknown.
//
// Most small servers (a class factory, a registry object, a reader) need nothing more than an
// atomic reference count and a QueryInterface that answers IUnknown and their own interface.
// `Lifetime` is told when an object is born and when it dies, so a server can keep the
// live-object count its DllCanUnloadNow reads (or a test its tally) without writing the
// counting again.
#pragma once

#include <atomic>

#include "win32/com.h"

namespace win32 {

struct NoLifetime {
  static void created() {}
  static void destroyed() {}
};

template <typename Interface, const IID& InterfaceId, typename Lifetime = NoLifetime>
class ComObject : public Interface {
 public:
  ComObject() { Lifetime::created(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == InterfaceId) {
      *object = static_cast<Interface*>(this);
      this->AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG Release() override {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() { Lifetime::destroyed(); }

 private:
  std::atomic<ULONG> refs_{1};  // a new object starts with the creator's reference
};

// Answers a creation request with a freshly made object (null when making it failed) and
// drops the creation reference, so the caller holds exactly what QueryInterface gave out.
template <typename T>
HRESULT AnswerCreated(T* created, REFIID riid, void** object) {
  if (!created) {
    if (object) *object = nullptr;
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = created->QueryInterface(riid, object);
  created->Release();
  return hr;
}

}  // namespace win32
