#include "logging/known_calls.h"

#include <algorithm>
#include <array>

#include "base/cp1252.h"
#include "catalogue/catalogue_controller.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "logging/scoring.h"
#include "refdata/call_book.h"
#include "store/os_file.h"
#include "store/store_check.h"
#include "store/store_errors.h"

namespace vek {

namespace {

bool IsCallCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/'; }

Text Upper(std::string_view text) {
  Text out = TrimBlanks(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool Later(std::int32_t date, std::int32_t time, std::int32_t than_date, std::int32_t than_time) {
  return date > than_date || (date == than_date && time >= than_time);
}

// Longer calls than the log's call field cannot be typed; they would only
// crowd the list.
constexpr std::size_t kLongestCall = 13;

}  // namespace

std::vector<Text> ParseScp(std::string_view text) {
  std::vector<Text> calls;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line[0] == '#') continue;
    const Text call = Upper(line.substr(0, std::min(line.find('\r'), line.size())));
    if (call.empty() || call.size() > kLongestCall) continue;
    if (std::all_of(call.begin(), call.end(), IsCallCharacter)) calls.push_back(call);
  }
  return calls;
}

KnownCall& KnownCalls::Entry(std::string_view call, std::uint8_t source) {
  auto [it, added] = where_.try_emplace(std::string(call), entries_.size());
  if (added) {
    entries_.emplace_back();
    entries_.back().call = Text(call);
  }
  KnownCall& e = entries_[it->second];
  e.sources |= source;
  return e;
}

void KnownCalls::AddScpCall(std::string_view call) {
  const Text c = Upper(call);
  if (!c.empty() && c.size() <= kLongestCall) Entry(c, kFromScp);
}

void KnownCalls::AddFromCallList(std::string_view call, std::string_view dok, std::string_view name) {
  const Text c = Upper(call);
  if (c.empty()) return;
  KnownCall& e = Entry(c, kFromCallList);
  // The call book and the logs know better; the list only fills gaps.
  if (e.dok.empty()) e.dok = TrimBlanks(dok);
  if (e.name.empty()) e.name = TrimBlanks(name);
}

void KnownCalls::AddFromCallBook(std::string_view call, std::string_view dok, std::string_view name,
                                 std::string_view qth) {
  const Text c = Upper(call);
  if (c.empty()) return;
  KnownCall& e = Entry(c, kFromCallBook);
  if (const Text d = TrimBlanks(dok); !d.empty() && e.dok_date < 0) e.dok = d;
  if (const Text n = TrimBlanks(name); !n.empty()) e.name = n;
  if (const Text q = TrimBlanks(qth); !q.empty()) e.qth = q;
}

void KnownCalls::AddLogged(ConstBytes r, bool current) {
  const Text call = Upper(GetText(r, qso::kCall));
  if (call.empty()) return;
  KnownCall& e = Entry(call, kFromLogs);
  const std::int32_t date = GetI32(r, qso::kDate.offset), time = GetI32(r, qso::kTime.offset);
  if (const Text dok = TrimBlanks(LoadRcvdDok(r)); !dok.empty() && Later(date, time, e.dok_date, e.dok_time)) {
    e.dok = dok;
    e.dok_date = date;
    e.dok_time = time;
  }
  const Text locator = TrimBlanks(GetText(r, qso::kLocator));
  if (locator.size() >= 4 && Later(date, time, e.locator_date, e.locator_time)) {
    e.locator = locator;
    e.locator_date = date;
    e.locator_time = time;
  }
  const Text name_qth = GetText(r, qso::kNameQth);
  const auto semi = name_qth.find(';');
  if (e.name.empty()) e.name = TrimBlanks(name_qth.substr(0, semi));
  if (e.qth.empty() && semi != Text::npos) e.qth = TrimBlanks(name_qth.substr(semi + 1));
  const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
  if (current && band != 0 && band != ' ' && e.worked_bands.find(band) == std::string::npos) e.worked_bands += band;
}

void KnownCalls::Finish() {
  // Sorting places, then moving each entry once, instead of swapping entries around.
  std::vector<std::uint32_t> order(entries_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
  std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) { return entries_[a].call < entries_[b].call; });
  std::vector<KnownCall> sorted;
  sorted.reserve(entries_.size());
  for (std::uint32_t i : order) sorted.push_back(std::move(entries_[i]));
  entries_ = std::move(sorted);
  sorted_ = entries_.size();
  where_.clear();
  where_.reserve(entries_.size());
  text_.clear();
  text_.reserve(entries_.size() * 8);
  owner_.clear();
  owner_.reserve(entries_.size() * 8);
  start_.assign(entries_.size(), 0);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    where_.emplace(entries_[i].call, i);
    text_ += '\n';
    start_[i] = static_cast<std::uint32_t>(text_.size());
    text_ += entries_[i].call;
    owner_.resize(text_.size(), static_cast<std::uint32_t>(i));
  }
}

