// Points, multipliers and totals of contest g and of the other codes' rules,
// against a real log data set.
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <fstream>

#include <random>

#include "base/scripted_user_port.h"
#include "catalogue/catalogue_records.h"
#include "logging/contest_log.h"
#include "logging/contest_totals.h"
#include "logging/qso_record.h"
#include "memory_store.h"
#include "store/memory_file_system.h"

namespace vek {

void PrintTo(const MultiValue& v, std::ostream* os) { *os << v.value << "/" << v.state; }

namespace {

struct Contact {
  std::string call;
  char band = 'k';
  const char* mode = "SSB";
  std::string locator = {};
  std::string dok = {};
  std::string rcvd = "59 001";
};

std::vector<std::uint8_t> Record(const Contact& c) {
  std::vector<std::uint8_t> r(qso::kLength, 0);
  PutText(r, qso::kCall, c.call);
  PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(c.band));
  PutText(r, qso::kMode, c.mode);
  PutText(r, qso::kLocator, c.locator);
  StoreRcvdDok(r, c.dok);
  StoreRcvdExchange(r, c.rcvd);
  PutI32(r, qso::kDate.offset, *DayNumberFromDate(2008, 11, 15));
  PutI32(r, qso::kTime.offset, 14 * 3600);
  return r;
}

ContestDefinition Definition(char code, int class_number = 1) {
  DefinitionInputs in;
  in.ContestCode = code;
  in.ClassNumber = class_number;
  in.OwnLocator = "JO31AB";
  in.OwnDok = "I38";
  return BuildContestDefinition(in);
}

class PointsTest : public ::testing::Test {
 protected:
  int Points(const Contact& c, char code = 'g', int class_number = 1) {
    definition_ = Definition(code, class_number);
    ScoringContext ctx;
    ctx.code = code;
    ctx.definition = &definition_;
    ctx.own_dok = "I38";
    ctx.own_locator = "JO31AB";
    ctx.class_number = class_number;
    return QsoPoints(Record(c), ctx);
  }
  ContestDefinition definition_;
};

TEST_F(PointsTest, ContestGScoresFieldRingsAndSpecialDoks) {
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JO31AA", "I23"}), 1);   // own field
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JO32AA", "I23"}), 2);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JO52AA", "I23"}), 3);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JN39AA", "I23"}), 3);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JO52AA", "I38"}), 0);   // own DOK, whatever the distance
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "I23"}), 0);         // no locator
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "Z02"}), 0);         // Z02 is letter-digit: field points only
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "DVI"}), 10);        // a special DOK without locator
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JO32AA", "QCWA08"}), 12);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JO32AA", "A12"}), 2);   // outside district I: field points
  EXPECT_EQ(Points({"PA1ABC", 'k', "SSB", "JO32AA", ""}), 2);      // no DOK at all
  EXPECT_EQ(Points({"PA1ABC", 'k', "SSB", "JO32", ""}), 2);        // a four-character locator
}

// The rules text the program shows names special DOKs as examples: each of
// them must score as the rules say (10 points more; 10 without a locator).
TEST_F(PointsTest, TheRulesTextsExampleDoksScoreAsItSays) {
  std::ifstream in(std::string(VEK_DATA_DIR) + "/nordseeukwR.RTF", std::ios::binary);
  const std::string rules((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto sentence = rules.find("Sonder-DOKs des Distriktes (z. B. ");
  ASSERT_NE(sentence, std::string::npos);
  const auto from = rules.find("(z. B. ", sentence) + 7, to = rules.find(')', from);
  std::stringstream examples(rules.substr(from, to - from));
  int checked = 0;
  for (std::string dok; std::getline(examples, dok, ',');) {
    while (!dok.empty() && dok.front() == ' ') dok.erase(0, 1);
    EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", dok}), 10) << dok;
    EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "JO32AA", dok}), 12) << dok;
    ++checked;
  }
  EXPECT_GE(checked, 2);
}

