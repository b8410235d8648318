// The running totals of a contest log while it is logged: contacts, points
// and multipliers per band, the multiplier lists of the current band, the
// evaluation of the contact being entered against the log, the totals
// panel's texts and the stored summary of the log.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/user_port.h"
#include "logging/contest_log.h"
#include "logging/scoring.h"
#include "store/file_manager.h"

namespace vek {

struct MultiValue {
  Text value;
  int state = 2;  // 1: brought by the contact being entered, 2: worked before
  friend bool operator==(const MultiValue&, const MultiValue&) = default;
};

struct BandTotals {
  std::int64_t qsos = 0, points = 0, multipliers = 0;
  std::array<std::int64_t, 4> column_multipliers{};  // index 1..3: multiplier columns
  friend bool operator==(const BandTotals&, const BandTotals&) = default;
};

// The totals panel as the window shows it.
struct TotalsDisplay {
  struct Column {
    Text band_name, qsos, multipliers, points;  // numbers right-aligned in 6
    bool current = false;                        // painted yellow, the others silver
  };
  std::vector<Column> columns;  // the first seven bands
  Text qsos, multipliers, points, score;
  bool points_visible = true, score_visible = true;
  // The current band's line of the entry panel.
  Text band_points_caption, band_points, band_multi_caption, band_multis, band_qso_caption, band_qsos;
};

class ContestTotals : public ContestLog::MarkRebuild {
 public:
  static constexpr std::size_t kListLimit = 500;

  ContestTotals(store::FileManager& fm, store::FileBlock* log, ScoringContext context);

  void SetCurrent(char band, std::string_view mode);
  char current_band() const { return band_; }

  // The marks of a copy of a record: `multiMark1`, `multiMark2` and
  // `secondCall` as the contest's columns say; the lists and counts follow.
  // With `entering` the values are provisional until the next evaluation.
  void EvaluateMultipliers(Bytes record, bool entering);
  void WithdrawEntryMultipliers();
  // The contact was saved: its provisional values stay, now as worked ones.
  void KeepEntryMultipliers();
  // Rebuilds the lists and multiplier counts from the log; with `recount`
  // also every band's contacts and points.
  void RecalculateTotals(bool recount);
  // RecalculateTotals(true) for a log that only grew since a count stored
  // as CountImage, while the log's change tally was `since`: only the
  // entries after it are walked. False, with nothing changed, when the image
  // cannot be read, or when anything but this process's adds changed the log
  // since or the adds are not exactly the entries after the count's last one;
  // then only a whole recount gives the totals. The lists stay empty.
  bool RecountAfter(std::string_view image, const store::FileManager::ChangeTally& since);
  // The last count as bytes for RecountAfter (empty without one), and the
  // change tally of the log it belongs to.
  std::string CountImage() const;
  std::optional<store::FileManager::ChangeTally> CountedAt() const {
    return counted_ ? counted_->at : std::nullopt;
  }
  // The entries the last recount walked: all of them, or those after a stored count.
  std::int64_t entries_walked() const { return entries_walked_; }

  // The band-change entries the last recount found carrying a value that
  // only a contact may carry (their entry numbers), each told once.
  std::vector<std::int32_t> TakeBandChangesWithValues() { return std::exchange(band_changes_with_values_, {}); }
  // A saved contact's points and one contact on its band.
  void AddSavedContact(ConstBytes record, int points);

  BandTotals Band(char band) const { return bands_[static_cast<unsigned char>(band)]; }
  BandTotals Current() const { return Band(band_); }
  std::int64_t TotalQsos() const;
  std::int64_t TotalPoints() const;
  std::int64_t TotalMultipliers() const;
  std::int64_t Score() const;
  // The lists of all kinds merged, ascending, at most 500 values.
  std::vector<MultiValue> Panel() const;
  const std::vector<MultiValue>& List(MultiKind kind) const { return lists_[static_cast<std::size_t>(kind)]; }
  TotalsDisplay ShowTotals(bool english = false) const;

