// The contest's figures: squares and fields per band, the best distance
// with its ties, the hours of the period at its edges and across midnight,
// the rates, and a model that followed corrections and deletions against
// one read afresh.
#include "logging/contest_statistics.h"

#include <gtest/gtest.h>

#include <random>

#include "entry_session_fixture.h"
#include "store/keys.h"

namespace vek {
namespace {

const DayNumber kDay = *DayNumberFromDate(2008, 11, 15);

std::vector<std::uint8_t> Qso(std::int32_t entry, const char* call, char band, DayNumber day, int hh, int mm, int ss,
                              const char* locator, std::int32_t km, int points, const char* dok = "") {
  std::vector<std::uint8_t> r(qso::kLength, 0);
  PutI32(r, qso::kEntryNo.offset, entry);
  PutText(r, qso::kCall, call);
  PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(band));
  PutI32(r, qso::kDate.offset, day);
  PutI32(r, qso::kTime.offset, hh * 3600 + mm * 60 + ss);
  PutText(r, qso::kLocator, locator);
  PutI32(r, qso::kQrbKm.offset, km);
  PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(points));
  StoreRcvdDok(r, dok);
  return r;
}

TEST(ContestStatisticsTest, SquaresFieldsAndTheFirstOfTheGreatestDistancesPerBand) {
  ContestStatistics s({kDay, 14 * 3600}, {kDay + 1, 14 * 3600}, "JO43KD");
  s.Saved(Qso(1, "DL1AAA", 'k', kDay, 15, 0, 0, "JO42AB", 120, 120, "I38"));
  s.Saved(Qso(2, "DL2BBB", 'k', kDay, 14, 10, 0, "JO62MM", 300, 300, "D01"));
  s.Saved(Qso(3, "DL3CCC", 'k', kDay, 16, 0, 0, "JO62AA", 300, 300, "D01"));
  s.Saved(Qso(4, "DL1AAA", 'l', kDay, 17, 0, 0, "JO42AB", 120, 240));
  s.Saved(Qso(5, "DL4DDD", 'k', kDay, 14, 10, 0, "JN58TD", 300, 300));
  s.Saved(Qso(6, "DL5EEE", 'k', kDay, 18, 0, 0, "", 0, 0));
  EXPECT_EQ(s.Bands(), (std::vector<char>{'k', 'l'}));
  const auto squares = s.Squares('k');
  ASSERT_EQ(squares.size(), 3u);
  EXPECT_EQ(squares.at("JO62"), (std::vector<Text>{"DL2BBB", "DL3CCC"}));
  EXPECT_EQ(squares.at("JO42"), std::vector<Text>{"DL1AAA"});
  EXPECT_EQ(s.Fields('k').at("JO").size(), 3u);
  EXPECT_EQ(s.Fields('k').at("JN"), std::vector<Text>{"DL4DDD"});
  EXPECT_EQ(s.Squares('l').size(), 1u);
  EXPECT_EQ(s.Squares(0).at("JO42"), std::vector<Text>{"DL1AAA"});  // one call, two bands
  // 300 km three times: the earliest wins, and at the same minute the first logged.
  ASSERT_TRUE(s.Odx('k'));
  EXPECT_EQ(s.Odx('k')->call, "DL2BBB");
  EXPECT_EQ(s.Odx('l')->call, "DL1AAA");
  EXPECT_FALSE(s.Odx('m'));
  EXPECT_EQ(s.DistinctDoks('k'), 2);
  EXPECT_EQ(s.DistinctDoks('l'), 0);
}

