// The one state object of this module's copy of the data layer (private to the layer).
#pragma once

#include "keld/data_layer.h"
#include "keld/model_layout.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace keld::detail {

struct CommonTables {
  PaperTable paperTable{};
  int paperCount = kCommonPaperCount;
  DWORD dither[kDitherTableCount][kDitherTableDwords]{};
};

class DataLayerState {
 public:
  static DataLayerState& Instance();

  bool HasBlock() const { return hasBlock_; }
  SharedBlockHeader& Header() { return header_; }
  // The entry stored under `name` (ASCII case ignored), loaded or not; null when none.
  ModelEntry* Find(std::u16string_view name);
  // Adds a zeroed entry for `name`, creating the block first when there is none.
  ModelEntry& Add(std::u16string_view name);
  // The entry whose model record (or saved-setting record) is `info`; null when none.
  ModelEntry* OwnerOf(ModelRecord const* info);

  CommonTables& Common() { return *common_; }
  DataLoadCounters& Counters() { return counters_; }
  void Free();

 private:
  DataLayerState();

  struct Slot {
    std::u16string name;
    std::unique_ptr<ModelEntry> entry;
  };
  bool hasBlock_ = false;
  SharedBlockHeader header_{};
  std::vector<Slot> slots_;
  std::unique_ptr<CommonTables> common_;
  DataLoadCounters counters_;
};

}  // namespace keld::detail
