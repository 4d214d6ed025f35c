// Cost of filtering one frame: each filter step is O(1) whatever the window length.
#include <benchmark/benchmark.h>

#include "quirlo/acquisition/input_filters.h"

namespace quirlo::acquisition {
namespace {

void BM_MoveAvgStep(benchmark::State& st) {
  TMove_Avg avg(static_cast<int>(st.range(0)));
  double x = 0;
  for (auto _ : st) benchmark::DoNotOptimize(avg.Step(x += 0.5));
}
BENCHMARK(BM_MoveAvgStep)->Arg(1)->Arg(255);

void BM_FilterAnalogFrame(benchmark::State& st) {
  TAcquisitionState state;
  TChannelComputation computation(state);
  TInputFilters filters(state, computation);
  for (int i = 0; i < kAnalogInputs; ++i)
    filters.Apply(TFilterKind::Analog, i, i % 2 ? kFilterMovingAverage : kFilterExponential, 255);
  std::array<double, kAnalogInputs> frame{};
  for (auto _ : st) {
    frame[0] += 1.0;
    filters.FilterAnalog(frame);  // includes the computation step it starts
  }
}
BENCHMARK(BM_FilterAnalogFrame);

}  // namespace
}  // namespace quirlo::acquisition

BENCHMARK_MAIN();
