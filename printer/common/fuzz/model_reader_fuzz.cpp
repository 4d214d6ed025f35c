// Fuzzes reading whole data files: the input is split at the first NUL byte pair into a model
// data file and a common data file, which are read as "Fuzz Model" and its common paper table.
// Whatever the bytes, the reader must fill the tables without reading or writing outside them.
#include "keld/model_files.h"
#include "keld/model_layout.h"
#include "keld/model_reader.h"

#include <win32/profile.h>
#include <win32/text.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

fs::path Folder() {
  static const fs::path folder = [] {
    const fs::path root = fs::temp_directory_path() / ("keld_fuzz_model_reader_" + std::to_string(::getpid()));
    fs::create_directories(root / "drv");
    ::setenv("W32_MACHINE_ROOT", root.c_str(), 1);
    std::ofstream(root / "drv" / "KELD.DAT")
        << "[Common]\nInitDataFile2=COMMON.INI\n[Fuzz Model]\nDefaultFile=MODEL.INI\nCustomFile=MODELC.INI\n";
    std::ofstream(root / "drv" / "MODELC.INI") << "[PRINTERINFO]\nwPPM=12\n";
    keld::SetDataDirectory(win32::to_utf16((root / "drv").string()));
    return root / "drv";
  }();
  return folder;
}

void Write(fs::path const& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path folder = Folder();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find(std::string_view("\0\0", 2));
  Write(folder / "MODEL.INI", input.substr(0, split));
  Write(folder / "COMMON.INI", split == std::string_view::npos ? std::string_view() : input.substr(split + 2));
  win32::profile_flush_cache();

  auto papers = std::make_unique<keld::PaperTable>();
  const int count = keld::ReadCommonPaperTable(win32::to_utf16((folder / "COMMON.INI").string()), *papers);
  if (count < 0 || count > keld::kCommonPaperCount) std::abort();
  for (int i = 0; i < count; ++i) {
    const keld::PaperRecord& p = papers->papers[i];
    if (p.portrait.wCommandLength < 0 || p.portrait.wCommandLength > keld::kPaperCommandBytes) std::abort();
    if (p.landscape.wCommandLength < 0 || p.landscape.wCommandLength > keld::kPaperCommandBytes) std::abort();
    if (p.szName[63] != 0) std::abort();
  }

  auto entry = std::make_unique<keld::ModelEntry>();
  keld::UIDefault_Read(u"Fuzz Model", *entry, *papers, count);
  const keld::ModelRecord& info = entry->info;
  if (info.paperList.dwCount > keld::kModelPaperListSize || info.sourceList.dwCount > keld::kModelListSize ||
      info.mediaTypeList.dwCount > keld::kModelListSize || entry->defaults.UDwJobType != 0 ||
      entry->defaults.UDszFont[31] != 0 || entry->subst[31].szTrueTypeName[63] != 0) {
    std::abort();
  }
  return 0;
}
