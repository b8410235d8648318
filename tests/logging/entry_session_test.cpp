// Whole contacts typed into the entry session as an operator types them:
// field by field, Enter after each, with the clock standing where the test
// puts it.
#include "logging/entry_session.h"
#include "entry_session_fixture.h"

#include <gtest/gtest.h>

#include "base/cp1252.h"
#include "base/scripted_user_port.h"
#include "catalogue/catalogue_records.h"
#include "logging/qso_record.h"
#include "refdata/call_book.h"
#include "refdata/cty_import.h"
#include "store/memory_file_system.h"

namespace vek {
namespace {


TEST_F(EntrySessionTest, ContestGShowsItsFieldsAndSavesWithEnterInTheDokField) {
  EntrySession& s = Open(Context());
  for (F id : {F::eCall, F::eRSTr2, F::eRSTr3, F::eRSTr4}) EXPECT_TRUE(s.field(id).visible) << EntryFieldName(id);
  for (F id : {F::eCall2, F::eRSTs1, F::eRSTs2, F::eRSTr1, F::eDatum, F::ezeit, F::eFreq, F::eName, F::eQTH})
    EXPECT_FALSE(s.field(id).visible) << EntryFieldName(id);
  EXPECT_EQ(s.field(F::eRSTr2).caption, "&1 : lfd.Nr.");
  EXPECT_EQ(s.field(F::eRSTr3).caption, "&2 : LOC");
  EXPECT_EQ(s.field(F::eRSTr4).caption, "&3 : DOK");
  // CW unless the log starts with another mode.
  EXPECT_EQ(s.mode(), "CW");
  EXPECT_EQ(s.SentLabel(), "599001/JO43/I38");
  // Enter in the call field checks and moves on without saving.
  Fields({{F::eCall, "DL1ABC"}});
  EXPECT_EQ(s.saves(), 0);
  Fields({{F::eRSTr2, "001"}, {F::eRSTr3, "JO42AB"}});
  EXPECT_EQ(s.saves(), 0);
  Fields({{F::eRSTr4, "I23"}});
  ASSERT_EQ(s.saves(), 1);
  EXPECT_EQ(s.focus(), F::eCall);
  EXPECT_EQ(Saved(qso::kCall), "DL1ABC");
  EXPECT_EQ(LoadRcvdExchange(s.last_saved()), "599001/JO42AB/I23");
  EXPECT_EQ(LoadSentExchange(s.last_saved()), "599001/JO43/I38");
  EXPECT_EQ(Saved(qso::kLocator), "JO42AB");
  EXPECT_EQ(LoadRcvdDok(s.last_saved()), "I23");
  EXPECT_EQ(GetI32(s.last_saved(), qso::kSerialNo.offset), 1);
  EXPECT_EQ(GetI32(s.last_saved(), qso::kDate.offset), *DayNumberFromDate(2008, 11, 15));
  EXPECT_EQ(GetI32(s.last_saved(), qso::kTime.offset), 14 * 3600 + 12 * 60);
  EXPECT_EQ(GetU16(s.last_saved(), qso::kPoints.offset), 2);  // JO43 against JO42
  EXPECT_GT(GetI32(s.last_saved(), qso::kQrbKm.offset), 0);
  EXPECT_EQ(Saved(qso::kMultiMark1), "JO42");
  EXPECT_EQ(Saved(qso::kMultiMark2), "I23");
  EXPECT_EQ(s.totals().Band('k').qsos, 1);
  EXPECT_EQ(s.totals().Band('k').points, 2);
  EXPECT_EQ(s.totals().Band('k').multipliers, 2);
  // The next contact gets the next number.
  EXPECT_EQ(s.SentLabel(), "599002/JO43/I38");
  EXPECT_TRUE(port_.Messages().empty());
}

TEST_F(EntrySessionTest, CallFormsAreMendedAsTyped) {
  EntrySession& s = Open(Context());
  s.TypeChar('D');
  s.Type(F::eCall, "DL1ABC");
  s.TypeChar('#');  // portable, and acts as Enter
  EXPECT_EQ(GetText(s.record(), qso::kCall), "DL1ABC/P");
  EXPECT_EQ(s.focus(), F::eRSTr2);
  s.Focus(F::eCall);
  s.Type(F::eCall, "DL1ABC/P");
  s.TypeChar('#');  // already portable: nothing more
  EXPECT_EQ(GetText(s.record(), qso::kCall), "DL1ABC/P");
  s.Escape();
  s.Type(F::eCall, "DL-1ABC");
  s.FormToRecord();
  EXPECT_EQ(GetText(s.record(), qso::kCall), "DL/1ABC");
  s.Type(F::eCall, "DL 1ABC");
  s.FormToRecord();
  EXPECT_EQ(GetText(s.record(), qso::kCall), "DL/1ABC");
  s.Type(F::eCall, "DL1ABCDEFGHIJKL");  // the field takes 14, the record 12
  s.FormToRecord();
  EXPECT_EQ(GetText(s.record(), qso::kCall), "DL1ABCDEFGHI");
}

TEST_F(EntrySessionTest, ImplausibleCallsAndMissingTimesAreRefusedSilently) {
  EntryContext c = Context();
  c.log.auto_time = false;
  EntrySession& s = Open(std::move(c));
  EXPECT_TRUE(s.field(F::ezeit).visible);
  for (const char* call : {"K1", "DL1", "12ABC", "ABC1"}) {
    s.Escape();
    s.ClockTick();
    s.Type(F::eCall, call);
    s.Type(F::ezeit, "14:12");
    EXPECT_FALSE(s.CanSave()) << call;
  }
  s.Escape();
  s.ClockTick();
  s.Type(F::eCall, "DL1ABC");
  s.Type(F::ezeit, "14:12");
  EXPECT_TRUE(s.CanSave());
  EXPECT_EQ(GetI32(s.record(), qso::kTime.offset), 14 * 3600 + 12 * 60);  // 14:12 is 14:12:00
  s.Type(F::ezeit, "00:00:00");
  EXPECT_FALSE(s.CanSave());
  s.Type(F::ezeit, "");
  EXPECT_FALSE(s.CanSave());
  EXPECT_TRUE(port_.Messages().empty());
  EXPECT_EQ(port_.BeepCount(), 0);
}

TEST_F(EntrySessionTest, WithTheTimeFieldShownTheSaveMovesToEnterInTheTimeField) {
  EntryContext c = Context();
  c.log.auto_time = false;
  EntrySession& s = Open(std::move(c));
  Fields({{F::eCall, "DL1ABC"}, {F::eRSTr2, "001"}, {F::eRSTr3, "JO42AB"}, {F::eRSTr4, "I23"}});
  EXPECT_EQ(s.saves(), 0);
  EXPECT_EQ(s.focus(), F::ezeit);
  Fields({{F::ezeit, "1412"}});  // not a time form: refused
  EXPECT_EQ(s.saves(), 0);
  s.Focus(F::ezeit);
  Fields({{F::ezeit, "14:13"}});
  EXPECT_EQ(s.saves(), 1);
  EXPECT_EQ(GetI32(s.last_saved(), qso::kTime.offset), 14 * 3600 + 13 * 60);
}

TEST_F(EntrySessionTest, TabOrMouseNeverSaves) {
  EntrySession& s = Open(Context());
  Fields({{F::eCall, "DL1ABC"}, {F::eRSTr2, "001"}, {F::eRSTr3, "JO42AB"}});
  s.Type(F::eRSTr4, "I23");
  s.Focus(F::eCall);
  EXPECT_EQ(s.saves(), 0);
  EXPECT_EQ(s.focus(), F::eCall);
}

TEST_F(EntrySessionTest, ReportsFollowTheMode) {
  EntryContext c = Context();
  c.log.rst_rcvd_fixed = false;
  EntrySession& s = Open(std::move(c));
  ASSERT_TRUE(s.field(F::eRSTr1).visible);
  s.ChangeMode("CW");
  s.Type(F::eCall, "DL1ABC");
  s.Type(F::eRSTr1, "57");
  s.FormToRecord();
  EXPECT_EQ(LoadRcvdExchange(s.record()).substr(0, 3), "579");
  s.ChangeMode("SSB");
  s.Type(F::eRSTr1, "599");
  s.FormToRecord();
  EXPECT_EQ(LoadRcvdExchange(s.record()).substr(0, 3), "59 ");
}

TEST_F(EntrySessionTest, SerialNumbersBeyond999AreSentAsAsterisks) {
  {
    // A log that already holds contact 999.
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    fm_->ClearRecord(log.log());
    Bytes r = fm_->RecordBuffer(log.log());
    PutText(r, qso::kCall, "DL9ZZZ");
    PutU8(r, qso::kBand.offset, 'k');
    PutText(r, qso::kMode, "SSB");
    PutI32(r, qso::kSerialNo.offset, 999);
    PutText(r, qso::kMultiMark1, "JO00");
    PutText(r, qso::kMultiMark2, "I00");
    ASSERT_EQ(fm_->AddRecord(log.log()), 0);
    log.CloseContestLog();
  }
  EntrySession& s = Open(Context());
  EXPECT_EQ(s.next_serial(), 1000);
  EXPECT_EQ(s.SentLabel(), "599***/JO43/I38");
}

TEST_F(EntrySessionTest, DuplicatesUnderRuleOneAreRefusedWhenTheCallIsLeft) {
  EntrySession& s = Open(Context());
  s.ChangeMode("SSB");
  Contact("DL1ABC", "001", "JO42AB", "I23");
  ASSERT_EQ(s.saves(), 1);
  Fields({{F::eCall, "DL1ABC/P"}});
  EXPECT_EQ(port_.Messages().back(), "Call DL1ABC bereits auf Band/Mode vorhanden");
  EXPECT_EQ(port_.BeepCount(), 1);
  EXPECT_EQ(s.field(F::eCall).text, "");  // the entry is cleared
  EXPECT_EQ(s.focus(), F::eCall);
  EXPECT_EQ(s.next_serial(), 2);
  // Another mode is another contact.
  s.ChangeMode("CW");
  Contact("DL1ABC", "002", "JO42AB", "I23");
  EXPECT_EQ(s.saves(), 2);
  // And the save check refuses it without the call.
  s.Type(F::eCall, "DL1ABC");
  EXPECT_FALSE(s.CanSave());
  EXPECT_EQ(port_.Messages().back(), "Call bereits auf Band/Mode vorhanden");
}

TEST_F(EntrySessionTest, TheOtherDuplicateRules) {
  struct Case {
    int rule;
    char code;
    const char* first;
    const char* first_mode;
    const char* second;
    const char* second_mode;
    bool dupe;
  };
  const Case cases[] = {
      {2, 'g', "DL1ABC", "SSB", "DL1ABC/P", "CW", true},
      {2, '9', "OE1ABC", "SSB", "DL/OE1ABC", "SSB", false},
      {2, '9', "DL1ABC", "SSB", "DL1ABC/3", "SSB", false},
      {2, '9', "DL1ABC", "SSB", "DL1ABC/P", "SSB", true},
      {3, 'g', "DL1ABC", "SSB", "DL1ABC", "FM", true},
      {3, 'g', "DL1ABC", "SSB", "DL1ABC", "CW", false},
      {5, 'g', "DL1ABC", "SSB", "DL1ABC", "CW", true},
  };
  for (const Case& c : cases) {
    Reset();
    EntryContext ctx = Context();
    ctx.contest_code = c.code;
    ctx.definition.DupeRule = static_cast<std::uint8_t>(c.rule);
    ctx.definition.Modes[2] = "FM";
    EntrySession& s = Open(std::move(ctx));
    s.ChangeMode(c.first_mode);
    Contact(c.first, "001", "JO42AB", "I23");
    ASSERT_EQ(s.saves(), 1);
    s.ChangeMode(c.second_mode);
    port_.Clear();
    Fields({{F::eCall, c.second}});
    EXPECT_EQ(!port_.Messages().empty(), c.dupe) << c.rule << " " << c.first << " " << c.second;
  }
}

TEST_F(EntrySessionTest, RuleFiveIsNotPartOfTheSaveCheck) {
  EntryContext ctx = Context();
  ctx.definition.DupeRule = 5;
  EntrySession& s = Open(std::move(ctx));
  Contact("DL1ABC", "001", "JO42AB", "I23");
  s.Type(F::eCall, "DL1ABC");
  EXPECT_TRUE(s.CanSave());
}

TEST_F(EntrySessionTest, TheAutomaticBandNeverChangesWhileACallIsTyped) {
  EntryContext c = Context();
  c.log.auto_band = true;
  EntrySession& s = Open(std::move(c));
  EXPECT_EQ(s.band(), 'k');  // 15.11. 14:12 lies in the 2 m period
  clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 16), 9 * 3600});
  s.Type(F::eCall, "DL1AB");
  s.ClockTick();
  EXPECT_EQ(s.band(), 'k');
  s.Type(F::eCall, "");
  s.ClockTick();
  EXPECT_EQ(s.band(), 'l');
  EXPECT_EQ(s.totals().current_band(), 'l');
}

