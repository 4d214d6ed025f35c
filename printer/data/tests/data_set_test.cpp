// The shipped data set: every data file read through the layer's profile reader and every
// resource module through LoadLibraryW/FindResourceW, checked against the grammar and the
// sizes the data layer relies on.
#include "keld/data_resources.h"
#include "keld/data_set.h"

#include "win32/module.h"
#include "win32/profile.h"
#include "win32/resource.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Value syntax of the data files: comma-separated items, a semicolon ends the value.
std::vector<std::string> items(std::string value) {
  const auto semi = value.find(';');
  if (semi != std::string::npos) value.resize(semi);
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (char c : value) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  for (auto& s : out) {
    s.erase(0, s.find_first_not_of(" \t"));
    s.erase(s.find_last_not_of(" \t") + 1);
  }
  return out;
}

std::optional<long> number(const std::string& item) {
  if (item.empty()) return std::nullopt;
  std::size_t i = item[0] == '-' ? 1 : 0;
  const bool hex = item.compare(i, 2, "0x") == 0 || item.compare(i, 2, "0X") == 0;
  const std::string digits = item.substr(i + (hex ? 2 : 0));
  if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const long v = std::stol(digits, nullptr, hex ? 16 : 10);
  return i ? -v : v;
}

// A quoted string item with \xHH escapes decoded; nullopt when not quoted.
std::optional<std::string> quoted(const std::string& item) {
  if (item.size() < 2 || item.front() != '"' || item.back() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < item.size(); ++i) {
    if (item[i] == '\\' && i + 3 < item.size() && (item[i + 1] == 'x' || item[i + 1] == 'X')) {
      out += static_cast<char>(std::stoi(item.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += item[i];
    }
  }
  return out;
}

// Yes/no keys: "Yes" or "No" in either case, a comment after a semicolon allowed; an empty
// value or one that starts with the comment counts as absent (nullopt).
std::optional<bool> yes_no(std::string value) {
  value = items(value)[0];
  std::string lower;
  for (char c : value) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "yes") return true;
  if (lower == "no") return false;
  return std::nullopt;
}

class DataSet : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("keld_data_" + std::to_string(::getpid()) + "_" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    ::setenv("W32_MACHINE_ROOT", root_.c_str(), 1);
    std::error_code ec;
    driver_ = keld::install_data_set(root_, ec);
    ASSERT_FALSE(ec) << ec.message();
  }
  void TearDown() override {
    ::unsetenv("W32_MACHINE_ROOT");
    fs::remove_all(root_);
  }

  std::string file(const std::string& name) const { return (driver_ / name).string(); }

  std::optional<std::string> read(const std::string& path, const std::string& section, const std::string& key) const {
    std::u16string buffer(4096, u'\0');
    const std::u16string marker = u"\x01missing";
    const DWORD n = GetPrivateProfileStringW(win32::to_utf16(section).c_str(), win32::to_utf16(key).c_str(),
                                             marker.c_str(), buffer.data(), 4096, win32::to_utf16(path).c_str());
    buffer.resize(n);
    if (buffer == marker) return std::nullopt;
    return win32::to_utf8(buffer);
  }
  std::string need(const std::string& path, const std::string& section, const std::string& key) const {
    auto v = read(path, section, key);
    EXPECT_TRUE(v.has_value()) << fs::path(path).filename() << " [" << section << "] " << key;
    return v.value_or("");
  }
  std::vector<std::string> sections(const std::string& path) const {
    std::u16string buffer(8192, u'\0');
    const DWORD n = GetPrivateProfileSectionNamesW(buffer.data(), 8192, win32::to_utf16(path).c_str());
    std::vector<std::string> out;
    for (std::size_t i = 0; i < n;) {
      const auto end = buffer.find(u'\0', i);
      out.push_back(win32::to_utf8(buffer.substr(i, end - i)));
      i = end + 1;
    }
    return out;
  }
  std::vector<long> numbers(const std::string& path, const std::string& section, const std::string& key) const {
    std::vector<long> out;
    for (const auto& item : items(need(path, section, key))) {
      auto v = number(item);
      EXPECT_TRUE(v.has_value()) << section << " " << key << ": '" << item << "'";
      out.push_back(v.value_or(0));
    }
    return out;
  }
  std::vector<std::string> models() const {
    std::vector<std::string> out;
    for (const auto& s : sections(file("KELD.DAT"))) {
      if (s != "Common" && s != "General") out.push_back(s);
    }
    return out;
  }
  int paper_count() const {
    int n = 0;
    while (n < 64 && read(file(common_), "AllPaper", "AllPaper" + std::to_string(n + 1))) ++n;
    return n;
  }

  fs::path root_;
  fs::path driver_;
  std::string common_ = "KELDCOM.INI";
};

