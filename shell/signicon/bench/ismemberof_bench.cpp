// Cost of one IsMemberOf call, as a file manager pays it for every file it shows:
//   - switch off: must create nothing and stay well under a microsecond;
//   - a signed and an unsigned file against the counting test component (object creation
//     through the registry, the component's calls, strings and releases).
// Runs in a temporary machine root; the objects created are reported as counters.
#include "component/test_component.h"
#include "registration.h"
#include "signicon/overlay.h"

#include "win32/error.h"
#include "win32/module.h"
#include "win32/shlobj.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace {

HMODULE handler = nullptr;
HMODULE component = nullptr;
IShellIconOverlayIdentifier* identifier = nullptr;
RefreshStatusProc refresh = nullptr;
TestComponentGetCountsProc get_counts = nullptr;

long objects_created() {
  TestComponentCounts c{};
  get_counts(&c);
  return c.objects_created;
}

void run(benchmark::State& state, const char16_t* path, DWORD switch_value, HRESULT expected) {
  signicon::set_overlay_switch(switch_value);
  refresh();
  long before = objects_created();
  for (auto _ : state) {
    HRESULT hr = identifier->IsMemberOf(path, 0);
    if (hr != expected) {
      state.SkipWithError("unexpected answer");
      break;
    }
    benchmark::DoNotOptimize(hr);
  }
  state.counters["objects_per_call"] = benchmark::Counter(
      static_cast<double>(objects_created() - before) / static_cast<double>(state.iterations()));
}

void BM_IsMemberOf_SwitchOff(benchmark::State& state) {
  run(state, u"/data/signed.txt", 0, S_FALSE);
}
void BM_IsMemberOf_NoExtension(benchmark::State& state) { run(state, u"/data/README", 1, S_FALSE); }
void BM_IsMemberOf_Signed(benchmark::State& state) {
  run(state, u"/data/signed.txt", 1, S_OK);
}
void BM_IsMemberOf_Unsigned(benchmark::State& state) {
  run(state, u"/data/nosig.txt", 1, S_FALSE);
}

BENCHMARK(BM_IsMemberOf_SwitchOff);
BENCHMARK(BM_IsMemberOf_NoExtension);
BENCHMARK(BM_IsMemberOf_Signed);
BENCHMARK(BM_IsMemberOf_Unsigned);

bool set_up(std::filesystem::path& root) {
  char pattern[] = "/tmp/signicon-bench-XXXXXX";
  if (!mkdtemp(pattern)) return false;
  root = pattern;
  setenv("W32_MACHINE_ROOT", pattern, 1);
  if (signicon::register_overlay_handler(SIGNICON_HANDLER_PATH) != ERROR_SUCCESS ||
      signicon::register_signature_component(
          SIGNICON_TEST_COMPONENT_PATH,
          {CLSID_SignatureTypeRegistry, CLSID_TestSignatureReader}) != ERROR_SUCCESS)
    return false;
  CoInitialize(nullptr);
  component = LoadLibraryW(win32::widen_utf8(SIGNICON_TEST_COMPONENT_PATH).c_str());
  if (!component) return false;
  get_counts = reinterpret_cast<TestComponentGetCountsProc>(
      GetProcAddress(component, "TestComponentGetCounts"));
  if (FAILED(CoCreateInstance(CLSID_DigSigIconOverlayIdentifier, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IShellIconOverlayIdentifier,
                              reinterpret_cast<void**>(&identifier))))
    return false;
  handler = GetModuleHandleW(win32::widen_utf8(SIGNICON_HANDLER_PATH).c_str());
  refresh = handler ? reinterpret_cast<RefreshStatusProc>(GetProcAddress(handler, "RefreshStatus"))
                    : nullptr;
  return get_counts && refresh;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path root;
  if (!set_up(root)) {
    std::cerr << "signicon_bench: cannot set up the handler in " << root << "\n";
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  identifier->Release();
  CoFreeUnusedLibraries();
  FreeLibrary(component);
  CoUninitialize();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return 0;
}