TEST_F(EntrySessionTest, BandKeySwitchesAtOnceWithTwoBands) {
  EntrySession& s = Open(Context('A'));
  EXPECT_EQ(s.band(), 'b');
  EXPECT_TRUE(s.BandKey());
  EXPECT_EQ(s.band(), 'c');
  EXPECT_TRUE(s.BandKey());
  EXPECT_EQ(s.band(), 'b');
  EntrySession& g = Open(Context('g'));
  EXPECT_FALSE(g.BandKey());  // three bands: the window opens its list
}

TEST_F(EntrySessionTest, MultipliersCountPerBand) {
  EntrySession& s = Open(Context());
  Contact("DL1AAA", "001", "JO42AB", "I23");
  s.ChangeBand('l');
  Contact("DL1BBB", "001", "JO42CD", "I23");
  EXPECT_EQ(Saved(qso::kMultiMark1), "JO42");
  EXPECT_EQ(Saved(qso::kMultiMark2), "I23");
  EXPECT_EQ(GetI32(s.last_saved(), qso::kBandNoA.offset), 1);
  s.ChangeMode("CW");
  Contact("DL1CCC", "002", "JO42EF", "I23");
  EXPECT_EQ(Saved(qso::kMultiMark1), "");
  EXPECT_EQ(Saved(qso::kMultiMark2), "");
  EXPECT_EQ(s.totals().Band('k').multipliers, 2);
  EXPECT_EQ(s.totals().Band('l').multipliers, 2);
}

