#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "quirlo/acquisition/app_settings.h"
#include "quirlo/acquisition/channel_table.h"
#include "../../platform/tests/temp_dir.h"

using quirlo::testing::ReadFileBytes;
using quirlo::testing::TempDir;

namespace qa = quirlo::acquisition;
namespace fs = std::filesystem;

TEST(qcore_ChannelTable, DefaultsWrittenAtOnceWhenMissing) {
  TempDir dir;
  quirlo::TSaver saver(dir.path());
  qa::TChannelTable table{};
  EXPECT_FALSE(qa::LoadChannelTable(saver, table));

  const fs::path file = dir.path() / "channels" / "chan.txt";
  ASSERT_TRUE(fs::exists(file));
  const std::string bytes = ReadFileBytes(file);
  ASSERT_EQ(bytes.size(), 2232u);
  for (int i = 0; i < qa::kChannelCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(qa::FieldText(table[i].Name), "Channel " + std::to_string(i + 1));
    EXPECT_EQ(qa::FieldText(table[i].Units), "Units");
    EXPECT_EQ(table[i].IsMath, 0);
    EXPECT_EQ(+table[i].Number, i + 1);
    EXPECT_EQ(+table[i].SourceKind, 1);
    EXPECT_EQ(+table[i].SourceIndex, 0);
  }
  // Record 2 in the file: "Channel 3" at 186, Number at 186 + 81 little-endian.
  EXPECT_EQ(bytes.substr(186, 10), std::string("Channel 3\0", 10));
  EXPECT_EQ(bytes[186 + 81], 3);
  EXPECT_EQ(bytes[186 + 85], 1);

  // The next start reads the file (not the defaults) and backs it up.
  table[4].SourceKind = static_cast<int32_t>(qa::TSourceKind::Math);
  qa::SetFieldText(table[4].Name, "Pressure");
  ASSERT_TRUE(qa::SaveChannelTable(saver, table));
  qa::TChannelTable again{};
  EXPECT_TRUE(qa::LoadChannelTable(saver, again));
  EXPECT_EQ(qa::FieldText(again[4].Name), "Pressure");
  EXPECT_EQ(+again[4].SourceKind, 6);
  EXPECT_TRUE(fs::exists(dir.path() / "channels" / "chan.001"));
}

TEST(qcore_ChannelTable, FactoryTwinIsUsedWhenFileMissing) {
  TempDir dir;
  quirlo::TSaver saver(dir.path());
  qa::TChannelTable factory = qa::DefaultChannelTable();
  qa::SetFieldText(factory[0].Name, "Hookload");
  fs::create_directories(dir.path() / "channels");
  std::ofstream(dir.path() / "channels" / "chan.mfg", std::ios::binary)
      .write(reinterpret_cast<const char*>(&factory), sizeof factory);
  qa::TChannelTable table{};
  EXPECT_TRUE(qa::LoadChannelTable(saver, table));
  EXPECT_EQ(qa::FieldText(table[0].Name), "Hookload");
  EXPECT_FALSE(fs::exists(dir.path() / "channels" / "chan.txt"));
}

TEST(qcore_ChannelTable, TextFieldsStayInBounds) {
  qa::TChannelDef def{};
  std::memset(def.Name, 'x', sizeof def.Name);  // a stored name without its NUL
  EXPECT_EQ(qa::FieldText(def.Name), std::string(40, 'x'));
  qa::SetFieldText(def.Name, std::string(60, 'y'));
  EXPECT_EQ(qa::FieldText(def.Name), std::string(39, 'y'));
  qa::SetFieldText(def.Name, "ab");
  EXPECT_EQ(def.Name[2], '\0');
  EXPECT_EQ(def.Name[39], '\0');
}

TEST(qcore_ChannelTable, SourceKinds) {
  struct Row {
    int32_t kind;
    int serialInput;
    int indexCount;
  };
  const Row rows[] = {{0, -1, 0},  {1, -1, 8}, {2, -1, 6},   {3, -1, 6},  {4, -1, 8},
                      {5, 0, 128}, {6, -1, 1}, {7, 1, 128},  {13, 7, 128}, {14, -1, 0},
                      {-1, -1, 0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.kind);
    EXPECT_EQ(qa::SerialInputOfKind(r.kind), r.serialInput);
    EXPECT_EQ(qa::SourceIndexCount(r.kind), r.indexCount);
    if (r.serialInput >= 0) {
      EXPECT_EQ(qa::KindOfSerialInput(r.serialInput), r.kind);
    }
  }
}

TEST(qcore_AppSettings, DelimiterStoredForms) {
  struct Row {
    const char* stored;
    const char* delimiter;
  };
  const Row rows[] = {{"T", "\t"}, {",", ","}, {";", ";"}, {"t", "t"}, {"", ","}, {"::", "::"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.stored);
    EXPECT_EQ(qa::DelimiterFromStored(r.stored), r.delimiter);
  }
  EXPECT_EQ(qa::DelimiterToStored("\t"), "T");
  EXPECT_EQ(qa::DelimiterToStored(";"), ";");

  TempDir dir;
  auto ini = quirlo::TiniSettings::AtPath(dir.path() / "settings.ini");
  EXPECT_EQ(qa::ReadDelimiter(ini), ",");  // no file yet
  ASSERT_TRUE(qa::WriteDelimiter(ini, "\t"));
  EXPECT_EQ(ini.ReadString("MAIN", "Delimiter", "?"), "T");
  EXPECT_EQ(qa::ReadDelimiter(ini), "\t");
}

TEST(qcore_AppSettings, ToolbarLayoutKeepsCurrentWhenMissing) {
  TempDir dir;
  quirlo::TSaver saver(dir.path());
  qa::TToolbarLayout layout{};
  layout.Band[2] = {7, 2, 310, 1};
  EXPECT_FALSE(qa::LoadToolbarLayout(saver, layout));
  EXPECT_EQ(+layout.Band[2].Width, 310);

  ASSERT_TRUE(qa::SaveToolbarLayout(saver, layout));
  const std::string bytes = ReadFileBytes(dir.path() / "bars" / "bars.txt");
  ASSERT_EQ(bytes.size(), 52u);
  EXPECT_EQ(bytes[26], 7);                            // band 2 identifier
  EXPECT_EQ(static_cast<uint8_t>(bytes[34]), 310 & 0xFF);  // band 2 width, low byte
  EXPECT_EQ(bytes[38], 1);                            // band 2 break flag

  qa::TToolbarLayout loaded{};
  EXPECT_TRUE(qa::LoadToolbarLayout(saver, loaded));
  EXPECT_EQ(std::memcmp(&loaded, &layout, sizeof layout), 0);
}
