// The Reset Value dialog without its widgets.
//
// Totals and time-based math channels are reset through one small dialog: the caller names
// what to reset (all totals, the channels ticked in the Reset Channels dialog, or one
// channel), the user picks the value they restart from, and "Reset" hands the request to the
// computation. The value chosen stays for the next opening and is what the computation adds
// to a total or a math channel when it carries out the reset, so it is read from the timer
// thread: ResetValue is atomic.
//
// The form owns the heading, the field's text and the "Reset to Zero" box; this class keeps
// them as plain values so that every rule runs in a test without a window.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/computation.h"
#include "quirlo/platform/ui_service.h"

namespace quirlo::presentation {

inline constexpr int kResetAllTotals = -1;      // ResetTarget: every total channel
inline constexpr int kResetSelected = -2;       // ResetTarget: the ticked channels
inline constexpr int kResetModeAll = -1;        // ResetMode: reset all, restart time
inline constexpr int kResetModeTotalNow = 3;    // ResetMode: flagged totals at once
inline constexpr int kResetModeNextStep = 4;    // ResetMode: flagged channels next step

inline constexpr const char* kResetValueCaption = "Reset Value";
inline constexpr const char* kNotANumberCaption = "Reset Value";

using TResetFlags = std::array<int32_t, acquisition::kChannelCount>;

// The Reset Channels dialog as seen from here: whether it is on screen and which of its 24
// boxes are ticked.
class TResetChannelsView {
 public:
  virtual ~TResetChannelsView() = default;
  virtual bool IsVisible() const = 0;
  virtual bool ChannelTicked(int index) const = 0;
};

// Where a confirmed reset goes: the data-channel computation.
class TResetSink {
 public:
  virtual ~TResetSink() = default;
  // Every total and math channel reset, math time restarted.
  virtual void ResetAll() = 0;
  // mode 3: the flagged totals at once; mode 4: the flagged channels at the next step.
  virtual void RequestResets(const TResetFlags& flags, int mode, double value) = 0;
};

// The sink over the live computation. Mode 3 sends each flagged total's count reset to the
// box and sets its offset to the value; mode 4 replaces the pending resets by the flags and
// restarts the time when a flagged channel's expression uses it.
class TComputationResets final : public TResetSink {
 public:
  struct Hooks {
    std::function<void(int index)> resetTotal;           // box: reset frequency input's count
    std::function<bool(int channel)> expressionUsesTime;  // unset: no expression uses it
  };
  TComputationResets(acquisition::TAcquisitionState& state,
                     acquisition::TChannelComputation& computation, Hooks hooks);

  void ResetAll() override;
  void RequestResets(const TResetFlags& flags, int mode, double value) override;

 private:
  acquisition::TAcquisitionState& state_;
  acquisition::TChannelComputation& computation_;
  Hooks hooks_;
};

// What the dialog asks about a channel named as target.
struct TResetChannelInfo {
  std::function<std::string(int channel)> name;
  std::function<int32_t(int channel)> sourceKind;
};

// Channel names and kinds read from the channel table under the acquisition lock.
TResetChannelInfo ChannelInfoOf(acquisition::TAcquisitionState& state);

// Heading shown above the field for a target.
std::string ResetHeading(int target, const std::string& channelName);

class TResetValueLogic {
 public:
  TResetValueLogic(UiService& ui, TResetSink& sink, TResetChannelInfo channels);

  // The Reset Channels dialog, once it exists; until then it counts as never visible.
  void SetResetChannelsView(const TResetChannelsView* view) { channelsView_ = view; }

  // Stores the target and prepares heading, field and "Reset to Zero" for showing.
  void OpenResetDialog(int target);
  // flags: nullptr keeps the present flags.
  void SetResetMode(const TResetFlags* flags, int mode);
  double GetResetValue() const { return resetValue_.load(); }

  // The controls.
  void FieldEdited(const std::string& text);  // typing unchecks "Reset to Zero"
  void SetResetToZero(bool checked);
  // "Reset": false (and nothing changed, dialog stays) when the field is not a number.
  bool Reset();

  const std::string& Heading() const { return heading_; }
  const std::string& FieldText() const { return fieldText_; }
  bool ResetToZero() const { return resetToZero_; }
  int ResetTarget() const { return resetTarget_; }
  int ResetMode() const { return resetMode_; }
  const TResetFlags& ResetFlags() const { return resetFlags_; }

 private:
  std::optional<double> FieldValue() const;

  UiService& ui_;
  TResetSink& sink_;
  TResetChannelInfo channels_;
  const TResetChannelsView* channelsView_ = nullptr;

  std::atomic<double> resetValue_{0.0};
  int resetTarget_ = kResetAllTotals;
  int resetMode_ = kResetModeAll;
  TResetFlags resetFlags_{};
  std::string heading_;
  std::string fieldText_;
  bool resetToZero_ = true;
};

}  // namespace quirlo::presentation
