#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "base/record_bytes.h"

namespace vek {
namespace {

TEST(RecordBytesTest, IntegersAreLittleEndian) {
  std::vector<std::uint8_t> rec(16, 0xEE);
  PutI32(rec, 4, -2);
  EXPECT_EQ((std::array<int, 4>{rec[4], rec[5], rec[6], rec[7]}), (std::array<int, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(GetI32(rec, 4), -2);
  EXPECT_EQ(GetU32(rec, 4), 0xFFFFFFFEu);
  PutU16(rec, 8, 0x1234);
  EXPECT_EQ(rec[8], 0x34);
  EXPECT_EQ(rec[9], 0x12);
  EXPECT_EQ(GetI16(rec, 8), 0x1234);
  PutI16(rec, 10, -300);
  EXPECT_EQ(GetI16(rec, 10), -300);
  EXPECT_EQ(GetU16(rec, 10), 65236);
  EXPECT_EQ(rec[12], 0xEE);  // neighbours untouched
}

TEST(RecordBytesTest, SinglePrecisionFloat) {
  std::vector<std::uint8_t> rec(8);
  PutF32(rec, 2, 144.3f);
  EXPECT_FLOAT_EQ(GetF32(rec, 2), 144.3f);
  PutF32(rec, 2, 1.0f);  // 0x3F800000
  EXPECT_EQ(rec[2], 0x00);
  EXPECT_EQ(rec[5], 0x3F);
  EXPECT_EQ(rec[4], 0x80);
}

TEST(RecordBytesTest, TextsAreLengthPrefixedAndCutToWidthMinusOne) {
  std::vector<std::uint8_t> rec(12, 0xAA);
  PutText(rec, 1, 6, "DL1ABCDEF");
  EXPECT_EQ(rec[1], 5);
  EXPECT_EQ(GetText(rec, 1, 6), "DL1AB");
  EXPECT_EQ(rec[7], 0xAA);  // the next field is untouched
  PutText(rec, 1, 6, "OK");
  EXPECT_EQ(GetText(rec, 1, 6), "OK");
  EXPECT_EQ(rec[4], 0);  // the unused rest is zeroed
  EXPECT_EQ(rec[6], 0);
}

TEST(RecordBytesTest, ForeignLengthByteNeverReadsPastTheField) {
  std::vector<std::uint8_t> rec = {200, 'A', 'B', 'C', 'X', 'Y'};
  EXPECT_EQ(GetText(rec, 0, 4), "ABC");
}

TEST(RecordBytesTest, LayoutEntriesByKind) {
  static constexpr FieldSpec kCall{"call", 4, 15, FieldKind::kText};
  static constexpr FieldSpec kNumber{"number", 19, 4, FieldKind::kI32};
  static constexpr FieldSpec kBand{"band", 23, 1, FieldKind::kChar};
  std::vector<std::uint8_t> rec(24);
  PutText(rec, kCall, "DL/OE1ABC/P");
  PutInteger(rec, kNumber, 123456);
  PutInteger(rec, kBand, 'k');
  EXPECT_EQ(GetText(rec, kCall), "DL/OE1ABC/P");
  EXPECT_EQ(GetInteger(rec, kNumber), 123456);
  EXPECT_EQ(GetInteger(rec, kBand), 'k');
  EXPECT_EQ(WidthOfKind(FieldKind::kF32), 4u);
}

TEST(RecordBytesDeathTest, FieldOutsideTheRecordIsALayoutFault) {
  std::vector<std::uint8_t> rec(8);
  EXPECT_DEATH(PutI32(rec, 6, 1), "outside a record of 8 bytes");
  EXPECT_DEATH(GetText(rec, 4, 5), "outside");
}

}  // namespace
}  // namespace vek
