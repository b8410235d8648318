// Randomized model test: every operation on several fileblocks is checked
// against an in-memory reference of every record and every index, with
// closes and reopens from disk at random points. The seed is printed on
// failure; VEK_MODEL_SEED and VEK_MODEL_OPS override it and the length, and
// VEK_MODEL_DEBUG=1 runs the integrity check after every operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "base/record_bytes.h"
#include "store/file_manager.h"
#include "store/memory_file_system.h"
#include "store/store_check.h"

namespace vek::store {
namespace {

// Record of 128 bytes: 4-7 serial (auto number), 8-58 text A (51), 60-91
// text B (32), 92-95 value, 96-109 text C (14).
constexpr int kLength = 128;
constexpr int kKeyCount = 6;
struct KeySpec {
  int length;
  bool duplicates;
};
constexpr KeySpec kSpecs[kKeyCount + 1] = {{0, false}, {5, false},  {50, true}, {1, true},
                                           {31, false}, {5, true}, {12, false}};

Key Build(ConstBytes r, int k) {
  switch (k) {
    case 1: return LongToKey(GetI32(r, 4));
    case 2: return GetText(r, 8, 51);
    case 3: return GetText(r, 8, 51).substr(0, 1);
    case 4: return PadRight(GetText(r, 60, 32), 30) + "x";
    case 5: return LongToKey(GetI32(r, 92));
    case 6: return GetText(r, 96, 14) + LongToKey(GetI32(r, 92)).substr(3);
    default: return {};
  }
}

using Record = std::vector<std::uint8_t>;

struct EntryLess {
  bool operator()(const std::pair<Key, std::int32_t>& a, const std::pair<Key, std::int32_t>& b) const {
    const int c = CompareKeys(a.first, b.first);
    return c != 0 ? c < 0 : a.second < b.second;
  }
};
using IndexSet = std::set<std::pair<Key, std::int32_t>, EntryLess>;

struct Model {
  std::map<std::int32_t, Record> records;  // by record number
  IndexSet index[kKeyCount + 1];

  void Put(std::int32_t n, const Record& r) {
    Erase(n);
    records[n] = r;
    for (int k = 1; k <= kKeyCount; ++k) index[k].emplace(Build(r, k), n);
  }
  void Erase(std::int32_t n) {
    auto it = records.find(n);
    if (it == records.end()) return;
    for (int k = 1; k <= kKeyCount; ++k) index[k].erase({Build(it->second, k), n});
    records.erase(it);
  }
  // Whether another record than `except` holds `key` in index k.
  bool Holds(int k, const Key& key, std::int32_t except) const {
    for (auto it = index[k].lower_bound({key, INT32_MIN}); it != index[k].end() && it->first == key; ++it)
      if (it->second != except) return true;
    return false;
  }
};

class ModelTest : public ::testing::Test {
 protected:
  static constexpr int kBlocks = 3;
  int page_buffers_ = FileManager::kPageBuffers;
  void RunOperations(long default_ops);

  void StartStore() {
    StoreEnvironment env;
    env.fs = &fs_;
    env.sleep = [](std::chrono::milliseconds) {};
    env.shutdown = [this](const StopReport& r) { stops_.push_back(r); };
    fm_ = std::make_unique<FileManager>(env);
    ASSERT_EQ(fm_->InitFileManager(page_buffers_), 0);
    for (int b = 0; b < kBlocks; ++b) {
      const std::string name = "MODEL" + std::to_string(b);
      blocks_[b] = fm_->OpenFileBlock(name, name, kLength, kLength, nullptr, kKeyCount, Build);
      for (int k = 1; k <= kKeyCount; ++k) ASSERT_EQ(fm_->DefineKey(blocks_[b], k, kSpecs[k].length, kSpecs[k].duplicates), 0);
      ASSERT_EQ(fm_->SetAutoNumber(blocks_[b], 1, 4), 0);
      fm_->SetFlushAfterWrite(blocks_[b], b != 1);  // block 1 keeps its pages in the pool
    }
  }

  std::string RandomText(std::size_t max_len, int alphabet) {
    std::string s(rng_() % (max_len + 1), ' ');
    for (char& c : s) c = static_cast<char>('A' + rng_() % alphabet);
    return s;
  }

  void RandomFields(Bytes r, bool all) {
    if (all || rng_() % 2) PutText(r, 8, 51, RandomText(rng_() % 3 ? 6 : 50, 4));
    if (all || rng_() % 2) PutText(r, 60, 32, RandomText(rng_() % 2 ? 3 : 31, 6));
    if (all || rng_() % 2) PutI32(r, 92, static_cast<std::int32_t>(rng_() % 50) - 25);
    if (all || rng_() % 2) PutText(r, 96, 14, RandomText(8, 3));
    if (rng_() % 4 == 0) r[120] = static_cast<std::uint8_t>(rng_());  // a change of no key
  }

  Record Buffer(int b) {
    Bytes r = fm_->RecordBuffer(blocks_[b]);
    return Record(r.begin(), r.end());
  }

