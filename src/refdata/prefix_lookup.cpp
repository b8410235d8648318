#include "refdata/prefix_lookup.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/cp1252.h"
#include "base/number_picture.h"
#include "refdata/call_sign.h"
#include "refdata/dxcc_table.h"
#include "refdata/prefix_record.h"

namespace vek {
namespace {

using namespace prefix_record;

constexpr int kMaxSteps = 5;

bool IsWildcard(char c) { return c == '#' || c == '?' || c == '~'; }
bool IsDigitOrLetter(char c) { return IsAsciiDigit(c) || IsAsciiUpper(c); }
Text Six(std::string_view t) { return PadRight(Cut(t, 6), 6); }

// The tables one lookup probes some twenty times: open for the whole
// lookup, each read under one shared access instead of a lock per probe.
class TablesRead {
 public:
  explicit TablesRead(SuiteFiles& files) : files_(files) {
    for (SuiteFile table : {SuiteFile::kPrefixOverrides1, SuiteFile::kPrefixOverrides2, SuiteFile::kPrefixes}) {
      store::FileBlock* fb = files_.OpenSuiteFile(table);
      if (!fb) continue;
      opened_[opened_count_++] = table;
      if (files_.fm().HoldReading(fb)) held_[held_count_++] = fb;
    }
  }
  ~TablesRead() {
    for (std::size_t i = 0; i < held_count_; ++i) files_.fm().EndReading(held_[i]);
    for (std::size_t i = 0; i < opened_count_; ++i) files_.CloseSuiteFile(opened_[i]);
  }
  TablesRead(const TablesRead&) = delete;
  TablesRead& operator=(const TablesRead&) = delete;

 private:
  SuiteFiles& files_;
  std::array<SuiteFile, 3> opened_{};
  std::array<store::FileBlock*, 3> held_{};
  std::size_t opened_count_ = 0, held_count_ = 0;
};

}  // namespace

PrefixLookup::PrefixLookup(SuiteFiles& files, UserPort& port, DayNumber today)
    : files_(files), fm_(files.fm()), port_(port), today_(today) {}

PrefixLookup::~PrefixLookup() {
  for (SuiteFile table : held_) files_.CloseSuiteFile(table);
}

void PrefixLookup::HoldTables() {
  if (!held_.empty()) return;
  for (SuiteFile table : {SuiteFile::kPrefixOverrides1, SuiteFile::kPrefixOverrides2, SuiteFile::kPrefixes})
    if (files_.OpenSuiteFile(table)) held_.push_back(table);
}

Bytes PrefixLookup::Current() {
  if (use_result_) return result_;
  return fm_.RecordBuffer(table_);
}

namespace {
// The six characters of a key as one number that sorts as the key does
// (unsigned bytes, most significant first); shorter texts are padded with
// blanks as Six pads them.
std::uint64_t PackSix(std::string_view t) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < 6; ++i) v = (v << 8) | static_cast<unsigned char>(i < t.size() ? t[i] : ' ');
  return v;
}
}  // namespace

std::size_t PrefixLookup::TableIndex(SuiteFile table) {
  return table == SuiteFile::kPrefixOverrides1 ? 0 : table == SuiteFile::kPrefixOverrides2 ? 1 : 2;
}

