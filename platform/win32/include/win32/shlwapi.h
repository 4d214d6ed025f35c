// Shell helpers: path extensions and the typed registry value reader.
#pragma once

#include "win32/base.h"
#include "win32/error.h"

// SHRegGetValueW type restrictions and options.
inline constexpr DWORD SRRF_RT_REG_NONE = 0x00000001;
inline constexpr DWORD SRRF_RT_REG_SZ = 0x00000002;
inline constexpr DWORD SRRF_RT_REG_EXPAND_SZ = 0x00000004;
inline constexpr DWORD SRRF_RT_REG_BINARY = 0x00000008;
inline constexpr DWORD SRRF_RT_REG_DWORD = 0x00000010;
inline constexpr DWORD SRRF_RT_REG_MULTI_SZ = 0x00000020;
inline constexpr DWORD SRRF_RT_REG_QWORD = 0x00000040;
inline constexpr DWORD SRRF_RT_DWORD = SRRF_RT_REG_BINARY | SRRF_RT_REG_DWORD;
inline constexpr DWORD SRRF_RT_QWORD = SRRF_RT_REG_BINARY | SRRF_RT_REG_QWORD;
inline constexpr DWORD SRRF_RT_ANY = 0x0000FFFF;
inline constexpr DWORD SRRF_NOEXPAND = 0x10000000;
inline constexpr DWORD SRRF_ZEROONFAILURE = 0x20000000;

extern "C" {
// The extension of the path's last component: a pointer to its last '.', or to the terminator
// when the last component has no dot. Both '\' and '/' separate components. NULL gives NULL.
LPWSTR PathFindExtensionW(LPCWSTR path);

// Reads `value` (NULL or "": the default value) of `subKey` (NULL or "": `key` itself).
// `flags` restricts the accepted types (SRRF_RT_*); a value of another type gives
// ERROR_UNSUPPORTED_TYPE. Strings are returned terminated even when stored without a
// terminator; REG_EXPAND_SZ is expanded from the environment and reported as REG_SZ unless
// SRRF_NOEXPAND is given. `data` NULL: only the size is reported in `*dataSize`. A buffer too
// small gives ERROR_MORE_DATA with the needed size in `*dataSize`; with SRRF_ZEROONFAILURE
// the buffer is zeroed on any failure.
LONG SHRegGetValueW(HKEY key, LPCWSTR subKey, LPCWSTR value, DWORD flags, LPDWORD type,
                    LPVOID data, LPDWORD dataSize);
}