  // Expects the buffer and the current record to be `n` of the model.
  void ExpectAt(int b, std::int32_t n) {
    ASSERT_EQ(blocks_[b]->current_record(), n);
    ASSERT_EQ(Buffer(b), models_[b].records.at(n));
  }

  bool PositionOnRandom(int b) {
    auto& m = models_[b];
    if (m.records.empty()) return false;
    auto it = m.records.begin();
    std::advance(it, static_cast<long>(rng_() % m.records.size()));
    EXPECT_EQ(fm_->FindKey(blocks_[b], 1, LongToKey(GetI32(it->second, 4))), 0);
    ExpectAt(b, it->first);
    return true;
  }

  void Step() {
    const int b = static_cast<int>(rng_() % kBlocks);
    FileBlock* fb = blocks_[b];
    Model& m = models_[b];
    int op = static_cast<int>(rng_() % 100);
    if (op < 30 && m.records.size() > 1500) op = 50;  // keep the model small enough to check often
    if (op < 30) {  // add
      fm_->ClearRecord(fb);
      Bytes r = fm_->RecordBuffer(fb);
      RandomFields(r, true);
      const std::int32_t serial = m.index[1].empty() ? 1 : KeyToLong(m.index[1].rbegin()->first) + 1;
      Record expected(r.begin(), r.end());
      PutI32(expected, 4, serial);
      bool refused = false;
      for (int k = 1; k <= kKeyCount; ++k)
        refused = refused || (!kSpecs[k].duplicates && m.Holds(k, Build(expected, k), -1));
      const int status = fm_->AddRecord(fb);
      ASSERT_EQ(status, refused ? 1 : 0);
      if (!refused) {
        ASSERT_EQ(GetI32(fm_->RecordBuffer(fb), 4), serial);
        ASSERT_EQ(m.records.count(fb->current_record()), 0u);
        m.Put(fb->current_record(), expected);
      }
    } else if (op < 45) {  // rewrite, with or without key changes
      if (!PositionOnRandom(b)) return;
      const std::int32_t n = fb->current_record();
      Bytes r = fm_->RecordBuffer(fb);
      RandomFields(r, false);
      Record changed(r.begin(), r.end());
      bool refused = false;
      for (int k = 1; k <= kKeyCount; ++k)
        refused = refused || (!kSpecs[k].duplicates && m.Holds(k, Build(changed, k), n));
      ASSERT_EQ(fm_->PutRecord(fb), refused ? 1 : 0);
      if (!refused) m.Put(n, changed);
    } else if (op < 57) {  // delete
      if (!PositionOnRandom(b)) return;
      const std::int32_t n = fb->current_record();
      ASSERT_EQ(fm_->DeleteRecord(fb), 0);
      m.Erase(n);
      ASSERT_EQ(fb->current_record(), -1);
    } else if (op < 67) {  // find an existing or a random key
      const int k = 1 + static_cast<int>(rng_() % kKeyCount);
      const IndexSet& index = m.index[k];
      Key key;
      if (!index.empty() && rng_() % 3) {
        key = std::next(index.begin(), static_cast<long>(rng_() % index.size()))->first;
      } else {
        Record probe(kLength, 0);
        RandomFields(probe, true);
        key = Build(probe, k);
      }
      auto it = index.lower_bound({key, INT32_MIN});
      const Record before = Buffer(b);
      const int status = fm_->FindKey(fb, k, key);
      if (it == index.end() || it->first != key) {
        ASSERT_EQ(status, 1);
        ASSERT_EQ(Buffer(b), before);
      } else {
        ASSERT_EQ(status, 0);
        ExpectAt(b, it->second);
      }
    } else if (op < 75) {  // search with a prefix
      const int k = 1 + static_cast<int>(rng_() % kKeyCount);
      const IndexSet& index = m.index[k];
      Key prefix = RandomText(3, 5);
      auto it = index.lower_bound({prefix, INT32_MIN});
      const int status = fm_->SearchKey(fb, k, prefix);
      if (it == index.end()) {
        ASSERT_EQ(status, 1);
      } else {
        ASSERT_EQ(status, 0);
        ExpectAt(b, it->second);
      }
    } else if (op < 80) {  // first or last
      const int k = 1 + static_cast<int>(rng_() % kKeyCount);
      const IndexSet& index = m.index[k];
      const bool last = rng_() % 2;
      const int status = last ? fm_->LastKey(fb, k) : fm_->FirstKey(fb, k);
      if (index.empty()) {
        ASSERT_EQ(status, 1);
      } else {
        ASSERT_EQ(status, 0);
        ExpectAt(b, last ? index.rbegin()->second : index.begin()->second);
      }
    } else if (op < 99) {  // a few steps on switching indexes
      if (fb->current_record() < 1 && !PositionOnRandom(b)) return;
      for (int i = 0; i < 4; ++i) {
        const int k = 1 + static_cast<int>(rng_() % kKeyCount);
        const bool forward = rng_() % 2;
        const IndexSet& index = m.index[k];
        const std::int32_t n = fb->current_record();
        if (n < 1) {
          ASSERT_EQ(forward ? fm_->NextKey(fb, k) : fm_->PrevKey(fb, k), 1);
          break;
        }
        const std::pair<Key, std::int32_t> here(Build(m.records.at(n), k), n);
        auto pos = index.find(here);
        ASSERT_NE(pos, index.end());
        const int status = forward ? fm_->NextKey(fb, k) : fm_->PrevKey(fb, k);
        const bool at_edge = forward ? std::next(pos) == index.end() : pos == index.begin();
        if (at_edge) {
          ASSERT_EQ(status, 1) << "key " << k << (forward ? " next" : " prev") << " from " << n << " landed on "
                               << fb->current_record() << " model size " << index.size() << " in model "
                               << m.records.count(fb->current_record());
          ASSERT_EQ(fb->current_record(), n);
          break;
        }
        ASSERT_EQ(status, 0);
        ExpectAt(b, forward ? std::next(pos)->second : std::prev(pos)->second);
      }
    } else if (rng_() % 4 == 0) {  // a rebuild: records move up into the deleted slots, in order
      ASSERT_EQ(fm_->RebuildFileBlock(fb), 0);
      Model renumbered;
      std::int32_t n = 0;
      for (const auto& [old, record] : m.records) renumbered.Put(++n, record);
      m = std::move(renumbered);
    } else {  // close everything and reopen from the files
      fm_.reset();
      StartStore();
    }
    ASSERT_EQ(fm_->RecordCount(blocks_[b]), static_cast<std::int32_t>(m.records.size()));
  }

