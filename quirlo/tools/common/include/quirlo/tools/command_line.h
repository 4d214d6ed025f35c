// Option values of the tool programs: a bad value ends the program with the program's name,
// the reason and its usage text on stderr, exit status 2.
#pragma once

#include <string>

namespace quirlo::tools {

class CommandLine {
 public:
  CommandLine(const char* program, const char* usage) : program_(program), usage_(usage) {}

  [[noreturn]] void Fail(const std::string& message) const;
  // The value after option argv[i]; advances i past it. A missing value fails.
  std::string Next(int argc, char** argv, int& i) const;
  // Whole number in lo..hi; base 0 also takes 0x.. (hex) and 0.. (octal) forms.
  long Integer(const std::string& text, const char* option, long lo, long hi, int base = 10) const;
  double Real(const std::string& text, const char* option, double lo, double hi) const;

 private:
  const char* program_;
  const char* usage_;
};

}  // namespace quirlo::tools
