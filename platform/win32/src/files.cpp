// Files over POSIX descriptors, with the share-mode bookkeeping Windows does in its kernel.
//
// Every open file handle registers (device, inode, access, share mode) in one table; an open,
// a delete or a move checks that table first. The check and the registration happen under one
// lock, so two threads cannot both get in past a share mode that excludes the other.
#include "win32/files.h"

#include "win32/error.h"
#include "win32/root.h"
#include "win32/text.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <list>
#include <mutex>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kRead = 1, kWrite = 2, kDelete = 4;  // access classes, same bits as FILE_SHARE_*

struct OpenEntry {
  dev_t dev;
  ino_t ino;
  DWORD access;  // kRead | kWrite | kDelete
  DWORD share;   // FILE_SHARE_*
};

std::mutex share_mutex;
std::list<OpenEntry>& open_entries() {
  static std::list<OpenEntry> entries;
  return entries;
}

// True when an open handle of the file conflicts with a new access/share pair. A handle that
// takes no data access (attributes only) neither checks nor counts, as on Windows.
bool conflicts(dev_t dev, ino_t ino, DWORD access, DWORD share) {
  if (access == 0) return false;
  for (auto const& e : open_entries()) {
    if (e.dev != dev || e.ino != ino || e.access == 0) continue;
    if ((access & ~e.share) != 0 || (e.access & ~share) != 0) return true;
  }
  return false;
}

struct File : win32::KernelObject {
  int fd = -1;
  DWORD access = 0;
  std::list<OpenEntry>::iterator entry;
  fs::path path;
  bool delete_on_close = false;

  ~File() override {
    {
      std::lock_guard lock(share_mutex);
      open_entries().erase(entry);
    }
    if (delete_on_close) ::unlink(path.c_str());
    ::close(fd);
  }
};

DWORD access_class(DWORD access) {
  DWORD c = 0;
  if (access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE | FILE_READ_DATA)) c |= kRead;
  if (access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) c |= kWrite;
  if (access & (0x00010000u /* DELETE */ | GENERIC_ALL)) c |= kDelete;
  return c;
}

bool parent_exists(fs::path const& p) {
  std::error_code ec;
  fs::path const parent = p.parent_path();
  return parent.empty() || fs::is_directory(parent, ec);
}

DWORD error_from_errno(int err, fs::path const& p) {
  switch (err) {
    case ENOENT: return parent_exists(p) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;  // EACCES, EPERM, EROFS, EISDIR and the rest
  }
}

template <class T>
T fail(DWORD code, T result) {
  SetLastError(code);
  return result;
}

bool path_arg(LPCWSTR name, fs::path& out) {
  if (!name) return fail(ERROR_INVALID_PARAMETER, false);
  if (!*name) return fail(ERROR_PATH_NOT_FOUND, false);
  out = win32::native_path(name);
  return true;
}

std::shared_ptr<File> file_of(HANDLE h) {
  auto f = win32::handle_get_as<File>(h);
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f;
}

// Fails with ERROR_SHARING_VIOLATION when the file is open without FILE_SHARE_DELETE.
bool deletable(fs::path const& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return true;  // the operation reports the missing file
  std::lock_guard lock(share_mutex);
  return !conflicts(st.st_dev, st.st_ino, kDelete, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

}  // namespace

extern "C" HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share_mode, SECURITY_ATTRIBUTES*, DWORD disposition,
                              DWORD flags, HANDLE) {
  fs::path p;
  if (!path_arg(name, p)) return INVALID_HANDLE_VALUE;
  DWORD const cls = access_class(access);
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING || (disposition == TRUNCATE_EXISTING && !(cls & kWrite)))
    return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

  int mode = (cls & kWrite) ? ((cls & kRead) ? O_RDWR : O_WRONLY) : O_RDONLY;
  mode |= O_CLOEXEC;
  // Open an existing file first; create only when it is missing, so "existed" is exact.
  int fd = -1;
  bool existed = false;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    if (disposition != CREATE_NEW) {
      fd = ::open(p.c_str(), mode);
      if (fd >= 0) {
        existed = true;
        break;
      }
      if (errno != ENOENT || disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)
        return fail(error_from_errno(errno, p), INVALID_HANDLE_VALUE);
    }
    fd = ::open(p.c_str(), mode | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && (errno != EEXIST || disposition == CREATE_NEW))
      return fail(error_from_errno(errno, p), INVALID_HANDLE_VALUE);
  }
  if (fd < 0) return fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

  struct stat st {};
  ::fstat(fd, &st);
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    return fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  }
  std::list<OpenEntry>::iterator entry;
  {
    std::lock_guard lock(share_mutex);
    if (conflicts(st.st_dev, st.st_ino, cls, share_mode)) {
      ::close(fd);
      return fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
    }
    entry = open_entries().insert(open_entries().end(), OpenEntry{st.st_dev, st.st_ino, cls, share_mode});
  }
  auto file = std::make_shared<File>();
  file->entry = entry;
  file->fd = fd;
  file->access = cls;
  file->path = fs::absolute(p);
  file->delete_on_close = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  if (existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && ::ftruncate(fd, 0) != 0)
    return fail(error_from_errno(errno, p), INVALID_HANDLE_VALUE);
  HANDLE h = win32::handle_new(file);
  SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                       : ERROR_SUCCESS);
  return h;
}

