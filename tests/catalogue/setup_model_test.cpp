#include "store/store_errors.h"
#include "base/cp1252.h"
#include "store/keys.h"
#include "catalogue/date_time_completion.h"
#include "catalogue_fixture.h"

namespace vek::testing {
namespace {

TEST(DateCompletionTest, EveryFormOfTheTable) {
  const int year = 2009;
  EXPECT_EQ(CompleteDate("15", year), "01.05.2009");
  EXPECT_EQ(CompleteDate("151", year), "15.01.2009");
  EXPECT_EQ(CompleteDate("1.5", year), "01.05.2009");
  EXPECT_EQ(CompleteDate("1511", year), "15.11.2009");
  EXPECT_EQ(CompleteDate("1.11", year), "01.11.2009");
  EXPECT_EQ(CompleteDate("15.1", year), "15.01.2009");
  EXPECT_EQ(CompleteDate("15109", year), "15.01.2009");
  EXPECT_EQ(CompleteDate("15.11", year), "15.11.2009");
  EXPECT_EQ(CompleteDate("15.11.", year), "15.11.2009");
  EXPECT_EQ(CompleteDate("1.5.09", year), "01.05.2009");
  EXPECT_EQ(CompleteDate("151149", year), "15.11.2049");
  EXPECT_EQ(CompleteDate("151151", year), "15.11.1951");
  EXPECT_EQ(CompleteDate("15.1.09", year), "15.01.2009");
  EXPECT_EQ(CompleteDate("1.11.09", year), "01.11.2009");
  EXPECT_EQ(CompleteDate("15112008", year), "15.11.2008");
  EXPECT_EQ(CompleteDate("15.11.08", year), "15.11.2008");
  EXPECT_EQ(CompleteDate(" 15 11 ", year), "15.11.2009");  // blanks go first
  EXPECT_EQ(CompleteDate("15.11.2008", year), "15.11.2008");
  EXPECT_EQ(CompleteDate("x", year), "x");
  EXPECT_EQ(CompleteDate("", year), "");
}

TEST(TimeCompletionTest, Forms) {
  EXPECT_EQ(CompleteTime("930"), "09:30");
  EXPECT_EQ(CompleteTime("1430"), "14:30");
  EXPECT_EQ(CompleteTime("9:30"), "09:30");
  EXPECT_EQ(CompleteTime("9.30"), "09:30");
  EXPECT_EQ(CompleteTime("14:30"), "14:30");
  EXPECT_EQ(CompleteTime(" 9 30"), "09:30");
  EXPECT_EQ(CompleteTime("7"), "7");
}

class SetupTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    c_ = StartProgram(false);
  }
  SetupModel New(char code = 'g') { return SetupModel(ScriptedHost::Context(*c_, code), false, false); }
  std::unique_ptr<CatalogueController> c_;
};

TEST_F(SetupTest, NewLogTakesTheDefinitionsDatesAndFillsTheControls) {
  SetupModel m = New();
  EXPECT_EQ(m.control("eDatumvon").text, "15.11.2008");
  EXPECT_EQ(m.control("eDatumbis").text, "16.11.2008");
  EXPECT_EQ(m.control("eZeitvon").text, "08:30");  // the five-character defaults count
  EXPECT_EQ(m.control("eZeitbis").text, "17:00");
  EXPECT_EQ(m.caption(), "\"UKW Nordsee-Contest 2009\"  Contest-Konfiguration");
  EXPECT_EQ(m.class_entries().size(), 2u);
  EXPECT_FALSE(m.class_list_two_columns());
  EXPECT_TRUE(m.control("eteilnahmeart").enabled);
  EXPECT_TRUE(m.control("eBandauto").visible);
  EXPECT_FALSE(m.control("rZeitOrt").checked || m.control("rZeitUTC").checked);
  EXPECT_TRUE(m.control("rcw").enabled && m.control("rssb").enabled);
  EXPECT_FALSE(m.control("rFM").enabled || m.control("rPR").enabled);
  EXPECT_EQ(m.control("eDOK").caption, "DOK");
}