void KnownCalls::ClearWorked() {
  for (KnownCall& e : entries_) e.worked_bands.clear();
}

std::size_t KnownCalls::FindIndex(std::string_view call) const {
  const auto it = where_.find(std::string(call));
  return it == where_.end() ? entries_.size() : it->second;
}

const KnownCall* KnownCalls::Find(std::string_view call, const SuffixTable& suffixes) const {
  const Text c = Upper(call);
  std::size_t i = FindIndex(c);
  if (i == entries_.size()) i = FindIndex(CallSignPart(c, true, suffixes));
  return i < entries_.size() ? &entries_[i] : nullptr;
}

PartialMatch KnownCalls::Match(std::size_t index, bool exact, char band) const {
  PartialMatch m;
  m.known = &entries_[index];
  m.exact = exact;
  const std::string& bands = m.known->worked_bands;
  m.duplicate = band != 0 && bands.find(band) != std::string::npos;
  m.worked_other = !m.duplicate && !bands.empty();
  return m;
}

std::vector<PartialMatch> KnownCalls::Partial(std::string_view typed, char band, std::size_t limit) const {
  std::vector<PartialMatch> out;
  const Text t = Upper(typed);
  if (t.size() < 2 || limit == 0 || t.find('\n') != Text::npos) return out;
  const std::size_t exact = FindIndex(t);
  if (exact < entries_.size()) out.push_back(Match(exact, true, band));
  const auto by_call = [this](std::size_t a, std::size_t b) { return entries_[a].call < entries_[b].call; };

  // Calls that start with the text: one run of the sorted calls, and the late ones.
  std::vector<std::size_t> starting;
  const auto first = std::lower_bound(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(sorted_), t,
                                      [](const KnownCall& e, const Text& v) { return e.call < v; });
  for (auto it = first; it != entries_.begin() + static_cast<std::ptrdiff_t>(sorted_) && starting.size() < limit;
       ++it) {
    if (it->call.compare(0, t.size(), t) != 0) break;
    const auto i = static_cast<std::size_t>(it - entries_.begin());
    if (i != exact) starting.push_back(i);
  }
  const std::size_t from_sorted = starting.size();
  for (std::size_t i = sorted_; i < entries_.size(); ++i)
    if (i != exact && entries_[i].call.compare(0, t.size(), t) == 0) starting.push_back(i);
  if (starting.size() > from_sorted) std::sort(starting.begin(), starting.end(), by_call);
  for (std::size_t i : starting) {
    if (out.size() == limit) return out;
    out.push_back(Match(i, false, band));
  }
  if (out.size() == limit) return out;

  // Calls that hold it further in, by where it starts. The sorted text
  // gives each position's hits in call order, so each position keeps only
  // the first ones it needs; once position 1 has them all, nothing later
  // can come before them.
  const std::size_t need = limit - out.size();
  std::array<std::vector<std::size_t>, kLongestCall + 1> at{};
  const std::string_view text(text_);
  for (std::size_t pos = text.find(t); pos != std::string_view::npos; pos = text.find(t, pos)) {
    const std::size_t i = owner_[pos];
    const std::size_t p = pos - start_[i];
    pos = start_[i] + entries_[i].call.size();  // one hit per call: its first
    if (p == 0 || p >= at.size()) continue;
    if (at[p].size() < need) at[p].push_back(i);
    if (at[1].size() == need) break;
  }
  bool late = false;
  for (std::size_t i = sorted_; i < entries_.size(); ++i) {
    const std::size_t p = entries_[i].call.find(t);
    if (p == Text::npos || p == 0 || p >= at.size()) continue;
    at[p].push_back(i);
    late = true;
  }
  for (auto& hits : at) {
    if (late) std::sort(hits.begin(), hits.end(), by_call);
    for (std::size_t i : hits) {
      if (out.size() == limit) return out;
      out.push_back(Match(i, false, band));
    }
  }
  return out;
}

