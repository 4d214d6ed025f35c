// The two cache files of the model data, in the system directory.
//
//   "<common module base name>.cah"     13332 bytes: dword 13332, the common and regional
//                                       versions, the paper table, the three dither tables
//   "<model data file base name>.cah"   17500 bytes: dword 17500, the model entry
// (layouts CommonCacheFile and ModelCacheFile in keld/model_layout.h). The base name is the
// file name of the data file up to its first period.
//
// The configuration module accepts a cache only when the file has exactly its size, its first
// dword is that size and the versions it carries equal those of the text files now; otherwise
// it rebuilds the tables from the text files and writes the cache again. The rendering module
// reads caches and nothing else: it accepts a file of the right size and first dword whatever
// versions it carries, and leaves the tables as they are when there is none. Writers create
// the whole file anew; a reader that meets a file being rewritten gets a short read and
// ignores it for that call.
#pragma once

#include <win32/base.h>

#include <string>

namespace keld {

struct ModelEntry;
struct VersionRecord;

// Full paths of the cache files; empty when KELD.DAT names no such data file.
std::u16string CommonCacheNameMake();
std::u16string ModelCacheNameMake(LPCWSTR modelName);

// Loads the common tables for the data files' versions `files`. Returns 1 when they came from
// the cache, 0 when they were rebuilt from the text files (configuration) or left as they
// were (rendering). `force` makes the configuration module rebuild from the text files even
// when the cache is valid (a data file edited without raising its "Ver"); the rendering
// module reads its cache either way.
int InputCommonCacheFile(VersionRecord const& files, BOOL force);
// Loads the model into `entry`; returns 1 when it came from the cache, 0 otherwise (rebuilt
// from the text files, or left unloaded in the rendering role). `force` as above.
int InputModelCacheFile(LPCWSTR modelName, ModelEntry& entry, VersionRecord const& files, BOOL force);

// Write the caches from the current tables; 1 when the whole file was written. The rendering
// module never writes: 0.
int OutputCommonCacheFile();
int OutputModelCacheFile(LPCWSTR modelName, ModelEntry const& entry);

}  // namespace keld
