// Private profile files ("settings.ini"): sections in brackets, key=value lines.
//
// Reading follows the private-profile rules the program's settings were written with:
// section and key names compare without regard to case, blanks around names and values
// are dropped, one pair of surrounding quotes is removed from a value, lines starting with
// ';' are comments, and the value is cut to the caller's buffer (256 characters including
// the terminating zero, so at most 255 characters by default).
//
// Writing replaces the value of an existing key in place or adds the key at the end of
// its section (a missing section is appended at the end of the file); every other line
// stays byte for byte. A value with blanks at either end, or one that is itself wrapped
// in quotes, is written inside double quotes so that it reads back unchanged. The file is written to a temporary twin and renamed over the old
// one, so a crash never leaves a half-written settings.ini.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quirlo::profile {

inline constexpr std::size_t kDefaultBufferChars = 256;

// The value of `key` in `section`, or `fallback` when the file, section or key is missing.
// The result holds at most bufferChars - 1 characters.
std::string ReadString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view fallback,
                       std::size_t bufferChars = kDefaultBufferChars);

// Sets `key` in `section` to `value`, creating the file or section when needed. Returns
// false (and leaves the file unchanged) when a name or the value holds a line break, a
// name is empty, the section holds ']', the key holds '=' or starts with ';' or '[', or
// the file cannot be written.
bool WriteString(const std::filesystem::path& file, std::string_view section,
                 std::string_view key, std::string_view value);

}  // namespace quirlo::profile
