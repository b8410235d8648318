// Points of a contact under the rules of each contest code, the DOK tests
// and the values a contact offers as multipliers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "base/record_bytes.h"
#include "catalogue/contest_definition.h"
#include "catalogue/contest_table.h"

namespace vek {

// What the rules read besides the contact: the contest, the log's catalogue
// entry and the station.
struct ScoringContext {
  char code = 'g';
  const ContestDefinition* definition = nullptr;
  Text own_dok;        // the log's own DOK (catalogue entry)
  Text own_locator;    // the station's own locator
  int class_number = 0;
  bool question_answer = false;  // catalogue byte 300 (code U)
  // Rules that look at the log: the first contact with the own DOK in key-18
  // order (codes K and R) and the first contact of a band in its locator
  // field (code N). Without them a contact counts as the first.
  std::function<bool(ConstBytes record)> first_with_own_dok;
  std::function<bool(ConstBytes record)> first_in_field;
};

// Points of the contact in `record` (0 to 65535), by the rule its contest's
// row of the contest table names.
int QsoPoints(ConstBytes record, const ScoringContext& c);
contest_data::PointsRule PointsRuleOf(char code);

// A 3-character DOK made of a letter of `region`'s districts and two digits.
bool IsDistrictDok(std::string_view dok, const DokRegion& region);
// Whether a DOK may count as a multiplier.
bool DokQualifies(std::string_view dok, const ScoringContext& c);
// The record is a band-change entry, which no count or score includes.
bool IsBandChangeEntry(ConstBytes record);
// A band-change entry carries no multiplier: the fields one could come from.
bool BandChangeEntryCarriesValues(ConstBytes record);
void ClearBandChangeValues(Bytes record);

// The multiplier kinds in the order a contact is evaluated.
enum class MultiKind { kCountry, kUsState, kPostcode, kMember16, kMember19, kDok, kDistrict, kLocator, kCall };
inline constexpr std::array<MultiKind, 9> kMultiKinds = {
    MultiKind::kCountry, MultiKind::kUsState, MultiKind::kPostcode, MultiKind::kMember16, MultiKind::kMember19,
    MultiKind::kDok,     MultiKind::kDistrict, MultiKind::kLocator, MultiKind::kCall};

bool KindEnabled(MultiKind kind, const ContestDefinition& d);
// The value a contact offers for a kind; empty when it offers none (the
// kind's own tests applied, the club word rule not).
Text KindValue(MultiKind kind, ConstBytes record, const ScoringContext& c);
// What a new value counts (1, or more by the contest's additions).
int KindWeight(MultiKind kind, std::string_view value, const ScoringContext& c);
// The multiplier columns (1..3) whose caption the kind carries.
std::vector<int> KindColumns(MultiKind kind, const ContestDefinition& d);
// The club word rule: false when the contact brings no multiplier at all.
bool PassesClubWord(ConstBytes record, const ScoringContext& c);

}  // namespace vek
