// File dialog filters as the program writes them: "Description|pattern|Description|pattern",
// patterns separated by ';'. The Qt dialogs want one "Description (pattern pattern)" per entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirlo::presentation {

// "Comma separated values (*.csv)|*.csv" -> {"Comma separated values (*.csv)"}: the pattern
// list is appended in parentheses unless the description already ends with exactly it.
std::vector<std::string> ToNameFilters(std::string_view pipeFilter);

// The path with its extension replaced (or added): ("C:/d/run1.csv", ".rcf") -> "C:/d/run1.rcf".
std::string ChangeExtension(const std::string& path, std::string_view newExt);

// The last component of a path ('/' separated).
std::string FileNameOf(const std::string& path);

}  // namespace quirlo::presentation
