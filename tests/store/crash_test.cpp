// A crash after any single write of an add, a rewrite or a delete leaves
// files that the next open repairs to the state before or the state after
// the operation, and never loses a record that was there before. Both what
// reached the platter in order and what was made durable by a sync are
// tried; the repair itself is crashed at every write too.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "store/memory_file_system.h"
#include "store/store_check.h"
#include "store_fixture.h"

namespace vek::store::testing {
namespace {

using Image = MemoryFileSystem::Image;
using Contents = std::map<std::int32_t, std::string>;  // serial -> call + value

struct Opened {
  std::unique_ptr<FileManager> fm;
  FileBlock* fb = nullptr;
  Recorded rec;
};

std::unique_ptr<Opened> OpenOn(MemoryFileSystem& fs) {
  auto o = std::make_unique<Opened>();
  o->fm = std::make_unique<FileManager>(MakeEnvironment(&fs, &o->rec));
  o->fm->InitFileManager();
  o->fb = o->fm->OpenFileBlock("LOG", "LOG", kRecordLength, kRecordLength, nullptr, kKeys, TestKey);
  o->fm->DefineKey(o->fb, 1, 5, false);
  o->fm->DefineKey(o->fb, 2, 16, true);
  o->fm->DefineKey(o->fb, 3, 15, false);
  o->fm->DefineKey(o->fb, 4, 5, true);
  o->fm->SetAutoNumber(o->fb, 1, 4);
  o->fm->SetFlushAfterWrite(o->fb, true);
  return o;
}

// What the files hold, read through every index: each index must list the
// same records.
Contents Read(MemoryFileSystem& fs) {
  auto o = OpenOn(fs);
  Contents by_key1;
  for (int s = o->fm->FirstKey(o->fb, 1); s == 0; s = o->fm->NextKey(o->fb, 1)) {
    ConstBytes r = o->fm->RecordBuffer(o->fb);
    by_key1[GetI32(r, 4)] = GetText(r, 9, 16) + "/" + std::to_string(GetI32(r, 25));
  }
  for (int k = 2; k <= kKeys; ++k) {
    std::size_t n = 0;
    for (int s = o->fm->FirstKey(o->fb, k); s == 0; s = o->fm->NextKey(o->fb, k)) ++n;
    EXPECT_EQ(n, by_key1.size()) << "key " << k;
  }
  EXPECT_EQ(o->fm->RecordCount(o->fb), static_cast<std::int32_t>(by_key1.size()));
  EXPECT_TRUE(o->rec.stops.empty());
  return by_key1;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MemoryFileSystem fs;
    auto o = OpenOn(fs);
    Bytes r = o->fm->RecordBuffer(o->fb);
    // Enough records for trees of two levels in every index.
    for (int i = 0; i < 150; ++i) {
      o->fm->ClearRecord(o->fb);
      r[8] = static_cast<std::uint8_t>('a' + i % 3);
      PutText(r, 9, 16, "DL" + std::to_string(1000 + i * 7 % 150));
      PutI32(r, 25, i % 11);
      ASSERT_EQ(o->fm->AddRecord(o->fb), 0);
    }
    o.reset();
    base_ = fs.AppliedImage();
    MemoryFileSystem copy(base_);
    before_ = Read(copy);
    ASSERT_EQ(before_.size(), 150u);
  }

  // Runs `op` on the base files, crashing after write n for every n the
  // operation makes, and checks every crash image.
  void CrashEverywhere(const std::function<void(Opened&)>& op) {
    MemoryFileSystem clean(base_);
    auto o = OpenOn(clean);
    ASSERT_EQ(o->fm->RecordCount(o->fb), 150);
    const auto start = clean.writes();
    op(*o);
    const auto writes = clean.writes() - start;
    o.reset();
    const Contents after = Read(clean);
    ASSERT_NE(after, before_);
    ASSERT_GT(writes, 2);

    for (std::int64_t n = 0; n < writes; ++n) {
      SCOPED_TRACE("crash after write " + std::to_string(n) + " of " + std::to_string(writes));
      MemoryFileSystem fs(base_);
      auto run = OpenOn(fs);
      ASSERT_EQ(run->fm->RecordCount(run->fb), 150);
      fs.CrashAfterWrites(n);
      op(*run);
      ASSERT_TRUE(fs.crashed());
      const Image applied = fs.AppliedImage(), durable = fs.DurableImage();
      run.reset();
      for (const Image* image : {&applied, &durable}) {
        MemoryFileSystem reopened(*image);
        const Contents seen = Read(reopened);
        EXPECT_TRUE(seen == before_ || seen == after) << (image == &applied ? "applied" : "durable");
        const CheckResult check = CheckFiles(reopened, "LOG");
        EXPECT_TRUE(check.clean) << check.Describe();
      }
    }
  }

  Image base_;
  Contents before_;
};

TEST_F(CrashTest, Add) {
  CrashEverywhere([](Opened& o) {
    o.fm->ClearRecord(o.fb);
    Bytes r = o.fm->RecordBuffer(o.fb);
    r[8] = 'b';
    PutText(r, 9, 16, "OE1NEW");
    PutI32(r, 25, 5);
    o.fm->AddRecord(o.fb);
  });
}

TEST_F(CrashTest, PutWithKeyChanges) {
  CrashEverywhere([](Opened& o) {
    ASSERT_EQ(o.fm->FindKey(o.fb, 1, LongToKey(77)), 0);
    Bytes r = o.fm->RecordBuffer(o.fb);
    r[8] = 'c';
    PutText(r, 9, 16, "DL0CHANGED");
    PutI32(r, 25, 99);
    o.fm->PutRecord(o.fb);
  });
}

TEST_F(CrashTest, Delete) {
  CrashEverywhere([](Opened& o) {
    ASSERT_EQ(o.fm->FindKey(o.fb, 1, LongToKey(40)), 0);
    o.fm->DeleteRecord(o.fb);
  });
}

// A crash in the middle of the repair of a crash still ends in one of the two states.
TEST_F(CrashTest, CrashDuringTheRebuildThatRepairsACrash) {
  auto add = [](Opened& o) {
    o.fm->ClearRecord(o.fb);
    PutText(o.fm->RecordBuffer(o.fb), 9, 16, "OE1NEW");
    o.fm->AddRecord(o.fb);
  };
  MemoryFileSystem first(base_);
  auto o = OpenOn(first);
  ASSERT_EQ(o->fm->RecordCount(o->fb), 150);
  first.CrashAfterWrites(3);  // the record is written, the index is not
  add(*o);
  o.reset();
  const Image crashed = first.AppliedImage();

  MemoryFileSystem measure(crashed);
  const auto start = measure.writes();
  const Contents repaired = Read(measure);
  const auto writes = measure.writes() - start;
  ASSERT_GT(writes, 10);  // a rebuild happened
  ASSERT_TRUE(repaired == before_ || repaired.size() == 151);

  for (std::int64_t n = 0; n < writes; n += std::max<std::int64_t>(1, writes / 60)) {
    SCOPED_TRACE("rebuild crashed after write " + std::to_string(n));
    MemoryFileSystem fs(crashed);
    fs.CrashAfterWrites(n);
    { auto run = OpenOn(fs); run->fm->RecordCount(run->fb); }
    for (const Image& image : {fs.AppliedImage(), fs.DurableImage()}) {
      MemoryFileSystem again(image);
      EXPECT_EQ(Read(again), repaired);
    }
  }
}

}  // namespace
}  // namespace vek::store::testing
