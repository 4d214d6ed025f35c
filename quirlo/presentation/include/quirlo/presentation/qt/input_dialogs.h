// The set of input dialogs (calibration and filter dialogs of the three input kinds) as the
// dialogs see each other: a link in one dialog hides it and shows another for the selected
// input of that kind. `caller` is the window shown again when the opened dialog closes, or
// nullptr for none.
#pragma once

class QWidget;

namespace quirlo::presentation {

enum class TInputKind { Analog, Digital, Rate };

class TInputDialogs {
 public:
  virtual ~TInputDialogs() = default;
  virtual void ShowCalibration(TInputKind kind, QWidget* caller) = 0;
  virtual void ShowFilter(TInputKind kind, QWidget* caller) = 0;
};

}  // namespace quirlo::presentation
