#include "base/cp1252.h"
#include <algorithm>

#include "catalogue_fixture.h"
#include "store/store_check.h"

namespace vek::testing {
namespace {

TEST_F(CatalogueTest, FirstStartOpensTheSetupForANewLogAndListsIt) {
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Nordsee 2008"); };
  auto c = StartProgram();
  ASSERT_EQ(host_.setups.size(), 1u);
  EXPECT_EQ(host_.setups[0], std::make_pair(false, false));
  EXPECT_TRUE(c->prefix_warning_shown());  // no prefix table in this folder
  const auto rows = c->Rows(CatalogueOrder::kName);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].text, " Nordsee 2008 ;15.11.2008   ;16.11.2008   ");
  EXPECT_EQ(c->Rows(CatalogueOrder::kDate)[0].text, "15.11.2008   ; Nordsee 2008 ;16.11.2008   ");
  EXPECT_EQ(CatalogueController::Header(CatalogueOrder::kName, false),
            " Name                     ;Datum (von)  ;Datum (bis)  ");
  EXPECT_TRUE(host_.logged.empty());
  c.reset();
  EXPECT_TRUE(store::CheckFiles(fs_, "QVKK").clean);
  EXPECT_TRUE(store::CheckFiles(fs_, "QVKZ").clean);
}

TEST_F(CatalogueTest, ContestStartenGoesStraightToLoggingAndBackToTheTotals) {
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Test", &SetupModel::StartContest); };
  auto c = StartProgram();
  ASSERT_EQ(host_.logged.size(), 1u);
  EXPECT_EQ(host_.logged[0], 1);
  host_.script = [](SetupModel& m) { return m.StartContest(); };
  c->Starten();
  ASSERT_EQ(host_.setups.size(), 3u);
  EXPECT_EQ(host_.setups[1], std::make_pair(true, false));
  EXPECT_EQ(host_.setups[2], std::make_pair(true, true));  // after logging: the totals
  EXPECT_EQ(host_.logged.size(), 2u);
}

TEST_F(CatalogueTest, OnlyThisProgramsLogsAreListed) {
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Mine"); };
  auto c = StartProgram();
  // A log of another module of the suite.
  store::FileBlock* kk = c->qvkk();
  fm_->ClearRecord(kk);
  PutText(fm_->RecordBuffer(kk), qvkk::kLogName, "Fremd");
  PutU8(fm_->RecordBuffer(kk), qvkk::kContestCode.offset, 'M');
  ASSERT_EQ(fm_->AddRecord(kk), 0);
  EXPECT_FALSE(c->HasCurrent());  // the foreign record is no entry of the list
  c->Starten();
  EXPECT_EQ(host_.setups.size(), 1u);
  const auto rows = c->Rows(CatalogueOrder::kName);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NE(rows[0].text.find("Mine"), std::string::npos);
}

TEST_F(CatalogueTest, DeletingALogWithoutTotalsRecordRemovesEverything) {
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Weg damit"); };
  auto c = StartProgram();
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Bleibt"); };
  c->New();
  ASSERT_EQ(c->Rows(CatalogueOrder::kName).size(), 2u);
  ASSERT_TRUE(c->Select(1));
  // The totals record is missing, and the log has QSO files.
  ASSERT_EQ(fm_->FindKey(c->qvkz(), 1, store::LongToKey(1)), 0);
  ASSERT_EQ(fm_->DeleteRecord(c->qvkz()), 0);
  fs_.Append("QVLK0001.DAT", "x");
  fs_.Append("QVLK0001.IX", "x");
  ASSERT_TRUE(c->Select(1));
  port_.QueueAnswer(true);
  c->Delete();
  EXPECT_EQ(port_.events().back().text, "Eintrag Weg damit l\xF6schen?");
  EXPECT_EQ(port_.events().back().caption, "Sicherheitsabfrage");
  EXPECT_FALSE(fs_.Exists("QVLK0001.DAT"));
  EXPECT_FALSE(fs_.Exists("QVLK0001.IX"));
  EXPECT_EQ(fm_->RecordCount(c->qvkz()), 1);
  const auto rows = c->Rows(CatalogueOrder::kName);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(c->CurrentLogNumber(), 2);
  // No deletes the other one.
  port_.QueueAnswer(false);
  c->Delete();
  EXPECT_EQ(c->Rows(CatalogueOrder::kName).size(), 1u);
}

