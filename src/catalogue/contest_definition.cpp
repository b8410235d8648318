// BuildContestDefinition: zero the record, default output items, the one
// block of the contest code (its common values, then the class case), the
// computed values, the own-DOK choices and the region completion.
#include "catalogue/contest_definition.h"

#include <string>

#include "catalogue/contest_table.h"

namespace vek {
namespace {

using contest_data::ContestRow;
using contest_data::Exchange;
using contest_data::Fields;
using contest_data::Preset;
using contest_data::RegionRule;

// The maker's notice behind the edition name in captions and printed headers.
constexpr const char* kLegalNotice = " - (c) 2008-2026 Vek-Entwicklergruppe, freie Software";

void FillBands(std::array<char, 100>& out, const char* bands) {
  out.fill(0);
  for (std::size_t i = 0; bands[i] && i < out.size(); ++i) out[i] = bands[i];
}

Text PresetValue(Preset preset, const DefinitionInputs& in) {
  switch (preset) {
    case Preset::kNone: return {};
    case Preset::kOwnDok: return in.OwnDok;
    case Preset::kOwnLdk: return in.OwnLdk;
    case Preset::kOwnPostcode: return in.OwnPostcode;
    case Preset::kOwnPostcode2: return Cut(in.OwnPostcode, 2);
    case Preset::kOwnLocator: return in.OwnLocator;
    case Preset::kOwnLocator4: return Cut(in.OwnLocator, 4);
    case Preset::kClubText: return in.ClubMemberText;
    case Preset::kExtraNumber: return in.ExtraNumber > 0 ? std::to_string(in.ExtraNumber) : Text();
    case Preset::kExtraNumber2: {
      if (in.ExtraNumber == -1) return "XX";
      if (in.ExtraNumber < 0) return {};
      const std::string digits = std::to_string(in.ExtraNumber);
      return digits.size() < 2 ? "0" + digits : digits;
    }
    case Preset::kIpaIfYes: return in.QuestionAnswer ? "IPA" : "";
  }
  return {};
}

void Apply(const Fields& f, const DefinitionInputs& in, ContestDefinition& d) {
  if (f.modes.size()) {
    d.Modes = {};
    std::size_t i = 0;
    for (const char* m : f.modes) d.Modes[i++] = m;
  }
  if (f.bands) FillBands(d.Bands, f.bands);
  if (f.exchange) {
    const auto& x = *f.exchange;
    d.RcvdKind1 = x[0].rcvd, d.RcvdKind2 = x[1].rcvd, d.RcvdKind3 = x[2].rcvd;
    d.SentKind1 = x[0].sent, d.SentKind2 = x[1].sent, d.SentKind3 = x[2].sent;
    d.SentValue1 = PresetValue(x[0].preset, in);
    d.SentValue2 = PresetValue(x[1].preset, in);
    d.SentValue3 = PresetValue(x[2].preset, in);
  }
  if (f.multipliers.size()) {
    d.MultiplierKinds.reset();
    for (int element : f.multipliers) d.MultiplierKinds.set(static_cast<std::size_t>(element));
  }
  if (f.mult_names[0]) {
    d.MultName1 = f.mult_names[0];
    d.MultName2 = f.mult_names[1] ? f.mult_names[1] : "";
    d.MultName3 = f.mult_names[2] ? f.mult_names[2] : "";
  }
  if (f.listener >= 0) d.SentFieldsShown = static_cast<std::uint8_t>(f.listener);
  if (f.dupe_rule >= 0) d.DupeRule = static_cast<std::uint8_t>(f.dupe_rule);
  if (f.utc != 0) d.UtcOffsetHours = f.utc;
  if (f.auto_band >= 0) d.AutoBandByTime = static_cast<std::uint8_t>(f.auto_band);
}

Text Year(const DefinitionInputs& in) {
  const DayNumber day = in.DateFrom > 0 ? in.DateFrom : in.Today;
  return std::to_string(DateFromDayNumber(day).year);
}

Text DottedDate(DayNumber day) {
  const CivilDate c = DateFromDayNumber(day);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", c.day, c.month, c.year);
  return buf;
}

void SetRegion(DokRegion& region, const contest_data::RegionRow& row, bool districts, bool doks) {
  if (districts) {
    region.Districts.fill(0);
    for (std::size_t i = 0; row.districts[i] && i < region.Districts.size(); ++i) region.Districts[i] = row.districts[i];
  }
  if (doks) {
    region.Doks = {};
    std::size_t i = 0;
    for (const char* dok : row.doks) {
      if (i == region.Doks.size()) break;
      region.Doks[i++] = dok ? dok : "";
    }
  }
}

}  // namespace

bool DokRegion::IsEmpty() const { return Doks[0].empty() && Districts[0] == 0; }

bool DokRegion::HoldsDok(std::string_view dok) const {
  if (dok.empty()) return false;
  for (const Text& d : Doks)
    if (!d.empty() && d == dok) return true;
  return false;
}

bool DokRegion::HoldsDistrict(char letter) const {
  for (char d : Districts)
    if (d != 0 && d == letter) return true;
  return false;
}

bool ContestDefinition::HasBand(char code) const {
  for (char b : Bands)
    if (b != 0 && b == code) return true;
  return false;
}

bool ContestDefinition::HasMode(std::string_view mode) const {
  for (const Text& m : Modes)
    if (!m.empty() && m == mode) return true;
  return false;
}

int ContestDefinition::ClassCount() const {
  int n = 0;
  for (const EntryClass& c : Classes) n += !c.Description.empty();
  return n;
}

ContestDefinition BuildContestDefinition(const DefinitionInputs& in, DefinitionEffects* effects) {
  ContestDefinition d;  // every field zero or empty
  for (int element : {1, 2, 3, 4, 5, 6, 7}) d.OutputItems.set(static_cast<std::size_t>(element));
  if (effects) *effects = {};
  const ContestRow* row = contest_data::FindContestRow(in.ContestCode);
  if (!row) return d;

  d.EditionName = row->edition;
  d.EditionTitle = d.EditionName + kLegalNotice;
  d.ContestTitle = row->title_with_year ? Text(row->title) + Year(in) : Text(row->title);
  d.StartDate = row->dates_today ? DottedDate(in.Today) : Text(row->start_date);
  d.EndDate = row->dates_today ? DottedDate(in.Today) : Text(row->end_date);
  d.StartTime = row->start_time;
  d.EndTime = row->end_time;
  if (row->output_items.size()) {
    d.OutputItems.reset();
    for (int element : row->output_items) d.OutputItems.set(static_cast<std::size_t>(element));
  }
  d.UtcOffsetHours = row->utc;
  d.DupeRule = static_cast<std::uint8_t>(row->dupe_rule);
  d.MultiplierScope = static_cast<std::uint8_t>(row->scope);
  d.AutoBandByTime = static_cast<std::uint8_t>(row->auto_band);
  std::size_t i = 0;
  for (const contest_data::ScheduleRow& s : row->schedule) {
    ScheduleEntry& e = d.BandSchedule[i++];
    e.DateFrom = s.date;
    e.TimeFrom = s.from;
    e.TimeTo = s.to;
    for (std::size_t b = 0; s.bands[b] && b < e.Bands.size(); ++b) e.Bands[b] = s.bands[b];
  }
  i = 0;
  for (const contest_data::ClassRow& c : row->classes) d.Classes[i++] = {c.description, c.period, c.name};
  if (row->special_stations) {
    i = 0;
    for (const char* call : contest_data::SpecialStationCalls()) d.SpecialStations[i++] = call;
  }
  if (row->excluded_own_dok) d.ExcludedDok = in.OwnDok;
  d.ShowEvaluationButton = row->show_evaluation;
  d.ScoreIsPointSum = row->score_is_point_sum;
  d.ScorePerBandProduct = row->score_per_band_product;
  if (row->club_name) d.ClubName = row->club_name;
  if (row->club_bonus_word) d.ClubBonusWord = row->club_bonus_word;
  if (row->captions[0]) d.ExchCaption1 = row->captions[0];
  if (row->captions[1]) d.ExchCaption2 = row->captions[1];
  if (row->captions[2]) d.ExchCaption3 = row->captions[2];

  // The regions as the block states them.
  switch (row->region_rule) {
    case RegionRule::kMultiplierOnly: SetRegion(d.MultiplierRegion, row->region, true, true); break;
    case RegionRule::kCrossed:
      SetRegion(d.MultiplierRegion, row->region, true, false);
      SetRegion(d.HomeRegion, row->region, false, true);
      break;
    default:
      if (row->region.doks.size() || row->region.districts[0]) SetRegion(d.HomeRegion, row->region, true, true);
      break;
  }

  // Common values, then the class case (class 0 is class 1; a number beyond
  // the cases sets nothing of its own).
  Apply(row->common, in, d);
  const contest_data::ClassRow* chosen = nullptr;
  if (row->class_dependent) {
    const int n = in.ClassNumber <= 0 ? 1 : in.ClassNumber;
    if (n <= static_cast<int>(row->classes.size())) chosen = row->classes.begin() + (n - 1);
    if (chosen) Apply(chosen->fields, in, d);
  }

  // What the data cannot say.
  if (row->own_dok_rule == contest_data::kDokOrNothing && in.OwnDok.empty() && d.SentKind2 == kDok) {
    d.SentKind2 = kNoField;  // without an own DOK only the serial number is sent
    d.SentValue2.clear();
  }
  if (row->own_dok_rule == contest_data::kDokOrSerial && in.OwnDok.empty() && d.SentKind1 == kDok &&
      d.SentValue1.empty() && !d.SentFieldsShown) {
    d.SentKind1 = kSerial;  // a serial number in place of the DOK
  }
  if (in.ContestCode == 'Y') d.SentFieldsShown = in.ExtraNumber == 2 ? 1 : 0;

  // Region completion.
  switch (row->region_rule) {
    case RegionRule::kHomeToMultiplier: d.MultiplierRegion = d.HomeRegion; break;
    case RegionRule::kHomeDistricts: d.MultiplierRegion.Districts = d.HomeRegion.Districts; break;
    case RegionRule::kCrossed:
      d.HomeRegion.Districts = d.MultiplierRegion.Districts;
      d.MultiplierRegion.Doks = d.HomeRegion.Doks;
      break;
    default: break;
  }
  if (chosen && chosen->fields.complete_regions) d.MultiplierRegion = d.HomeRegion;
  if (chosen && chosen->fields.required_region) d.RequiredRegion = d.HomeRegion;

  if (effects) {
    effects->TotalsInExtraRecord = row->totals_in_extra_record;
    effects->EnglishMessages = in.ContestCode == 'H';
  }
  return d;
}

Text ContestLabel(char code) {
  const ContestRow* row = contest_data::FindContestRow(code);
  return row ? Text(row->label) : Text();
}

std::string_view AllContestCodes() { return "123456789ABCDEFGHIJKLNOPQRSTUVYZabcdefghijkl"; }

}  // namespace vek