TEST_F(SetupTest, ChecksStopTheSaveInOrder) {
  SetupModel m = New();
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Eingabe eines Contest-Namens notwendig.");
  EXPECT_TRUE(m.control("eName").invalid);
  EXPECT_EQ(m.focus(), "eName");
  m.SetText("eName", "Test");
  EXPECT_FALSE(m.control("eName").invalid);  // the red goes with the next keystroke
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Angabe der Postleitzahl und des Ortes notwendig.");
  m.SetText("ePLZ", "26129");
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Angabe des Standortlocators notwendig.");  // g sends a locator
  m.SetText("eLoc", "JO43KD");
  port_.QueueAnswer(false);
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Questions().back(), "Kein DOK angegeben. Trotzdem weiter?");
  m.SetText("eDOK", "I38");
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Eingabe des Rufzeichens notwendig.");
  m.SetText("eCall", "DL1ABC");
  m.SetText("eDatumvon", "");
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Eingabe eines Contest-Datums notwendig.");
  m.SetText("eDatumvon", "1511");
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Es wurde nicht bestimmt, ob der Computer mit Ortszeit l\xE4uft.");
  m.Check("rZeitOrt", true);
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Sie haben keine Teilnahmeart angegeben.");
  m.ChooseClass(1);
  EXPECT_EQ(m.Finish(), SetupResult::kClosed);
  EXPECT_EQ(m.control("eDatumvon").text, "15.11.2009");  // completed with this year
  EXPECT_EQ(c_->station().utc_offset, -1);  // local time: the contest's offset
  EXPECT_EQ(fm_->RecordCount(c_->qvkk()), 1);
  EXPECT_EQ(fm_->RecordCount(c_->qvkz()), 1);
}

// A choice in one group of buttons leaves the other groups as they are: the
// computer's time, typed last, keeps SSB as the start mode saved.
TEST_F(SetupTest, EachGroupOfButtonsKeepsItsOwnChoice) {
  SetupModel m = New('g');
  m.Check("rssb", true);
  EXPECT_FALSE(m.control("rcw").checked);
  ASSERT_EQ(TypeNewLog(m, "Nordsee"), SetupResult::kClosed);  // checks "rZeitUTC" on the way
  EXPECT_TRUE(m.control("rssb").checked);
  EXPECT_TRUE(m.control("rZeitUTC").checked);
  EXPECT_NE(GetU8(fm_->RecordBuffer(c_->qvkk()), qvkk::kModeSsb.offset), 0);
  SetupModel again(ScriptedHost::Context(*c_), true, false);
  EXPECT_TRUE(again.control("rssb").checked);
  EXPECT_FALSE(again.control("rcw").checked);
  // A new log starts with CW, also once a class has rebuilt the definition.
  SetupModel fresh = New('g');
  EXPECT_TRUE(fresh.control("rcw").checked);
  fresh.ChooseClass(0);
  EXPECT_TRUE(fresh.control("rcw").checked);
}

TEST_F(SetupTest, ContestWithoutLocatorSavesWithAnEmptyLocator) {
  SetupModel m = New('3');  // a DOK contest: no locator is sent
  m.SetText("eDatumvon", "0510");  // no default dates in this contest
  m.SetText("eDatumbis", "0510");
  ASSERT_EQ(TypeNewLog(m, "WNC", &SetupModel::StartContest), SetupResult::kStart);
  m.SetText("eLoc", "");
  EXPECT_EQ(m.Finish(), SetupResult::kClosed);
  for (const Text& message : port_.Messages()) EXPECT_EQ(message.find("Standortlocator"), Text::npos);
  SetupModel g = New('g');
  g.SetText("eLoc", "");
  TypeNewLog(g, "Nordsee");
  g.SetText("eLoc", "");
  EXPECT_EQ(g.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), "Angabe des Standortlocators notwendig.");
}

TEST_F(SetupTest, TheClassIsFixedAfterItsFirstSave) {
  {
    SetupModel m = New();
    ASSERT_EQ(TypeNewLog(m, "Klasse"), SetupResult::kClosed);
  }
  ASSERT_TRUE(c_->Select(1));
  SetupModel again(ScriptedHost::Context(*c_), true, false);
  EXPECT_FALSE(again.control("eteilnahmeart").enabled);
  EXPECT_EQ(again.chosen_class(), 0);
  EXPECT_TRUE(again.control("rZeitUTC").checked);  // edit mode shows the stored choice
  SetupModel after(ScriptedHost::Context(*c_), true, true);
  EXPECT_EQ(after.caption(), "\"UKW Nordsee-Contest 2008\"");
  EXPECT_FALSE(after.control("btnstart").visible);
  EXPECT_FALSE(after.control("btnAbbruch").visible);
  EXPECT_EQ(after.focus(), "btnOK");
}

