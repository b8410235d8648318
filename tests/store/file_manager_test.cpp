#include <algorithm>

#include "store/keys.h"
#include <map>
#include <random>
#include <set>

#include "store_fixture.h"

namespace vek::store::testing {
namespace {

TEST_F(StoreTest, AutoNumbersCountUpAndReuseTheHighest) {
  FileBlock* fb = Open();
  for (const char* call : {"DL1A", "DL1B", "DL1C", "DL1D", "DL1E"}) ASSERT_EQ(Add(fb, call), 0);
  EXPECT_EQ(Serial(fb), 5);
  EXPECT_EQ(fm_->RecordCount(fb), 5);
  // Deleting number 5 lets the next add take 5 again.
  ASSERT_EQ(fm_->FindKey(fb, 1, LongToKey(5)), 0);
  ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  ASSERT_EQ(Add(fb, "DL1F"), 0);
  EXPECT_EQ(Serial(fb), 5);
  // Deleting 3 leaves the highest at 5, so the next is 6.
  ASSERT_EQ(fm_->FindKey(fb, 1, LongToKey(3)), 0);
  EXPECT_EQ(Call(fb), "DL1C");
  ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  ASSERT_EQ(Add(fb, "DL1G"), 0);
  EXPECT_EQ(Serial(fb), 6);
  EXPECT_EQ(fm_->RecordCount(fb), 5);
}

TEST_F(StoreTest, ReservedBytesRefuseTheAdd) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  const auto before = fs_.AppliedImage();
  Fill(fb, "DL1B");
  PutI32(fm_->RecordBuffer(fb), 0, 7);
  EXPECT_EQ(fm_->AddRecord(fb), 1);
  EXPECT_EQ(fm_->ErrorNumber(), kReservedBytesSet);
  EXPECT_EQ(fs_.AppliedImage(), before);
}

TEST_F(StoreTest, DuplicateUniqueKeyLeavesNothingBehind) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A", 'k'), 0);
  ASSERT_EQ(Add(fb, "DL1B", 'l'), 0);
  const auto before = fs_.AppliedImage();
  EXPECT_EQ(Add(fb, "DL1A", 'm'), 1);  // key 3 (call) is unique
  EXPECT_EQ(fm_->ErrorNumber(), kDuplicateKey);
  EXPECT_EQ(fs_.AppliedImage(), before);
  // Keys 1 and 2 of the refused record are nowhere, and the slot is free.
  EXPECT_EQ(fm_->SearchKey(fb, 2, "m"), 1);
  ASSERT_EQ(Add(fb, "DL1C", 'm'), 0);
  EXPECT_EQ(Serial(fb), 3);
  EXPECT_EQ(fm_->RecordCount(fb), 3);
}

TEST_F(StoreTest, DeletedSlotsAreReusedAndTheChainIsOnDisk) {
  FileBlock* fb = Open();
  for (const char* call : {"A1", "A2", "A3", "A4", "A5"}) ASSERT_EQ(Add(fb, call), 0);
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("A3", 15)), 0);
  ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("A5", 15)), 0);
  ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  auto& dat = *fs_.Data("TEST.DAT");
  EXPECT_EQ(GetI32(dat, 0), 5);                       // first deleted
  EXPECT_EQ(GetI32(dat, 4), 2);                       // deleted count
  EXPECT_EQ(GetI32(dat, 5 * kRecordLength), 3);       // link in record 5
  EXPECT_EQ(GetI32(dat, 3 * kRecordLength), -1);      // end of chain in record 3
  EXPECT_EQ(fm_->RecordCount(fb), 3);
  const auto size = dat.size();
  ASSERT_EQ(Add(fb, "A6"), 0);
  EXPECT_EQ(fb->current_record(), 5);
  EXPECT_EQ(fs_.Data("TEST.DAT")->size(), size);
}

