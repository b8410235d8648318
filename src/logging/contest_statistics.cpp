#include "logging/contest_statistics.h"

#include <algorithm>
#include <set>

#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "logging/scoring.h"

namespace vek {

ContestStatistics::ContestStatistics(UtcInstant period_start, UtcInstant period_end, Text own_locator)
    : start_(Seconds(period_start)), end_(Seconds(period_end)), own_locator_(std::move(own_locator)) {}

void ContestStatistics::Read(store::FileManager& fm, store::FileBlock* log) {
  contacts_.clear();
  if (!log) return;
  store::KeepPosition keep(fm, log);
  store::HeldReading held(fm, log);
  for (int s = fm.FirstKey(log, 1); s == 0; s = fm.NextKey(log, 1)) Saved(fm.RecordBuffer(log));
}

void ContestStatistics::Saved(ConstBytes r) {
  const std::int32_t entry = GetI32(r, qso::kEntryNo.offset);
  if (IsBandChangeEntry(r)) {
    contacts_.erase(entry);
    return;
  }
  StatsContact c;
  c.entry = entry;
  c.call = TrimBlanks(GetText(r, qso::kCall));
  c.locator = TrimBlanks(GetText(r, qso::kLocator));
  c.dok = TrimBlanks(LoadRcvdDok(r));
  c.band = static_cast<char>(GetU8(r, qso::kBand.offset));
  c.at = static_cast<std::int64_t>(GetI32(r, qso::kDate.offset)) * 86400 + GetI32(r, qso::kTime.offset);
  c.points = GetU16(r, qso::kPoints.offset);
  c.km = GetI32(r, qso::kQrbKm.offset);
  contacts_[entry] = std::move(c);
}

void ContestStatistics::Deleted(std::int32_t entry, bool renumbered) {
  contacts_.erase(entry);
  if (!renumbered) return;
  std::map<std::int32_t, StatsContact> moved;
  for (auto& [number, c] : contacts_) {
    if (number > entry) --c.entry;
    moved.emplace(c.entry, std::move(c));
  }
  contacts_ = std::move(moved);
}

std::vector<char> ContestStatistics::Bands() const {
  std::set<char> bands;
  for (const auto& [entry, c] : contacts_) bands.insert(c.band);
  return {bands.begin(), bands.end()};
}

namespace {

// In time order, then by entry number: "first" means logged first.
std::vector<const StatsContact*> InTimeOrder(const std::map<std::int32_t, StatsContact>& contacts) {
  std::vector<const StatsContact*> out;
  out.reserve(contacts.size());
  for (const auto& [entry, c] : contacts) out.push_back(&c);
  std::stable_sort(out.begin(), out.end(), [](const StatsContact* a, const StatsContact* b) { return a->at < b->at; });
  return out;
}

std::map<Text, std::vector<Text>> ByLocatorPart(const std::map<std::int32_t, StatsContact>& contacts, char band,
                                                std::size_t length) {
  std::map<Text, std::vector<Text>> out;
  for (const StatsContact* c : InTimeOrder(contacts)) {
    if ((band != 0 && c->band != band) || c->locator.size() < length) continue;
    std::vector<Text>& calls = out[c->locator.substr(0, length)];
    if (std::find(calls.begin(), calls.end(), c->call) == calls.end()) calls.push_back(c->call);
  }
  return out;
}

}  // namespace

std::map<Text, std::vector<Text>> ContestStatistics::Squares(char band) const {
  return ByLocatorPart(contacts_, band, 4);
}

std::map<Text, std::vector<Text>> ContestStatistics::Fields(char band) const {
  return ByLocatorPart(contacts_, band, 2);
}

std::optional<StatsContact> ContestStatistics::Odx(char band) const {
  const StatsContact* best = nullptr;
  for (const StatsContact* c : InTimeOrder(contacts_))
    if (c->band == band && c->km > 0 && (!best || c->km > best->km)) best = c;
  return best ? std::optional<StatsContact>(*best) : std::nullopt;
}

std::pair<std::int64_t, std::int64_t> ContestStatistics::Period() const {
  if (end_ > start_) return {start_, end_};
  if (contacts_.empty()) return {0, -1};
  std::int64_t first = INT64_MAX, last = INT64_MIN;
  for (const auto& [entry, c] : contacts_) {
    first = std::min(first, c.at);
    last = std::max(last, c.at);
  }
  return {first - first % 3600, last};
}

std::vector<HourFigures> ContestStatistics::PerHour() const {
  const auto [start, end] = Period();
  std::vector<HourFigures> out;
  if (end < start) return out;
  // Hours begun by the period; its last second belongs to its last hour.
  const std::int64_t hours = std::max<std::int64_t>(1, (end - start + 3599) / 3600);
  std::map<std::pair<std::int64_t, char>, HourFigures> buckets;
  for (const auto& [entry, c] : contacts_) {
    if (c.at < start || c.at > end) continue;
    const std::int64_t h = std::min((c.at - start) / 3600, hours - 1);
    for (char band : {static_cast<char>(0), c.band}) {
      HourFigures& f = buckets[{h, band}];
      f.start = start + h * 3600;
      f.band = band;
      ++f.qsos;
      f.points += c.points;
    }
  }
  for (std::int64_t h = 0; h < hours; ++h) {
    // Every hour of the period shows, for all bands, even when empty.
    auto it = buckets.find({h, 0});
    out.push_back(it != buckets.end() ? it->second : HourFigures{start + h * 3600, 0, 0, 0});
    for (auto b = buckets.lower_bound({h, 1}); b != buckets.end() && b->first.first == h; ++b) out.push_back(b->second);
  }
  return out;
}

int ContestStatistics::Rate(UtcInstant now, int minutes) const {
  const std::int64_t to = Seconds(now), from = to - static_cast<std::int64_t>(minutes) * 60;
  int count = 0;
  for (const auto& [entry, c] : contacts_)
    if (c.at > from && c.at <= to) ++count;
  return minutes > 0 ? count * 60 / minutes : 0;
}

std::optional<HourFigures> ContestStatistics::BestHour() const {
  std::optional<HourFigures> best;
  for (const HourFigures& f : PerHour())
    if (f.band == 0 && f.qsos > 0 && (!best || f.qsos > best->qsos)) best = f;
  return best;
}

int ContestStatistics::DistinctDoks(char band) const {
  std::set<Text> doks;
  for (const auto& [entry, c] : contacts_)
    if ((band == 0 || c.band == band) && !c.dok.empty()) doks.insert(c.dok);
  return static_cast<int>(doks.size());
}

std::optional<UtcInstant> ContestStatistics::LastContact() const {
  if (contacts_.empty()) return std::nullopt;
  std::int64_t last = INT64_MIN;
  for (const auto& [entry, c] : contacts_) last = std::max(last, c.at);
  return UtcInstant{static_cast<std::int32_t>(last / 86400), static_cast<std::int32_t>(last % 86400)};
}

}  // namespace vek