TEST_F(EntrySessionTest, AWrongLocatorOrDokIsReportedWhileItsFieldHasTheFocus) {
  EntrySession& s = Open(Context());
  Fields({{F::eCall, "DL1ABC"}, {F::eRSTr2, "001"}});
  s.Type(F::eRSTr3, "JO4");
  EXPECT_TRUE(port_.Messages().empty());
  s.Type(F::eRSTr3, "JOX");
  EXPECT_EQ(port_.Messages().back(), "Fehler bei Locator-Angabe");
  s.Type(F::eRSTr3, "JO42AB");
  s.Enter();
  s.Type(F::eRSTr4, "J1X");
  EXPECT_EQ(port_.Messages().back(), "Fehler bei DOK-Angabe");
  EXPECT_EQ(LoadRcvdDok(s.record()), "");
}

TEST_F(EntrySessionTest, ALockedLogIsWrittenWithTheTimeMovedOn) {
  EntrySession& s = Open(Context());
  Fields({{F::eCall, "DL1ABC"}, {F::eRSTr2, "001"}, {F::eRSTr3, "JO42AB"}});
  // Two whole add attempts run into another program's lock.
  fs_.LockConflicts("QVLK0003.DAT", 8);
  Fields({{F::eRSTr4, "I23"}});
  ASSERT_EQ(s.saves(), 1);
  const std::int32_t t = GetI32(s.last_saved(), qso::kTime.offset);
  EXPECT_GT(t, 14 * 3600 + 12 * 60);
  EXPECT_LE(t, 14 * 3600 + 12 * 60 + 10);
}

