#include "quirlo/presentation/reset_value.h"

#include <mutex>

#include "quirlo/presentation/input_text.h"

namespace quirlo::presentation {

using acquisition::kChannelCount;
using acquisition::TSourceKind;

TComputationResets::TComputationResets(acquisition::TAcquisitionState& state,
                                       acquisition::TChannelComputation& computation,
                                       Hooks hooks)
    : state_(state), computation_(computation), hooks_(std::move(hooks)) {}

void TComputationResets::ResetAll() { computation_.ResetAll(); }

void TComputationResets::RequestResets(const TResetFlags& flags, int mode, double value) {
  if (mode == kResetModeTotalNow) {
    std::array<int, kChannelCount> boxResets{};
    int count = 0;
    {
      std::lock_guard lock(state_.AcquisitionLock);
      for (int i = 0; i < kChannelCount; ++i) {
        const auto& def = state_.Table[i];
        if (!flags[i] || def.SourceKind != static_cast<int32_t>(TSourceKind::Total)) continue;
        state_.State.Offset[i] = value;
        boxResets[count++] = def.SourceIndex;
      }
    }
    // The box command goes out after the lock is released: it waits for the port.
    if (hooks_.resetTotal)
      for (int k = 0; k < count; ++k) hooks_.resetTotal(boxResets[k]);
  } else if (mode == kResetModeNextStep) {
    std::lock_guard lock(state_.AcquisitionLock);
    auto& st = state_.State;
    st.RestartTime = 0;
    for (int i = 0; i < kChannelCount; ++i) {
      st.ResetPending[i] = flags[i] ? 1 : 0;
      if (flags[i] && !st.RestartTime && hooks_.expressionUsesTime &&
          hooks_.expressionUsesTime(i))
        st.RestartTime = 1;
    }
  }
}

TResetChannelInfo ChannelInfoOf(acquisition::TAcquisitionState& state) {
  TResetChannelInfo info;
  info.name = [&state](int channel) {
    std::lock_guard lock(state.AcquisitionLock);
    return acquisition::FieldText(state.Table[channel].Name);
  };
  info.sourceKind = [&state](int channel) {
    std::lock_guard lock(state.AcquisitionLock);
    return state.Table[channel].SourceKind;
  };
  return info;
}

std::string ResetHeading(int target, const std::string& channelName) {
  if (target == kResetAllTotals) return "Reset all total channels to value below.";
  if (target == kResetSelected) return "Reset selected channel(s) to value below.";
  return "Reset " + channelName + " to value below.";
}

TResetValueLogic::TResetValueLogic(UiService& ui, TResetSink& sink, TResetChannelInfo channels)
    : ui_(ui), sink_(sink), channels_(std::move(channels)) {
  fieldText_ = NumberText(0.0);
}

namespace {
bool IsChannel(int target) { return target >= 0 && target < kChannelCount; }
}  // namespace

void TResetValueLogic::OpenResetDialog(int target) {
  resetTarget_ = target;
  std::string name;
  if (IsChannel(target) && channels_.name) name = channels_.name(target);
  heading_ = ResetHeading(target, name);
  const double value = resetValue_.load();
  fieldText_ = NumberText(value);
  resetToZero_ = value == 0.0;
}

void TResetValueLogic::SetResetMode(const TResetFlags* flags, int mode) {
  resetMode_ = mode;
  if (flags) resetFlags_ = *flags;
}

void TResetValueLogic::FieldEdited(const std::string& text) {
  fieldText_ = text;
  resetToZero_ = false;
}

std::optional<double> TResetValueLogic::FieldValue() const { return ReadNumber(fieldText_); }

void TResetValueLogic::SetResetToZero(bool checked) {
  resetToZero_ = checked;
  if (checked) {
    resetValue_ = 0.0;
    fieldText_ = NumberText(0.0);
  } else if (const auto v = FieldValue()) {
    resetValue_ = *v;
  }
}

bool TResetValueLogic::Reset() {
  double value = 0.0;
  if (!resetToZero_) {
    const auto v = FieldValue();
    if (!v) {
      ui_.MessageBox(NotANumberMessage(fieldText_), kNotANumberCaption, MsgIcon::Error,
                     MsgButtons::Ok);
      return false;
    }
    value = *v;
  }
  resetValue_ = value;

  if (IsChannel(resetTarget_)) {
    // One channel: only that channel, whatever an earlier caller left in the flags.
    resetFlags_.fill(0);
    resetFlags_[resetTarget_] = 1;
    if (channels_.sourceKind &&
        channels_.sourceKind(resetTarget_) == static_cast<int32_t>(TSourceKind::Total))
      resetMode_ = kResetModeTotalNow;
  } else if (resetTarget_ == kResetSelected && channelsView_ && channelsView_->IsVisible()) {
    // The boxes may have changed since "Reset" was pressed there: take them as they are now.
    resetMode_ = kResetModeNextStep;
    for (int i = 0; i < kChannelCount; ++i) resetFlags_[i] = channelsView_->ChannelTicked(i);
  }

  if (resetMode_ < 0)
    sink_.ResetAll();
  else
    sink_.RequestResets(resetFlags_, resetMode_, value);
  return true;
}

}  // namespace quirlo::presentation
