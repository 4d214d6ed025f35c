// Resource directory and dialog template fuzzer: arbitrary bytes go through both decoders.
// Whatever the input, nothing is read outside it; what decodes re-encodes to a directory
// (template) that decodes to the same items again.
//
//   cmake --preset fuzz && cmake --build build-fuzz --target win32_resource_fuzz
//   build-fuzz/platform/win32/win32_resource_fuzz -max_total_time=60
#include "win32/resource.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool same_items(const std::vector<win32::ResourceItem>& a, const std::vector<win32::ResourceItem>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].type != b[i].type || a[i].name != b[i].name || a[i].language != b[i].language || a[i].data != b[i].data) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);  // exact-size copy: overreads trap
  if (auto items = win32::decode_resource_directory(bytes)) {
    const auto again = win32::decode_resource_directory(win32::encode_resource_directory(*items));
    // Re-encoding sorts the entries; a second round must then be stable.
    if (!again) fail("re-encoded directory does not decode");
    const auto third = win32::decode_resource_directory(win32::encode_resource_directory(*again));
    if (!third || !same_items(*again, *third)) fail("directory round trip changed the items");
  }
  if (auto dialog = win32::decode_dialog_template(bytes)) {
    const auto again = win32::decode_dialog_template(win32::encode_dialog_template(*dialog));
    if (!again || again->items.size() != dialog->items.size()) fail("dialog round trip changed the controls");
  }
  return 0;
}