TEST_F(EntrySessionTest, ClosingStoresTheTotalsOfTheLog) {
  EntrySession& s = Open(Context());
  Contact("DL1AAA", "001", "JO42AB", "I23");
  Contact("DL1BBB", "002", "JO52AB", "DVI");
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  s.Close(kk, kz);
  const auto t = qvkk::GetColumnTotals(kk, 1);
  EXPECT_EQ(t.qsos, 2);
  EXPECT_EQ(t.multipliers, 4);
  EXPECT_EQ(t.points, 2 + 12);  // JO42 and JO52 against JO43, DVI with 10 more
}

// A band-change entry that another program left with a locator, a DOK and
// a country is cleared when the window opens the log; its totals never
// counted it.
TEST_F(EntrySessionTest, OpeningTheWindowClearsTheValuesOfBandChangeEntries) {
  EntrySession& first = Open(Context());
  Contact("DL1AAA", "001", "JO42AB", "I23");
  {
    store::FileBlock* fb = first.log_block();
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutU8(r, qso::kBand.offset, 'l');
    PutU8(r, qso::kQsyBand.offset, 'l');
    PutText(r, qso::kLocator, "JO62MM");
    StoreRcvdDok(r, "I24");
    PutText(r, qso::kCountryPrefix, "OZ");
    ASSERT_EQ(fm_->AddRecord(fb), 0);
  }
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  first.Close(kk, kz);
  const auto band_change = [&](EntrySession& s) {
    EXPECT_EQ(fm_->FindKey(s.log_block(), 4, store::LongToKey(2)), 0);
    return std::vector<std::uint8_t>(fm_->RecordBuffer(s.log_block()).begin(), fm_->RecordBuffer(s.log_block()).end());
  };
  session_ = std::make_unique<EntrySession>(Context());
  ASSERT_TRUE(session_->Open(EntrySession::OpenFor::kOneContact));
  EXPECT_EQ(GetText(band_change(*session_), qso::kLocator), "JO62MM");  // left for the window
  session_->Close(kk, kz);
  EntrySession& window = Open(Context());
  const auto r = band_change(window);
  EXPECT_EQ(GetText(r, qso::kLocator), "");
  EXPECT_EQ(LoadRcvdDok(r), "");
  EXPECT_EQ(GetText(r, qso::kCountryPrefix), "");
  EXPECT_EQ(GetU8(r, qso::kQsyBand.offset), 'l');
  EXPECT_EQ(window.totals().TotalQsos(), 1);
}

