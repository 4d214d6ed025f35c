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

#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
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

// Source/bin/finishing masks: "TRAY." + 9 positions, "STK." + 2, "FIN." + 2, "EJS" + 7.
bool valid_mask(const std::string& mask) {
  auto token = [&](const std::string& head, const std::string& allowed, std::size_t n) {
    const auto at = mask.find(head);
    if (at == std::string::npos || at + head.size() + n > mask.size()) return false;
    for (std::size_t i = 0; i < n; ++i) {
      const char c = mask[at + head.size() + i];
      if (c != '_' && c != allowed[i]) return false;
    }
    return true;
  };
  return token("TRAY.", "12345AMDF", 9) && token("STK.", "UD", 2) && token("FIN.", "UD", 2) && token("EJS", "23L23PS", 7);
}

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
}

TEST_F(DataSet, CommonModuleCarriesThreeDitherTables) {
  const std::string name = need(file("KELD.DAT"), "Common", "InitDataFile1");
  HMODULE module = LoadLibraryW(win32::to_utf16(file(name)).c_str());
  ASSERT_NE(module, nullptr) << name;
  for (WORD id = 1; id <= 3; ++id) {
    SCOPED_TRACE(id);
    const auto bytes = win32::resource_bytes(module, MAKEINTRESOURCEW(keld::kDitherTableType), MAKEINTRESOURCEW(id));
    ASSERT_EQ(bytes.size(), 516u);
    keld::DitherTable t;
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
}

TEST_F(DataSet, RegionalWatermarksAndPapers) {
  const std::string path = file(need(file("KELD.DAT"), "Common", "InitDataFile3"));
  EXPECT_GE(numbers(path, "VERSION", "Ver")[0], 1);
  const long count = numbers(path, "WatermarkList", "numDefine")[0];
  auto entries = items(need(path, "WatermarkList", "WatermarkEntry"));
  if (!entries.empty() && entries.back().empty()) entries.pop_back();  // written with a trailing comma
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
  const auto paper = items(need(path, "UserDefPaper", "Paper277"));
  EXPECT_EQ(paper.size(), 5u);
  EXPECT_EQ(items(need(path, "UserDefLong", "Paper537")).size(), 14u);
}

TEST_F(DataSet, ModelFilesHoldEverySectionTheDataLayerReads) {
  const std::vector<std::string> capabilityKeys = {
      "True1200", "ResidentFont", "Japan", "A3Printer", "NoWatermark", "Duplex", "DirectRaster", "HeiseFont",
      "EnvRotate", "Collate", "FontSubstitution", "DuplexOption", "Fast600", "OnlyFast600", "Monochrome",
      "ReversePortrait", "MKK", "GL2", "MTP_ShortFeed", "Finisher", "WideUserDefinePaper", "MPT_Duplex", "EnvMode"};
  const int papers = paper_count();
  std::map<std::string, std::map<std::string, bool>> caps;
  for (const auto& model : models()) {
    SCOPED_TRACE(model);
    const std::string path = file(need(file("KELD.DAT"), model, "DefaultFile"));
    const std::string custom = file(need(file("KELD.DAT"), model, "CustomFile"));
    EXPECT_GE(numbers(path, "VERSION", "Ver")[0], 1);
    EXPECT_GE(numbers(custom, "VERSION", "Ver")[0], 1);
    for (const auto& key : capabilityKeys) {
      const std::string v = need(path, "PRINTERINFO", key);
      EXPECT_TRUE(v == "Yes" || v == "No") << key << "=" << v;
      caps[model][key] = v == "Yes";
    }
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
    ASSERT_EQ(intray.rfind("TRAY.", 0), 0u);
    ASSERT_EQ(intray.size(), 13u);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_TRUE(intray[5 + i] == '_' || intray[5 + i] == "12345MED"[i]) << intray;
    const std::string finisher = need(path, "PRINTERINFO", "wFinisherType");
    EXPECT_NE(finisher.find("PUNCH."), std::string::npos);
    EXPECT_NE(finisher.find("TRAY."), std::string::npos);

    for (const char* key : {"UDlpgrayEntryMesh", "UDlpgrayEntryLine"}) {
      const auto v = numbers(path, "DITHER", key);
      EXPECT_EQ(v.size(), 32u);
      for (long d : v) EXPECT_TRUE(d >= 1 && d <= 3);
    }
    for (const char* key : {"UDDPIChange_Portrait", "UDDPIChange_Landscape", "UDFreeSize_Portrait", "UDFreeSize_Landscape"}) {
      const auto v = numbers(path, "USERFREESIZE", key);
      ASSERT_EQ(v.size(), 8u) << key;
      EXPECT_TRUE(v[0] >= v[4] && v[1] >= v[5]) << key;  // maximum above minimum
    }
    for (int i = 1; i <= papers; ++i) EXPECT_TRUE(valid_mask(need(path, "PaperSourceType", std::to_string(i)))) << i;
    for (int i = 1; i <= 14; ++i) EXPECT_TRUE(valid_mask(need(path, "AllMediatype", std::to_string(i)))) << i;
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
    // Default job settings: a sample of every section the defaults table reads.
    for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
             {"PAPER", "UDfitpage"}, {"ORIENTAION", "UDOrientation"}, {"COPIES", "UDCopies"},
             {"REQUESTEVERY", "UDdwJobTypeOption"}, {"OPTION", "UDDuplex"}, {"LAYOUTTYPE", "UDdwSignature"},
             {"ETC", "UDdmScale"}, {"FINISHING", "UDOutputBin"}, {"PROCESSMODE", "UDColorProcessMode"},
             {"DUPLEX", "UDdmDuplex"}, {"COLORMODE", "UDcolormode"}, {"COLORMODECOLOR", "UDcoloradjust"},
             {"DETAILSETTING", "UDSpoolEMF"}, {"BLACKFINISH", "UDBlackFinish"}, {"APCOLOR", "UDfColor"},
             {"RESOLUTION", "UDPrintQuality"}, {"IMAGEQUALITY", "UDImageThinOut"}, {"FONT", "UDOUTorBIT"},
             {"WATERMARK", "UDWM_YOffset"}, {"PCENV", "UDEnableEnv"}, {"SUPERLONGPAPER", "UDSLP_Cut_Disabled"},
             {"OVERLAY", "UDBkOverlay"}}) {
      EXPECT_FALSE(numbers(path, section, key).empty()) << section << " " << key;
    }
  }
  // The family as described: fonts and HP-GL/2; duplex and finisher, raster only; A3.
  EXPECT_TRUE(caps["Zozarad CP-2100"]["ResidentFont"] && caps["Zozarad CP-2100"]["GL2"]);
  EXPECT_TRUE(!caps["Zozarad CP-3300D"]["GL2"] && caps["Zozarad CP-3300D"]["Duplex"] && caps["Zozarad CP-3300D"]["Finisher"]);
  EXPECT_TRUE(caps["Zozarad CP-4500A3"]["A3Printer"] && caps["Zozarad CP-4500A3"]["WideUserDefinePaper"]);
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
  const std::string info = file("ZCCMINFO.INI");
  for (const char* section : {"Color", "Gamma"}) {
    for (const char* key : {"CCMNT0", "CCMNV0", "CCMNT4"}) {
      const std::string hex = need(info, section, key);
      EXPECT_EQ(hex.size(), 512u) << key;
      EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << key;
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
