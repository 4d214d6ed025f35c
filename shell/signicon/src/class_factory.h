// CClassFactory: makes DigSigIconOverlayIdentifier objects.
#pragma once

#include "win32/com.h"

#include <atomic>

namespace signicon {

class CClassFactory final : public IClassFactory {
 public:
  CClassFactory();
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  HRESULT LockServer(BOOL lock) override;

 private:
  virtual ~CClassFactory();
  std::atomic<ULONG> refs_{1};
};

}  // namespace signicon
