#include "quirlo/acquisition/packet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace qa = quirlo::acquisition;
using Bytes = std::vector<uint8_t>;

namespace {

struct RecordingSink : qa::TPacketSink {
  std::vector<qa::TAnalogFrame> analog;
  std::vector<qa::TRateFrame> rate;
  uint32_t lastBad = 0;
  void OnAnalogFrame(const qa::TAnalogFrame& f) override { analog.push_back(f); }
  void OnRateFrame(const qa::TRateFrame& f) override { rate.push_back(f); }
  void OnBadPacket(uint32_t n) override { lastBad = n; }
};

qa::TAnalogFrame AnalogFrame(uint16_t base, uint8_t bits) {
  qa::TAnalogFrame f{};
  for (int i = 0; i < 8; ++i) f.Reading[i] = static_cast<uint16_t>(base + i);
  f.DigitalBits = bits;
  return f;
}

qa::TRateFrame RateFrame(int32_t count, int16_t freq) {
  qa::TRateFrame f{};
  for (int i = 0; i < 6; ++i) {
    f.Count[i] = static_cast<int32_t>(static_cast<uint32_t>(count) * static_cast<uint32_t>(i + 1));
    f.Frequency[i] = static_cast<int16_t>(-freq * i);  // int arithmetic: no overflow
  }
  f.QuadratureBits = 0x2A;
  return f;
}

Bytes Analog(uint16_t base = 0x0100, uint8_t bits = 0x05) {
  auto p = qa::EncodeAnalogPacket(AnalogFrame(base, bits));
  return {p.begin(), p.end()};
}

Bytes Rate(int32_t count = 1000, int16_t freq = 12) {
  auto p = qa::EncodeRatePacket(RateFrame(count, freq));
  return {p.begin(), p.end()};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Corrupt(Bytes packet, std::size_t at) {
  packet[at] ^= 0x40;
  return packet;
}

}  // namespace

TEST(qcore_Packet, LayoutAndEncodingRoundTrip) {
  const Bytes a = Analog(0x1234, 0x81);
  ASSERT_EQ(a.size(), 21u);
  EXPECT_EQ(a[0], 0x16);
  EXPECT_EQ(a[1], 1);
  EXPECT_EQ(a[4], 0x34);  // Reading[0] little-endian
  EXPECT_EQ(a[5], 0x12);
  EXPECT_EQ(a[20], 0x81);  // DigitalBits
  uint32_t sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (i == 2 || i == 3) ? 0 : a[i];
  EXPECT_EQ(a[2] | (a[3] << 8), static_cast<int>(sum & 0xFFFF));

  const Bytes r = Rate(-5, 300);
  ASSERT_EQ(r.size(), 41u);
  EXPECT_EQ(r[1], 2);
  int32_t count0;
  std::memcpy(&count0, r.data() + 4, 4);
  EXPECT_EQ(count0, -5);
  EXPECT_EQ(r[40], 0x2A);

  RecordingSink sink;
  qa::TPacketReceiver rx;
  const Bytes both = Cat({a, r});
  rx.Feed(both.data(), both.size(), sink);
  ASSERT_EQ(sink.analog.size(), 1u);
  ASSERT_EQ(sink.rate.size(), 1u);
  EXPECT_EQ(std::memcmp(&sink.analog[0], a.data() + 4, 17), 0);
  EXPECT_EQ(std::memcmp(&sink.rate[0], r.data() + 4, 37), 0);
}

TEST(qcore_Packet, CommandBytes) {
  EXPECT_EQ(qa::EncodeResetTotal(3), (qa::TCommand{0x16, 0x04, 0x1D, 0x00, 0x03}));
  EXPECT_EQ(qa::EncodeQuadratureMask(0), (qa::TCommand{0x16, 0x03, 0x19, 0x00, 0x00}));
  EXPECT_EQ(qa::EncodeQuadratureMask(0x3F), (qa::TCommand{0x16, 0x03, 0x58, 0x00, 0x3F}));

  // The box side reads them back, resynchronising over junk and refusing a bad sum.
  const Bytes stream = {0x00, 0x16, 0x09, 0x16, 0x04, 0x1D, 0x00, 0x03,
                        0x16, 0x03, 0x19, 0x01, 0x00};
  qa::TCommandReceiver rx;
  std::vector<qa::TCommandReceiver::TResult> got;
  for (uint8_t b : stream) {
    auto r = rx.FeedByte(b);
    if (r.complete) got.push_back(r);
  }
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].valid);
  EXPECT_EQ(got[0].type, 4);
  EXPECT_EQ(got[0].data, 3);
  EXPECT_FALSE(got[1].valid);
}

