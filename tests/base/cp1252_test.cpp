#include <gtest/gtest.h>

#include "base/cp1252.h"

namespace vek {
namespace {

TEST(Cp1252Test, EveryByteSurvivesTheRoundTrip) {
  Text all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  bool lossless = false;
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all), '?', &lossless), all);
  EXPECT_TRUE(lossless);
}

TEST(Cp1252Test, UmlautsAndTheEuroSign) {
  EXPECT_EQ(Cp1252ToUtf8("L\xF6schen"), "Löschen");
  EXPECT_EQ(W("Übersicht"), "\xDC" "bersicht");
  EXPECT_EQ(W("QSO ändern"), "QSO \xE4ndern");
  EXPECT_EQ(W("€ „x“"), "\x80 \x84x\x93");
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "€");
}

TEST(Cp1252Test, UnmappableAndMalformedInputIsReplacedAndReported) {
  bool lossless = true;
  EXPECT_EQ(Utf8ToCp1252("a\xE2\x98\x83z", '?', &lossless), "a?z");  // snowman
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf8ToCp1252("a\xC3", '?', &lossless), "a?");  // cut sequence
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF", '?', &lossless), "?");  // overlong '/'
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80x", '?', &lossless), "?x");  // surrogate
  EXPECT_EQ(Utf8ToCp1252("\xFF\xFEok", '#', &lossless), "##ok");
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80!", '?', &lossless), "?!");  // emoji
  Utf8ToCp1252("plain", '?', &lossless);
  EXPECT_TRUE(lossless);
}

}  // namespace
}  // namespace vek
