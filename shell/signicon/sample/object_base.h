// Reference counting and interface answering shared by the component's classes: each class
// implements one interface besides IUnknown and counts itself among the living objects.
#pragma once

#include "sample_component.h"

namespace signsample {

template <typename Interface, const IID& InterfaceId>
class ObjectBase : public Interface {
 public:
  ObjectBase() { live_objects.fetch_add(1); }
  ObjectBase(const ObjectBase&) = delete;
  ObjectBase& operator=(const ObjectBase&) = delete;

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
    ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ObjectBase() { live_objects.fetch_sub(1); }

 private:
  std::atomic<ULONG> refs_{1};
};

// Answers the creation request for a new object of class T and drops the creation reference.
template <typename T>
HRESULT create_answering(REFIID riid, void** object) {
  auto* created = new (std::nothrow) T();
  if (!created) return E_OUTOFMEMORY;
  HRESULT hr = created->QueryInterface(riid, object);
  created->Release();
  return hr;
}

}  // namespace signsample
