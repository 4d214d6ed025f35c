// The tool bar area's layout in the tool bar layout record, and back.
//
// Entries are written in the order the bands stand (Index = position), each with its band
// identifier, width and whether it starts a new row. Reading back trusts a record only when it
// names every known band exactly once: anything else (a record of another version, a torn
// write) leaves the current layout as it is.
#pragma once

#include <optional>
#include <vector>

#include "quirlo/acquisition/app_settings.h"

namespace quirlo::presentation {

struct TBandPlacement {
  int id = 0;
  int width = 0;
  bool startsRow = false;
  bool operator==(const TBandPlacement&) const = default;
};

// bands: the four bands in the order they stand.
acquisition::TToolbarLayout RecordFromBands(const std::vector<TBandPlacement>& bands);

// The bands in the order the record gives them, or nothing when the record does not name each
// of knownIds exactly once. The first band always starts a row.
std::optional<std::vector<TBandPlacement>> BandsFromRecord(
    const acquisition::TToolbarLayout& record, const std::vector<int>& knownIds);

}  // namespace quirlo::presentation
