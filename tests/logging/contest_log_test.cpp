#include <gtest/gtest.h>

#include <random>

#include "base/scripted_user_port.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "store/memory_file_system.h"
#include "store/store_check.h"

namespace vek {
namespace {

TEST(ExchangeTest, JoinAndSplit) {
  EXPECT_EQ(JoinExchange({"59", "001", "JO31", ""}), "59 001/JO31");
  EXPECT_EQ(JoinExchange({"5", "1", "", ""}), "5  1");  // a one-character report keeps two blanks
  EXPECT_EQ(JoinExchange({"599", "001", "", "X"}), "599001//X");
  EXPECT_EQ(JoinExchange({"59", "0123456789", "JO31AB", "I38"}), "59 0123456789/JO31AB");  // 20 at most
  const std::array<std::size_t, 4> widths = {3, 4, 6, 8};
  EXPECT_EQ(SplitExchange("59 001/JO31/I38", widths), (ExchangeItems{"59", "001", "JO31", "I38"}));
  EXPECT_EQ(SplitExchange("5  1", widths), (ExchangeItems{"5", "1", "", ""}));
  EXPECT_EQ(SplitExchange("59 123456/JO31AB7", widths), (ExchangeItems{"59", "1234", "JO31AB", ""}));
  EXPECT_EQ(SplitExchange("", widths), ExchangeItems{});
}

TEST(ExchangeTest, TheReceivedDokInTwoSegments) {
  std::vector<std::uint8_t> r(qso::kLength, 0);
  StoreRcvdDok(r, "60BHVI05X");
  EXPECT_EQ(GetText(r, qso::kDokHead), "60BHVI");
  EXPECT_EQ(GetText(r, qso::kDokTail), "05");
  EXPECT_EQ(LoadRcvdDok(r), "60BHVI05");
  StoreRcvdDok(r, "I38");
  EXPECT_EQ(LoadRcvdDok(r), "I38");
  EXPECT_EQ(qso::BuildQsoKey(r, 18), "I38     ");
}

TEST(ExchangeTest, FourSegmentsInTheRecord) {
  std::vector<std::uint8_t> r(qso::kLength, 0);
  const Text text = "599 001/JO31AB/I38XY";  // 20 characters
  StoreSentExchange(r, text);
  EXPECT_EQ(GetText(r, qso::kSentPart1), "599 001/J");
  EXPECT_EQ(GetText(r, qso::kSentPart2), "O3");
  EXPECT_EQ(GetText(r, qso::kSentPart3), "1A");
  EXPECT_EQ(GetText(r, qso::kSentPart4), "B/I38XY");
  EXPECT_EQ(LoadSentExchange(r), text);
  StoreRcvdExchange(r, text + "TOOLONG");
  EXPECT_EQ(LoadRcvdExchange(r), text);
  StoreRcvdExchange(r, "59 1");
  EXPECT_EQ(LoadRcvdExchange(r), "59 1");
  EXPECT_EQ(LoadSentExchange(r), text);  // the other direction is untouched
}

class ContestLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.fs = &fs_;
    env_.sleep = [](std::chrono::milliseconds) {};
    fm_ = std::make_unique<store::FileManager>(env_);
    ASSERT_EQ(fm_->InitFileManager(), 0);
    files_ = std::make_unique<SuiteFiles>(*fm_);
    log_ = std::make_unique<ContestLog>(*files_, 12);
    ASSERT_TRUE(log_->OpenContestLog());
  }

  void Add(const std::string& call, int minute, char band = 'k', const char* mode = "SSB", char qsy = 0,
           std::int32_t date = *DayNumberFromDate(2008, 11, 15)) {
    store::FileBlock* fb = log_->log();
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutText(r, qso::kCall, call);
    PutI32(r, qso::kDate.offset, date);
    PutI32(r, qso::kTime.offset, 14 * 3600 + minute * 60);
    PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(band));
    PutText(r, qso::kMode, mode);
    PutU8(r, qso::kQsyBand.offset, static_cast<std::uint8_t>(qsy));
    const RunningNumbers n = log_->NextRunningNumbers(band, mode);
    PutI32(r, qso::kSerialNo.offset, n.serial);
    PutI32(r, qso::kBandNoA.offset, n.band_a);
    PutI32(r, qso::kBandNoB.offset, n.band_b);
    PutU16(r, qso::kModeNo.offset, static_cast<std::uint16_t>(n.mode));
    ASSERT_EQ(fm_->AddRecord(fb), 0);
  }

  struct Row {
    std::string call;
    std::int32_t entry, serial, band_no, mode_no;
    bool operator==(const Row&) const = default;
  };
  std::vector<Row> ByEntry() {
    std::vector<Row> rows;
    for (int s = fm_->FirstKey(log_->log(), 4); s == 0; s = fm_->NextKey(log_->log(), 4)) {
      ConstBytes r = fm_->RecordBuffer(log_->log());
      rows.push_back({GetText(r, qso::kCall), GetI32(r, qso::kEntryNo.offset), GetI32(r, qso::kSerialNo.offset),
                      GetI32(r, qso::kBandNoA.offset), GetU16(r, qso::kModeNo.offset)});
    }
    return rows;
  }

  ContestDefinition NoSerialSent() {
    ContestDefinition d;
    d.SentKind1 = kDok;
    return d;
  }

  store::MemoryFileSystem fs_;
  store::StoreEnvironment env_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<SuiteFiles> files_;
  std::unique_ptr<ContestLog> log_;
  ScriptedUserPort port_;
};

