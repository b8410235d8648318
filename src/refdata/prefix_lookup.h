// Which country a call belongs to: the override tables, special prefix
// pairs, the longest-prefix search with wildcards and ranges, redirections,
// validity dates and successors over the suite's prefix tables, and the
// DXCC entity number of a DXCC prefix.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/day_number.h"
#include "base/user_port.h"
#include "refdata/suite_files.h"

namespace vek {

enum class PrefixStatus { kFound = 0, kNotFound = 1, kNotValid = 2 };

struct PrefixResult {
  PrefixStatus status = PrefixStatus::kNotFound;
  std::vector<std::uint8_t> record;  // the prefix record found (empty after a cancelled choice)
  bool chosen = false;               // the operator picked it in the choice dialog
};

class PrefixLookup {
 public:
  // `port` answers the choice dialog when a prefix stands for several countries.
  PrefixLookup(SuiteFiles& files, UserPort& port, DayNumber today);
  ~PrefixLookup();
  PrefixLookup(const PrefixLookup&) = delete;
  PrefixLookup& operator=(const PrefixLookup&) = delete;

  // A batch of lookups keeps the three tables open between calls instead of
  // opening and closing them for each (which lets a new import replace them
  // between two lookups of a window).
  void HoldTables();

  PrefixResult LookupPrefix(std::string_view call, DayNumber date);
  bool FindDxccEntry(std::string_view dxcc, std::vector<std::uint8_t>& record);
  Text DxccNumberOfPrefix(std::string_view dxcc);

  // The rows of the choice dialog for a prefix: each entry resolved through
  // its redirection or successor where one applies, then shown.
  struct Choice {
    std::vector<std::uint8_t> record;
    Text row;  // columns separated by ';': Nr, DXCC, CQ, ITU, Land, Bemerkung
  };
  std::vector<Choice> ChoicesFor(std::string_view prefix, DayNumber date);

 private:
  struct Hit {
    bool found = false;
    char wildcard = 0;
    std::size_t position = 0;
  };
  bool FindOverride(SuiteFile table, std::string_view call);
  // A table's entries in the order of its key 1, each with its record, held
  // while the table stays open between lookups (a batch, a window that keeps
  // it) and its content is unchanged: a lookup probes the exact-call tables
  // at every length of the call and the prefix index at every length of the
  // prefix, some twenty probes.
  struct HeldTable {
    bool valid = false;
    bool usable = true;  // every key six characters long
    std::uint64_t version = 0;
    std::vector<std::uint64_t> keys;  // packed, in the index's order
    std::vector<std::vector<std::uint8_t>> records;
    std::unordered_map<std::uint64_t, std::size_t> first;  // the first entry of each key
    // One bit per hashed key: most probes of a call's shorter texts miss,
    // and a clear bit says so without the map.
    std::vector<std::uint64_t> bits;
    static std::size_t Bit(std::uint64_t key) { return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 44); }
    bool MayHold(std::uint64_t key) const {
      const std::size_t b = Bit(key);
      return !bits.empty() && ((bits[b >> 6] >> (b & 63)) & 1) != 0;
    }
  };
  static std::size_t TableIndex(SuiteFile table);
  HeldTable* Held(SuiteFile table, store::FileBlock* fb);
  Hit FindPrefixEntry(std::string_view t);
  PrefixStatus SearchLongestPrefix(std::string_view text, DayNumber date, int& steps);
  PrefixStatus Evaluate(std::string_view text, DayNumber date, bool redirected, int& steps);
  bool SearchByDxcc(std::string_view d);
  PrefixStatus Redirect(const Text& target, std::string_view text, DayNumber date, int& steps);
  bool ResolveForDisplay(std::vector<std::uint8_t>& entry, DayNumber date);
  int depth_ = 0;  // nested lookups while the dialog resolves its rows
  Bytes Current();

  SuiteFiles& files_;
  store::FileManager& fm_;
  UserPort& port_;
  DayNumber today_;
  store::FileBlock* table_ = nullptr;
  std::vector<SuiteFile> held_;
  std::array<HeldTable, 3> tables_;  // the two exact-call tables, the prefixes
  std::array<bool, 3> checked_{};    // a table's version was looked at in this lookup
  std::array<bool, 3> stays_open_{};  // open beyond the running lookup
  bool chosen_ = false;
  std::vector<std::uint8_t> result_;  // the record an override or a choice made current
  bool use_result_ = false;
};

// The marked row of the choice dialog: Up and Down wrap around, Enter or a
// double click takes it, Escape cancels.
class PrefixChoiceModel {
 public:
  explicit PrefixChoiceModel(std::size_t rows) : rows_(rows) {}
  int marked() const { return marked_; }
  bool take_enabled() const { return marked_ >= 0; }
  void Click(int row) { marked_ = row >= 0 && static_cast<std::size_t>(row) < rows_ ? row : marked_; }
  void Down();
  void Up();

 private:
  std::size_t rows_;
  int marked_ = -1;
};

}  // namespace vek