namespace {

// Walks a suite table by its first key; false when it could not be read to the end.
bool WalkTable(store::FileManager& fm, store::FileBlock* fb, const std::function<void(ConstBytes)>& visit) {
  if (!fb) return false;
  // The entry session may have the table open too: its record and place stay.
  store::KeepPosition keep(fm, fb);
  store::HeldReading held(fm, fb);
  int s = fm.FirstKey(fb, 1);
  for (; s == 0; s = fm.NextKey(fb, 1)) visit(fm.RecordBuffer(fb));
  // A walk ends with a soft failure: past the last entry, or no entry at all.
  const std::int32_t error = fm.ErrorNumber();
  return s == 1 && (error == store::kEndOfIndex || error == store::kKeyNotFound);
}

bool RecordFileFits(store::FileManager& fm, const store::FileBlockSpec& spec) {
  return store::RecordFileFits(fm.file_system(), spec.file_name + ".DAT", spec.record_length,
                               static_cast<int>(spec.keys.size()));
}

bool ReadLog(KnownCalls& known, SuiteFiles& files, std::int32_t number, bool current, const SuffixTable* suffixes) {
  if (!RecordFileFits(files.fm(), qso::LogSpec(number, suffixes))) return false;
  ContestLog log(files, number, suffixes);
  return log.OpenContestLog() && WalkTable(files.fm(), log.log(), [&](ConstBytes r) {
           if (!IsBandChangeEntry(r)) known.AddLogged(r, current);
         });
}

}  // namespace

KnownCallSources CatalogueSources(CatalogueController& catalogue, std::int32_t current) {
  KnownCallSources sources;
  for (const CatalogueRow& row : catalogue.Rows(CatalogueOrder::kName, true)) sources.logs.push_back(row.log_number);
  sources.current_log = current;
  return sources;
}

KnownCalls BuildKnownCalls(SuiteFiles& files, const KnownCallSources& sources) {
  KnownCalls known;
  store::FileManager& fm = files.fm();
  if (!sources.scp_path.empty()) {
    if (!fm.file_system().Exists(sources.scp_path)) {
      known.Note("MASTER.SCP fehlt");
    } else {
      const std::vector<Text> calls = ParseScp(store::ReadWholeFile(fm.file_system(), sources.scp_path));
      if (calls.empty()) known.Note("MASTER.SCP ist leer");
      for (const Text& c : calls) known.AddScpCall(c);
    }
  }
  const auto table = [&](SuiteFile file, const char* name, const std::function<void(ConstBytes)>& visit) {
    if (!RecordFileFits(fm, SuiteFileSpec(file))) return known.Note(Text(name) + W(" beschädigt"));
    store::FileBlock* fb = files.OpenSuiteFile(file);
    if (!WalkTable(fm, fb, visit)) known.Note(Text(name) + " nicht lesbar");
    if (fb) files.CloseSuiteFile(file);
  };
  if (sources.call_list) {
    table(SuiteFile::kCallList, "QVCALL", [&](ConstBytes r) {
      known.AddFromCallList(GetText(r, call_list::kCall), GetText(r, call_list::kDok), GetText(r, call_list::kName));
    });
  }
  if (sources.call_book) {
    table(SuiteFile::kCallBook, "QVCBUCH", [&](ConstBytes r) {
      known.AddFromCallBook(GetText(r, call_book::kCall), Cut(GetText(r, call_book::kDok), 8),
                            GetText(r, call_book::kName), GetText(r, call_book::kQth));
    });
  }
  for (std::int32_t number : sources.logs)
    if (!ReadLog(known, files, number, number == sources.current_log, sources.suffixes))
      known.Note("Log " + std::to_string(number) + " nicht lesbar");
  known.Finish();
  return known;
}

bool RereadCurrentLog(KnownCalls& known, SuiteFiles& files, const KnownCallSources& sources) {
  known.ClearWorked();
  return sources.current_log == 0 || ReadLog(known, files, sources.current_log, true, sources.suffixes);
}

}  // namespace vek
