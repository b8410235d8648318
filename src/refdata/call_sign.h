// Taking a call sign apart: DL/OE1ABC/P, OE1ABC/P and OE1ABC are one station
// (home call OE1ABC) and DL/OE1ABC is worked in the country of DL.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/text.h"

namespace vek {

struct SuffixEntry {
  Text text;              // at most 3 characters
  std::uint8_t code = 0;  // carried for the suite; this program does not use it
  friend bool operator==(const SuffixEntry&, const SuffixEntry&) = default;
};

// Suffixes that are never a prefix part ("/P", "/MM" ...): 16 places, of which
// the station settings may replace the first 9.
class SuffixTable {
 public:
  static constexpr std::size_t kSize = 16;
  static constexpr std::size_t kReplaceable = 9;

  SuffixTable();  // the built-in table
  // The station settings' list, empty entries included, replaces places 1..9.
  void ReplaceFirstNine(std::span<const SuffixEntry, kReplaceable> list);
  bool Contains(std::string_view part) const;
  const std::array<SuffixEntry, kSize>& entries() const { return entries_; }

 private:
  std::array<SuffixEntry, kSize> entries_;
};

const SuffixTable& BuiltInSuffixTable();

// With `want_home` the home call; without it the part that decides the
// country, or the empty text when the call has none.
Text CallSignPart(std::string_view call, bool want_home, const SuffixTable& suffixes = BuiltInSuffixTable());

struct SpecialPairResult {
  bool is_pair = false;
  int compared = 0;  // leading characters of the first part that matched (2 or 3)
};

// Whether first/second form one prefix of their own (SV/A, FR/G, 3D2/C, GM/SH ...).
SpecialPairResult IsSpecialPrefixPair(std::string_view first, std::string_view second);

}  // namespace vek
