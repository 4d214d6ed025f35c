#include "quirlo/presentation/toolbar_layout.h"

#include <algorithm>

namespace quirlo::presentation {

acquisition::TToolbarLayout RecordFromBands(const std::vector<TBandPlacement>& bands) {
  acquisition::TToolbarLayout r{};
  for (size_t i = 0; i < bands.size() && i < std::size(r.Band); ++i) {
    r.Band[i].Id = bands[i].id;
    r.Band[i].Index = int32_t(i);
    r.Band[i].Width = bands[i].width;
    r.Band[i].Break = bands[i].startsRow ? 1 : 0;
  }
  return r;
}

std::optional<std::vector<TBandPlacement>> BandsFromRecord(
    const acquisition::TToolbarLayout& record, const std::vector<int>& knownIds) {
  std::vector<acquisition::TToolbarBand> entries(std::begin(record.Band), std::end(record.Band));
  if (entries.size() != knownIds.size()) return std::nullopt;
  for (int id : knownIds) {
    const auto n = std::count_if(entries.begin(), entries.end(),
                                 [id](const auto& e) { return e.Id == id; });
    if (n != 1) return std::nullopt;
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return a.Index < b.Index; });
  std::vector<TBandPlacement> bands;
  for (const auto& e : entries) bands.push_back({e.Id, std::max(0, int(e.Width)), e.Break != 0});
  bands.front().startsRow = true;
  return bands;
}

}  // namespace quirlo::presentation