TEST_F(StoreTest, SearchFirstAndEmptyIndex) {
  FileBlock* fb = Open();
  Fill(fb, "UNTOUCHED");
  EXPECT_EQ(fm_->FirstKey(fb, 2), 1);
  EXPECT_EQ(Call(fb), "UNTOUCHED");  // a failed positioning keeps the buffer
  ASSERT_EQ(Add(fb, "DL1X", 'l'), 0);
  ASSERT_EQ(Add(fb, "DL1Y", 'k'), 0);
  ASSERT_EQ(Add(fb, "DL1Z", 'l'), 0);
  ASSERT_EQ(fm_->SearchKey(fb, 2, "l"), 0);
  EXPECT_EQ(Call(fb), "DL1X");
  ASSERT_EQ(fm_->NextKey(fb, 2), 0);
  EXPECT_EQ(Call(fb), "DL1Z");
  EXPECT_EQ(fm_->NextKey(fb, 2), 1);
  EXPECT_EQ(Call(fb), "DL1Z");
  EXPECT_EQ(fm_->SearchKey(fb, 2, "m"), 1);
  ASSERT_EQ(fm_->SearchKey(fb, 2, "a"), 0);
  EXPECT_EQ(Call(fb), "DL1Y");
  ASSERT_EQ(fm_->LastKey(fb, 3), 0);
  EXPECT_EQ(Call(fb), "DL1Z");
  ASSERT_EQ(fm_->PrevKey(fb, 3), 0);
  EXPECT_EQ(Call(fb), "DL1Y");
}

TEST_F(StoreTest, NextOnAnotherIndexContinuesFromTheCurrentRecord) {
  FileBlock* fb = Open();
  // value order: C(1) A(2) B(3); call order: A B C
  ASSERT_EQ(Add(fb, "A", 'k', 2), 0);
  ASSERT_EQ(Add(fb, "B", 'k', 3), 0);
  ASSERT_EQ(Add(fb, "C", 'k', 1), 0);
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("A", 15)), 0);
  ASSERT_EQ(fm_->NextKey(fb, 4), 0);  // after A (2) in value order comes B (3)
  EXPECT_EQ(Call(fb), "B");
  ASSERT_EQ(fm_->NextKey(fb, 3), 0);  // after B in call order comes C
  EXPECT_EQ(Call(fb), "C");
  ASSERT_EQ(fm_->PrevKey(fb, 4), 1);  // C has the lowest value
}

TEST_F(StoreTest, DuplicatesOrderByRecordNumber) {
  FileBlock* fb = Open();
  for (int i = 0; i < 200; ++i) ASSERT_EQ(Add(fb, "C" + std::to_string(i), 'k', 7), 0);
  ASSERT_EQ(fm_->FindKey(fb, 4, LongToKey(7)), 0);
  EXPECT_EQ(fb->current_record(), 1);
  std::int32_t last = 1;
  int seen = 1;
  while (fm_->NextKey(fb, 4) == 0) {
    EXPECT_GT(fb->current_record(), last);
    last = fb->current_record();
    ++seen;
  }
  EXPECT_EQ(seen, 200);
}

TEST_F(StoreTest, DeleteNeedsAnUnchangedRecordAndPutWithoutChangeWritesNothing) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("DL1A", 15)), 0);
  const auto writes = fs_.writes();
  EXPECT_EQ(fm_->PutRecord(fb), 0);
  EXPECT_EQ(fs_.writes(), writes);
  PutI32(fm_->RecordBuffer(fb), 25, 99);
  EXPECT_EQ(fm_->DeleteRecord(fb), 1);
  EXPECT_EQ(fm_->ErrorNumber(), kRecordNotRead);
  ASSERT_EQ(fm_->PutRecord(fb), 0);
  ASSERT_EQ(fm_->FindKey(fb, 4, LongToKey(99)), 0);
  EXPECT_EQ(Call(fb), "DL1A");
  ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  EXPECT_EQ(fm_->NextKey(fb, 1), 1);  // no current record any more
  EXPECT_EQ(fm_->RecordCount(fb), 0);
}

TEST_F(StoreTest, PutWithAKeyThatAnotherRecordHoldsIsRefused) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  ASSERT_EQ(Add(fb, "DL1B"), 0);
  PutText(fm_->RecordBuffer(fb), 9, 16, "DL1A");
  EXPECT_EQ(fm_->PutRecord(fb), 1);
  EXPECT_EQ(fm_->ErrorNumber(), kDuplicateKey);
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("DL1B", 15)), 0);
  EXPECT_EQ(Serial(fb), 2);
}

