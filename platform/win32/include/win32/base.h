// Base types of the Win32-flavoured layer.
//
// The printer modules and the overlay handler were written against the 32-bit Windows API;
// this header gives them the same type names with the same sizes on 64-bit Linux. Sizes that
// are part of a file or a contract (DWORD, LONG, WCHAR, BOOL) are fixed-width here; handles
// and pointers are native because they never reach a file. WCHAR is UTF-16 (char16_t), as on
// Windows, not the 32-bit wchar_t of Linux.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win32 {}

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using BOOL = std::int32_t;
using BOOLEAN = std::uint8_t;
using CHAR = char;
using WCHAR = char16_t;
using HRESULT = std::int32_t;
using LCID = DWORD;
using LANGID = WORD;
using ATOM = WORD;
using SIZE_T = std::size_t;
using ULONG_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = ULONG_PTR;
using WPARAM = ULONG_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;

using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using PBYTE = BYTE*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PLONG = LONG*;

using HANDLE = void*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;
struct HWND__;
using HWND = HWND__*;

// A point in time as 100-ns intervals since 1601-01-01 UTC, split into two halves.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;
using LPFILETIME = FILETIME*;
static_assert(sizeof(FILETIME) == 8);

// Security attributes are accepted and ignored: the machine has one user.
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
inline constexpr DWORD MAX_PATH = 260;

static_assert(sizeof(WCHAR) == 2 && sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(BOOL) == 4);