// A hardware string token: `head` followed by one position per character of `allowed`, each
// that character or "_" for absent (any other character is a wrong one that the reader turns
// into a catch-all value).
bool positions_valid(const std::string& text, const std::string& head, const std::string& allowed) {
  const auto at = text.find(head);
  if (at == std::string::npos || at + head.size() + allowed.size() > text.size()) return false;
  for (std::size_t i = 0; i < allowed.size(); ++i) {
    const char c = text[at + head.size() + i];
    if (c != '_' && c != allowed[i]) return false;
  }
  return true;
}

// Source/bin/finishing masks: "TRAY." + 9 positions, "STK." + 2, "FIN." + 2, "EJS" + 7.
bool valid_mask(const std::string& mask) {
  return positions_valid(mask, "TRAY.", "12345AMDF") && positions_valid(mask, "STK.", "UD") &&
         positions_valid(mask, "FIN.", "UD") && positions_valid(mask, "EJS", "23L23PS");
}

// Keys of the default job settings table, by section (section names as the driver spells them).
const std::vector<std::pair<const char*, std::vector<const char*>>> kDefaultTableKeys = {
    {"PAPER", {"UDfitpage", "UDCoverPrint", "UDSource_Cover", "UDCoverPrintThick", "UDDriverSetting_Pinfof"}},
    {"ORIENTAION", {"UDOrientation", "UDPortDirect", "UDLandDirect", "UDLongEdge", "UDMPFisManual"}},
    {"COPIES", {"UDCopies", "UDwJobType", "UDfCollate"}},
    {"REQUESTEVERY", {"UDdwJobTypeOption"}},
    {"OPTION", {"UDSouceOption", "UDautotray", "UDsizechk", "UDDuplex", "UDHdd", "UDJobSpool", "UDFinisher"}},
    {"LAYOUTTYPE", {"UDdwFinishingMode", "UDmultipage", "UDdwPageBorder", "UDmultiPort", "UDmultiLand",
            "UDdwSignature", "UD2UP", "UDRightToLeft", "UDEnlarge", "UDRegistMarks", "UDdwRegistColor",
            "UDOverlap", "UDOverlapWidth", "UDCstmX", "UDCstmY", "UDDirectionPort", "UDDirectionAuto"}},
    {"ETC", {"UDdmScale", "UDBandArea_Nup", "UDBandArea_BookLet", "UDBandWidth_Nup", "UDBandWidth_BookLet",
            "UDTonerSave", "UDScaleField"}},
    {"FINISHING", {"UDOutputBin"}},
    {"PROCESSMODE", {"UDColorProcessMode"}},
    {"DUPLEX", {"UDdmDuplex"}},
    {"COLORMODE", {"UDcolormode", "UDColorDensity"}},
    {"COLORMODECOLOR", {"UDhalftone", "UDcoloradjust", "UDcoloradjustOpt"}},
    {"DETAILSETTING", {"UDfOverPrint", "UDfDriverExpand", "UDRop_MultiColor", "UDAlMatte", "UDSpoolEMF",
            "UDTIFF", "UDAdjLine", "UDAP_Collate", "UDMaintenanceCycle", "UDCMYDensity"}},
    {"BLACKFINISH", {"UDBlackFinish"}},
    {"APCOLOR", {"UDfColor"}},
    {"RESOLUTION", {"UDPrintQuality"}},
    {"IMAGEQUALITY", {"UDImageThinOut"}},
    {"FONT", {"UDOUTorBIT"}},
    {"WATERMARK", {"UDwFontSize", "UDwAngle", "UDszFont", "UDlfWeight", "UDlfItalic", "UDdwColor", "UDxOffset",
            "UDyOffset", "UDBasePos", "UDTrim", "UDWM_XOffset", "UDWM_YOffset"}},
    {"PCENV", {"UDDocContents", "UDEnvWarningDlg", "UDFreeHdd_General32", "UDFreeMem_General32",
            "UDFreeGdi_General32", "UDFreeHdd_DTP32", "UDFreeMem_DTP32", "UDFreeGdi_DTP32", "UDEnableEnv"}},
    {"SUPERLONGPAPER", {"UDPaperCut", "UDSLP_PrtMode", "UDSLP_AdjMode", "UDSLP_Start", "UDSLP_Cut",
            "UDSLP_Margin", "UDSLP_Cut_Disabled"}},
    {"OVERLAY", {"UDBkOverlay"}},
};

