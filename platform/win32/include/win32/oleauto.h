// BSTR: the length-prefixed UTF-16 string that crosses COM interfaces.
//
// Layout: a 32-bit byte count (without the terminator) stored in the four bytes before the
// first character, the characters, then a 16-bit zero terminator. A BSTR points at the first
// character, so it reads as a plain terminated string too, and may hold embedded zeros. The
// null BSTR is the empty string. The party that receives a BSTR frees it with SysFreeString.
#pragma once

#include "win32/base.h"
#include "win32/guid.h"

using BSTR = OLECHAR*;

extern "C" {
// Copy of a terminated string; NULL text gives NULL. NULL when memory runs out.
BSTR SysAllocString(const OLECHAR* text);
// `length` characters from `text` (uninitialised when `text` is NULL), plus the terminator.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// `length` bytes from `text`; an odd count keeps its last byte.
BSTR SysAllocStringByteLen(LPCSTR text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
}

namespace win32 {

// Live BSTRs in the process (allocated and not yet freed). Leak checks compare it before and
// after a sequence of calls.
long bstr_live_count();

// Fault injection for the calling thread: after `successes` more allocations succeed, every
// further allocation fails (returns NULL) until the guard ends. Lets a test make each
// allocation of a call fail in turn.
class BstrAllocFailure {
 public:
  explicit BstrAllocFailure(long successes);
  ~BstrAllocFailure();
  BstrAllocFailure(const BstrAllocFailure&) = delete;
  BstrAllocFailure& operator=(const BstrAllocFailure&) = delete;
  // Allocations that were refused while the guard was active.
  long refused() const;
};

}  // namespace win32
