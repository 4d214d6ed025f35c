// GUID text fuzzer: bytes -> parse (narrow and UTF-16) -> print -> parse again. Whatever the
// input, parsing never reads past it; text that parses prints back as the same GUID, and the
// printed form equals the input up to the case of its hex digits.
//
//   cmake --preset fuzz && cmake --build build-fuzz --target win32_guid_fuzz
//   build-fuzz/platform/win32/win32_guid_fuzz -max_len=64 -max_total_time=60
#include "win32/com.h"
#include "win32/guid.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string narrow(reinterpret_cast<const char*>(data), size);
  auto parsed = win32::parse_guid(std::string_view(narrow));
  std::u16string wide(narrow.begin(), narrow.end());
  auto parsed_wide = win32::parse_guid(std::u16string_view(wide));
  if (parsed.has_value() != parsed_wide.has_value()) fail("narrow and wide parse disagree");
  if (!parsed) return 0;
  if (!(*parsed == *parsed_wide)) fail("narrow and wide give different GUIDs");
  std::string printed = win32::guid_text_utf8(*parsed);
  for (std::size_t i = 0; i < printed.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(narrow[i])) != printed[i])
      fail("printed text differs from the input");
  GUID again{};
  std::u16string printed_wide = win32::guid_text(*parsed);
  if (CLSIDFromString(printed_wide.c_str(), &again) != NOERROR || !(again == *parsed))
    fail("printed text does not parse back");
  return 0;
}