// PCL page-size codes that the renderer sends for the papers it knows; other papers select the
// custom size (101).
const std::map<long, int> kPageSizeCodes = {
    {9, 26},  {11, 25}, {70, 24}, {13, 100}, {263, 101}, {1, 2},   {5, 3},   {14, 9},   {7, 1},   {43, 71},
    {82, 72}, {73, 77}, {74, 78}, {91, 79},  {27, 90},   {28, 91}, {20, 81}, {37, 80},  {256, 101}, {19, 127},
    {30, 126}, {8, 27}, {12, 46}, {3, 6},    {271, 76},  {272, 101}, {273, 101}, {274, 101}, {275, 102}};

TEST_F(DataSet, IndexNamesEveryFileAndTheThreeModels) {
  const std::string dat = file("KELD.DAT");
  EXPECT_EQ(models(), (std::vector<std::string>{"Zozarad CP-2100", "Zozarad CP-3300D", "Zozarad CP-4500A3"}));
  for (const char* key : {"InitDataFile2", "InitDataFile3"}) EXPECT_TRUE(fs::is_regular_file(file(need(dat, "Common", key))));
  EXPECT_EQ(need(dat, "Common", "InitDataFile2"), common_);
  for (const auto& model : models()) {
    SCOPED_TRACE(model);
    const std::string defaults = need(dat, model, "DefaultFile");
    const std::string custom = need(dat, model, "CustomFile");
    EXPECT_TRUE(fs::is_regular_file(file(defaults)));
    EXPECT_TRUE(fs::is_regular_file(file(custom)));
    // Cache files are named after the part before the first period: they must differ per model.
    EXPECT_NE(defaults.substr(0, defaults.find('.')), "KELDCOM");
  }
  std::set<std::string> caches;
  for (const auto& model : models()) {
    const std::string d = need(dat, model, "DefaultFile");
    EXPECT_TRUE(caches.insert(d.substr(0, d.find('.'))).second) << d;
  }
  EXPECT_EQ(need(dat, "General", "StringResDLL"), "KELDS%s.DLL");
  EXPECT_EQ(need(dat, "General", "DialogResDLL"), "KELDR%s.DLL");
  // File names of the driver are looked up in the model's section first, then in [General]; the
  // help file is a language pattern either way.
  for (const auto& model : models()) {
    const auto help = read(dat, model, "Help File");
    EXPECT_NE(help.value_or(need(dat, "General", "Help File")).find("%s"), std::string::npos) << model;
  }
}

TEST_F(DataSet, CommonModuleCarriesThreeDitherTables) {
  const std::string name = need(file("KELD.DAT"), "Common", "InitDataFile1");
  HMODULE module = LoadLibraryW(win32::to_utf16(file(name)).c_str());
  ASSERT_NE(module, nullptr) << name;
  for (WORD id = 1; id <= 3; ++id) {
    SCOPED_TRACE(id);
    const auto bytes = win32::resource_bytes(module, MAKEINTRESOURCEW(keld::kDitherTableType), MAKEINTRESOURCEW(id));
    ASSERT_EQ(bytes.size(), 516u);
    keld::DitherResource t;
    std::memcpy(&t, bytes.data(), sizeof t);
    const int cells = t.cellWidth * t.cellHeight;
    ASSERT_GT(cells, 1);
    ASSERT_LE(cells, 256);
    EXPECT_EQ(t.toneCurve[0], 0);
    EXPECT_EQ(t.toneCurve[255], 255);
    for (int i = 1; i < 256; ++i) EXPECT_LE(t.toneCurve[i - 1], t.toneCurve[i]) << i;
    // A threshold matrix: from 1 to 255, one level per cell as far as 255 levels allow.
    std::set<int> levels(t.thresholds, t.thresholds + cells);
    EXPECT_EQ(*levels.begin(), 1);
    EXPECT_EQ(*levels.rbegin(), 255);
    EXPECT_GE(levels.size(), static_cast<std::size_t>(std::min(cells, 255) - 1));
    for (int i = cells; i < 256; ++i) EXPECT_EQ(t.thresholds[i], 0);
    // Half grey turns on about half of the cell.
    const auto on = std::count_if(t.thresholds, t.thresholds + cells, [&](int v) { return v <= t.toneCurve[128]; });
    EXPECT_NEAR(static_cast<double>(on) / cells, 0.5, 0.1);
  }
  FreeLibrary(module);
}

