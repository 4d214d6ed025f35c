// Private profile files ("INI" files): the reader and writer behind GetPrivateProfileStringW
// and its companions.
//
// File names. A bare name ("KELD.INI") lies in the Windows folder of the machine root; any
// other name goes through win32::native_path (root.h). A null file name means "win.ini".
//
// Encodings. A file starting with FF FE is UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8 with a
// BOM; a file without a BOM whose second byte is 0 and first is not is UTF-16LE without a BOM;
// otherwise the bytes are UTF-8 when they are well-formed UTF-8, else Windows-1252. A write
// keeps the file's encoding, with exceptions that avoid losing or changing characters: a new
// file is created as UTF-16LE with a BOM (which every reader of these files understands); a
// Windows-1252 file that would have to hold a character without a byte in that code page, and
// a file without a BOM whose new bytes would be taken for another encoding when read again
// (text starting like a BOM, Windows-1252 bytes that happen to be valid UTF-8), are rewritten
// as UTF-16LE with a BOM.
//
// Reading rules (each pinned by a test):
//   - lines end at CR LF, LF or CR; the last line needs no terminator; lines may be any length;
//   - blanks (space, tab) around section names, key names and values are dropped;
//   - "[name]" starts a section (the name runs to the last ']'); a '[' line without ']' is
//     ignored; lines before the first section belong to no section;
//   - a line starting with ';' is a comment: never read, never listed, kept on rewrite;
//   - "key=value" splits at the first '='; a line without '=' is a key with an empty value;
//     a line with an empty key ("=x") is ignored;
//   - section and key names compare ignoring ASCII case; sections of the same name act as one
//     (listed once, their keys searched in file order); of duplicate keys the first wins;
//   - a value enclosed in a matching pair of double or single quotes is read without them
//     (GetPrivateProfileStringW and GetPrivateProfileIntW only; section reads give raw text);
//   - in UTF-16 files an odd last byte is dropped and unpaired surrogates pass through as they
//     are; NUL characters are dropped in every encoding.
#pragma once

#include "win32/base.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace win32 {

enum class ProfileEncoding { Utf16Le, Utf16LeNoBom, Utf16Be, Utf8, Utf8Bom, Ansi };

// One profile file held as its lines, so that a write changes only the lines it must and
// keeps comments, blank lines and the order of everything else.
class ProfileFile {
 public:
  static ProfileFile parse(std::string_view bytes);
  static ProfileFile empty();  // a new file
  std::string serialize();     // may switch an Ansi file to UTF-16LE (see above)

  ProfileEncoding encoding() const { return encoding_; }
  std::vector<std::u16string> section_names() const;
  // Keys of a section in file order, duplicates once; nullopt when the section is missing.
  std::optional<std::vector<std::u16string>> key_names(std::u16string_view section) const;
  // The value as read by GetPrivateProfileStringW (quotes stripped); nullopt when missing.
  std::optional<std::u16string> value(std::u16string_view section, std::u16string_view key) const;
  // "key=value" of every entry of a section, raw; nullopt when the section is missing.
  std::optional<std::vector<std::u16string>> section_lines(std::u16string_view section) const;

  void set(std::u16string_view section, std::u16string_view key, std::u16string_view value);
  void erase_key(std::u16string_view section, std::u16string_view key);
  void erase_section(std::u16string_view section);
  void replace_section(std::u16string_view section, std::vector<std::u16string> const& lines);

 private:
  enum class Kind { Other, Section, Entry };
  struct Line {
    std::u16string text;  // as in the file, without its terminator
    Kind kind = Kind::Other;
    std::u16string name;   // section name or key
    std::u16string value;  // entry value, blanks dropped
  };

  static Line classify(std::u16string text);
  void reindex();
  // Indexes of the header lines of the sections named section, in file order.
  std::vector<std::size_t> const* headers(std::u16string_view section) const;
  std::size_t block_end(std::size_t header) const;  // first line after the section's block
  Line const* find_entry(std::u16string_view section, std::u16string_view key) const;

  std::vector<Line> lines_;
  std::unordered_map<std::u16string, std::vector<std::size_t>> index_;  // lower-cased name
  ProfileEncoding encoding_ = ProfileEncoding::Utf16Le;
  std::u16string eol_ = u"\r\n";
};

// Forgets every cached profile file (the same as WritePrivateProfileStringW with null
// section, key and value).
void profile_flush_cache();

}  // namespace win32

extern "C" {
// Null section: the section names; null key: the key names of the section; each name
// NUL-terminated and the list ended by one more NUL. A list that does not fit is cut (the
// last name partially) and size - 2 is returned. A value or default that does not fit is cut
// to size - 1 units (last error ERROR_MORE_DATA) and size - 1 is returned. A missing key or
// file gives the default (null: empty) without its trailing blanks.
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value, LPWSTR buffer, DWORD size,
                               LPCWSTR file);
// The value's number: optional sign, "0x" hex or decimal digits up to the first other
// character (none: 0), taken modulo 2^32; the default when the key is missing or empty.
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value, LPCWSTR file);
// Sets key=value, creating file and section; a null value deletes the key, a null key the
// whole section; all three null flush the cache and return TRUE. Blanks around section and
// key names are dropped (here and in every read). Texts with CR or LF, and keys that are
// empty, start with ';' or '[' or hold '=', are refused (ERROR_INVALID_PARAMETER) because
// they could not be read back.
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file);
// The section's entries as "key=value" strings, listed and cut like the names above.
DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR file);
// Replaces the section's entries by the NUL-separated, double-NUL-terminated lines in data.
BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR data, LPCWSTR file);
DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR file);
}
