// SHRegGetValueW: the shell's typed registry value reader. Its type filters, string
// termination, expansion and size reporting are those of RegGetValueW, which it calls.
#include "win32/registry.h"
#include "win32/shlwapi.h"

static_assert(SRRF_RT_ANY == RRF_RT_ANY && SRRF_RT_REG_DWORD == RRF_RT_REG_DWORD &&
              SRRF_NOEXPAND == RRF_NOEXPAND && SRRF_ZEROONFAILURE == RRF_ZEROONFAILURE);

extern "C" LONG SHRegGetValueW(HKEY key, LPCWSTR subKey, LPCWSTR value, DWORD flags,
                               LPDWORD type, LPVOID data, LPDWORD dataSize) {
  return RegGetValueW(key, subKey, value, flags, type, data, dataSize);
}