TEST_F(DataSet, CommonPaperTable) {
  const std::string path = file(common_);
  EXPECT_GE(numbers(path, "VERSION", "Ver")[0], 1);
  const int n = paper_count();
  EXPECT_GE(n, 32);  // the built-in default paper list indexes papers up to 31
  std::set<long> ids;
  std::map<long, long> types;
  for (int i = 1; i <= n; ++i) {
    SCOPED_TRACE(i);
    const auto head = items(need(path, "AllPaper", "AllPaper" + std::to_string(i)));
    ASSERT_EQ(head.size(), 6u);
    const auto id = number(head[0]);
    ASSERT_TRUE(id.has_value());
    EXPECT_TRUE(ids.insert(*id).second) << "duplicate paper " << *id;
    const auto name = quoted(head[1]);
    ASSERT_TRUE(name.has_value());
    EXPECT_LT(name->size(), 64u);
    // Paper type: 1 name pattern with two size fields, 4 own media type, 16 super-long paper.
    const long type = number(head[2]).value_or(-1);
    EXPECT_TRUE(type == 0 || type == 1 || type == 4 || type == 16) << type;
    types[*id] = type;
    const long width = number(head[4]).value_or(0), length = number(head[5]).value_or(0);
    EXPECT_GT(width, 0);
    EXPECT_GT(length, 0);
    for (const char* side : {"AllPaper_port", "AllPaper_land"}) {
      const auto v = items(need(path, "AllPaper", side + std::to_string(i)));
      ASSERT_EQ(v.size(), 6u);
      const auto cmd = quoted(v[5]);
      ASSERT_TRUE(cmd.has_value());
      EXPECT_EQ(static_cast<long>(cmd->size()), number(v[4]).value_or(-1));
      EXPECT_LE(cmd->size(), 8u);
      // The page-size code of the command is the one the renderer sends for that paper.
      if (const auto code = kPageSizeCodes.find(*id); code != kPageSizeCodes.end()) {
        EXPECT_EQ(*cmd, "\x1b&l" + std::to_string(code->second) + "A");
      }
      EXPECT_EQ(cmd->substr(0, 3), "\x1b&l");
      EXPECT_EQ(cmd->back(), 'A');
      const bool portrait = side == std::string("AllPaper_port");
      EXPECT_EQ(number(v[0]).value_or(0) + 2 * number(v[2]).value_or(0), portrait ? width : length);
    }
    const auto mm = numbers(path, "AllPaper", "AllPaper_mmSize" + std::to_string(i));
    ASSERT_EQ(mm.size(), 2u);
    // 0.1 mm against 1/300 inch: within a millimetre.
    EXPECT_NEAR(mm[0], width * 254.0 / 300.0, 10.0);
    EXPECT_NEAR(mm[1], length * 254.0 / 300.0, 10.0);
  }
  EXPECT_TRUE(ids.count(9) && ids.count(1) && ids.count(256) && ids.count(275));
  EXPECT_EQ(ids.count(264), 0u);  // the envelope variant of the custom size is never listed
  EXPECT_EQ(types[275], 16);
  EXPECT_EQ(types[263], 1);
  EXPECT_TRUE(std::any_of(types.begin(), types.end(), [](const auto& t) { return t.second == 4; }));
}

TEST_F(DataSet, RegionalWatermarksAndPapers) {
  const std::string path = file(need(file("KELD.DAT"), "Common", "InitDataFile3"));
  EXPECT_GE(numbers(path, "VERSION", "Ver")[0], 1);
  const long count = numbers(path, "WatermarkList", "numDefine")[0];
  // Entry lists end with a comma: the reader stops at the first number not followed by one.
  auto entries = items(need(path, "WatermarkList", "WatermarkEntry"));
  ASSERT_TRUE(!entries.empty() && entries.back().empty());
  entries.pop_back();
  ASSERT_EQ(static_cast<long>(entries.size()), count);
  for (const auto& e : entries) {
    SCOPED_TRACE(e);
    const auto line = items(need(path, "WatermarkList", "WMK" + e));
    ASSERT_EQ(line.size(), 15u);
    EXPECT_TRUE(line[9].empty() && line[11].empty() && line[12].empty());
    EXPECT_FALSE(line[10].empty());
    EXPECT_LT(line[8].size(), 32u);
    EXPECT_LT(line[10].size(), 64u);
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 13, 14}) EXPECT_TRUE(number(line[i]).has_value()) << i;
  }
  // Predefined user papers (identifiers 277-532, five items) and long papers (537-575, 14 items).
  for (const auto& [section, low, high, fields] : {std::tuple{"UserDefPaper", 277L, 532L, 5u},
                                                   std::tuple{"UserDefLong", 537L, 575L, 14u}}) {
    SCOPED_TRACE(section);
    auto ids = items(need(path, section, "PaperEntry"));
    ASSERT_TRUE(ids.size() > 1 && ids.back().empty());
    ids.pop_back();
    EXPECT_EQ(static_cast<long>(ids.size()), numbers(path, section, "numDefine")[0]);
    for (const auto& e : ids) {
      const long id = number(e).value_or(0);
      EXPECT_TRUE(id >= low && id <= high) << id;
      const auto line = items(need(path, section, "Paper" + e));
      ASSERT_EQ(line.size(), fields);
      EXPECT_TRUE(!line[0].empty() && line[0].size() <= 37u);
      for (std::size_t i = 1; i < fields; ++i) EXPECT_TRUE(number(line[i]).has_value()) << i;
    }
  }
}

