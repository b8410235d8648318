// Filling an empty fileblock in bulk against the same records added one by
// one: the record files must be the same bytes, every index must walk the
// same entries, and what the adds refuse the fill refuses too.
#include <algorithm>
#include <random>

#include "store/store_check.h"
#include "store_fixture.h"

namespace vek::store::testing {
namespace {

struct Walked {
  Key key;
  std::int32_t record;
  std::int32_t serial;
};

class FillTest : public StoreTest {
 protected:
  std::vector<Walked> Walk(FileBlock* fb, int key) {
    std::vector<Walked> out;
    for (int s = fm_->FirstKey(fb, key); s == 0; s = fm_->NextKey(fb, key))
      out.push_back({fb->position_text(), fb->current_record(), Serial(fb)});
    return out;
  }

  // Calls from a small alphabet so that some repeat (key 3 refuses them),
  // on three bands, with values that repeat too (key 4 keeps its duplicates
  // in record order).
  struct Planned {
    std::string call;
    char band;
    std::int32_t value;
  };
  static std::vector<Planned> Plan(int count) {
    std::mt19937 random(20261209);
    std::vector<Planned> plan;
    for (int i = 0; i < count; ++i) {
      std::string call = "D";
      for (int c = 0; c < 3; ++c) call += static_cast<char>('A' + random() % 12);
      plan.push_back({call, "kmn"[random() % 3], static_cast<std::int32_t>(random() % 40) - 20});
    }
    return plan;
  }

  // The planned records added to a new fileblock NAME, then up to
  // `deletions` of those numbered from `first` on (`range` numbers) deleted
  // at random.
  FileBlock* AddedWithDeletions(const std::string& name, const std::vector<Planned>& plan, int deletions,
                                std::int32_t first, std::uint32_t range, unsigned seed) {
    FileBlock* fb = Open(name, false);
    for (const Planned& p : plan) Add(fb, p.call, p.band, p.value);
    std::mt19937 random(seed);
    for (int i = 0; i < deletions; ++i) {
      if (fm_->FindKey(fb, 1, LongToKey(first + static_cast<std::int32_t>(random() % range))) == 0) {
        EXPECT_EQ(fm_->DeleteRecord(fb), 0);
      }
    }
    return fb;
  }
};

TEST_F(FillTest, AFillLeavesTheFilesThatAddsOneByOneLeave) {
  const std::vector<Planned> plan = Plan(3000);
  FileBlock* one = Open("ONE", false);
  FileBlock* bulk = Open("BULK", false);
  std::vector<int> refused_one, refused_bulk;
  for (std::size_t i = 0; i < plan.size(); ++i)
    if (Add(one, plan[i].call, plan[i].band, plan[i].value) != 0) refused_one.push_back(static_cast<int>(i));
  ASSERT_EQ(fm_->Flush(one), 0);

  ASSERT_EQ(fm_->BeginFill(bulk), 0);
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const int status = Add(bulk, plan[i].call, plan[i].band, plan[i].value);
    if (status != 0) {
      EXPECT_EQ(fm_->ErrorNumber(), kDuplicateKey);
      EXPECT_EQ(fm_->Failures().at(0).key, 3);
      refused_bulk.push_back(static_cast<int>(i));
    } else {
      // The added record is current with its number, as after an add.
      EXPECT_EQ(Serial(bulk), static_cast<std::int32_t>(i + 1 - refused_bulk.size()));
      EXPECT_EQ(Call(bulk), plan[i].call);
    }
  }
  ASSERT_EQ(fm_->EndFill(bulk), 0);
  EXPECT_FALSE(refused_one.empty());
  EXPECT_EQ(refused_bulk, refused_one);

  EXPECT_EQ(*fs_.Data("BULK.DAT"), *fs_.Data("ONE.DAT"));
  for (int key = 1; key <= kKeys; ++key) {
    const std::vector<Walked> a = Walk(one, key), b = Walk(bulk, key);
    ASSERT_EQ(a.size(), b.size()) << "key " << key;
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(b[i].key, a[i].key) << "key " << key << " entry " << i;
      EXPECT_EQ(b[i].record, a[i].record) << "key " << key << " entry " << i;
    }
  }
  const KeyBuilder builder = TestKey;
  const CheckResult check = CheckFiles(fs_, "BULK", &builder);
  EXPECT_TRUE(check.clean) << check.Describe();
  EXPECT_FALSE(check.being_changed);