PrefixLookup::HeldTable* PrefixLookup::Held(SuiteFile table, store::FileBlock* fb) {
  // Opened only for this lookup, the table closes after it: nothing to hold
  // (reading it whole would cost a one-off lookup a thousand probes).
  const std::size_t index = TableIndex(table);
  if (!stays_open_[index]) return nullptr;
  HeldTable& t = tables_[index];
  // Checked once per lookup: the lookup holds the tables' shared access, so
  // nobody changes them before it ends.
  if (checked_[index]) return t.valid && t.usable ? &t : nullptr;
  checked_[index] = true;
  const std::uint64_t version = fm_.ContentVersion(fb);
  if (version == 0) {
    t.valid = false;
    return nullptr;
  }
  if (t.valid && t.version == version) return t.usable ? &t : nullptr;
  t = HeldTable{};
  store::KeepRecordBuffer keep(fm_, fb);
  for (int st = fm_.FirstKey(fb, 1); st == 0; st = fm_.NextKey(fb, 1)) {
    ConstBytes r = fm_.RecordBuffer(fb);
    // Keys of another length than six do not pack: such a table is searched.
    if (fb->position_text().size() != 6) t.usable = false;
    const std::uint64_t key = PackSix(fb->position_text());
    if (t.bits.empty()) t.bits.assign((std::size_t{1} << 20) / 64, 0);
    t.bits[HeldTable::Bit(key) >> 6] |= std::uint64_t{1} << (HeldTable::Bit(key) & 63);
    t.first.emplace(key, t.keys.size());
    t.keys.push_back(key);
    t.records.emplace_back(r.begin(), r.end());
  }
  if (fm_.Status() > 1) return nullptr;
  t.valid = true;
  t.version = version;
  return t.usable ? &t : nullptr;
}

bool PrefixLookup::FindOverride(SuiteFile table, std::string_view call) {
  store::FileBlock* fb = files_.OpenSuiteFile(table);
  if (!fb) return false;
  const HeldTable* held = Held(table, fb);
  bool hit = false;
  for (std::string_view text = call; !text.empty() && !hit;) {
    ConstBytes r;
    bool found = false;
    if (held) {
      const std::uint64_t key = PackSix(text);
      if (held->MayHold(key)) {
        const auto it = held->first.find(key);
        found = it != held->first.end();
        if (found) r = held->records[it->second];
      }
    } else if (fm_.FindKey(fb, 1, Six(text)) == 0) {
      found = true;
      r = fm_.RecordBuffer(fb);
    }
    // Without 'J' only the whole call counts; a call longer than the six
    // characters of the field is matched by its first six.
    if (found && (GetU8(r, kOverrideScope.offset) == 'J' || text == call)) {
      result_.assign(r.begin(), r.end());
      hit = true;
    }
    // Every shorter text down to six characters has the same six: missed
    // once, it misses again.
    if (!found && text.size() > 6)
      text = text.substr(0, 5);
    else
      text.remove_suffix(1);
  }
  files_.CloseSuiteFile(table);
  return hit;
}

PrefixLookup::Hit PrefixLookup::FindPrefixEntry(std::string_view t) {
  Hit hit;
  use_result_ = false;
  const auto dash = t.find('-');
  if (dash != std::string_view::npos && dash + 1 < t.size() && IsAsciiDigit(t[dash + 1])) {
    // "UA9-2": one entry of a prefix with several.
    const Text key = Six(t.substr(0, dash)) + PadRight(Cut(t.substr(dash + 1), 3), 3);
    if (fm_.FindKey(table_, 3, key) != 0) return hit;
    PutText(fm_.RecordBuffer(table_), kSequence, "");
    hit.found = true;
    return hit;
  }
  if (const HeldTable* held = Held(SuiteFile::kPrefixes, table_)) {
    // The first entry at or after the text, as SearchKey lands.
    const auto it = std::lower_bound(held->keys.begin(), held->keys.end(), PackSix(t));
    if (it == held->keys.end()) return hit;
    const std::vector<std::uint8_t>& record = held->records[static_cast<std::size_t>(it - held->keys.begin())];
    std::copy(record.begin(), record.end(), fm_.RecordBuffer(table_).begin());
  } else if (fm_.SearchKey(table_, 1, Six(t)) != 0) {
    return hit;
  }
  Bytes r = fm_.RecordBuffer(table_);
  Text p = GetText(r, kPrefix);
  if (p == t) {
    hit.found = true;
  } else if (!p.empty() && p.size() == t.size() && p.compare(0, p.size() - 1, t, 0, t.size() - 1) == 0 &&
             static_cast<unsigned char>(t.back()) <= static_cast<unsigned char>(p.back())) {
    const char range_start = static_cast<char>(GetU8(r, kRangeStart.offset));
    if (IsDigitOrLetter(range_start)) {
      if (static_cast<unsigned char>(t.back()) >= static_cast<unsigned char>(range_start)) {
        p.back() = t.back();  // the entry covers this last character: show it
        PutText(r, kPrefix, p);
        hit.found = true;
      }
    } else if (IsWildcard(p.back())) {
      hit = {true, p.back(), p.size() - 1};
    }
  } else if (p.size() > t.size() && IsWildcard(p[t.size()]) && p.compare(0, t.size(), t) == 0) {
    hit = {true, p[t.size()], t.size()};
  }
  return hit;
}