TEST(qcore_Packet, ReceiverCases) {
  const Bytes payloadWithSync = Analog(0x1616, 0x16);
  struct Case {
    int row;
    const char* what;
    Bytes stream;
    std::size_t analog, rate;
    uint32_t bad;
  };
  const Case cases[] = {
      {1, "one analog packet", Analog(), 1, 0, 0},
      {2, "one rate packet", Rate(), 0, 1, 0},
      {3, "0x16 0x05 lost, resync on next sync", Cat({{0x16, 0x05}, Analog()}), 1, 0, 0},
      {4, "0x16 as type byte is not a new sync", Cat({{0x16, 0x16}, Analog()}), 1, 0, 0},
      {5, "0x16 inside payload is data", payloadWithSync, 1, 0, 0},
      {6, "junk before a packet", Cat({{0x00, 0xFF, 0x01, 0x02}, Rate()}), 0, 1, 0},
      {7, "corrupt payload byte", Corrupt(Analog(), 9), 0, 0, 1},
      {8, "corrupt checksum byte", Corrupt(Rate(), 3), 0, 0, 1},
      {9, "corrupt packet then good ones", Cat({Corrupt(Analog(), 20), Analog(), Rate()}), 1, 1,
       1},
      {10, "empty stream", {}, 0, 0, 0},
      {11, "header only, incomplete", {0x16, 0x01, 0x00, 0x00}, 0, 0, 0},
      {12, "many packets back to back", Cat({Analog(), Analog(), Rate(), Analog(), Rate()}), 3,
       2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << c.row << ": " << c.what);
    RecordingSink sink;
    qa::TPacketReceiver rx;
    rx.Feed(c.stream.data(), c.stream.size(), sink);
    EXPECT_EQ(sink.analog.size(), c.analog);
    EXPECT_EQ(sink.rate.size(), c.rate);
    EXPECT_EQ(rx.BadPacketCount(), c.bad);
    EXPECT_EQ(sink.lastBad, c.bad);
  }
}

TEST(qcore_Packet, TruncatedPacketSwallowsStartOfNext) {
  // A packet cut short by the box absorbs the next packet's first bytes: exactly one bad
  // packet, and the rest of the next packet (no sync byte in it) is dropped.
  Bytes cut = Analog(0x0200, 0x00);
  cut.resize(10);
  const Bytes stream = Cat({cut, Analog(0x0300, 0x00), Analog(0x0400, 0x00)});
  RecordingSink sink;
  qa::TPacketReceiver rx;
  rx.Feed(stream.data(), stream.size(), sink);
  EXPECT_EQ(rx.BadPacketCount(), 1u);
  ASSERT_EQ(sink.analog.size(), 1u);
  EXPECT_EQ(+sink.analog[0].Reading[0], 0x0400);
}

