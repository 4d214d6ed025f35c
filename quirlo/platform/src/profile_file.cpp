#include "quirlo/platform/profile_file.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

namespace quirlo::profile {
namespace {

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> ReadLines(const std::filesystem::path& file, bool& ok) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  ok = static_cast<bool>(in);
  for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
  return lines;
}

// "[name]" -> name; nothing for other lines.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  auto close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

// "key = value" -> key, value; false for comments and lines without '='.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
  auto t = Trim(line);
  if (t.empty() || t.front() == ';') return false;
  auto eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

bool HasBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool IsQuote(char c) { return c == '"' || c == '\''; }

// The value as written to the file: quoted when reading would otherwise change it (blanks
// at either end are dropped and one pair of surrounding quotes is removed on reading), so
// that a delimiter of one blank survives a round trip.
std::string StoredValue(std::string_view value) {
  const bool blankEnds = !value.empty() && Trim(value).size() != value.size();
  const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
  if (blankEnds || quoted) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

}  // namespace

std::string ReadString(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::string_view fallback,
                       std::size_t bufferChars) {
  bool ok = false;
  auto lines = ReadLines(file, ok);
  std::string result(fallback);
  bool inSection = false;
  for (const auto& line : lines) {
    std::string_view name, k, v;
    if (SectionName(line, name)) {
      inSection = SameName(name, Trim(section));
    } else if (inSection && KeyValue(line, k, v) && SameName(k, Trim(key))) {
      if (v.size() >= 2 && IsQuote(v.front()) && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
      result.assign(v);
      break;
    }
  }
  const std::size_t limit = bufferChars == 0 ? 0 : bufferChars - 1;
  if (result.size() > limit) result.resize(limit);
  return result;
}

bool WriteString(const std::filesystem::path& file, std::string_view section,
                 std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HasBreak(section) || HasBreak(key) ||
      HasBreak(value) || section.find(']') != std::string_view::npos ||
      key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[')
    return false;  // such a line would read back as another line, a comment or a section

  bool ok = false;
  auto lines = ReadLines(file, ok);
  // New lines follow the file's line ends (a file written on a DOS-style system ends its
  // lines in CR LF; getline leaves the CR on each line).
  const std::string eol = !lines.empty() && !lines.front().empty() && lines.front().back() == '\r' ? "\r" : "";
  const std::string entry = std::string(key) + "=" + StoredValue(value) + eol;

  // Locate the section and, inside it, the key and the last non-blank line.
  std::ptrdiff_t sectionAt = -1, keyAt = -1, lastInSection = -1;
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view name, k, v;
    if (SectionName(lines[i], name)) {
      if (inSection) break;
      inSection = SameName(name, section);
      if (inSection) sectionAt = lastInSection = static_cast<std::ptrdiff_t>(i);
    } else if (inSection) {
      if (!Trim(lines[i]).empty()) lastInSection = static_cast<std::ptrdiff_t>(i);
      if (KeyValue(lines[i], k, v) && SameName(k, key)) {
        keyAt = static_cast<std::ptrdiff_t>(i);
        break;
      }
    }
  }
  if (keyAt >= 0) {
    lines[static_cast<std::size_t>(keyAt)] = entry;
  } else if (sectionAt >= 0) {
    lines.insert(lines.begin() + lastInSection + 1, entry);
  } else {
    lines.push_back("[" + std::string(section) + "]" + eol);
    lines.push_back(entry);
  }

  std::ostringstream text;
  for (const auto& line : lines) text << line << '\n';
  auto tmp = file;
  static std::atomic<unsigned> serial{0};
  tmp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text.str();
    out.flush();
    if (!out) {
      std::error_code ec;
      std::filesystem::remove(tmp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, file, ec);
  if (!ec) return true;
  std::filesystem::remove(tmp, ec);
  return false;
}

}  // namespace quirlo::profile
