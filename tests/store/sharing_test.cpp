// Two processes on one fileblock, played by two file managers over the same
// in-memory file system: what one changes the other sees at its next
// operation, a live writer's mark is no crash, and the repairs that replace
// the record file wait until nobody else has it open.
#include <gtest/gtest.h>

#include "store/memory_file_system.h"
#include "store/store_check.h"
#include "store_fixture.h"

namespace vek::store::testing {
namespace {

struct Process {
  std::unique_ptr<FileManager> fm;
  FileBlock* fb = nullptr;
  Recorded rec;
};

std::unique_ptr<Process> Start(MemoryFileSystem& fs, bool flush = true) {
  auto p = std::make_unique<Process>();
  p->fm = std::make_unique<FileManager>(MakeEnvironment(&fs, &p->rec));
  EXPECT_EQ(p->fm->InitFileManager(), 0);
  Recorded* rec = &p->rec;
  p->fm->SetLockQuestion([rec](const std::string& name, LockQuestion q) {
    if (q == LockQuestion::kRebuildIndex || q == LockQuestion::kCreateFiles) return true;
    rec->questions.emplace_back(name, q);
    return rec->answer;
  });
  p->fb = OpenTestBlock(*p->fm, "LOG", flush);
  return p;
}

int Add(Process& p, const std::string& call, std::int32_t value = 0) {
  p.fm->ClearRecord(p.fb);
  Bytes r = p.fm->RecordBuffer(p.fb);
  r[8] = 'a';
  PutText(r, 9, 16, call);
  PutI32(r, 25, value);
  return p.fm->AddRecord(p.fb);
}

int Find(Process& p, const std::string& call) { return p.fm->FindKey(p.fb, 3, PadRight(call, 15)); }

std::int32_t Serial(Process& p) { return GetI32(p.fm->RecordBuffer(p.fb), 4); }

void ExpectClean(MemoryFileSystem& fs) {
  const KeyBuilder builder = TestKey;
  const CheckResult check = CheckFiles(fs, "LOG", &builder);
  EXPECT_TRUE(check.clean) << check.Describe();
}

TEST(SharingTest, WhatOneProcessChangesTheOtherSeesAtItsNextOperation) {
  MemoryFileSystem fs;
  auto a = Start(fs), b = Start(fs);
  for (const char* call : {"DL1A", "DL1B", "DL1C"}) ASSERT_EQ(Add(*a, call), 0);
  ASSERT_EQ(Find(*b, "DL1B"), 0);  // b caches pages and header now
  // a renames a record, deletes another and adds a fourth.
  ASSERT_EQ(Find(*a, "DL1B"), 0);
  PutText(a->fm->RecordBuffer(a->fb), 9, 16, "DL9Z");
  ASSERT_EQ(a->fm->PutRecord(a->fb), 0);
  ASSERT_EQ(Find(*a, "DL1C"), 0);
  ASSERT_EQ(a->fm->DeleteRecord(a->fb), 0);
  ASSERT_EQ(Add(*a, "DL1D"), 0);
  EXPECT_EQ(Find(*b, "DL1B"), 1);
  EXPECT_EQ(Find(*b, "DL9Z"), 0);
  EXPECT_EQ(Find(*b, "DL1C"), 1);
  EXPECT_EQ(b->fm->RecordCount(b->fb), 3);
  // The numbers go on where the other process left them, alternately.
  // (DL1D took 3, freed by DL1C.)
  ASSERT_EQ(Add(*b, "DL2A"), 0);
  EXPECT_EQ(Serial(*b), 4);
  ASSERT_EQ(Add(*a, "DL2B"), 0);
  EXPECT_EQ(Serial(*a), 5);
  ASSERT_EQ(Add(*b, "DL2B"), 1);  // a's key is unique for b too
  ASSERT_EQ(Add(*b, "DL2C"), 0);
  EXPECT_EQ(Serial(*b), 6);
  a.reset();
  b.reset();
  ExpectClean(fs);
}

// A process that logs without a flush after every write keeps the mark set
// for a long time; another process opening then must not take it for a
// crash (a rebuild would renumber the records under the writer's feet).
TEST(SharingTest, ALiveWritersMarkIsNoCrash) {
  MemoryFileSystem fs;
  auto a = Start(fs, false);
  for (const char* call : {"DL1A", "DL1B", "DL1C", "DL1D"}) ASSERT_EQ(Add(*a, call), 0);
  ASSERT_EQ(Find(*a, "DL1A"), 0);
  ASSERT_EQ(a->fm->DeleteRecord(a->fb), 0);  // slot 1 free: a reorganisation would move the others
  ASSERT_EQ(Find(*a, "DL1D"), 0);
  ASSERT_EQ(a->fb->current_record(), 4);

  auto b = Start(fs);
  ASSERT_EQ(Find(*b, "DL1D"), 0);
  EXPECT_EQ(b->fb->current_record(), 4);
  EXPECT_EQ(b->fm->RecordCount(b->fb), 3);
  EXPECT_FALSE(fs.Exists("LOG.MSG"));
  // a's current record is still the one it read.
  PutI32(a->fm->RecordBuffer(a->fb), 25, 77);
  ASSERT_EQ(a->fm->PutRecord(a->fb), 0);
  ASSERT_EQ(Find(*b, "DL1D"), 0);
  EXPECT_EQ(GetI32(b->fm->RecordBuffer(b->fb), 25), 77);
  a.reset();
  b.reset();
  ExpectClean(fs);
}

// What a process that died in the middle of a change leaves: its record in
// a slot without index entries, the header counting it, the in-change byte
// set. The next operation of a living process repairs the files where they
// are, so its record numbers stay right.
TEST(SharingTest, AChangeCutShortByADeadProcessIsRepairedInPlace) {
  MemoryFileSystem fs;
  auto a = Start(fs);
  for (const char* call : {"DL1A", "DL1B", "DL1C"}) ASSERT_EQ(Add(*a, call), 0);
  ASSERT_EQ(Find(*a, "DL1B"), 0);
  ASSERT_EQ(a->fm->DeleteRecord(a->fb), 0);
  ASSERT_EQ(Find(*a, "DL1C"), 0);

  auto& dat = *fs.Data("LOG.DAT");
  std::vector<std::uint8_t> record(kRecordLength, 0);
  PutI32(record, 4, 9);
  record[8] = 'a';
  PutText(record, 9, 16, "DL5DEAD");
  dat.insert(dat.end(), record.begin(), record.end());  // slot 4
  PutI32(dat, 8, 4);  // highest
  dat[20] = 1;
  (*fs.Data("LOG.LCK"))[8] = 1;

  PutI32(a->fm->RecordBuffer(a->fb), 25, 5);
  ASSERT_EQ(a->fm->PutRecord(a->fb), 0);  // still record 3
  EXPECT_EQ(a->fb->current_record(), 3);
  ASSERT_EQ(Find(*a, "DL5DEAD"), 0);
  EXPECT_EQ(a->fb->current_record(), 4);
  EXPECT_EQ(a->fm->RecordCount(a->fb), 3);
  ASSERT_EQ(Add(*a, "DL1E"), 0);
  EXPECT_EQ(a->fb->current_record(), 2);  // the free slot was kept, not squeezed out
  EXPECT_EQ(Serial(*a), 10);
  a.reset();
  ExpectClean(fs);
}

TEST(SharingTest, ReorganisingAndDeletingWaitUntilNobodyElseHasTheFiles) {
  MemoryFileSystem fs;
  auto a = Start(fs), b = Start(fs);
  for (const char* call : {"DL1A", "DL1B", "DL1C"}) ASSERT_EQ(Add(*a, call), 0);
  ASSERT_EQ(Find(*a, "DL1A"), 0);
  ASSERT_EQ(a->fm->DeleteRecord(a->fb), 0);
  ASSERT_EQ(Find(*b, "DL1C"), 0);

  // With b holding the files, a rebuild repairs in place: DL1C stays record 3.
  ASSERT_EQ(a->fm->RebuildFileBlock(a->fb), 0);
  ASSERT_EQ(Find(*a, "DL1C"), 0);
  EXPECT_EQ(a->fb->current_record(), 3);
  PutI32(b->fm->RecordBuffer(b->fb), 25, 3);
  ASSERT_EQ(b->fm->PutRecord(b->fb), 0);

  // Emptying is refused while b has the files open; the files stay.
  a->rec.answer = false;
  EXPECT_EQ(a->fm->EmptyFileBlock(a->fb), 2);
  ASSERT_FALSE(a->rec.questions.empty());
  EXPECT_EQ(a->rec.questions.back().second, LockQuestion::kLocked);
  EXPECT_EQ(b->fm->RecordCount(b->fb), 2);

  // Alone, the rebuild reorganises: the records move up into the free slot.
  b.reset();
  ASSERT_EQ(a->fm->RebuildFileBlock(a->fb), 0);
  ASSERT_EQ(Find(*a, "DL1C"), 0);
  EXPECT_EQ(a->fb->current_record(), 2);
  EXPECT_EQ(GetI32(a->fm->RecordBuffer(a->fb), 25), 3);
  ASSERT_EQ(a->fm->EmptyFileBlock(a->fb), 0);
  EXPECT_FALSE(fs.Exists("LOG.DAT"));
}

// Readers wait while a change is under way in another process.
TEST(SharingTest, AnOperationWaitsForAnotherProcessInTheMiddleOfAChange) {
  MemoryFileSystem fs;
  auto a = Start(fs);
  ASSERT_EQ(Add(*a, "DL1A"), 0);
  std::int32_t error = 0;
  auto other = fs.Open("LOG.LCK", false, error);
  ASSERT_EQ(other->LockRange(0, true), 0);
  a->rec.answer = false;
  EXPECT_EQ(Find(*a, "DL1A"), 2);
  EXPECT_EQ(a->rec.questions.size(), 1u);
  other->UnlockRange(0);
  EXPECT_EQ(Find(*a, "DL1A"), 0);
}

// A run of reads that holds its shared access: the other process's change
// waits (and, asked, gives up) until the reads end; the reader sees one
// state throughout, and its own change in between still goes through.
TEST(SharingTest, HeldReadsKeepOthersChangesOutUntilTheyEnd) {
  MemoryFileSystem fs;
  auto a = Start(fs), b = Start(fs);
  for (const char* call : {"DL1A", "DL1B"}) ASSERT_EQ(Add(*a, call), 0);
  ASSERT_EQ(Find(*b, "DL1A"), 0);
  ASSERT_TRUE(b->fm->HoldReading(b->fb));
  a->rec.answer = false;  // "try again?" - no
  EXPECT_EQ(Add(*a, "DL1C"), 2);
  ASSERT_FALSE(a->rec.questions.empty());
  EXPECT_EQ(a->rec.questions.back().second, LockQuestion::kLocked);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Find(*b, "DL1B"), 0);
    EXPECT_EQ(Find(*b, "DL1C"), 1);
  }
  // The holder changes the file itself; the hold comes back with its next read.
  ASSERT_EQ(Add(*b, "DL2B"), 0);
  EXPECT_EQ(Find(*b, "DL2B"), 0);
  EXPECT_EQ(Add(*a, "DL1C"), 2);
  b->fm->EndReading(b->fb);
  a->rec.answer = true;
  ASSERT_EQ(Add(*a, "DL1C"), 0);
  EXPECT_EQ(Find(*b, "DL1C"), 0);
  EXPECT_EQ(b->fm->RecordCount(b->fb), 4);
  // A fileblock closed while held lets go of it.
  ASSERT_TRUE(b->fm->HoldReading(b->fb));
  ASSERT_EQ(b->fm->CloseFileBlock(b->fb), 0);
  ASSERT_EQ(Add(*a, "DL1D"), 0);
  a.reset();
  b.reset();
  ExpectClean(fs);
}

