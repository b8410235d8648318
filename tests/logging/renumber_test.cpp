// A renumbering refills the log in bulk and judges each contact's marks
// against the contacts put back before it without searching the log. The
// result must be what putting the contacts back one by one gives, with every
// mark found by searching the log's indexes: the same record file, byte for
// byte, and the same walk through every index.
#include <gtest/gtest.h>

#include <random>

#include "base/scripted_user_port.h"
#include "logging/contest_log.h"
#include "logging/contest_totals.h"
#include "logging/qso_record.h"
#include "memory_store.h"
#include "refdata/modes.h"
#include "store/store_check.h"
#include "whole_log_contest.h"

namespace vek {
namespace {

class RenumberTest : public ::testing::Test {
 protected:
  void Reset() {
    files_.reset();
    fm_.reset();
    fs_ = std::make_unique<store::MemoryFileSystem>();
    StartMemoryStore(*fs_, fm_, files_);
  }

  // The same contacts into logs 7 and 8: repeated calls, locators, DOKs and
  // countries on three bands and three modes, in no time order, with
  // band-change entries and a few deleted contacts among them.
  void WriteLogs(std::uint32_t seed, int count) {
    for (std::int32_t number : {7, 8}) {
      std::mt19937 rng(seed);
      ContestLog log(*files_, number);
      ASSERT_TRUE(log.OpenContestLog());
      store::FileBlock* fb = log.log();
      fm_->SetFlushAfterWrite(fb, false);
      for (int i = 0; i < count; ++i) {
        fm_->ClearRecord(fb);
        Bytes r = fm_->RecordBuffer(fb);
        const bool qsy = rng() % 50 == 0;
        PutText(r, qso::kCall, qsy ? "QSY" : "D" + std::string(1, "FLKJ"[rng() % 4]) + std::to_string(rng() % 40) + "X");
        PutI32(r, qso::kDate.offset, 149338 + static_cast<int>(rng() % 2));
        PutI32(r, qso::kTime.offset, static_cast<int>(rng() % 3000) * 30);
        PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>("klm"[rng() % 3]));
        if (qsy) PutU8(r, qso::kQsyBand.offset, static_cast<std::uint8_t>("klm"[rng() % 3]));
        PutText(r, qso::kMode, std::array<const char*, 3>{"SSB", "CW", "FM"}[rng() % 3]);
        PutText(r, qso::kLocator, "JO" + std::to_string(20 + rng() % 15) + "AB");
        StoreRcvdDok(r, std::array<const char*, 5>{"I38", "I23", "Z02", "A12", ""}[rng() % 5]);
        StoreRcvdExchange(r, "59 " + std::to_string(rng() % 100));
        PutText(r, qso::kCountryPrefix, std::array<const char*, 4>{"DL", "PA", "ON", "OZ"}[rng() % 4]);
        PutText(r, qso::kContinent, "EU");
        PutText(r, qso::kWpxPrefix, "DL" + std::to_string(rng() % 9));
        ASSERT_EQ(fm_->AddRecord(fb), 0);
      }
      for (int i = 0; i < count / 20; ++i) {
        if (fm_->FindKey(fb, 4, store::LongToKey(static_cast<std::int32_t>(1 + rng() % count))) == 0) {
          ASSERT_EQ(fm_->DeleteRecord(fb), 0);
        }
      }
      ASSERT_EQ(fm_->Flush(fb), 0);
    }
  }

