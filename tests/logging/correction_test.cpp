// Corrections and deletions of logged contacts: renumbering, what counts as
// a change of the score, and totals that always equal those of a log that
// never held the removed or changed contacts.
#include <random>

#include "entry_session_fixture.h"
#include "store/keys.h"
#include "store/store_check.h"

namespace vek {
namespace {

class CorrectionTest : public EntrySessionTest {
 protected:
  std::vector<std::uint8_t> kk_ = std::vector<std::uint8_t>(qvkk::Spec().record_length, 0);
  std::vector<std::uint8_t> kz_ = std::vector<std::uint8_t>(qvkz::kLength, 0);

  std::vector<std::int32_t> Serials() {
    std::vector<std::int32_t> out;
    store::FileBlock* fb = session_->log_block();
    for (int st = fm_->FirstKey(fb, 4); st == 0; st = fm_->NextKey(fb, 4))
      out.push_back(GetI32(fm_->RecordBuffer(fb), qso::kSerialNo.offset));
    session_->NewQso(0);
    return out;
  }
};

TEST_F(CorrectionTest, DeletingRenumbersOnlyWhereNoSerialIsSent) {
  for (bool serial_sent : {true, false}) {
    Reset();
    EntryContext c = Context();
    if (!serial_sent) c.definition.SentKind1 = 0;  // the serial number is not part of the exchange
    EntrySession& s = Open(std::move(c));
    const char* calls[] = {"DL1AAA", "DL1BBB", "DL1CCC", "DL1DDD", "DL1EEE"};
    for (int i = 0; i < 5; ++i) {
      clock_.Advance(std::chrono::seconds(60));
      s.ClockTick();
      Contact(calls[i], "001", "JO42AB", "I23");
    }
    ASSERT_EQ(s.saves(), 5);
    port_.Clear();
    port_.QueueAnswer(true);
    ASSERT_TRUE(s.DeleteQso(3, kk_, kz_));
    EXPECT_EQ(port_.Messages().front(),
              W("Durch das Löschen eines Eintrages werden die Nummern aller nachfolgenden Einträge um 1 verringert."));
    EXPECT_EQ(port_.Questions().front(), W("Eintrag DL1CCC löschen?"));
    if (serial_sent) {
      EXPECT_EQ(Serials(), (std::vector<std::int32_t>{1, 2, 4, 5})) << "contest g keeps the numbers it sent";
    } else {
      EXPECT_EQ(Serials(), (std::vector<std::int32_t>{1, 2, 3, 4}));
      EXPECT_EQ(s.EntryOfSerial(4), 4);
    }
    EXPECT_EQ(s.totals().Band('k').qsos, 4);
  }
}

TEST_F(CorrectionTest, BandChangeEntriesAreNeitherEditedNorDeleted) {
  EntrySession& s = Open(Context());
  Contact("DL1AAA", "001", "JO42AB", "I23");
  {
    store::FileBlock* fb = s.log_block();
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutU8(r, qso::kBand.offset, 'l');
    PutU8(r, qso::kQsyBand.offset, 'l');
    ASSERT_EQ(fm_->AddRecord(fb), 0);
    s.NewQso(0);
  }
  EXPECT_FALSE(s.BeginEdit(2));
  port_.Clear();
  EXPECT_FALSE(s.DeleteQso(2, kk_, kz_));
  EXPECT_TRUE(port_.events().empty());
  EXPECT_TRUE(s.BeginEdit(1));
  EXPECT_FALSE(s.BeginEdit(7));  // no such entry
}

TEST_F(CorrectionTest, ANameChangeRewritesWithoutRecountingABandChangeRecountsBothBands) {
  EntrySession& s = Open(Context());
  Contact("DL1AAA", "001", "JO42AB", "I23");
  Contact("DL1BBB", "002", "JO52AB", "DVI");
  auto f = s.BeginEdit(1);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->call, "DL1AAA");
  EXPECT_EQ(f->rcvd.item3, "JO42AB");
  EXPECT_EQ(f->band, "2 m");
  f->name = "Hans";
  port_.Clear();
  EXPECT_FALSE(s.FinishEdit(1, *f, kk_, kz_));
  EXPECT_TRUE(port_.events().empty());  // no "Neuberechnung"
  EXPECT_EQ(s.BeginEdit(1)->name, "Hans");
  // The band: both bands are counted anew.
  f = s.BeginEdit(2);
  f->band = "70 cm";
  EXPECT_TRUE(s.FinishEdit(2, *f, kk_, kz_));
  EXPECT_EQ(s.totals().Band('k').qsos, 1);
  EXPECT_EQ(s.totals().Band('l').qsos, 1);
  EXPECT_EQ(s.totals().Band('l').points, 12);
  EXPECT_EQ(qvkk::GetColumnTotals(kk_, 2).qsos, 1);  // the stored summary followed
  // A wrong locator is reported and the former one kept, with no distance.
  f = s.BeginEdit(1);
  f->rcvd.item3 = "JOX2AB";
  s.FinishEdit(1, *f, kk_, kz_);
  EXPECT_EQ(port_.Messages().back(), "Fehler bei Locator-Angabe");
  EXPECT_EQ(s.BeginEdit(1)->rcvd.item3, "JOX2AB");
}

TEST_F(CorrectionTest, TheEntryInProgressSurvivesACorrection) {
  EntrySession& s = Open(Context());
  Contact("DL1AAA", "001", "JO42AB", "I23");
  s.Type(F::eCall, "DL9XYZ");
  s.FormToRecord();
  auto f = s.BeginEdit(1);
  f->rcvd.item4 = "I24";
  EXPECT_TRUE(s.FinishEdit(1, *f, kk_, kz_));
  EXPECT_EQ(GetText(s.record(), qso::kCall), "DL9XYZ");
}

// A few hundred random additions, corrections and deletions: the totals
// always equal those of a log built from the contacts that remain.
TEST_F(CorrectionTest, RandomCorrectionsAndDeletionsKeepTheTotalsOfAFreshLog) {
  EntrySession& s = Open(Context());
  std::mt19937 rng(11);
  const char* doks[] = {"I23", "I24", "DVI", "A12", "I38", "Z02", "I23"};
  const char* bands[] = {"2 m", "70 cm", "23 cm"};
  int made = 0;
  for (int step = 0; step < 300; ++step) {
    const int what = static_cast<int>(rng() % 10);
    std::vector<std::int32_t> entries;
    for (int st = fm_->FirstKey(s.log_block(), 4); st == 0; st = fm_->NextKey(s.log_block(), 4))
      entries.push_back(GetI32(fm_->RecordBuffer(s.log_block()), qso::kEntryNo.offset));
    s.NewQso(0);
    if (what < 6 || entries.empty()) {
      clock_.Advance(std::chrono::seconds(30));
      s.ClockTick();
      const std::string call = "DL" + std::to_string(made++) + "ABC";
      const std::string loc = std::string("JO") + static_cast<char>('0' + rng() % 7) +
                              static_cast<char>('0' + rng() % 7) + "AA";
      if (rng() % 4 == 0) s.ChangeBand("klm"[rng() % 3]);
      Contact(call.c_str(), "001", loc.c_str(), doks[rng() % 7]);
    } else {
      const std::int32_t entry = entries[rng() % entries.size()];
      if (what < 8) {
        auto f = s.BeginEdit(entry);
        ASSERT_TRUE(f);
        switch (rng() % 4) {
          case 0: f->band = bands[rng() % 3]; break;
          case 1: f->rcvd.item4 = doks[rng() % 7]; break;
          case 2: f->rcvd.item3 = std::string("JN") + static_cast<char>('0' + rng() % 7) + "5AA"; break;
          default: f->mode = rng() % 2 ? "SSB" : "CW"; break;
        }
        s.FinishEdit(entry, *f, kk_, kz_);
      } else {
        port_.QueueAnswer(true);
        ASSERT_TRUE(s.DeleteQso(entry, kk_, kz_));
      }
    }
  }
  s.totals().StoreLogSummary(kk_, kz_, false, port_);
  // The same contacts, logged into a fresh log in one go.
  std::vector<std::vector<std::uint8_t>> kept;
  for (int st = fm_->FirstKey(s.log_block(), 4); st == 0; st = fm_->NextKey(s.log_block(), 4))
    kept.emplace_back(fm_->RecordBuffer(s.log_block()).begin(), fm_->RecordBuffer(s.log_block()).end());
  ASSERT_GT(kept.size(), 50u);
  ContestLog other(*files_, 9);
  ASSERT_TRUE(other.OpenContestLog());
  ContestTotals fresh(*fm_, other.log(), s.totals().context());
  for (auto r : kept) {
    PutI32(r, qso::kEntryNo.offset, 0);
    fresh.SetCurrent(static_cast<char>(GetU8(r, qso::kBand.offset)), GetText(r, qso::kMode));
    fresh.EvaluateMultipliers(r, true);
    Bytes buf = fm_->RecordBuffer(other.log());
    std::copy(r.begin(), r.end(), buf.begin());
    ASSERT_EQ(fm_->AddRecord(other.log()), 0);
    fresh.AddSavedContact(buf, QsoPoints(buf, s.totals().context()));
    fresh.KeepEntryMultipliers();
  }
  std::vector<std::uint8_t> kk2(kk_.size(), 0), kz2(kz_.size(), 0);
  fresh.StoreLogSummary(kk2, kz2, false, port_);
  for (int col = 1; col <= 3; ++col) {
    const auto a = qvkk::GetColumnTotals(kk_, col), b = qvkk::GetColumnTotals(kk2, col);
    EXPECT_EQ(a.qsos, b.qsos) << col;
    EXPECT_EQ(a.multipliers, b.multipliers) << col;
    EXPECT_EQ(a.points, b.points) << col;
    EXPECT_EQ(a.first_column, b.first_column) << col;
  }
  for (char b : {'k', 'l', 'm'}) EXPECT_EQ(fresh.Band(b), s.totals().Band(b)) << b;
  other.CloseContestLog();
  session_.reset();
  files_.reset();
  fm_.reset();
  const store::KeyBuilder builder = qso::LogSpec(3).builder;
  const store::CheckResult check = store::CheckFiles(fs_, "QVLK0003", &builder);
  EXPECT_TRUE(check.clean) << check.Describe();
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

// Codes 7, f and k recount after any correction: their member numbers count.
TEST_F(CorrectionTest, MemberNumberContestsRecountEvenForANameChange) {
  for (char code : {'7', 'g'}) {
    Reset();
    EntryContext c = Context(code);
    c.contest_code = code;
    EntrySession& s = Open(std::move(c));
    // A contact written straight into the log: the fields differ per code.
    store::FileBlock* fb = s.log_block();
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutText(r, qso::kCall, "DL1ABC");
    PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(s.band()));
    PutText(r, qso::kMode, s.mode());
    PutI32(r, qso::kSerialNo.offset, 1);
    StoreSentExchange(r, "599001");
    StoreRcvdExchange(r, "599");
    ASSERT_EQ(fm_->AddRecord(fb), 0);
    s.NewQso(0);
    auto f = s.BeginEdit(1);
    ASSERT_TRUE(f);
    f->name = "Hans";
    port_.Clear();
    s.FinishEdit(1, *f, kk_, kz_);
    bool recounted = false;
    for (const auto& e : port_.events())
      recounted = recounted || (e.kind == ScriptedUserPort::Kind::kProgressBegin && e.caption == "Neuberechnung");
    EXPECT_EQ(recounted, code == '7') << code;
  }
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

TEST_F(CorrectionTest, ACorrectionTheStoreRefusesIsSaidAndChangesNothing) {
  EntrySession& s = Open(Context());
  Contact("DL1AAA", "001", "JO42AB", "I23");
  Contact("DL1BBB", "002", "JO42AB", "I23");
  const BandTotals before = s.totals().Band('k');
  auto fields = s.BeginEdit(1);
  ASSERT_TRUE(fields.has_value());
  fields->call = "DL1XYZ";
  fields->band = "70 cm";
  // Another program holds the log while the correction is stored.
  fs_.LockConflicts("QVLK0003.DAT", -1);
  EXPECT_FALSE(s.FinishEdit(1, *fields, kk_, kz_));
  fs_.LockConflicts("QVLK0003.DAT", 0);
  EXPECT_EQ(port_.Messages().back(), W("Die Änderung konnte nicht gespeichert werden."));
  ASSERT_EQ(fm_->FindKey(s.log_block(), 4, store::LongToKey(1)), 0);
  EXPECT_EQ(GetText(fm_->RecordBuffer(s.log_block()), qso::kCall), "DL1AAA");
  EXPECT_EQ(s.totals().Band('k'), before);
}

}  // namespace
}  // namespace vek
