#include "quirlo/recording/saver.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <vector>

#include "quirlo/platform/program_folder.h"

namespace fs = std::filesystem;

namespace quirlo {
namespace {

// Reads at most `size` bytes of `file` into `rec`. False when it is missing, is not a
// plain file, or cannot be read: such a file counts as absent, so the factory twin or the
// owner's defaults apply instead of a half-read record.
bool ReadInto(const fs::path& file, void* rec, std::size_t size, std::size_t& got) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  in.read(static_cast<char*>(rec), static_cast<std::streamsize>(size));
  if (in.bad()) return false;
  got = static_cast<std::size_t>(in.gcount());
  return true;
}

bool WriteWhole(const fs::path& file, const void* data, std::size_t size) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.flush();
  return static_cast<bool>(out);
}

// Appends the bytes of `file` from offset `from` on to `out`. True when there are none
// (no file, or not longer than `from`); false when an existing tail could not be read, so
// a save never drops bytes it was meant to keep.
bool AppendTail(const fs::path& file, std::size_t from, std::vector<unsigned char>& out) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return true;
  const auto length = fs::file_size(file, ec);
  if (ec) return false;
  if (length <= from) return true;
  std::ifstream in(file, std::ios::binary);
  if (!in.seekg(static_cast<std::streamoff>(from))) return false;
  const std::size_t tail = static_cast<std::size_t>(length - from);
  const std::size_t at = out.size();
  out.resize(at + tail);
  in.read(reinterpret_cast<char*>(out.data() + at), static_cast<std::streamsize>(tail));
  return static_cast<std::size_t>(in.gcount()) == tail;
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

}  // namespace

TSaver::TSaver(fs::path root) : root_(std::move(root)) {}

fs::path TSaver::Root() const { return root_.empty() ? ProgramFolder() : root_; }

fs::path TSaver::FolderPath(const std::string& folder) const { return Root() / folder; }

fs::path TSaver::EnsureFolder(const std::string& folder) const {
  const fs::path dir = FolderPath(folder);
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return dir;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir, ec)) throw SettingsFolderError(dir);
  return dir;
}

std::string TSaver::BackupName(const std::string& file, int number) {
  char ext[16];
  std::snprintf(ext, sizeof ext, ".%03d", number);
  return fs::path(file).replace_extension(ext).string();
}

LoadResult TSaver::Load(const std::string& folder, const std::string& file, void* rec,
                        std::size_t size) {
  const fs::path dir = EnsureFolder(folder);
  LoadResult result;
  // Read into a scratch copy so that a file that cannot be read leaves the record alone.
  std::vector<unsigned char> data(size);
  std::size_t got = 0;
  if (ReadInto(dir / file, data.data(), size, got)) {
    result.found = true;
  } else if (ReadInto(dir / fs::path(file).replace_extension(".mfg"), data.data(), size, got)) {
    result.found = result.fromFactory = true;
  } else {
    return result;
  }
  result.bytes = got;
  if (got > 0) std::copy_n(data.data(), got, static_cast<unsigned char*>(rec));

  // Keep a copy of what was loaded: the first free number, else rotate the hundred.
  for (int n = 1; n <= kBackupCount; ++n) {
    const fs::path backup = dir / BackupName(file, n);
    if (!Exists(backup)) {
      WriteWhole(backup, data.data(), got);
      return result;
    }
  }
  std::error_code ec;
  fs::remove(dir / BackupName(file, 1), ec);
  for (int n = 2; n <= kBackupCount; ++n)
    fs::rename(dir / BackupName(file, n), dir / BackupName(file, n - 1), ec);
  WriteWhole(dir / BackupName(file, kBackupCount), data.data(), got);
  for (int n = kBackupCount + 1; n <= 2999; ++n) {
    const fs::path extra = dir / BackupName(file, n);
    if (!Exists(extra)) break;
    fs::remove(extra, ec);
  }
  return result;
}

bool TSaver::Save(const std::string& folder, const std::string& file, const void* rec,
                  std::size_t size) {
  fs::path dir;
  try {
    dir = EnsureFolder(folder);
  } catch (const SettingsFolderError&) {
    return false;
  }
  static std::atomic<unsigned> serial{0};
  const fs::path target = dir / file;
  fs::path tmp = target;
  tmp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  std::error_code ec;
  // The record overwrites the file from its start without shortening it: bytes beyond the
  // record (a trailing section written by a build whose record is longer) stay as they were.
  std::vector<unsigned char> image(static_cast<const unsigned char*>(rec),
                                   static_cast<const unsigned char*>(rec) + size);
  if (!AppendTail(target, size, image) || !WriteWhole(tmp, image.data(), image.size())) {
    fs::remove(tmp, ec);
    return false;
  }
  fs::rename(tmp, target, ec);
  if (!ec) return true;
  fs::remove(tmp, ec);
  return false;
}

}  // namespace quirlo
