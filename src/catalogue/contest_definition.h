// Everything that differs from contest to contest, in one record. It is not
// stored: BuildContestDefinition makes it anew from the contest code and a
// few values of the log's catalogue record whenever those may have changed.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string_view>

#include "base/day_number.h"
#include "base/text.h"

namespace vek {

// A set of the elements 0..255 (MultiplierKinds, OutputItems).
using ElementSet = std::bitset<256>;

struct ScheduleEntry {
  Text DateFrom;  // "DD.MM.YYYY"; empty: no period
  Text DateTo;    // no definition sets it; readers use DateFrom
  Text TimeFrom;  // "HH:MM:SS"
  Text TimeTo;
  std::array<char, 10> Bands{};  // band codes, 0-terminated when shorter
  bool IsPeriod() const { return !DateFrom.empty(); }
  friend bool operator==(const ScheduleEntry&, const ScheduleEntry&) = default;
};

struct EntryClass {
  Text Description;  // empty: not offered
  std::uint8_t Period = 0;  // 1-based index into BandSchedule; 0 = none
  Text Name;
  friend bool operator==(const EntryClass&, const EntryClass&) = default;
};

struct DokRegion {
  std::array<Text, 100> Doks;
  std::array<char, 26> Districts{};
  bool IsEmpty() const;
  bool HoldsDok(std::string_view dok) const;       // equals a non-empty entry
  bool HoldsDistrict(char letter) const;
  friend bool operator==(const DokRegion&, const DokRegion&) = default;
};

// Exchange kinds of the received and sent fields.
enum ExchangeKind : std::int32_t {
  kNoField = 0, kDok = 4, kLocator4 = 5, kLocator6 = 6, kSerial = 7, kArea = 8, kSerialZ = 11, kUsState = 12,
  kSerialK = 13, kPostcode = 15, kClubNumber4 = 16, kLdk = 17, kClubNumber6 = 19, kFreeText = 99,
};

struct ContestDefinition {
  std::uint8_t SentFieldsShown = 0;
  std::array<Text, 100> Modes;
  std::array<char, 100> Bands{};
  ElementSet MultiplierKinds;
  std::array<ScheduleEntry, 10> BandSchedule;
  Text MultName1, MultName2, MultName3;
  Text EditionTitle;
  std::int32_t RcvdKind1 = 0, RcvdKind2 = 0, RcvdKind3 = 0;
  std::int32_t SentKind1 = 0, SentKind2 = 0, SentKind3 = 0;
  Text SentValue1, SentValue2, SentValue3;
  std::uint8_t DupeRule = 0;
  DokRegion RequiredRegion;
  std::array<Text, 100> SpecialStations;
  DokRegion MultiplierRegion;
  DokRegion HomeRegion;
  Text ContestTitle;
  Text EditionName;
  std::array<EntryClass, 20> Classes;
  Text StartDate, EndDate;
  Text StartTime, EndTime;
  std::int32_t UtcOffsetHours = 0;
  Text ExcludedDok;
  std::uint8_t ShowEvaluationButton = 0;
  std::uint8_t MultiplierScope = 0;
  ElementSet OutputItems;
  std::uint8_t ScoreIsPointSum = 0;
  std::uint8_t ScorePerBandProduct = 0;
  Text ClubName;
  Text ClubBonusWord;
  std::uint8_t AutoBandByTime = 0;
  Text ExchCaption1, ExchCaption2, ExchCaption3;

  bool HasBand(char code) const;
  bool HasMode(std::string_view mode) const;
  int ClassCount() const;  // classes offered (non-empty descriptions)
  // A list whose first entry is empty counts as empty.
  bool SpecialStationsEmpty() const { return SpecialStations[0].empty(); }
  friend bool operator==(const ContestDefinition&, const ContestDefinition&) = default;
};

// What the build reads from the log's catalogue record, the station and the clock.
struct DefinitionInputs {
  char ContestCode = 'g';
  int ClassNumber = 0;       // 1-based; 0 is taken as 1
  DayNumber DateFrom = 0;    // 0 or less: not set (the title then takes today's year)
  Text OwnDok, OwnPostcode, OwnLdk, ClubMemberText, OwnLocator;
  std::int32_t ExtraNumber = -1;
  bool QuestionAnswer = false;
  DayNumber Today = 0;
};

// Side effects of a build on the program around it.
struct DefinitionEffects {
  bool TotalsInExtraRecord = false;  // the log's totals live in its contest-totals record
  bool EnglishMessages = false;      // code H switches the message language
};

ContestDefinition BuildContestDefinition(const DefinitionInputs& in, DefinitionEffects* effects = nullptr);

// The label the main window shows for a code ("Nordsee-Contest UKW"); empty for no code.
Text ContestLabel(char code);
// The 44 codes in table order.
std::string_view AllContestCodes();

}  // namespace vek
