// The record store over the in-memory file system, started as the program
// starts it: no sleeps, rebuilds and new files allowed without a question.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "refdata/suite_files.h"
#include "store/file_manager.h"
#include "store/memory_file_system.h"

namespace vek {

inline void StartMemoryStore(store::MemoryFileSystem& fs, std::unique_ptr<store::FileManager>& fm,
                             std::unique_ptr<SuiteFiles>& files) {
  store::StoreEnvironment env;
  env.fs = &fs;
  env.sleep = [](std::chrono::milliseconds) {};
  fm = std::make_unique<store::FileManager>(env);
  ASSERT_EQ(fm->InitFileManager(), 0);
  fm->SetLockQuestion([](const std::string&, store::LockQuestion q) {
    return q == store::LockQuestion::kRebuildIndex || q == store::LockQuestion::kCreateFiles;
  });
  files = std::make_unique<SuiteFiles>(*fm);
}

}  // namespace vek