TEST_F(DataSet, ModelFilesHoldEverySectionTheDataLayerReads) {
  const int papers = paper_count();
  for (const auto& model : models()) {
    SCOPED_TRACE(model);
    const std::string path = file(need(file("KELD.DAT"), model, "DefaultFile"));
    const std::string custom = file(need(file("KELD.DAT"), model, "CustomFile"));
    EXPECT_GE(numbers(path, "VERSION", "Ver")[0], 1);
    EXPECT_GE(numbers(custom, "VERSION", "Ver")[0], 1);
    for (const char* list : {"PaperSize", "PaperSize_inch", "PaperSize_mm"}) {
      const auto v = numbers(path, "PRINTERINFO", list);
      EXPECT_LE(v.size(), 64u);
      for (long i : v) EXPECT_TRUE(i >= 0 && i < papers) << list << " " << i;
    }
    for (const auto& [list, limit] : std::vector<std::pair<std::string, long>>{{"Source", 8}, {"PaperType", 12}, {"MediaType", 14}}) {
      const auto v = numbers(path, "PRINTERINFO", list);
      EXPECT_LE(v.size(), 32u);
      for (long i : v) EXPECT_TRUE(i >= 0 && i < limit) << list << " " << i;
    }
    const auto quality = numbers(path, "PRINTERINFO", "QualityType");
    ASSERT_EQ(quality.size(), 4u);
    for (long q : quality) EXPECT_TRUE(q >= -1 && q <= 7);
    for (const char* key : {"InfoType", "iLogoBmpID", "PaperOrder", "SourceOrder", "PaperTypeOrder", "MediatypeOrder",
                            "dwDefAvlMemory", "wPPM", "wModelID", "Measure"}) {
      EXPECT_EQ(numbers(path, "PRINTERINFO", key).size(), 1u) << key;
    }
    const std::string intray = need(path, "PRINTERINFO", "IntrayType");
    EXPECT_TRUE(intray.rfind("TRAY.", 0) == 0 && intray.size() == 13u && positions_valid(intray, "TRAY.", "12345MED")) << intray;
    // Finisher string: "PUNCH." + 3 positions (2, 3, 4), "TRAY." + 5 positions (1 to 5).
    const std::string finisher = need(path, "PRINTERINFO", "wFinisherType");
    EXPECT_TRUE(positions_valid(finisher, "PUNCH.", "234") && positions_valid(finisher, "TRAY.", "12345")) << finisher;

    for (const char* key : {"UDlpgrayEntryMesh", "UDlpgrayEntryLine"}) {
      const auto v = numbers(path, "DITHER", key);
      EXPECT_EQ(v.size(), 32u);
      for (long d : v) EXPECT_TRUE(d >= 1 && d <= 3);
    }
    // Custom-size limits (custom file first): maximum above minimum, 0.1 mm and 300-dpi dots
    // describing the same size, landscape the portrait limits turned.
    for (const char* kind : {"UDDPIChange", "UDFreeSize", "UDFinisherSize"}) {
      const auto limits = [&](const std::string& key) {
        auto v = read(custom, "USERFREESIZE", key);
        return v ? numbers(custom, "USERFREESIZE", key) : numbers(path, "USERFREESIZE", key);
      };
      const auto port = limits(std::string(kind) + "_Portrait");
      const auto land = limits(std::string(kind) + "_Landscape");
      ASSERT_EQ(port.size(), 8u) << kind;
      ASSERT_EQ(land.size(), 8u) << kind;
      EXPECT_TRUE(port[0] >= port[4] && port[1] >= port[5]) << kind;
      for (int i = 0; i < 8; i += 4) {
        EXPECT_NEAR(port[i] * 300.0 / 254.0, port[i + 2], 1.0) << kind << " " << i;
        EXPECT_NEAR(port[i + 1] * 300.0 / 254.0, port[i + 3], 1.0) << kind << " " << i;
      }
      for (int i = 0; i < 8; i += 2) {
        EXPECT_EQ(port[i], land[i + 1]) << kind << " " << i;
        EXPECT_EQ(port[i + 1], land[i]) << kind << " " << i;
      }
    }
    // A mask for every common-table paper and every media type; the custom file's own masks too.
    for (const auto& [section, count] : {std::pair{"PaperSourceType", papers}, std::pair{"AllMediatype", 14}}) {
      for (int i = 1; i <= count; ++i) {
        EXPECT_TRUE(valid_mask(need(path, section, std::to_string(i)))) << section << " " << i;
        if (auto own = read(custom, section, std::to_string(i))) {
          EXPECT_TRUE(valid_mask(*own)) << section << " " << i;
        }
      }
    }
    for (const char* section : {"PRINTERINFO", "DITHER", "USERFREESIZE", "PaperSourceType", "AllMediatype"}) {
      const auto names = sections(custom);
      EXPECT_NE(std::find(names.begin(), names.end(), section), names.end()) << "custom file lacks [" << section << "]";
    }
    // Colour matching presets name files of the driver folder, 256 bytes each.
    for (const char* key : {"StdMonitor_NT", "StdMonitor_NV", "Vivid_NT", "HighBrightness_NV", "DigitalCamera_NT", "sRGB_NV"}) {
      const std::string word = need(path, "COLORMATCHING", key);
      const std::string f = need(path, "COLORMATCHING_FILE", word);
      EXPECT_EQ(fs::file_size(file(f)), 256u) << f;
    }
    // Default job settings: every key of the defaults table, a number (the font face a quoted string).
    for (const auto& [section, keys] : kDefaultTableKeys) {
      for (const char* key : keys) {
        if (std::string(key) == "UDszFont") {
          const std::string face = items(need(path, section, key))[0];
          EXPECT_TRUE(quoted(face).has_value()) << face;
        } else {
          EXPECT_FALSE(numbers(path, section, key).empty()) << section << " " << key;
        }
      }
    }
  }
}

