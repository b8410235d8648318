// The contest note file and the age overview of contest P.
#include <gtest/gtest.h>

#include "logging/age_overview.h"
#include "logging/contest_log.h"
#include "logging/notes.h"
#include "logging/qso_record.h"
#include "store/memory_file_system.h"

namespace vek {
namespace {

TEST(NotesTest, FileNameHeaderAndCursor) {
  EXPECT_EQ(NoteFileName("Nordsee 2008/1"), "Nordsee 20081.TXT");
  EXPECT_EQ(NoteFileName("A.b_c+d-\xE4"), "Ab_c+d-.TXT");
  const Text header = NoteHeader(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60 + 59}, "DL1ABC");
  EXPECT_EQ(header, "15.11.2008 14:12 DL1ABC     > ");
  EXPECT_EQ(header.size(), 30u);
  EXPECT_EQ(kNoteCursor, 30u);
  EXPECT_EQ(NoteHeader(UtcInstant{1, 0}, "DL1ABCDEFGHIJK").substr(17, 13), "DL1ABCDEFG > ");
}

TEST(NotesTest, EveryOpeningStampsTheFileEvenWithoutARemark) {
  store::MemoryFileSystem fs;
  auto shown = StampNotes(fs, "Nordsee 2008.TXT", "15.11.2008 14:12 DL1ABC     > ");
  ASSERT_TRUE(shown);
  EXPECT_EQ(*shown, "15.11.2008 14:12 DL1ABC     > ");
  ASSERT_TRUE(SaveNotes(fs, "Nordsee 2008.TXT", *shown + "Regen, Antenne nass"));
  // Closed by the title bar: only the stamp of this opening stays.
  shown = StampNotes(fs, "Nordsee 2008.TXT", "15.11.2008 15:00 PA3ABC     > ");
  ASSERT_TRUE(shown);
  EXPECT_EQ(*shown, "15.11.2008 15:00 PA3ABC     > \n15.11.2008 14:12 DL1ABC     > Regen, Antenne nass");
  std::int32_t error = 0;
  auto f = fs.Open("Nordsee 2008.TXT", false, error);
  ASSERT_TRUE(f);
  std::uint64_t size = 0;
  f->Size(size);
  EXPECT_EQ(size, 30u + 2 + 30 + 19 + 2);  // CR LF lines
  // A full disk keeps the notes as they were.
  fs.FailWrite(0, 28 /* ENOSPC */);
  EXPECT_FALSE(SaveNotes(fs, "Nordsee 2008.TXT", "lost"));
  EXPECT_TRUE(fs.Exists("Nordsee 2008.TXT"));
}

TEST(AgeOverviewTest, BucketsOfTheThreeSteps) {
  EXPECT_EQ(AgeBucket("XX", AgeStep::kFive), 1);
  EXPECT_EQ(AgeBucket("42", AgeStep::kOne), 42);
  EXPECT_EQ(AgeBucket(" 7", AgeStep::kOne), 7);
  EXPECT_EQ(AgeBucket("1", AgeStep::kFive), 5);
  EXPECT_EQ(AgeBucket("5", AgeStep::kFive), 5);
  EXPECT_EQ(AgeBucket("0", AgeStep::kFive), 0);
  EXPECT_EQ(AgeBucket("", AgeStep::kFive), 0);
  EXPECT_EQ(AgeBucket("11", AgeStep::kTen), 20);
  EXPECT_EQ(AgeBucket("20", AgeStep::kTen), 20);
  EXPECT_EQ(AgeBucket("93", AgeStep::kOne), 90);
  EXPECT_EQ(AgeBucket("86", AgeStep::kTen), 90);
  EXPECT_EQ(AgeBucket("-5", AgeStep::kOne), -1);
  EXPECT_EQ(AgeBucket("4a", AgeStep::kOne), 4);
  EXPECT_EQ(AgeBucketLabel(5, AgeStep::kFive), " 1- 5");
  EXPECT_EQ(AgeBucketLabel(20, AgeStep::kTen), "11-20");
  EXPECT_EQ(AgeBucketLabel(90, AgeStep::kTen), "90 und mehr");
  EXPECT_EQ(AgeBucketLabel(7, AgeStep::kOne), " 7");
}

TEST(AgeOverviewTest, ScaleMaxima) {
  AgeCounts c{};
  c[30] = 23;
  EXPECT_EQ(AgeScaleMax(c), 30);
  c[30] = 7;
  EXPECT_EQ(AgeScaleMax(c), 10);
  c[30] = 40;
  EXPECT_EQ(AgeScaleMax(c), 40);
}

TEST(AgeOverviewTest, CountsScoredContactsOfTheLogAndDrawsTheBars) {
  store::MemoryFileSystem fs;
  store::StoreEnvironment env;
  env.fs = &fs;
  store::FileManager fm(env);
  ASSERT_EQ(fm.InitFileManager(), 0);
  SuiteFiles files(fm);
  ContestLog log(files, 4);
  ASSERT_TRUE(log.OpenContestLog());
  const struct {
    const char* rcvd;
    int points;
    char qsy;
  } contacts[] = {{"59 42", 42, 0}, {"59 XX", 20, 0}, {"59 42", 0, 0}, {"59 -5", 3, 0}, {"", 0, 'k'}, {"59 43", 43, 0}};
  for (const auto& c : contacts) {
    fm.ClearRecord(log.log());
    Bytes r = fm.RecordBuffer(log.log());
    StoreRcvdExchange(r, c.rcvd);
    PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(c.points));
    PutU8(r, qso::kQsyBand.offset, static_cast<std::uint8_t>(c.qsy));
    ASSERT_EQ(fm.AddRecord(log.log()), 0);
  }
  AgeCounts one = CountAges(fm, log.log(), AgeStep::kOne);
  EXPECT_EQ(one[42], 1);  // the contact with 0 points is not counted
  EXPECT_EQ(one[43], 1);
  EXPECT_EQ(one[1], 1);   // "XX"
  int total = 0;
  for (int c : one) total += c;
  EXPECT_EQ(total, 3);
  const AgeCounts five = CountAges(fm, log.log(), AgeStep::kFive);
  EXPECT_EQ(five[45], 2);
  const auto items = BuildAgeChart(five, AgeStep::kFive);
  // The bar of bucket 45: x 267, 15 wide, two of ten at the scale of 10.
  bool bar = false;
  for (const ChartItem& i : items)
    if (i.kind == ChartItem::kRect && i.blue && i.x1 == 42 + 5 * 45)
      bar = i.x2 == 42 + 5 * 45 + 14 && i.y1 == 50 + (10 - 2) * 200 / 10 && i.y2 == 249;
  EXPECT_TRUE(bar);
  EXPECT_EQ(items.front().text, "Anzahl QSO pro Lebensalter (5-Jahres-Schritte)");
  // Nothing to count: the frame and the notice, no bars.
  const auto empty = BuildAgeChart(AgeCounts{}, AgeStep::kTen);
  EXPECT_EQ(empty.back().text, "keine g\xFCltigen QSO im Log");
  for (const ChartItem& i : empty) EXPECT_FALSE(i.kind == ChartItem::kRect && i.blue);
}

}  // namespace
}  // namespace vek

