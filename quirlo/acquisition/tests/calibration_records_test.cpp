// Calibration files: byte layout, round trip, and files that are short, long or garbage.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "quirlo/acquisition/calibration.h"
#include "../../platform/tests/temp_dir.h"

namespace qa = quirlo::acquisition;
using quirlo::testing::ReadFileBytes;
using quirlo::testing::TempDir;

namespace {

std::filesystem::path FilePath(const TempDir& d, const char* folder, const char* file) {
  return d.path() / folder / file;
}

void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <class T>
void Put(std::string& image, std::size_t offset, T value) {
  std::memcpy(image.data() + offset, &value, sizeof value);
}

// Analog file image: record 1 calibrated, every reserved byte a pattern of its position.
std::string AnalogImage() {
  std::string img(3912, '\0');
  const std::size_t r1 = 489;
  Put(img, r1 + 0, 1.5);    // C0
  Put(img, r1 + 8, 2.5);    // C1
  Put(img, r1 + 32, -3.0);  // LowDisplay
  Put(img, r1 + 40, 7.0);   // HighDisplay
  Put(img, r1 + 48, uint8_t{2});
  std::memcpy(img.data() + r1 + 49, "well head", 9);
  Put(img, r1 + 81, int32_t{-7});
  Put(img, r1 + 85, int32_t{4000});
  for (std::size_t rec = 0; rec < 8; ++rec) {
    for (std::size_t i = 0; i < 400; ++i) img[rec * 489 + 89 + i] = static_cast<char>(i * 7 + rec);
  }
  return img;
}

}  // namespace

TEST(qcore_calibration_Files, ImagesMapOntoTheFieldsAndSaveBackByteForByte) {
  TempDir dir;
  quirlo::TSaver saver(dir.path());

  const std::string analog = AnalogImage();
  std::string digital(264, '\0');
  digital[7 * 33] = 1;  // input 8 active low
  std::memcpy(digital.data() + 2 * 33 + 1, "valve", 5);
  std::string rate(252, '\0');
  Put(rate, 2 * 42 + 0, 12.5);
  std::memcpy(rate.data() + 2 * 42 + 8, "pump", 4);
  rate[2 * 42 + 40] = 2;  // Hour
  rate[2 * 42 + 41] = 1;  // quadrature
  WriteFile(FilePath(dir, "analog", "analog.txt"), analog);
  WriteFile(FilePath(dir, "digital", "digital.txt"), digital);
  WriteFile(FilePath(dir, "rate", "rate.txt"), rate);

  qa::TAnalogCalSet a{};
  qa::TDigitalCalSet d{};
  qa::TRateCalSet r{};
  ASSERT_TRUE(qa::LoadAnalogCal(saver, a));
  ASSERT_TRUE(qa::LoadDigitalCal(saver, d));
  ASSERT_TRUE(qa::LoadRateCal(saver, r));

  EXPECT_EQ(+a[1].C0, 1.5);
  EXPECT_EQ(+a[1].C1, 2.5);
  EXPECT_EQ(+a[1].LowDisplay, -3.0);
  EXPECT_EQ(+a[1].HighDisplay, 7.0);
  EXPECT_EQ(a[1].Range, 2);
  EXPECT_EQ(qa::DescriptionText(a[1].Description), "well head");
  EXPECT_EQ(+a[1].LowCounts, -7);
  EXPECT_EQ(+a[1].HighCounts, 4000);
  EXPECT_EQ(d[7].ActiveLow, 1);
  EXPECT_EQ(d[6].ActiveLow, 0);
  EXPECT_EQ(qa::DescriptionText(d[2].Description), "valve");
  EXPECT_EQ(+r[2].KFactor, 12.5);
  EXPECT_EQ(qa::DescriptionText(r[2].Description), "pump");
  EXPECT_EQ(r[2].Timebase, 2);
  EXPECT_EQ(r[2].Quadrature, 1);
  EXPECT_EQ(qa::QuadratureMask(r), 0b000100);

  // Saved elsewhere, the images come back identical (reserved bytes included), except
  // that digital inputs 1..6 are active low after every load.
  TempDir out;
  quirlo::TSaver saver2(out.path());
  ASSERT_TRUE(qa::SaveAnalogCal(saver2, a));
  ASSERT_TRUE(qa::SaveDigitalCal(saver2, d));
  ASSERT_TRUE(qa::SaveRateCal(saver2, r));
  EXPECT_EQ(ReadFileBytes(FilePath(out, "analog", "analog.txt")), analog);
  EXPECT_EQ(ReadFileBytes(FilePath(out, "rate", "rate.txt")), rate);
  std::string expectDigital = digital;
  for (int i = 0; i < 6; ++i) expectDigital[i * 33] = 1;
  EXPECT_EQ(ReadFileBytes(FilePath(out, "digital", "digital.txt")), expectDigital);
}

