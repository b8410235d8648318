// Variable-length records, the shared opener, the program's store start, and
// the real file system's locks.
#include <unistd.h>

#include <cstdlib>

#include "base/scripted_user_port.h"
#include "store/file_block_opener.h"
#include "store/store_check.h"
#include "store/store_start.h"
#include "store_fixture.h"

namespace vek::store::testing {
namespace {

// A profile-like fileblock: 40 fixed bytes in the record file, 400 bytes of buffer.
FileBlockSpec ProfileSpec() {
  FileBlockSpec spec;
  spec.file_name = "QVPRO";
  spec.record_length = 40;
  spec.buffer_length = 400;
  spec.keys = {{5, false}, {20, true}};
  spec.builder = [](ConstBytes r, int k) {
    return k == 1 ? LongToKey(GetI32(r, 4)) : PadRight(GetText(r, 8, 21), 20);
  };
  spec.auto_number_key = 1;
  spec.flush_after_write = true;
  spec.variable_length = true;
  return spec;
}

TEST_F(StoreTest, VariableLengthRecordsKeepTheirTailsThroughRewritesAndRebuilds) {
  FileBlockOpener opener(*fm_);
  FileBlock* fb = opener.Open(ProfileSpec());
  ASSERT_NE(fb, nullptr);
  ASSERT_EQ(fm_->RecordBuffer(fb).size(), 400u);
  for (int i = 0; i < 6; ++i) {
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    PutText(r, 8, 21, "PROFILE" + std::to_string(i));
    PutText(r, 100, 200, std::string(150, static_cast<char>('a' + i)));  // beyond the fixed section
    ASSERT_EQ(fm_->AddRecord(fb), 0);
  }
  EXPECT_EQ(fs_.Data("QVPRO.DAT")->size(), 7u * 40);
  ASSERT_EQ(fm_->FindKey(fb, 2, PadRight("PROFILE1", 20)), 0);
  ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  ASSERT_EQ(fm_->FindKey(fb, 2, PadRight("PROFILE4", 20)), 0);
  PutText(fm_->RecordBuffer(fb), 100, 200, "changed tail");
  ASSERT_EQ(fm_->PutRecord(fb), 0);
  opener.Close(fb);
  // A rebuild renumbers the records; every tail moves with its record.
  fs_.Remove("QVPRO.IX");
  fb = opener.Open(ProfileSpec());
  EXPECT_EQ(fm_->RecordCount(fb), 5);
  for (int i : {0, 2, 3, 4, 5}) {
    ASSERT_EQ(fm_->FindKey(fb, 2, PadRight("PROFILE" + std::to_string(i), 20)), 0) << i;
    EXPECT_EQ(GetText(fm_->RecordBuffer(fb), 100, 200),
              i == 4 ? "changed tail" : std::string(150, static_cast<char>('a' + i)));
  }
}

TEST_F(StoreTest, SecondOpenerSharesTheFileblockAndTheLastCloseCloses) {
  FileBlockOpener opener(*fm_);
  FileBlock* first = opener.Open(ProfileSpec());
  FileBlock* second = opener.Open(ProfileSpec());
  ASSERT_EQ(first, second);
  EXPECT_EQ(fm_->RecordBuffer(first).data(), fm_->RecordBuffer(second).data());
  EXPECT_EQ(opener.UseCount(first), 1);
  opener.Close(second);
  EXPECT_EQ(fm_->FindOpenFileBlock("QVPRO"), first);
  opener.Close(first);
  EXPECT_EQ(fm_->FindOpenFileBlock("QVPRO"), nullptr);
}

TEST_F(StoreTest, ShortReadsAndShortWritesAreSerious) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  Restart();
  fb = Open();
  fs_.ShortReads("TEST.DAT");
  EXPECT_GE(fm_->RecordCount(fb), -1);
  ASSERT_EQ(rec_.stops.size(), 1u);
  EXPECT_EQ(rec_.stops[0].displayed_error, 10070);

  fs_.ShortReads("");
  Restart();
  rec_.stops.clear();
  fb = Open();
  ASSERT_EQ(fm_->RecordCount(fb), 1);
  fs_.ShortWriteAt(1);
  EXPECT_GE(Add(fb, "DL1B"), 3);
  ASSERT_EQ(rec_.stops.size(), 1u);
  EXPECT_EQ(rec_.stops[0].displayed_error, 10075);
  Restart();
  fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 1);
  EXPECT_EQ(fm_->FindKey(fb, 3, PadRight("DL1A", 15)), 0);
}

TEST(StoreStartTest, RefusedStartIsLoggedToKxErrAndReported) {
  MemoryFileSystem fs;
  Recorded rec;
  ScriptedUserPort port;
  FileManager fm(MakeEnvironment(&fs, &rec));
  ASSERT_TRUE(StartStore(fm, port, true));
  EXPECT_EQ(fm.error_log_name(), "IFD.ERR");
  EXPECT_FALSE(StartStore(fm, port, true));  // a second start
  EXPECT_EQ(port.Messages(), std::vector<Text>{"Dateiverwaltung konnte nicht initialisiert werden"});
  EXPECT_NE(fs.Text("KX.ERR").find("     - Err: "), std::string::npos);
  EXPECT_FALSE(fs.Exists("IFD.ERR"));
}