  // The filled fileblock goes on like any other: numbers continue, a delete
  // and a rewrite find their entries.
  ASSERT_EQ(Add(bulk, "DL1NEW"), 0);
  ASSERT_EQ(Add(one, "DL1NEW"), 0);
  EXPECT_EQ(Serial(bulk), Serial(one));
  ASSERT_EQ(fm_->FindKey(bulk, 3, PadRight("DL1NEW", 15)), 0);
  ASSERT_EQ(fm_->DeleteRecord(bulk), 0);
  ASSERT_EQ(fm_->FirstKey(bulk, 4), 0);
  PutI32(fm_->RecordBuffer(bulk), 25, 99);
  ASSERT_EQ(fm_->PutRecord(bulk), 0);
  ASSERT_EQ(fm_->Flush(bulk), 0);
  const CheckResult after = CheckFiles(fs_, "BULK", &builder);
  EXPECT_TRUE(after.clean) << after.Describe();
  EXPECT_EQ(after.records_in_use, static_cast<std::int32_t>(plan.size() - refused_one.size()));
}

TEST_F(FillTest, AFillCutShortIsRebuiltWithEveryRecordItWrote) {
  FileBlock* fb = Open("CUT", false);
  ASSERT_EQ(fm_->BeginFill(fb), 0);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(Add(fb, "DL" + std::to_string(100 + i)), 0);
  const std::int64_t syncs = fs_.syncs();
  // The program ends without EndFill: nothing more is made durable, and the
  // files keep the mark that says they are unfinished.
  Restart();
  EXPECT_EQ(fs_.syncs(), syncs);
  EXPECT_TRUE(CheckFiles(fs_, "CUT").being_changed);
  fb = Open("CUT");
  EXPECT_EQ(fm_->RecordCount(fb), 50);
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("DL149", 15)), 0);
  EXPECT_EQ(Serial(fb), 50);
  const KeyBuilder builder = TestKey;
  const CheckResult check = CheckFiles(fs_, "CUT", &builder);
  EXPECT_TRUE(check.clean) << check.Describe();
  EXPECT_TRUE(rec_.stops.empty());
}

TEST_F(FillTest, AFillNeedsAnEmptyFileblockAndNoOtherUseOfIt) {
  FileBlock* fb = Open("FULL");
  ASSERT_EQ(Add(fb, "DL1AAA"), 0);
  const std::vector<std::uint8_t> before = *fs_.Data("FULL.DAT");
  // Records still there: a fill on top would double them.
  EXPECT_EQ(fm_->BeginFill(fb), 2);
  EXPECT_EQ(*fs_.Data("FULL.DAT"), before);
  ASSERT_EQ(Add(fb, "DL2BBB"), 0);  // not filling: an ordinary add
  ASSERT_EQ(fm_->FindKey(fb, 3, PadRight("DL2BBB", 15)), 0);

  FileBlock* empty = Open("EMPTY");
  ASSERT_EQ(fm_->BeginFill(empty), 0);
  ASSERT_EQ(Add(empty, "DL3CCC"), 0);
  // Its index is not built yet: a look-up would believe an empty index.
  EXPECT_GT(fm_->FindKey(empty, 3, PadRight("DL3CCC", 15)), 2);
  EXPECT_EQ(fm_->ErrorNumber(), kFillUnfinished);
  EXPECT_EQ(rec_.stops.size(), 1u);
}

