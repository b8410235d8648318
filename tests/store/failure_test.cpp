// Lock retries, the lock questions, serious failures with their stop message
// and error log, and damaged files.
#include <algorithm>
#include <random>

#include "base/cp1252.h"
#include "base/scripted_user_port.h"
#include "store/store_check.h"
#include "store/store_start.h"
#include "store_fixture.h"

namespace vek::store::testing {
namespace {

TEST_F(StoreTest, PassingLockConditionCostsTwoShortSleepsAndNoQuestion) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  Fill(fb, "DL1B");
  fs_.FailWrite(1, kLocked, 2);  // the record write fails twice, then goes through
  ASSERT_EQ(fm_->AddRecord(fb), 0);
  ASSERT_EQ(rec_.sleeps.size(), 2u);
  for (int ms : rec_.sleeps) {
    EXPECT_GE(ms, 1);
    EXPECT_LE(ms, 90);
  }
  EXPECT_TRUE(rec_.questions.empty());
  EXPECT_EQ(fm_->RecordCount(fb), 2);
}

TEST_F(StoreTest, HeldFileAsksAfterTheSilentRetriesAndNoGivesUp) {
  FileBlock* fb = Open("QVLK0001");
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  fs_.LockConflicts("QVLK0001.DAT", -1);
  rec_.answer = false;
  Fill(fb, "DL1B");
  EXPECT_EQ(fm_->AddRecord(fb), 2);
  // Locking starts the counter at 28 of 32: four attempts, three sleeps, then the question.
  EXPECT_EQ(rec_.sleeps.size(), 3u);
  ASSERT_EQ(rec_.questions.size(), 1u);
  EXPECT_EQ(rec_.questions[0].first, "QVLK0001");
  EXPECT_EQ(rec_.questions[0].second, LockQuestion::kLocked);
  EXPECT_EQ(LockQuestionText("QVLK0001", LockQuestion::kLocked, false),
            "QVLK0001:  Record or file locked. Retry ? ");
  EXPECT_EQ(LockQuestionText("QVLK0001", LockQuestion::kLocked, true),
            "QVLK0001:  Record oder Datei gelockt. Noch einmal versuchen? ");
  EXPECT_TRUE(rec_.stops.empty());
  fs_.LockConflicts("QVLK0001.DAT", 0);
  EXPECT_EQ(fm_->RecordCount(fb), 1);  // nothing was written
}

TEST_F(StoreTest, YesStartsAnotherSeriesOfThirtyTwo) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  int asked = 0;
  fm_->SetLockQuestion([&](const std::string&, LockQuestion) { return ++asked == 1; });
  fs_.LockConflicts("TEST.DAT", -1);
  Fill(fb, "DL1B");
  EXPECT_EQ(fm_->AddRecord(fb), 2);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(rec_.sleeps.size(), 3u + 31u);
}

TEST_F(StoreTest, AnotherProgramsLockIsAClassTwoConditionAndReadersGoOn) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  std::int32_t error = 0;
  auto other = fs_.Open("TEST.DAT", false, error);
  ASSERT_EQ(other->Lock(), 0);
  rec_.answer = false;
  EXPECT_EQ(Add(fb, "DL1B"), 2);
  EXPECT_EQ(fm_->FindKey(fb, 3, PadRight("DL1A", 15)), 0);  // reading needs no lock
  other->Unlock();
  EXPECT_EQ(Add(fb, "DL1B"), 0);
}

TEST_F(StoreTest, PathNotFoundAsksAtOnce) {
  FileBlock* fb = Open();
  fs_.PathNotFound(1);
  rec_.answer = true;
  EXPECT_EQ(fm_->RecordCount(fb), 0);
  ASSERT_EQ(rec_.questions.size(), 1u);
  EXPECT_EQ(rec_.questions[0].second, LockQuestion::kPathNotFound);
  EXPECT_TRUE(rec_.sleeps.empty());
  EXPECT_EQ(LockQuestionText("TEST", LockQuestion::kPathNotFound, true),
            "TEST:  undefinierter Fehler. Noch einmal versuchen? ");
}