TEST(StoreStartTest, TheProgramsQuestionRoutineAsksOnlyAboutLocks) {
  ScriptedUserPort port;
  port.QueueAnswer(true);
  const LockQuestionRoutine ask = AskThrough(port, false);
  EXPECT_TRUE(ask("QVLK0001", LockQuestion::kRebuildIndex));
  EXPECT_TRUE(ask("QVLK0001", LockQuestion::kCreateFiles));
  EXPECT_TRUE(port.Questions().empty());
  EXPECT_TRUE(ask("QVLK0001", LockQuestion::kLocked));
  EXPECT_FALSE(ask("QVKK", LockQuestion::kPathNotFound));
  EXPECT_EQ(port.Questions(), (std::vector<Text>{"QVLK0001:  Record or file locked. Retry ? ",
                                                 "QVKK:  undefined Error. Retry ? "}));
}

// Real files: another program's lock on the record file holds our changes
// back (class 2 after the questions), and never our reads.
TEST(RealFileTest, AnotherOpenFilesLockHoldsChangesButNotReads) {
  char pattern[] = "/tmp/vekstoreXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  Recorded rec;
  rec.answer = false;
  StoreEnvironment env = MakeEnvironment(&RealFileSystem(), &rec);
  FileManager fm(env);
  ASSERT_EQ(fm.InitFileManager(), 0);
  int asked = 0;
  fm.SetLockQuestion([&](const std::string&, LockQuestion q) {
    if (q == LockQuestion::kLocked) ++asked;
    return q != LockQuestion::kLocked;
  });
  FileBlock* fb = fm.OpenFileBlock(dir + "/LOCKED", "LOCKED", kRecordLength, kRecordLength, nullptr, kKeys, TestKey);
  fm.DefineKey(fb, 1, 5, false);
  fm.DefineKey(fb, 2, 16, true);
  fm.DefineKey(fb, 3, 15, false);
  fm.DefineKey(fb, 4, 5, true);
  fm.SetAutoNumber(fb, 1, 4);
  fm.SetFlushAfterWrite(fb, true);
  fm.ClearRecord(fb);
  PutText(fm.RecordBuffer(fb), 9, 16, "DL1A");
  ASSERT_EQ(fm.AddRecord(fb), 0);

  std::int32_t error = 0;
  auto other = RealFileSystem().Open(dir + "/LOCKED.DAT", false, error);
  ASSERT_TRUE(other);
  ASSERT_EQ(other->Lock(), 0);
  fm.ClearRecord(fb);
  PutText(fm.RecordBuffer(fb), 9, 16, "DL1B");
  EXPECT_EQ(fm.AddRecord(fb), 2);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(fm.FindKey(fb, 3, PadRight("DL1A", 15)), 0);
  other->Unlock();
  fm.ClearRecord(fb);
  PutText(fm.RecordBuffer(fb), 9, 16, "DL1B");
  EXPECT_EQ(fm.AddRecord(fb), 0);
  fm.ExitFileManager();
  EXPECT_TRUE(CheckFiles(RealFileSystem(), dir + "/LOCKED").clean);
  std::system(("rm -rf " + dir).c_str());
}

// A stamp stays while nobody writes, and changes when the file grows or
// another file is put in its place with the very same bytes.
TEST(RealFileTest, AStampTellsAFileWrittenOrPutInItsPlace) {
  char pattern[] = "/tmp/vekstampXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern, path = dir + "/LOG.DAT";
  OsFileSystem& fs = RealFileSystem();
  EXPECT_FALSE(fs.Stamp(path).has_value());
  const auto write = [&fs](const std::string& to, std::uint64_t at, std::string_view bytes) {
    std::int32_t error = 0;
    auto f = fs.Open(to, true, error);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->WriteAt(at, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())).bytes,
              bytes.size());
  };
  write(path, 0, "first");
  const std::optional<FileStamp> first = fs.Stamp(path);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->size, 5u);
  EXPECT_EQ(fs.Stamp(path), first);
  write(path, 5, " and more");
  const std::optional<FileStamp> grown = fs.Stamp(path);
  ASSERT_TRUE(grown.has_value());
  EXPECT_EQ(grown->size, 14u);
  EXPECT_NE(grown, first);
  write(dir + "/LOG.NEW", 0, "first and more");
  ASSERT_EQ(fs.Rename(dir + "/LOG.NEW", path), 0);
  const std::optional<FileStamp> replaced = fs.Stamp(path);
  ASSERT_TRUE(replaced.has_value());
  EXPECT_EQ(replaced->size, grown->size);
  EXPECT_NE(replaced->identity, grown->identity);
  std::system(("rm -rf " + dir).c_str());
}

// A damaged descriptor that counts fewer than no pages is reported like any
// impossible descriptor; the check used to end the program on it.
TEST_F(StoreTest, TheCheckReportsAnIndexDescriptorThatCountsNegativePages) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1AAA"), 0);
  fm_.reset();
  std::vector<std::uint8_t>& ix = *fs_.Data("TEST.IX");
  const Descriptor first =
      DecodeDescriptor(std::span<const std::uint8_t, kDescriptorSize>(ix.data(), kDescriptorSize));
  PutI32(ix, static_cast<std::size_t>(first.page_size) + 8, -7);  // key 2's page count
  const CheckResult check = CheckFiles(fs_, "TEST");
  EXPECT_FALSE(check.clean);
  EXPECT_NE(check.Describe().find("descriptor of key 2 counts -7 pages"), std::string::npos) << check.Describe();
}

}  // namespace
}  // namespace vek::store::testing