TEST_F(CatalogueTest, EscapeAsksAndNoKeepsTheProgramRunning) {
  auto c = StartProgram(false);
  port_.QueueAnswer(false);
  EXPECT_FALSE(c->Escape());
  EXPECT_EQ(port_.Questions().back(), "Programm beenden?");
  port_.QueueAnswer(true);
  EXPECT_TRUE(c->Escape());
}

TEST_F(CatalogueTest, ButtonsWithoutALogDoNothing) {
  auto c = StartProgram(false);
  c->Starten();
  c->StartF10();
  c->Delete();
  EXPECT_TRUE(host_.setups.empty());
  EXPECT_TRUE(host_.logged.empty());
  EXPECT_TRUE(port_.Questions().empty());
}

TEST_F(CatalogueTest, TheListStartsOnTheNewestLogByStartDate) {
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Zwei"); };
  auto c = StartProgram();
  host_.script = [](SetupModel& m) {
    m.SetText("eDatumvon", "01.01.2007");
    m.SetText("eDatumbis", "02.01.2007");
    return TypeNewLog(m, "Alt");
  };
  c->New();
  c.reset();
  auto again = StartProgram();
  EXPECT_EQ(again->CurrentLogNumber(), 1);  // 15.11.2008 is newer than 01.01.2007
}

TEST_F(CatalogueTest, StationSettingsSurviveTheRunAndUnknownBytesStay) {
  StartProgram(false);  // creates the suite files
  // A settings record written by another program of the suite.
  {
    store::StoreEnvironment env;
    env.fs = &fs_;
    store::FileManager other(env);
    ASSERT_EQ(other.InitFileManager(), 0);
    SuiteFiles files(other);
    store::FileBlock* setup = files.OpenSuiteFile(SuiteFile::kSetup);
    fm_.reset();
    ASSERT_EQ(other.FirstKey(setup, 1), 0);
    Bytes r = other.RecordBuffer(setup);
    for (std::size_t i = 1431; i < 1700; ++i) r[i] = static_cast<std::uint8_t>(i * 7);
    PutText(r, setup_record::kOwnCall, "DK9XYZ");
    PutText(r, setup_record::kPostcodeTown, "Oldenburg");
    r[setup_record::kSuffixList + 0] = 1;
    r[setup_record::kSuffixList + 1] = 'P';
    r[setup_record::kSuffixList + 7] = 3;
    r[setup_record::kSuffixList + 8] = 'Q';
    r[setup_record::kSuffixList + 9] = 'R';
    r[setup_record::kSuffixList + 10] = 'P';
    ASSERT_EQ(other.PutRecord(setup), 0);
    files.CloseSuiteFile(SuiteFile::kSetup);
  }
  const std::vector<std::uint8_t> before = fs_.AppliedImage().at("QVSETUP.DAT");
  auto c = StartProgram(false);
  EXPECT_EQ(c->station().own_call, "DK9XYZ");
  EXPECT_EQ(c->station().Town(), "Oldenburg");  // no blank: all of it is the town
  EXPECT_EQ(c->station().Postcode(), "");
  EXPECT_EQ(CallSignPart("DL1ABC/QRP", false, c->suffixes()), "DL1ABC");
  EXPECT_EQ(CallSignPart("DL1ABC/MM", false, c->suffixes()), "MM");  // only P and QRP are suffixes now
  c->station().own_call = "DL0ABCDEFGHIJKLMN";  // cut to 14 when saved
  c.reset();
  auto reread = StartProgram(false);
  EXPECT_EQ(reread->station().own_call, "DL0ABCDEFGHIJK");
  reread.reset();
  const std::vector<std::uint8_t> after = fs_.AppliedImage().at("QVSETUP.DAT");
  for (std::size_t i = 3530 + 1431; i < 3530 + 1700; ++i) EXPECT_EQ(after[i], before[i]) << i;
}

