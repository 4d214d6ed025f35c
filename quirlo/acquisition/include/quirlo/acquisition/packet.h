// The acquisition box's wire format, both directions, in one place.
//
// The box sends two kinds of packets, 50 analog frames and 10 rate frames a second at
// 57600 baud 8N1. Every packet is
//
//   offset 0  sync 0x16
//   offset 1  type: 1 = analog frame (21 bytes in all), 2 = rate frame (41 bytes in all)
//   offset 2  uint16 LE checksum: the sum of all bytes of the packet, with these two bytes
//             taken as 0, modulo 65536
//   offset 4  payload: TAnalogFrame (17 bytes) or TRateFrame (37 bytes)
//
// There is no escaping: the length follows from the type, so a 0x16 inside a payload is just
// data. The host sends 5-byte commands framed the same way: type 3 sets the quadrature mask,
// type 4 resets the pulse count of one frequency input; the checksum is 0x16 + type + data.
//
// The receiver (TPacketReceiver) is the host side's packet assembler. It runs on the master
// timer thread and must absorb a whole tick's bytes in microseconds, so it assembles in a
// fixed buffer and never allocates. TCommandReceiver is the box side's counterpart, used by
// the box emulator.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace quirlo::acquisition {

static_assert(std::endian::native == std::endian::little,
              "frames are decoded by copying their little-endian image");

#pragma pack(push, 1)
// Payload of a type 1 packet: eight 16-bit readings and the digital input bits.
struct TAnalogFrame {
  uint16_t Reading[8];  // raw 16-bit readings of analog inputs 1..8
  uint8_t DigitalBits;  // bit i = digital input i + 1
};

// Payload of a type 2 packet: running counts, present frequencies, quadrature flags.
struct TRateFrame {
  int32_t Count[6];        // running pulse counts of frequency inputs 1..6
  int16_t Frequency[6];    // hertz; negative when a quadrature input runs backwards
  uint8_t QuadratureBits;  // bit i set: input i + 1 counts in quadrature
};
#pragma pack(pop)

static_assert(sizeof(TAnalogFrame) == 17);
static_assert(offsetof(TAnalogFrame, Reading) == 0);
static_assert(offsetof(TAnalogFrame, DigitalBits) == 16);
static_assert(sizeof(TRateFrame) == 37);
static_assert(offsetof(TRateFrame, Count) == 0);
static_assert(offsetof(TRateFrame, Frequency) == 24);
static_assert(offsetof(TRateFrame, QuadratureBits) == 36);

inline constexpr uint8_t kPacketSync = 0x16;
inline constexpr uint8_t kTypeAnalog = 1;
inline constexpr uint8_t kTypeRate = 2;
inline constexpr uint8_t kTypeQuadratureMask = 3;
inline constexpr uint8_t kTypeResetTotal = 4;

inline constexpr std::size_t kPacketHeaderSize = 4;  // sync, type, checksum
inline constexpr std::size_t kAnalogPacketSize = kPacketHeaderSize + sizeof(TAnalogFrame);  // 21
inline constexpr std::size_t kRatePacketSize = kPacketHeaderSize + sizeof(TRateFrame);      // 41
inline constexpr std::size_t kCommandSize = 5;
inline constexpr std::size_t kReceiveBufferSize = 1024;

static_assert(kAnalogPacketSize == 21 && kRatePacketSize == 41);

using TAnalogPacket = std::array<uint8_t, kAnalogPacketSize>;
using TRatePacket = std::array<uint8_t, kRatePacketSize>;
using TCommand = std::array<uint8_t, kCommandSize>;

// Sum of all `size` bytes, bytes 2 and 3 (the checksum field) counted as 0, modulo 65536.
uint16_t PacketChecksum(const uint8_t* packet, std::size_t size);

TAnalogPacket EncodeAnalogPacket(const TAnalogFrame& frame);
TRatePacket EncodeRatePacket(const TRateFrame& frame);
// Command type 3: bit i set = frequency input i + 1 counts in quadrature (bits 0..5).
TCommand EncodeQuadratureMask(uint8_t mask);
// Command type 4: `index` is the 0-based frequency input whose count the box resets.
TCommand EncodeResetTotal(uint8_t index);

// Where the receiver hands what it found. Called on the receiver's thread, inside Feed().
class TPacketSink {
 public:
  virtual ~TPacketSink() = default;
  virtual void OnAnalogFrame(const TAnalogFrame& frame) = 0;
  virtual void OnRateFrame(const TRateFrame& frame) = 0;
  // A complete packet failed its checksum; `badCount` is the new total.
  virtual void OnBadPacket(uint32_t badCount) = 0;
};

// Host-side packet assembler:
//   hunting (RxCount 0): bytes other than 0x16 are dropped;
//   awaiting type (RxCount 1): 1 or 2 sets the expected length, anything else (0x16
//     included) drops the sync and the byte and hunting starts again;
//   collecting (RxCount >= 2): bytes are stored until the expected length; the packet is
//     then checked and either dispatched or counted as bad.
class TPacketReceiver {
 public:
  void Feed(const uint8_t* data, std::size_t size, TPacketSink& sink);
  void FeedByte(uint8_t byte, TPacketSink& sink);

  uint32_t BadPacketCount() const { return badPacketCount_; }
  uint16_t RxCount() const { return rxCount_; }
  void Reset() { rxCount_ = 0; }

 private:
  void Complete(TPacketSink& sink);

  std::array<uint8_t, kReceiveBufferSize> buffer_{};
  uint16_t rxCount_ = 0;
  uint16_t rxExpected_ = kAnalogPacketSize;
  uint32_t badPacketCount_ = 0;
};

// Box-side assembler of host commands; used by the box emulator.
class TCommandReceiver {
 public:
  struct TResult {
    bool complete = false;  // a 5-byte command has been assembled
    bool valid = false;     // ... and its checksum matched
    uint8_t type = 0;
    uint8_t data = 0;
  };
  TResult FeedByte(uint8_t byte);

 private:
  std::array<uint8_t, kCommandSize> buffer_{};
  std::size_t count_ = 0;
};

}  // namespace quirlo::acquisition