// A hold asked for before the first read of a fileblock just opened (the
// lookup of a command that starts, then reads thousands of records) opens
// the files and holds: the other process waits, and the reads are right.
TEST(SharingTest, AHoldRightAfterOpeningHolds) {
  MemoryFileSystem fs;
  auto a = Start(fs);
  for (const char* call : {"DL1A", "DL1B"}) ASSERT_EQ(Add(*a, call), 0);
  auto b = Start(fs);
  ASSERT_TRUE(b->fm->HoldReading(b->fb));
  a->rec.answer = false;  // "try again?" - no
  EXPECT_EQ(Add(*a, "DL1C"), 2);
  ASSERT_FALSE(a->rec.questions.empty());
  EXPECT_EQ(a->rec.questions.back().second, LockQuestion::kLocked);
  EXPECT_EQ(Find(*b, "DL1B"), 0);
  EXPECT_EQ(Find(*b, "DL1C"), 1);
  b->fm->EndReading(b->fb);
  a->rec.answer = true;
  ASSERT_EQ(Add(*a, "DL1C"), 0);
  EXPECT_EQ(Find(*b, "DL1C"), 0);
  // A fileblock whose files cannot be opened gives no hold and no failure
  // of its own; the read after it reports what is wrong.
  auto c = Start(fs);
  fs.FailOpen("LOG.DAT", kOsFailure);
  EXPECT_FALSE(c->fm->HoldReading(c->fb));
  EXPECT_EQ(c->fm->Status(), 0);
  EXPECT_TRUE(c->fm->Failures().empty());
  EXPECT_GT(Find(*c, "DL1A"), 2);
}

