#include <gtest/gtest.h>

#include "base/number_picture.h"
#include "base/text.h"

namespace vek {
namespace {

TEST(TextTest, PaddingCutsAndFills) {
  EXPECT_EQ(PadRight("DL1ABC", 8), "DL1ABC  ");
  EXPECT_EQ(PadRight("DL1ABCDEF", 4), "DL1A");
  EXPECT_EQ(PadRight("", 3), "   ");
  EXPECT_EQ(PadLeft("70", 5), "   70");
  EXPECT_EQ(PadLeft("123456", 3), "123456");  // a number never loses digits
  EXPECT_EQ(Centre("ab", 5), " ab  ");        // the odd blank goes right
  EXPECT_EQ(Centre("abc", 7), "  abc  ");
  EXPECT_EQ(Centre("abcdef", 3), "abc");
}

TEST(TextTest, TrimVariants) {
  EXPECT_EQ(Trim(" \t2 m\t "), "2 m");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(TrimBlanks("\tx "), "\tx");
  EXPECT_EQ(TrimRightBlanks("  x  "), "  x");
}

TEST(TextTest, UpperCaseOfTheCodePage) {
  EXPECT_EQ(AsciiUpper("dl1abc/p \xE4"), "DL1ABC/P \xE4");  // ä untouched
  EXPECT_EQ(Cp1252Upper("m\xFCller \xDF"), "M\xDCLLER \xDF");  // ü->Ü, ß stays
  EXPECT_EQ(Cp1252Upper("\x9A\xFF\xF7"), "\x8A\x9F\xF7");      // š->Š, ÿ->Ÿ, ÷ stays
}

TEST(NumberPictureTest, RightAlignsAndOverflows) {
  EXPECT_EQ(FormatPicture(42, "#######"), "     42");
  EXPECT_EQ(FormatPicture(-5, "####"), "  -5");
  EXPECT_EQ(FormatPicture(1234567, "###"), "1234567");
  EXPECT_EQ(FormatPicture(1234567, "###", Overflow::kAsterisks), "***");
  EXPECT_EQ(FormatNumber(999, 3, Overflow::kAsterisks), "999");
  EXPECT_EQ(FormatNumber(0, 6), "     0");
}

TEST(NumberPictureTest, SerialNumbersWithLeadingZeros) {
  EXPECT_EQ(ZeroPadded(7, 3), "007");
  EXPECT_EQ(ZeroPadded(999, 3), "999");
  EXPECT_EQ(ZeroPadded(1000, 3), "***");
  EXPECT_EQ(ZeroPadded(-1, 3), "***");
}

}  // namespace
}  // namespace vek