TEST(qcore_calibration_Files, MissingShortAndLongFiles) {
  TempDir dir;
  quirlo::TSaver saver(dir.path());

  // Missing: everything 0, digital inputs 1..6 active low.
  qa::TAnalogCalSet a{};
  a[0].C1 = 99;
  qa::TDigitalCalSet d{};
  EXPECT_FALSE(qa::LoadAnalogCal(saver, a));
  EXPECT_FALSE(qa::LoadDigitalCal(saver, d));
  EXPECT_EQ(+a[0].C1, 0.0);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(d[i].ActiveLow, i < 6 ? 1 : 0);

  // Short: ends 20 bytes into record 2, which is left all zero.
  std::string img = AnalogImage();
  Put(img, 2 * 489, 4.0);
  WriteFile(FilePath(dir, "analog", "analog.txt"), img.substr(0, 2 * 489 + 20));
  const quirlo::LoadResult res = qa::LoadAnalogCal(saver, a);
  EXPECT_EQ(res.bytes, 2u * 489 + 20);
  EXPECT_EQ(+a[1].C1, 2.5);
  EXPECT_EQ(+a[2].C0, 0.0);
  for (uint8_t b : a[2].Reserved) ASSERT_EQ(b, 0);

  // Long: the excess is ignored on reading and kept on saving.
  WriteFile(FilePath(dir, "analog", "analog.txt"), AnalogImage() + "tail");
  ASSERT_TRUE(qa::LoadAnalogCal(saver, a));
  EXPECT_EQ(+a[1].C1, 2.5);
  a[1].C1 = 3.5;
  ASSERT_TRUE(qa::SaveAnalogCal(saver, a));
  const std::string saved = ReadFileBytes(FilePath(dir, "analog", "analog.txt"));
  ASSERT_EQ(saved.size(), 3916u);
  EXPECT_EQ(saved.substr(3912), "tail");
}

