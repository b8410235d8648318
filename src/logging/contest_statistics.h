// How the contest is going, for the map, the statistics window and the
// companion's stats: the locator squares and fields worked per band (with
// their calls), the best distance per band, contacts and points per hour of
// the contest period and per band, the recent rates and the best hour. It
// reads a log once and then follows each saved, corrected or deleted
// contact; every figure is worked out from the contacts it holds, so a
// model that followed changes equals one read afresh.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/record_bytes.h"
#include "store/file_manager.h"

namespace vek {

struct StatsContact {
  std::int32_t entry = 0;
  Text call, locator, dok;
  char band = 0;
  std::int64_t at = 0;  // seconds since day 0
  int points = 0;
  std::int32_t km = 0;
};

struct HourFigures {
  std::int64_t start = 0;  // seconds since day 0, on the hour of the period
  char band = 0;           // 0: all bands
  int qsos = 0, points = 0;
};

class ContestStatistics {
 public:
  // The contest period (its first and last second); a period of no length
  // takes the hours from the first to the last contact.
  ContestStatistics(UtcInstant period_start, UtcInstant period_end, Text own_locator);

  // Reads every contact of an open log (band-change entries left out).
  void Read(store::FileManager& fm, store::FileBlock* log);
  // A contact saved, or corrected (the same entry number), as stored.
  void Saved(ConstBytes qso_record);
  // A deletion; `renumbered` when the entries after it moved down by one
  // (a contest that sends no serial number closes the gap).
  void Deleted(std::int32_t entry, bool renumbered);

  const Text& own_locator() const { return own_locator_; }
  std::size_t size() const { return contacts_.size(); }
  std::vector<char> Bands() const;
  // Square (four characters) or field (two) -> the calls worked there, on
  // `band` (0: every band).
  std::map<Text, std::vector<Text>> Squares(char band) const;
  std::map<Text, std::vector<Text>> Fields(char band) const;
  // The first contact with the greatest distance on the band.
  std::optional<StatsContact> Odx(char band) const;
  // One entry per hour of the period and band worked (band 0: all bands
  // together), in time order; contacts outside the period are in none.
  std::vector<HourFigures> PerHour() const;
  // Contacts in the `minutes` up to `now`, as a rate per hour.
  int Rate(UtcInstant now, int minutes) const;
  // The hour (all bands) with the most contacts, the first of equals; none without contacts.
  std::optional<HourFigures> BestHour() const;
  int DistinctDoks(char band) const;
  // The time of the last contact (for rates of a finished log).
  std::optional<UtcInstant> LastContact() const;

  static std::int64_t Seconds(UtcInstant t) { return static_cast<std::int64_t>(t.day) * 86400 + t.second; }

 private:
  std::pair<std::int64_t, std::int64_t> Period() const;
  std::int64_t start_, end_;
  Text own_locator_;
  std::map<std::int32_t, StatsContact> contacts_;  // by entry number
};

}  // namespace vek