// A rebuild keeps the records in use in their slot order and builds each
// index as single inserts would order it: by key, then record number. Both
// are worked out here from the records alone.
TEST_F(FillTest, ARebuildKeepsTheRecordsInOrderAndSortsEveryIndex) {
  FileBlock* fb = AddedWithDeletions("REB", Plan(2500), 400, 1, 2500, 7);
  ASSERT_EQ(fm_->Flush(fb), 0);
  // The records in use, in slot order, straight from the record file.
  std::vector<std::vector<std::uint8_t>> kept;
  {
    const std::vector<std::uint8_t>& dat = *fs_.Data("REB.DAT");
    for (std::size_t at = kRecordLength; at + kRecordLength <= dat.size(); at += kRecordLength)
      if (GetI32(ConstBytes(dat.data() + at, kRecordLength), 0) == 0)
        kept.emplace_back(dat.begin() + static_cast<std::ptrdiff_t>(at),
                          dat.begin() + static_cast<std::ptrdiff_t>(at + kRecordLength));
  }
  ASSERT_EQ(fm_->RebuildFileBlock(fb), 0);
  const std::vector<std::uint8_t>& dat = *fs_.Data("REB.DAT");
  ASSERT_EQ(dat.size(), (kept.size() + 1) * kRecordLength);
  for (std::size_t i = 0; i < kept.size(); ++i)
    ASSERT_TRUE(std::equal(kept[i].begin(), kept[i].end(),
                           dat.begin() + static_cast<std::ptrdiff_t>((i + 1) * kRecordLength)))
        << "slot " << i + 1;
  for (int key = 1; key <= kKeys; ++key) {
    std::vector<std::pair<Key, std::int32_t>> expected;
    for (std::size_t i = 0; i < kept.size(); ++i)
      expected.emplace_back(TestKey(kept[i], key), static_cast<std::int32_t>(i + 1));
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
      const int c = CompareKeys(a.first, b.first);
      return c != 0 ? c < 0 : a.second < b.second;
    });
    const std::vector<Walked> walked = Walk(fb, key);
    ASSERT_EQ(walked.size(), expected.size()) << "key " << key;
    for (std::size_t i = 0; i < walked.size(); ++i) {
      EXPECT_EQ(walked[i].key, expected[i].first) << "key " << key << " entry " << i;
      EXPECT_EQ(walked[i].record, expected[i].second) << "key " << key << " entry " << i;
    }
  }
}

// The same build written page by page and through an image of the index file
// must leave the same bytes in every file: a rebuild that drops records a
// unique index refuses, and a fill. 6,000 records are enough for the keys,
// the sorts and the trees to be made on several threads (run under
// ThreadSanitizer too).
TEST_F(FillTest, TheIndexImageLeavesTheBytesThatPageWritesLeave) {
  const std::vector<Planned> plan = Plan(6000);
  AddedWithDeletions("REB", plan, 300, 1001, 2000, 11);
  fm_.reset();
  // Another program gave three records the calls of others: the rebuild
  // refuses them by the unique call index.
  std::vector<std::uint8_t>& dat = *fs_.Data("REB.DAT");
  for (int slot : {40, 41, 700}) {
    const std::size_t from = static_cast<std::size_t>(slot - 30) * kRecordLength + 9;
    std::copy_n(
        dat.begin() + static_cast<std::ptrdiff_t>(from), 16,
        dat.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(slot) * kRecordLength + 9));
  }
  const MemoryFileSystem::Image before = fs_.AppliedImage();

  auto build = [&](std::uint64_t image_from) {
    MemoryFileSystem fs(before);
    Recorded rec;
    StoreEnvironment env = MakeEnvironment(&fs, &rec, &clock_);
    env.index_image_from = image_from;
    FileManager fm(env);
    EXPECT_EQ(fm.InitFileManager(), 0);
    FileBlock* r = OpenTestBlock(fm, "REB", false);
    EXPECT_EQ(fm.RebuildFileBlock(r), 0);
    FileBlock* f = OpenTestBlock(fm, "FIL", false);
    EXPECT_EQ(fm.BeginFill(f), 0);
    for (const Planned& p : plan) {
      fm.ClearRecord(f);
      Bytes b = fm.RecordBuffer(f);
      b[8] = static_cast<std::uint8_t>(p.band);
      PutText(b, 9, 16, p.call);
      PutI32(b, 25, p.value);
      fm.AddRecord(f);
    }
    EXPECT_EQ(fm.EndFill(f), 0);
    fm.ExitFileManager();
    EXPECT_TRUE(rec.stops.empty());
    return fs.AppliedImage();
  };
  const MemoryFileSystem::Image pages = build(~0ull), image = build(0);
  ASSERT_EQ(image.size(), pages.size());
  for (const auto& [path, bytes] : pages) {
    ASSERT_TRUE(image.count(path)) << path;
    EXPECT_TRUE(image.at(path) == bytes) << path << " differs";
  }
  // The refusals were made and reported, and what is left checks clean.
  MemoryFileSystem fs(image);
  const std::string msg = fs.Text("REB.MSG");
  int refused = 0;
  for (std::size_t at = msg.find("not added"); at != std::string::npos; at = msg.find("not added", at + 1))
    ++refused;
  EXPECT_EQ(refused, 3);
  const KeyBuilder builder = TestKey;
  for (const char* name : {"REB", "FIL"}) {
    const CheckResult check = CheckFiles(fs, name, &builder);
    EXPECT_TRUE(check.clean) << name << ": " << check.Describe();
  }
}