TEST_F(SetupTest, PrintMenuWithAnIncompleteAddressStillOpens) {
  SetupModel m = New();
  TypeNewLog(m, "Druck");
  m.SetText("eStrasse", "");
  const std::vector<int> items = m.PrintMenu();
  EXPECT_EQ(port_.Messages().back(), "Die Adress-Angaben sind nicht vollst\xE4ndig.");
  EXPECT_EQ(items, (std::vector<int>{1, 2, 4, 5, 6, 7, 10}));
  SetupModel empty = New();
  EXPECT_EQ(empty.PrintMenu().size(), 7u);  // a failed check keeps the menu from nothing
}

TEST_F(SetupTest, DateAndTimeFieldsCompleteAndRememberManualChanges) {
  SetupModel m = New('B');
  m.EnterField("eZeitvon");
  m.SetText("eZeitvon", "930");
  m.LeaveField("eZeitvon");
  EXPECT_EQ(m.control("eZeitvon").text, "09:30");
  m.EnterField("eDatumbis");
  m.LeaveField("eDatumbis");  // unchanged: no bit
  m.ChooseClass(1);  // class 2: period 2, 11.04.2009 09:00-11:00
  EXPECT_EQ(m.control("eDatumvon").text, "11.04.2009");
  EXPECT_EQ(m.control("eDatumbis").text, "11.04.2009");
  EXPECT_EQ(m.control("eZeitvon").text, "09:30");  // the operator's start time stays
  EXPECT_EQ(m.control("eZeitbis").text, "11:00");
  EXPECT_EQ(GetU8(fm_->RecordBuffer(c_->qvkk()), qvkk::kManualTimes.offset), 4);
}

TEST_F(SetupTest, EscapeAndNoLeavesTheRecordAsLastSaved) {
  {
    SetupModel m = New();
    ASSERT_EQ(TypeNewLog(m, "Original"), SetupResult::kClosed);
  }
  ASSERT_TRUE(c_->Select(1));
  SetupModel m(ScriptedHost::Context(*c_), true, false);
  m.SetText("eName", "Geändert");
  port_.QueueAnswer(false);
  EXPECT_EQ(m.Escape(), SetupResult::kClosed);
  EXPECT_EQ(port_.Questions().back(), "\xC4nderungen \xFC" "bernehmen?");
  ASSERT_TRUE(c_->Select(1));
  EXPECT_EQ(GetText(fm_->RecordBuffer(c_->qvkk()), qvkk::kLogName), "Original");
}

TEST_F(SetupTest, BytesOfOtherModulesSurviveARewrite) {
  {
    SetupModel m = New();
    ASSERT_EQ(TypeNewLog(m, "Fremdbytes"), SetupResult::kClosed);
  }
  ASSERT_TRUE(c_->Select(1));
  Bytes kk = fm_->RecordBuffer(c_->qvkk());
  for (std::size_t i : {162u, 163u, 164u, 165u, 216u, 225u, 271u, 280u, 351u, 375u, 378u})
    kk[i] = static_cast<std::uint8_t>(0xA0 + i % 50);
  ASSERT_EQ(fm_->PutRecord(c_->qvkk()), 0);
  ASSERT_EQ(fm_->FindKey(c_->qvkz(), 1, store::LongToKey(1)), 0);
  Bytes kz = fm_->RecordBuffer(c_->qvkz());
  for (std::size_t i : {1810u, 5000u, 11607u}) kz[i] = 0x5A;
  ASSERT_EQ(fm_->PutRecord(c_->qvkz()), 0);
  SetupModel m(ScriptedHost::Context(*c_), true, false);
  m.SetText("eName", "Neu");
  ASSERT_EQ(m.Finish(), SetupResult::kClosed);
  ASSERT_TRUE(c_->Select(1));
  kk = fm_->RecordBuffer(c_->qvkk());
  EXPECT_EQ(GetText(kk, qvkk::kLogName), "Neu");
  for (std::size_t i : {162u, 163u, 164u, 165u, 216u, 225u, 271u, 280u, 351u, 375u, 378u})
    EXPECT_EQ(kk[i], 0xA0 + i % 50) << i;
  ASSERT_EQ(fm_->FindKey(c_->qvkz(), 1, store::LongToKey(1)), 0);
  kz = fm_->RecordBuffer(c_->qvkz());
  for (std::size_t i : {1810u, 5000u, 11607u}) EXPECT_EQ(kz[i], 0x5A) << i;
}

