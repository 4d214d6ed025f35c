#include "quirlo/tools/command_line.h"

#include <cstdlib>
#include <iostream>

namespace quirlo::tools {

void CommandLine::Fail(const std::string& message) const {
  std::cerr << program_ << ": " << message << "\n" << usage_;
  std::exit(2);
}

std::string CommandLine::Next(int argc, char** argv, int& i) const {
  if (i + 1 >= argc) Fail(std::string("missing value for ") + argv[i]);
  return argv[++i];
}

long CommandLine::Integer(const std::string& text, const char* option, long lo, long hi,
                          int base) const {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, base);
  if (text.empty() || *end != '\0' || v < lo || v > hi) Fail(std::string("bad value for ") + option);
  return v;
}

double CommandLine::Real(const std::string& text, const char* option, double lo, double hi) const {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) Fail(std::string("bad value for ") + option);
  return v;
}

}  // namespace quirlo::tools
