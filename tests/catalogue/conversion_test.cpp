// "Konvertieren": the older program family's log becomes the catalogue
// entry's log, and no QSO of either log is lost or mixed into another.
#include "catalogue_fixture.h"
#include "logging/qso_record.h"
#include "store/file_block_opener.h"
#include "store/store_check.h"

namespace vek::testing {
namespace {

class ConversionTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    host_.script = [](SetupModel& m) { return TypeNewLog(m, "Alt-Log"); };
    c_ = StartProgram();
    ASSERT_EQ(c_->CurrentLogNumber(), 1);
  }

  // An older log with `count` QSOs, written in reverse time order.
  void WriteOldLog(std::int32_t number, int count, const std::string& prefix = "DL") {
    store::FileBlockOpener opener(*fm_);
    store::FileBlock* fb = opener.Open(qso::OldLogSpec(number));
    ASSERT_NE(fb, nullptr);
    for (int i = count; i >= 1; --i) {
      fm_->ClearRecord(fb);
      Bytes r = fm_->RecordBuffer(fb);
      PutText(r, qso::kCall, prefix + std::to_string(i) + "ABC");
      PutI32(r, qso::kDate.offset, *DayNumberFromDate(2008, 11, 15));
      PutI32(r, qso::kTime.offset, 14 * 3600 + i * 60);
      PutText(r, qso::kMode, "SSB");
      PutU8(r, qso::kBand.offset, 'k');
      PutI32(r, qso::kSerialNo.offset, i);
      PutText(r, qso::kSentPart1, "59 00" + std::to_string(i));
      PutU8(r, qso::kQslSent.offset, 'Y');
      r[200] = 0x77;  // beyond the taken-over fields of the older layout
      ASSERT_EQ(fm_->AddRecord(fb), 0);
    }
    opener.Close(fb);
  }

  std::vector<std::string> Calls(std::int32_t number, bool converted = false) {
    store::FileBlockOpener opener(*fm_);
    store::FileBlock* fb = opener.Open(qso::LogSpec(number));
    std::vector<std::string> calls;
    for (int s = fm_->FirstKey(fb, 4); s == 0; s = fm_->NextKey(fb, 4)) {
      ConstBytes r = fm_->RecordBuffer(fb);
      calls.push_back(GetText(r, qso::kCall) + "#" + std::to_string(GetI32(r, qso::kEntryNo.offset)));
      if (converted) {
        EXPECT_EQ(r[200], 0);  // only the listed fields come over
        EXPECT_EQ(GetU8(r, qso::kQslSent.offset), 'Y');
      }
    }
    opener.Close(fb);
    return calls;
  }

  std::unique_ptr<CatalogueController> c_;
};

TEST_F(ConversionTest, TakesTheQsosOverInTimeOrderAndEmptiesTheOldLog) {
  WriteOldLog(1, 3);
  port_.QueueAnswer(true);
  c_->Convert();
  EXPECT_EQ(port_.Messages().back(), "Konvertierung erfolgreich!");
  EXPECT_EQ(Calls(1, true), (std::vector<std::string>{"DL1ABC#1", "DL2ABC#2", "DL3ABC#3"}));
  EXPECT_FALSE(fs_.Exists("VIDK0001.DAT"));
  EXPECT_FALSE(fs_.Exists("QVLK9999.DAT"));
  EXPECT_TRUE(store::CheckFiles(fs_, "QVLK0001").clean);
}

TEST_F(ConversionTest, NoMeansNothingHappens) {
  WriteOldLog(1, 2);
  port_.QueueAnswer(false);
  c_->Convert();
  EXPECT_TRUE(fs_.Exists("VIDK0001.DAT"));
  EXPECT_FALSE(fs_.Exists("QVLK0001.DAT"));
}

TEST_F(ConversionTest, ATargetWithQsosIsNeverReplaced) {
  WriteOldLog(1, 2, "OE");
  {
    store::FileBlockOpener opener(*fm_);
    store::FileBlock* fb = opener.Open(qso::LogSpec(1));
    fm_->ClearRecord(fb);
    PutText(fm_->RecordBuffer(fb), qso::kCall, "DL9NEW");
    ASSERT_EQ(fm_->AddRecord(fb), 0);
    opener.Close(fb);
  }
  port_.QueueAnswer(true);
  c_->Convert();
  EXPECT_NE(port_.Messages().back().find("enth\xE4lt bereits QSOs"), Text::npos);
  EXPECT_EQ(Calls(1), std::vector<std::string>{"DL9NEW#1"});
  EXPECT_TRUE(fs_.Exists("VIDK0001.DAT"));  // the older log keeps its QSOs
}

TEST_F(ConversionTest, LeftoverWorkDataSetStopsInsteadOfMixing) {
  WriteOldLog(1, 2);
  {
    store::FileBlockOpener opener(*fm_);
    store::FileBlock* fb = opener.Open(qso::LogSpec(9999));
    fm_->ClearRecord(fb);
    PutText(fm_->RecordBuffer(fb), qso::kCall, "G0OLD");
    ASSERT_EQ(fm_->AddRecord(fb), 0);
    opener.Close(fb);
  }
  port_.QueueAnswer(true);
  c_->Convert();
  EXPECT_NE(port_.Messages().back().find("nicht abgeschlossen"), Text::npos);
  EXPECT_EQ(Calls(9999), std::vector<std::string>{"G0OLD#1"});
  EXPECT_TRUE(fs_.Exists("VIDK0001.DAT"));
}

TEST_F(ConversionTest, AFailedRenameKeepsTheOlderLog) {
  WriteOldLog(1, 2);
  fs_.FailRename("QVLK0001.DAT", store::kOsFailure);
  port_.QueueAnswer(true);
  c_->Convert();
  fs_.FailRename("QVLK0001.DAT", 0);
  EXPECT_NE(port_.Messages().back().find("fehlgeschlagen"), Text::npos);
  EXPECT_TRUE(fs_.Exists("VIDK0001.DAT"));  // the older log keeps its QSOs
  EXPECT_FALSE(fs_.Exists("QVLK9999.DAT"));  // and no work data set is left to mix into
  // A second try, with the rename working, converts as usual.
  port_.QueueAnswer(true);
  c_->Convert();
  EXPECT_EQ(Calls(1, true).size(), 2u);
}

TEST_F(ConversionTest, WithoutAnOlderLogItSaysSo) {
  port_.QueueAnswer(true);
  c_->Convert();
  EXPECT_NE(port_.Messages().back().find("kein \xE4lteres Log VIDK0001"), Text::npos);
  EXPECT_FALSE(fs_.Exists("VIDK0001.DAT"));  // nothing was created
}

}  // namespace
}  // namespace vek::testing
