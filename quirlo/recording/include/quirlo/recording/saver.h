// TSaver: every setting is the raw memory image of a packed record, one file per record,
// in a folder of its own under the program's folder ("analog/analog.txt", ...).
//
// Load reads the file, or its factory-default twin (same name, extension ".mfg") when the
// file is missing, and then keeps a numbered backup of what it read: the file name with
// its extension replaced by .001 ... .100, the highest number the most recent. When all
// hundred exist, .001 is dropped and the others move down one number. The file and its
// twin share the backup names.
//
// A file that exists but cannot be read counts as missing.
//
// Records may grow at their end: a file shorter than the record fills only its length
// (the caller sees the byte count and keeps defaults for the rest), a longer file fills
// the record and the excess is ignored on reading and kept on saving.
//
// Errors: a settings folder that can neither be found nor created throws
// SettingsFolderError whose what() is "Cannot create " followed by the folder path; the
// caller shows it. Save reports failure by its result only.
//
// Loads and saves leave the process's current folder alone: it is process-wide, and the
// timer threads open files at the same time. Every path here is absolute.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quirlo {

class SettingsFolderError : public std::runtime_error {
 public:
  explicit SettingsFolderError(const std::filesystem::path& folder)
      : std::runtime_error("Cannot create " + folder.string()), folder_(folder) {}
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

struct LoadResult {
  bool found = false;       // the file or its twin was read
  std::size_t bytes = 0;    // bytes copied into the record (<= its size)
  bool fromFactory = false; // read from the ".mfg" twin
  explicit operator bool() const { return found; }
};

class TSaver {
 public:
  static constexpr int kBackupCount = 100;

  // Settings folders live under `root`; an empty root means the program's folder at the
  // time of each call.
  explicit TSaver(std::filesystem::path root = {});

  // Reads up to `size` bytes of folder/file (or its ".mfg" twin) into `rec` and backs it
  // up. Nothing found: result false, `rec` unchanged. Throws SettingsFolderError.
  LoadResult Load(const std::string& folder, const std::string& file, void* rec,
                  std::size_t size);
  template <class Record>
  LoadResult Load(const std::string& folder, const std::string& file, Record& rec) {
    return Load(folder, file, &rec, sizeof rec);
  }

  // Writes `size` bytes over the start of folder/file; a longer existing file keeps its
  // bytes beyond them (the file is never shortened). Goes through a temporary file renamed
  // over the old one, so the file is never left half-written. Creates the folder when
  // missing. False on failure.
  bool Save(const std::string& folder, const std::string& file, const void* rec,
            std::size_t size);
  template <class Record>
  bool Save(const std::string& folder, const std::string& file, const Record& rec) {
    return Save(folder, file, &rec, sizeof rec);
  }

  // Program's folder (or root) / folder, created when missing. Throws SettingsFolderError.
  std::filesystem::path EnsureFolder(const std::string& folder) const;
  std::filesystem::path FolderPath(const std::string& folder) const;
  // "analog.txt", 7 -> "analog.007"
  static std::string BackupName(const std::string& file, int number);

 private:
  std::filesystem::path Root() const;
  std::filesystem::path root_;
};

}  // namespace quirlo