PrefixStatus PrefixLookup::SearchLongestPrefix(std::string_view text, DayNumber date, int& steps) {
  if (++steps > kMaxSteps) return PrefixStatus::kNotFound;
  const Text full = Cut(text, 20);
  Text t = full;
  for (int guard = 0; !t.empty() && guard < 200; ++guard) {
    const Hit hit = FindPrefixEntry(t);
    if (hit.found && !hit.wildcard) return Evaluate(text, date, false, steps);
    if (hit.found) {
      Text next = full;
      if (hit.position < next.size())
        next[hit.position] = hit.wildcard;
      else
        next += hit.wildcard;
      // The same search again would find the same entry: go shorter instead.
      if (next == t) {
        t.pop_back();
      } else {
        t = next;
      }
      continue;
    }
    t.pop_back();
  }
  return PrefixStatus::kNotFound;
}

bool PrefixLookup::SearchByDxcc(std::string_view d) {
  Text first = Cut(d, 6);
  if (!first.empty() && first.back() == '-') first.pop_back();
  Text second(d);
  if (second.compare(0, 3, "FT5") == 0) second = "FT?" + second.substr(3);
  use_result_ = false;
  return fm_.FindKey(table_, 2, Six(first) + Six(second)) == 0;
}

PrefixStatus PrefixLookup::Redirect(const Text& target, std::string_view text, DayNumber date, int& steps) {
  const Text matched = GetText(Current(), kPrefix);
  bool found = false;
  if (target.find("RA") != Text::npos) {
    found = FindPrefixEntry(target).found;
  } else {
    found = SearchByDxcc(target);
  }
  if (!found) return PrefixStatus::kNotFound;
  const PrefixStatus s = Evaluate(text, date, true, steps);
  if (s != PrefixStatus::kFound) return PrefixStatus::kNotFound;
  PutText(Current(), kPrefix, Cut(matched, 6));
  return PrefixStatus::kFound;
}

