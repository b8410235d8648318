// The calls an operator may be about to log, with what is known of each:
// the super-check-partial list MASTER.SCP, the suite's call list and call
// book, and the contacts of every log of the catalogue. The entry window
// asks it, on each key press, which known calls hold the typed text, and,
// when the call is left, what the station gave last time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/record_bytes.h"
#include "refdata/call_sign.h"
#include "refdata/suite_files.h"

namespace vek {

enum KnownCallSource : std::uint8_t {
  kFromScp = 1,
  kFromCallList = 2,
  kFromCallBook = 4,
  kFromLogs = 8,
};

struct KnownCall {
  Text call;
  Text dok;                          // the last one logged, else the call book's, else the call list's
  std::int32_t dok_date = -1;        // day number of the contact that gave it; -1 from a list
  Text locator;                      // the last one logged
  std::int32_t locator_date = -1;    // day number of that contact; -1 without a locator
  std::int32_t locator_time = 0;     // seconds of that day
  Text name, qth;
  std::uint8_t sources = 0;          // KnownCallSource bits
  std::string worked_bands;          // band codes worked in the current log
  std::int32_t dok_time = 0;
};

struct PartialMatch {
  const KnownCall* known = nullptr;
  bool exact = false;
  bool duplicate = false;     // worked in the current log on the band asked about
  bool worked_other = false;  // worked in the current log on another band only
};

class KnownCalls {
 public:
  static constexpr std::size_t kScreenful = 20;

  // --- building; Finish makes the calls searchable ---
  void AddScpCall(std::string_view call);
  void AddFromCallList(std::string_view call, std::string_view dok, std::string_view name);
  void AddFromCallBook(std::string_view call, std::string_view dok, std::string_view name, std::string_view qth);
  // A contact of a log (its QSO record); `current` when it is of the log
  // being typed into, whose bands mark duplicates.
  void AddLogged(ConstBytes qso_record, bool current);
  void Finish();
  // What could not be read, for the status ("MASTER.SCP fehlt").
  void Note(Text text) { notes_.push_back(std::move(text)); }
  const std::vector<Text>& notes() const { return notes_; }

  // A contact saved while the entry window is open (the index was finished).
  void NoteSaved(ConstBytes qso_record) { AddLogged(qso_record, true); }
  // Before the current log is read again (a correction, a deletion, another
  // program's contacts): no call counts as worked.
  void ClearWorked();

  std::size_t size() const { return entries_.size(); }
  // The entry of exactly this call, else of its home call; null for none.
  const KnownCall* Find(std::string_view call, const SuffixTable& suffixes = BuiltInSuffixTable()) const;
  // The known calls that hold `typed` (from two characters on): the exact
  // call first, then the calls that start with it, then those that hold it
  // further in, earlier first; each group in alphabetical order. `band` is
  // the band code of the entry, for the duplicate marks.
  std::vector<PartialMatch> Partial(std::string_view typed, char band, std::size_t limit = kScreenful) const;

 private:
  KnownCall& Entry(std::string_view call, std::uint8_t source);
  std::size_t FindIndex(std::string_view call) const;
  PartialMatch Match(std::size_t index, bool exact, char band) const;

  std::vector<KnownCall> entries_;
  std::size_t sorted_ = 0;  // entries_[0, sorted_) are in call order and in text_; the rest came later
  std::unordered_map<std::string, std::size_t> where_;
  // The sorted calls, each after a '\n', searched as one text; owner_ gives
  // the entry of each byte.
  std::string text_;
  std::vector<std::uint32_t> owner_, start_;
  std::vector<Text> notes_;
};

struct KnownCallSources {
  std::string scp_path = "MASTER.SCP";  // "" leaves the list out
  bool call_list = true, call_book = true;
  std::vector<std::int32_t> logs;        // every log of the catalogue
  std::int32_t current_log = 0;          // 0 for none
  const SuffixTable* suffixes = nullptr;
};

class CatalogueController;
// The logs of the catalogue, of every contest code, with `current` the one typed into.
KnownCallSources CatalogueSources(CatalogueController& catalogue, std::int32_t current);

// Reads every source; one that is missing or damaged is left out with a note.
KnownCalls BuildKnownCalls(SuiteFiles& files, const KnownCallSources& sources);
// Reads the current log again for what it worked; false when it could not be read.
bool RereadCurrentLog(KnownCalls& known, SuiteFiles& files, const KnownCallSources& sources);

// The whole text of a MASTER.SCP file as its calls (comments and blank lines left out).
std::vector<Text> ParseScp(std::string_view text);

}  // namespace vek
