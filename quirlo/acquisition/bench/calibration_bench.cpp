// Per-frame cost of the input road: decode (TMcb over an in-memory stream), smoothing,
// calibration, filtering and the computation step, for all inputs, with every input
// calibrated and filtered. The box sends five analog frames to one rate frame; the stream
// has the same mix. Allocations are counted by a replaced operator new; the goal is none
// per frame.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "quirlo/acquisition/calibration.h"
#include "quirlo/acquisition/computation.h"
#include "quirlo/acquisition/input_filters.h"
#include "quirlo/acquisition/input_pipeline.h"
#include "quirlo/acquisition/mcb.h"

#include "allocation_counter.h"
#include "memory_source.h"

namespace qa = quirlo::acquisition;

namespace {

struct Stream {
  std::vector<uint8_t> bytes;
  uint64_t frames = 0;
};

// Readings wander a few counts around a level per input, with an occasional step, so
// the smoothers both track and settle.
Stream MakeStream(std::size_t analogFrames) {
  Stream s;
  uint32_t seed = 12345;
  for (std::size_t n = 0; n < analogFrames; ++n) {
    qa::TAnalogFrame a{};
    for (int i = 0; i < 8; ++i) {
      seed = seed * 1103515245u + 12345u;
      const int level = 500 * (i + 1) + ((n / 1000) % 2 == 0 ? 0 : 40);
      const int count = level + static_cast<int>((seed >> 16) % 5) - 2;
      a.Reading[i] = static_cast<uint16_t>(count * 16);
    }
    a.DigitalBits = static_cast<uint8_t>(n / 7);
    const auto ap = qa::EncodeAnalogPacket(a);
    s.bytes.insert(s.bytes.end(), ap.begin(), ap.end());
    ++s.frames;
    if (n % 5 == 4) {
      qa::TRateFrame r{};
      for (int i = 0; i < 6; ++i) {
        r.Count[i] = static_cast<int32_t>(n * (i + 1));
        r.Frequency[i] = static_cast<int16_t>(10 * (i + 1));
      }
      const auto rp = qa::EncodeRatePacket(r);
      s.bytes.insert(s.bytes.end(), rp.begin(), rp.end());
      ++s.frames;
    }
  }
  return s;
}

void Report(benchmark::State& state, uint64_t frames, uint64_t allocations) {
  const double total = static_cast<double>(state.iterations()) * static_cast<double>(frames);
  state.SetItemsProcessed(static_cast<int64_t>(total));
  state.counters["ns/frame"] = benchmark::Counter(
      total, benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
      benchmark::Counter::kIs1000);
  state.counters["allocs/frame"] = static_cast<double>(allocations) / total;
}

// The whole road from the box's bytes to the channel values.
void BM_DecodeCalibrateFilterCompute(benchmark::State& state) {
  static const Stream stream = MakeStream(6000);
  qa::TAcquisitionState acquisition;
  qa::TChannelComputation computation(acquisition);
  qa::TInputCalibration calibration(acquisition);
  qa::TInputFilters filters(acquisition, computation);
  for (int i = 0; i < qa::kAnalogInputs; ++i) {
    calibration.CalibrateFixedScale(i, "", 1, 0, 100);
    filters.Apply(qa::TFilterKind::Analog, i,
                  i % 2 == 0 ? qa::kFilterMovingAverage : qa::kFilterExponential, 50);
    filters.Apply(qa::TFilterKind::Digital, i, qa::kFilterDebounce, 3);
  }
  for (int i = 0; i < qa::kRateInputs; ++i) {
    calibration.CalibrateRate(i, "", 2.5, 1, 0);
    filters.Apply(qa::TFilterKind::Rate, i, qa::kFilterMovingAverage, 10);
  }
  qa::TInputPipeline pipeline(acquisition, calibration, filters);
  quirlo::ImmediateDispatcher dispatcher;
  quirlo::ConsoleUiService ui;
  qa::TMcb mcb(pipeline, dispatcher, ui);
  MemorySource source(stream.bytes);
  mcb.SetByteSource(&source);

  uint64_t allocations = 0;
  for (auto _ : state) {
    source.Rewind();
    const uint64_t before = gAllocations.load();
    mcb.Poll();
    allocations += gAllocations.load() - before;
  }
  if (mcb.BadPacketCount() != 0) state.SkipWithError("bad packets in a valid stream");
  benchmark::DoNotOptimize(acquisition.ChannelValue.Get(0));
  Report(state, stream.frames, allocations);
}
BENCHMARK(BM_DecodeCalibrateFilterCompute)->Unit(benchmark::kMicrosecond);

// Calibration alone: counts, smoothing and polynomial for eight inputs plus the digital
// bits of one analog frame.
void BM_CalibrateAnalogFrame(benchmark::State& state) {
  qa::TAcquisitionState acquisition;
  qa::TInputCalibration calibration(acquisition);
  for (int i = 0; i < qa::kAnalogInputs; ++i) calibration.CalibrateGainOffset(i, "", 1, 0.01);
  qa::TAnalogFrame frame{};
  uint32_t seed = 1;
  uint64_t allocations = 0;
  for (auto _ : state) {
    seed = seed * 1103515245u + 12345u;
    for (int i = 0; i < 8; ++i) frame.Reading[i] = static_cast<uint16_t>(32000 + ((seed >> (i + 8)) & 31));
    const uint64_t before = gAllocations.load();
    benchmark::DoNotOptimize(calibration.ProcessAnalogFrame(frame)[7]);
    benchmark::DoNotOptimize(calibration.ProcessDigitalBits(static_cast<uint8_t>(seed))[7]);
    allocations += gAllocations.load() - before;
  }
  Report(state, 1, allocations);
}
BENCHMARK(BM_CalibrateAnalogFrame);

}  // namespace

BENCHMARK_MAIN();