TEST_F(PointsTest, OtherCodesFollowTheirRules) {
  EXPECT_EQ(Points({"DL1ABC"}, '1'), 1);
  EXPECT_EQ(Points({"DL1ABC"}, 'D'), 2);
  EXPECT_EQ(Points({"K1"}, 'S'), 0);
  EXPECT_EQ(Points({"DF0WN"}, '2'), 6);
  EXPECT_EQ(Points({"DL0ABC"}, '3'), 5);  // a club call
  EXPECT_EQ(Points({"DN1ABC"}, '5'), 5);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "", "59 NM"}, '6'), 1);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "", "59 1234"}, '6'), 5);
  EXPECT_EQ(Points({"DL1ABC", 'k', "CW", "", "", "599"}, 'c'), 6);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "", "59 XX"}, 'P'), 20);
  EXPECT_EQ(Points({"DN1ABC", 'k', "SSB", "", "", "59 0"}, 'P'), 120);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "", "59 42"}, 'P'), 42);
  EXPECT_EQ(Points({"DL0QCW"}, 'k'), 10);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "", "59 12345"}, 'k'), 5);
  EXPECT_EQ(Points({"DL1ABC", 'k', "SSB", "", "", "59 MF123"}, 'i'), 10);
  EXPECT_EQ(Points({"DL1ABC", 'm', "SSB", "", "B01"}, 'h'), 2);
  // Portable stations in Europe score 4 in contest 9.
  auto r = Record({"DL1ABC/P"});
  PutText(r, qso::kContinent, "EU");
  definition_ = Definition('9');
  ScoringContext ctx;
  ctx.code = '9';
  ctx.definition = &definition_;
  EXPECT_EQ(QsoPoints(r, ctx), 4);
  PutText(r, qso::kCall, "DL1ABC");
  EXPECT_EQ(QsoPoints(r, ctx), 2);
}

TEST_F(PointsTest, DistancesAreCappedPerBandInContestN) {
  auto r = Record({"DL1ABC", 'k'});
  PutI32(r, qso::kQrbKm.offset, 2500);
  definition_ = Definition('N');
  ScoringContext ctx;
  ctx.code = 'N';
  ctx.definition = &definition_;
  EXPECT_EQ(QsoPoints(r, ctx), 2000);
  PutU8(r, qso::kBand.offset, 'o');
  EXPECT_EQ(QsoPoints(r, ctx), 7500);  // 3 x qrb
  ctx.first_in_field = [](ConstBytes) { return true; };
  EXPECT_EQ(QsoPoints(r, ctx), 8000);
  PutI32(r, qso::kQrbKm.offset, 30000);
  EXPECT_EQ(QsoPoints(r, ctx), 65535);  // the field holds 16 bits
}

class TotalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartMemoryStore(fs_, fm_, files_);
    log_ = std::make_unique<ContestLog>(*files_, 7);
    ASSERT_TRUE(log_->OpenContestLog());
    definition_ = Definition('g');
    ctx_.code = 'g';
    ctx_.definition = &definition_;
    ctx_.own_dok = "I38";
    ctx_.own_locator = "JO31AB";
    totals_ = std::make_unique<ContestTotals>(*fm_, log_->log(), ctx_);
    totals_->SetCurrent('k', "SSB");
  }

  // Evaluates and saves a contact as the entry window does.
  std::vector<std::uint8_t> Log(const Contact& c, ContestTotals* t = nullptr) {
    if (!t) t = totals_.get();
    auto r = Record(c);
    t->EvaluateMultipliers(r, true);
    store::FileBlock* fb = log_->log();
    const RunningNumbers n = log_->NextRunningNumbers(c.band, c.mode);
    Bytes buf = fm_->RecordBuffer(fb);
    std::copy(r.begin(), r.end(), buf.begin());
    PutI32(buf, qso::kSerialNo.offset, n.serial);
    EXPECT_EQ(fm_->AddRecord(fb), 0);
    const int points = QsoPoints(buf, ctx_);
    t->AddSavedContact(buf, points);
    t->KeepEntryMultipliers();
    return std::vector<std::uint8_t>(buf.begin(), buf.end());
  }

  store::MemoryFileSystem fs_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<SuiteFiles> files_;
  std::unique_ptr<ContestLog> log_;
  ContestDefinition definition_;
  ScoringContext ctx_;
  std::unique_ptr<ContestTotals> totals_;
};

