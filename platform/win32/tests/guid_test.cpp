#include "win32/com.h"
#include "win32/guid.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr GUID kSample = {0x36A21736, 0x36C2, 0x4C11,
                          {0x8A, 0xCB, 0xD4, 0x13, 0x6F, 0x2B, 0x57, 0xBD}};

TEST(Guid, TextRoundTripsThroughBothCallingForms) {
  EXPECT_EQ(win32::guid_text_utf8(kSample), "{36A21736-36C2-4C11-8ACB-D4136F2B57BD}");
  auto parsed = win32::parse_guid(std::string_view("{36a21736-36c2-4c11-8acb-d4136f2b57bd}"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(*parsed, kSample);

  CLSID clsid;
  ASSERT_EQ(CLSIDFromString(u"{36A21736-36C2-4C11-8ACB-D4136F2B57BD}", &clsid), NOERROR);
  EXPECT_TRUE(IsEqualCLSID(clsid, kSample));
  EXPECT_EQ(win32::guid_text(IID_IUnknown), u"{00000000-0000-0000-C000-000000000046}");
}

TEST(Guid, MalformedTextIsRejectedWithTheCallersCode) {
  const char16_t* bad[] = {
      u"",                                          // 1 empty
      u"36A21736-36C2-4C11-8ACB-D4136F2B57BD",      // 2 no braces
      u"{36A21736-36C2-4C11-8ACB-D4136F2B57B}",     // 3 one digit short
      u"{36A21736-36C2-4C11-8ACB-D4136F2B57BDD}",   // 4 one digit over
      u"{36A21736-36C2-4C11-8ACBD-4136F2B57BD}",    // 5 dash misplaced
      u"{36A21736-36C2-4C11-8ACB-D4136F2B57BG}",    // 6 non-hex digit
      u"{36A21736-36C2-4C11-8ACB-D4136F2B57BD}x",   // 7 trailing text
  };
  for (std::size_t i = 0; i < std::size(bad); ++i) {
    GUID g = kSample;
    EXPECT_EQ(CLSIDFromString(bad[i], &g), CO_E_CLASSSTRING) << "row " << i + 1;
    EXPECT_EQ(IIDFromString(bad[i], &g), E_INVALIDARG) << "row " << i + 1;
    EXPECT_EQ(g, kSample) << "row " << i + 1 << ": output changed on failure";
  }
  GUID g;
  EXPECT_EQ(CLSIDFromString(nullptr, &g), CO_E_CLASSSTRING);
}

TEST(Guid, StringFromGuid2NeedsRoomForTheTerminator) {
  WCHAR buffer[40];
  std::memset(buffer, 0xcc, sizeof buffer);
  EXPECT_EQ(StringFromGUID2(kSample, buffer, 38), 0);  // one short
  EXPECT_EQ(buffer[0], 0xcccc);
  EXPECT_EQ(StringFromGUID2(kSample, buffer, 39), 39);  // exact fit
  EXPECT_EQ(std::u16string(buffer), u"{36A21736-36C2-4C11-8ACB-D4136F2B57BD}");
  EXPECT_EQ(buffer[39], 0xcccc);
}

TEST(Guid, ComparisonLooksAtEveryByte) {
  for (int byte = 0; byte < 16; ++byte) {
    GUID other = kSample;
    reinterpret_cast<BYTE*>(&other)[byte] ^= 1;
    EXPECT_FALSE(IsEqualGUID(other, kSample)) << "byte " << byte;
  }
  EXPECT_TRUE(IsEqualIID(IID_IUnknown, IID_IUnknown));
  EXPECT_FALSE(IsEqualIID(IID_IUnknown, IID_IClassFactory));
}

}  // namespace