TEST(qcore_calibration_Files, GarbageLoadsAsHarmlessRecords) {
  TempDir dir;
  quirlo::TSaver saver(dir.path());
  // All 0xFF: every double is a NaN, every choice out of range, no description ends.
  WriteFile(FilePath(dir, "analog", "analog.txt"), std::string(3912, '\xFF'));
  WriteFile(FilePath(dir, "digital", "digital.txt"), std::string(264, '\xFF'));
  WriteFile(FilePath(dir, "rate", "rate.txt"), std::string(252, '\xFF'));

  qa::TAcquisitionState state;
  qa::TInputCalibration cal(state);
  ASSERT_TRUE(cal.Load(saver).empty());
  for (int i = 0; i < 8; ++i) {
    const qa::TAnalogCal c = cal.AnalogRecord(i);
    EXPECT_EQ(+c.C0, 0.0);
    EXPECT_EQ(+c.C1, 0.0);
    EXPECT_EQ(+c.LowDisplay, 0.0);
    EXPECT_EQ(+c.HighDisplay, 0.0);
    EXPECT_EQ(c.Range, 0);
    EXPECT_EQ(+c.LowCounts, -1);  // any integer is a valid count
    EXPECT_EQ(qa::DescriptionText(c.Description).size(), 32u);
    EXPECT_EQ(c.Reserved[399], 0xFF);
    EXPECT_EQ(cal.DigitalRecord(i).ActiveLow, 1);
  }
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(cal.RateRecord(i).KFactor, 1.0);
    EXPECT_EQ(cal.RateRecord(i).Timebase, 0);
    EXPECT_EQ(cal.RateRecord(i).Quadrature, 1);
  }
  qa::TAnalogFrame af{};
  for (auto& r : af.Reading) r = 0xFFFF;
  for (double v : cal.ProcessAnalogFrame(af)) EXPECT_EQ(v, 0.0);
  qa::TRateFrame rf{};
  rf.Count[0] = -1;
  rf.Frequency[0] = -32768;
  for (const auto& r : cal.ProcessRateFrame(rf)) {
    EXPECT_TRUE(std::isfinite(+r.Total));
    EXPECT_TRUE(std::isfinite(+r.Rate));
  }

  // One NaN coefficient clears all four; other fields are judged on their own.
  qa::TAnalogCalSet set{};
  set[3].C0 = 1;
  set[3].C1 = 2;
  set[3].C3 = std::numeric_limits<double>::quiet_NaN();
  set[3].LowDisplay = -std::numeric_limits<double>::infinity();
  set[3].HighDisplay = 8;
  set[4].C0 = 1e300;  // the user's own numbers stay, however large
  qa::SanitizeAnalog(set);
  EXPECT_EQ(+set[3].C0, 0.0);
  EXPECT_EQ(+set[3].C1, 0.0);
  EXPECT_EQ(+set[3].C3, 0.0);
  EXPECT_EQ(+set[3].LowDisplay, 0.0);
  EXPECT_EQ(+set[3].HighDisplay, 8.0);
  EXPECT_EQ(+set[4].C0, 1e300);
}

TEST(qcore_calibration_Files, StageLoadsInOrderSendsTheMaskAndSaves) {
  TempDir dir;
  quirlo::TSaver saver(dir.path());
  std::string rate(252, '\0');
  rate[0 * 42 + 41] = 1;
  rate[5 * 42 + 41] = 1;
  WriteFile(FilePath(dir, "rate", "rate.txt"), rate);

  qa::TAcquisitionState state;
  qa::TInputCalibration cal(state);
  std::vector<std::string> events;
  cal.SetBoxCommands({[&](uint8_t m) { events.push_back("mask " + std::to_string(m)); }, {}});
  ASSERT_TRUE(cal.Load(saver, [&](const std::string& t) { events.push_back(t); }).empty());
  EXPECT_EQ(events, (std::vector<std::string>{
                        "Restoring digital input settings...",
                        "Backing up digital input settings...",
                        "Restoring frequency input settings...",
                        "Backing up frequency input settings...",
                        "mask 33",
                        "Restoring analog input settings...",
                        "Backing up analog input settings...",
                    }));

  ASSERT_EQ(cal.CalibrateGainOffset(0, "", 1, 2), qa::TCalibrateStatus::Ok);
  ASSERT_TRUE(cal.Save(saver));
  qa::TAnalogCalSet back{};
  ASSERT_TRUE(qa::LoadAnalogCal(saver, back));
  EXPECT_EQ(+back[0].C1, 2.0);
  EXPECT_EQ(ReadFileBytes(FilePath(dir, "digital", "digital.txt")).size(), 264u);
}

TEST(qcore_calibration_Files, FolderThatCannotBeMadeIsReportedAndNotSavedOver) {
  TempDir dir;
  WriteFile(dir.path() / "root", "a file where the settings folder should be");
  quirlo::TSaver saver(dir.path() / "root");
  qa::TAcquisitionState state;
  qa::TInputCalibration cal(state);
  int masks = 0;
  cal.SetBoxCommands({[&](uint8_t) { ++masks; }, {}});
  const std::vector<std::string> errors = cal.Load(saver);
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].rfind("Cannot create ", 0), 0u) << errors[0];
  EXPECT_EQ(masks, 1);  // the (empty) mask still goes to the box
  EXPECT_EQ(cal.DigitalRecord(0).ActiveLow, 1);  // not loaded: records as for a missing file
  EXPECT_TRUE(cal.Save(saver));                   // nothing to save, nothing failed
}
