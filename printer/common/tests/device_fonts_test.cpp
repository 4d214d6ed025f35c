// Device fonts from the real driver data file of the data set, and lists that are broken in
// each way the size and name checks must catch.
#include "keld/device_fonts.h"
#include "support/data_layer_fixture.h"

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

namespace {

using keld::DeviceFontRecord;

// A font list resource: header, records, then the names, each name at an even offset.
struct ListBuilder {
  std::vector<DeviceFontRecord> records;
  std::vector<std::u16string> names;

  void add(std::u16string name, std::uint16_t codePage) {
    DeviceFontRecord r{};
    r.codePage = codePage;
    r.metricsId = static_cast<std::uint16_t>(records.size() + 1);
    r.substitution = 0xDEADBEEF;  // load-time fields must be overwritten
    r.metricsCopy = 0xDEADBEEF;
    records.push_back(r);
    names.push_back(std::move(name));
  }

  std::vector<std::uint8_t> bytes() const {
    std::vector<std::uint8_t> out(8 + records.size() * sizeof(DeviceFontRecord));
    std::vector<DeviceFontRecord> recs = records;
    for (std::size_t i = 0; i < recs.size(); ++i) {
      recs[i].nameOffset = static_cast<std::uint32_t>(out.size());
      for (char16_t c : names[i]) out.insert(out.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
      out.insert(out.end(), {0, 0});
    }
    std::uint32_t const header[2] = {static_cast<std::uint32_t>(recs.size()), static_cast<std::uint32_t>(out.size() - 8)};
    std::memcpy(out.data(), header, 8);
    if (!recs.empty()) std::memcpy(out.data() + 8, recs.data(), recs.size() * sizeof(DeviceFontRecord));
    return out;
  }
};

void set_dword(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  std::memcpy(bytes.data() + at, &value, 4);
}

TEST(DevFontList, WellFormedListIsCopiedWithLoadTimeFieldsCleared) {
  ListBuilder b;
  b.add(u"Alpha", 1252);
  b.add(u"Beta", 932);
  auto const list = keld::ParseDevFontList(b.bytes(), false);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->records.size(), 2u);
  EXPECT_EQ(keld::DevFontListName(*list, list->records[0]), u"Alpha");
  EXPECT_EQ(keld::DevFontListName(*list, list->records[1]), u"Beta");
  EXPECT_EQ(list->records[0].substitution, 0u);
  EXPECT_EQ(list->records[0].metricsCopy, 0u);
}

TEST(DevFontList, CodePage932RecordsDroppedOnRequest) {
  ListBuilder b;
  b.add(u"Mincho", 932);
  b.add(u"Alpha", 1252);
  b.add(u"Gothic", 932);
  auto const list = keld::ParseDevFontList(b.bytes(), true);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->records.size(), 1u);
  EXPECT_EQ(keld::DevFontListName(*list, list->records[0]), u"Alpha");
}

TEST(DevFontList, BrokenListsAreRefused) {
  ListBuilder b;
  b.add(u"Alpha", 1252);
  b.add(u"Beta", 1252);
  std::vector<std::uint8_t> const good = b.bytes();
  std::size_t const firstName = 8;  // offset of record 0's name offset
  struct Case {
    char const* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"header only, short", {1, 0, 0, 0}});
  {
    auto v = good;
    v.pop_back();
    cases.push_back({"one byte short of byte size + 8", v});
  }
  {
    auto v = good;
    v.push_back(0);
    cases.push_back({"one byte over", v});
  }
  {
    auto v = good;
    set_dword(v, 0, 1000);
    cases.push_back({"count beyond byte size", v});
  }
  {
    auto v = good;
    set_dword(v, 0, 0x40000000);
    cases.push_back({"count that overflows 32 bits", v});
  }
  {
    auto v = good;
    set_dword(v, 4, 0xFFFFFFF8);
    cases.push_back({"byte size that wraps", v});
  }
  {
    auto v = good;
    set_dword(v, firstName, static_cast<std::uint32_t>(v.size()));
    cases.push_back({"name offset at the end", v});
  }
  {
    auto v = good;
    set_dword(v, firstName, 9);
    cases.push_back({"odd name offset", v});
  }
  {
    auto v = good;
    v[v.size() - 2] = 'x';  // last name loses its terminator
    cases.push_back({"unterminated last name", v});
  }
  for (auto const& c : cases) EXPECT_FALSE(keld::ParseDevFontList(c.bytes, false)) << c.what;
  EXPECT_TRUE(keld::ParseDevFontList(good, false));
}

class DeviceFontsTest : public keld::test::DataLayerTest {
 protected:
  std::u16string data_file() const { return driver_file("KELDDATA.DLL"); }
};