#include "catalogue/contest_definition.h"
#include "logging/qso_list.h"

namespace vek {
namespace {

TEST(QsoListTest, RowsOfContactsAndOfBandChanges) {
  DefinitionInputs in;
  in.ContestCode = 'g';
  const ContestDefinition d = BuildContestDefinition(in);
  EXPECT_EQ(QsoListHeader(d, false),
            "Nr ; Datum; UTC ; Call    ;Band ;Mod; RSTsent      ; RSTrcvd      ;Loc   ;DOK   ;Pkt;sQr;Name      ;"
            "QTH       ;Freq.");
  std::vector<std::uint8_t> r(qso::kLength, 0);
  PutI32(r, qso::kSerialNo.offset, 7);
  PutI32(r, qso::kDate.offset, *DayNumberFromDate(2008, 11, 15));
  PutI32(r, qso::kTime.offset, 14 * 3600 + 12 * 60);
  PutText(r, qso::kCall, "DL1ABC");
  PutU8(r, qso::kBand.offset, 'k');
  PutText(r, qso::kMode, "CW");
  StoreSentExchange(r, "599007/JO43/I38");
  StoreRcvdExchange(r, "599001/JO42AB/I23");
  PutText(r, qso::kMultiMark1, "JO42");
  PutU16(r, qso::kPoints.offset, 2);
  PutU8(r, qso::kQslSent.offset, 'N');
  PutText(r, qso::kNameQth, "Hans;Emden");
  PutF32(r, qso::kFreqMHz.offset, 144.3f);
  EXPECT_EQ(QsoListRow(r, d),
            "     7;15.11.08;14:12;DL1ABC;2 m;CW;599 007/JO43/I38;599 001/JO42AB/I23;JO42;;2;N  ;Hans;Emden;  144,300");
  EXPECT_FALSE(QsoListRowMarked(r));
  PutU8(r, qso::kRowMark.offset, 1);
  EXPECT_TRUE(QsoListRowMarked(r));
  PutU8(r, qso::kQsyBand.offset, 'l');
  EXPECT_EQ(QsoListRow(r, d), ";15.11.08;14:12;*** QSY 70 cm ***");
}

TEST(QsoListTest, NamedOrdersMapToTheirIndexes) {
  DefinitionInputs in;
  in.ContestCode = 'g';
  const ContestDefinition d = BuildContestDefinition(in);
  const auto orders = QsoListOrders(d, false);
  ASSERT_EQ(orders.size(), 7u);
  EXPECT_EQ(orders.back(), " alle - DOK");
  EXPECT_EQ(QsoListOrders(d, true)[3], " all - No");
  EXPECT_EQ(QsoListOrderOf(0, 'k').key, 8);
  EXPECT_EQ(QsoListOrderOf(0, 'k').low, "k");
  EXPECT_EQ(QsoListOrderOf(4, 'k').key, 2);
  EXPECT_TRUE(QsoListOrderOf(4, 'k').low.empty());
  EXPECT_EQ(QsoListOrderOf(6, 'k').key, 18);
  EXPECT_EQ(QsoListOrderOf(9, 'k').key, 1);  // a further entry falls back to key 1
}

}  // namespace
}  // namespace vek
