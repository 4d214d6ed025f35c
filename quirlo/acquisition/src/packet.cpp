#include "quirlo/acquisition/packet.h"

#include <algorithm>
#include <cstring>

namespace quirlo::acquisition {

uint16_t PacketChecksum(const uint8_t* packet, std::size_t size) {
  uint16_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (i != 2 && i != 3) sum = static_cast<uint16_t>(sum + packet[i]);
  }
  return sum;
}

namespace {

template <std::size_t N>
std::array<uint8_t, N> Frame(uint8_t type, const void* payload, std::size_t payloadSize) {
  std::array<uint8_t, N> out{};
  out[0] = kPacketSync;
  out[1] = type;
  std::memcpy(out.data() + kPacketHeaderSize, payload, payloadSize);
  const uint16_t sum = PacketChecksum(out.data(), out.size());
  out[2] = static_cast<uint8_t>(sum & 0xFF);
  out[3] = static_cast<uint8_t>(sum >> 8);
  return out;
}

}  // namespace

TAnalogPacket EncodeAnalogPacket(const TAnalogFrame& frame) {
  return Frame<kAnalogPacketSize>(kTypeAnalog, &frame, sizeof frame);
}

TRatePacket EncodeRatePacket(const TRateFrame& frame) {
  return Frame<kRatePacketSize>(kTypeRate, &frame, sizeof frame);
}

TCommand EncodeQuadratureMask(uint8_t mask) {
  return Frame<kCommandSize>(kTypeQuadratureMask, &mask, 1);
}

TCommand EncodeResetTotal(uint8_t index) {
  return Frame<kCommandSize>(kTypeResetTotal, &index, 1);
}

// Same result as FeedByte on every byte, in bulk: while hunting it jumps to the next sync
// byte, and while collecting it copies the rest of the packet in one go.
void TPacketReceiver::Feed(const uint8_t* data, std::size_t size, TPacketSink& sink) {
  std::size_t i = 0;
  while (i < size) {
    if (rxCount_ == 0) {
      const void* sync = std::memchr(data + i, kPacketSync, size - i);
      if (sync == nullptr) return;
      i = static_cast<std::size_t>(static_cast<const uint8_t*>(sync) - data);
      FeedByte(data[i++], sink);
    } else if (rxCount_ >= 2 && rxCount_ < rxExpected_) {
      const std::size_t n = std::min<std::size_t>(rxExpected_ - rxCount_, size - i);
      std::memcpy(buffer_.data() + rxCount_, data + i, n);
      rxCount_ = static_cast<uint16_t>(rxCount_ + n);
      i += n;
      if (rxCount_ == rxExpected_) Complete(sink);
    } else {
      FeedByte(data[i++], sink);
    }
  }
}

void TPacketReceiver::FeedByte(uint8_t byte, TPacketSink& sink) {
  if (rxCount_ >= kReceiveBufferSize) rxCount_ = 0;
  if (rxCount_ == 0) {
    if (byte != kPacketSync) return;
  } else if (rxCount_ == 1) {
    if (byte == kTypeAnalog) {
      rxExpected_ = kAnalogPacketSize;
    } else if (byte == kTypeRate) {
      rxExpected_ = kRatePacketSize;
    } else {
      rxCount_ = 0;  // drops the sync too; a 0x16 here is not a new sync
      return;
    }
  }
  buffer_[rxCount_++] = byte;
  if (rxCount_ >= kPacketHeaderSize && rxCount_ == rxExpected_) Complete(sink);
}

void TPacketReceiver::Complete(TPacketSink& sink) {
  const uint16_t stored = static_cast<uint16_t>(buffer_[2] | (buffer_[3] << 8));
  buffer_[2] = 0;
  buffer_[3] = 0;
  uint16_t sum = 0;
  for (uint16_t i = 0; i < rxCount_; ++i) sum = static_cast<uint16_t>(sum + buffer_[i]);
  const uint8_t* payload = buffer_.data() + kPacketHeaderSize;
  const uint8_t type = buffer_[1];
  rxCount_ = 0;
  if (sum != stored) {
    sink.OnBadPacket(++badPacketCount_);
  } else if (type == kTypeAnalog) {
    TAnalogFrame frame;
    std::memcpy(&frame, payload, sizeof frame);
    sink.OnAnalogFrame(frame);
  } else {
    TRateFrame frame;
    std::memcpy(&frame, payload, sizeof frame);
    sink.OnRateFrame(frame);
  }
}

TCommandReceiver::TResult TCommandReceiver::FeedByte(uint8_t byte) {
  TResult result;
  if (count_ == 0 && byte != kPacketSync) return result;
  if (count_ == 1 && byte != kTypeQuadratureMask && byte != kTypeResetTotal) {
    count_ = 0;
    return result;
  }
  buffer_[count_++] = byte;
  if (count_ < kCommandSize) return result;
  count_ = 0;
  result.complete = true;
  result.type = buffer_[1];
  result.data = buffer_[4];
  const uint16_t stored = static_cast<uint16_t>(buffer_[2] | (buffer_[3] << 8));
  result.valid = stored == PacketChecksum(buffer_.data(), kCommandSize);
  return result;
}

}  // namespace quirlo::acquisition
