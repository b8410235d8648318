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

// How a contest scores a contact. Every row names its rule, so a code
// without one shows in the table instead of scoring a default silently;
// the scoring gives each rule its function.
enum class PointsRule : std::uint8_t {
  kNone,                    // no rule given
  kTwo,                     // 2 for every contact
  kOne,                     // 1 for every contact
  kShortCallZeroElseOne,    // 0 for a call under 3 characters, else 1
  kFieldRings,              // own DOK 0; the field ring of the locator; +10 for a special DOK
  kDf0wnAndDokN,            // DF0WN 6, DOKs ending in N 3, club calls 2
  kDf0wnAndClubCalls,       // DF0WN 10, club calls 5
  kFiveStationsAndClubCalls,  // five named stations 10, club calls 5
  kSecondExchangeItem,      // something behind a "/" 2
  kDnPostcodes,             // calls starting DN 5, else 3
  kHscMemberNumber,         // a member number 5
  kDigMemberOrDistance,     // a member number 10, distance in some classes
  kDistance,                // the distance in km
  kPortableAndContinent,    // portable and European or not
  kHscRtcStations,          // the clubs' stations 2
  kOwnDokByClass,           // own DOK, class 4 and distance classes
  kHomeDokOrListener,       // home DOK 3, listeners 1
  kEuropeanDistance,        // the distance of European contacts
  kDistanceByClassF,        // no own DOK; distance in classes 3 and 4
  kDistanceByClassG,        // distance in classes 3 to 6
  kHolylandAreas,           // 4X contacts with a valid area
  kIClubCalls,              // club calls with an I DOK 2
  kVhfDistance,             // the distance on 2 m and 70 cm
  kBandFactorAndFieldBonus, // distance by band factor, +500 for the first of a band in a field
  kQcwaDistance,            // own DOK 0, distance on 2 m and 70 cm
  kAgeOfPartner,            // the partner's age
  kHomeDokDvt,              // home DOK 5, DVT 10
  kHomeDokByClass,          // home DOK 3 (1 in classes 8 and 9)
  kVfdbStations,            // the VFDB stations 10, district DOKs 5
  kClubBonusWord,           // the club word in the exchange 5
  kModeFactor,              // FM 2, SSB 4, CW 6
  kHomeDokClubCalls,        // home DOK 2, with a club call 3
  kMicrowaveBands,          // 23 cm 2, 13 cm 3
  kNavalMember,             // a Naval member number 10
  kQcwaMember,              // the QCWA stations 10, a five-digit number 5
  kFirstOwnDok,             // only the first contact with the own DOK scores
  kFirstOwnDokOrClass,      // the first own-DOK contact 1, else by class
};

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
  PointsRule points = PointsRule::kNone;
};

const ContestRow* FindContestRow(char code);
std::span<const ContestRow> ContestRows();

// The special stations of codes R and h.
std::initializer_list<const char*> SpecialStationCalls();

}  // namespace vek::contest_data
