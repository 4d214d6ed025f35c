// Files of the machine: CreateFileW and its companions over POSIX file descriptors.
//
// Paths go through win32::native_path (root.h): '\' or '/', "C:\..." and "\..." under the
// machine root, case-insensitive lookup of components that do not exist as written.
//
// Share modes are enforced between the handles of this process: opening a file whose open
// handles do not share the access asked for (or whose access the new share mode does not
// allow) fails with ERROR_SHARING_VIOLATION, and so does deleting or moving a file that is
// open without FILE_SHARE_DELETE. Other processes are not seen.
//
// Failures return FALSE, INVALID_HANDLE_VALUE or an INVALID_* value and leave the reason in
// the last error, with the codes Windows uses (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
// ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION...).
#pragma once

#include "win32/base.h"
#include "win32/handles.h"

inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
inline constexpr DWORD GENERIC_EXECUTE = 0x20000000u;
inline constexpr DWORD GENERIC_ALL = 0x10000000u;
inline constexpr DWORD FILE_READ_DATA = 0x0001;
inline constexpr DWORD FILE_WRITE_DATA = 0x0002;
inline constexpr DWORD FILE_APPEND_DATA = 0x0004;

inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;

inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;
inline constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000u;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;

inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

struct OVERLAPPED;

extern "C" {
// CREATE_ALWAYS and OPEN_ALWAYS on an existing file succeed with last error
// ERROR_ALREADY_EXISTS, otherwise 0. A folder cannot be opened (ERROR_ACCESS_DENIED).
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share_mode, SECURITY_ATTRIBUTES* security,
                   DWORD disposition, DWORD flags, HANDLE template_file);
// Reads up to count bytes; at the end of the file fewer (or 0) bytes and TRUE.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, OVERLAPPED* overlapped);
DWORD GetFileSize(HANDLE file, LPDWORD size_high);
// Returns the new position's low part (last error 0), or INVALID_SET_FILE_POINTER with
// ERROR_NEGATIVE_SEEK before the start.
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL DeleteFileW(LPCWSTR name);
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL fail_if_exists);
DWORD GetFileAttributesW(LPCWSTR name);
BOOL CreateDirectoryW(LPCWSTR name, SECURITY_ATTRIBUTES* security);
BOOL RemoveDirectoryW(LPCWSTR name);
}