  // "Neuberechnung": the log's per-band results into the catalogue record
  // (slots 1..7) or, with `extra`, the contest-totals record (slots 1..100).
  void StoreLogSummary(Bytes qvkk, Bytes qvkz, bool extra, UserPort& port);

  const ScoringContext& context() const { return ctx_; }

  // A renumbering's marks: each record judged against those put back before
  // it, which the refilled log cannot be searched for until it is complete.
  void BeginMarks() override;
  void Mark(Bytes record) override;
  void Added(ConstBytes record) override;
  void EndMarks() override;

 private:
  struct Provisional {
    MultiKind kind;
    Text value;
    char band;
    int weight;
    bool counted;
    bool listed;
    std::vector<int> columns;
  };
  struct Recount {
    std::array<BandTotals, 256> bands{};
    std::int64_t whole_log_multipliers = 0;
    std::array<std::int64_t, 4> whole_log_columns{};
    std::array<std::vector<MultiValue>, 9> lists;
    std::vector<std::int32_t> band_changes_with_values;  // their entry numbers
    // What a count carried on past `last_entry` needs: the values seen
    // (each with its band and mode where those make it new) and the log's
    // change tally when the count was taken.
    std::array<std::unordered_set<std::string>, 9> seen;
    std::optional<std::int32_t> last_entry;
    std::optional<store::FileManager::ChangeTally> at;
    std::uint64_t version = 0;  // FileManager::ContentVersion then
  };
  // With `progress` the bar moves every 10 records, starting again after 500.
  Recount CountLog(bool lists_for_current_band, UserPort* progress = nullptr);
  // Counts the entries after rc's last one into rc (the lists of the current
  // band into `listed`); the number of entries walked.
  std::int64_t CountOn(Recount& rc, std::array<std::set<Text>, 9>* listed, UserPort* progress);
  // The last count while the log has not changed since (closing the entry
  // window recounts and then stores the summary), else a new one.
  Recount CurrentCount(UserPort* progress);
  std::optional<Recount> counted_;
  std::vector<std::int32_t> band_changes_with_values_;
  std::uint64_t counted_version_ = 0;
  std::int64_t entries_walked_ = 0;
  // The current band's lists and counts from the indexes, one landing per
  // distinct value; false where only a walk of the log can tell.
  bool ListsFromIndexes();
  bool EarlierExists(MultiKind kind, const Text& value, ConstBytes record);
  // Where a value's earlier contacts are looked up: index `key` from `prefix`
  // on, each entry then tested like Matches. Empty when the answer does not
  // depend on the log (`fixed` is it).
  struct Probe {
    int key = 0;
    store::Key prefix;
    bool same_mode = false;
  };
  std::optional<Probe> ProbeFor(MultiKind kind, const Text& value, char band, bool& fixed) const;
  // The contacts put back so far by a renumbering, reduced to what the
  // index search of EarlierExists would find: for each value of each kind,
  // the bands (and, where the mode counts, the modes) whose probe would land
  // on one of them.
  struct FilledValue {
    MultiKind kind;
    Text value;
    store::Key key;  // the contact's key in the probe's index
    char band;
    Text mode;
  };
  struct Filled {
    std::vector<FilledValue> values;
    std::set<char> bands;  // the bands asked about so far
    std::set<std::tuple<MultiKind, Text, char, bool, Text>> found;
  };
  void NoteFilled(Filled& f, const FilledValue& v, char band) const;
  std::unique_ptr<Filled> filled_;
  void InsertListValue(MultiKind kind, const Text& value, int state);
  void RemoveListValue(MultiKind kind, const Text& value);
  std::int64_t& MultiplierCount(char band);

  store::FileManager& fm_;
  store::FileBlock* log_;
  ScoringContext ctx_;
  char band_ = 0;
  Text mode_;
  std::array<BandTotals, 256> bands_{};
  std::int64_t whole_log_multipliers_ = 0;  // MultiplierScope 1
  std::array<std::vector<MultiValue>, 9> lists_;
  std::vector<Provisional> provisional_;
};

}  // namespace vek