  // Log 8 renumbered the way that needs no bulk fill: every contact added on
  // its own, every mark found by searching the log's indexes.
  void RenumberOneByOne(const ContestDefinition& d, char code) {
    ContestLog log(*files_, 8);
    ContestLog temp(*files_, 99);
    ASSERT_TRUE(log.OpenContestLog());
    ASSERT_TRUE(temp.OpenContestLog());
    store::FileBlock* fb = log.log();
    store::FileBlock* tb = temp.log();
    for (int s = fm_->FirstKey(fb, 1); s == 0; s = fm_->NextKey(fb, 1)) {
      ConstBytes r = fm_->RecordBuffer(fb);
      if (GetU8(r, qso::kQsyBand.offset) != 0) continue;
      Bytes t = fm_->RecordBuffer(tb);
      std::copy(r.begin(), r.end(), t.begin());
      PutI32(t, qso::kEntryNo.offset, 0);
      ASSERT_EQ(fm_->AddRecord(tb), 0);
    }
    ASSERT_EQ(fm_->EmptyFileBlock(fb), 0);
    fm_->SetFlushAfterWrite(fb, false);
    ContestTotals totals(*fm_, fb, WholeLogScoring(d, code));
    std::map<char, std::int32_t> bands, modes;
    for (int s = fm_->FirstKey(tb, 1); s == 0; s = fm_->NextKey(tb, 1)) {
      std::vector<std::uint8_t> r(fm_->RecordBuffer(tb).begin(), fm_->RecordBuffer(tb).end());
      PutI32(r, qso::kEntryNo.offset, 0);
      PutI32(r, qso::kSerialNo.offset, GetI32(fm_->RecordBuffer(tb), qso::kEntryNo.offset));
      const std::int32_t band_no = ++bands[static_cast<char>(GetU8(r, qso::kBand.offset))];
      PutI32(r, qso::kBandNoA.offset, band_no);
      PutI32(r, qso::kBandNoB.offset, band_no);
      PutU16(r, qso::kModeNo.offset,
             static_cast<std::uint16_t>(++modes[ModeCodeFromText(GetText(r, qso::kMode))]));
      totals.EvaluateMultipliers(r, false);
      fm_->ClearRecord(fb);
      std::copy(r.begin(), r.end(), fm_->RecordBuffer(fb).begin());
      ASSERT_EQ(fm_->AddRecord(fb), 0);
    }
    ASSERT_EQ(fm_->Flush(fb), 0);
  }

  std::vector<std::pair<store::Key, std::int32_t>> Walk(std::int32_t number, int key) {
    ContestLog log(*files_, number);
    EXPECT_TRUE(log.OpenContestLog());
    std::vector<std::pair<store::Key, std::int32_t>> out;
    for (int s = fm_->FirstKey(log.log(), key); s == 0; s = fm_->NextKey(log.log(), key))
      out.emplace_back(log.log()->position_text(), log.log()->current_record());
    return out;
  }

  std::unique_ptr<store::MemoryFileSystem> fs_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<SuiteFiles> files_;
  ScriptedUserPort port_;
};

TEST_F(RenumberTest, TheBulkRenumberingLeavesWhatContactsPutBackOneByOneLeave) {
  int compared = 0, codes_marked = 0;
  for (char code : std::string("g1D6hkE9S2357cPiLKRNfUn")) {
    SCOPED_TRACE(std::string("contest code ") + code);
    Reset();
    const ContestDefinition d = WholeLogDefinition(code);
    if (d.SentKind1 == kSerial || d.SentKind2 == kSerial || d.SentKind3 == kSerial) continue;  // never renumbered
    WriteLogs(static_cast<std::uint32_t>(code) * 7919u, 1000);
    {
      ContestLog log(*files_, 7);
      ASSERT_TRUE(log.OpenContestLog());
      ContestTotals totals(*fm_, log.log(), WholeLogScoring(d, code));
      ASSERT_EQ(log.RenumberLog(d, port_, &totals), ContestLog::RenumberResult::kDone);
    }
    RenumberOneByOne(d, code);
    ASSERT_EQ(*fs_->Data("QVLK0007.DAT"), *fs_->Data("QVLK0008.DAT"));
    for (int key = 1; key <= static_cast<int>(qso::LogSpec(7).keys.size()); ++key) EXPECT_EQ(Walk(7, key), Walk(8, key)) << "key " << key;
    // The marks were judged, not left empty (some codes' multipliers need
    // data these contacts do not have).
    ContestLog log(*files_, 7);
    ASSERT_TRUE(log.OpenContestLog());
    int marked = 0;
    for (int s = fm_->FirstKey(log.log(), 4); s == 0; s = fm_->NextKey(log.log(), 4))
      marked += !GetText(fm_->RecordBuffer(log.log()), qso::kMultiMark1).empty() ||
                !GetText(fm_->RecordBuffer(log.log()), qso::kMultiMark2).empty();
    codes_marked += marked > 0;
    log.CloseContestLog();
    const store::KeyBuilder builder = qso::LogSpec(7).builder;
    const store::CheckResult check = store::CheckFiles(*fs_, "QVLK0007", &builder);
    EXPECT_TRUE(check.clean) << check.Describe();
    ++compared;
  }
  EXPECT_GE(compared, 15);
  EXPECT_GE(codes_marked, 8);
}

}  // namespace
}  // namespace vek