// The capability word of each model: yes/no keys of [PRINTERINFO], custom file first, then the
// model file, else the bit of the built-in word. Between them the models use every form the
// reader knows: explicit keys, keys overridden by the custom file, absent keys (built-in bit),
// and values that count as absent (empty, or a comment only).
TEST_F(DataSet, CapabilityWordsOfTheFamily) {
  constexpr std::uint32_t kBuiltIn = 0x01842C2E;
  const std::vector<std::pair<const char*, std::uint32_t>> bits = {
      {"True1200", 0x1},          {"ResidentFont", 0x2},     {"Japan", 0x4},           {"A3Printer", 0x8},
      {"NoWatermark", 0x10},      {"Duplex", 0x20},          {"DirectRaster", 0x40},   {"EnvRotate", 0x200},
      {"Collate", 0x400},         {"FontSubstitution", 0x800}, {"DuplexOption", 0x1000}, {"Fast600", 0x2000},
      {"OnlyFast600", 0x4000},    {"Monochrome", 0x8000},    {"ReversePortrait", 0x10000}, {"MKK", 0x20000},
      {"GL2", 0x40000},           {"MTP_ShortFeed", 0x100000}, {"Finisher", 0x200000},
      {"WideUserDefinePaper", 0x800000}, {"MPT_Duplex", 0x1000000}, {"EnvMode", 0x2000000}};
  // "HeiseFont" (0x80) is read on Japanese systems only; the family leaves it off.
  const std::map<std::string, std::uint32_t> expected = {
      {"Zozarad CP-2100", 0x00042E02}, {"Zozarad CP-3300D", 0x01223661}, {"Zozarad CP-4500A3", 0x03A53E28}};
  int fromBuiltIn = 0, fromCustom = 0, absentByValue = 0;
  for (const auto& model : models()) {
    SCOPED_TRACE(model);
    const std::string path = file(need(file("KELD.DAT"), model, "DefaultFile"));
    const std::string custom = file(need(file("KELD.DAT"), model, "CustomFile"));
    std::uint32_t word = 0;
    for (const auto& [key, bit] : bits) {
      std::optional<bool> value;
      for (const std::string& f : {custom, path}) {
        const auto text = read(f, "PRINTERINFO", key);
        if (!text) continue;
        value = yes_no(*text);
        if (value) {
          fromCustom += f == custom;
          break;
        }
        // Only an empty value or a bare comment may count as absent; anything else is a typo.
        EXPECT_TRUE(items(*text)[0].empty()) << key << "=" << *text;
        ++absentByValue;
      }
      if (!value) ++fromBuiltIn;
      if (value.value_or((kBuiltIn & bit) != 0)) word |= bit;
    }
    EXPECT_EQ(word, expected.at(model)) << std::hex << word;
    if (auto heise = read(path, "PRINTERINFO", "HeiseFont")) {
      EXPECT_NE(yes_no(*heise), std::optional<bool>(true));
    }
  }
  EXPECT_GT(fromBuiltIn, 0);
  EXPECT_GT(fromCustom, 0);
  EXPECT_GT(absentByValue, 0);
}