TEST(qcore_Packet, RandomStreamsCountExactlyAndResynchronise) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    Bytes stream;
    std::size_t wantAnalog = 0, wantRate = 0;
    uint32_t wantBad = 0;
    for (int seg = 0; seg < 50; ++seg) {
      switch (rng() % 5) {
        case 0:
          stream.insert(stream.end(), {0x00, 0x42, 0xFE});  // junk without a sync byte
          break;
        case 1: {
          Bytes p = Analog(static_cast<uint16_t>(rng()), static_cast<uint8_t>(rng()));
          stream.insert(stream.end(), p.begin(), p.end());
          ++wantAnalog;
          break;
        }
        case 2: {
          Bytes p = Rate(static_cast<int32_t>(rng()), static_cast<int16_t>(rng()));
          stream.insert(stream.end(), p.begin(), p.end());
          ++wantRate;
          break;
        }
        default: {
          Bytes p = rng() % 2 ? Analog(static_cast<uint16_t>(rng()), 0) : Rate(7, 7);
          p = Corrupt(p, 4 + rng() % (p.size() - 4));
          stream.insert(stream.end(), p.begin(), p.end());
          ++wantBad;
        }
      }
    }
    // Feed in random chunk sizes: the assembler keeps its state between reads.
    RecordingSink sink;
    qa::TPacketReceiver rx;
    for (std::size_t pos = 0; pos < stream.size();) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 64, stream.size() - pos);
      rx.Feed(stream.data() + pos, n, sink);
      pos += n;
    }
    ASSERT_EQ(sink.analog.size(), wantAnalog) << "round " << round;
    ASSERT_EQ(sink.rate.size(), wantRate) << "round " << round;
    ASSERT_EQ(rx.BadPacketCount(), wantBad) << "round " << round;
  }
}

TEST(qcore_Packet, ArbitraryBytesNeverBreakTheReceiver) {
  std::mt19937 rng(777);
  for (int round = 0; round < 200; ++round) {
    Bytes noise(rng() % 3000);
    for (auto& b : noise) b = static_cast<uint8_t>(rng() % 4 == 0 ? 0x16 : rng());
    RecordingSink sink;
    qa::TPacketReceiver rx;
    rx.Feed(noise.data(), noise.size(), sink);
    ASSERT_LT(rx.RxCount(), qa::kRatePacketSize);
    // 41 bytes without a sync byte flush any half-assembled packet; the next one is clean.
    const Bytes flush(qa::kRatePacketSize, 0x00);
    rx.Feed(flush.data(), flush.size(), sink);
    const Bytes good = Analog(0x0ABC, 0x3C);
    sink.analog.clear();
    rx.Feed(good.data(), good.size(), sink);
    ASSERT_EQ(sink.analog.size(), 1u) << "round " << round;
    EXPECT_EQ(+sink.analog[0].Reading[0], 0x0ABC);
    EXPECT_EQ(sink.analog[0].DigitalBits, 0x3C);
  }
}

TEST(qcore_Packet, BulkFeedMatchesByteByByteReference) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 300; ++round) {
    // Valid packets, damaged ones and noise rich in sync and type bytes.
    Bytes stream;
    for (int seg = 0; seg < 40; ++seg) {
      Bytes part;
      switch (rng() % 4) {
        case 0: part = Analog(static_cast<uint16_t>(rng()), static_cast<uint8_t>(rng())); break;
        case 1: part = Rate(static_cast<int32_t>(rng()), static_cast<int16_t>(rng())); break;
        case 2: part = Corrupt(Rate(1, 1), rng() % 41); break;
        default:
          part.resize(rng() % 8);
          for (auto& b : part) b = static_cast<uint8_t>(rng() % 3 == 0 ? 0x16 : rng() % 4);
      }
      stream.insert(stream.end(), part.begin(), part.end());
    }
    RecordingSink bulk, reference;
    qa::TPacketReceiver bulkRx, referenceRx;
    for (std::size_t pos = 0; pos < stream.size();) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 100, stream.size() - pos);
      bulkRx.Feed(stream.data() + pos, n, bulk);
      pos += n;
    }
    for (uint8_t b : stream) referenceRx.FeedByte(b, reference);
    ASSERT_EQ(bulk.analog.size(), reference.analog.size()) << "round " << round;
    ASSERT_EQ(bulk.rate.size(), reference.rate.size()) << "round " << round;
    ASSERT_EQ(bulkRx.BadPacketCount(), referenceRx.BadPacketCount()) << "round " << round;
    ASSERT_EQ(bulkRx.RxCount(), referenceRx.RxCount()) << "round " << round;
    for (std::size_t i = 0; i < bulk.analog.size(); ++i) {
      ASSERT_EQ(std::memcmp(&bulk.analog[i], &reference.analog[i], 17), 0);
    }
  }
}