  // Every index walked in both directions equals the model's.
  void CheckAllIndexes() {
    for (int b = 0; b < kBlocks; ++b) {
      for (int k = 1; k <= kKeyCount; ++k) {
        const IndexSet& index = models_[b].index[k];
        std::vector<std::int32_t> forward, backward;
        for (int s = fm_->FirstKey(blocks_[b], k); s == 0; s = fm_->NextKey(blocks_[b], k))
          forward.push_back(blocks_[b]->current_record());
        for (int s = fm_->LastKey(blocks_[b], k); s == 0; s = fm_->PrevKey(blocks_[b], k))
          backward.push_back(blocks_[b]->current_record());
        std::reverse(backward.begin(), backward.end());
        std::vector<std::int32_t> expected;
        for (const auto& e : index) expected.push_back(e.second);
        ASSERT_EQ(forward, expected) << "block " << b << " key " << k;
        ASSERT_EQ(backward, expected) << "block " << b << " key " << k;
      }
    }
  }

  MemoryFileSystem fs_;
  std::vector<StopReport> stops_;
  std::unique_ptr<FileManager> fm_;
  FileBlock* blocks_[kBlocks] = {};
  Model models_[kBlocks];
  std::mt19937 rng_;
};

TEST_F(ModelTest, TwoHundredThousandOperations) { RunOperations(200000); }

// The same through the smallest pool the store accepts: pages are evicted,
// written back and read again at almost every step.
TEST_F(ModelTest, FiftyThousandOperationsThroughEightPages) {
  page_buffers_ = 8;
  RunOperations(50000);
}

void ModelTest::RunOperations(long default_ops) {
  const char* seed_env = std::getenv("VEK_MODEL_SEED");
  const char* ops_env = std::getenv("VEK_MODEL_OPS");
  const unsigned seed = seed_env ? static_cast<unsigned>(std::strtoul(seed_env, nullptr, 10)) : std::random_device{}();
  const long ops = ops_env ? std::strtol(ops_env, nullptr, 10) : default_ops;
  rng_.seed(seed);
  SCOPED_TRACE("VEK_MODEL_SEED=" + std::to_string(seed));
  StartStore();
  for (long i = 0; i < ops; ++i) {
    ASSERT_NO_FATAL_FAILURE(Step()) << "operation " << i;
    if (std::getenv("VEK_MODEL_DEBUG")) {
      for (int b = 0; b < kBlocks; ++b) {
        fm_->Flush(blocks_[b]);
        if (!fs_.Exists("MODEL" + std::to_string(b) + ".DAT")) continue;
        const CheckResult check = CheckFiles(fs_, "MODEL" + std::to_string(b));
        ASSERT_TRUE(check.clean) << "after operation " << i << " block " << b << "\n" << check.Describe();
      }
    }
    if (i % 5000 == 4999) {
      ASSERT_NO_FATAL_FAILURE(CheckAllIndexes()) << "operation " << i;
    }
  }
  ASSERT_NO_FATAL_FAILURE(CheckAllIndexes());
  EXPECT_TRUE(stops_.empty());
  fm_.reset();
  for (int b = 0; b < kBlocks; ++b) {
    const CheckResult check = CheckFiles(fs_, "MODEL" + std::to_string(b));
    EXPECT_TRUE(check.clean) << check.Describe();
    EXPECT_EQ(check.records_in_use, static_cast<std::int32_t>(models_[b].records.size()));
  }
}

}  // namespace
}  // namespace vek::store
