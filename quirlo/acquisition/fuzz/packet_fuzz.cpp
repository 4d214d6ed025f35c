// Any byte stream through the packet assembler: never out of bounds, and the bulk path
// agrees with the byte-by-byte path on every stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "quirlo/acquisition/packet.h"

namespace qa = quirlo::acquisition;

namespace {
struct CountingSink : qa::TPacketSink {
  uint64_t analog = 0, rate = 0, sum = 0;
  void OnAnalogFrame(const qa::TAnalogFrame& f) override {
    ++analog;
    sum += f.Reading[0];
  }
  void OnRateFrame(const qa::TRateFrame& f) override {
    ++rate;
    sum += static_cast<uint32_t>(f.Count[0]);
  }
  void OnBadPacket(uint32_t) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CountingSink bulk, reference;
  qa::TPacketReceiver bulkRx, referenceRx;
  // The first byte chooses the chunk size, so reads split packets in every way.
  const std::size_t chunk = size > 0 ? 1 + data[0] % 64 : 1;
  for (std::size_t pos = 0; pos < size; pos += chunk) {
    bulkRx.Feed(data + pos, chunk < size - pos ? chunk : size - pos, bulk);
  }
  for (std::size_t i = 0; i < size; ++i) referenceRx.FeedByte(data[i], reference);
  if (bulk.analog != reference.analog || bulk.rate != reference.rate ||
      bulk.sum != reference.sum || bulkRx.BadPacketCount() != referenceRx.BadPacketCount() ||
      bulkRx.RxCount() != referenceRx.RxCount()) {
    std::abort();
  }
  return 0;
}