PrefixStatus PrefixLookup::Evaluate(std::string_view text, DayNumber date, bool redirected, int& steps) {
  if (++steps > kMaxSteps) return PrefixStatus::kNotFound;
  if (!GetText(Current(), kSequence).empty() && depth_ == 0) {
    // Several countries share this prefix: the operator chooses (not while
    // the dialog itself resolves its rows).
    const std::vector<Choice> choices = ChoicesFor(GetText(Current(), kPrefix), date);
    std::vector<Text> rows;
    for (const Choice& c : choices) rows.push_back(c.row);
    const int pick = rows.empty() ? -1 : port_.ChoosePrefixCountry(GetText(Current(), kPrefix), rows);
    result_ = pick >= 0 ? choices[static_cast<std::size_t>(pick)].record : std::vector<std::uint8_t>(kLength, 0);
    use_result_ = true;
    chosen_ = pick >= 0;
    if (pick < 0) return PrefixStatus::kFound;  // cancelled: found, with an empty result
  }
  ConstBytes r = Current();
  if (!redirected) {
    const Text redirect1 = GetText(r, kRedirect1);
    const Text redirect2 = GetText(r, kRedirect2);
    if (date <= GetI32(r, kRedirect1Until.offset) && !redirect1.empty())
      return Redirect(redirect1, text, date, steps);
    if (date <= GetI32(r, kRedirect2Until.offset) && !redirect2.empty()) {
      Text target = redirect2;
      if (target == "RA" && text.size() > 2 && IsAsciiDigit(text[2])) target += text[2];
      return Redirect(target, text, date, steps);
    }
    const DayNumber from = GetI32(r, kValidFrom.offset), to = GetI32(r, kValidTo.offset);
    if ((date > 0 && date < from) || (to > 0 && date > to)) return PrefixStatus::kNotValid;
  }
  const Text successor = GetText(r, kSuccessor);
  if (successor.empty()) return PrefixStatus::kFound;
  const Text matched = GetText(r, kPrefix);
  if (successor.size() == matched.size() && successor.find('#') == Text::npos) {
    const Text again = successor + Text(text.substr(std::min(matched.size(), text.size())));
    if (SearchLongestPrefix(again, date, steps) != PrefixStatus::kFound) return PrefixStatus::kNotFound;
    const Text now = GetText(Current(), kPrefix);
    if (now.compare(0, successor.size(), successor) == 0)
      PutText(Current(), kPrefix, Cut(matched + now.substr(successor.size()), 6));
    return PrefixStatus::kFound;
  }
  if (!successor.empty() && successor.back() == '#') {
    const Text head = successor.substr(0, successor.find('#'));
    std::size_t cut = matched.find('?');
    if (cut == Text::npos) cut = matched.find('#');
    if (cut == Text::npos) cut = matched.find('~');
    if (cut == Text::npos) cut = matched.size();
    const Text again = head + Text(text.substr(std::min(cut, text.size())));
    if (SearchLongestPrefix(again, date, steps) != PrefixStatus::kFound) return PrefixStatus::kNotFound;
    return PrefixStatus::kFound;
  }
  Text plain = successor;
  const bool no_time = plain.find("-NT") != Text::npos;
  if (no_time) plain = plain.substr(0, plain.find("-NT"));
  if (!FindPrefixEntry(plain).found) return PrefixStatus::kNotFound;
  const PrefixStatus s = Evaluate(text, (no_time || redirected) ? today_ : date, false, steps);
  PutText(Current(), kPrefix, Cut(matched, 6));
  return s;
}

PrefixResult PrefixLookup::LookupPrefix(std::string_view call_in, DayNumber date) {
  // The held tables are checked anew for each lookup. Only tables open
  // before the lookup opens them (a batch's, a window's) stay open after it
  // and are held; a lookup inside the lookup (depth_ > 0) keeps what the
  // outer one found, and nothing is held when the choice dialog resolves its
  // rows on its own.
  struct Recheck {
    std::array<bool, 3>& checked;
    std::array<bool, 3>& stays_open;
    bool outermost;
    ~Recheck() {
      checked.fill(false);
      if (outermost) stays_open.fill(false);
    }
  } recheck{checked_, stays_open_, depth_ == 0};
  checked_.fill(false);
  if (recheck.outermost) {
    for (SuiteFile table : {SuiteFile::kPrefixOverrides1, SuiteFile::kPrefixOverrides2, SuiteFile::kPrefixes})
      stays_open_[TableIndex(table)] = files_.UseCount(SuiteFileName(table)) >= 1;
  }
  PrefixResult out;
  chosen_ = false;
  use_result_ = false;
  const Text call = Cut(call_in, 255);
  const TablesRead reading(files_);
  for (SuiteFile table : {SuiteFile::kPrefixOverrides1, SuiteFile::kPrefixOverrides2}) {
    if (FindOverride(table, call)) {
      out.status = PrefixStatus::kFound;
      out.record = result_;
      return out;
    }
  }
  if (date <= 0) date = today_;
  Text text = call;
  if (const auto slash = call.find('/'); slash != Text::npos) {
    const Text s = Cut(call.substr(slash + 1), 20);
    const SpecialPairResult pair = IsSpecialPrefixPair(call, s);
    if (pair.is_pair) text = call.substr(0, static_cast<std::size_t>(pair.compared)) + "/" + s;
  }
  table_ = files_.OpenSuiteFile(SuiteFile::kPrefixes);
  if (!table_) return out;
  int steps = 0;
  out.status = SearchLongestPrefix(text, date, steps);
  ConstBytes r = Current();
  out.record.assign(r.begin(), r.end());
  if (out.status == PrefixStatus::kFound && !out.record.empty() && !GetText(out.record, kPrefix).empty()) {
    Text p = GetText(out.record, kPrefix);
    if (!p.empty() && p.back() == '-') p.pop_back();
    std::size_t w = p.find('?');
    if (w == Text::npos) w = p.find('#');
    if (w == Text::npos) w = p.find('~');
    if (w != Text::npos && w < call.size()) p[w] = call[w];
    // The call-area digit: DL1ABC with the entry DL gives DL1.
    const bool letters = (p.size() == 2 && IsAsciiUpper(p[0]) && IsAsciiUpper(p[1])) ||
                         (p.size() == 1 && IsAsciiUpper(p[0]));
    if (letters && call.size() > 2) {
      if (IsAsciiUpper(call[0]) && IsAsciiUpper(call[1]) && IsAsciiDigit(call[2]))
        p += call[2];
      else if (IsAsciiUpper(call[0]) && IsAsciiDigit(call[1]))
        p += call[1];
      else if (IsAsciiDigit(call[0]) && IsAsciiUpper(call[1]) && IsAsciiDigit(call[2]))
        p += call[2];
    }
    PutText(out.record, kPrefix, Cut(p, 6));
  }
  out.chosen = chosen_;
  files_.CloseSuiteFile(SuiteFile::kPrefixes);
  table_ = nullptr;
  return out;
}

