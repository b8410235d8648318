// The station settings record of the suite (QVSETUP, 3530 bytes) and the
// second settings record's six texts (QVSETUP2). The record is kept whole:
// what this program does not know is written back byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/day_number.h"
#include "base/record_bytes.h"
#include "refdata/call_sign.h"
#include "refdata/suite_files.h"

namespace vek {

namespace setup_record {
constexpr int kLength = 3530;
constexpr std::size_t kColours[5] = {703, 707, 711, 715, 719};
constexpr std::size_t kSuffixList = 723;  // 9 entries of 7 bytes: text 3, code byte, 2 spare
constexpr std::size_t kNameCase = 790;
constexpr FieldSpec kOwnLocator{"own_locator", 1776, 7, FieldKind::kText};
constexpr FieldSpec kUtcOffset{"utc_offset", 1795, 4, FieldKind::kI32};
constexpr FieldSpec kName{"name", 2103, 51, FieldKind::kText};
constexpr FieldSpec kStreet{"street", 2154, 51, FieldKind::kText};
constexpr FieldSpec kPostcodeTown{"postcode_town", 2205, 51, FieldKind::kText};
constexpr FieldSpec kCountry{"country", 2256, 51, FieldKind::kText};
constexpr FieldSpec kDok{"dok", 2307, 11, FieldKind::kText};
constexpr std::size_t kMainColour = 2741;
constexpr std::size_t kSecondColour = 2745;
constexpr FieldSpec kSwlNumber{"swl_number", 3171, 21, FieldKind::kText};
constexpr FieldSpec kOwnCall{"own_call", 3400, 15, FieldKind::kText};
constexpr std::size_t kDayBound = 3415;
constexpr std::size_t kDayBoundDay = 3416;
}  // namespace setup_record

struct StationSettings {
  Text own_call;
  Text swl_number;
  Text own_locator = "JO62MM";
  std::int32_t utc_offset = -2;
  Text name, street, postcode_town, country, dok;
  std::uint8_t name_case = 0;
  bool colours_set = false;
  std::array<std::int32_t, 5> colours{};
  std::int32_t main_colour = 0, second_colour = 0;
  std::uint8_t day_bound = 255;
  std::array<Text, 6> setup2_texts = {"M1", "M2", "M3", "M4", "M5", "M6"};
  std::vector<std::uint8_t> record;  // the whole record as read, written back whole

  // The call shown for the station: the own call, or the SWL number without one.
  const Text& ShownCall() const { return own_call.empty() ? swl_number : own_call; }
  // Postal code and town split at the first blank.
  Text Postcode() const;
  Text Town() const;
  void SetPostcodeAndTown(std::string_view postcode, std::string_view town);
};

// Reads QVSETUP (creating its record when missing) into `settings`; a stored
// suffix list replaces the first nine entries of `suffixes`.
bool LoadStationSettings(SuiteFiles& files, DayNumber today, StationSettings& settings, SuffixTable& suffixes);
// Writes the settings into the whole record and QVSETUP2's six texts back.
bool SaveStationSettings(SuiteFiles& files, DayNumber today, StationSettings& settings);
// Reads the six texts of QVSETUP2 (stored ones that are not empty win).
bool LoadSetup2Texts(SuiteFiles& files, StationSettings& settings);

Text ApplyNameCase(std::string_view text, std::uint8_t style);

// The suite-file part of program start: QVSETUP ensured, QVPRO opened (kept
// open), settings loaded, QVSETUP2 ensured (kept open), the prefix tables
// opened (kept open). `prefix_warning` tells whether QVPREFIX is missing or
// empty. False when QVPRO cannot be opened: the program then ends.
struct SuiteStart {
  bool prefix_warning = false;
};
bool OpenSuiteFilesAtStart(SuiteFiles& files, DayNumber today, StationSettings& settings, SuffixTable& suffixes,
                           SuiteStart& start);
// The end of the program: QVSETUP2 and the prefix tables closed, settings saved, QVPRO closed.
void CloseSuiteFilesAtEnd(SuiteFiles& files, DayNumber today, StationSettings& settings);

// The warning shown when the prefix table is missing or empty.
Text PrefixTableWarning();

}  // namespace vek
