// The cache files: when each module role accepts them, when the configuration module
// rebuilds and rewrites them, and that the renderer never parses text or writes a file.
#include "keld/cache_files.h"
#include "keld/model_layout.h"
#include "support/data_layer_fixture.h"

#include <cstring>
#include <fstream>
#include <string>

namespace {

using keld::test::kModel2100;
using keld::test::kModel3300;

// Equal byte strings, or where they part (never the bytes themselves: they are binary).
testing::AssertionResult SameBytes(std::string const& a, std::string const& b) {
  if (a == b) return testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size() << ", first difference at byte "
                                     << at;
}

class CacheFilesTest : public keld::test::DataLayerTest {
 protected:
  std::filesystem::path common_cache() const { return system_file("KELDCOM.cah"); }
  std::filesystem::path model_cache() const { return system_file("CP2100.cah"); }

  keld::VersionRecord load(char16_t const* model = kModel2100, BOOL force = FALSE) {
    keld::VersionRecord record{};
    keld::GetBinaryFileDataEx(model, &record, force);
    return record;
  }
  // Starts the module afresh: only the cache files remain.
  void restart() {
    keld::FreeSharedBlock();
    win32::profile_flush_cache();
  }
  void rewrite(std::filesystem::path const& file, std::string const& bytes) const {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string bytes_of(keld::ModelEntry const& entry) const {
    return std::string(reinterpret_cast<char const*>(&entry), sizeof entry);
  }
};

// A copy of a cache file image with the short at `at` set to `value`, or raised by one.
std::string WithShort(std::string bytes, std::size_t at, std::uint16_t value) {
  std::memcpy(bytes.data() + at, &value, 2);
  return bytes;
}

std::string WithShortRaised(std::string const& bytes, std::size_t at) {
  std::uint16_t value = 0;
  std::memcpy(&value, bytes.data() + at, 2);
  return WithShort(bytes, at, static_cast<std::uint16_t>(value + 1));
}

TEST_F(CacheFilesTest, CacheNamesComeFromTheIndexFile) {
  EXPECT_EQ(win32::to_utf8(keld::CommonCacheNameMake()), common_cache().string());
  EXPECT_EQ(win32::to_utf8(keld::ModelCacheNameMake(kModel2100)), model_cache().string());
  EXPECT_EQ(win32::to_utf8(keld::ModelCacheNameMake(u"zozarad cp-3300d")), system_file("CP3300D.cah").string());
  EXPECT_TRUE(keld::ModelCacheNameMake(u"No Such Model").empty());
  // Only the file name of a data file counts: its cache stays in the system folder.
  set_key("KELD.DAT", kModel2100, u"DefaultFile", u"..\\..\\outside.v2.INI");
  win32::profile_flush_cache();
  EXPECT_EQ(win32::to_utf8(keld::ModelCacheNameMake(kModel2100)), system_file("outside.cah").string());
}

TEST_F(CacheFilesTest, FirstLoadWritesBothCachesAndTheNextUsesThem) {
  load();
  auto counters = keld::GetDataLoadCounters();
  EXPECT_EQ(counters.commonRebuilds, 1);
  EXPECT_EQ(counters.modelRebuilds, 1);
  EXPECT_EQ(counters.cacheWrites, 2);

  std::string const common = win32::test::MachineRoot::read_file(common_cache());
  std::string const model = win32::test::MachineRoot::read_file(model_cache());
  ASSERT_EQ(common.size(), 13332u);
  ASSERT_EQ(model.size(), 17500u);
  std::uint32_t first = 0;
  std::memcpy(&first, common.data(), 4);
  EXPECT_EQ(first, 13332u);
  std::memcpy(&first, model.data(), 4);
  EXPECT_EQ(first, 17500u);

  std::string const built = bytes_of(*keld::GetUDDetailTBL(kModel2100));
  restart();
  load();
  counters = keld::GetDataLoadCounters();
  EXPECT_EQ(counters.commonCacheHits, 1);
  EXPECT_EQ(counters.modelCacheHits, 1);
  EXPECT_EQ(counters.commonRebuilds + counters.modelRebuilds + counters.cacheWrites, 0);
  EXPECT_TRUE(SameBytes(bytes_of(*keld::GetUDDetailTBL(kModel2100)), built)) << "the cache gives the entry the text files gave";
}

TEST_F(CacheFilesTest, RaisedModelVersionRebuildsOnlyTheModelCacheOnce) {
  load();
  std::string const common = win32::test::MachineRoot::read_file(common_cache());
  auto const commonTime = std::filesystem::last_write_time(common_cache());

  set_key("CP2100.INI", u"VERSION", u"Ver", u"3");
  keld::VersionRecord record = load();
  EXPECT_EQ(record.wModelVer, 3);
  load();
  load();
  auto counters = keld::GetDataLoadCounters();
  EXPECT_EQ(counters.modelRebuilds, 2) << "the first load and the one after the version change";
  EXPECT_EQ(counters.commonRebuilds, 1);

  // A fresh module finds the new model cache valid and the old common cache still valid.
  restart();
  load();
  counters = keld::GetDataLoadCounters();
  EXPECT_EQ(counters.modelCacheHits, 1);
  EXPECT_EQ(counters.commonCacheHits, 1);
  EXPECT_EQ(counters.modelRebuilds + counters.commonRebuilds, 0);
  EXPECT_TRUE(SameBytes(win32::test::MachineRoot::read_file(common_cache()), common));
  EXPECT_EQ(std::filesystem::last_write_time(common_cache()), commonTime);
}

TEST_F(CacheFilesTest, BrokenModelCachesAreRebuilt) {
  load();
  // The model as a fresh module rebuilds it next to a valid common cache (the common table
  // then counts all 64 papers, so the masks of all 64 are read).
  restart();
  std::filesystem::remove(model_cache());
  load();
  std::string const good = win32::test::MachineRoot::read_file(model_cache());
  ASSERT_EQ(good.size(), 17500u);
  auto with = [&](std::size_t at, std::uint16_t value) { return WithShort(good, at, value); };
  auto raised = [&](std::size_t at) { return WithShortRaised(good, at); };
  struct Case {
    char const* what;
    std::string bytes;
  };
  Case const cases[] = {
      {"empty", ""},
      {"17499 bytes", good.substr(0, 17499)},
      {"17501 bytes", good + '\0'},
      {"first dword 17499", with(0, 17499)},
      {"first dword high half", with(2, 1)},
      {"common version", raised(8)},
      {"regional version", raised(10)},
      {"model version", raised(12)},
      {"custom version", raised(14)},
  };
  for (auto const& c : cases) {
    rewrite(model_cache(), c.bytes);
    restart();
    load();
    auto const counters = keld::GetDataLoadCounters();
    EXPECT_EQ(counters.modelRebuilds, 1) << c.what;
    EXPECT_EQ(counters.commonCacheHits, 1) << c.what;
    EXPECT_TRUE(SameBytes(win32::test::MachineRoot::read_file(model_cache()), good)) << c.what;
  }
}

TEST_F(CacheFilesTest, BrokenCommonCachesAreRebuilt) {
  load();
  std::string const good = win32::test::MachineRoot::read_file(common_cache());
  auto with = [&](std::size_t at, std::uint16_t value) { return WithShort(good, at, value); };
  auto raised = [&](std::size_t at) { return WithShortRaised(good, at); };
  struct Case {
    char const* what;
    std::string bytes;
  };
  Case const cases[] = {
      {"empty", ""},
      {"one byte short", good.substr(0, good.size() - 1)},
      {"one byte over", good + 'x'},
      {"first dword", with(0, 13331)},
      {"common version", raised(4)},
      {"regional version", raised(6)},
  };
  for (auto const& c : cases) {
    rewrite(common_cache(), c.bytes);
    restart();
    load();
    auto const counters = keld::GetDataLoadCounters();
    EXPECT_EQ(counters.commonRebuilds, 1) << c.what;
    EXPECT_EQ(counters.modelCacheHits, 1) << c.what;
    EXPECT_TRUE(SameBytes(win32::test::MachineRoot::read_file(common_cache()), good)) << c.what;
  }
}

TEST_F(CacheFilesTest, ModelCacheOfAnotherModelIsNotTaken) {
  // Both models name data files with the base name "CP2100": they share one cache file.
  set_key("KELD.DAT", kModel3300, u"DefaultFile", u"CP2100.INI");
  win32::profile_flush_cache();
  load(kModel2100);
  std::string const cache2100 = win32::test::MachineRoot::read_file(model_cache());

  restart();
  keld::SetDataRole(keld::DataRole::Rendering);
  load(kModel3300);
  EXPECT_EQ(keld::GetUDDetailTBL(kModel3300), nullptr);

  restart();
  keld::SetDataRole(keld::DataRole::Configuration);
  load(kModel3300);
  EXPECT_EQ(keld::GetDataLoadCounters().modelRebuilds, 1);
  keld::ModelEntry const* entry = keld::GetUDDetailTBL(kModel3300);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(std::u16string(entry->info.szModelName), kModel3300);
  EXPECT_FALSE(SameBytes(win32::test::MachineRoot::read_file(model_cache()), cache2100));
}

TEST_F(CacheFilesTest, ForceRebuildsBothFromTheTextFilesOfTheSameVersion) {
  load();
  // An edit without a raised "Ver" is seen only when forced.
  set_key("CP2100C.INI", u"PRINTERINFO", u"wPPM", u"77");
  load();
  EXPECT_NE(keld::GetPrinterInfo(kModel2100)->wPPM, 77);
  load(kModel2100, TRUE);
  auto const counters = keld::GetDataLoadCounters();
  EXPECT_EQ(counters.commonRebuilds, 2);
  EXPECT_EQ(counters.modelRebuilds, 2);
  EXPECT_EQ(counters.commonCacheHits + counters.modelCacheHits, 0);
  EXPECT_EQ(keld::GetPrinterInfo(kModel2100)->wPPM, 77);

  // The renderer cannot parse text: forced, it reads its caches again.
  restart();
  keld::SetDataRole(keld::DataRole::Rendering);
  load(kModel2100, TRUE);
  EXPECT_EQ(keld::GetDataLoadCounters().modelCacheHits, 1);
  EXPECT_EQ(keld::GetPrinterInfo(kModel2100)->wPPM, 77);
}

TEST_F(CacheFilesTest, RendererReadsCachesOnlyAndIgnoresTheirVersions) {
  load();  // the configuration module builds the caches
  std::string const built = bytes_of(*keld::GetUDDetailTBL(kModel2100));
  set_key("CP2100.INI", u"VERSION", u"Ver", u"9");
  set_key("KELDCOM.INI", u"VERSION", u"Ver", u"9");

  restart();
  keld::SetDataRole(keld::DataRole::Rendering);
  keld::VersionRecord const record = load();
  EXPECT_EQ(record.wModelVer, 2) << "the entry keeps the versions the cache carries";
  auto const counters = keld::GetDataLoadCounters();
  EXPECT_EQ(counters.modelCacheHits, 1);
  EXPECT_EQ(counters.commonCacheHits, 1);
  EXPECT_EQ(counters.modelRebuilds + counters.commonRebuilds + counters.cacheWrites, 0);
  keld::ModelEntry const* entry = keld::GetUDDetailTBL(kModel2100);
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(SameBytes(bytes_of(*entry), built));
}

TEST_F(CacheFilesTest, RendererWithoutCachesLeavesTheModelUnloaded) {
  keld::SetDataRole(keld::DataRole::Rendering);
  load();
  load(kModel3300, TRUE);
  EXPECT_EQ(keld::GetUDDetailTBL(kModel2100), nullptr);
  EXPECT_EQ(keld::GetUIDefauleTBL(kModel2100), nullptr);
  EXPECT_EQ(keld::GetPrinterInfo(kModel2100), nullptr);
  EXPECT_EQ(keld::GetPrinterInfo(kModel3300), nullptr);
  EXPECT_FALSE(std::filesystem::exists(common_cache()));
  EXPECT_FALSE(std::filesystem::exists(model_cache()));
  EXPECT_EQ(keld::GetDataLoadCounters().cacheWrites, 0);
  // The unloaded model is not added again on every call.
  load();
  EXPECT_EQ(keld::GetSharedBlockHeader()->wModelCount, 2);
  // The common tables stay zero.
  EXPECT_EQ(keld::GetCommonPaperTable()->papers[0].wPaperID, 0);

  // A short model cache is ignored the same way.
  keld::SetDataRole(keld::DataRole::Configuration);
  load();
  std::string const good = win32::test::MachineRoot::read_file(model_cache());
  rewrite(model_cache(), good.substr(0, 17499));
  restart();
  keld::SetDataRole(keld::DataRole::Rendering);
  load();
  EXPECT_EQ(keld::GetUDDetailTBL(kModel2100), nullptr);
  EXPECT_NE(keld::GetCommonPaperTable()->papers[0].wPaperID, 0) << "the common cache was fine";
}

}  // namespace
