// Which of the two printer modules the data layer serves. Both modules link the same data
// layer; each sets its role once when it is loaded, before any other call of the layer.
//
//  - Configuration (KELD_UI): reads the text data files, writes the cache files, keeps the
//    user paper stores.
//  - Rendering (KELD_UM): fills its tables from the cache files alone and consults no user
//    paper store.
#pragma once

namespace keld {

enum class DataRole { Configuration, Rendering };

// The role of this module's copy of the data layer (Configuration until set).
DataRole GetDataRole();
void SetDataRole(DataRole role);

}  // namespace keld