// What another process or the walker itself changes further on is what a
// walk in record order then reads (nothing read earlier stands in for it).
TEST(SharingTest, AWalkReadsWhatWasChangedAheadOfIt) {
  MemoryFileSystem fs;
  auto a = Start(fs), b = Start(fs);
  for (int i = 0; i < 150; ++i) ASSERT_EQ(Add(*a, "DL" + std::to_string(1000 + i), i), 0);
  const auto value = [](Process& p) { return GetI32(p.fm->RecordBuffer(p.fb), 25); };
  // Key 1 is the automatic number: record order.
  ASSERT_EQ(b->fm->FirstKey(b->fb, 1), 0);
  for (int i = 1; i < 10; ++i) ASSERT_EQ(b->fm->NextKey(b->fb, 1), 0);
  EXPECT_EQ(value(*b), 9);
  ASSERT_EQ(Find(*a, "DL1020"), 0);
  PutI32(a->fm->RecordBuffer(a->fb), 25, 2020);
  ASSERT_EQ(a->fm->PutRecord(a->fb), 0);
  ASSERT_EQ(Find(*a, "DL1030"), 0);
  ASSERT_EQ(a->fm->DeleteRecord(a->fb), 0);
  std::vector<std::int32_t> seen;
  while (b->fm->NextKey(b->fb, 1) == 0) {
    seen.push_back(value(*b));
    if (value(*b) == 40) {  // the walker changes a record further on
      KeepPosition keep(*b->fm, b->fb);
      ASSERT_EQ(Find(*b, "DL1045"), 0);
      PutI32(b->fm->RecordBuffer(b->fb), 25, 4545);
      ASSERT_EQ(b->fm->PutRecord(b->fb), 0);
    }
  }
  ASSERT_EQ(seen.size(), 139u);  // 10..149 without 30
  EXPECT_EQ(seen[10], 2020);
  EXPECT_EQ(seen[20], 31);
  EXPECT_EQ(seen[34], 4545);
  EXPECT_EQ(seen.back(), 149);
}

}  // namespace
}  // namespace vek::store::testing