TEST_F(DeviceFontsTest, ResidentFontsOfTheDriverDataFile) {
  keld::DevFontObject* fonts = keld::ConstructDataObject(data_file().c_str(), nullptr);
  ASSERT_NE(fonts, nullptr);
  ASSERT_EQ(keld::GetDevFontCount(fonts), 6);
  DeviceFontRecord const* table = keld::GetDevFontTable(fonts);
  std::vector<std::u16string> names;
  for (int i = 0; i < 6; ++i) {
    names.emplace_back(keld::DevFontName(fonts, table[i]));
    EXPECT_EQ(table[i].substitution, 0u) << "no model entry, no link";
    EXPECT_EQ(table[i].metricsCopy, 0u) << "metrics are the renderer's";
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"DejaVu Sans", u"DejaVu Sans Bold", u"DejaVu Sans Mono",
                                                u"DejaVu Sans Mono Bold", u"DejaVu Serif", u"DejaVu Serif Bold"}));
  EXPECT_TRUE(fonts->substitutes.records.empty());
  keld::DestructDataObject(fonts);
}

TEST_F(DeviceFontsTest, FontsLinkToTheModelsSubstitutionDefaultsByPrinterFontName) {
  keld::GetBinaryFileData(keld::test::kModel2100, nullptr);
  keld::ModelEntry const* entry = keld::GetUDDetailTBL(keld::test::kModel2100);
  ASSERT_NE(entry, nullptr);
  keld::DevFontObject* fonts = keld::ConstructDataObject(data_file().c_str(), entry);
  ASSERT_NE(fonts, nullptr);
  // [SUBSTTABLE] of the model: Arial, Times New Roman, Courier New, Verdana and Georgia map to
  // the plain faces; the first default with the font's name wins.
  struct Expected {
    std::u16string font;
    std::uint32_t link;
    std::u16string face;
  };
  Expected const expected[] = {
      {u"DejaVu Sans", 1, u"Arial"},          {u"DejaVu Sans Bold", 0, u""},
      {u"DejaVu Sans Mono", 3, u"Courier New"}, {u"DejaVu Sans Mono Bold", 0, u""},
      {u"DejaVu Serif", 2, u"Times New Roman"}, {u"DejaVu Serif Bold", 0, u""},
  };
  ASSERT_EQ(keld::GetDevFontCount(fonts), 6);
  for (int i = 0; i < 6; ++i) {
    DeviceFontRecord const& r = keld::GetDevFontTable(fonts)[i];
    EXPECT_EQ(keld::DevFontName(fonts, r), expected[i].font);
    EXPECT_EQ(r.substitution, expected[i].link) << i;
    EXPECT_EQ(keld::DevFontSubstitutionFace(fonts, r), expected[i].face) << i;
    EXPECT_EQ(keld::DevFontSubstitution(fonts, r) != nullptr, expected[i].link != 0) << i;
  }
  keld::DestructDataObject(fonts);
}

TEST_F(DeviceFontsTest, RenderingRoleCopiesMetricsAndTheSubstituteList) {
  keld::SetDataRole(keld::DataRole::Rendering);
  keld::DevFontObject* fonts = keld::ConstructDataObject(data_file().c_str(), nullptr);
  ASSERT_NE(fonts, nullptr);
  ASSERT_EQ(keld::GetDevFontCount(fonts), 6);
  for (int i = 0; i < 6; ++i) {
    DeviceFontRecord const& r = keld::GetDevFontTable(fonts)[i];
    auto const metrics = keld::DevFontMetrics(fonts, r);
    ASSERT_GE(metrics.size(), sizeof(keld::FontMetrics)) << i;
    keld::FontMetrics m;
    std::memcpy(&m, metrics.data(), sizeof m);
    EXPECT_EQ(std::string(m.magic, 4), "KFM1");
    EXPECT_EQ(std::u16string(m.faceName).substr(0, 6), u"DejaVu") << i;
  }
  ASSERT_FALSE(fonts->substitutes.records.empty());
  std::vector<std::u16string> faces;
  for (auto const& r : fonts->substitutes.records) faces.emplace_back(keld::DevFontListName(fonts->substitutes, r));
  EXPECT_NE(std::find(faces.begin(), faces.end(), u"Courier New"), faces.end());
  keld::DestructDataObject(fonts);
}

TEST_F(DeviceFontsTest, NoObjectWithoutTheDataFileOrItsList) {
  EXPECT_EQ(keld::ConstructDataObject(nullptr, nullptr), nullptr);
  EXPECT_EQ(keld::ConstructDataObject(u"", nullptr), nullptr);
  EXPECT_EQ(keld::ConstructDataObject(driver_file("NOSUCH.DLL").c_str(), nullptr), nullptr);
  // The common module is a module, but carries no font list.
  EXPECT_EQ(keld::ConstructDataObject(driver_file("KELDCOM.DLL").c_str(), nullptr), nullptr);
  EXPECT_EQ(keld::GetDevFontCount(nullptr), -1);
  EXPECT_EQ(keld::GetDevFontTable(nullptr), nullptr);
  keld::DestructDataObject(nullptr);
}

}  // namespace
