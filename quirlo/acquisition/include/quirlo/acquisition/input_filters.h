// TInputFilters: the filter stage between calibration and the data-channel computation.
//
// Every input has a settings record (filter_records.h) and, when its FilterType asks for
// one, a live filter object kept beside the records. Per frame each input's value is
// stored as Unfiltered, filtered into Filtered, and the Filtered values of the whole frame
// are handed to TChannelComputation:
//
//   FilterAnalog   -> SetAnalogValues   (which also runs the frame's computation step)
//   FilterRates    -> SetRateValues     (filtered rates, totals as received: never filtered)
//   FilterDigital  -> SetDigitalStates
//
// Threads: the Filter* calls come from the master timer thread, Apply and the other
// operations from the dialogs on the user-interface thread. All of them take the
// acquisition lock (recursive, so a frame handler that already holds it may call in), so
// a frame never sees an input between its new FilterType and its new filter object.
//
// Life: Load at start-up (a missing file leaves every record 0, which is no filtering) and
// builds the objects, primed with the stored Filtered value; at shut-down StopFiltering,
// then Save. Window contents, averages and debounce counters are never stored, only the
// last Filtered.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/computation.h"
#include "quirlo/acquisition/debounce.h"
#include "quirlo/acquisition/filter_records.h"
#include "quirlo/acquisition/move_avg.h"
#include "quirlo/acquisition/rate_result.h"
#include "quirlo/recording/saver.h"

namespace quirlo::acquisition {

enum class TFilterKind { Analog, Rate, Digital };

// Number of inputs of a kind: 8, 6, 8.
int FilterInputCount(TFilterKind kind);

// One input's record as the dialogs show it; digital states are 0.0 or 1.0.
struct TFilterView {
  uint8_t FilterType = kFilterNone;
  std::string Description;
  double Unfiltered = 0.0;
  double Filtered = 0.0;
  int32_t Counts = 0;
};

class TInputFilters {
 public:
  TInputFilters(TAcquisitionState& state, TChannelComputation& computation);

  // Frame processing (master timer thread).
  void FilterAnalog(const std::array<double, kAnalogInputs>& values);
  void FilterRates(const std::array<TRateResult, kRateInputs>& results);
  void FilterDigital(const std::array<uint8_t, kDigitalInputs>& states);

  // Copies the calibration's description into the record. Out-of-range inputs are ignored.
  void SetFilterDescription(TFilterKind kind, int index, std::string_view text);

  // Puts `filterType` with `counts` ("Average Counts") into force for one input: the old
  // filter object goes, and a new one is built primed with the present Filtered value.
  // Counts is read before anything changes: without a count (the field could not be read)
  // a filter that needs one is refused and the input keeps its old filter. "None" needs no
  // count and leaves the stored Counts alone. Types this system has no filter for (the
  // listed Butterworth, unknown stored values) are refused as well. False when refused or
  // the input is out of range.
  bool Apply(TFilterKind kind, int index, uint8_t filterType, std::optional<int32_t> counts);

  TFilterView View(TFilterKind kind, int index) const;

  // Settings files. Load reads the three files through `saver` (records of a missing file
  // stay 0), cleans values that would upset the filters and builds the objects. Save
  // writes them. Load throws SettingsFolderError like TSaver::Load.
  void Load(TSaver& saver);
  bool Save(TSaver& saver) const;

  // At shut-down: analog and rate frames are no longer filtered or handed on.
  void StopFiltering() { stopped_.store(true); }

  // Copies of the whole records (for the complete settings files and tests).
  TAnalogFilterFile AnalogRecords() const;
  TRateFilterFile RateRecords() const;
  TDigitalFilterFile DigitalRecords() const;
  // Replaces the records and rebuilds every filter object from them.
  void SetRecords(const TAnalogFilterFile& analog, const TRateFilterFile& rate,
                  const TDigitalFilterFile& digital);

 private:
  // Filter objects of one analog or frequency input; at most one is set.
  struct TSmoothers {
    std::optional<TMove_Avg> avg;
    std::optional<TExp_Move_Avg> exp;
    double Step(uint8_t type, double x);
  };

  static void BuildSmoothers(TSmoothers& objects, uint8_t type, int32_t counts, double present);
  void Sanitize();
  void RebuildAll();

  TAcquisitionState& s_;
  TChannelComputation& computation_;
  std::atomic<bool> stopped_{false};

  // Guarded by s_.AcquisitionLock.
  TAnalogFilterFile analog_{};
  TRateFilterFile rate_{};
  TDigitalFilterFile digital_{};
  std::array<TSmoothers, kAnalogInputs> analogObjects_;
  std::array<TSmoothers, kRateInputs> rateObjects_;
  std::array<std::optional<TDebounce>, kDigitalInputs> digitalObjects_;
};

}  // namespace quirlo::acquisition
