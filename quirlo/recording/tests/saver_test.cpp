#include "quirlo/recording/saver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <sstream>

#include "../../platform/tests/temp_dir.h"

namespace quirlo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;

void Put(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

TEST(qplat_TSaver, LoadsTheFileAndBacksItUp) {
  TempDir root;
  TSaver saver(root.path());
  Put(root.path() / "analog" / "analog.txt", "ABCDEFGH");
  std::array<char, 8> rec{};
  const auto r = saver.Load("analog", "analog.txt", rec);
  EXPECT_TRUE(r.found);
  EXPECT_FALSE(r.fromFactory);
  EXPECT_EQ(r.bytes, 8u);
  EXPECT_EQ(std::string(rec.data(), 8), "ABCDEFGH");
  EXPECT_EQ(ReadFileBytes(root.path() / "analog" / "analog.001"), "ABCDEFGH");
}

TEST(qplat_TSaver, FallsBackToTheFactoryTwinAndTheFirstSaveWritesTheFile) {
  TempDir root;
  TSaver saver(root.path());
  Put(root.path() / "analog" / "analog.mfg", "factory!");
  std::array<char, 8> rec{};
  const auto r = saver.Load("analog", "analog.txt", rec);
  EXPECT_TRUE(r.found);
  EXPECT_TRUE(r.fromFactory);
  EXPECT_EQ(std::string(rec.data(), 8), "factory!");
  EXPECT_EQ(ReadFileBytes(root.path() / "analog" / "analog.001"), "factory!");  // shared backup names
  rec[0] = 'F';
  ASSERT_TRUE(saver.Save("analog", "analog.txt", rec));
  EXPECT_EQ(ReadFileBytes(root.path() / "analog" / "analog.txt"), "Factory!");
  EXPECT_EQ(ReadFileBytes(root.path() / "analog" / "analog.mfg"), "factory!");
}

TEST(qplat_TSaver, NothingFoundLeavesTheRecordAndCreatesTheFolder) {
  TempDir root;
  TSaver saver(root.path());
  std::array<unsigned char, 4> rec;
  rec.fill(0xcc);
  const auto r = saver.Load("rbuffer", "record_buffer.txt", rec);
  EXPECT_FALSE(r);
  EXPECT_EQ(rec, (std::array<unsigned char, 4>{0xcc, 0xcc, 0xcc, 0xcc}));
  EXPECT_TRUE(fs::is_directory(root.path() / "rbuffer"));
  EXPECT_TRUE(fs::is_empty(root.path() / "rbuffer"));  // no backup of nothing
}

TEST(qplat_TSaver, AnUnreadableFileCountsAsMissing) {
  TempDir root;
  TSaver saver(root.path());
  fs::create_directories(root.path() / "math" / "math.txt");  // a folder where the file should be
  std::array<char, 4> rec{'k', 'e', 'e', 'p'};
  EXPECT_FALSE(saver.Load("math", "math.txt", rec));
  EXPECT_EQ(std::string(rec.data(), 4), "keep");
  Put(root.path() / "math" / "math.mfg", "mfg!");
  const auto r = saver.Load("math", "math.txt", rec);
  EXPECT_TRUE(r.fromFactory);
  EXPECT_EQ(std::string(rec.data(), 4), "mfg!");
}

TEST(qplat_TSaver, ShortAndLongFilesFillWhatTheyCan) {
  TempDir root;
  TSaver saver(root.path());
  struct Case {
    std::string file;
    std::size_t expected;
    std::string rec;
  } const cases[] = {
      {"", 0, "\xcc\xcc\xcc\xcc\xcc\xcc"},
      {"abc", 3, "abc\xcc\xcc\xcc"},          // short: the rest keeps its defaults
      {"abcdef", 6, "abcdef"},                // exact fit
      {"abcdefgh", 6, "abcdef"},              // long: the excess is ignored
  };
  for (const auto& c : cases) {
    Put(root.path() / "f" / "r.txt", c.file);
    std::array<char, 6> rec;
    rec.fill('\xcc');
    const auto r = saver.Load("f", "r.txt", rec);
    EXPECT_TRUE(r.found) << c.file;
    EXPECT_EQ(r.bytes, c.expected) << c.file;
    EXPECT_EQ(std::string(rec.data(), 6), c.rec) << c.file;
  }
}

TEST(qplat_TSaver, KeepsTheLastHundredLoadsNumbered) {
  TempDir root;
  TSaver saver(root.path());
  const fs::path dir = root.path() / "analog";
  std::array<char, 4> rec{};
  // 101 starts, each loading the file as the previous run saved it.
  for (int start = 1; start <= 101; ++start) {
    char text[5];
    std::snprintf(text, sizeof text, "%04d", start);
    Put(dir / "analog.txt", text);
    ASSERT_TRUE(saver.Load("analog", "analog.txt", rec));
  }
  EXPECT_FALSE(fs::exists(dir / "analog.101"));
  EXPECT_EQ(ReadFileBytes(dir / "analog.001"), "0002");
  EXPECT_EQ(ReadFileBytes(dir / "analog.050"), "0051");
  EXPECT_EQ(ReadFileBytes(dir / "analog.100"), "0101");
  // Strays beyond .100 (left by another build) are cleared at the next rotation.
  Put(dir / "analog.101", "x");
  Put(dir / "analog.102", "y");
  Put(dir / "analog.txt", "0102");
  ASSERT_TRUE(saver.Load("analog", "analog.txt", rec));
  EXPECT_EQ(ReadFileBytes(dir / "analog.100"), "0102");
  EXPECT_EQ(ReadFileBytes(dir / "analog.001"), "0003");
  EXPECT_FALSE(fs::exists(dir / "analog.101"));
  EXPECT_FALSE(fs::exists(dir / "analog.102"));
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++files;
  EXPECT_EQ(files, 101u);
}

TEST(qplat_TSaver, AFolderThatCannotBeCreatedRaisesCannotCreate) {
  TempDir root;
  Put(root.path() / "blocked", "a file where the folder should be");
  TSaver saver(root.path());
  std::array<char, 4> rec{};
  try {
    saver.Load("blocked", "x.txt", rec);
    FAIL() << "no error raised";
  } catch (const SettingsFolderError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create " + (root.path() / "blocked").string());
  }
  EXPECT_FALSE(saver.Save("blocked", "x.txt", rec));  // reported by the result only
}

TEST(qplat_TSaver, SaveOverwritesFromTheStartWithoutShortening) {
  TempDir root;
  TSaver saver(root.path());
  const std::array<char, 4> rec{'n', 'e', 'w', '!'};
  struct Case {
    const char* what;
    std::string before;  // "" = no file yet
    std::string after;
  } const cases[] = {
      {"no file", "", "new!"},
      {"shorter file", "ol", "new!"},
      {"exact fit", "old.", "new!"},
      // A longer record's trailing section (another build's) survives the save.
      {"longer file", "old.TAIL", "new!TAIL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = root.path() / "bars" / "bars.txt";
    fs::remove(file);
    if (!c.before.empty()) Put(file, c.before);
    ASSERT_TRUE(saver.Save("bars", "bars.txt", rec));
    EXPECT_EQ(ReadFileBytes(file), c.after);
    for (const auto& e : fs::directory_iterator(root.path() / "bars"))
      EXPECT_EQ(e.path().filename(), "bars.txt");  // no temporary left behind
  }
}

TEST(qplat_TSaver, BackupNames) {
  EXPECT_EQ(TSaver::BackupName("analog.txt", 1), "analog.001");
  EXPECT_EQ(TSaver::BackupName("serial in.txt", 100), "serial in.100");
  EXPECT_EQ(TSaver::BackupName("display_buffer.txt", 42), "display_buffer.042");
}

}  // namespace
}  // namespace quirlo
