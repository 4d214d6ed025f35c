// quirlo-calibrate: sets the calibration of Quirlo's inputs from the command line, the way
// the calibration dialogs do, and stores it in the program's folder ("analog", "digital",
// "rate"). Useful to prepare a box's setup in scripts, and used by the demonstration script
// so that a first run shows engineering values instead of zeros.
//
// Run it while Quirlo is not running: Quirlo saves its own records when it ends.
#include <cstdio>
#include <iostream>
#include <string>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/calibration.h"
#include "quirlo/platform/program_folder.h"
#include "quirlo/recording/saver.h"
#include "quirlo/tools/command_line.h"

namespace {

const char kUsage[] =
    "usage: quirlo-calibrate [--home DIR] ACTION...\n"
    "  --analog N --fixed RANGE LOW HIGH   Fixed Scale of analog input N (1-8); RANGE is\n"
    "                                      0-20mA, 4-20mA or 0-5V\n"
    "  --analog N --gain-offset GAIN OFFSET\n"
    "  --rate N --kfactor K [--timebase second|minute|hour]\n"
    "                                      K-factor of frequency input N (1-6)\n"
    "  --description TEXT                  description stored with the next action\n"
    "  --show                              print every input's calibration\n"
    "Actions run in the order given; the records are saved once at the end.\n";

const quirlo::tools::CommandLine args("quirlo-calibrate", kUsage);

uint8_t RangeOf(const std::string& text) {
  if (text == "0-20mA") return 0;
  if (text == "4-20mA") return 1;
  if (text == "0-5V") return 2;
  args.Fail("unknown range \"" + text + "\"");
}

uint8_t TimebaseOf(const std::string& text) {
  if (text == "second") return 0;
  if (text == "minute") return 1;
  if (text == "hour") return 2;
  args.Fail("unknown timebase \"" + text + "\"");
}

void Show(const quirlo::acquisition::TInputCalibration& cal) {
  using namespace quirlo::acquisition;
  static const char* const kRanges[] = {"0-20mA", "4-20mA", "0-5V"};
  static const char* const kTimebases[] = {"second", "minute", "hour"};
  for (int i = 0; i < kAnalogInputs; ++i) {
    const TAnalogCal r = cal.AnalogRecord(i);
    std::printf("analog %d: %s offset %.10g gain %.10g low %.10g high %.10g \"%.32s\"\n", i + 1,
                kRanges[r.Range <= 2 ? r.Range : 0], r.C0, r.C1, r.LowDisplay, r.HighDisplay,
                r.Description);
  }
  for (int i = 0; i < kRateInputs; ++i) {
    const TRateCal r = cal.RateRecord(i);
    std::printf("rate %d: K-factor %.10g per %s quadrature %d \"%.32s\"\n", i + 1, r.KFactor,
                kTimebases[r.Timebase <= 2 ? r.Timebase : 0], r.Quadrature, r.Description);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quirlo;
  using namespace quirlo::acquisition;
  InitProgramFolder(argc, argv);
  TAcquisitionState state;
  TInputCalibration cal(state);
  TSaver saver(ProgramFolder());
  for (const std::string& error : cal.Load(saver)) std::cerr << "quirlo-calibrate: " << error << "\n";

  std::string description;
  bool changed = false;
  auto check = [](TCalibrateStatus status) {
    if (status != TCalibrateStatus::Ok) args.Fail("these values cannot be used for a calibration");
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&] { return args.Next(argc, argv, i); };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--description") {
      description = value();
    } else if (arg == "--show") {
      Show(cal);
    } else if (arg == "--analog") {
      const int input = static_cast<int>(args.Integer(value(), "--analog", 1, kAnalogInputs)) - 1;
      const std::string how = value();
      if (how == "--fixed") {
        const uint8_t range = RangeOf(value());
        const double low = args.Real(value(), "LOW", -1e300, 1e300);
        const double high = args.Real(value(), "HIGH", -1e300, 1e300);
        check(cal.CalibrateFixedScale(input, description, range, low, high));
      } else if (how == "--gain-offset") {
        const double gain = args.Real(value(), "GAIN", -1e300, 1e300);
        const double offset = args.Real(value(), "OFFSET", -1e300, 1e300);
        check(cal.CalibrateGainOffset(input, description, offset, gain));
      } else {
        args.Fail("--analog N takes --fixed or --gain-offset");
      }
      description.clear();
      changed = true;
    } else if (arg == "--rate") {
      const int input = static_cast<int>(args.Integer(value(), "--rate", 1, kRateInputs)) - 1;
      if (value() != "--kfactor") args.Fail("--rate N takes --kfactor K");
      const double k = args.Real(value(), "--kfactor", -1e300, 1e300);
      uint8_t timebase = 0;
      if (i + 1 < argc && std::string(argv[i + 1]) == "--timebase") {
        ++i;
        timebase = TimebaseOf(value());
      }
      const TRateCal old = cal.RateRecord(input);
      check(cal.CalibrateRate(input, description, k, timebase, old.Quadrature));
      description.clear();
      changed = true;
    } else {
      args.Fail("unknown option " + arg);
    }
  }
  if (changed && !cal.Save(saver)) {
    std::cerr << "quirlo-calibrate: the calibration could not be saved in "
              << ProgramFolder().string() << "\n";
    return 1;
  }
  return 0;
}
