#include "quirlo/acquisition/computation.h"

#include <algorithm>

namespace quirlo::acquisition {

namespace {

// Stored records may hold any index; one outside its table reads 0 instead of memory
// beyond it.
template <class Table>
double At(const Table& table, int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return 0.0;
  return static_cast<double>(table[static_cast<std::size_t>(index)]);
}

}  // namespace

void TChannelComputation::SetHooks(TComputationHooks hooks) {
  std::lock_guard lock(s_.AcquisitionLock);
  hooks_ = std::move(hooks);
}

void TChannelComputation::SetAnalogValues(const std::array<double, kAnalogInputs>& filtered) {
  // The flag is read under the lock: a replay that sets it while holding the lock knows
  // that no live step publishes after its own values.
  std::lock_guard lock(s_.AcquisitionLock);
  if (s_.RunFlags.ReplayActive.load()) return;
  s_.Inputs.AnalogValue = filtered;
  firstFrameSeen_.store(true);
  ComputeLocked(kFrameStep);
}

void TChannelComputation::SetRateValues(const std::array<double, kRateInputs>& rates,
                                        const std::array<double, kRateInputs>& totals) {
  std::lock_guard lock(s_.AcquisitionLock);
  s_.Inputs.RateValue = rates;
  s_.Inputs.TotalValue = totals;
}

void TChannelComputation::SetDigitalStates(const std::array<int8_t, kDigitalInputs>& states) {
  std::lock_guard lock(s_.AcquisitionLock);
  s_.Inputs.DigitalState = states;
}

void TChannelComputation::SetSerialValues(int input, const double* values, int count) {
  if (input < 0 || input >= kSerialInputs || values == nullptr) return;
  count = std::clamp(count, 0, kSerialPositions);
  std::lock_guard lock(s_.AcquisitionLock);
  std::copy(values, values + count, s_.Inputs.SerialValue[input].begin());
}

bool TChannelComputation::IdleTick() {
  if (firstFrameSeen_.load()) return false;
  std::lock_guard lock(s_.AcquisitionLock);
  if (firstFrameSeen_.load()) return false;  // a frame came while we waited for the lock
  if (s_.RunFlags.ReplayActive.load()) return true;
  ComputeLocked(kIdleStep);
  return true;
}

void TChannelComputation::ComputeStep(double dt) {
  std::lock_guard lock(s_.AcquisitionLock);
  ComputeLocked(dt);
}

void TChannelComputation::ComputeLocked(double dt) {
  TChannelState& st = s_.State;
  const TInputValues& in = s_.Inputs;
  if (st.RestartTime) {
    st.ElapsedTime = 0.0;
    st.RestartTime = 0;
  } else {
    st.ElapsedTime += dt;
  }

  // Channels are computed in order into one working array: an expression sees this step's
  // value of the channels before it and last step's of the others.
  working_ = s_.ChannelValue.Snapshot();
  for (int i = 0; i < kChannelCount; ++i) {
    const TChannelDef& def = s_.Table[i];
    const int32_t kind = def.SourceKind;
    const int32_t index = def.SourceIndex;
    double value = 0.0;
    switch (static_cast<TSourceKind>(kind)) {
      case TSourceKind::Analog:
        value = At(in.AnalogValue, index);
        break;
      case TSourceKind::Rate:
        value = At(in.RateValue, index);
        break;
      case TSourceKind::Digital:
        value = At(in.DigitalState, index);
        break;
      case TSourceKind::Total:
        if (st.ResetPending[i]) {
          if (hooks_.resetTotal) hooks_.resetTotal(index);
          st.Offset[i] = hooks_.resetValue ? hooks_.resetValue() : 0.0;
          st.ResetPending[i] = 0;
          value = working_[i];  // keeps last step's value until the box has reset
        } else {
          value = At(in.TotalValue, index) + st.Offset[i];
        }
        break;
      case TSourceKind::Math: {
        const double v = hooks_.evaluateMath ? hooks_.evaluateMath(i, working_) : 0.0;
        if (st.ResetPending[i]) {
          const bool restarts =
              hooks_.expressionUsesTimeOrTotal && hooks_.expressionUsesTimeOrTotal(i);
          if (restarts) {
            st.Offset[i] = (hooks_.resetValue ? hooks_.resetValue() : 0.0) - v;
            value = 0.0;
          } else {
            value = v + st.Offset[i];
          }
          st.ResetPending[i] = 0;
        } else {
          value = v + st.Offset[i];
        }
        break;
      }
      default: {
        const int serial = SerialInputOfKind(kind);
        value = serial >= 0 ? At(in.SerialValue[serial], index) : 0.0;
      }
    }
    working_[i] = value;
  }
  for (int i = 0; i < kChannelCount; ++i) st.Integral[i] += working_[i] * dt;
  if (demo_.IsOn()) demo_.Step(working_);
  s_.ChannelValue.Publish(working_);
}

void TChannelComputation::ReloadTable() {
  {
    std::lock_guard lock(s_.AcquisitionLock);
    s_.State.Restart();
  }
  BroadcastNames();
}

void TChannelComputation::ResetAll() {
  std::lock_guard lock(s_.AcquisitionLock);
  s_.State.RestartTime = 1;
  s_.State.ResetPending.fill(1);
}

void TChannelComputation::SetDemo(bool on) {
  bool changed;
  {
    std::lock_guard lock(s_.AcquisitionLock);
    changed = on ? demo_.SwitchOn(s_.Table) : demo_.SwitchOff(s_.Table);
  }
  if (changed) BroadcastNames();
}

bool TChannelComputation::DemoOn() const {
  std::lock_guard lock(s_.AcquisitionLock);
  return demo_.IsOn();
}

void TChannelComputation::RestoreDemoNames() { SetDemo(false); }

void TChannelComputation::BroadcastNames() {
  std::function<void()> broadcast;
  {
    std::lock_guard lock(s_.AcquisitionLock);
    broadcast = hooks_.namesChanged;
  }
  if (broadcast) broadcast();
}

}  // namespace quirlo::acquisition
