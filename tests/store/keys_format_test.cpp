#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "store/disk_format.h"
#include "store/index_page.h"
#include "store/keys.h"
#include "store_fixture.h"

namespace vek::store {
namespace {

std::vector<int> Bytes5(const Key& k) { return std::vector<int>(k.begin(), k.end()); }
std::vector<int> Hex(std::initializer_list<int> b) {
  std::vector<int> out;
  for (int x : b) out.push_back(static_cast<char>(x));
  return out;
}

TEST(LongToKeyTest, KnownBytes) {
  EXPECT_EQ(Bytes5(LongToKey(0)), Hex({0x81, 0x80, 0x80, 0x80, 0x80}));
  EXPECT_EQ(static_cast<unsigned char>(LongToKey(1).back()), 0x81);
  EXPECT_EQ(Bytes5(LongToKey(-1)), Hex({0x71, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Bytes5(LongToKey(2147483647)), Hex({0xF1, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_LT(CompareKeys(LongToKey(-5), LongToKey(0)), 0);
  EXPECT_LT(CompareKeys(LongToKey(0), LongToKey(7)), 0);
  EXPECT_LT(CompareKeys(LongToKey(7), LongToKey(300)), 0);
}

TEST(LongToKeyTest, SortsLikeTheNumbersAndInvertsExactly) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
  std::vector<std::int32_t> values = {INT32_MIN, -1, 0, 1, INT32_MAX};
  for (int i = 0; i < 20000; ++i) values.push_back(any(rng));
  for (std::int32_t v : values) {
    const Key k = LongToKey(v);
    ASSERT_EQ(KeyToLong(k), v);
    ASSERT_EQ(std::count(k.begin(), k.end(), '\0'), 0);
  }
  for (std::size_t i = 1; i < values.size(); ++i) {
    const int c = CompareKeys(LongToKey(values[i - 1]), LongToKey(values[i]));
    ASSERT_EQ(c < 0, values[i - 1] < values[i]);
    ASSERT_EQ(c == 0, values[i - 1] == values[i]);
  }
}

TEST(CompareKeysTest, UnsignedBytesThenLength) {
  EXPECT_LT(CompareKeys("ab", "abc"), 0);
  EXPECT_GT(CompareKeys("\xF0", "a"), 0);
  EXPECT_EQ(CompareKeys("", ""), 0);
  EXPECT_LT(CompareKeys("", "\x01"), 0);
}

TEST(DiskFormatTest, SizesOfPagesAndSlots) {
  EXPECT_EQ(PageSize(5), 874);
  EXPECT_EQ(PageSize(26), 2176);
  EXPECT_EQ(PageSize(5, 3), 6 + 3 * 14);
  EXPECT_EQ(PageBytesUsed(5, 3), 48u);
  std::array<std::uint8_t, kDescriptorSize> raw{};
  EXPECT_EQ(DecodeDescriptor(raw).entries_per_page, 62);  // a stored 0 reads as 62
}

TEST(DiskFormatTest, PageRoundTripAndRefusals) {
  IndexPage p;  // as the page pool holds and writes it
  p.Reset(5, 62);
  p.set_first_child(9);
  p.Insert(0, 3, 4, "abcde");
  p.Insert(0, 1, 2, "abc");
  const std::vector<std::uint8_t> bytes(p.Used().begin(), p.Used().end());
  ASSERT_EQ(bytes.size(), 6u + 2 * 14);
  Page q;
  ASSERT_TRUE(DecodePage(bytes, 5, 62, q));
  EXPECT_EQ(q.first_child, 9);
  ASSERT_EQ(q.entries.size(), 2u);
  EXPECT_EQ(q.entries[1].key, "abcde");
  EXPECT_EQ(q.entries[1].child, 4);
  auto bad = bytes;
  bad[0] = 63;  // more entries than a page holds
  EXPECT_FALSE(DecodePage(bad, 5, 62, q));
  bad = bytes;
  bad[6 + 8] = 6;  // key longer than the index's
  EXPECT_FALSE(DecodePage(bad, 5, 62, q));
  bad = bytes;
  bad[0] = 0;
  EXPECT_FALSE(DecodePage(bad, 5, 62, q));
}

using testing::StoreTest;

class FileLayoutTest : public StoreTest {};

TEST_F(FileLayoutTest, EmptyFileblockFiles) {
  FileBlock* fb = fm_->OpenFileBlock("QSO", "QSO", 216, 216, nullptr, 0, nullptr);
  EXPECT_EQ(fm_->RecordCount(fb), 0);
  const auto& dat = *fs_.Data("QSO.DAT");
  ASSERT_EQ(dat.size(), 216u);
  EXPECT_EQ(GetI32(dat, 0), -1);
  EXPECT_EQ(GetI32(dat, 8), 0);
  EXPECT_EQ(GetI32(dat, 12), 216);
  EXPECT_EQ(dat[20], 0);
  EXPECT_FALSE(fs_.Exists("QSO.IX"));
}

TEST_F(FileLayoutTest, SlotsPagesAndDescriptors) {
  auto builder = [](ConstBytes r, int k) {
    return k == 1 ? LongToKey(GetI32(r, 4)) : PadRight(GetText(r, 8, 27), 26);
  };
  FileBlock* fb = fm_->OpenFileBlock("KK", "KK", 40, 40, nullptr, 2, builder);
  ASSERT_EQ(fm_->DefineKey(fb, 1, 5, false), 0);
  ASSERT_EQ(fm_->DefineKey(fb, 2, 26, true), 0);
  ASSERT_EQ(fm_->SetAutoNumber(fb, 1, 4), 0);
  fm_->SetFlushAfterWrite(fb, true);
  EXPECT_EQ(fm_->RecordCount(fb), 0);
  ASSERT_EQ(fs_.Data("KK.IX")->size(), 3050u);  // one slot: 874 + 2176
  const auto& ix0 = *fs_.Data("KK.IX");
  EXPECT_EQ(GetI32(ix0, 874 + 12), 2176);  // descriptor of key 2 at its offset
  EXPECT_EQ(GetI32(ix0, 874 + 0), -1);
  EXPECT_EQ(GetU16(ix0, 874 + 26), 62);
  EXPECT_EQ(ix0[874 + 20], 1);  // duplicates

  // Page 1 of key 2 lies at 3050 + 874 and is written with only its used bytes.
  fm_->ClearRecord(fb);
  PutText(fm_->RecordBuffer(fb), 8, 27, "NORDSEE");
  ASSERT_EQ(fm_->AddRecord(fb), 0);
  const auto& ix = *fs_.Data("KK.IX");
  ASSERT_EQ(ix.size(), 2u * 3050);
  EXPECT_EQ(GetU16(ix, 3924), 1);        // one entry
  EXPECT_EQ(GetI32(ix, 3924 + 6), 1);    // record 1
  EXPECT_EQ(ix[3924 + 6 + 8], 26);       // key length
  EXPECT_EQ(ix[3924 + 6 + 9], 'N');
  EXPECT_EQ(GetI32(ix, 874 + 8), 1);     // page count of key 2
  EXPECT_EQ(GetI32(ix, 874 + 16), 1);    // its root
  EXPECT_EQ(GetI32(ix, 874 + 22), 1);    // its entries

  // Old bytes behind the used part of a page survive the page's rewrite.
  std::fill(fs_.Data("KK.IX")->begin() + 3924 + 6 + 2 * 35, fs_.Data("KK.IX")->begin() + 3924 + 2176, 0xEE);
  fm_->ClearRecord(fb);
  PutText(fm_->RecordBuffer(fb), 8, 27, "ANOTHER");
  ASSERT_EQ(fm_->AddRecord(fb), 0);
  EXPECT_EQ(GetU16(*fs_.Data("KK.IX"), 3924), 2);
  EXPECT_EQ(fs_.Data("KK.IX")->at(3924 + 6 + 2 * 35), 0xEE);
  EXPECT_EQ(fs_.Data("KK.IX")->at(3924 + 2175), 0xEE);
}

TEST_F(FileLayoutTest, FirstAddAppendsOneIndexSlot) {
  FileBlock* fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 0);
  const std::size_t slot = 4 * 0 + PageSize(5) + PageSize(16) + PageSize(15) + PageSize(5);
  EXPECT_EQ(fs_.Data("TEST.IX")->size(), slot);
  ASSERT_EQ(Add(fb, "DL1ABC"), 0);
  EXPECT_EQ(fs_.Data("TEST.IX")->size(), 2 * slot);
  EXPECT_EQ(fs_.Data("TEST.DAT")->size(), 2u * testing::kRecordLength);
}

}  // namespace
}  // namespace vek::store
