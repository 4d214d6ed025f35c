#include "quirlo/presentation/clock_format.h"

namespace quirlo::presentation {

std::string WithoutTimeZone(std::string_view pattern) {
  std::string out;
  bool quoted = false;
  bool dropBlanks = false;  // a zone field began the pattern: its trailing blanks go too
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\'') quoted = !quoted;  // "''" toggles twice and stays a literal quote
    if (!quoted && c == 't') {
      while (i + 1 < pattern.size() && pattern[i + 1] == 't') ++i;
      while (!out.empty() && out.back() == ' ') out.pop_back();
      dropBlanks = out.empty();
      continue;
    }
    if (dropBlanks && c == ' ') continue;
    dropBlanks = false;
    out += c;
  }
  return out;
}

}  // namespace quirlo::presentation
