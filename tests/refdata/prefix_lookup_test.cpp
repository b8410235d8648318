#include <gtest/gtest.h>

#include "base/scripted_user_port.h"
#include "refdata/prefix_lookup.h"
#include "refdata/prefix_record.h"
#include "store/memory_file_system.h"

namespace vek {
namespace {

using namespace prefix_record;

struct Entry {
  const char* prefix;
  const char* dxcc;
  const char* continent = "EU";
  const char* sequence = "";
  char range_start = 0;
  char scope = 0;
  DayNumber valid_from = 0;
  const char* country = "";
};

class PrefixLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.fs = &fs_;
    fm_ = std::make_unique<store::FileManager>(env_);
    ASSERT_EQ(fm_->InitFileManager(), 0);
    files_ = std::make_unique<SuiteFiles>(*fm_);
    Add(SuiteFile::kPrefixes, {"DL", "DL", "EU", "", 0, 0, 0, "Germany"});
    Add(SuiteFile::kPrefixes, {"K", "K", "NA", "", 0, 0, 0, "United States"});
    Add(SuiteFile::kPrefixes, {"SV/A", "SV/A", "EU", "", 0, 0, 0, "Mount Athos"});
    Add(SuiteFile::kPrefixes, {"SV", "SV", "EU", "", 0, 0, 0, "Greece"});
    Add(SuiteFile::kPrefixes, {"FR/G", "FR/G", "AF", "", 0, 0, 0, "Glorioso"});
    Add(SuiteFile::kPrefixes, {"GM/SH", "GM/SH", "EU", "", 0, 0, 0, "Shetland"});
    Add(SuiteFile::kPrefixes, {"UA6", "UA", "EU", "", '1', 0, 0, "European Russia"});
    Add(SuiteFile::kPrefixes, {"Z6", "Z6", "EU", "", 0, 0, *DayNumberFromDate(2018, 1, 21), "Kosovo"});
    Add(SuiteFile::kPrefixes, {"4U", "4U1I", "EU", "1", 0, 0, 0, "ITU Geneva"});
    Add(SuiteFile::kPrefixes, {"4U", "4U1U", "NA", "2", 0, 0, 0, "United Nations HQ"});
    Add(SuiteFile::kPrefixOverrides1, {"OE1", "HB0", "EU", "", 0, 'J', 0, "Override J"});
    Add(SuiteFile::kPrefixOverrides2, {"DL0ABC", "OH0", "EU", "", 0, 0, 0, "Exact call"});
    lookup_ = std::make_unique<PrefixLookup>(*files_, port_, *DayNumberFromDate(2026, 12, 9));
  }

  void Add(SuiteFile table, const Entry& e) {
    store::FileBlock* fb = files_->OpenSuiteFile(table);
    ASSERT_NE(fb, nullptr);
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutText(r, kPrefix, e.prefix);
    PutText(r, kDxccPrefix, e.dxcc);
    PutText(r, kContinent, e.continent);
    PutText(r, kSequence, e.sequence);
    PutText(r, kCountry, e.country);
    PutU8(r, kRangeStart.offset, static_cast<std::uint8_t>(e.range_start));
    PutU8(r, kOverrideScope.offset, static_cast<std::uint8_t>(e.scope));
    PutI32(r, kValidFrom.offset, e.valid_from);
    ASSERT_EQ(fm_->AddRecord(fb), 0);
    files_->CloseSuiteFile(table);
  }

  std::pair<PrefixStatus, std::string> Look(const char* call, DayNumber date = 0) {
    const PrefixResult r = lookup_->LookupPrefix(call, date);
    return {r.status, r.record.empty() ? "" : GetText(r.record, kDxccPrefix) + " " + GetText(r.record, kPrefix)};
  }

  store::MemoryFileSystem fs_;
  store::StoreEnvironment env_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<SuiteFiles> files_;
  ScriptedUserPort port_;
  std::unique_ptr<PrefixLookup> lookup_;
};

TEST_F(PrefixLookupTest, LongestPrefixAndTheCallAreaDigit) {
  EXPECT_EQ(Look("DL1ABC"), std::make_pair(PrefixStatus::kFound, std::string("DL DL1")));
  EXPECT_EQ(Look("K1XX"), std::make_pair(PrefixStatus::kFound, std::string("K K1")));
  EXPECT_EQ(Look("SV1ABC").second, "SV SV1");
  EXPECT_EQ(Look("QQ1ABC").first, PrefixStatus::kNotFound);
}

TEST_F(PrefixLookupTest, SpecialPairsAreLookedUpAsOnePrefix) {
  EXPECT_EQ(Look("SV2XYZ/A").second, "SV/A SV/A");
  EXPECT_EQ(Look("FR5AB/G").second, "FR/G FR/G");
  EXPECT_EQ(Look("GM3ABC/SH").second, "GM/SH GM/SH");
}