TEST_F(ContestLogTest, NamesCallsAndRunningNumbers) {
  EXPECT_EQ(qso::LogFileName(12), "QVLK0012");
  const RunningNumbers first = log_->NextRunningNumbers('k', "SSB");
  EXPECT_EQ(first.serial, 1);
  EXPECT_EQ(first.band_a, 1);
  EXPECT_EQ(first.band_b, 1);
  EXPECT_EQ(first.mode, 1);
  Add("DL1ABCDEFGHIJKL", 1);  // 15 characters: cut to 12
  Add("DL2A", 2, 'l');
  Add("DL3A", 3, 'k', "CW");
  ASSERT_EQ(fm_->FindKey(log_->log(), 4, store::LongToKey(1)), 0);
  EXPECT_EQ(GetText(fm_->RecordBuffer(log_->log()), qso::kCall), "DL1ABCDEFGHI");
  const RunningNumbers next = log_->NextRunningNumbers('k', "SSB");
  EXPECT_EQ(next.serial, 4);
  EXPECT_EQ(next.band_a, 3);  // two contacts on 2 m so far
  EXPECT_EQ(next.mode, 3);    // two SSB contacts, on any band
  EXPECT_EQ(log_->NextRunningNumbers('m', "SSB").band_a, 1);
  EXPECT_EQ(log_->NextRunningNumbers('k', "FM").mode, 1);
}

TEST_F(ContestLogTest, UndatedRecordsSortLast) {
  Add("UNDATED", 1, 'k', "SSB", 0, -1);
  Add("DATED", 59);
  for (int key : {1, 2, 3}) {
    ASSERT_EQ(fm_->LastKey(log_->log(), key), 0);
    if (key == 2) continue;  // key 2 orders by call first
    EXPECT_EQ(GetText(fm_->RecordBuffer(log_->log()), qso::kCall), "UNDATED") << key;
  }
  ASSERT_EQ(fm_->FirstKey(log_->log(), 1), 0);
  EXPECT_EQ(GetText(fm_->RecordBuffer(log_->log()), qso::kCall), "DATED");
  // Locator padded to 6, then day 149338 and second 53940, most significant byte first.
  EXPECT_EQ(fm_->MakeKey(log_->log(), 3), std::string(6, ' ') + std::string("\x00\x02\x47\x5A\x00\x00\xD2\xB4", 8));
}

TEST_F(ContestLogTest, RenumberingAfterADeletionAndDroppingBandChanges) {
  for (int i = 1; i <= 10; ++i) Add("DL" + std::to_string(i) + "X", i, i % 2 ? 'k' : 'l', i % 3 ? "SSB" : "CW");
  Add("QSY", 4, 'k', "SSB", 'l');  // a band-change entry among them
  ASSERT_EQ(fm_->FindKey(log_->log(), 4, store::LongToKey(5)), 0);
  ASSERT_EQ(fm_->DeleteRecord(log_->log()), 0);
  ASSERT_EQ(log_->RenumberLog(NoSerialSent(), port_), ContestLog::RenumberResult::kDone);
  const auto rows = ByEntry();
  ASSERT_EQ(rows.size(), 9u);
  int band_k = 0, band_l = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int original = static_cast<int>(i) + (i >= 4 ? 2 : 1);  // entry 5 is gone
    EXPECT_EQ(rows[i].call, "DL" + std::to_string(original) + "X");
    EXPECT_EQ(rows[i].entry, static_cast<int>(i) + 1);
    EXPECT_EQ(rows[i].serial, static_cast<int>(i) + 1);
    EXPECT_EQ(rows[i].band_no, original % 2 ? ++band_k : ++band_l);
  }
  EXPECT_EQ(port_.events().front().caption, "Neunummerierung");
  EXPECT_TRUE(store::CheckFiles(fs_, "QVLKTEMP").clean);
  log_.reset();
  files_.reset();
  fm_.reset();
  EXPECT_TRUE(store::CheckFiles(fs_, "QVLK0012").clean);
}