// The companion's session logs one contact without the window's running
// totals: its marks, the stored summary and the next serial must be what a
// window's session gives for the same contact.
TEST_F(EntrySessionTest, ASessionForOneContactStoresWhatTheWindowsSessionStores) {
  std::vector<std::uint8_t> window_kk(qvkk::Spec().record_length, 0), one_kk = window_kk, kz(qvkz::kLength, 0);
  std::vector<std::uint8_t> window_saved, one_saved;
  for (const auto purpose : {EntrySession::OpenFor::kWindow, EntrySession::OpenFor::kOneContact}) {
    Reset();
    EntrySession& first = Open(Context());
    Contact("DL1AAA", "001", "JO42AB", "I23");
    Contact("DL1BBB", "002", "JO52AB", "DVI");
    Contact("PA1CCC", "003", "JO22AB", "");
    std::vector<std::uint8_t> scratch(qvkk::Spec().record_length, 0);
    first.Close(scratch, kz);
    session_.reset();
    session_ = std::make_unique<EntrySession>(Context());
    ASSERT_TRUE(session_->Open(purpose));
    session_->ClockTick();
    Contact("DL1DDD", "004", "JO42XX", "I23");  // field and DOK worked before: no marks
    Contact("DL1EEE", "005", "JO62AB", "I24");  // both new
    auto& kk = purpose == EntrySession::OpenFor::kWindow ? window_kk : one_kk;
    auto& saved = purpose == EntrySession::OpenFor::kWindow ? window_saved : one_saved;
    saved.assign(session_->last_saved().begin(), session_->last_saved().end());
    session_->Close(kk, kz);
  }
  EXPECT_EQ(GetText(one_saved, qso::kMultiMark1), "JO62");
  EXPECT_EQ(GetText(one_saved, qso::kMultiMark2), "I24");
  EXPECT_EQ(GetI32(one_saved, qso::kSerialNo.offset), 5);
  EXPECT_EQ(one_saved, window_saved);
  EXPECT_EQ(qvkk::GetColumnTotals(one_kk, 1).qsos, 5);
  EXPECT_EQ(one_kk, window_kk);
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {


class EntryVariantsTest : public EntrySessionTest {};

TEST_F(EntryVariantsTest, NewContactsOfTheCodeVariants) {
  // Code 9: the received text starts as report + "000".
  {
    EntrySession& s = Open(Context('9'));
    EXPECT_EQ(LoadRcvdExchange(s.record()).substr(3), "000");
  }
  Reset();
  // Code a: frequency, name and QTH are shown from the start, and the name
  // goes into received item 2.
  {
    EntrySession& s = Open(Context('a'));
    EXPECT_TRUE(s.field(F::eName).visible);
    EXPECT_TRUE(s.field(F::eQTH).visible);
    s.Type(F::eName, "Anna");
    EXPECT_EQ(s.field(F::eRSTr2).text, "Anna");
  }
  Reset();
  // Code j: no default report at all.
  {
    EntrySession& s = Open(Context('j'));
    EXPECT_TRUE(TrimBlanks(LoadRcvdExchange(s.record())).empty());
  }
}

TEST_F(EntryVariantsTest, BlanksInReceivedFieldsAreSwallowedExceptForCodeI) {
  EntrySession& s = Open(Context());
  Fields({{F::eCall, "DL1ABC"}});
  s.TypeChar('0');
  s.TypeChar(' ');
  s.TypeChar('1');
  EXPECT_EQ(s.field(F::eRSTr2).text, "01");
}

TEST_F(EntryVariantsTest, TheSlashedZeroIsTypedWhereTheOperatorWantsIt) {
  EntryContext c = Context();
  c.slashed_zero = true;
  EntrySession& s = Open(std::move(c));
  for (char ch : std::string("DL0ABC")) s.TypeChar(ch);
  EXPECT_EQ(s.field(F::eCall).text, "DL\xD8" "ABC");
}

TEST_F(EntryVariantsTest, ThePartnerIsKeptInTheCallBookAndOfferedNextTime) {
  EntryContext c = Context();
  c.log.auto_time = true;
  EntrySession& s = Open(std::move(c));
  s.ToggleNameQth();
  Fields({{F::eCall, "DL1ABC"}, {F::eRSTr2, "001"}, {F::eRSTr3, "JO42AB"}, {F::eRSTr4, "I23"}});
  // With name and QTH shown the save moves to the QTH field.
  EXPECT_EQ(s.saves(), 0);
  Fields({{F::eFreq, "144,3"}, {F::eName, "Hans"}, {F::eQTH, "Emden"}});
  ASSERT_EQ(s.saves(), 1);
  store::FileBlock* book = files_->OpenSuiteFile(SuiteFile::kCallBook);
  ASSERT_NE(book, nullptr);
  ASSERT_EQ(fm_->FindKey(book, 1, PadRight("DL1ABC", 10)), 0);
  EXPECT_EQ(GetText(fm_->RecordBuffer(book), call_book::kDok), "I23");
  EXPECT_EQ(GetText(fm_->RecordBuffer(book), call_book::kName), "Hans");
  EXPECT_EQ(GetText(fm_->RecordBuffer(book), call_book::kQth), "Emden");
  files_->CloseSuiteFile(SuiteFile::kCallBook);
  // On another band the same partner is greeted by name.
  s.ChangeBand('l');
  Fields({{F::eCall, "DL1ABC/P"}});
  EXPECT_EQ(s.PartnerName(), "Hans");
  EXPECT_NE(GetText(s.record(), qso::kNameQth).find("Hans"), Text::npos);  // from the earlier contact
}

TEST_F(EntryVariantsTest, AModeChangeGivesTheFixedReportsTheNewModesForm) {
  EntrySession& s = Open(Context());
  EXPECT_EQ(LoadSentExchange(s.record()).substr(0, 3), "599");
  s.ChangeMode("SSB");
  EXPECT_EQ(LoadSentExchange(s.record()).substr(0, 3), "59 ");
  EXPECT_EQ(LoadRcvdExchange(s.record()).substr(0, 3), "59 ");
  EXPECT_EQ(s.mode(), "SSB");
  EXPECT_TRUE(s.ModeKey());  // two modes: the other one at once
  EXPECT_EQ(s.mode(), "CW");
}

TEST_F(EntryVariantsTest, TheRequiredRegionRefusesOtherDoks) {
  EntryContext c = Context();
  c.definition.RequiredRegion.Districts[0] = 'I';
  c.definition.RcvdKind3 = 4;
  EntrySession& s = Open(std::move(c));
  Fields({{F::eCall, "DL1ABC"}, {F::eRSTr2, "001"}, {F::eRSTr3, "JO42AB"}, {F::eRSTr4, "A12"}});
  EXPECT_EQ(s.saves(), 0);
  EXPECT_EQ(port_.Messages().back(), W("Station muß aus Distrikt I sein. Bitte Kontestregeln beachten."));
  s.Focus(F::eRSTr4);
  Fields({{F::eRSTr4, "I12"}});
  EXPECT_EQ(s.saves(), 1);
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

TEST_F(EntrySessionTest, RuleFourHalvesTheDayForCode6AndTakesTheDateForCodeH) {
  struct Case {
    char code;
    int first_second, second_second;
    int second_day_offset;
    bool dupe;
  };
  const Case cases[] = {
      {'6', 14 * 3600 + 59 * 60 + 59, 15 * 3600, 0, false},
      {'6', 15 * 3600, 18 * 3600, 0, true},
      {'h', 10 * 3600, 20 * 3600, 0, true},
      {'h', 10 * 3600, 10 * 3600, 1, false},
  };
  for (const Case& c : cases) {
    Reset();
    EntryContext ctx = Context();
    ctx.contest_code = c.code;
    ctx.definition.DupeRule = 4;
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), c.first_second});
    EntrySession& s = Open(std::move(ctx));
    Contact("DL1ABC", "001", "JO42AB", "I23");
    ASSERT_EQ(s.saves(), 1);
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15) + c.second_day_offset, c.second_second});
    s.ClockTick();
    port_.Clear();
    Fields({{F::eCall, "DL1ABC"}});
    EXPECT_EQ(!port_.Messages().empty(), c.dupe) << c.code << " " << c.second_second;
    if (c.dupe) {
      EXPECT_EQ(port_.Messages().back(), c.code == '6' ? "Call DL1ABC bereits in Band und Periode vorhanden"
                                                         : "Call DL1ABC bereits in Band und Tag vorhanden");
    }
  }
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

