// A box link byte source over bytes in memory, so a benchmark measures decoding and not the
// kernel. Rewind() starts the stream again.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "quirlo/acquisition/mcb.h"

class MemorySource final : public quirlo::acquisition::TByteSource {
 public:
  explicit MemorySource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  void Rewind() { pos_ = 0; }
  std::size_t ReadWaiting(uint8_t* buffer, std::size_t max) override {
    const std::size_t n = std::min(max, bytes_.size() - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  std::size_t pos_ = 0;
};