// What each model's capabilities promise, its lists and masks deliver.
TEST_F(DataSet, ModelsCarryWhatTheirCapabilitiesNeed) {
  const std::string dat = file("KELD.DAT");
  std::vector<long> paperIds;
  for (int i = 1; i <= paper_count(); ++i) paperIds.push_back(number(items(need(file(common_), "AllPaper", "AllPaper" + std::to_string(i)))[0]).value_or(0));
  auto lists = [&](const std::string& path, const char* key) {
    std::set<long> ids;
    for (long index : numbers(path, "PRINTERINFO", key)) ids.insert(paperIds.at(static_cast<std::size_t>(index)));
    return ids;
  };
  auto mask = [&](const std::string& path, long id) {
    const auto at = std::find(paperIds.begin(), paperIds.end(), id) - paperIds.begin() + 1;
    return need(path, "PaperSourceType", std::to_string(at));
  };
  // Position n (from 1) of a mask's TRAY token.
  auto tray = [](const std::string& m, std::size_t n) { return m.at(m.find("TRAY.") + 4 + n); };
  // Resident fonts and HP-GL/2: substitution defaults that name its device fonts.
  {
    const std::string path = file(need(dat, "Zozarad CP-2100", "DefaultFile"));
    EXPECT_TRUE(read(path, "SUBSTTABLE", "1").has_value());
  }
  // Raster colour, duplex and finisher: duplex-capable papers, finisher bins and modes,
  // finisher punch kinds and trays, the unit installed by default.
  {
    const std::string path = file(need(dat, "Zozarad CP-3300D", "DefaultFile"));
    const std::string a4 = mask(path, 9);
    EXPECT_EQ(tray(a4, 8), 'D') << a4;
    EXPECT_NE(a4.find("FIN.UD"), std::string::npos);
    EXPECT_NE(a4.find("EJS23L23PS"), std::string::npos);
    EXPECT_NE(need(path, "PRINTERINFO", "wFinisherType").find("PUNCH.23"), std::string::npos);
    EXPECT_EQ(numbers(path, "OPTION", "UDFinisher")[0], 1);
    EXPECT_EQ(numbers(path, "OPTION", "UDDuplex")[0], 1);
  }
  // A3, long-edge feed and super-long paper: A3 and paper 275 listed, manual feed (source 4,
  // list index 7) among the sources and allowed for A4, Letter and B5, super-long settings,
  // model envelopes (EnvMode) listed.
  {
    const std::string path = file(need(dat, "Zozarad CP-4500A3", "DefaultFile"));
    for (const char* key : {"PaperSize", "PaperSize_inch", "PaperSize_mm"}) {
      const auto ids = lists(path, key);
      for (long id : {8L, 275L, 1L, 9L, 13L, 256L, 73L, 74L, 91L, 271L}) EXPECT_EQ(ids.count(id), 1u) << key << " " << id;
    }
    const auto sources = numbers(path, "PRINTERINFO", "Source");
    EXPECT_NE(std::find(sources.begin(), sources.end(), 7), sources.end());
    for (long id : {1L, 9L, 13L}) EXPECT_EQ(tray(mask(path, id), 7), 'M') << id;
    EXPECT_EQ(numbers(path, "SUPERLONGPAPER", "UDSLP_Cut_Disabled")[0], 1);
    EXPECT_EQ(tray(mask(path, 275), 7), 'M');
  }
}