extern "C" BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD count, LPDWORD read, OVERLAPPED*) {
  if (read) *read = 0;
  auto f = file_of(h);
  if (!f) return FALSE;
  if (!(f->access & kRead)) return fail(ERROR_ACCESS_DENIED, FALSE);
  if (!buffer && count) return fail(ERROR_NOACCESS, FALSE);
  DWORD done = 0;
  while (done < count) {
    ssize_t const n = ::read(f->fd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(ERROR_READ_FAULT, FALSE);
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  return TRUE;
}

extern "C" BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD count, LPDWORD written, OVERLAPPED*) {
  if (written) *written = 0;
  auto f = file_of(h);
  if (!f) return FALSE;
  if (!(f->access & kWrite)) return fail(ERROR_ACCESS_DENIED, FALSE);
  if (!buffer && count) return fail(ERROR_NOACCESS, FALSE);
  DWORD done = 0;
  while (done < count) {
    ssize_t const n = ::write(f->fd, static_cast<char const*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (written) *written = done;
      return fail(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT, FALSE);
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return TRUE;
}

extern "C" DWORD GetFileSize(HANDLE h, LPDWORD size_high) {
  auto f = file_of(h);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st {};
  if (::fstat(f->fd, &st) != 0) return fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
  auto const size = static_cast<std::uint64_t>(st.st_size);
  if (size_high) *size_high = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

extern "C" DWORD SetFilePointer(HANDLE h, LONG distance, PLONG distance_high, DWORD method) {
  auto f = file_of(h);
  if (!f) return INVALID_SET_FILE_POINTER;
  std::int64_t offset = distance;
  if (distance_high)
    offset = static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
                                       static_cast<std::uint32_t>(distance));
  int const whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
  if (whence < 0) return fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  off_t const base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? ::lseek(f->fd, 0, SEEK_CUR) : [&] {
    struct stat st {};
    ::fstat(f->fd, &st);
    return st.st_size;
  }();
  if (base + offset < 0) return fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
  off_t const pos = ::lseek(f->fd, static_cast<off_t>(base + offset), SEEK_SET);
  if (pos < 0) return fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  if (distance_high) *distance_high = static_cast<LONG>(static_cast<std::uint64_t>(pos) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(pos);
}

extern "C" BOOL SetEndOfFile(HANDLE h) {
  auto f = file_of(h);
  if (!f) return FALSE;
  if (!(f->access & kWrite)) return fail(ERROR_ACCESS_DENIED, FALSE);
  off_t const pos = ::lseek(f->fd, 0, SEEK_CUR);
  if (pos < 0 || ::ftruncate(f->fd, pos) != 0) return fail(error_from_errno(errno, f->path), FALSE);
  return TRUE;
}

extern "C" BOOL FlushFileBuffers(HANDLE h) {
  auto f = file_of(h);
  if (!f) return FALSE;
  if (::fsync(f->fd) != 0) return fail(ERROR_WRITE_FAULT, FALSE);
  return TRUE;
}

extern "C" BOOL DeleteFileW(LPCWSTR name) {
  fs::path p;
  if (!path_arg(name, p)) return FALSE;
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return fail(error_from_errno(errno, p), FALSE);
  if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED, FALSE);
  if (!deletable(p)) return fail(ERROR_SHARING_VIOLATION, FALSE);
  if (::unlink(p.c_str()) != 0) return fail(error_from_errno(errno, p), FALSE);
  return TRUE;
}

namespace {

bool copy_contents(fs::path const& from, fs::path const& to, bool fail_if_exists) {
  std::error_code ec;
  auto const opts = fail_if_exists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
  if (fs::copy_file(from, to, opts, ec)) return true;
  if (ec == std::errc::file_exists) return fail(ERROR_FILE_EXISTS, false);
  return fail(error_from_errno(ec.value(), ec.value() == ENOENT && !fs::exists(from) ? from : to), false);
}

}  // namespace

extern "C" BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  fs::path src, dst;
  if (!path_arg(from, src) || !path_arg(to, dst)) return FALSE;
  if (flags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
    return fail(ERROR_INVALID_PARAMETER, FALSE);
  struct stat st {};
  if (::lstat(src.c_str(), &st) != 0) return fail(error_from_errno(errno, src), FALSE);
  if (!deletable(src)) return fail(ERROR_SHARING_VIOLATION, FALSE);
  bool const replace = flags & MOVEFILE_REPLACE_EXISTING;
  struct stat dst_st {};
  bool const dst_exists = ::lstat(dst.c_str(), &dst_st) == 0;
  if (dst_exists && !(dst_st.st_dev == st.st_dev && dst_st.st_ino == st.st_ino)) {
    if (!replace) return fail(ERROR_ALREADY_EXISTS, FALSE);
    if (S_ISDIR(dst_st.st_mode)) return fail(ERROR_ACCESS_DENIED, FALSE);
    if (!deletable(dst)) return fail(ERROR_SHARING_VIOLATION, FALSE);
  }
  int const r = replace ? ::rename(src.c_str(), dst.c_str())
                        : ::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
  if (r == 0) return TRUE;
  if (errno == EEXIST) return fail(ERROR_ALREADY_EXISTS, FALSE);
  if (errno == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) && !S_ISDIR(st.st_mode)) {
    if (!copy_contents(src, dst, !replace)) return FALSE;
    ::unlink(src.c_str());
    return TRUE;
  }
  return fail(error_from_errno(errno, parent_exists(dst) ? src : dst), FALSE);
}

extern "C" BOOL MoveFileW(LPCWSTR from, LPCWSTR to) { return MoveFileExW(from, to, MOVEFILE_COPY_ALLOWED); }

extern "C" BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL fail_if_exists) {
  fs::path src, dst;
  if (!path_arg(from, src) || !path_arg(to, dst)) return FALSE;
  return copy_contents(src, dst, fail_if_exists) ? TRUE : FALSE;
}

extern "C" DWORD GetFileAttributesW(LPCWSTR name) {
  fs::path p;
  if (!path_arg(name, p)) return INVALID_FILE_ATTRIBUTES;
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return fail(error_from_errno(errno, p), INVALID_FILE_ATTRIBUTES);
  DWORD attrs = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) attrs |= FILE_ATTRIBUTE_READONLY;
  if (p.filename().string().starts_with('.') && p.filename() != "." && p.filename() != "..")
    attrs |= FILE_ATTRIBUTE_HIDDEN;
  return attrs;
}

extern "C" BOOL CreateDirectoryW(LPCWSTR name, SECURITY_ATTRIBUTES*) {
  fs::path p;
  if (!path_arg(name, p)) return FALSE;
  if (::mkdir(p.c_str(), 0777) == 0) return TRUE;
  return fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : errno == ENOENT ? ERROR_PATH_NOT_FOUND : error_from_errno(errno, p),
              FALSE);
}

extern "C" BOOL RemoveDirectoryW(LPCWSTR name) {
  fs::path p;
  if (!path_arg(name, p)) return FALSE;
  if (::rmdir(p.c_str()) == 0) return TRUE;
  return fail(errno == ENOTDIR ? ERROR_DIRECTORY : error_from_errno(errno, p), FALSE);
}