// Keys made to catch a sort that is not exactly the keys' byte order: many
// agree on their first twelve bytes and differ only after them, some are
// shorter than others they lead (with and without trailing zero bytes), bytes
// above 0x7F, the empty key, and long runs of equal keys that must stay in
// record order. 5,000 records: sorted on several threads.
TEST_F(FillTest, ARebuildSortsKeysByEveryByteAndEqualKeysByRecord) {
  constexpr int kMaterial = 10;  // length byte at 9, key bytes from 10
  const KeyBuilder builder = [](ConstBytes r, int key) -> Key {
    const std::size_t length = r[kMaterial - 1];
    const Key bytes(reinterpret_cast<const char*>(r.data() + kMaterial), length);
    switch (key) {
      case 1:
        return LongToKey(GetI32(r, 4));
      case 2:
        return bytes;  // up to 20 bytes
      case 3:
        return bytes.substr(0, std::min<std::size_t>(length, 7));  // up to 7
      default:
        return {};
    }
  };
  FileBlock* fb = fm_->OpenFileBlock("SORT", "SORT", kRecordLength, kRecordLength, nullptr, 3, builder);
  ASSERT_NE(fb, nullptr);
  ASSERT_EQ(fm_->DefineKey(fb, 1, 5, false), 0);
  ASSERT_EQ(fm_->DefineKey(fb, 2, 20, true), 0);
  ASSERT_EQ(fm_->DefineKey(fb, 3, 7, true), 0);
  ASSERT_EQ(fm_->SetAutoNumber(fb, 1, 4), 0);
  fm_->SetFlushAfterWrite(fb, false);
  const std::string heads[] = {std::string(12, '\0'), "DL1ABC/P    ",
                               std::string("\xFF\x80\x7F\x00ZZZZZZZZ", 12), "DL1ABC/P   \x01"};
  const char tails[] = {'\0', '\x01', 'A', '\x7F', '\x80', '\xFF'};
  std::mt19937 random(42);
  for (int i = 0; i < 5000; ++i) {
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    std::string material = heads[random() % 4];
    const int more = static_cast<int>(random() % 9);  // 12 to 20 bytes
    for (int t = 0; t < more; ++t) material += tails[random() % 6];
    // Every fourth key cut short, to anything from empty to 19 bytes.
    if (random() % 4 == 0) material.resize(random() % material.size());
    r[kMaterial - 1] = static_cast<std::uint8_t>(material.size());
    std::copy(material.begin(), material.end(), r.begin() + kMaterial);
    ASSERT_EQ(fm_->AddRecord(fb), 0);
  }
  ASSERT_EQ(fm_->RebuildFileBlock(fb), 0);
  const std::vector<std::uint8_t>& dat = *fs_.Data("SORT.DAT");
  for (int key = 2; key <= 3; ++key) {
    std::vector<std::pair<Key, std::int32_t>> expected;
    for (std::int32_t n = 1; n <= 5000; ++n)
      expected.emplace_back(
          builder(ConstBytes(dat.data() + static_cast<std::size_t>(n) * kRecordLength, kRecordLength), key),
          n);
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return CompareKeys(a.first, b.first) < 0; });
    const std::vector<Walked> walked = Walk(fb, key);
    ASSERT_EQ(walked.size(), expected.size()) << "key " << key;
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < walked.size(); ++i)
      wrong += walked[i].key != expected[i].first || walked[i].record != expected[i].second;
    EXPECT_EQ(wrong, 0u) << "key " << key;
  }
}

}  // namespace
}  // namespace vek::store::testing