TEST_F(StoreTest, DiskFullStopsWithTheMessageAndTheLog) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  fs_.FailWrite(1, kShortWrite);
  EXPECT_GE(Add(fb, "DL1B"), 3);
  ASSERT_EQ(rec_.stops.size(), 1u);
  EXPECT_EQ(rec_.stops[0].displayed_error, 10075);
  EXPECT_EQ(rec_.stops[0].message,
            W("Fehlercode:    10075\rDas Programm wird abgebrochen. \rMögliche Fehlerursache: Zu wenig "
              "Plattenspeicher.\rMögliche Fehlerbehebung: Erhöhen Sie den freien\rFestplattenspeicher.\r"));
  EXPECT_EQ(fs_.Text("IFD.ERR"), "\r\n*->  15/11/2008  14:12\r\n     Fileblock  TEST\r\n     - Err: 10075\r\n");
  // The store refuses further work and the program is expected to end.
  EXPECT_TRUE(fm_->stopped());
  EXPECT_NE(Add(fb, "DL1C"), 0);
  EXPECT_EQ(rec_.stops.size(), 1u);
  // What was saved before is still there at the next start.
  Restart();
  fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 1);
}

// A page that cannot be one is no reason to stop the program: the index is
// derived from the records, so it is built again and the operation goes on.
TEST_F(StoreTest, DamagedIndexPageIsRebuiltAndTheOperationGoesOn) {
  FileBlock* fb = Open();
  for (int i = 0; i < 100; ++i) ASSERT_EQ(Add(fb, "DL" + std::to_string(i)), 0);
  Restart();
  // Page 1 of key 1 gets an impossible entry count.
  const std::size_t slot = PageSize(5) + PageSize(16) + PageSize(15) + PageSize(5);
  (*fs_.Data("TEST.IX"))[slot] = 0xFF;
  (*fs_.Data("TEST.IX"))[slot + 1] = 0xFF;
  fb = Open();
  EXPECT_EQ(fm_->FirstKey(fb, 1), 0);
  EXPECT_TRUE(rec_.stops.empty());
  int n = 1;
  while (fm_->NextKey(fb, 1) == 0) ++n;
  EXPECT_EQ(n, 100);
  EXPECT_EQ(fm_->RecordCount(fb), 100);
  EXPECT_TRUE(fm_->TakeRepairNotes().empty());  // nothing was lost, so nothing to tell
}

// Random bytes over index pages that still look like pages: the cheap
// checks (counts, order, children, record numbers) find them, the index is
// built again, and every record is found under every key.
TEST_F(StoreTest, RandomBytesInIndexPagesAreRepairedNotBelieved) {
  FileBlock* fb = Open();
  for (int i = 0; i < 300; ++i) ASSERT_EQ(Add(fb, "DL" + std::to_string(i), 'a' + i % 4, i % 7), 0);
  fm_.reset();
  const auto image = fs_.AppliedImage();
  const std::size_t slot = PageSize(5) + PageSize(16) + PageSize(15) + PageSize(5);
  std::mt19937 rng(99);
  for (int round = 0; round < 25; ++round) {
    MemoryFileSystem fs(image);
    auto& ix = *fs.Data("TEST.IX");
    const std::size_t pages = ix.size() / slot - 1;
    for (int hit = 0; hit < 3; ++hit) {
      // Past the entry count, into the entries of some page of some key.
      const std::size_t at = (1 + rng() % pages) * slot + rng() % slot;
      for (std::size_t b = at; b < std::min(at + 12, ix.size()); ++b) ix[b] = static_cast<std::uint8_t>(rng());
    }
    Recorded rec;
    FileManager fm(MakeEnvironment(&fs, &rec));
    ASSERT_EQ(fm.InitFileManager(), 0);
    FileBlock* b = OpenTestBlock(fm);
    for (int i = 0; i < 300; ++i) {
      ASSERT_EQ(fm.FindKey(b, 3, PadRight("DL" + std::to_string(i), 15)), 0) << "round " << round << " DL" << i;
      ASSERT_EQ(GetI32(fm.RecordBuffer(b), 25), i % 7);
    }
    for (int k = 1; k <= kKeys; ++k) {
      int n = 0;
      for (int st = fm.FirstKey(b, k); st == 0; st = fm.NextKey(b, k)) ++n;
      EXPECT_EQ(n, 300) << "round " << round << " key " << k;
    }
    EXPECT_TRUE(rec.stops.empty()) << "round " << round;
    fm.ExitFileManager();
    const KeyBuilder builder = TestKey;
    EXPECT_TRUE(CheckFiles(fs, "TEST", &builder).clean) << "round " << round;
  }
}