TEST_F(TotalsTest, NewFieldsAndDistrictDoksAreMarkedOncePerBand) {
  auto a = Log({"DL1AAA", 'k', "SSB", "JO32AA", "I23"});
  EXPECT_EQ(GetText(a, qso::kMultiMark1), "JO32");
  EXPECT_EQ(GetText(a, qso::kMultiMark2), "I23");
  auto b = Log({"DL1BBB", 'k', "CW", "JO32BB", "I23"});  // same band, other mode: nothing new
  EXPECT_EQ(GetText(b, qso::kMultiMark1), "");
  EXPECT_EQ(GetText(b, qso::kMultiMark2), "");
  auto c = Log({"DL1AAA", 'l', "SSB", "JO32AA", "I23"});  // the same values on 70 cm are new there
  EXPECT_EQ(GetText(c, qso::kMultiMark1), "JO32");
  EXPECT_EQ(GetText(c, qso::kMultiMark2), "I23");
  auto d = Log({"DL1DDD", 'k', "SSB", "JO33AA", "A12"});  // A12 is no multiplier of district I
  EXPECT_EQ(GetText(d, qso::kMultiMark1), "JO33");
  EXPECT_EQ(GetText(d, qso::kMultiMark2), "");
  EXPECT_EQ(totals_->Band('k').multipliers, 3);
  EXPECT_EQ(totals_->Band('l').multipliers, 2);
  EXPECT_EQ(totals_->Band('k').qsos, 3);
  EXPECT_EQ(totals_->Band('k').points, 2 + 2 + 3);
  EXPECT_EQ(totals_->Score(), (7 + 2) * 5);
  // The same numbers come from the log itself.
  ContestTotals fresh(*fm_, log_->log(), ctx_);
  fresh.SetCurrent('k', "SSB");
  fresh.RecalculateTotals(true);
  EXPECT_EQ(fresh.Band('k'), totals_->Band('k'));
  EXPECT_EQ(fresh.Band('l'), totals_->Band('l'));
  EXPECT_EQ(fresh.Score(), totals_->Score());
}

TEST_F(TotalsTest, TypingNeverCountsAValueTwice) {
  Log({"DL1AAA", 'k', "SSB", "JO32AA", "I23"});
  auto r = Record({"DL1BBB", 'k', "SSB", "JO40AA", "I24"});
  for (int i = 0; i < 5; ++i) totals_->EvaluateMultipliers(r, true);
  EXPECT_EQ(totals_->Band('k').multipliers, 4);
  const auto panel = totals_->Panel();
  ASSERT_EQ(panel.size(), 4u);
  EXPECT_EQ(panel[0], (MultiValue{"I23", 2}));
  EXPECT_EQ(panel[1], (MultiValue{"I24", 1}));
  EXPECT_EQ(panel[2], (MultiValue{"JO32", 2}));
  EXPECT_EQ(panel[3], (MultiValue{"JO40", 1}));
  totals_->WithdrawEntryMultipliers();  // the entry is cleared
  EXPECT_EQ(totals_->Band('k').multipliers, 2);
  EXPECT_EQ(totals_->Panel().size(), 2u);
}

TEST_F(TotalsTest, TheDisplayShowsTheClaimAndTheCurrentBand) {
  Log({"DL1AAA", 'k', "SSB", "JO32AA", "I23"});
  Log({"DL1BBB", 'k', "SSB", "JO52AA", "DVI"});
  const TotalsDisplay t = totals_->ShowTotals();
  ASSERT_EQ(t.columns.size(), 3u);
  EXPECT_EQ(t.columns[0].band_name, "2 m");
  EXPECT_TRUE(t.columns[0].current);
  EXPECT_EQ(t.columns[0].qsos, "     2");
  EXPECT_EQ(t.qsos, "2 QSO");
  EXPECT_EQ(t.multipliers, "4 Multi x");
  EXPECT_EQ(t.points, "15 Punkte =");
  EXPECT_EQ(t.score, "       60 Pkt.");
  EXPECT_EQ(t.band_points_caption, "Punkte 2 m");
  EXPECT_EQ(t.band_points, "      15");
  EXPECT_EQ(t.band_multi_caption, "Multi 2 m");
  EXPECT_EQ(t.band_qso_caption, "QSO 2 m");
}