// A row shows where its entry leads: the redirection target when a
// redirection applies, else the successor's entry; failing both, itself.
bool PrefixLookup::ResolveForDisplay(std::vector<std::uint8_t>& entry, DayNumber date) {
  if (depth_ > 1) return false;  // no dialog inside the dialog
  const DayNumber from = GetI32(entry, kValidFrom.offset);
  if (date > 0 && date < from) return false;
  Text target;
  bool by_lookup = false;
  if (date <= GetI32(entry, kRedirect1Until.offset) && !GetText(entry, kRedirect1).empty()) {
    target = GetText(entry, kRedirect1);
  } else if (date <= GetI32(entry, kRedirect2Until.offset) && !GetText(entry, kRedirect2).empty()) {
    target = GetText(entry, kRedirect2);
  } else if (!GetText(entry, kSuccessor).empty()) {
    target = GetText(entry, kSuccessor);
    by_lookup = true;
  }
  if (target.empty()) return false;
  std::vector<std::uint8_t> found;
  if (by_lookup || target.find("RA") != Text::npos) {
    // A lookup inside the lookup: the outer one's state comes back after it.
    ++depth_;
    store::FileBlock* keep = table_;
    const bool use = use_result_, chosen = chosen_;
    const std::vector<std::uint8_t> result = result_;
    const PrefixResult r = LookupPrefix(target, date);
    table_ = keep;
    use_result_ = use;
    chosen_ = chosen;
    result_ = result;
    --depth_;
    if (r.status != PrefixStatus::kFound || r.record.empty()) return false;
    found = r.record;
  } else if (!FindDxccEntry(target, found)) {
    return false;
  }
  entry = found;
  return true;
}

void PrefixChoiceModel::Down() {
  if (rows_ == 0) return;
  marked_ = marked_ < 0 || static_cast<std::size_t>(marked_) + 1 >= rows_ ? 0 : marked_ + 1;
}

void PrefixChoiceModel::Up() {
  if (rows_ == 0) return;
  marked_ = marked_ <= 0 ? static_cast<int>(rows_) - 1 : marked_ - 1;
}

