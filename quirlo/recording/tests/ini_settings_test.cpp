#include "quirlo/recording/ini_settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../../platform/tests/temp_dir.h"

namespace quirlo {
namespace {

namespace fs = std::filesystem;

using testing::ReadFileBytes;
using testing::TempDir;

TEST(qplat_TiniSettings, RoundTripAndMissingKeyDefault) {
  TempDir dir;
  auto ini = TiniSettings::AtPath(dir.path() / "settings.ini");
  EXPECT_EQ(ini.ReadString("MAIN", "Delimiter", ","), ",");  // no file yet
  ASSERT_TRUE(ini.WriteString("MAIN", "Delimiter", "T"));
  EXPECT_EQ(ini.ReadString("main", "DELIMITER", ","), "T");
  EXPECT_EQ(ini.ReadString("MAIN", "Other", "x"), "x");
  EXPECT_EQ(ini.ReadInteger("MAIN", "Delimiter", 7), 7);  // no number in "T"
  ASSERT_TRUE(ini.WriteInteger("PORTS", "Count", -12));
  EXPECT_EQ(ini.ReadInteger("PORTS", "Count", 0), -12);
}

TEST(qplat_TiniSettings, WriteKeepsOtherSectionsKeysAndComments) {
  TempDir dir;
  const fs::path file = dir.path() / "settings.ini";
  std::ofstream(file) << "; kept comment\n[MAIN]\nDelimiter=;\nExtra = 1\n\n[PORTS]\nCOM3=/dev/ttyUSB0\n";
  auto ini = TiniSettings::AtPath(file);
  ASSERT_TRUE(ini.WriteString("MAIN", "Delimiter", ","));
  ASSERT_TRUE(ini.WriteString("MAIN", "New", "v"));
  ASSERT_TRUE(ini.WriteString("OTHER", "K", "w"));
  EXPECT_EQ(ReadFileBytes(file),
            "; kept comment\n[MAIN]\nDelimiter=,\nExtra = 1\nNew=v\n\n[PORTS]\nCOM3=/dev/ttyUSB0\n"
            "[OTHER]\nK=w\n");
}

TEST(qplat_TiniSettings, KeepsCrLfLineEnds) {
  TempDir dir;
  const fs::path file = dir.path() / "settings.ini";
  std::ofstream(file, std::ios::binary) << "[MAIN]\r\nDelimiter=;\r\n";
  auto ini = TiniSettings::AtPath(file);
  EXPECT_EQ(ini.ReadString("MAIN", "Delimiter", ","), ";");
  ASSERT_TRUE(ini.WriteString("MAIN", "Delimiter", "|"));
  ASSERT_TRUE(ini.WriteString("PORTS", "COM3", "/dev/ttyUSB0"));
  EXPECT_EQ(ReadFileBytes(file), "[MAIN]\r\nDelimiter=|\r\n[PORTS]\r\nCOM3=/dev/ttyUSB0\r\n");
}

TEST(qplat_TiniSettings, ReadsThroughA256CharacterBufferAndStripsQuotes) {
  TempDir dir;
  const fs::path file = dir.path() / "settings.ini";
  std::ofstream(file) << "[A]\nlong=" << std::string(300, 'x') << "\nq = \" padded \" \n";
  auto ini = TiniSettings::AtPath(file);
  EXPECT_EQ(ini.ReadString("A", "long", "").size(), 255u);
  EXPECT_EQ(ini.ReadString("A", "q", ""), " padded ");
}

TEST(qplat_TiniSettings, ValuesWithBlankEndsOrQuotesReadBackUnchanged) {
  TempDir dir;
  auto ini = TiniSettings::AtPath(dir.path() / "settings.ini");
  for (const std::string v : {" ", "\t", "  padded ", "\"q\"", "'", "a b", ""}) {
    ASSERT_TRUE(ini.WriteString("MAIN", "Delimiter", v));
    EXPECT_EQ(ini.ReadString("MAIN", "Delimiter", "fallback"), v) << "[" << v << "]";
  }
}

TEST(qplat_TiniSettings, RefusesLineBreaksAndLeavesTheFileAlone) {
  TempDir dir;
  const fs::path file = dir.path() / "settings.ini";
  auto ini = TiniSettings::AtPath(file);
  ASSERT_TRUE(ini.WriteString("MAIN", "Delimiter", ","));
  EXPECT_FALSE(ini.WriteString("MAIN", "Delimiter", "a\nb"));
  EXPECT_FALSE(ini.WriteString("MAIN", "bad=key", "x"));
  EXPECT_EQ(ReadFileBytes(file), "[MAIN]\nDelimiter=,\n");
}

}  // namespace
}  // namespace quirlo