TEST_F(StoreTest, MissingRecordFileIsCreatedAndAMissingIndexRebuilt) {
  FileBlock* fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 0);
  EXPECT_TRUE(fs_.Exists("TEST.DAT"));
  EXPECT_TRUE(fs_.Exists("TEST.IX"));
  EXPECT_TRUE(rec_.questions.empty());
  for (int i = 0; i < 300; ++i) ASSERT_EQ(Add(fb, "R" + std::to_string(i), 'a' + i % 5, i % 17), 0);
  Restart();
  ASSERT_EQ(fs_.Remove("TEST.IX"), 0);
  fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 300);
  for (int k = 1; k <= kKeys; ++k) {
    int n = 0;
    for (int s = fm_->FirstKey(fb, k); s == 0; s = fm_->NextKey(fb, k)) ++n;
    EXPECT_EQ(n, 300) << "key " << k;
  }
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("R123", 15)), 0);
  EXPECT_EQ(Serial(fb), 124);
}

TEST_F(StoreTest, ZeroByteRecordFileGivesWayToTheAltFile) {
  {
    FileBlock* fb = Open();
    ASSERT_EQ(Add(fb, "DL1OLD"), 0);
  }
  Restart();
  ASSERT_EQ(fs_.Rename("TEST.DAT", "TEST.ALT"), 0);
  fs_.Append("TEST.DAT", "");  // 0 bytes
  FileBlock* fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 1);
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("DL1OLD", 15)), 0);
  EXPECT_FALSE(fs_.Exists("TEST.ALT"));
}

TEST_F(StoreTest, FortyFileBlocksShareThirtyTwoHandles) {
  std::vector<FileBlock*> blocks;
  for (int i = 0; i < 40; ++i) blocks.push_back(Open("F" + std::to_string(i)));
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 40; ++i) {
      ASSERT_EQ(Add(blocks[i], "C" + std::to_string(round)), 0) << i;
      EXPECT_LE(fm_->OpenFileHandles(), 32);
    }
  }
  for (int i = 0; i < 40; ++i) EXPECT_EQ(fm_->RecordCount(blocks[i]), 3);
  ASSERT_EQ(fm_->FindKey(blocks[3], 3, PadRight("C1", 15)), 0);
}

TEST_F(StoreTest, ConfigurationChecks) {
  FileBlock* fb = fm_->OpenFileBlock("CFG", "CFG", kRecordLength, kRecordLength, nullptr, 2, TestKey);
  EXPECT_EQ(fm_->DefineKey(fb, 3, 5, false), 1);
  EXPECT_EQ(fm_->DefineKey(fb, 1, 0, false), 2);
  EXPECT_EQ(fm_->DefineKey(fb, 1, 51, false), 2);
  EXPECT_EQ(fm_->SetAutoNumber(fb, 1, 4), 1);  // key 1 not defined yet
  ASSERT_EQ(fm_->DefineKey(fb, 1, 5, false), 0);
  EXPECT_EQ(fm_->SetAutoNumber(fb, 1, 46), 2);  // the field would leave the record
  ASSERT_EQ(fm_->DefineKey(fb, 2, 16, true), 0);
  EXPECT_EQ(fm_->SetAutoNumber(fb, 2, 4), 3);  // key 2 does not end with the number
  EXPECT_EQ(rec_.stops.size(), 1u);
}

TEST_F(StoreTest, FindOpenFileBlockByDisplayName) {
  FileBlock* fb = Open("QVLK0001");
  EXPECT_EQ(fm_->FindOpenFileBlock("qvlk0001"), fb);
  EXPECT_EQ(fm_->Status(), 0);
  EXPECT_EQ(fm_->FindOpenFileBlock("QVLK0002"), nullptr);
  EXPECT_EQ(fm_->Status(), 1);
}