// A deleted record whose link was zeroed looks in use; the free chain says
// otherwise. It does not come back, and its bytes are kept in the report.
TEST_F(StoreTest, AZeroedLinkDoesNotBringADeletedRecordBack) {
  FileBlock* fb = Open();
  for (int i = 1; i <= 5; ++i) ASSERT_EQ(Add(fb, "DL" + std::to_string(i)), 0);
  for (const char* call : {"DL2", "DL4"}) {
    ASSERT_EQ(fm_->FindKey(fb, 3, PadRight(call, 15)), 0);
    ASSERT_EQ(fm_->DeleteRecord(fb), 0);
  }
  fm_.reset();
  PutI32(*fs_.Data("TEST.DAT"), 4 * kRecordLength, 0);  // slot 4 heads the chain
  Start();
  fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 3);
  EXPECT_EQ(fm_->FindKey(fb, 3, PadRight("DL4", 15)), 1);
  for (const char* call : {"DL1", "DL3", "DL5"}) EXPECT_EQ(fm_->FindKey(fb, 3, PadRight(call, 15)), 0) << call;
  EXPECT_NE(fs_.Text("TEST.MSG").find("DL4"), std::string::npos);
  EXPECT_TRUE(fs_.Exists("TEST.BAK"));
  const auto notes = fm_->TakeRepairNotes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].copy, "TEST.BAK");
}

// A record file whose last slot is cut short keeps every whole record; the
// cut slot's bytes are in the report and the file as it was is kept.
TEST_F(StoreTest, ALastSlotCutShortIsReportedNotLostSilently) {
  FileBlock* fb = Open();
  for (int i = 1; i <= 3; ++i) ASSERT_EQ(Add(fb, "DL" + std::to_string(i)), 0);
  fm_.reset();
  auto& dat = *fs_.Data("TEST.DAT");
  const std::vector<std::uint8_t> before = dat;
  dat.pop_back();
  Start();
  fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 2);
  EXPECT_NE(fs_.Text("TEST.MSG").find("DL3"), std::string::npos);
  EXPECT_EQ(*fs_.Data("TEST.BAK"), std::vector<std::uint8_t>(before.begin(), before.end() - 1));
  // The operator is told, once.
  ScriptedUserPort port;
  TellRepairs(*fm_, port, true);
  TellRepairs(*fm_, port, true);
  ASSERT_EQ(port.events().size(), 1u);
  EXPECT_EQ(Cp1252ToUtf8(port.events()[0].text),
            "Die Datei TEST.DAT war beschädigt. 1 Datensatz/Datensätze konnte(n) nicht übernommen werden; die "
            "Bytes stehen in TEST.MSG. Die Datei vor der Reparatur ist TEST.BAK.");
}

TEST_F(StoreTest, DamagedFilesAreRebuiltWithoutLosingRecords) {
  FileBlock* fb = Open();
  for (int i = 0; i < 120; ++i) ASSERT_EQ(Add(fb, "DL" + std::to_string(i), 'a' + i % 4, i), 0);
  fm_.reset();
  const auto image = fs_.AppliedImage();
  const std::size_t slot = PageSize(5) + PageSize(16) + PageSize(15) + PageSize(5);

  struct Damage {
    const char* what;
    std::function<void(MemoryFileSystem&)> apply;
    int expected;
  };
  const Damage damages[] = {
      {"index truncated", [&](MemoryFileSystem& fs) { fs.Data("TEST.IX")->resize(slot + 100); }, 120},
      {"index gone", [](MemoryFileSystem& fs) { fs.Remove("TEST.IX"); }, 120},
      {"descriptor with an impossible page size",
       [](MemoryFileSystem& fs) { PutI32(*fs.Data("TEST.IX"), 12, 12345); }, 120},
      {"descriptor with entries per page 200", [](MemoryFileSystem& fs) { PutU16(*fs.Data("TEST.IX"), 26, 200); },
       120},
      {"root beyond the page count", [](MemoryFileSystem& fs) { PutI32(*fs.Data("TEST.IX"), 16, 999); }, 120},
      {"cyclic free page chain",
       [&](MemoryFileSystem& fs) {
         auto& ix = *fs.Data("TEST.IX");
         PutI32(ix, 0, 1);  // first free page 1, and page 1 links to itself
         PutI32(ix, 4, 2);
         PutI32(ix, slot, 1);
       },
       120},
      {"record file marked as being changed", [](MemoryFileSystem& fs) { (*fs.Data("TEST.DAT"))[20] = 1; }, 120},
      {"record file cut after record 100",
       [](MemoryFileSystem& fs) { fs.Data("TEST.DAT")->resize(101 * kRecordLength + 7); }, 100},
      {"deleted chain pointing outside",
       [](MemoryFileSystem& fs) {
         PutI32(*fs.Data("TEST.DAT"), 0, 500);
         PutI32(*fs.Data("TEST.DAT"), 4, 1);
       },
       120},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    MemoryFileSystem fs(image);
    d.apply(fs);
    Recorded rec;
    FileManager fm(MakeEnvironment(&fs, &rec));
    ASSERT_EQ(fm.InitFileManager(), 0);
    FileBlock* b = OpenTestBlock(fm);
    EXPECT_EQ(fm.RecordCount(b), d.expected);
    EXPECT_TRUE(rec.stops.empty());
    for (int k = 1; k <= kKeys; ++k) {
      int n = 0;
      for (int s = fm.FirstKey(b, k); s == 0; s = fm.NextKey(b, k)) ++n;
      EXPECT_EQ(n, d.expected) << "key " << k;
    }
    fm.ExitFileManager();
    const CheckResult check = CheckFiles(fs, "TEST");
    EXPECT_TRUE(check.clean) << check.Describe();
  }
}

