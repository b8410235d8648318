// The contest table as data: one row per contest code, with its entry
// classes as rows of their own. BuildContestDefinition turns a row into a
// ContestDefinition; what data cannot say (own-DOK choices, computed
// presets, region completion) is done there.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace vek::contest_data {

// Where a sent exchange field takes its preset from.
enum class Preset : std::uint8_t {
  kNone,
  kOwnDok,
  kOwnLdk,
  kOwnPostcode,
  kOwnPostcode2,   // its first two characters
  kOwnLocator,
  kOwnLocator4,    // its first four characters
  kClubText,       // ClubMemberText
  kExtraNumber,    // decimal digits, empty when 0 or less
  kExtraNumber2,   // two digits with a leading zero, "XX" for -1
  kIpaIfYes,       // "IPA" when the yes/no question was answered yes
};

struct Exchange {
  int rcvd = 0;
  int sent = 0;
  Preset preset = Preset::kNone;
};
using Exchanges = std::array<Exchange, 3>;

// The values a contest block or a class case sets. A member left at its
// "unset" value (empty list, nullptr, -1) changes nothing.
struct Fields {
  std::initializer_list<const char*> modes;
  const char* bands = nullptr;
  const Exchanges* exchange = nullptr;
  std::initializer_list<int> multipliers;
  const char* mult_names[3] = {nullptr, nullptr, nullptr};
  int listener = -1;    // SentFieldsShown
  int dupe_rule = -1;
  int utc = 0;
  int auto_band = -1;
  bool complete_regions = false;  // MultiplierRegion := HomeRegion
  bool required_region = false;   // RequiredRegion := HomeRegion
};

struct ClassRow {
  const char* description;
  std::uint8_t period;
  const char* name;
  Fields fields;
};

struct ScheduleRow {
  const char* date;
  const char* from;
  const char* to;
  const char* bands;
};

enum class RegionRule : std::uint8_t {
  kNone,
  kHomeToMultiplier,     // MultiplierRegion := HomeRegion
  kHomeDistricts,        // MultiplierRegion.Districts := HomeRegion.Districts
  kCrossed,              // districts and DOKs end up in both regions
  kMultiplierOnly,       // the region is the MultiplierRegion
};

struct RegionRow {
  const char* districts = "";
  std::initializer_list<const char*> doks;  // nullptr entries stay empty
};

enum OwnDokRule : std::uint8_t { kNoOwnDokRule, kDokOrNothing, kDokOrSerial };

struct ContestRow {
  char code;
  const char* label;
  const char* title;
  bool title_with_year;
  const char* edition;
  const char* start_date;
  const char* end_date;
  const char* start_time;
  const char* end_time;
  bool dates_today = false;
  std::initializer_list<int> output_items;  // empty: the default {1..7}
  int utc = 0;
  int dupe_rule = 0;
  int scope = 0;
  int auto_band = 0;
  Fields common;
  bool class_dependent = false;
  std::initializer_list<ClassRow> classes;
  std::initializer_list<ScheduleRow> schedule;
  RegionRule region_rule = RegionRule::kNone;
  RegionRow region;
  bool special_stations = false;
  bool totals_in_extra_record = false;
  OwnDokRule own_dok_rule = kNoOwnDokRule;
  bool excluded_own_dok = false;
  bool show_evaluation = false;
  bool score_is_point_sum = false;
  bool score_per_band_product = false;
  const char* club_name = nullptr;
  const char* club_bonus_word = nullptr;
  const char* captions[3] = {nullptr, nullptr, nullptr};
};

const ContestRow* FindContestRow(char code);
std::span<const ContestRow> ContestRows();

// The special stations of codes R and h.
std::initializer_list<const char*> SpecialStationCalls();

}  // namespace vek::contest_data