TEST(FileManagerStartTest, StartsOnceWithSaneLimits) {
  MemoryFileSystem fs;
  Recorded rec;
  FileManager fm(MakeEnvironment(&fs, &rec));
  EXPECT_NE(fm.InitFileManager(160, 6), 0);
  EXPECT_NE(fm.InitFileManager(7, 32), 0);
  EXPECT_EQ(fm.InitFileManager(160, 32), 0);
  EXPECT_NE(fm.InitFileManager(160, 32), 0);
  EXPECT_TRUE(rec.stops.empty());
}

// Every sync the disk waits for is needed: an add becomes durable with three
// (the being-changed mark, the index, the record file), a rewrite that moves
// no key with two, buffered changes with the mark and one flush; a file only
// read, or closed after its changes were flushed, waits for none.
TEST_F(StoreTest, OnlyWhatWasWrittenIsWaitedFor) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1ABC"), 0);
  std::int64_t before = fs_.syncs();
  ASSERT_EQ(Add(fb, "DL2XYZ"), 0);
  EXPECT_EQ(fs_.syncs() - before, 3);
  before = fs_.syncs();
  fm_->RecordBuffer(fb)[30] = 'x';
  ASSERT_EQ(fm_->PutRecord(fb), 0);
  EXPECT_EQ(fs_.syncs() - before, 2);
  before = fs_.syncs();
  ASSERT_EQ(fm_->CloseFileBlock(fb), 0);
  EXPECT_EQ(fs_.syncs(), before);

  fb = Open();
  before = fs_.syncs();
  ASSERT_EQ(fm_->SearchKey(fb, 3, "DL2XYZ"), 0);
  EXPECT_EQ(Call(fb), "DL2XYZ");
  EXPECT_EQ(fm_->RecordBuffer(fb)[30], 'x');
  ASSERT_EQ(fm_->CloseFileBlock(fb), 0);
  EXPECT_EQ(fs_.syncs(), before);

  fb = Open("TEST", false);
  before = fs_.syncs();
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Add(fb, "DK" + std::to_string(i) + "AA"), 0);
  EXPECT_EQ(fs_.syncs() - before, 1);
  ASSERT_EQ(fm_->CloseFileBlock(fb), 0);
  EXPECT_EQ(fs_.syncs() - before, 3);
  // All of it is on the disk for a store started on the durable image.
  fs_ = MemoryFileSystem(fs_.DurableImage());
  Restart();
  fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 22);
  ASSERT_EQ(fm_->SearchKey(fb, 3, "DK19AA"), 0);
  EXPECT_EQ(Call(fb), "DK19AA");
}

// A walk steps along its leaf while nothing changed; adds and deletes just
// ahead of it, look-ups that move its position and put it back, and a pool
// too small to keep the leaf must all leave it on the entries a model says.
TEST_F(StoreTest, AWalkSeesChangesAheadOfItAndLookUpsInsideIt) {
  for (int pages : {4096, 8}) {
    SCOPED_TRACE(pages);
    fm_ = std::make_unique<FileManager>(MakeEnvironment(&fs_, &rec_, &clock_));
    ASSERT_EQ(fm_->InitFileManager(pages), 0);
    const std::string name = "WALK" + std::to_string(pages);
    FileBlock* fb = Open(name, false);
    std::mt19937 random(pages);
    std::set<std::pair<std::int32_t, std::string>> model;  // value (key 4), then call
    for (int i = 0; i < 600; ++i) {
      const std::string call = "DA" + std::to_string(i);
      const auto value = static_cast<std::int32_t>(random() % 300) * 2;
      ASSERT_EQ(Add(fb, call, 'k', value), 0);
      model.insert({value, call});
    }
    std::vector<std::pair<std::int32_t, std::string>> walked;
    int added = 0;
    for (int s = fm_->FirstKey(fb, 4); s == 0; s = fm_->NextKey(fb, 4)) {
      const std::int32_t value = GetI32(fm_->RecordBuffer(fb), 25);
      walked.emplace_back(value, Call(fb));
      const std::uint32_t what = random() % 6;
      if (what == 0) {
        // A record whose key comes right after this one: the walk must meet it.
        const std::string call = "DB" + std::to_string(added++);
        KeepPosition keep(*fm_, fb);
        ASSERT_EQ(Add(fb, call, 'k', value + 1), 0);
        model.insert({value + 1, call});
      } else if (what == 1) {
        // A record ahead of the walk goes: the walk must not meet it.
        auto next = model.lower_bound({value + 1, std::string()});
        if (next == model.end()) continue;
        KeepPosition keep(*fm_, fb);
        ASSERT_EQ(fm_->FindKey(fb, 3, PadRight(next->second, 15)), 0);
        ASSERT_EQ(fm_->DeleteRecord(fb), 0);
        model.erase(next);
      } else if (what == 2) {
        KeepPosition keep(*fm_, fb);  // a look-up elsewhere in the same index
        EXPECT_LE(fm_->SearchKey(fb, 4, LongToKey(static_cast<std::int32_t>(random() % 600))), 1);
      }
    }
    // Entries of equal value walk in record order, which the model's call
    // order need not be: compare the multisets of each value in turn.
    std::vector<std::pair<std::int32_t, std::string>> expected(model.begin(), model.end());
    auto by_value_then_call = [](auto& v) { std::sort(v.begin(), v.end()); };
    by_value_then_call(walked);
    EXPECT_EQ(walked, expected);
    fm_.reset();
  }
}