TEST(NameCaseTest, Styles) {
  EXPECT_EQ(ApplyNameCase("Hans-peter", 4), "Hans-Peter");
  EXPECT_EQ(ApplyNameCase("anna maria", 3), "Anna maria");
  EXPECT_EQ(ApplyNameCase("m\xFCller", 1), "M\xDCLLER");
  EXPECT_EQ(ApplyNameCase("M\xDCLLER", 2), "m\xFCller");
  EXPECT_EQ(ApplyNameCase("\xFC" "ber", 3), "\xFC" "ber");  // only a-z are raised in style 3
  EXPECT_EQ(ApplyNameCase("dr.no", 4), "Dr.No");
  EXPECT_EQ(ApplyNameCase("", 1), "");
  EXPECT_EQ(ApplyNameCase("unChanged", 9), "unChanged");
}

TEST(SuiteFilesTest, NestedOpensShareOneFileblock) {
  store::MemoryFileSystem fs;
  store::StoreEnvironment env;
  env.fs = &fs;
  store::FileManager fm(env);
  ASSERT_EQ(fm.InitFileManager(), 0);
  SuiteFiles files(fm);
  store::FileBlock* first = files.OpenSuiteFile(SuiteFile::kPrefixOverrides1);
  store::FileBlock* second = files.OpenSuiteFile(SuiteFile::kPrefixOverrides1);
  EXPECT_EQ(first, second);
  EXPECT_EQ(files.UseCount("QVPREFEE"), 2);
  files.CloseSuiteFile(SuiteFile::kPrefixOverrides1);
  EXPECT_EQ(fm.FindOpenFileBlock("QVPREFEE"), first);
  files.CloseSuiteFile(SuiteFile::kPrefixOverrides1);
  EXPECT_EQ(fm.FindOpenFileBlock("QVPREFEE"), nullptr);
  files.CloseSuiteFile(SuiteFile::kPrefixOverrides1);  // not open: nothing happens
}

}  // namespace
}  // namespace vek::testing

namespace vek::testing {
namespace {

TEST_F(CatalogueTest, ADeletionTheStoreRefusesIsSaidAndKeepsTheCatalogueEntry) {
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Gesperrt"); };
  auto c = StartProgram();
  ASSERT_TRUE(c->Select(1));
  // Another program holds the totals file: its record cannot be deleted.
  fs_.LockConflicts("QVKZ.DAT", -1);
  port_.QueueAnswer(true);
  c->Delete();
  EXPECT_EQ(port_.Messages().back(), "Das Log Gesperrt konnte nicht vollst\xE4ndig gel\xF6scht werden.");
  fs_.LockConflicts("QVKZ.DAT", 0);
  EXPECT_EQ(c->Rows(CatalogueOrder::kName).size(), 1u);
  EXPECT_TRUE(c->Select(1));
  EXPECT_TRUE(stops_.empty());
}

}  // namespace
}  // namespace vek::testing

namespace vek::testing {
namespace {

TEST_F(CatalogueTest, ResultsTheStoreCannotKeepAfterLoggingAreSaid) {
  host_.script = [](SetupModel& m) { return TypeNewLog(m, "Nordsee"); };
  StartProgram().reset();
  // An entry window that stores the log's totals in the records' buffers,
  // while another program has taken the catalogue.
  struct LoggingHost : CatalogueHost {
    store::MemoryFileSystem* fs = nullptr;
    bool OpenContestSetup(CatalogueController&, bool, bool) override { return false; }
    void StartLogging(CatalogueController& c, std::int32_t, const ContestDefinition&) override {
      qvkk::PutColumnTotals(c.fm().RecordBuffer(c.qvkk()), 1, {3, 2, 9, 2, 0});
      fs->LockConflicts("QVKK.DAT", -1);
    }
  } host;
  host.fs = &fs_;
  CatalogueController c(*fm_, port_, clock_, host, *logs_);
  ASSERT_EQ(c.Start(false), CatalogueController::StartResult::kReady);
  ASSERT_TRUE(c.Select(1));
  c.StartF10();
  fs_.LockConflicts("QVKK.DAT", 0);
  EXPECT_EQ(port_.Messages().back(), W("Die Ergebnisse des Logs konnten nicht gespeichert werden. Sie werden beim "
                                       "nächsten Öffnen des Logs neu berechnet."));
  EXPECT_TRUE(stops_.empty());
}

}  // namespace
}  // namespace vek::testing
