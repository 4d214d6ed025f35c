// The filter stage: what reaches the computation, Apply, the settings files.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include "../../platform/tests/temp_dir.h"
#include "quirlo/acquisition/input_filters.h"

namespace quirlo::acquisition {
namespace {

namespace fs = std::filesystem;

class qcore_filter_Stage : public ::testing::Test {
 protected:
  std::array<double, kAnalogInputs> AnalogFrame(double v) {
    std::array<double, kAnalogInputs> a;
    a.fill(v);
    return a;
  }
  std::array<TRateResult, kRateInputs> RateFrame(double rate, double total) {
    std::array<TRateResult, kRateInputs> r{};
    for (auto& x : r) {
      x.Rate = rate;
      x.Total = total;
    }
    return r;
  }
  // What the computation received for input `i`.
  double Analog(int i) { return state.Inputs.AnalogValue[i]; }
  double Rate(int i) { return state.Inputs.RateValue[i]; }
  double Total(int i) { return state.Inputs.TotalValue[i]; }
  int Digital(int i) { return state.Inputs.DigitalState[i]; }

  TAcquisitionState state;
  TChannelComputation computation{state};
  TInputFilters filters{state, computation};
};

TEST_F(qcore_filter_Stage, NoneHandsValuesOnUnchanged) {
  filters.FilterAnalog({1.5, -2, 3, 4, 5, 6, 7, 8});
  EXPECT_DOUBLE_EQ(Analog(0), 1.5);
  EXPECT_DOUBLE_EQ(Analog(1), -2);
  EXPECT_DOUBLE_EQ(Analog(7), 8);
  filters.FilterRates(RateFrame(12.5, 300));
  EXPECT_DOUBLE_EQ(Rate(5), 12.5);
  EXPECT_DOUBLE_EQ(Total(5), 300);
  filters.FilterDigital({1, 0, 1, 0, 0, 0, 0, 1});
  EXPECT_EQ(Digital(0), 1);
  EXPECT_EQ(Digital(1), 0);
  EXPECT_EQ(Digital(7), 1);

  const TFilterView v = filters.View(TFilterKind::Analog, 1);
  EXPECT_DOUBLE_EQ(v.Unfiltered, -2);
  EXPECT_DOUBLE_EQ(v.Filtered, -2);
}

TEST_F(qcore_filter_Stage, MovingAverageStartsFullOfPresentValue) {
  filters.FilterAnalog(AnalogFrame(0));
  ASSERT_TRUE(filters.Apply(TFilterKind::Analog, 2, kFilterMovingAverage, 4));
  const double expected[] = {0, 0, 0, 1};
  const double in[] = {0, 0, 0, 4};
  for (int k = 0; k < 4; ++k) {
    filters.FilterAnalog(AnalogFrame(in[k]));
    EXPECT_DOUBLE_EQ(Analog(2), expected[k]) << k;
    EXPECT_DOUBLE_EQ(Analog(3), in[k]) << "other inputs stay unfiltered";
  }
  EXPECT_DOUBLE_EQ(filters.View(TFilterKind::Analog, 2).Unfiltered, 4);
  EXPECT_DOUBLE_EQ(filters.View(TFilterKind::Analog, 2).Filtered, 1);
  EXPECT_EQ(filters.View(TFilterKind::Analog, 2).Counts, 4);
}

TEST_F(qcore_filter_Stage, ExponentialRatesButTotalsNeverFiltered) {
  filters.FilterRates(RateFrame(10, 1));
  ASSERT_TRUE(filters.Apply(TFilterKind::Rate, 0, kFilterExponential, 3));
  ASSERT_TRUE(filters.Apply(TFilterKind::Rate, 1, kFilterMovingAverage, 2));
  filters.FilterRates(RateFrame(20, 77));
  EXPECT_DOUBLE_EQ(Rate(0), 15);
  EXPECT_DOUBLE_EQ(Rate(1), 15);
  EXPECT_DOUBLE_EQ(Rate(2), 20);
  for (int i = 0; i < kRateInputs; ++i) EXPECT_DOUBLE_EQ(Total(i), 77) << i;
  EXPECT_DOUBLE_EQ(filters.View(TFilterKind::Rate, 0).Unfiltered, 20);
}

TEST_F(qcore_filter_Stage, DebounceDelaysChange) {
  filters.FilterDigital({0, 0, 0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(filters.Apply(TFilterKind::Digital, 4, kFilterDebounce, 2));
  const int expected[] = {0, 0, 1};
  for (int k = 0; k < 3; ++k) {
    filters.FilterDigital({1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_EQ(Digital(4), expected[k]) << k;
    EXPECT_EQ(Digital(3), 1);
  }
}

TEST_F(qcore_filter_Stage, SwitchingToNonePassesNextValueThrough) {
  filters.FilterAnalog(AnalogFrame(0));
  ASSERT_TRUE(filters.Apply(TFilterKind::Analog, 0, kFilterMovingAverage, 10));
  filters.FilterAnalog(AnalogFrame(100));
  EXPECT_DOUBLE_EQ(Analog(0), 10);
  ASSERT_TRUE(filters.Apply(TFilterKind::Analog, 0, kFilterNone, std::nullopt));
  filters.FilterAnalog(AnalogFrame(50));
  EXPECT_DOUBLE_EQ(Analog(0), 50);
  EXPECT_EQ(filters.View(TFilterKind::Analog, 0).Counts, 10) << "None keeps the stored count";

  filters.FilterDigital({0, 0, 0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(filters.Apply(TFilterKind::Digital, 0, kFilterDebounce, 5));
  ASSERT_TRUE(filters.Apply(TFilterKind::Digital, 0, kFilterNone, std::nullopt));
  filters.FilterDigital({1, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(Digital(0), 1);
}

TEST_F(qcore_filter_Stage, ApplyRefusalsKeepTheOldFilter) {
  filters.FilterAnalog(AnalogFrame(0));
  ASSERT_TRUE(filters.Apply(TFilterKind::Analog, 0, kFilterMovingAverage, 2));
  // No count, Butterworth, unknown types, inputs out of range: nothing changes.
  EXPECT_FALSE(filters.Apply(TFilterKind::Analog, 0, kFilterExponential, std::nullopt));
  EXPECT_FALSE(filters.Apply(TFilterKind::Analog, 0, kFilterButterworth, 4));
  EXPECT_FALSE(filters.Apply(TFilterKind::Analog, 0, 9, 4));
  EXPECT_FALSE(filters.Apply(TFilterKind::Digital, 0, kFilterExponential, 4));
  EXPECT_FALSE(filters.Apply(TFilterKind::Analog, 8, kFilterNone, 4));
  EXPECT_FALSE(filters.Apply(TFilterKind::Rate, 6, kFilterNone, 4));
  EXPECT_FALSE(filters.Apply(TFilterKind::Digital, -1, kFilterNone, 4));
  EXPECT_EQ(filters.View(TFilterKind::Analog, 0).FilterType, kFilterMovingAverage);
  EXPECT_EQ(filters.View(TFilterKind::Analog, 0).Counts, 2);
  filters.FilterAnalog(AnalogFrame(4));
  EXPECT_DOUBLE_EQ(Analog(0), 2);
}

TEST_F(qcore_filter_Stage, DescriptionIsCutToItsField) {
  filters.SetFilterDescription(TFilterKind::Rate, 5, "Pump rate");
  filters.SetFilterDescription(TFilterKind::Digital, 0, std::string(40, 'x'));
  filters.SetFilterDescription(TFilterKind::Analog, 8, "ignored");
  EXPECT_EQ(filters.View(TFilterKind::Rate, 5).Description, "Pump rate");
  EXPECT_EQ(filters.View(TFilterKind::Digital, 0).Description, std::string(31, 'x'));
}

TEST_F(qcore_filter_Stage, StopFilteringEndsAnalogAndRateHandOver) {
  filters.StopFiltering();
  filters.FilterAnalog(AnalogFrame(5));
  filters.FilterRates(RateFrame(5, 5));
  EXPECT_DOUBLE_EQ(Analog(0), 0);
  EXPECT_DOUBLE_EQ(Rate(0), 0);
}

// Frames on one thread while the dialogs apply filters on another: every frame sees each
// input either with its old filter or with its new one, never a type without its object.
TEST_F(qcore_filter_Stage, ApplyWhileFramesRun) {
  std::atomic<bool> done{false};
  std::thread frames([&] {
    double v = 0;
    while (!done.load()) {
      filters.FilterAnalog(AnalogFrame(v += 1));
      filters.FilterRates(RateFrame(v, v));
      filters.FilterDigital({1, 0, 1, 0, 1, 0, 1, 0});
    }
  });
  for (int k = 0; k < 300; ++k) {
    const uint8_t type = static_cast<uint8_t>(k % 3);
    filters.Apply(TFilterKind::Analog, k % kAnalogInputs, type, 1 + k % 300);
    filters.Apply(TFilterKind::Rate, k % kRateInputs, type, 1 + k % 20);
    filters.Apply(TFilterKind::Digital, k % kDigitalInputs, static_cast<uint8_t>(k % 2), k % 5);
    filters.SetFilterDescription(TFilterKind::Analog, k % kAnalogInputs, "input");
    (void)filters.View(TFilterKind::Rate, k % kRateInputs);
  }
  done.store(true);
  frames.join();
  std::lock_guard lock(state.AcquisitionLock);
  for (int i = 0; i < kAnalogInputs; ++i) EXPECT_TRUE(std::isfinite(state.Inputs.AnalogValue[i]));
}

// --- settings files -------------------------------------------------------------------

class qcore_filter_Files : public qcore_filter_Stage {
 protected:
  fs::path File(const char* folder, const char* file) { return dir.path() / folder / file; }
  void Write(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  void WriteAll(const std::string& a, const std::string& r, const std::string& d) {
    Write(File(kAnalogFilterFolder, kAnalogFilterFile), a);
    Write(File(kRateFilterFolder, kRateFilterFile), r);
    Write(File(kDigitalFilterFolder, kDigitalFilterFile), d);
  }

  quirlo::testing::TempDir dir;
  TSaver saver{dir.path()};
};

TEST_F(qcore_filter_Files, MissingFilesMeanNoFiltering) {
  filters.Load(saver);
  filters.FilterAnalog(AnalogFrame(3));
  filters.FilterRates(RateFrame(3, 4));
  EXPECT_DOUBLE_EQ(Analog(0), 3);
  EXPECT_DOUBLE_EQ(Rate(0), 3);
  EXPECT_EQ(filters.View(TFilterKind::Digital, 7).FilterType, kFilterNone);
}

TEST_F(qcore_filter_Files, RoundTripKeepsReservedBytesAndPrimesFromFiltered) {
  auto analog = std::make_unique<TAnalogFilterFile>();
  auto rate = std::make_unique<TRateFilterFile>();
  auto digital = std::make_unique<TDigitalFilterFile>();
  std::memset(analog.get(), 0, sizeof *analog);
  std::memset(rate.get(), 0, sizeof *rate);
  std::memset(digital.get(), 0, sizeof *digital);
  for (auto& r : *analog) std::memset(r.Reserved, 0xA5, sizeof r.Reserved);
  for (auto& r : *rate) std::memset(r.Reserved, 0x5A, sizeof r.Reserved);
  for (auto& r : *digital) std::memset(r.Reserved, 0x3C, sizeof r.Reserved);
  (*analog)[1].FilterType = kFilterMovingAverage;
  (*analog)[1].Counts = 4;
  (*analog)[1].Filtered = 8;
  (*analog)[1].AvgObject = 0x12345678;  // a stale address from elsewhere
  (*rate)[2].FilterType = kFilterExponential;
  (*rate)[2].Counts = 3;
  (*rate)[2].Filtered = 10;
  (*digital)[3].FilterType = kFilterDebounce;
  (*digital)[3].Counts = 1;
  (*digital)[3].Filtered = 1;
  SetFilterDescriptionText((*digital)[3].Description, "Door");
  ASSERT_TRUE(saver.Save(kAnalogFilterFolder, kAnalogFilterFile, *analog));
  ASSERT_TRUE(saver.Save(kRateFilterFolder, kRateFilterFile, *rate));
  ASSERT_TRUE(saver.Save(kDigitalFilterFolder, kDigitalFilterFile, *digital));

  filters.Load(saver);
  filters.FilterAnalog(AnalogFrame(0));
  EXPECT_DOUBLE_EQ(Analog(1), 6);  // window of four 8s, one 0 in
  filters.FilterRates(RateFrame(20, 0));
  EXPECT_DOUBLE_EQ(Rate(2), 15);
  filters.FilterDigital({0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(Digital(3), 1) << "starts at the stored state";
  EXPECT_EQ(filters.View(TFilterKind::Digital, 3).Description, "Door");

  ASSERT_TRUE(filters.Save(saver));
  const std::string a = quirlo::testing::ReadFileBytes(File(kAnalogFilterFolder, kAnalogFilterFile));
  const std::string r = quirlo::testing::ReadFileBytes(File(kRateFilterFolder, kRateFilterFile));
  const std::string d = quirlo::testing::ReadFileBytes(File(kDigitalFilterFolder, kDigitalFilterFile));
  ASSERT_EQ(a.size(), 51688u);
  ASSERT_EQ(r.size(), 38814u);
  ASSERT_EQ(d.size(), 51544u);
  auto back = std::make_unique<TAnalogFilterFile>();
  std::memcpy(back.get(), a.data(), a.size());
  for (const auto& rec : *back)
    for (uint8_t b : rec.Reserved) ASSERT_EQ(b, 0xA5);
  EXPECT_EQ(uint32_t{(*back)[1].AvgObject}, 0u);
  EXPECT_DOUBLE_EQ(double{(*back)[1].Filtered}, 6);
  EXPECT_DOUBLE_EQ(double{(*back)[1].Unfiltered}, 0);
  EXPECT_EQ(static_cast<uint8_t>(r[6469 * 5 + 69]), 0x5A);
  EXPECT_EQ(static_cast<uint8_t>(d[6443 * 7 + 6442]), 0x3C);
}

TEST_F(qcore_filter_Files, BadFilesLoadSafely) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto rate = std::make_unique<TRateFilterFile>();
  std::memset(rate.get(), 0, sizeof *rate);
  (*rate)[0].FilterType = kFilterMovingAverage;
  (*rate)[0].Counts = 5;
  (*rate)[0].Filtered = nan;
  (*rate)[1].FilterType = kFilterExponential;
  (*rate)[1].Counts = -1;
  (*rate)[1].Filtered = std::numeric_limits<double>::infinity();
  (*rate)[2].FilterType = kFilterButterworth;
  std::string rateBytes(reinterpret_cast<const char*>(rate.get()), sizeof *rate);

  struct Case {
    const char* name;
    std::string analog, rate, digital;
  };
  const Case cases[] = {
      {"short", std::string(100, '\x01'), std::string(3, '\x02'), std::string(40, '\x01')},
      {"long", std::string(51688 + 999, '\0'), rateBytes + "extra", std::string(60000, '\0')},
      {"all 0xFF", std::string(51688, '\xFF'), std::string(38814, '\xFF'), std::string(51544, '\xFF')},
      {"empty", "", "", ""},
      {"NaN and inf", std::string(51688, '\0'), rateBytes, std::string(51544, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TAcquisitionState st;
    TChannelComputation comp{st};
    TInputFilters f{st, comp};
    WriteAll(c.analog, c.rate, c.digital);
    f.Load(saver);
    for (int k = 0; k < 3; ++k) {
      f.FilterAnalog(AnalogFrame(2));
      f.FilterRates(RateFrame(2, 2));
      f.FilterDigital({1, 1, 1, 1, 1, 1, 1, 1});
    }
    for (int i = 0; i < kAnalogInputs; ++i) EXPECT_TRUE(std::isfinite(st.Inputs.AnalogValue[i])) << i;
    for (int i = 0; i < kRateInputs; ++i) {
      EXPECT_TRUE(std::isfinite(st.Inputs.RateValue[i])) << i;
      EXPECT_DOUBLE_EQ(st.Inputs.TotalValue[i], 2) << i;
    }
    for (int i = 0; i < kDigitalInputs; ++i) {
      const int s = st.Inputs.DigitalState[i];
      EXPECT_TRUE(s == 0 || s == 1) << i;
    }
    for (int i = 0; i < kRateInputs; ++i) {
      const uint8_t t = f.View(TFilterKind::Rate, i).FilterType;
      EXPECT_TRUE(t == kFilterNone || t == kFilterMovingAverage || t == kFilterExponential);
    }
    EXPECT_LE(f.View(TFilterKind::Analog, 0).Description.size(), 32u);
    EXPECT_TRUE(f.Save(saver));
  }
}

TEST_F(qcore_filter_Files, NaNThatCameInIsPassedOnButDoesNotStick) {
  filters.FilterAnalog(AnalogFrame(0));
  ASSERT_TRUE(filters.Apply(TFilterKind::Analog, 0, kFilterMovingAverage, 2));
  filters.FilterAnalog(AnalogFrame(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(std::isnan(Analog(0)));
  filters.FilterAnalog(AnalogFrame(4));
  filters.FilterAnalog(AnalogFrame(6));
  EXPECT_DOUBLE_EQ(Analog(0), 5);
}

}  // namespace
}  // namespace quirlo::acquisition
