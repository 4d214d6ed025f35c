// Editing rules of the user paper, user long-paper and custom-size dialogs: typed sizes and
// positions, the checks with their message numbers, the pending change lists and the rewrite
// of "KELD.INI" on OK.
#include "keld/user_paper_edit.h"


#include <win32/profile.h>
#include <win32/text.h>

#include <algorithm>
#include <cstdint>

namespace keld {
namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trim(std::u16string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string to_text(long v) { return win32::to_utf16(std::to_string(v)); }

std::u16string_view name_of(WCHAR const (&name)[40]) {
  return std::u16string_view(name, std::find(name, name + 40, u'\0') - name);
}

void set_name(WCHAR (&dest)[40], std::u16string_view name) {
  std::fill(std::begin(dest), std::end(dest), u'\0');
  std::copy_n(name.data(), std::min<std::size_t>(name.size(), kUserPaperNameChars), dest);
}

// A fixed-point number with at most `decimals` decimals, scaled by 10^decimals.
bool parse_fixed(std::u16string_view text, int decimals, bool allowNegative, long* scaled) {
  text = trim(text);
  bool negative = false;
  if (allowNegative && !text.empty() && text.front() == u'-') {
    negative = true;
    text.remove_prefix(1);
  }
  long whole = 0, frac = 0;
  int fracDigits = 0, wholeDigits = 0;
  bool point = false;
  for (char16_t c : text) {
    if (c == u'.' && !point) {
      point = true;
    } else if (c >= u'0' && c <= u'9') {
      if (point) {
        if (++fracDigits > decimals) return false;
        frac = frac * 10 + (c - u'0');
      } else {
        if (++wholeDigits > 7) return false;
        whole = whole * 10 + (c - u'0');
      }
    } else {
      return false;
    }
  }
  if (wholeDigits + fracDigits == 0) return false;
  for (int i = fracDigits; i < decimals; ++i) frac *= 10;
  long scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  *scaled = (negative ? -1 : 1) * (whole * scale + frac);
  return true;
}

// Division rounding toward minus infinity (negative positions round down).
long floor_div(long a, long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

std::u16string format_fixed(long scaled, int decimals) {
  long scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  std::u16string sign = scaled < 0 ? u"-" : u"";
  long v = scaled < 0 ? -scaled : scaled;
  std::u16string frac = to_text(v % scale);
  while (static_cast<int>(frac.size()) < decimals) frac = u"0" + frac;
  return sign + to_text(v / scale) + u"." + frac;
}

// Name checks shared by both dialogs: characters (1907), then use by a model paper or by
// another paper of the list (1908).
template <class Record>
int check_name(EditRules const& rules, std::vector<Record> const& papers, std::u16string_view name, int editingId) {
  if (name.empty()) return kMsgBadNameCharacter;
  for (char16_t c : name)
    if (c == u',' || c < 0x20 || c == 0x7F) return kMsgBadNameCharacter;
  for (auto const& word : rules.modelWords)
    if (win32::equal_nocase(word, name)) return kMsgNameInUse;
  for (auto const& p : papers)
    if (p.id != editingId && win32::equal_nocase(name_of(p.name), name)) return kMsgNameInUse;
  return 0;
}

int fail(EditField* focus, EditField field, int message) {
  if (focus) *focus = field;
  return message;
}

template <class Session, class Record>
std::vector<Record> apply_changes(Session const& s) {
  std::vector<Record> papers = s.base.papers;
  for (auto const& c : s.changes) {
    auto it = std::find_if(papers.begin(), papers.end(), [&](Record const& p) { return p.id == c.paper.id; });
    switch (c.kind) {
      case ChangeKind::Add: papers.push_back(c.paper); break;
      case ChangeKind::Modify: if (it != papers.end()) *it = c.paper; break;
      case ChangeKind::Delete: if (it != papers.end()) papers.erase(it); break;
    }
  }
  return papers;
}

template <class Session, class Record>
int set_change(Session& s, ChangeKind kind, Record const& paper) {
  auto listed = apply_changes<Session, Record>(s);
  bool known = std::any_of(listed.begin(), listed.end(), [&](Record const& p) { return p.id == paper.id; });
  if (kind == ChangeKind::Add) {
    if (static_cast<int>(listed.size()) >= kMaxUserPapers) return kMsgTooManyPapers;
    Record added = paper;
    added.id = s.nextTemporaryId--;
    s.changes.push_back({ChangeKind::Add, added});
    return added.id;
  }
  if (!known) return 0;
  // A pending addition is changed or dropped in place; it never reaches the file as such.
  auto pending = std::find_if(s.changes.begin(), s.changes.end(), [&](auto const& c) {
    return c.kind == ChangeKind::Add && c.paper.id == paper.id;
  });
  if (pending != s.changes.end()) {
    if (kind == ChangeKind::Modify)
      pending->paper = paper;
    else
      s.changes.erase(pending);
    return 1;
  }
  // One entry per stored paper: the latest modification, or its deletion.
  std::erase_if(s.changes, [&](auto const& c) { return c.kind == ChangeKind::Modify && c.paper.id == paper.id; });
  s.changes.push_back({kind, paper});
  return 1;
}

template <class Session>
int get_change(Session const& s, int index, typename decltype(Session::changes)::value_type* out) {
  if (out != nullptr && index >= 0 && index < static_cast<int>(s.changes.size())) *out = s.changes[index];
  return static_cast<int>(s.changes.size());
}

// One above the highest identifier in use; at the top of the range (where one more would leave
// it) the lowest identifier that no paper uses.
int next_id(std::vector<int> const& inUse, int base, int first, int last) {
  int highest = base;
  for (int id : inUse) highest = std::max(highest, id);
  if (highest < last) return highest + 1;
  for (int id = first; id <= last; ++id)
    if (std::find(inUse.begin(), inUse.end(), id) == inUse.end()) return id;
  return 0;
}

// Rewrites a store section from the session: new identifiers for additions, keys written and
// removed, the entry list and count, then the block reloaded from the file.
template <class Session, class Record, class Format, class NextId, class Reload>
int write_changes(Session& s, LPCWSTR section, Format format, NextId nextId, Reload reload) {
  std::vector<Record> papers = apply_changes<Session, Record>(s);
  std::vector<int> inUse;
  for (auto const& p : papers)
    if (p.id > 0) inUse.push_back(p.id);
  for (auto& p : papers) {
    if (p.id > 0) continue;
    int id = nextId(inUse);
    if (id == 0) return 0;
    p.id = static_cast<SHORT>(id);
    inUse.push_back(id);
  }
  bool ok = true;
  auto write = [&](LPCWSTR key, std::u16string const& value) {
    ok = WritePrivateProfileStringW(section, key, value.c_str(), kUserPaperFile) && ok;
  };
  for (auto const& c : s.changes)
    if (c.kind == ChangeKind::Delete)
      WritePrivateProfileStringW(section, UserPaperKey(c.paper.id).c_str(), nullptr, kUserPaperFile);
  std::vector<int> order;
  for (auto const& p : papers) {
    bool changed = p.id > 0 && std::any_of(s.changes.begin(), s.changes.end(), [&](auto const& c) {
                     return c.kind == ChangeKind::Modify && c.paper.id == p.id;
                   });
    bool added = std::none_of(s.base.papers.begin(), s.base.papers.end(), [&](auto const& b) { return b.id == p.id; });
    if (changed || added) write(UserPaperKey(p.id).c_str(), format(p));
    order.push_back(p.id);
  }
  write(u"PaperEntry", FormatPaperEntry(order));
  write(u"numDefine", to_text(static_cast<long>(order.size())));
  reload();
  if (!ok) return 0;
  s.changes.clear();
  return 1;
}

}  // namespace

// ---- Units -------------------------------------------------------------------------------------

bool ParseSizeText(std::u16string_view text, LengthUnit unit, int* tenthsMm) {
  if (trim(text).size() > static_cast<std::size_t>(kSizeEditChars)) return false;
  long v = 0;
  if (unit == LengthUnit::Inch) {
    if (!parse_fixed(text, 2, false, &v)) return false;
    v = (v * 2540 + 500) / 1000;  // hundredths of an inch to 0.1 mm
  } else if (!parse_fixed(text, 1, false, &v)) {
    return false;
  }
  if (v > 32767) return false;
  if (tenthsMm) *tenthsMm = static_cast<int>(v);
  return true;
}

std::u16string FormatSizeText(int tenthsMm, LengthUnit unit) {
  return unit == LengthUnit::Inch ? FormatHundredthsIn(tenthsMm) : FormatTenthsMm(tenthsMm);
}

bool ParsePositionText(std::u16string_view text, LengthUnit unit, bool allowNegative, LONG* dots, LONG* mil) {
  long v = 0;
  long d = 0, m = 0;
  if (unit == LengthUnit::Inch) {
    if (!parse_fixed(text, 3, allowNegative, &v)) return false;
    d = floor_div(v * 6000 + 5000, 10000);
    m = v;
  } else {
    if (!parse_fixed(text, 1, allowNegative, &v)) return false;
    d = floor_div(v * 6000 + 1270, 2540);
    m = floor_div(v * 10000 + 1270, 2540);
  }
  if (d < INT32_MIN || d > INT32_MAX || m < INT32_MIN || m > INT32_MAX) return false;
  if (dots) *dots = static_cast<LONG>(d);
  if (mil) *mil = static_cast<LONG>(m);
  return true;
}

std::u16string FormatPositionText(LONG dots, LONG mil, LengthUnit unit) {
  if (unit == LengthUnit::Inch) return format_fixed(mil, 3);
  return format_fixed(floor_div(long{dots} * 2540 + 3000, 6000), 1);  // dots to 0.1 mm
}

// ---- Rules -------------------------------------------------------------------------------------

int CheckFreeSize(EditRules const& rules, std::u16string_view widthText, std::u16string_view lengthText,
                  LengthUnit unit, int* width, int* length, EditField* focus) {
  FreeSizeLimits const& l = rules.limits;
  int w = 0, len = 0;
  if (!ParseSizeText(widthText, unit, &w) || w < l.wMinWidthMM || w > l.wMaxWidthMM)
    return fail(focus, EditField::Width, kMsgWidthOutOfRange);
  if (!ParseSizeText(lengthText, unit, &len) || len < l.wMinLengthMM || len > l.wMaxLengthMM)
    return fail(focus, EditField::Length, kMsgLengthOutOfRange);
  if (!rules.wideAllowed && w > len) return fail(focus, EditField::Width, kMsgWidthOverLength);
  if (width) *width = w;
  if (length) *length = len;
  if (focus) *focus = EditField::None;
  return 0;
}

// ---- Sessions ----------------------------------------------------------------------------------

UserPaperSession OpenUserPaperSession(EditRules rules) {
  UserPaperSession s;
  s.rules = std::move(rules);
  s.base = GetUserPaperStore();
  return s;
}

UserLongSession OpenUserLongSession(EditRules rules) {
  UserLongSession s;
  s.rules = std::move(rules);
  s.base = GetUserLongPaperStore();
  return s;
}

std::vector<UserPaperRecord> SessionPapers(UserPaperSession const& s) {
  return apply_changes<UserPaperSession, UserPaperRecord>(s);
}

std::vector<UserLongPaperRecord> SessionPapers(UserLongSession const& s) {
  return apply_changes<UserLongSession, UserLongPaperRecord>(s);
}

int GetCheckUDPData(UserPaperSession const& s, UserPaperInput const& in, int editingId, UserPaperRecord* out,
                    EditField* focus) {
  std::u16string_view name = trim(in.name);
  if (name.size() > static_cast<std::size_t>(kUserPaperNameEditChars)) name = name.substr(0, kUserPaperNameEditChars);
  if (int m = check_name(s.rules, SessionPapers(s), name, editingId)) return fail(focus, EditField::Name, m);
  int width = 0, length = 0;
  if (int m = CheckFreeSize(s.rules, in.width, in.length, in.unit, &width, &length, focus)) return m;
  if (out) {
    *out = UserPaperRecord{};
    out->id = static_cast<SHORT>(editingId);
    set_name(out->name, name);
    out->width = static_cast<SHORT>(width);
    out->length = static_cast<SHORT>(length);
    out->envelope = in.envelope ? 1 : 0;
    out->unit = in.unit == LengthUnit::Inch ? 1 : 0;
  }
  return 0;
}

int GetCheckUDLData(UserLongSession const& s, UserLongInput const& in, int editingId, UserLongPaperRecord* out,
                    EditField* focus) {
  std::u16string_view name = trim(in.name);
  if (name.size() > static_cast<std::size_t>(kUserLongNameEditChars)) name = name.substr(0, kUserLongNameEditChars);
  if (int m = check_name(s.rules, SessionPapers(s), name, editingId)) return fail(focus, EditField::Name, m);
  FreeSizeLimits const& l = s.rules.limits;
  int width = 0, length = 0;
  if (!ParseSizeText(in.width, in.unit, &width) || width < l.wMinWidthMM || width > l.wMaxWidthMM)
    return fail(focus, EditField::Width, kMsgWidthOutOfRange);
  if (!ParseSizeText(in.length, in.unit, &length) || length < kUserLongMinLength || length > l.wMaxLengthMM)
    return fail(focus, EditField::Length, kMsgLengthOutOfRange);
  LONG startDots = 0, startMil = 0, cutDots = 0, cutMil = 0, marginDots = 0, marginMil = 0;
  bool wideStart = in.adjMode == 1;
  LONG startMin = wideStart ? -32768 : -31575, startMax = wideStart ? 32767 : 33960;
  if (!ParsePositionText(in.start, in.positionUnit, true, &startDots, &startMil) || startDots < startMin ||
      startDots > startMax)
    return fail(focus, EditField::Start, kMsgStartOutOfRange);
  if (!ParsePositionText(in.cut, in.positionUnit, false, &cutDots, &cutMil) || cutDots > 32767)
    return fail(focus, EditField::Cut, kMsgCutOutOfRange);
  if (!ParsePositionText(in.margin, in.positionUnit, false, &marginDots, &marginMil) || marginDots > 65535)
    return fail(focus, EditField::Margin, kMsgMarginOutOfRange);
  if (!s.rules.wideAllowed && width > length) return fail(focus, EditField::Width, kMsgWidthOverLength);
  if (out) {
    *out = UserLongPaperRecord{};
    out->id = static_cast<SHORT>(editingId);
    set_name(out->name, name);
    out->width = static_cast<SHORT>(width);
    out->length = static_cast<SHORT>(length);
    out->further = in.further;
    out->unit = in.unit == LengthUnit::Inch ? 1 : 0;
    out->printMode = in.printMode;
    out->adjMode = in.adjMode;
    out->paperCut = in.paperCut;
    out->startDots = startDots;
    out->cutDots = cutDots;
    out->marginDots = marginDots;
    out->startMil = startMil;
    out->cutMil = cutMil;
    out->marginMil = marginMil;
  }
  if (focus) *focus = EditField::None;
  return 0;
}

int SetUDPModfyData(UserPaperSession& s, ChangeKind kind, UserPaperRecord const& paper) {
  return set_change(s, kind, paper);
}

int SetUDLModfyData(UserLongSession& s, ChangeKind kind, UserLongPaperRecord const& paper) {
  return set_change(s, kind, paper);
}

int GetUDPModfyData(UserPaperSession const& s, int index, UserPaperChange* out) { return get_change(s, index, out); }
int GetUDLModfyData(UserLongSession const& s, int index, UserLongChange* out) { return get_change(s, index, out); }

int NextUserPaperId(std::vector<int> const& inUse) {
  return next_id(inUse, kUserPaperBaseId, kFirstUserPaperId, kLastUserPaperId);
}

int NextUserLongId(std::vector<int> const& inUse) {
  return next_id(inUse, kUserLongBaseId, kFirstUserLongId, kLastUserLongId);
}

int WriteUDPChanges(UserPaperSession& s) {
  return write_changes<UserPaperSession, UserPaperRecord>(s, kUserPaperSection, FormatUserPaperLine, NextUserPaperId,
                                                          [] { ReloadUDPInfo(); });
}

int WriteUDLChanges(UserLongSession& s) {
  return write_changes<UserLongSession, UserLongPaperRecord>(s, kUserLongSection, FormatUserLongLine, NextUserLongId,
                                                             [] { ReloadUDLInfo(); });
}

int GetUserPaperForJob(int paperId, SHORT* width, SHORT* length, SHORT* envelope) {
  for (UserPaperRecord const& p : GetUserPaperStore().papers) {
    if (p.id != paperId) continue;
    if (width) *width = p.width;
    if (length) *length = p.length;
    if (envelope) *envelope = p.envelope;
    return 1;
  }
  return 0;
}

}  // namespace keld
