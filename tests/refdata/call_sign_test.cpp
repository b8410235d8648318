#include <gtest/gtest.h>

#include <array>

#include "refdata/call_sign.h"
#include "refdata/dxcc_table.h"

namespace vek {
namespace {

Text Home(std::string_view call) { return CallSignPart(call, true); }
Text Prefix(std::string_view call) { return CallSignPart(call, false); }

TEST(CallSignPartTest, OneStationWhateverItsPortableForm) {
  for (std::string_view call : {"OE1ABC", "OE1ABC/P", "DL/OE1ABC", "DL/OE1ABC/P", "OE1ABC//P", "oe1abc/p",
                                "OE1ABC/P/", "OE1ABC-P", "/OE1ABC"}) {
    EXPECT_EQ(Home(call), "OE1ABC") << call;
  }
  EXPECT_EQ(Home("SV1ABC/A"), "SV1ABC/A");
  EXPECT_EQ(Home("DL1ABC/QRP"), "DL1ABC");
  EXPECT_EQ(Home("DL1ABC"), "DL1ABC");
  EXPECT_EQ(Home(""), "");
}

TEST(CallSignPartTest, PrefixPartDecidesTheCountry) {
  EXPECT_EQ(Prefix("DL/OE1ABC"), "DL");
  EXPECT_EQ(Prefix("OE1ABC/DL"), "DL");
  EXPECT_EQ(Prefix("DL1ABC/3"), "DL3");
  EXPECT_EQ(Prefix("DL1ABC/QRP"), "");
  EXPECT_EQ(Prefix("DL1ABC/P"), "DL1ABC");  // a suffix never yields a prefix part
  EXPECT_EQ(Prefix("DL1ABC"), "DL1ABC");
  EXPECT_EQ(Prefix("DL/OE1ABC/P"), "DL");
  EXPECT_EQ(Prefix("GM3ABC/SH"), "GM3ABC/SH");
}

TEST(CallSignPartTest, SpecialPairsWithAThirdPart) {
  EXPECT_EQ(Home("SV2XYZ/A/P"), "SV2XYZ/A");
  EXPECT_EQ(Home("FR5AB/G/M"), "FR5AB/G");
  // A third part that is no suffix is weighed against the joined pair.
  EXPECT_EQ(Prefix("FR5AB/G/F"), "F");
  EXPECT_EQ(Home("FR5AB/G/F"), "FR5AB/G");
  // Four parts behind a special pair: the fourth is not looked at.
  EXPECT_EQ(Home("SV2XYZ/A/P/QRP"), "SV2XYZ/A");
  EXPECT_EQ(Prefix("FR5AB/G/F/P"), "F");
}

TEST(CallSignPartTest, ChoosingBetweenTwoParts) {
  // A right part that is a DXCC entry of its own stays the prefix even when
  // the left part is not longer.
  EXPECT_EQ(Prefix("HB0/DL1ABC"), "HB0");
  EXPECT_EQ(Home("HB0/DL1ABC"), "DL1ABC");
  // A longer left part is the home call unless it is a DXCC prefix itself.
  EXPECT_EQ(Home("VP2E/K1"), "K1");
  EXPECT_EQ(Prefix("VP2E/K1"), "VP2E");
  EXPECT_EQ(Home("OE1AB/K1"), "OE1AB");
  EXPECT_EQ(Prefix("OE1AB/K1"), "K1");
  // A left part ending in three digits is no prefix.
  EXPECT_EQ(Home("123/DL1ABC"), "DL1ABC");
  EXPECT_EQ(Prefix("123/DL1ABC"), "");
  // Five parts: the first two decide.
  EXPECT_EQ(Home("DL/OE1ABC/P/X/Y"), "OE1ABC");
}

TEST(CallSignPartTest, StationSuffixListReplacesTheFirstNineEntries) {
  SuffixTable table;
  std::array<SuffixEntry, SuffixTable::kReplaceable> list{};
  list[0] = {"QRP", 1};
  table.ReplaceFirstNine(list);
  EXPECT_TRUE(table.Contains("QRP"));
  EXPECT_FALSE(table.Contains("P"));   // the built-in P was among the first nine
  EXPECT_FALSE(table.Contains(""));    // empty places match nothing
  // P is no suffix any more, so it is weighed as a prefix part; QRP is one now.
  EXPECT_EQ(CallSignPart("DL1ABC/P", false, table), "P");
  EXPECT_EQ(CallSignPart("DL1ABC/QRP", false, table), "DL1ABC");
  EXPECT_EQ(CallSignPart("DL1ABC/QRP", false), "");
  EXPECT_TRUE(BuiltInSuffixTable().Contains("LGT"));
  EXPECT_FALSE(BuiltInSuffixTable().Contains("QRP"));
}

TEST(SpecialPrefixPairTest, PairsAndComparedLength) {
  EXPECT_TRUE(IsSpecialPrefixPair("SV2XYZ", "A").is_pair);
  EXPECT_EQ(IsSpecialPrefixPair("SV2XYZ", "A").compared, 2);
  EXPECT_TRUE(IsSpecialPrefixPair("GM3ABC", "SH").is_pair);
  EXPECT_FALSE(IsSpecialPrefixPair("SV2XYZ", "P").is_pair);
  EXPECT_FALSE(IsSpecialPrefixPair("GM3ABC", "S").is_pair);
  EXPECT_TRUE(IsSpecialPrefixPair("3D2AB", "C").is_pair);
  EXPECT_EQ(IsSpecialPrefixPair("3D2AB", "R").compared, 3);
  EXPECT_EQ(IsSpecialPrefixPair("VQ9X", "D").compared, 3);
  EXPECT_TRUE(IsSpecialPrefixPair("ZK1AB", "N").is_pair);
  EXPECT_FALSE(IsSpecialPrefixPair("ZK2AB", "N").is_pair);
  EXPECT_TRUE(IsSpecialPrefixPair("JW5X", "B").is_pair);
  EXPECT_FALSE(IsSpecialPrefixPair("JW5X", "A").is_pair);
  EXPECT_TRUE(IsSpecialPrefixPair("FO8", "M").is_pair);
  EXPECT_FALSE(IsSpecialPrefixPair("", "A").is_pair);
}

TEST(DxccTableTest, EntriesAndTheCheckList) {
  EXPECT_EQ(DxccPrefixOfNumber(230), "DL");
  EXPECT_EQ(DxccTableEntry(230), "DL   ");
  EXPECT_EQ(DxccTableEntry(15), "RA-AS");
  EXPECT_EQ(DxccPrefixOfNumber(73), "");  // unassigned
  EXPECT_EQ(DxccTableEntry(73), "     ");
  EXPECT_EQ(DxccPrefixOfNumber(0), "");
  EXPECT_EQ(DxccPrefixOfNumber(517), "");
  EXPECT_EQ(DxccPrefixOfNumber(516), "FJ");
  EXPECT_EQ(DxccNumberOfTablePrefix("SV/A"), 180);
  EXPECT_EQ(DxccNumberOfTablePrefix("XX"), 0);
  EXPECT_TRUE(IsHomePrefixCheckEntry("VP6D"));     // entry 513
  EXPECT_FALSE(IsHomePrefixCheckEntry("4O"));      // entry 514 is past the list
  EXPECT_FALSE(IsHomePrefixCheckEntry("FJ"));
  EXPECT_FALSE(IsHomePrefixCheckEntry(""));
  int assigned = 0;
  for (int n = 1; n <= kDxccTableSize; ++n) assigned += !DxccPrefixOfNumber(n).empty();
  EXPECT_EQ(assigned, 396);
}

}  // namespace
}  // namespace vek