TEST_F(ContestLogTest, LogsThatSendSerialNumbersAreNotRenumbered) {
  Add("B", 2);
  Add("A", 1);
  ContestDefinition d;
  d.SentKind1 = kSerial;
  EXPECT_EQ(log_->RenumberLog(d, port_), ContestLog::RenumberResult::kNotNeeded);
  EXPECT_EQ(ByEntry()[0].call, "B");
}

TEST_F(ContestLogTest, ARenumberingCutShortIsFinishedBeforeAnythingElse) {
  for (int i = 1; i <= 6; ++i) Add("DL" + std::to_string(i) + "X", 7 - i);  // logged in reverse time order
  // Another program run stopped in the second pass: QVLKTEMP holds every
  // record, the log only some, and the marker names this log.
  ASSERT_TRUE(log_->OpenTempLog());
  for (int s = fm_->FirstKey(log_->log(), 1); s == 0; s = fm_->NextKey(log_->log(), 1)) {
    ConstBytes r = fm_->RecordBuffer(log_->log());
    Bytes t = fm_->RecordBuffer(log_->temp());
    std::copy(r.begin(), r.end(), t.begin());
    PutI32(t, qso::kEntryNo.offset, 0);
    ASSERT_EQ(fm_->AddRecord(log_->temp()), 0);
  }
  log_->CloseTempLog();
  std::int32_t error = 0;
  auto marker = fs_.Open("QVLKTEMP.REN", true, error);
  std::uint8_t twelve[4] = {12, 0, 0, 0};
  marker->WriteAt(0, twelve);
  for (int n : {1, 2, 3}) {  // the log lost half of its records
    ASSERT_EQ(fm_->FindKey(log_->log(), 4, store::LongToKey(n)), 0);
    ASSERT_EQ(fm_->DeleteRecord(log_->log()), 0);
  }
  // Another log must not renumber over QVLKTEMP now.
  ContestLog other(*files_, 13);
  ASSERT_TRUE(other.OpenContestLog());
  EXPECT_EQ(other.RenumberLog(NoSerialSent(), port_), ContestLog::RenumberResult::kOtherLogPending);
  // This log is completed from QVLKTEMP.
  EXPECT_EQ(log_->RenumberLog(NoSerialSent(), port_), ContestLog::RenumberResult::kDone);
  const auto rows = ByEntry();
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows.front().call, "DL6X");  // the earliest contact first
  EXPECT_EQ(rows.back().call, "DL1X");
  EXPECT_FALSE(fs_.Exists("QVLKTEMP.REN"));
  EXPECT_EQ(other.RenumberLog(NoSerialSent(), port_), ContestLog::RenumberResult::kDone);
}

}  // namespace
}  // namespace vek

namespace vek {
namespace {

TEST_F(ContestLogTest, CheckIsCleanAfterTenThousandAddsTwoThousandDeletesAndARenumbering) {
  fm_->SetFlushAfterWrite(log_->log(), false);
  std::mt19937 rng(2008);
  for (int i = 0; i < 10000; ++i) {
    store::FileBlock* fb = log_->log();
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutText(r, qso::kCall, "DL" + std::to_string(rng() % 10) + "X" + std::to_string(rng() % 3000) + (rng() % 5 ? "" : "/P"));
    PutI32(r, qso::kDate.offset, 149338 + static_cast<int>(rng() % 2));
    PutI32(r, qso::kTime.offset, static_cast<int>(rng() % 86400));
    PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>("klm"[rng() % 3]));
    PutText(r, qso::kMode, rng() % 2 ? "SSB" : "CW");
    PutText(r, qso::kLocator, "JO" + std::to_string(10 + rng() % 80) + "AB");
    ASSERT_EQ(fm_->AddRecord(fb), 0);
  }
  for (int i = 0; i < 2000; ++i) {
    const auto entry = static_cast<std::int32_t>(1 + rng() % 10000);
    if (fm_->FindKey(log_->log(), 4, store::LongToKey(entry)) == 0) {
      ASSERT_EQ(fm_->DeleteRecord(log_->log()), 0);
    }
  }
  const std::int32_t left = fm_->RecordCount(log_->log());
  ASSERT_EQ(log_->RenumberLog(NoSerialSent(), port_), ContestLog::RenumberResult::kDone);
  EXPECT_EQ(fm_->RecordCount(log_->log()), left);
  log_.reset();
  files_.reset();
  fm_.reset();
  const store::KeyBuilder builder = qso::LogSpec(12).builder;
  const store::CheckResult check = store::CheckFiles(fs_, "QVLK0012", &builder);
  EXPECT_TRUE(check.clean) << check.Describe();
  EXPECT_EQ(check.records_in_use, left);
}

}  // namespace
}  // namespace vek
