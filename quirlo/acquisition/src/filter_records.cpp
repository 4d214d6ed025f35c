#include "quirlo/acquisition/filter_records.h"

#include <algorithm>
#include <cstring>

namespace quirlo::acquisition {

std::string FilterDescriptionText(const char (&field)[kFilterDescriptionSize]) {
  const char* end = std::find(field, field + kFilterDescriptionSize, '\0');
  return std::string(field, end);
}

void SetFilterDescriptionText(char (&field)[kFilterDescriptionSize], std::string_view text) {
  std::memset(field, 0, kFilterDescriptionSize);
  const std::size_t n = std::min(text.size(), kFilterDescriptionSize - 1);
  std::memcpy(field, text.data(), n);
}

}  // namespace quirlo::acquisition
