// The registry of the machine: four predefined keys, subkeys with case-insensitive names and
// typed values, kept in one file under the machine root (see registry.cpp for the format).
//
// HKEY_CLASSES_ROOT is the same key as HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Every call
// returns its result code (ERROR_SUCCESS or an error) and does not touch the last error.
// Handles carry the access they were opened with: a key opened with KEY_READ cannot be
// written (ERROR_ACCESS_DENIED).
#pragma once

#include "win32/base.h"

using REGSAM = DWORD;
using LSTATUS = LONG;
using PVOID = void*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u));

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_EXECUTE = KEY_READ;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;
inline constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Type filters of RegGetValueW.
inline constexpr DWORD RRF_RT_REG_NONE = 0x00000001;
inline constexpr DWORD RRF_RT_REG_SZ = 0x00000002;
inline constexpr DWORD RRF_RT_REG_EXPAND_SZ = 0x00000004;
inline constexpr DWORD RRF_RT_REG_BINARY = 0x00000008;
inline constexpr DWORD RRF_RT_REG_DWORD = 0x00000010;
inline constexpr DWORD RRF_RT_REG_MULTI_SZ = 0x00000020;
inline constexpr DWORD RRF_RT_REG_QWORD = 0x00000040;
inline constexpr DWORD RRF_RT_DWORD = RRF_RT_REG_BINARY | RRF_RT_REG_DWORD;
inline constexpr DWORD RRF_RT_QWORD = RRF_RT_REG_BINARY | RRF_RT_REG_QWORD;
inline constexpr DWORD RRF_RT_ANY = 0x0000FFFF;
inline constexpr DWORD RRF_NOEXPAND = 0x10000000;
inline constexpr DWORD RRF_ZEROONFAILURE = 0x20000000;

struct SECURITY_ATTRIBUTES;

extern "C" {
LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD reserved, LPWSTR class_name, DWORD options,
                        REGSAM access, SECURITY_ATTRIBUTES* security, PHKEY result, LPDWORD disposition);
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCloseKey(HKEY key);
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD data_size);
LSTATUS RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD reserved, DWORD type, BYTE const* data,
                       DWORD data_size);
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR value_name);
// Fails with ERROR_ACCESS_DENIED while the key has subkeys.
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR sub_key);
// Subkeys enumerate in name order (ASCII case folded); values in the order they were created.
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_size, LPDWORD reserved,
                      LPWSTR class_name, LPDWORD class_size, PFILETIME last_write);
LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR value_name, LPDWORD value_name_size,
                      LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_size);
LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR class_name, LPDWORD class_size, LPDWORD reserved,
                         LPDWORD sub_keys, LPDWORD max_sub_key_len, LPDWORD max_class_len,
                         LPDWORD values, LPDWORD max_value_name_len, LPDWORD max_value_len,
                         LPDWORD security_descriptor_size, PFILETIME last_write);
// Reads a value of key\sub_key with a type filter (RRF_RT_*). Strings come back
// NUL-terminated; REG_EXPAND_SZ is expanded from the environment (type REG_SZ) unless
// RRF_NOEXPAND is given.
LSTATUS RegGetValueW(HKEY key, LPCWSTR sub_key, LPCWSTR value_name, DWORD flags, LPDWORD type,
                     PVOID data, LPDWORD data_size);
LSTATUS RegFlushKey(HKEY key);
}

namespace win32 {
// Forgets the in-memory copy of the store; the next call reads the file again.
void registry_drop_cache();
}  // namespace win32