TEST_F(DataSet, CapabilityFileNamesASectionPerModel) {
  const std::string cap = file("KELD.CAP");
  for (const auto& model : models()) {
    SCOPED_TRACE(model);
    const std::string section = need(cap, "Capability", model);
    EXPECT_TRUE(fs::is_regular_file(file(need(cap, section, "CCMInfoFile"))));
    if (auto compression = read(cap, section, "Compression")) {
      const auto v = number(items(*compression)[0]);
      ASSERT_TRUE(v.has_value());
      EXPECT_EQ(*v & 0xFF, 1);
    }
  }
  // Every user-defined set that the image page lists has a name and both 256-byte blocks, as
  // hexadecimal text, in the colour and in the gamma section.
  const std::string info = file("ZCCMINFO.INI");
  const long sets = numbers(info, "Color", "SettingNum")[0];
  EXPECT_GT(sets, 0);
  for (long position = 0; position < sets; ++position) {
    const std::string set = std::to_string(numbers(info, "Color", "SettingID" + std::to_string(position))[0]);
    EXPECT_FALSE(need(info, "Color", "SettingName" + set).empty());
    for (const char* section : {"Color", "Gamma"}) {
      for (const std::string& key : {"CCMNT" + set, "CCMNV" + set}) {
        const std::string hex = need(info, section, key);
        EXPECT_EQ(hex.size(), 512u) << section << " " << key;
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << section << " " << key;
      }
    }
  }
}

// The device-font lists and the metrics they point at.
TEST_F(DataSet, DriverDataFileCarriesFontListsAndMetrics) {
  HMODULE module = LoadLibraryW(win32::to_utf16(file("KELDDATA.DLL")).c_str());
  ASSERT_NE(module, nullptr);
  std::set<std::string> deviceNames;
  for (auto [type, name] : {std::pair{keld::kDeviceFontListType, 1}, std::pair{keld::kSubstituteFontListType, 2}}) {
    SCOPED_TRACE(type);
    const auto list = win32::resource_bytes(module, MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(static_cast<WORD>(name)));
    ASSERT_GE(list.size(), sizeof(keld::DeviceFontListHeader));
    keld::DeviceFontListHeader h;
    std::memcpy(&h, list.data(), sizeof h);
    EXPECT_EQ(list.size(), h.byteSize + 8u);
    ASSERT_GT(h.count, 0u);
    ASSERT_LE(std::size_t{h.count} * 52, h.byteSize);
    for (std::uint32_t i = 0; i < h.count; ++i) {
      keld::DeviceFontRecord r;
      std::memcpy(&r, list.data() + 8 + i * 52, sizeof r);
      ASSERT_EQ(r.nameOffset % 2, 0u);
      ASSERT_LT(r.nameOffset, list.size());
      std::u16string fontName;
      for (std::size_t at = r.nameOffset; at + 1 < list.size(); at += 2) {
        const char16_t c = static_cast<char16_t>(list[at] | (list[at + 1] << 8));
        if (c == 0) break;
        fontName += c;
      }
      EXPECT_FALSE(fontName.empty());
      if (type == keld::kDeviceFontListType) deviceNames.insert(win32::to_utf8(fontName));
      EXPECT_EQ(r.codePage, 1252);
      EXPECT_EQ(r.substitution, 0u);
      EXPECT_EQ(r.metricsCopy, 0u);

      const auto metrics = win32::resource_bytes(module, MAKEINTRESOURCEW(keld::kFontMetricsType), MAKEINTRESOURCEW(r.metricsId));
      ASSERT_GE(metrics.size(), sizeof(keld::FontMetrics)) << r.metricsId;
      keld::FontMetrics m;
      std::memcpy(&m, metrics.data(), sizeof m);
      EXPECT_EQ(std::string(m.magic, 4), "KFM1");
      EXPECT_EQ(m.unitsPerEm, 2048);  // the DejaVu faces
      EXPECT_GT(m.ascender, 0);
      EXPECT_LT(m.descender, 0);
      ASSERT_EQ(m.widthCount, 256);
      ASSERT_LE(m.widthsOffset + 512u + m.kerningCount * 4u, metrics.size());
      auto width = [&](int c) { return metrics[m.widthsOffset + 2 * c] | (metrics[m.widthsOffset + 2 * c + 1] << 8); };
      EXPECT_GT(width('A'), 0);
      EXPECT_GT(width(0x80), 0);  // the euro sign of code page 1252
      EXPECT_EQ(m.fixedPitch != 0, width('i') == width('W'));
      EXPECT_EQ((r.flags & keld::kFontProportional) != 0, m.fixedPitch == 0);
    }
  }
  // Every printer font that a model's substitution defaults name exists.
  for (const auto& model : models()) {
    const std::string path = file(need(file("KELD.DAT"), model, "DefaultFile"));
    for (int k = 1; k <= 32; ++k) {
      auto v = read(path, "SUBSTTABLE", std::to_string(k));
      if (!v) break;
      const auto e = items(*v);
      ASSERT_EQ(e.size(), 3u);
      EXPECT_TRUE(deviceNames.count(quoted(e[1]).value_or(""))) << model << " " << e[1];
    }
  }
  FreeLibrary(module);
}

}  // namespace