TEST_F(PrefixLookupTest, OverridesByScope) {
  EXPECT_EQ(Look("OE1ABC").second, "HB0 OE1");  // scope J: every call beginning with OE1
  EXPECT_EQ(Look("DL0ABC").second, "OH0 DL0ABC");  // only this exact call
  EXPECT_EQ(Look("DL0AB").second, "DL DL0");      // a shorter call is not caught
  EXPECT_EQ(Look("OE1").second, "HB0 OE1");
}

TEST_F(PrefixLookupTest, RangesAndValidity) {
  EXPECT_EQ(Look("UA4ABC").second, "UA UA4");
  EXPECT_EQ(Look("UA1ABC").second, "UA UA1");
  EXPECT_EQ(Look("UA7ABC").first, PrefixStatus::kNotFound);
  EXPECT_EQ(Look("Z60A", *DayNumberFromDate(2017, 6, 1)).first, PrefixStatus::kNotValid);
  EXPECT_EQ(Look("Z60A", *DayNumberFromDate(2019, 6, 1)).first, PrefixStatus::kFound);
  EXPECT_EQ(Look("Z60A", 0).first, PrefixStatus::kFound);  // no date: today
}

TEST_F(PrefixLookupTest, SeveralCountriesAskTheOperator) {
  port_.QueueChoice(1);
  const PrefixResult r = lookup_->LookupPrefix("4U1UN", 0);
  EXPECT_EQ(r.status, PrefixStatus::kFound);
  EXPECT_TRUE(r.chosen);
  EXPECT_EQ(GetText(r.record, kDxccPrefix), "4U1U");
  ASSERT_EQ(port_.events().size(), 1u);
  EXPECT_EQ(port_.events()[0].caption, "Auswahl DXCC");
  EXPECT_NE(port_.events()[0].text.find(" 1;4U1I;"), std::string::npos);
  port_.QueueChoice(-1);
  const PrefixResult cancelled = lookup_->LookupPrefix("4U1ITU", 0);
  EXPECT_EQ(cancelled.status, PrefixStatus::kFound);
  EXPECT_FALSE(cancelled.chosen);
  EXPECT_EQ(GetText(cancelled.record, kDxccPrefix), "");
}

TEST_F(PrefixLookupTest, ChoiceRowsShowWhereAnEntryLeads) {
  // 4U, sequence 3: an entry that lives on under its successor 4U1I.
  Entry moved{"4U", "XX", "EU", "3", 0, 0, 0, "Old name"};
  Add(SuiteFile::kPrefixes, moved);
  store::FileBlock* fb = files_->OpenSuiteFile(SuiteFile::kPrefixes);
  ASSERT_EQ(fm_->FindKey(fb, 3, "4U    3  "), 0);
  PutText(fm_->RecordBuffer(fb), kSuccessor, "4U1I");
  ASSERT_EQ(fm_->PutRecord(fb), 0);
  Add(SuiteFile::kPrefixes, {"4U1I", "4U1I", "EU", "", 0, 0, 0, "ITU Geneva"});
  files_->CloseSuiteFile(SuiteFile::kPrefixes);
  const auto rows = lookup_->ChoicesFor("4U", 0);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[2].row.find("4U1I;"), std::string::npos) << rows[2].row;
  EXPECT_NE(rows[2].row.find("ITU Geneva"), std::string::npos) << rows[2].row;
  EXPECT_EQ(files_->UseCount("QVPREFIX"), -1);  // every nested open was closed again
}

TEST(PrefixChoiceModelTest, UpAndDownWrapAround) {
  PrefixChoiceModel m(3);
  EXPECT_FALSE(m.take_enabled());
  m.Down();
  EXPECT_EQ(m.marked(), 0);
  m.Up();
  EXPECT_EQ(m.marked(), 2);  // from the first row up to the last
  m.Down();
  EXPECT_EQ(m.marked(), 0);  // and from the last down to the first
  m.Click(1);
  EXPECT_EQ(m.marked(), 1);
  EXPECT_TRUE(m.take_enabled());
  m.Click(7);
  EXPECT_EQ(m.marked(), 1);
}

TEST_F(PrefixLookupTest, DxccNumbers) {
  EXPECT_EQ(lookup_->DxccNumberOfPrefix("DL"), "230");
  EXPECT_EQ(lookup_->DxccNumberOfPrefix("3D2C"), "489");
  EXPECT_EQ(lookup_->DxccNumberOfPrefix(" K "), "291");
  EXPECT_EQ(lookup_->DxccNumberOfPrefix("QQ"), "");
  EXPECT_EQ(lookup_->DxccNumberOfPrefix(""), "");
  std::vector<std::uint8_t> entry;
  EXPECT_TRUE(lookup_->FindDxccEntry("SV/A", entry));
  EXPECT_EQ(GetText(entry, kCountry), "Mount Athos");
}

}  // namespace
}  // namespace vek
