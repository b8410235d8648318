// Rich text as word processors write it: formats, escapes, skipped groups,
// Unicode with its fallback, and files that are not whole.
#include "base/rtf_reader.h"

#include <gtest/gtest.h>

#include "base/cp1252.h"

namespace vek {
namespace {

TEST(RtfReaderTest, ParagraphsAndFormatsAreKept) {
  const auto doc = ReadRtf(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}\\pard\\fs28\\b Titel\\b0\\fs20\\par "
      "normal {\\i kursiv} \\ul unter\\ulnone  weiter\\par}");
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->paragraphs.size(), 2u);
  EXPECT_EQ(doc->PlainText(), "Titel\nnormal kursiv unter weiter");
  const RtfRun& title = doc->paragraphs[0].runs[0];
  EXPECT_TRUE(title.bold);
  EXPECT_EQ(title.half_points, 28);
  const auto& runs = doc->paragraphs[1].runs;
  ASSERT_EQ(runs.size(), 5u);  // "normal ", "kursiv", " ", "unter", " weiter"
  EXPECT_FALSE(runs[0].bold);
  EXPECT_TRUE(runs[1].italic);
  EXPECT_FALSE(runs[2].italic);  // the group ended the italics
  EXPECT_TRUE(runs[3].underline);
  EXPECT_FALSE(runs[4].underline);
  EXPECT_EQ(runs[0].half_points, 20);
}

TEST(RtfReaderTest, EscapesAndCodePageCharactersBecomeTheirCharacters) {
  const auto doc = ReadRtf("{\\rtf1 Stra\\'dfe \\{x\\} a\\\\b\\tab c\\~d \\ldblquote q\\rdblquote\\emdash}");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->PlainText(), std::string("Stra\xDF" "e {x} a\\b\tc\xA0" "d \x93q\x94\x97"));
}

TEST(RtfReaderTest, UnicodeCharactersSkipTheirFallback) {
  const auto doc = ReadRtf("{\\rtf1\\uc1 gr\\u252?n \\u8364\\'80 \\uc2\\u228??x}");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->PlainText(), W("grün €") + W(" äx"));
}

TEST(RtfReaderTest, DestinationsThatShowNothingAreSkipped) {
  const auto doc = ReadRtf(
      "{\\rtf1{\\*\\generator Writer;}{\\info{\\title Geheim}}{\\stylesheet{\\s0 Normal;}}"
      "{\\pict\\pngblip 89504e47}Text{\\*\\unknown skip me} bleibt}");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->PlainText(), "Text bleibt");
}

TEST(RtfReaderTest, WhatIsNotAWholeRichTextFileIsRefused) {
  EXPECT_FALSE(ReadRtf(""));
  EXPECT_FALSE(ReadRtf("plain text"));
  EXPECT_FALSE(ReadRtf("{\\rtf1 never closed"));
  EXPECT_FALSE(ReadRtf("{\\rtf1 {open group}"));
  EXPECT_FALSE(ReadRtf("{\\rtf1 x\\"));
  // Trailing bytes after the document are no harm.
  EXPECT_TRUE(ReadRtf("{\\rtf1 x}\r\n"));
}

}  // namespace
}  // namespace vek