TEST_F(TotalsTest, TheFiveHundredAndFirstValueStillCounts) {
  // 501 distinct DOKs I00.. (district letters) cannot all be letter+2 digits;
  // use the locator field instead: 501 distinct fields on one band.
  for (int i = 0; i < 501; ++i) {
    const char a = static_cast<char>('A' + i / 100 % 18), b = static_cast<char>('A' + i / 10 % 10);
    std::string loc = {a, b, static_cast<char>('0' + i % 10), '5'};
    Log({"DL" + std::to_string(i) + "ABC", 'k', "SSB", loc, ""});
  }
  EXPECT_EQ(totals_->Band('k').multipliers, 501);
  EXPECT_EQ(totals_->List(MultiKind::kLocator).size(), 500u);
  ContestTotals fresh(*fm_, log_->log(), ctx_);
  fresh.SetCurrent('k', "SSB");
  fresh.RecalculateTotals(true);
  EXPECT_EQ(fresh.Band('k').multipliers, 501);
  EXPECT_EQ(fresh.List(MultiKind::kLocator).size(), 500u);
}

TEST_F(TotalsTest, StoredSummaryOfContestGGoesToTheCatalogueRecord) {
  Log({"DL1AAA", 'k', "SSB", "JO32AA", "I23"});
  Log({"DL1BBB", 'l', "SSB", "JO52AA", "DVI"});
  Log({"DL1CCC", 'l', "CW", "JO52BB", "I23"});
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  ScriptedUserPort port;
  totals_->StoreLogSummary(kk, kz, false, port);
  const auto k = qvkk::GetColumnTotals(kk, 1), l = qvkk::GetColumnTotals(kk, 2), m = qvkk::GetColumnTotals(kk, 3);
  EXPECT_EQ(k.qsos, 1);
  EXPECT_EQ(k.multipliers, 2);
  EXPECT_EQ(k.points, 2);
  EXPECT_EQ(k.first_column, 1);   // "Loc"
  EXPECT_EQ(k.second_column, 1);  // "DOK"
  EXPECT_EQ(l.qsos, 2);
  EXPECT_EQ(l.multipliers, 3);    // JO52, DVI, I23
  EXPECT_EQ(l.points, 13 + 3);
  EXPECT_EQ(m.qsos, 0);
  EXPECT_EQ(port.events().front().caption, "Neuberechnung");
  EXPECT_EQ(port.events().back().kind, ScriptedUserPort::Kind::kProgressEnd);
}