TEST_F(SetupTest, ContestQuestions) {
  SetupModel p = New('P');
  EXPECT_TRUE(p.control("groupZusatz").visible);
  EXPECT_EQ(p.control("rPR").caption, "DIGI");
  TypeNewLog(p, "Party");
  p.SetText("eJahre", "");
  EXPECT_EQ(p.Finish(), SetupResult::kOpen);  // P stops without an age
  EXPECT_EQ(port_.Messages().back(), "Sie haben keine Angabe \xFC" "ber Ihr Lebensalter get\xE4tigt.");
  p.SetText("eJahre", "XX");
  EXPECT_EQ(p.Finish(), SetupResult::kClosed);
  EXPECT_EQ(c_->definition().SentValue1, "XX");

  SetupModel u = New('U');
  u.SetText("eDOK", "U12");
  EXPECT_TRUE(u.control("eHMja").checked);
  u.SetText("eDOK", "I38");
  EXPECT_TRUE(u.control("eHMnein").checked);
  u.SetText("eDOK", "Z44");
  EXPECT_TRUE(u.control("eHMja").checked);
}

TEST_F(SetupTest, TotalsDisplay) {
  {
    SetupModel m = New();
    ASSERT_EQ(TypeNewLog(m, "Summen"), SetupResult::kClosed);
  }
  ASSERT_TRUE(c_->Select(1));
  Bytes kk = fm_->RecordBuffer(c_->qvkk());
  qvkk::PutColumnTotals(kk, 1, {10, 3, 40, 0, 0});
  qvkk::PutColumnTotals(kk, 2, {5, 2, 30, 0, 0});
  ASSERT_EQ(fm_->PutRecord(c_->qvkk()), 0);
  SetupModel m(ScriptedHost::Context(*c_), true, true);
  const SetupModel::Totals t = m.ComputeTotals();
  EXPECT_TRUE(t.columns[0].visible);
  EXPECT_EQ(t.columns[0].band_name, "2 m");
  EXPECT_EQ(t.columns[2].band_name, "23 cm");
  EXPECT_FALSE(t.columns[3].visible);
  EXPECT_EQ(t.qsos, "15 QSO");
  EXPECT_EQ(t.multipliers, "5 Multi x");
  EXPECT_EQ(t.points, "70 Punkte =");
  EXPECT_EQ(t.score, "      350 Pkt.");
}

}  // namespace
}  // namespace vek::testing

namespace vek::testing {
namespace {

TEST_F(SetupTest, TotalsOfPointSumAndBandProductContests) {
  // Z: totals in the contest-totals record, score = sum of band points x band multipliers.
  SetupModel z = New('Z');
  TypeNewLog(z, "IPARC");
  ASSERT_EQ(z.Finish(), SetupResult::kClosed);
  Bytes kz = fm_->RecordBuffer(c_->qvkz());
  PutI32(kz, qvkz::QsoOffset(1), 4), PutI32(kz, qvkz::MultiplierOffset(1), 2), PutI32(kz, qvkz::PointsOffset(1), 10);
  PutI32(kz, qvkz::QsoOffset(2), 1), PutI32(kz, qvkz::PointsOffset(2), 5);  // no multiplier: its points count
  ASSERT_EQ(fm_->PutRecord(c_->qvkz()), 0);
  SetupModel::Totals t = z.ComputeTotals();
  EXPECT_EQ(t.qsos, "5 QSO");
  EXPECT_EQ(t.multipliers, "2 Multi");
  EXPECT_EQ(t.points, "15 Punkte");
  EXPECT_FALSE(t.points_visible);
  EXPECT_EQ(t.score, "       25 Pkt.");

  // 5: a point sum with postcode areas; the score is hidden.
  SetupModel five = New('5');
  TypeNewLog(five, "Funkertag");
  ASSERT_EQ(five.Finish(), SetupResult::kClosed);
  t = five.ComputeTotals();
  EXPECT_FALSE(t.score_visible);
  EXPECT_EQ(t.first_multiplier_cell, "    0");
  EXPECT_EQ(t.points, "0 Punkte");
  EXPECT_FALSE(t.columns[0].multipliers_visible);  // counted once for the whole contest

  // 6: no multipliers at all.
  SetupModel six = New('6');
  TypeNewLog(six, "HSC");
  six.Finish();
  t = six.ComputeTotals();
  EXPECT_EQ(t.multipliers, "");
  EXPECT_EQ(t.points, "");
}

TEST(CatalogueRowTest, DatesAndEmptyDates) {
  std::vector<std::uint8_t> r(qvkk::kLength, 0);
  PutText(r, qvkk::kLogName, "Ohne Datum");
  EXPECT_EQ(CatalogueController::RowText(r, CatalogueOrder::kName), " Ohne Datum ;" + std::string(13, ' ') + ";" +
                                                                         std::string(13, ' '));
  PutI32(r, qvkk::kDateFrom.offset, *DayNumberFromDate(2026, 12, 9));
  EXPECT_EQ(CatalogueController::RowText(r, CatalogueOrder::kDate).substr(0, 13), "09.12.2026   ");
  EXPECT_EQ(CatalogueController::Header(CatalogueOrder::kDate, true), "Date (from)  ; Name                     ; Date (to)   ");
}

}  // namespace
}  // namespace vek::testing