// What the suite's call book knows is offered as the received exchange.
TEST_F(EntrySessionTest, MemberNumbersArePrefilledFromTheCallBookAndTheMemberList) {
  {
    store::FileBlock* book = files_->OpenSuiteFile(SuiteFile::kCallBook);
    ASSERT_NE(book, nullptr);
    fm_->ClearRecord(book);
    PutText(fm_->RecordBuffer(book), call_book::kCall, "DL1ABC");
    PutText(fm_->RecordBuffer(book), call_book::kNavalNumber, "123");
    PutText(fm_->RecordBuffer(book), call_book::kName, "Hans");
    ASSERT_EQ(fm_->AddRecord(book), 0);
    files_->CloseSuiteFile(SuiteFile::kCallBook);
  }
  EntryContext c = Context('i');
  c.contest_code = 'i';
  EntrySession& s = Open(std::move(c));
  ASSERT_EQ(s.definition().RcvdKind1, 19);
  Fields({{F::eCall, "DL1ABC"}});
  EXPECT_EQ(s.field(F::eRSTr2).text, "MF123");  // a Naval number that starts with a digit
  EXPECT_EQ(GetText(s.record(), qso::kSecondCall), "MF123");
  EXPECT_EQ(s.PartnerName(), "Hans");
  // Contest k: the member list beside the program.
  Reset();
  ASSERT_EQ(fs_.Append("qcwa.csv", "DK2XX;777\r\nDL1ABC;1234\r\n"), 0);
  EntryContext k = Context('k');
  k.contest_code = 'k';
  EntrySession& q = Open(std::move(k));
  Fields({{F::eCall, "DL1ABC"}});
  EXPECT_EQ(q.field(F::eRSTr2).text, "1234");
}

