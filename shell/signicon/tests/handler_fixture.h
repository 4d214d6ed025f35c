// A machine root with the overlay handler and the counting test component registered, the
// handler loaded as a file manager loads it, and the component's counters at hand.
#pragma once

#include "component/test_component.h"
#include "registration.h"
#include "signicon/overlay.h"
#include "support/machine_root.h"

#include "win32/error.h"
#include "win32/module.h"
#include "win32/oleauto.h"
#include "win32/shlobj.h"

#include <gtest/gtest.h>

#include <string>

namespace signicon::test {

inline const std::u16string kHandlerPath = win32::widen_utf8(SIGNICON_HANDLER_PATH);
inline const std::u16string kComponentPath = win32::widen_utf8(SIGNICON_TEST_COMPONENT_PATH);

class HandlerTest : public win32::test::MachineRootTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(register_overlay_handler(SIGNICON_HANDLER_PATH), ERROR_SUCCESS);
    ASSERT_EQ(register_signature_component(SIGNICON_TEST_COMPONENT_PATH,
                                           {CLSID_SignatureTypeRegistry,
                                            CLSID_TestSignatureReader}),
              ERROR_SUCCESS);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    handler_ = LoadLibraryW(kHandlerPath.c_str());
    component_ = LoadLibraryW(kComponentPath.c_str());  // keeps its counters alive
    ASSERT_NE(handler_, nullptr);
    ASSERT_NE(component_, nullptr);
    get_class_object_ = reinterpret_cast<LPFNGETCLASSOBJECT>(
        GetProcAddress(handler_, "DllGetClassObject"));
    can_unload_now_ =
        reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(handler_, "DllCanUnloadNow"));
    refresh_status_ =
        reinterpret_cast<RefreshStatusProc>(GetProcAddress(handler_, "RefreshStatus"));
    get_counts_ = reinterpret_cast<TestComponentGetCountsProc>(
        GetProcAddress(component_, "TestComponentGetCounts"));
    ASSERT_TRUE(get_class_object_ && can_unload_now_ && refresh_status_ && get_counts_);
    baseline_ = counts();
    bstr_baseline_ = win32::bstr_live_count();
  }

  void TearDown() override {
    CoFreeUnusedLibraries();
    if (component_) FreeLibrary(component_);
    if (handler_) FreeLibrary(handler_);
    CoUninitialize();
  }

  // A new identifier through the class object and its factory.
  IShellIconOverlayIdentifier* create_identifier() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(get_class_object_(CLSID_DigSigIconOverlayIdentifier, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    if (!factory) return nullptr;
    IShellIconOverlayIdentifier* id = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellIconOverlayIdentifier,
                                      reinterpret_cast<void**>(&id)),
              S_OK);
    factory->Release();
    return id;
  }

  // Counts since SetUp.
  TestComponentCounts counts() const {
    TestComponentCounts c{};
    get_counts_(&c);
    c.objects_created -= baseline_.objects_created;
    c.objects_destroyed -= baseline_.objects_destroyed;
    c.registries_created -= baseline_.registries_created;
    c.readers_created -= baseline_.readers_created;
    c.bstrs_allocated -= baseline_.bstrs_allocated;
    c.details_calls -= baseline_.details_calls;
    return c;
  }

  // Every component object released and every string freed, whoever made it.
  void expect_balanced(const std::string& context) const {
    TestComponentCounts c = counts();
    EXPECT_EQ(c.objects_created, c.objects_destroyed) << context;
    EXPECT_EQ(win32::bstr_live_count(), bstr_baseline_) << context;
  }

  void set_switch(DWORD value) { ASSERT_EQ(set_overlay_switch(value), ERROR_SUCCESS); }

  HMODULE handler_ = nullptr;
  HMODULE component_ = nullptr;
  LPFNGETCLASSOBJECT get_class_object_ = nullptr;
  LPFNCANUNLOADNOW can_unload_now_ = nullptr;
  RefreshStatusProc refresh_status_ = nullptr;
  TestComponentGetCountsProc get_counts_ = nullptr;

 private:
  TestComponentCounts baseline_{};
  long bstr_baseline_ = 0;
};

}  // namespace signicon::test
