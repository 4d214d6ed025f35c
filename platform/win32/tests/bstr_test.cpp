#include "win32/oleauto.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

DWORD stored_prefix(BSTR s) {
  DWORD n;
  std::memcpy(&n, reinterpret_cast<BYTE*>(s) - 4, 4);
  return n;
}

TEST(Bstr, LengthPrefixAndTerminator) {
  long before = win32::bstr_live_count();
  BSTR s = SysAllocString(u"path.txt");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(stored_prefix(s), 16u);  // bytes, without the terminator
  EXPECT_EQ(SysStringLen(s), 8u);
  EXPECT_EQ(SysStringByteLen(s), 16u);
  EXPECT_EQ(s[8], 0);
  EXPECT_EQ(std::u16string(s), u"path.txt");
  EXPECT_EQ(win32::bstr_live_count(), before + 1);
  SysFreeString(s);
  EXPECT_EQ(win32::bstr_live_count(), before);
}

TEST(Bstr, EmbeddedZerosEmptyAndNull) {
  const char16_t text[] = {u'a', 0, u'b'};
  BSTR s = SysAllocStringLen(text, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_EQ(s[2], u'b');
  EXPECT_EQ(s[3], 0);
  SysFreeString(s);

  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);  // allowed, does nothing

  BSTR odd = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(SysStringByteLen(odd), 3u);
  EXPECT_EQ(SysStringLen(odd), 1u);
  SysFreeString(odd);
}

TEST(Bstr, InjectedFailureRefusesAfterTheGivenSuccesses) {
  long before = win32::bstr_live_count();
  {
    win32::BstrAllocFailure guard(1);
    BSTR first = SysAllocString(u"one");
    BSTR second = SysAllocString(u"two");
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(guard.refused(), 1);
    SysFreeString(first);
  }
  BSTR after = SysAllocString(u"three");
  EXPECT_NE(after, nullptr);
  SysFreeString(after);
  EXPECT_EQ(win32::bstr_live_count(), before);
}

}  // namespace