TEST(ContestStatisticsTest, HoursRunFromThePeriodsStartAcrossMidnightAndItsLastSecondCounts) {
  // 23:30 to 01:30: two hours, the second over midnight.
  ContestStatistics s({kDay, 23 * 3600 + 1800}, {kDay + 1, 3600 + 1800}, "JO43KD");
  s.Saved(Qso(1, "DL1AAA", 'k', kDay, 23, 29, 59, "JO42AB", 1, 1));  // before the period: in no hour
  s.Saved(Qso(2, "DL1AAB", 'k', kDay, 23, 30, 0, "JO42AB", 1, 2));   // first second: hour 1
  s.Saved(Qso(3, "DL1AAC", 'l', kDay + 1, 0, 29, 59, "JO42AB", 1, 4));
  s.Saved(Qso(4, "DL1AAD", 'k', kDay + 1, 0, 30, 0, "JO42AB", 1, 8));  // hour 2
  s.Saved(Qso(5, "DL1AAE", 'k', kDay + 1, 1, 30, 0, "JO42AB", 1, 16));  // last second: hour 2
  s.Saved(Qso(6, "DL1AAF", 'k', kDay + 1, 1, 30, 1, "JO42AB", 1, 32));  // after: none
  const auto hours = s.PerHour();
  // Hour 1: all bands, 2 m, 70 cm; hour 2: all bands, 2 m.
  ASSERT_EQ(hours.size(), 5u);
  const std::int64_t h1 = ContestStatistics::Seconds({kDay, 23 * 3600 + 1800});
  EXPECT_EQ(hours[0].start, h1);
  EXPECT_EQ(hours[0].band, 0);
  EXPECT_EQ(hours[0].qsos, 2);
  EXPECT_EQ(hours[0].points, 6);
  EXPECT_EQ(hours[1].band, 'k');
  EXPECT_EQ(hours[1].points, 2);
  EXPECT_EQ(hours[2].band, 'l');
  EXPECT_EQ(hours[2].points, 4);
  EXPECT_EQ(hours[3].start, h1 + 3600);
  EXPECT_EQ(hours[3].qsos, 2);
  EXPECT_EQ(hours[3].points, 24);
  EXPECT_EQ(hours[4].band, 'k');
  // Equal hours: the first is the best.
  ASSERT_TRUE(s.BestHour());
  EXPECT_EQ(s.BestHour()->start, h1);
  // An empty hour of the period still shows.
  ContestStatistics quiet({kDay, 14 * 3600}, {kDay, 17 * 3600}, "JO43KD");
  quiet.Saved(Qso(1, "DL1AAA", 'k', kDay, 16, 0, 0, "JO42AB", 1, 1));
  const auto q = quiet.PerHour();
  ASSERT_EQ(q.size(), 4u);  // 14, 15 (empty), 16 all bands and 2 m
  EXPECT_EQ(q[0].qsos, 0);
  EXPECT_EQ(q[1].qsos, 0);
  EXPECT_EQ(q[2].qsos, 1);
  EXPECT_EQ(quiet.BestHour()->start, ContestStatistics::Seconds({kDay, 16 * 3600}));
}

TEST(ContestStatisticsTest, ADeletionThatClosesTheGapMovesTheLaterEntriesDown) {
  ContestStatistics s({kDay, 0}, {kDay + 1, 0}, "JO43KD");
  for (int i = 1; i <= 4; ++i) s.Saved(Qso(i, ("DL" + std::to_string(i) + "AAA").c_str(), 'k', kDay, 10, i, 0, "JO42AB", 10 * i, 1));
  s.Deleted(2, true);
  ASSERT_EQ(s.size(), 3u);
  // The old entry 4 is entry 3 now: a correction of entry 3 replaces it.
  s.Saved(Qso(3, "DL4AAA", 'k', kDay, 10, 4, 0, "JN58TD", 5, 1));
  EXPECT_EQ(s.size(), 3u);
  EXPECT_EQ(s.Odx('k')->call, "DL3AAA");
  EXPECT_EQ(s.Squares('k').at("JN58"), std::vector<Text>{"DL4AAA"});
  s.Deleted(1, false);
  EXPECT_EQ(s.size(), 2u);
}

TEST(ContestStatisticsTest, RatesCountTheLastMinutesAsContactsPerHour) {
  ContestStatistics s({kDay, 0}, {kDay, 0}, "JO43KD");
  EXPECT_EQ(s.Rate({kDay, 15 * 3600}, 10), 0);
  EXPECT_FALSE(s.BestHour());
  EXPECT_TRUE(s.PerHour().empty());
  s.Saved(Qso(1, "DL1AAA", 'k', kDay, 14, 55, 0, "JO42AB", 1, 1));
  s.Saved(Qso(2, "DL1AAB", 'k', kDay, 14, 51, 0, "JO42AB", 1, 1));
  s.Saved(Qso(3, "DL1AAC", 'k', kDay, 14, 50, 0, "JO42AB", 1, 1));  // exactly ten minutes back: out
  s.Saved(Qso(4, "DL1AAD", 'k', kDay, 14, 20, 0, "JO42AB", 1, 1));
  s.Saved(Qso(5, "DL1AAE", 'k', kDay, 13, 0, 0, "JO42AB", 1, 1));
  EXPECT_EQ(s.Rate({kDay, 15 * 3600}, 10), 12);
  EXPECT_EQ(s.Rate({kDay, 15 * 3600}, 60), 4);
  // Without a period the hours run from the first contact's hour to the last contact.
  const auto hours = s.PerHour();
  EXPECT_EQ(hours.front().start, ContestStatistics::Seconds({kDay, 13 * 3600}));
  EXPECT_EQ(s.LastContact()->second, 14 * 3600 + 55 * 60);
}

