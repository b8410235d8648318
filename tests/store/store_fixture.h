// A small record layout for store tests, over the in-memory file system.
//
// Record (length 48): bytes 0-3 reserved, 4-7 serial (auto number, key 1
// unique), 8 band character, 9-24 call text (16), 25-28 value, 29-47 free.
// Keys: 1 LongToKey(serial) unique; 2 band + call padded to 15, duplicates;
// 3 call padded to 15, unique; 4 LongToKey(value), duplicates.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/record_bytes.h"
#include "store/file_manager.h"
#include "store/memory_file_system.h"

namespace vek::store::testing {

constexpr int kRecordLength = 48;
constexpr int kKeys = 4;

inline Key TestKey(ConstBytes r, int key) {
  switch (key) {
    case 1: return LongToKey(GetI32(r, 4));
    case 2: return std::string(1, static_cast<char>(r[8])) + PadRight(GetText(r, 9, 16), 15);
    case 3: return PadRight(GetText(r, 9, 16), 15);
    case 4: return LongToKey(GetI32(r, 25));
    default: return {};
  }
}

struct Recorded {
  std::vector<StopReport> stops;
  std::vector<std::pair<std::string, LockQuestion>> questions;
  std::vector<int> sleeps;
  bool answer = true;
};

inline StoreEnvironment MakeEnvironment(OsFileSystem* fs, Recorded* rec, const Clock* clock = nullptr) {
  StoreEnvironment env;
  env.fs = fs;
  env.clock = clock;
  env.sleep = [rec](std::chrono::milliseconds ms) { rec->sleeps.push_back(static_cast<int>(ms.count())); };
  env.random = [](int n) { return n / 2; };
  env.shutdown = [rec](const StopReport& r) { rec->stops.push_back(r); };
  return env;
}

// The test layout's fileblock NAME on `fm`, keys and automatic number defined.
inline FileBlock* OpenTestBlock(FileManager& fm, const std::string& name = "TEST", bool flush = true) {
  FileBlock* fb = fm.OpenFileBlock(name, name, kRecordLength, kRecordLength, nullptr, kKeys, TestKey);
  EXPECT_NE(fb, nullptr);
  EXPECT_EQ(fm.DefineKey(fb, 1, 5, false), 0);
  EXPECT_EQ(fm.DefineKey(fb, 2, 16, true), 0);
  EXPECT_EQ(fm.DefineKey(fb, 3, 15, false), 0);
  EXPECT_EQ(fm.DefineKey(fb, 4, 5, true), 0);
  EXPECT_EQ(fm.SetAutoNumber(fb, 1, 4), 0);
  fm.SetFlushAfterWrite(fb, flush);
  return fb;
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }

  void Start() {
    fm_ = std::make_unique<FileManager>(MakeEnvironment(&fs_, &rec_, &clock_));
    ASSERT_EQ(fm_->InitFileManager(), 0);
    fm_->SetErrorLogName("IFD.ERR");
    fm_->SetLockQuestion([this](const std::string& name, LockQuestion q) {
      if (q == LockQuestion::kRebuildIndex || q == LockQuestion::kCreateFiles) return true;
      rec_.questions.emplace_back(name, q);
      return rec_.answer;
    });
  }

  // Closes everything and starts again on what the files now hold.
  void Restart() {
    fm_.reset();
    Start();
  }

  FileBlock* Open(const std::string& name = "TEST", bool flush = true) { return OpenTestBlock(*fm_, name, flush); }

  void Fill(FileBlock* fb, const std::string& call, char band = 'k', std::int32_t value = 0) {
    fm_->ClearRecord(fb);
    Bytes r = fm_->RecordBuffer(fb);
    r[8] = static_cast<std::uint8_t>(band);
    PutText(r, 9, 16, call);
    PutI32(r, 25, value);
  }

  int Add(FileBlock* fb, const std::string& call, char band = 'k', std::int32_t value = 0) {
    Fill(fb, call, band, value);
    return fm_->AddRecord(fb);
  }

  std::string Call(FileBlock* fb) { return GetText(fm_->RecordBuffer(fb), 9, 16); }
  std::int32_t Serial(FileBlock* fb) { return GetI32(fm_->RecordBuffer(fb), 4); }

  MemoryFileSystem fs_;
  Recorded rec_;
  ManualClock clock_{UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60}};
  std::unique_ptr<FileManager> fm_;
};

}  // namespace vek::store::testing