// A held walk in key order meets the records all over the file and soon
// reads the whole record file at once: a record rewritten ahead of it, by
// this program or (between two held readings) by another, must still be
// met as it is now.
TEST_F(StoreTest, AHeldWalkInKeyOrderMeetsRecordsRewrittenAheadOfIt) {
  constexpr int kCount = 1500;
  FileBlock* fb = Open("HELD", false);
  std::vector<std::string> call_of(kCount);  // by value: values are a permutation
  std::map<std::string, char> band;
  for (int i = 0; i < kCount; ++i) {
    const auto value = static_cast<std::int32_t>(i * 617 % kCount);
    call_of[static_cast<std::size_t>(value)] = "DC" + std::to_string(i);
    band[call_of[static_cast<std::size_t>(value)]] = 'k';
    ASSERT_EQ(Add(fb, call_of[static_cast<std::size_t>(value)], 'k', value), 0);
  }
  ASSERT_EQ(fm_->Flush(fb), 0);
  Recorded other_rec;
  FileManager other(MakeEnvironment(&fs_, &other_rec, &clock_));
  ASSERT_EQ(other.InitFileManager(), 0);
  FileBlock* theirs = OpenTestBlock(other, "HELD", false);

  auto rewrite = [&](FileManager& fm, FileBlock* block, const std::string& call, char new_band) {
    ASSERT_EQ(fm.FindKey(block, 3, PadRight(call, 15)), 0);
    fm.RecordBuffer(block)[8] = static_cast<std::uint8_t>(new_band);
    ASSERT_EQ(fm.PutRecord(block), 0);
    band[call] = new_band;
  };
  int steps = 0, met_changed = 0;
  auto held = std::make_unique<HeldReading>(*fm_, fb);
  for (int s = fm_->FirstKey(fb, 4); s == 0; s = fm_->NextKey(fb, 4)) {
    const std::string call = Call(fb);
    EXPECT_EQ(static_cast<char>(fm_->RecordBuffer(fb)[8]), band[call]) << call << " at step " << steps;
    if (band[call] != 'k') ++met_changed;
    const std::int32_t value = GetI32(fm_->RecordBuffer(fb), 25);
    if (++steps == 400) {
      KeepPosition keep(*fm_, fb);
      rewrite(*fm_, fb, call_of[static_cast<std::size_t>(value + 300)], 'm');
    } else if (steps == 800) {
      held.reset();
      rewrite(other, theirs, call_of[static_cast<std::size_t>(value + 300)], 'n');
      held = std::make_unique<HeldReading>(*fm_, fb);
    }
  }
  held.reset();
  EXPECT_EQ(steps, kCount);
  EXPECT_EQ(met_changed, 2);
  other.ExitFileManager();
}

}  // namespace
}  // namespace vek::store::testing
