#include "logging/contest_totals.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "base/byte_string.h"
#include "base/cp1252.h"
#include "base/number_picture.h"
#include "catalogue/catalogue_records.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"

namespace vek {
namespace {

std::size_t Index(MultiKind k) { return static_cast<std::size_t>(k); }

bool IsMemberKind(MultiKind k) { return k == MultiKind::kMember16 || k == MultiKind::kMember19; }

// Within what a value must not have been logged before to be new: the
// whole log, its band, or its band and mode. The live evaluation, the
// recount and the band change all judge by this.
struct NewValueScope {
  bool per_band = false;
  bool per_mode = false;
  bool always_new = false;
};
NewValueScope ScopeOfNewValue(MultiKind kind, const ContestDefinition& d, char code) {
  if (kind == MultiKind::kDok && code == 'L') return {false, false, true};  // every qualifying DOK counts
  if (kind == MultiKind::kMember16 && code == 'f') return {true, false};
  if (IsMemberKind(kind)) return {false, false};
  if (kind == MultiKind::kCall) return {true, false};
  if (d.MultiplierScope == 1) return {false, false};
  const bool by_mode = d.MultiplierScope == 2 &&
                       (kind == MultiKind::kCountry || kind == MultiKind::kPostcode || kind == MultiKind::kDok);
  return {true, by_mode};
}

Text Trimmed(std::int64_t v, std::size_t width) { return TrimBlanks(FormatNumber(v, width, Overflow::kAsterisks)); }

}  // namespace

ContestTotals::ContestTotals(store::FileManager& fm, store::FileBlock* log, ScoringContext context)
    : fm_(fm), log_(log), ctx_(std::move(context)) {
  band_ = ctx_.definition->Bands[0];
}

void ContestTotals::SetCurrent(char band, std::string_view mode) {
  band_ = band;
  mode_ = Text(mode);
}

std::int64_t& ContestTotals::MultiplierCount(char band) {
  if (ctx_.definition->MultiplierScope == 1) return whole_log_multipliers_;
  return bands_[static_cast<unsigned char>(band)].multipliers;
}

std::optional<ContestTotals::Probe> ContestTotals::ProbeFor(MultiKind kind, const Text& value, char band_code,
                                                           bool& fixed) const {
  const ContestDefinition& d = *ctx_.definition;
  const Text band(1, band_code);
  fixed = false;
  const NewValueScope where = ScopeOfNewValue(kind, d, ctx_.code);
  if (where.always_new) return std::nullopt;
  const bool band_wide = where.per_band, by_mode = where.per_mode;
  switch (kind) {
    case MultiKind::kCountry:
      return band_wide ? Probe{10, band + PadRight(value, 6), by_mode} : Probe{5, PadRight(value, 6), false};
    case MultiKind::kUsState:
      if (d.MultiplierScope != 0) {  // US states count only per band
        fixed = true;
        return std::nullopt;
      }
      return Probe{25, band + PadRight(value, 2), false};
    case MultiKind::kPostcode:
      return band_wide ? Probe{25, band + PadRight(value, 2), by_mode} : Probe{26, PadRight(value, 2), false};
    case MultiKind::kMember16:
    case MultiKind::kMember19:
      return band_wide ? Probe{27, band + PadRight(value, 6), false} : Probe{20, PadRight(value, 6), false};
    case MultiKind::kDok:
      return band_wide ? Probe{21, band + PadRight(value, 8), by_mode} : Probe{18, PadRight(value, 8), false};
    case MultiKind::kDistrict: return band_wide ? Probe{21, band + value, false} : Probe{18, value, false};
    case MultiKind::kLocator: return band_wide ? Probe{23, band + value, false} : Probe{3, value, false};
    case MultiKind::kCall: return Probe{9, band + PadRight(CallSignPart(value, true), 14), false};
  }
  return std::nullopt;
}

bool ContestTotals::EarlierExists(MultiKind kind, const Text& value, ConstBytes record) {
  const char band = static_cast<char>(GetU8(record, qso::kBand.offset));
  const Text mode = GetText(record, qso::kMode);
  bool fixed = false;
  const std::optional<Probe> probe = ProbeFor(kind, value, band, fixed);
  if (!probe) return fixed;
  if (filled_) {
    if (filled_->bands.insert(band).second)
      for (const FilledValue& v : filled_->values) NoteFilled(*filled_, v, band);
    return filled_->found.count({kind, value, band, probe->same_mode, probe->same_mode ? mode : Text()}) != 0;
  }
  for (int st = fm_.SearchKey(log_, probe->key, probe->prefix); st == 0; st = fm_.NextKey(log_, probe->key)) {
    if (log_->position_text().compare(0, probe->prefix.size(), probe->prefix) != 0) return false;
    ConstBytes r = fm_.RecordBuffer(log_);
    if (IsBandChangeEntry(r) || KindValue(kind, r, ctx_) != value) continue;
    if (kind == MultiKind::kCall && GetU8(r, qso::kBand.offset) != static_cast<std::uint8_t>(band)) continue;
    if (probe->same_mode && GetText(r, qso::kMode) != mode) continue;
    return true;
  }
  return false;
}

// The index search above lands on `v` for a contact on `band` when v's key
// starts with the probe and v passes the same tests.
void ContestTotals::NoteFilled(Filled& f, const FilledValue& v, char band) const {
  bool fixed = false;
  const std::optional<Probe> probe = ProbeFor(v.kind, v.value, band, fixed);
  if (!probe || v.key.compare(0, probe->prefix.size(), probe->prefix) != 0) return;
  if (v.kind == MultiKind::kCall && v.band != band) return;
  f.found.emplace(v.kind, v.value, band, probe->same_mode, probe->same_mode ? v.mode : Text());
}

void ContestTotals::BeginMarks() { filled_ = std::make_unique<Filled>(); }

void ContestTotals::EndMarks() { filled_.reset(); }

void ContestTotals::Mark(Bytes record) {
  // Evaluated on a copy: the record may be the log's own buffer, which the
  // look-ups of the evaluation use and put back.
  std::vector<std::uint8_t> copy(record.begin(), record.end());
  EvaluateMultipliers(copy, false);
  std::copy(copy.begin(), copy.end(), record.begin());
}

void ContestTotals::Added(ConstBytes record) {
  if (!filled_ || IsBandChangeEntry(record)) return;
  const ContestDefinition& d = *ctx_.definition;
  const char band = static_cast<char>(GetU8(record, qso::kBand.offset));
  const Text mode = GetText(record, qso::kMode);
  // The keys come from the log's own key builder, over the record as stored.
  store::KeepRecordBuffer keep(fm_, log_);
  Bytes buffer = fm_.RecordBuffer(log_);
  if (buffer.data() != record.data()) std::copy(record.begin(), record.end(), buffer.begin());
  for (MultiKind kind : kMultiKinds) {
    if (!KindEnabled(kind, d)) continue;
    Text value = KindValue(kind, record, ctx_);
    if (value.empty()) continue;
    bool fixed = false;
    const std::optional<Probe> probe = ProbeFor(kind, value, band, fixed);
    if (!probe) continue;
    filled_->values.push_back(FilledValue{kind, std::move(value), fm_.MakeKey(log_, probe->key), band, mode});
    for (char b : filled_->bands) NoteFilled(*filled_, filled_->values.back(), b);
  }
}

void ContestTotals::InsertListValue(MultiKind kind, const Text& value, int state) {
  auto& list = lists_[Index(kind)];
  auto it = std::lower_bound(list.begin(), list.end(), value,
                             [](const MultiValue& m, const Text& v) { return m.value < v; });
  if (it != list.end() && it->value == value) {
    it->state = state;
    return;
  }
  if (list.size() >= kListLimit) {
    if (it == list.end()) return;  // sorts after every kept value: not kept
    list.pop_back();
  }
  list.insert(it, MultiValue{value, state});
}

void ContestTotals::RemoveListValue(MultiKind kind, const Text& value) {
  auto& list = lists_[Index(kind)];
  auto it = std::lower_bound(list.begin(), list.end(), value,
                             [](const MultiValue& m, const Text& v) { return m.value < v; });
  if (it != list.end() && it->value == value && it->state == 1) list.erase(it);
}

void ContestTotals::EvaluateMultipliers(Bytes r, bool entering) {
  const ContestDefinition& d = *ctx_.definition;
  if (entering) WithdrawEntryMultipliers();
  PutText(r, qso::kMultiMark1, "");
  PutText(r, qso::kMultiMark2, "");
  const bool keeps_second_call = d.SentFieldsShown || ctx_.code == '7' || ctx_.code == 'f' || ctx_.code == 'i' ||
                                 ctx_.code == 'k';
  if (!keeps_second_call) PutText(r, qso::kSecondCall, "");
  if (!PassesClubWord(r, ctx_)) return;
  // Entering items lists with state 1 and 2: the lists show the current band.
  const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
  const bool listed = d.MultiplierScope == 1 || band == band_;
  store::KeepPosition keep(fm_, log_);
  for (MultiKind kind : kMultiKinds) {
    if (!KindEnabled(kind, d)) continue;
    const Text value = KindValue(kind, r, ctx_);
    if (value.empty()) continue;
    if (EarlierExists(kind, value, r)) {
      if (listed) InsertListValue(kind, value, 2);
      if (kind == MultiKind::kLocator) break;  // a worked field ends the evaluation
      continue;
    }
    const std::vector<int> columns = KindColumns(kind, d);
    for (int col : columns) {
      if (col == 1) PutText(r, qso::kMultiMark1, Cut(value, 6));
      if (col == 2) PutText(r, qso::kMultiMark2, Cut(value, 6));
      if (col == 3) PutText(r, qso::kSecondCall, Cut(value, 12));
    }
    if (listed) InsertListValue(kind, value, 1);
    // A member number counts over the whole log, but only on the band being logged.
    const bool counted = !IsMemberKind(kind) || band == band_;
    const int weight = KindWeight(kind, value, ctx_);
    if (counted) {
      MultiplierCount(band) += weight;
      for (int col : columns) bands_[static_cast<unsigned char>(band)].column_multipliers[static_cast<std::size_t>(col)] += weight;
    }
    if (entering) provisional_.push_back({kind, value, band, weight, counted, listed, columns});
  }
}

void ContestTotals::WithdrawEntryMultipliers() {
  for (const Provisional& p : provisional_) {
    if (p.listed) RemoveListValue(p.kind, p.value);
    if (!p.counted) continue;
    MultiplierCount(p.band) -= p.weight;
    for (int col : p.columns)
      bands_[static_cast<unsigned char>(p.band)].column_multipliers[static_cast<std::size_t>(col)] -= p.weight;
  }
  provisional_.clear();
}

void ContestTotals::KeepEntryMultipliers() {
  for (const Provisional& p : provisional_)
    if (p.listed) InsertListValue(p.kind, p.value, 2);
  provisional_.clear();
}

void ContestTotals::AddSavedContact(ConstBytes r, int points) {
  if (IsBandChangeEntry(r)) return;
  const ContestDefinition& d = *ctx_.definition;
  char band = static_cast<char>(GetU8(r, qso::kBand.offset));
  if (ctx_.code == 'E' && d.MultiplierScope == 1) band = d.Bands[0];
  BandTotals& t = bands_[static_cast<unsigned char>(band)];
  t.points += points;
  t.qsos += 1;
}

// One walk of the log in entry order: every contact scored anew, and every
// value judged new or worked against the contacts before it, with the same
// kinds, tests and additions as the evaluation of a contact being entered.
// `rc` holds what came before; the walk starts after its last entry.
std::int64_t ContestTotals::CountOn(Recount& rc, std::array<std::set<Text>, 9>* listed, UserPort* progress) {
  const ContestDefinition& d = *ctx_.definition;
  const int scope = d.MultiplierScope;
  store::KeepRecordBuffer keep(fm_, log_);
  const store::HeldReading held(fm_, log_);
  std::int64_t read = 0, visited = 0;
  int st = 0;
  if (!rc.last_entry) {
    st = fm_.FirstKey(log_, 4);
  } else if (*rc.last_entry == std::numeric_limits<std::int32_t>::max()) {
    st = 1;
  } else {
    st = fm_.SearchKey(log_, 4, store::LongToKey(*rc.last_entry + 1));
  }
  for (; st == 0; st = fm_.NextKey(log_, 4)) {
    if (progress && ++read % 10 == 0) progress->ProgressStep(static_cast<int>(read % 500));
    ++visited;
    ConstBytes r = fm_.RecordBuffer(log_);
    rc.last_entry = GetI32(r, qso::kEntryNo.offset);
    if (IsBandChangeEntry(r)) {
      if (BandChangeEntryCarriesValues(r)) rc.band_changes_with_values.push_back(*rc.last_entry);
      continue;
    }
    const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
    const char slot = ctx_.code == 'E' && scope == 1 ? d.Bands[0] : band;
    BandTotals& t = rc.bands[static_cast<unsigned char>(slot)];
    t.points += QsoPoints(r, ctx_);
    t.qsos += 1;
    if (!PassesClubWord(r, ctx_)) continue;
    const Text mode = GetText(r, qso::kMode);
    const bool on_list = listed && (scope == 1 || band == band_);
    for (MultiKind kind : kMultiKinds) {
      if (!KindEnabled(kind, d)) continue;
      if (kind == MultiKind::kUsState && scope != 0) continue;
      const Text value = KindValue(kind, r, ctx_);
      if (value.empty()) continue;
      const NewValueScope scope_of_value = ScopeOfNewValue(kind, d, ctx_.code);
      std::string where;
      if (scope_of_value.per_band) where += band;
      if (scope_of_value.per_mode) where += mode;
      if (on_list) (*listed)[Index(kind)].insert(value);
      const bool is_new =
          rc.seen[Index(kind)].insert(where + '\0' + value).second || scope_of_value.always_new;
      if (!is_new) {
        if (kind == MultiKind::kLocator) break;
        continue;
      }
      const int weight = KindWeight(kind, value, ctx_);
      BandTotals& mb = rc.bands[static_cast<unsigned char>(band)];
      if (scope == 1) {
        rc.whole_log_multipliers += weight;
      } else {
        mb.multipliers += weight;
      }
      for (int col : KindColumns(kind, d)) {
        if (scope == 1) {
          rc.whole_log_columns[static_cast<std::size_t>(col)] += weight;
        } else {
          mb.column_multipliers[static_cast<std::size_t>(col)] += weight;
        }
      }
    }
  }
  // A count that another process's change may have cut through, or that a
  // failure ended before the last entry, is not one to carry on. Under the
  // held reading still, no other process has changed the log since.
  const bool whole = st == 1 && (fm_.ErrorNumber() == store::kEndOfIndex || fm_.ErrorNumber() == store::kKeyNotFound);
  rc.at = whole && fm_.ReadingHeld(log_) ? fm_.Changes(log_) : std::nullopt;
  rc.version = fm_.ContentVersion(log_);
  return visited;
}

ContestTotals::Recount ContestTotals::CountLog(bool lists_for_current_band, UserPort* progress) {
  Recount rc;
  std::array<std::set<Text>, 9> listed;
  entries_walked_ = CountOn(rc, lists_for_current_band ? &listed : nullptr, progress);
  for (std::size_t k = 0; k < listed.size(); ++k) {
    for (const Text& v : listed[k]) {
      if (rc.lists[k].size() >= kListLimit) break;
      rc.lists[k].push_back(MultiValue{v, 2});
    }
  }
  counted_ = rc;
  counted_version_ = rc.version;
  return rc;
}

namespace {

// The count's bytes: little-endian numbers, texts with their length first.
// The name changes whenever what a count holds or how it counts changes: a
// count that another way of counting stored must not be carried on.
constexpr std::string_view kCountMagic = "VKCOUNT1";

}  // namespace

std::string ContestTotals::CountImage() const {
  std::string out;
  if (!counted_) return out;
  const Recount& rc = *counted_;
  out += kCountMagic;
  AppendNumber(out, rc.last_entry ? 1 : 0, 1);
  AppendNumber(out, static_cast<std::uint32_t>(rc.last_entry.value_or(0)), 4);
  for (const BandTotals& b : rc.bands) {
    for (std::int64_t v : {b.qsos, b.points, b.multipliers})
      AppendNumber(out, static_cast<std::uint64_t>(v), 8);
    for (std::int64_t v : b.column_multipliers) AppendNumber(out, static_cast<std::uint64_t>(v), 8);
  }
  AppendNumber(out, static_cast<std::uint64_t>(rc.whole_log_multipliers), 8);
  for (std::int64_t v : rc.whole_log_columns) AppendNumber(out, static_cast<std::uint64_t>(v), 8);
  for (const auto& kind : rc.seen) {
    // Sorted, so that equal counts give equal bytes.
    std::vector<std::string> values(kind.begin(), kind.end());
    std::sort(values.begin(), values.end());
    AppendNumber(out, values.size(), 4);
    for (const std::string& v : values) {
      AppendNumber(out, v.size(), 2);
      out += v;
    }
  }
  return out;
}

bool ContestTotals::RecountAfter(std::string_view image, const store::FileManager::ChangeTally& since) {
  Recount rc;
  ByteReader in(image);
  std::string magic;
  std::uint64_t has_last = 0, last = 0;
  if (!in.Bytes(magic, kCountMagic.size()) || magic != kCountMagic || !in.Number(has_last, 1) ||
      !in.Number(last, 4) || has_last > 1)
    return false;
  if (has_last) rc.last_entry = static_cast<std::int32_t>(static_cast<std::uint32_t>(last));
  for (BandTotals& b : rc.bands) {
    for (std::int64_t* v : {&b.qsos, &b.points, &b.multipliers})
      if (!in.Signed(*v)) return false;
    for (std::int64_t& v : b.column_multipliers)
      if (!in.Signed(v)) return false;
  }
  if (!in.Signed(rc.whole_log_multipliers)) return false;
  for (std::int64_t& v : rc.whole_log_columns)
    if (!in.Signed(v)) return false;
  for (auto& kind : rc.seen) {
    std::uint64_t n = 0;
    if (!in.Number(n, 4)) return false;
    for (std::uint64_t i = 0; i < n; ++i) {
      std::uint64_t len = 0;
      std::string v;
      if (!in.Number(len, 2) || !in.Bytes(v, len)) return false;
      kind.insert(std::move(v));
    }
  }
  if (!in.AtEnd()) return false;
  const std::int64_t walked = CountOn(rc, nullptr, nullptr);
  // The tally taken under the walk's own reading says what happened since.
  const std::optional<std::uint64_t> added =
      rc.at ? store::FileManager::OnlyOwnAdds(since, *rc.at) : std::nullopt;
  if (!added || *added != static_cast<std::uint64_t>(walked)) return false;
  entries_walked_ = walked;
  band_changes_with_values_ = std::move(rc.band_changes_with_values);
  bands_ = rc.bands;
  whole_log_multipliers_ = rc.whole_log_multipliers;
  lists_ = {};
  provisional_.clear();
  counted_version_ = rc.version;
  counted_ = std::move(rc);
  return true;
}

bool ContestTotals::ListsFromIndexes() {
  const ContestDefinition& d = *ctx_.definition;
  const int scope = d.MultiplierScope;
  if (!d.ClubName.empty() || ctx_.code == 'Z') return false;
  // The indexes give the values of a band or of the whole log; a kind
  // judged otherwise is counted by a walk.
  for (MultiKind k : kMultiKinds) {
    if (!KindEnabled(k, d)) continue;
    const NewValueScope where = ScopeOfNewValue(k, d, ctx_.code);
    if (where.per_mode || where.always_new || where.per_band != (scope != 1) || IsMemberKind(k) ||
        k == MultiKind::kCall)
      return false;
  }
  store::KeepPosition keep(fm_, log_);
  std::array<std::vector<MultiValue>, 9> lists;
  std::int64_t count = 0;
  std::array<std::int64_t, 4> columns{};
  const Text band(1, band_);
  const Text prefix = scope == 1 ? Text() : band;
  for (MultiKind kind : kMultiKinds) {
    if (!KindEnabled(kind, d)) continue;
    int key = 0;
    std::size_t distinct_chars = 0;  // key characters that make a value distinct
    switch (kind) {
      case MultiKind::kCountry: key = scope == 1 ? 5 : 10, distinct_chars = 6; break;
      case MultiKind::kUsState:
        if (scope != 0) continue;
        key = 25, distinct_chars = 2;
        break;
      case MultiKind::kPostcode: key = scope == 1 ? 26 : 25, distinct_chars = 2; break;
      case MultiKind::kDok:
      case MultiKind::kDistrict: key = scope == 1 ? 18 : 21, distinct_chars = 8; break;
      case MultiKind::kLocator: key = scope == 1 ? 3 : 23, distinct_chars = 4; break;
      default: return false;
    }
    std::set<Text> values;
    for (int st = fm_.SearchKey(log_, key, prefix); st == 0;) {
      const store::Key here = log_->position_text();
      if (here.compare(0, prefix.size(), prefix) != 0) break;
      ConstBytes r = fm_.RecordBuffer(log_);
      if (!IsBandChangeEntry(r)) {
        const Text v = KindValue(kind, r, ctx_);
        if (!v.empty()) values.insert(v);
      }
      // Past every entry that holds the same value.
      st = fm_.SearchKey(log_, key, here.substr(0, prefix.size() + distinct_chars) + '\xff');
    }
    const std::vector<int> cols = KindColumns(kind, d);
    for (const Text& v : values) {
      const int w = KindWeight(kind, v, ctx_);
      count += w;
      for (int c : cols) columns[static_cast<std::size_t>(c)] += w;
      if (lists[Index(kind)].size() < kListLimit) lists[Index(kind)].push_back(MultiValue{v, 2});
    }
  }
  if (scope == 1) {
    whole_log_multipliers_ = count;
  } else {
    BandTotals& t = bands_[static_cast<unsigned char>(band_)];
    t.multipliers = count;
    t.column_multipliers = columns;
  }
  lists_ = std::move(lists);
  provisional_.clear();
  return true;
}

void ContestTotals::RecalculateTotals(bool recount) {
  if (!recount && ListsFromIndexes()) return;
  Recount rc = CountLog(true);
  band_changes_with_values_ = std::move(rc.band_changes_with_values);
  for (std::size_t b = 0; b < bands_.size(); ++b) {
    if (recount) {
      bands_[b] = rc.bands[b];
    } else {
      bands_[b].multipliers = rc.bands[b].multipliers;
      bands_[b].column_multipliers = rc.bands[b].column_multipliers;
    }
  }
  whole_log_multipliers_ = rc.whole_log_multipliers;
  lists_ = std::move(rc.lists);
  provisional_.clear();
}

std::int64_t ContestTotals::TotalQsos() const {
  std::int64_t q = 0;
  for (const BandTotals& b : bands_) q += b.qsos;
  return q;
}

std::int64_t ContestTotals::TotalPoints() const {
  std::int64_t p = 0;
  for (const BandTotals& b : bands_) p += b.points;
  return p;
}

std::int64_t ContestTotals::TotalMultipliers() const {
  if (ctx_.definition->MultiplierScope == 1) return whole_log_multipliers_;
  std::int64_t m = 0;
  for (const BandTotals& b : bands_) m += b.multipliers;
  return m;
}

std::int64_t ContestTotals::Score() const {
  const ContestDefinition& d = *ctx_.definition;
  if (d.MultiplierKinds.none() || d.ScoreIsPointSum) return TotalPoints();
  if (d.ScorePerBandProduct) {
    std::int64_t s = 0;
    for (const BandTotals& b : bands_) s += b.multipliers > 0 ? b.multipliers * b.points : b.points;
    return s;
  }
  return TotalPoints() * TotalMultipliers();
}

std::vector<MultiValue> ContestTotals::Panel() const {
  std::vector<MultiValue> all;
  for (const auto& list : lists_) all.insert(all.end(), list.begin(), list.end());
  std::stable_sort(all.begin(), all.end(), [](const MultiValue& a, const MultiValue& b) { return a.value < b.value; });
  if (all.size() > kListLimit) all.resize(kListLimit);
  return all;
}

TotalsDisplay ContestTotals::ShowTotals(bool english) const {
  const ContestDefinition& d = *ctx_.definition;
  TotalsDisplay t;
  for (std::size_t i = 0; i < 7; ++i) {
    const char b = d.Bands[i];
    if (!IsBandCode(b)) continue;
    const BandTotals& bt = Band(b);
    t.columns.push_back({BandName(b, false), FormatNumber(bt.qsos, 6), FormatNumber(bt.multipliers, 6),
                         FormatNumber(bt.points, 6), b == band_});
  }
  const std::int64_t q = TotalQsos(), m = TotalMultipliers(), p = TotalPoints();
  t.qsos = Trimmed(q, 6) + " QSO";
  if (d.MultiplierKinds.any()) {
    if (!d.ScoreIsPointSum && !d.ScorePerBandProduct) {
      t.multipliers = Trimmed(m, 3) + " Multi x";
    } else if (d.MultName1 == "PLZ") {
      t.multipliers = Trimmed(m, 3) + " PLZ";
    } else if (d.MultName1 == "Prefix") {
      t.multipliers = Trimmed(m, 3) + " Prefixe";
    } else {
      t.multipliers = Trimmed(m, 3) + " Multi";
    }
  }
  t.points = Trimmed(p, 7) + (d.ScorePerBandProduct ? " Punkte" : " Punkte =");
  t.points_visible = !d.ScorePerBandProduct;
  t.score = FormatNumber(Score(), 9, Overflow::kAsterisks) + " Pkt.";
  if (ctx_.code == '5' && d.MultName1 == "PLZ") {
    t.score_visible = false;
    if (!t.columns.empty()) t.columns[0].multipliers = "    0";
    t.points = Trimmed(p, 7) + " Punkte";
  }
  if (!(ctx_.code == 'E' && d.MultiplierScope == 1)) {
    const Text name = IsBandCode(band_) ? BandName(band_, false) : Text();
    const BandTotals& cur = Current();
    t.band_points_caption = (english ? "Score " : "Punkte ") + name;
    t.band_points = FormatPicture(cur.points, "########");
    if (d.MultiplierScope != 1) {
      t.band_multi_caption = ctx_.code == '5' ? Text("PLZ-Bereiche") : (ctx_.code == 'P' ? "Prefixe " : "Multi ") + name;
    }
    t.band_multis = std::to_string(d.MultiplierScope == 1 ? whole_log_multipliers_ : cur.multipliers);
    t.band_qso_caption = "QSO " + name;
    t.band_qsos = std::to_string(cur.qsos);
  }
  return t;
}

ContestTotals::Recount ContestTotals::CurrentCount(UserPort* progress) {
  const std::uint64_t version = fm_.ContentVersion(log_);
  if (counted_ && version != 0 && version == counted_version_) return *counted_;
  return CountLog(false, progress);
}

void ContestTotals::StoreLogSummary(Bytes kk, Bytes kz, bool extra, UserPort& port) {
  const ContestDefinition& d = *ctx_.definition;
  const int scope = d.MultiplierScope;
  const int slots = extra ? 100 : 7;
  port.ProgressBegin("Neuberechnung", 500);
  const Recount rc = CurrentCount(&port);
  const auto band_of = [&](int slot) { return slot <= 100 ? d.Bands[static_cast<std::size_t>(slot - 1)] : '\0'; };
  for (int slot = 1; slot <= slots; ++slot) {
    const char b = band_of(slot);
    BandTotals out;
    const bool is_band = b >= 'a' && b <= 'z';
    if (!(ctx_.code == 'E' && scope == 1)) {
      out.points = is_band ? Band(b).points : 0;
    } else if (slot == 1) {
      out.points = TotalPoints();
    }
    if (scope != 1) {
      if (is_band) {
        const BandTotals& c = rc.bands[static_cast<unsigned char>(b)];
        out.qsos = c.qsos;
        out.multipliers = c.multipliers;
        out.column_multipliers = c.column_multipliers;
      }
    } else {
      if (slot == 1) {
        out.multipliers = rc.whole_log_multipliers;
        out.column_multipliers = rc.whole_log_columns;
      }
      if (ctx_.code == 'E') {
        if (slot == 1) out.qsos = rc.bands[static_cast<unsigned char>(d.Bands[0])].qsos;
      } else if (is_band) {
        out.qsos = rc.bands[static_cast<unsigned char>(b)].qsos;
      }
    }
    if (extra) {
      PutI32(kz, qvkz::QsoOffset(slot), static_cast<std::int32_t>(out.qsos));
      PutI32(kz, qvkz::MultiplierOffset(slot), static_cast<std::int32_t>(out.multipliers));
      PutI32(kz, qvkz::PointsOffset(slot), static_cast<std::int32_t>(out.points));
      for (int col = 1; col <= 3; ++col)
        PutI16(kz, qvkz::ColumnOffset(col, slot), static_cast<std::int16_t>(out.column_multipliers[static_cast<std::size_t>(col)]));
    } else {
      qvkk::ColumnTotals ct;
      ct.qsos = static_cast<std::int32_t>(out.qsos);
      ct.multipliers = static_cast<std::int32_t>(out.multipliers);
      ct.points = static_cast<std::int32_t>(out.points);
      ct.first_column = static_cast<std::int32_t>(out.column_multipliers[1]);
      ct.second_column = static_cast<std::int32_t>(out.column_multipliers[2]);
      qvkk::PutColumnTotals(kk, slot, ct);
    }
  }
  port.ProgressEnd();
}

}  // namespace vek
