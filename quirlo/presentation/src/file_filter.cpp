#include "quirlo/presentation/file_filter.h"

#include "quirlo/platform/ui_service.h"

namespace quirlo::presentation {

std::vector<std::string> ToNameFilters(std::string_view pipeFilter) {
  std::vector<std::string> out;
  for (const auto& e : ParseFileFilter(std::string(pipeFilter))) {
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