// What the disk waits for: a save makes the contact durable with the three
// syncs of one change (the call book follows without a sync of its own and
// is made durable when the session ends); the call field's checks only read
// and wait for nothing.
TEST_F(EntrySessionTest, ASaveWaitsForThreeSyncsAndTheCallChecksForNone) {
  EntrySession& s = Open(Context());
  Contact("DL1ABC", "001", "JO42AB", "I23");  // the call book and the suite files are open now
  const auto syncs = [&] { return fs_.syncs(); };
  for (int i = 0; i < 5; ++i) {
    std::int64_t before = syncs();
    const std::string call = "DL" + std::to_string(i + 2) + "XYZ";
    Fields({{F::eCall, call.c_str()}});
    EXPECT_EQ(syncs() - before, 0) << "Enter in the call field";
    before = syncs();
    const std::string serial = "00" + std::to_string(i + 2);
    Fields({{F::eRSTr2, serial.c_str()}, {F::eRSTr3, "JO52AB"}, {F::eRSTr4, "DVI"}});
    EXPECT_EQ(s.saves(), i + 2);
    EXPECT_LE(syncs() - before, 3) << "save " << i;
  }
  // The call book's changes are durable once the session ends.
  const std::int64_t before = syncs();
  std::vector<std::uint8_t> kk(qvkk::Spec().record_length, 0), kz(qvkz::kLength, 0);
  s.Close(kk, kz);
  EXPECT_GT(syncs(), before);
  const auto durable = fs_.DurableImage(), applied = fs_.AppliedImage();
  int book_files = 0;
  for (const auto& [path, bytes] : applied) {
    if (path != "QVCBUCH.DAT" && path != "QVCBUCH.IX") continue;
    ++book_files;
    ASSERT_TRUE(durable.count(path)) << path;
    // Everything but the cleared being-changed byte, which is not waited for.
    const auto& kept = durable.at(path);
    ASSERT_EQ(kept.size(), bytes.size()) << path;
    int differ = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) differ += kept[i] != bytes[i];
    EXPECT_LE(differ, path == "QVCBUCH.DAT" ? 1 : 0) << path;
  }
  EXPECT_GE(book_files, 2);
}

// Esc clears the entry and gives it the clock's date and time at once: a
// contact typed within the same second is saved, not refused for a missing date.
TEST_F(EntrySessionTest, AContactTypedRightAfterEscIsSaved) {
  EntrySession& s = Open(Context());
  s.Type(F::eCall, "DL2X");
  s.Escape();
  EXPECT_GT(GetI32(s.record(), qso::kDate.offset), 0);
  Contact("DL2XYZ", "001", "JO62MM", "F11");
  EXPECT_EQ(s.saves(), 1);
}

}  // namespace
}  // namespace vek