// After any deletions the totals equal those of a log that never held the
// deleted contacts.
TEST_F(TotalsTest, TotalsAfterDeletionsEqualAFreshLog) {
  std::mt19937 rng(7);
  const char* doks[] = {"I23", "I24", "DVI", "A12", "I38", "", "Z02"};
  const char bands[] = {'k', 'l', 'm'};
  std::vector<Contact> all;
  for (int i = 0; i < 120; ++i) {
    Contact c;
    c.call = "DL" + std::to_string(i) + "X";
    c.band = bands[rng() % 3];
    c.mode = rng() % 2 ? "SSB" : "CW";
    c.locator = std::string("JO") + static_cast<char>('0' + rng() % 6) + static_cast<char>('0' + rng() % 6) + "AA";
    c.dok = doks[rng() % 7];
    all.push_back(c);
    Log(c);
  }
  // Delete every third contact from the first log.
  store::FileBlock* fb = log_->log();
  std::vector<Contact> kept;
  for (int i = 0; i < 120; ++i) {
    if (i % 3 == 0) {
      ASSERT_EQ(fm_->FindKey(fb, 4, store::LongToKey(i + 1)), 0);
      ASSERT_EQ(fm_->DeleteRecord(fb), 0);
    } else {
      kept.push_back(all[static_cast<std::size_t>(i)]);
    }
  }
  totals_->RecalculateTotals(true);
  // A second log holding only the kept contacts.
  ContestLog other(*files_, 8);
  ASSERT_TRUE(other.OpenContestLog());
  ContestTotals fresh(*fm_, other.log(), ctx_);
  fresh.SetCurrent('k', "SSB");
  for (const Contact& c : kept) {
    auto r = Record(c);
    fresh.EvaluateMultipliers(r, true);
    Bytes buf = fm_->RecordBuffer(other.log());
    std::copy(r.begin(), r.end(), buf.begin());
    ASSERT_EQ(fm_->AddRecord(other.log()), 0);
    fresh.AddSavedContact(buf, QsoPoints(buf, ctx_));
    fresh.KeepEntryMultipliers();
  }
  for (char b : bands) EXPECT_EQ(fresh.Band(b), totals_->Band(b)) << b;
  EXPECT_EQ(fresh.Score(), totals_->Score());
  EXPECT_EQ(fresh.Panel(), totals_->Panel());
  // A band change reads the lists from the indexes, one value at a time:
  // the same lists and counts as the walk through the whole log.
  for (char b : bands) {
    ContestTotals quick(*fm_, log_->log(), ctx_);
    quick.SetCurrent(b, "SSB");
    quick.RecalculateTotals(false);
    totals_->SetCurrent(b, "SSB");
    totals_->RecalculateTotals(true);
    EXPECT_EQ(quick.Band(b).multipliers, totals_->Band(b).multipliers) << b;
    EXPECT_EQ(quick.Band(b).column_multipliers, totals_->Band(b).column_multipliers) << b;
    EXPECT_EQ(quick.Panel(), totals_->Panel()) << b;
  }
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

// Closing the entry window recounts and then stores the summary from the
// same count; a contact that reached the log in between, through this
// program or another, must still be in the stored summary.
TEST_F(TotalsTest, TheSummaryCountsWhatChangedSinceTheLastRecount) {
  Log({"DL1AAA", 'k', "SSB", "JO32AA", "I23"});
  Log({"DL1BBB", 'k', "SSB", "JO33AA", "I24"});
  totals_->RecalculateTotals(true);
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  ScriptedUserPort port;
  totals_->StoreLogSummary(kk, kz, false, port);
  EXPECT_EQ(qvkk::GetColumnTotals(kk, 1).qsos, 2);
  EXPECT_EQ(qvkk::GetColumnTotals(kk, 1).multipliers, 4);

  // Another program adds a contact to the same files.
  std::unique_ptr<store::FileManager> other_fm;
  std::unique_ptr<SuiteFiles> other_files;
  StartMemoryStore(fs_, other_fm, other_files);
  {
    ContestLog other(*other_files, 7);
    ASSERT_TRUE(other.OpenContestLog());
    auto r = Record({"DL1CCC", 'k', "SSB", "JO34AA", "I25"});
    std::copy(r.begin(), r.end(), other_fm->RecordBuffer(other.log()).begin());
    ASSERT_EQ(other_fm->AddRecord(other.log()), 0);
  }
  totals_->StoreLogSummary(kk, kz, false, port);
  EXPECT_EQ(qvkk::GetColumnTotals(kk, 1).qsos, 3);
  EXPECT_EQ(qvkk::GetColumnTotals(kk, 1).multipliers, 6);

  // And this program, past the totals.
  auto r = Record({"DL1DDD", 'k', "SSB", "JO35AA", "I26"});
  std::copy(r.begin(), r.end(), fm_->RecordBuffer(log_->log()).begin());
  ASSERT_EQ(fm_->AddRecord(log_->log()), 0);
  totals_->StoreLogSummary(kk, kz, false, port);
  EXPECT_EQ(qvkk::GetColumnTotals(kk, 1).qsos, 4);
  EXPECT_EQ(qvkk::GetColumnTotals(kk, 1).multipliers, 8);
}

}  // namespace
}  // namespace vek