namespace vek::testing {
namespace {

TEST_F(SetupTest, PickingAClassAndCancellingCreatesNoLog) {
  SetupModel m = New();
  m.SetText("eName", "Nur angesehen");
  m.ChooseClass(1);  // the class change saves silently
  EXPECT_EQ(m.Cancel(), SetupResult::kClosed);
  EXPECT_FALSE(m.edit_mode());
  EXPECT_TRUE(c_->Rows(CatalogueOrder::kName).empty());
}

TEST_F(SetupTest, AFailedCreationAddsNeitherRecordAndTheNextSaveAddsBoth) {
  SetupModel m = New();
  // Another program holds the totals file while the log is created.
  fs_.LockConflicts("QVKZ.DAT", -1);
  EXPECT_EQ(TypeNewLog(m, "Gesperrt"), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), W("Fehler bei Dateneingabe. Datensatz evtl. schon vorhanden."));
  EXPECT_FALSE(m.edit_mode());
  fs_.LockConflicts("QVKZ.DAT", 0);
  EXPECT_TRUE(c_->Rows(CatalogueOrder::kName).empty());
  EXPECT_EQ(m.Finish(), SetupResult::kClosed);
  EXPECT_TRUE(m.edit_mode());
  ASSERT_EQ(c_->Rows(CatalogueOrder::kName).size(), 1u);
  const std::int32_t number = c_->Rows(CatalogueOrder::kName)[0].log_number;
  EXPECT_EQ(fm_->FindKey(c_->qvkz(), 1, store::LongToKey(number)), 0);
}

TEST_F(SetupTest, ASilentSaveTheStoreRefusesSaysNothingAButtonSaveSaysIt) {
  SetupModel created = New();
  ASSERT_EQ(TypeNewLog(created, "Offen"), SetupResult::kClosed);
  ASSERT_TRUE(c_->Select(c_->Rows(CatalogueOrder::kName)[0].log_number));
  SetupModel m(ScriptedHost::Context(*c_), true, false);
  port_.Clear();
  fs_.LockConflicts("QVKK.DAT", -1);
  m.ChooseClass(1);  // silent
  EXPECT_TRUE(port_.Messages().empty());
  EXPECT_EQ(m.Finish(), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), W("Fehler bei Dateneingabe. Datensatz evtl. schon vorhanden."));
  fs_.LockConflicts("QVKK.DAT", 0);
}

TEST_F(SetupTest, TheStopsOfTheContestsQuestionColourTheirField) {
  SetupModel m = New('P');
  m.SetText("eJahre", "");
  EXPECT_EQ(TypeNewLog(m, "Party"), SetupResult::kOpen);
  EXPECT_EQ(port_.Messages().back(), W("Sie haben keine Angabe über Ihr Lebensalter getätigt."));
  EXPECT_TRUE(m.control("eJahre").invalid);
  EXPECT_EQ(m.focus(), "eJahre");
}

}  // namespace
}  // namespace vek::testing

namespace vek::testing {
namespace {

TEST_F(SetupTest, TheStationDescriptionIsReplacedInOneStepAndAFailureKeepsTheOldOne) {
  SetupModel m = New('b');
  m.SetText("memogroupzusatz3", "TX: Eigenbau");
  m.Check("checkboxgroupzusatz3", true);
  ASSERT_EQ(TypeNewLog(m, "OQRP"), SetupResult::kClosed) << (port_.Messages().empty() ? "" : port_.Messages().back());
  const std::string file = "OQRP     1.STN";
  EXPECT_EQ(fs_.Text(file), "TX: Eigenbau");
  m.SetText("memogroupzusatz3", "TX: neu");
  fs_.FailRename(file, store::kOsFailure);
  EXPECT_EQ(m.Finish(), SetupResult::kClosed);
  EXPECT_EQ(fs_.Text(file), "TX: Eigenbau");
  EXPECT_FALSE(fs_.Exists(file + ".NEU"));
  EXPECT_EQ(port_.Messages().back(), "Die Datei " + file + " konnte nicht geschrieben werden.");
}

}  // namespace
}  // namespace vek::testing
