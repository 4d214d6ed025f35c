// Debounce of one digital input: a new state reaches the output only after it has been
// seen N + 1 times in a row (N further samples equal to the first that differed).
#pragma once

#include <cstdint>

namespace quirlo::acquisition {

class TDebounce {
 public:
  // `present` is the input's state now. The output starts at that state too, so creating
  // a debounce never shows a change the input did not make.
  TDebounce(int32_t n, uint8_t present);

  uint8_t Step(uint8_t x);

  int32_t Length() const { return n_; }
  uint8_t Output() const { return output_; }

 private:
  int32_t n_;
  int32_t repeats_ = 0;
  uint8_t last_;
  uint8_t output_;
};

}  // namespace quirlo::acquisition
