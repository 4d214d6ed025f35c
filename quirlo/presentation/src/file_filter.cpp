#include "quirlo/presentation/file_filter.h"

namespace quirlo::presentation {

namespace {

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = s.find(sep, start);
    parts.emplace_back(s.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string Trim(std::string s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

struct FilterEntry {
  std::string description;
  std::vector<std::string> patterns;
};

// A trailing description without pattern gets "*"; empty pairs are skipped.
std::vector<FilterEntry> ParseFilter(std::string_view pipeFilter) {
  std::vector<FilterEntry> out;
  if (pipeFilter.empty()) return out;
  const auto parts = Split(pipeFilter, '|');
  for (size_t i = 0; i < parts.size(); i += 2) {
    FilterEntry e;
    e.description = Trim(parts[i]);
    const std::string pattern = i + 1 < parts.size() ? parts[i + 1] : std::string("*");
    for (auto& p : Split(pattern, ';')) {
      p = Trim(p);
      if (!p.empty()) e.patterns.push_back(p);
    }
    if (e.description.empty() && e.patterns.empty()) continue;
    if (e.patterns.empty()) e.patterns.push_back("*");
    out.push_back(std::move(e));
  }
  return out;
}

}  // namespace

std::vector<std::string> ToNameFilters(std::string_view pipeFilter) {
  std::vector<std::string> out;
  for (const auto& e : ParseFilter(pipeFilter)) {
    std::string list;
    for (const auto& p : e.patterns) list += (list.empty() ? "" : " ") + p;
    const std::string suffix = "(" + list + ")";
    std::string name = e.description;
    const bool hasList = name.size() >= suffix.size() &&
                         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    if (!hasList) name += (name.empty() ? "" : " ") + suffix;
    out.push_back(std::move(name));
  }
  return out;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ChangeExtension(const std::string& path, std::string_view newExt) {
  const std::string name = FileNameOf(path);
  const size_t dot = name.find_last_of('.');
  const std::string stem =
      dot == std::string::npos ? path : path.substr(0, path.size() - (name.size() - dot));
  return stem + std::string(newExt);
}

}  // namespace quirlo::presentation
