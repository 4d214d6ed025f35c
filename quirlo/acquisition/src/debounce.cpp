#include "quirlo/acquisition/debounce.h"

namespace quirlo::acquisition {

TDebounce::TDebounce(int32_t n, uint8_t present) : n_(n), last_(present), output_(present) {}

uint8_t TDebounce::Step(uint8_t x) {
  repeats_ = x == last_ ? repeats_ + 1 : 0;
  // ">=" so that a stored N of 0 or below lets every change through at once; the counter
  // never passes N, so it cannot overflow.
  if (repeats_ >= n_) {
    output_ = x;
    repeats_ = 0;
  }
  last_ = x;
  return output_;
}

}  // namespace quirlo::acquisition