std::vector<PrefixLookup::Choice> PrefixLookup::ChoicesFor(std::string_view prefix, DayNumber date) {
  std::vector<Choice> out;
  // Called on its own (not from a lookup), it opens the table for itself.
  const bool own_table = table_ == nullptr;
  if (own_table) table_ = files_.OpenSuiteFile(SuiteFile::kPrefixes);
  if (!table_) return out;
  std::vector<std::vector<std::uint8_t>> entries;
  for (int s = fm_.SearchKey(table_, 3, Six(prefix) + "1  "); s == 0 && entries.size() < 30;
       s = fm_.NextKey(table_, 3)) {
    ConstBytes r = fm_.RecordBuffer(table_);
    if (GetText(r, kPrefix) != prefix) break;
    entries.emplace_back(r.begin(), r.end());
  }
  int n = 0;
  for (std::vector<std::uint8_t>& e : entries) {
    ResolveForDisplay(e, date);
    Text remark = GetText(e, kRemark);
    const DayNumber from = GetI32(e, kValidFrom.offset), to = GetI32(e, kValidTo.offset);
    if ((to > 0 && to < date) || (date > 0 && date < from)) remark += "  (deleted)";
    Text country = GetText(e, kCountry);
    if (date > 0 && date < from) country = "not current";
    char row[160];
    std::snprintf(row, sizeof row, "%s;%s;%s;%s;%s;%s", FormatNumber(++n, 2).c_str(), GetText(e, kDxccPrefix).c_str(),
                  GetText(e, kCqZone).c_str(), GetText(e, kItuZone).c_str(), Cut(country, 25).c_str(),
                  Cut(remark, 30).c_str());
    out.push_back({e, row});
  }
  if (own_table) {
    files_.CloseSuiteFile(SuiteFile::kPrefixes);
    table_ = nullptr;
  }
  return out;
}

bool PrefixLookup::FindDxccEntry(std::string_view dxcc, std::vector<std::uint8_t>& record) {
  const Text d(dxcc);
  auto try_table = [&](SuiteFile table, bool exact) {
    store::FileBlock* fb = files_.OpenSuiteFile(table);
    if (!fb) return false;
    bool hit = false;
    if (exact) {
      hit = fm_.FindKey(fb, 2, Six(d) + Six(d)) == 0;
    } else if (fm_.SearchKey(fb, 2, Six(d)) == 0) {
      hit = GetText(fm_.RecordBuffer(fb), kDxccPrefix) == d;
    }
    if (hit) record.assign(fm_.RecordBuffer(fb).begin(), fm_.RecordBuffer(fb).end());
    files_.CloseSuiteFile(table);
    return hit;
  };
  return try_table(SuiteFile::kPrefixOverrides1, true) || try_table(SuiteFile::kPrefixOverrides2, true) ||
         try_table(SuiteFile::kPrefixes, true) || try_table(SuiteFile::kPrefixes, false) ||
         try_table(SuiteFile::kPrefixOverrides1, false) || try_table(SuiteFile::kPrefixOverrides2, false);
}

Text PrefixLookup::DxccNumberOfPrefix(std::string_view dxcc) {
  const Text d = Trim(dxcc);
  if (d.empty()) return {};
  struct Fixed {
    const char* prefix;
    int number;
  };
  static constexpr Fixed kFixed[] = {{"3D2C", 489}, {"3D2R", 460}, {"3Y0", 199},   {"3Y5", 24},  {"CE0A", 47},
                                     {"KC6", 22},   {"PY0P", 253}, {"R1F", 61},    {"R1M", 151}, {"RA1346", 54},
                                     {"RA890", 15}, {"FO0", 36},   {"XX", 152},    {"VR6", 172}, {"FO", 175},
                                     {"IS", 225},   {"ZB", 233},   {"ZC", 283}};
  Text result;
  for (const Fixed& f : kFixed)
    if (d == f.prefix) result = std::to_string(f.number);
  if (result.empty()) {
    if (const int n = DxccNumberOfTablePrefix(d); n > 0) return std::to_string(n);
  }
  std::vector<std::uint8_t> entry;
  if (FindDxccEntry(d, entry)) return FormatNumber(GetI16(entry, kDxccNumber.offset), 3);
  return result;
}

}  // namespace vek