TEST_F(StoreTest, RebuildReportsRecordsThatAUniqueIndexRefuses) {
  FileBlock* fb = Open();
  ASSERT_EQ(Add(fb, "DL1A"), 0);
  ASSERT_EQ(Add(fb, "DL1B"), 0);
  ASSERT_EQ(Add(fb, "DL1C"), 0);
  fm_.reset();
  // Another program wrote record 2 with the call of record 1.
  auto& dat = *fs_.Data("TEST.DAT");
  PutText(dat, 2 * kRecordLength + 9, 16, "DL1A");
  fs_.Remove("TEST.IX");
  Start();
  fb = Open();
  EXPECT_EQ(fm_->RecordCount(fb), 2);
  const std::string msg = fs_.Text("TEST.MSG");
  EXPECT_EQ(msg.find("Key:<DL1A           > KeyNr: 3 Ref: 2 not added\r\nData record deleted - Dump follows\r\n"), 0u)
      << msg;
  EXPECT_EQ(fm_->FindKey(fb, 1, LongToKey(2)), 1);  // its key 1 entry was taken out again
  ASSERT_EQ(fm_->FindKey(fb, 1, LongToKey(3)), 0);
  EXPECT_EQ(Call(fb), "DL1C");
}

TEST(StopMessageTest, TextsOfTheKnownNumbers) {
  EXPECT_EQ(StopMessage(10140, true).substr(0, 29), "Datenbankzugriff verweigert!\r");
  EXPECT_NE(StopMessage(10140, true).find("Programmpfad zu lang"), std::string::npos);
  EXPECT_EQ(StopMessage(10140, false).substr(0, 16), "No data access!\r");
  EXPECT_EQ(StopMessage(DisplayedErrorNumber(28683), true), "Fehlercode:       11\rDas Programm wird abgebrochen. \r\r\r\r");
  EXPECT_EQ(StopMessage(10465, false),
            "errorcode:    10465\rThe program will be cancled. \rPossible error cause: Reorganisation failure.\r"
            "Possible error correction: Restart the program.\rIf error continues: Rename .SAV-files\rto .DAT-files.");
  const Text handles = StopMessage(91, true);
  EXPECT_EQ(std::count(handles.begin(), handles.end(), '\r'), 5);
}

TEST(ErrorClassTest, Numbers) {
  EXPECT_EQ(ClassOfError(0), 0);
  EXPECT_EQ(ClassOfError(kPathNotFound), 2);
  EXPECT_EQ(ClassOfError(kFileNotFound), 1);
  EXPECT_EQ(ClassOfError(kTooManyOpenFiles), 4);
  EXPECT_EQ(ClassOfError(kDuplicateKey), 1);
  EXPECT_EQ(ClassOfError(kLocked), 2);
  EXPECT_EQ(ClassOfError(10410), 1);
  EXPECT_EQ(ClassOfError(10005), 3);
  EXPECT_EQ(ClassOfError(kShortRead), 4);
  EXPECT_EQ(ClassOfError(28683), 5);  // 0x700B
  EXPECT_EQ(ClassOfError(0x3001), 1);
  EXPECT_EQ(ClassOfError(0x9001), 99);
  EXPECT_EQ(DisplayedErrorNumber(28683), 11);
  EXPECT_EQ(DisplayedErrorNumber(10070), 10070);
}

}  // namespace
}  // namespace vek::store::testing
