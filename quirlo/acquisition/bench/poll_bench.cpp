// Decoding speed of the box link: TMcb::Poll over a large in-memory stream of valid packets
// (five analog frames to one rate frame, as the box sends them), so the figure is the
// assembler's and not the kernel's. Allocations are counted by a replaced operator new;
// the goal is none per packet.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "quirlo/acquisition/computation.h"
#include "quirlo/acquisition/input_stage.h"
#include "quirlo/acquisition/mcb.h"

#include "allocation_counter.h"
#include "memory_source.h"

namespace qa = quirlo::acquisition;

namespace {

struct Stream {
  std::vector<uint8_t> bytes;
  uint64_t packets = 0;
};

Stream MakeStream(std::size_t targetBytes) {
  Stream s;
  uint16_t n = 0;
  while (s.bytes.size() < targetBytes) {
    qa::TAnalogFrame a{};
    for (int i = 0; i < 8; ++i) a.Reading[i] = n++;
    a.DigitalBits = static_cast<uint8_t>(n);
    const auto ap = qa::EncodeAnalogPacket(a);
    s.bytes.insert(s.bytes.end(), ap.begin(), ap.end());
    ++s.packets;
    if (s.packets % 6 == 5) {
      qa::TRateFrame r{};
      r.Count[0] = n;
      const auto rp = qa::EncodeRatePacket(r);
      s.bytes.insert(s.bytes.end(), rp.begin(), rp.end());
      ++s.packets;
    }
  }
  return s;
}

struct CountingHandler final : qa::TFrameHandler {
  uint64_t frames = 0;
  void OnAnalogFrame(const qa::TAnalogFrame& f) override { frames += f.Reading[0] != 0xFFFF; }
  void OnDigitalBits(uint8_t) override {}
  void OnRateFrame(const qa::TRateFrame&) override { ++frames; }
};

void Run(benchmark::State& state, qa::TFrameHandler& handler) {
  static const Stream stream = MakeStream(4 << 20);
  quirlo::ImmediateDispatcher dispatcher;
  quirlo::ConsoleUiService ui;
  qa::TMcb mcb(handler, dispatcher, ui);
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
  const auto iterations = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.bytes.size()));
  state.counters["packets/s"] =
      benchmark::Counter(iterations * static_cast<double>(stream.packets),
                         benchmark::Counter::kIsRate);
  state.counters["allocs/packet"] =
      static_cast<double>(allocations) / (iterations * static_cast<double>(stream.packets));
}

void BM_PollDecode(benchmark::State& state) {
  CountingHandler handler;
  Run(state, handler);
  benchmark::DoNotOptimize(handler.frames);
}
BENCHMARK(BM_PollDecode)->Unit(benchmark::kMillisecond);

// The same stream through the raw input stage and one computation step per analog frame.
void BM_PollDecodeAndCompute(benchmark::State& state) {
  qa::TAcquisitionState acquisition;
  qa::TChannelComputation computation(acquisition);
  qa::TRawInputStage stage(computation);
  Run(state, stage);
}
BENCHMARK(BM_PollDecodeAndCompute)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
