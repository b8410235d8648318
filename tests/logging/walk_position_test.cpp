// Look-ups made inside a walk of the log keep the walk's position: the
// recounts of contests K, R and N end and count every contact once, and a
// correction whose rescoring looks the log up lands on its own record.
#include <random>
#include <stdexcept>

#include "entry_session_fixture.h"
#include "logging/contest_log.h"
#include "logging/contest_totals.h"
#include "logging/scoring.h"
#include "store/keys.h"
#include "store/store_errors.h"

namespace vek {
namespace {

// A walk that never ends shows as endless progress: this operator gives up.
class BoundedPort : public ScriptedUserPort {
 public:
  void ProgressStep(int done) override {
    if (++steps_ > 1000) throw std::runtime_error("the recount does not end");
    ScriptedUserPort::ProgressStep(done);
  }

 private:
  int steps_ = 0;
};

class WalkPositionTest : public EntrySessionTest {
 protected:
  // Contacts written into the open session's log as earlier saves left them.
  void Add(const std::string& call, char band, const std::string& dok, const std::string& locator,
           std::int32_t qrb = 100, const std::string& mode = "CW", const std::string& country = "",
           const std::string& second = "") {
    store::FileBlock* fb = session_->log_block();
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutText(r, qso::kCall, call);
    PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(band));
    PutText(r, qso::kMode, mode);
    PutText(r, qso::kCountryPrefix, country);
    PutText(r, qso::kSecondCall, second);
    PutI32(r, qso::kDate.offset, *DayNumberFromDate(2008, 11, 15));
    PutI32(r, qso::kTime.offset, 12 * 3600 + ++added_ * 60);
    PutI32(r, qso::kSerialNo.offset, added_);
    PutI32(r, qso::kQrbKm.offset, qrb);
    PutText(r, qso::kLocator, locator);
    StoreRcvdDok(r, dok);
    StoreRcvdExchange(r, Text("599") + std::to_string(added_ % 1000) + (dok.empty() ? "" : "/" + dok));
    ASSERT_EQ(fm_->AddRecord(fb), 0);
  }
  // A recount of the session's log whose look-ups are counted: a walk that
  // never ends gives up after a bounded number of them.
  BandTotals BoundedRecount(char band, int limit = 1000) {
    ScoringContext ctx = session_->totals().context();
    int calls = 0;
    const auto bound = [&calls, limit] {
      if (++calls > limit) throw std::runtime_error("the recount does not end");
    };
    if (auto inner = ctx.first_with_own_dok)
      ctx.first_with_own_dok = [bound, inner](ConstBytes r) { return bound(), inner(r); };
    if (auto inner = ctx.first_in_field)
      ctx.first_in_field = [bound, inner](ConstBytes r) { return bound(), inner(r); };
    ContestTotals totals(*fm_, session_->log_block(), ctx);
    totals.SetCurrent(band, "CW");
    totals.RecalculateTotals(true);
    return totals.Band(band);
  }
  // A fresh log of `code` with its session open.
  EntrySession& FreshLog(char code) {
    Reset();
    added_ = 0;
    EntryContext c = Context(code, 1);
    c.log.own_dok = "I38";
    return Open(std::move(c));
  }
  // A random contact on one of the session's bands and modes, as earlier saves left it.
  void AddRandomContact(std::mt19937& rng, char band, const std::string& mode) {
    static const std::vector<std::string> calls = {"DL1AAA", "DL2BBB", "DK3CCC", "DF4DDD", "OE1EEE",
                                                   "PA3FFF", "DL0ABC", "DK0XYZ", "F5GGG",  "DL7HHH",
                                                   "DA0HSC", "DL0JRR", "G4III",  "W1AW"};
    static const std::vector<std::string> doks = {"I38", "I23", "B05", "K12", "Z21",
                                                  "DVI", "",    "A12", "RP",  "K05"};
    static const std::vector<std::string> locators = {"JO31AA", "JO31BB", "JO42CD", "JN88AA", "JO43KD", ""};
    static const std::vector<std::string> countries = {"DL", "OE", "PA", "F", "G", "K", ""};
    const auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
    const std::string call = pick(calls), dok = pick(doks), locator = pick(locators);
    const auto qrb = static_cast<std::int32_t>(rng() % 900);
    const std::string country = pick(countries), member = std::to_string(rng() % 50);
    Add(call, band, dok, locator, qrb, mode, country, member);
  }
  // Closes the session as the window does: recount and stored summary.
  void Recount() {
    PutU8(kk_, qvkk::kTotalsInExtraRecord.offset, session_->totals().context().code == 'g' ? 0 : 1);
    BoundedPort port;
    session_->SwapPort(&port);
    EXPECT_NO_THROW(session_->Close(kk_, kz_));
  }
  std::vector<std::uint8_t> kk_ = std::vector<std::uint8_t>(qvkk::kLength, 0);
  std::vector<std::uint8_t> kz_ = std::vector<std::uint8_t>(qvkz::kLength, 0);
  int added_ = 0;
};

TEST_F(WalkPositionTest, ContestsKAndRWithTwoOwnDokContactsRecountToTheEnd) {
  for (char code : {'K', 'R'}) {
    Reset();
    added_ = 0;
    EntryContext c = Context(code, 1);
    c.log.own_dok = "I38";
    c.log.TotalsInExtraRecord = true;
    EntrySession& s = Open(std::move(c));
    const char band = s.band();
    Add("DL1AAA", band, "I38", "JO31AA");
    Add("DL2BBB", band, "I38", "JO31AA");
    Add("DL3CCC", band, "B05", "JO31AA");
    BandTotals t;
    ASSERT_NO_THROW(t = BoundedRecount(band)) << code;
    // Only the first contact with the own DOK scores; every contact counts once.
    EXPECT_EQ(t.qsos, 3) << code;
    const std::int64_t points = t.points;
    Recount();
    const SlotTotals stored = ReadStoredTotals(kk_, kz_).sum;
    EXPECT_EQ(stored.qsos, 3) << code;
    EXPECT_EQ(stored.points, points) << code;
    EXPECT_EQ(points, code == 'K' ? 1 + 0 + 1 : 1 + 0 + 5) << code;
  }
}

TEST_F(WalkPositionTest, ContestNGivesTheBonusOnceForTwoContactsInOneField) {
  EntryContext c = Context('N', 1);
  c.log.TotalsInExtraRecord = true;
  Open(std::move(c));
  Add("DL1AAA", 'k', "", "JO31AA", 100);
  Add("DL2BBB", 'k', "", "JO31BB", 200);
  Add("DL3CCC", 'k', "", "JO42AA", 300);
  BandTotals t;
  ASSERT_NO_THROW(t = BoundedRecount('k'));
  EXPECT_EQ(t.qsos, 3);
  EXPECT_EQ(t.points, (100 + 500) + 200 + (300 + 500));
  Recount();
  EXPECT_EQ(ReadStoredTotals(kk_, kz_).sum.points, (100 + 500) + 200 + (300 + 500));
}

TEST_F(WalkPositionTest, ACorrectionInAKLogLandsOnItsOwnRecord) {
  EntryContext c = Context('K', 1);
  c.log.own_dok = "I38";
  EntrySession& s = Open(std::move(c));
  Add("DL1AAA", s.band(), "I38", "JO31AA");
  Add("DL2BBB", s.band(), "I38", "JO31AA");
  s.NewQso(0);
  auto fields = s.BeginEdit(2);
  ASSERT_TRUE(fields.has_value());
  fields->call = "DL2XYZ";
  ASSERT_TRUE(s.FinishEdit(2, *fields, kk_, kz_));
  store::FileBlock* fb = s.log_block();
  ASSERT_EQ(fm_->FindKey(fb, 4, store::LongToKey(2)), 0);
  EXPECT_EQ(GetText(fm_->RecordBuffer(fb), qso::kCall), "DL2XYZ");
  ASSERT_EQ(fm_->FindKey(fb, 4, store::LongToKey(1)), 0);
  EXPECT_EQ(GetText(fm_->RecordBuffer(fb), qso::kCall), "DL1AAA");
}

TEST_F(WalkPositionTest, EveryContestCodeRecountsARandomLogToTheSameTotals) {
  std::mt19937 rng(20081115);
  for (char code : AllContestCodes()) {
    EntrySession& s = FreshLog(code);
    const std::vector<char> bands = s.Bands();
    const std::vector<Text> modes = s.Modes();
    ASSERT_FALSE(bands.empty()) << code;
    for (int i = 0; i < 200; ++i)
      AddRandomContact(rng, bands[rng() % bands.size()],
                       modes.empty() ? Text("CW") : modes[rng() % modes.size()]);
    // Twice through the session's own totals, and once from scratch, with
    // a bounded number of look-ups each time.
    for (char band : bands) {
      BandTotals fresh;
      ASSERT_NO_THROW(fresh = BoundedRecount(band, 100000)) << code;
      s.totals().SetCurrent(band, s.mode());
      s.totals().RecalculateTotals(true);
      const BandTotals first = s.totals().Band(band);
      s.totals().RecalculateTotals(true);
      EXPECT_EQ(s.totals().Band(band), first) << code << " " << band;
      EXPECT_EQ(fresh.qsos, first.qsos) << code << " " << band;
      EXPECT_EQ(fresh.points, first.points) << code << " " << band;
      EXPECT_EQ(fresh.multipliers, first.multipliers) << code << " " << band;
    }
    std::int64_t contacts = 0;
    for (char band : bands) contacts += s.totals().Band(band).qsos;
    EXPECT_EQ(contacts, 200) << code;
  }
}

TEST_F(WalkPositionTest, EveryContestCodeCountsTheSameMultipliersLiveAndInTheRecount) {
  std::mt19937 rng(1511);
  for (char code : AllContestCodes()) {
    EntrySession& s = FreshLog(code);
    const std::vector<char> bands = s.Bands();
    const std::vector<Text> modes = s.Modes();
    ContestTotals& live = s.totals();
    store::FileBlock* fb = s.log_block();
    for (int i = 0; i < 120; ++i) {
      const char band = bands[rng() % bands.size()];
      const Text mode = modes.empty() ? Text("CW") : modes[rng() % modes.size()];
      live.SetCurrent(band, mode);
      AddRandomContact(rng, band, mode);
      // As a typed contact: its values judged against the log before it, then kept.
      ASSERT_EQ(fm_->LastKey(fb, 4), 0);
      std::vector<std::uint8_t> r(fm_->RecordBuffer(fb).begin(), fm_->RecordBuffer(fb).end());
      fm_->DeleteRecord(fb);
      live.EvaluateMultipliers(r, true);
      std::copy(r.begin(), r.end(), fm_->RecordBuffer(fb).begin());
      ASSERT_EQ(fm_->AddRecord(fb), 0);
      live.AddSavedContact(fm_->RecordBuffer(fb), QsoPoints(fm_->RecordBuffer(fb), live.context()));
      live.KeepEntryMultipliers();
    }
    ContestTotals recount(*fm_, fb, live.context());
    recount.SetCurrent(bands[0], modes.empty() ? Text("CW") : modes[0]);
    recount.RecalculateTotals(true);
    EXPECT_EQ(recount.TotalMultipliers(), live.TotalMultipliers()) << "contest " << code;
    for (char band : bands)
      EXPECT_EQ(recount.Band(band).multipliers, live.Band(band).multipliers) << code << band;
  }
}

TEST(ContestLPointsTest, ShortCallsTheFiveStationsClubCallsAndTheRest) {
  DefinitionInputs in;
  in.ContestCode = 'L';
  in.ClassNumber = 1;
  const ContestDefinition d = BuildContestDefinition(in);
  ScoringContext c;
  c.code = 'L';
  c.definition = &d;
  std::vector<std::uint8_t> r(qso::kLength, 0);
  const auto points = [&](const char* call) {
    PutText(r, qso::kCall, call);
    return QsoPoints(r, c);
  };
  EXPECT_EQ(points("DL"), 0);
  for (const char* call : {"DL0JRR", "DL0DRG", "DK0RYL", "DF0KOL", "DL0YLL"})
    EXPECT_EQ(points(call), 10) << call;
  EXPECT_EQ(points("DF0ABC"), 5);
  EXPECT_EQ(points("DL1ABC"), 1);
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

class MemberListTest : public EntrySessionTest {
 protected:
  // A contest-k log whose first contact brings a member the list lacks.
  EntrySession& LogANewMember() {
    EXPECT_EQ(fs_.Append("qcwa.csv", "DK2XX;777\r\n"), 0);
    EntryContext k = Context('k');
    k.contest_code = 'k';
    EntrySession& s = Open(std::move(k));
    s.Type(F::eCall, "DL7NEW");
    s.LeaveField(F::eCall);
    s.Type(F::eRSTr2, "4321");
    EXPECT_TRUE(s.CanSave());
    s.SaveQso();
    EXPECT_EQ(s.saves(), 1);
    return s;
  }
};

TEST_F(MemberListTest, TheMemberListIsReplacedInOneStepAndAFailureKeepsTheOldList) {
  EntrySession& s = LogANewMember();
  // The list cannot be replaced (a full disk, a crash before the rename):
  // the old one stays whole and the operator is told.
  fs_.FailRename("qcwa.csv", store::kOsFailure);
  std::vector<std::uint8_t> kk(qvkk::kLength, 0), kz(qvkz::kLength, 0);
  s.Close(kk, kz);
  EXPECT_EQ(fs_.Text("qcwa.csv"), "DK2XX;777\r\n");
  EXPECT_FALSE(fs_.Exists("qcwa.csv.NEU"));
  EXPECT_EQ(port_.Messages().back(), "Die Datei qcwa.csv konnte nicht geschrieben werden.");
}

TEST_F(MemberListTest, ANewMemberIsWrittenBackThroughTheWorkFile) {
  EntrySession& s = LogANewMember();
  std::vector<std::uint8_t> kk(qvkk::kLength, 0), kz(qvkz::kLength, 0);
  s.Close(kk, kz);
  EXPECT_EQ(fs_.Text("qcwa.csv"), "DK2XX;777\r\nDL7NEW;4321\r\n");
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

TEST_F(WalkPositionTest, ContactsWithoutDokAreNoOwnDokContactsOutsideContestG) {
  EntryContext c = Context('K', 1);
  c.log.own_dok = "";
  c.log.TotalsInExtraRecord = true;
  EntrySession& s = Open(std::move(c));
  Add("DL1AAA", s.band(), "", "JO31AA");
  Add("DL2BBB", s.band(), "", "JO31AA");
  BandTotals t;
  ASSERT_NO_THROW(t = BoundedRecount(s.band()));
  EXPECT_EQ(t.points, 2);  // each scores: neither is a contact with the own DOK
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

class CallBookTest : public EntrySessionTest {};

TEST_F(CallBookTest, ACallBookTheStoreRefusesIsSaidAndTheContactStaysSaved) {
  EntrySession& s = Open(Context());
  fs_.LockConflicts("QVCBUCH.DAT", -1);
  Contact("DL1AAA", "001", "JO42AB", "I23");
  fs_.LockConflicts("QVCBUCH.DAT", 0);
  EXPECT_EQ(s.saves(), 1);
  EXPECT_EQ(port_.Messages().back(),
            W("Das Call-Buch konnte nicht ergänzt werden; der Kontakt ist gespeichert."));
}

}  // namespace
}  // namespace vek