// A model that followed every save, correction and deletion of a session
// equals one read from the log afterwards.
class StatisticsFollowTest : public EntrySessionTest {};

void ExpectSame(const ContestStatistics& a, const ContestStatistics& b) {
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(a.Bands(), b.Bands());
  for (char band : {static_cast<char>(0), 'k', 'l', 'm'}) {
    EXPECT_EQ(a.Squares(band), b.Squares(band));
    EXPECT_EQ(a.Fields(band), b.Fields(band));
    EXPECT_EQ(a.DistinctDoks(band), b.DistinctDoks(band));
    const auto oa = a.Odx(band), ob = b.Odx(band);
    ASSERT_EQ(oa.has_value(), ob.has_value());
    if (oa) {
      EXPECT_EQ(oa->entry, ob->entry);
    }
  }
  const auto ha = a.PerHour(), hb = b.PerHour();
  ASSERT_EQ(ha.size(), hb.size());
  for (std::size_t i = 0; i < ha.size(); ++i) {
    EXPECT_EQ(ha[i].start, hb[i].start);
    EXPECT_EQ(ha[i].band, hb[i].band);
    EXPECT_EQ(ha[i].qsos, hb[i].qsos);
    EXPECT_EQ(ha[i].points, hb[i].points);
  }
}

TEST_F(StatisticsFollowTest, AModelThatFollowedCorrectionsAndDeletionsEqualsOneReadAfresh) {
  EntrySession& s = Open(Context());
  const UtcInstant from{kDay, 14 * 3600}, to{kDay + 1, 14 * 3600};
  ContestStatistics followed(from, to, "JO43KD");
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length), kz(qvkz::kLength);
  const auto stored = [&](std::int32_t entry) {
    store::KeepPosition keep(s.fm(), s.log_block());
    EXPECT_EQ(s.fm().FindKey(s.log_block(), 4, store::LongToKey(entry)), 0);
    followed.Saved(s.fm().RecordBuffer(s.log_block()));
  };
  std::mt19937 rng(5);
  const char* squares[] = {"JO42AB", "JO62MM", "JN58TD", "JO30AA", "JO53CC"};
  const char* doks[] = {"F11", "I38", "B36", "Z99"};
  std::vector<std::int32_t> entries;
  for (int i = 0; i < 40; ++i) {
    clock_.Set(UtcInstant{kDay, 14 * 3600 + i * 97});
    s.ClockTick();
    const std::string call = "DL" + std::to_string(i % 9) + "X" + static_cast<char>('A' + i);
    const int saves = s.saves();
    Contact(call.c_str(), "001", squares[rng() % 5], doks[rng() % 4]);
    if (s.saves() == saves + 1) {
      const std::int32_t entry = GetI32(s.last_saved(), qso::kEntryNo.offset);
      entries.push_back(entry);
      followed.Saved(s.last_saved());
    }
    if (i % 7 == 6) {
      const std::int32_t entry = entries[rng() % entries.size()];
      auto f = s.BeginEdit(entry);
      ASSERT_TRUE(f);
      f->rcvd.item3 = squares[rng() % 5];
      s.FinishEdit(entry, *f, kk, kz);
      stored(entry);
    }
    if (i % 11 == 10) {
      const std::int32_t entry = entries.front();
      port_.SetDefaultAnswer(true);
      ASSERT_TRUE(s.DeleteQso(entry, kk, kz));
      port_.SetDefaultAnswer(false);
      // Contest g sends serial numbers: the other entries keep theirs.
      followed.Deleted(entry, false);
      entries.erase(entries.begin());
    }
  }
  ASSERT_GT(followed.size(), 25u);
  ContestStatistics fresh(from, to, "JO43KD");
  fresh.Read(s.fm(), s.log_block());
  ExpectSame(followed, fresh);
}

}  // namespace
}  // namespace vek
