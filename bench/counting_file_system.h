// The machine's file system with a count of the syncs (fdatasync), reads and
// writes the store asks for, so that a benchmark reports what an operation
// waits for and how much it asks of the disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/os_file.h"

namespace vek::bench {

class CountingFileSystem final : public store::OsFileSystem {
 public:
  std::unique_ptr<store::OsFile> Open(const std::string& path, bool create, std::int32_t& error) override {
    auto file = real_.Open(path, create, error);
    if (!file) return nullptr;
    return std::make_unique<CountingFile>(std::move(file), counts_);
  }
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  std::optional<store::FileStamp> Stamp(const std::string& path) override { return real_.Stamp(path); }
  std::int32_t Remove(const std::string& path) override { return real_.Remove(path); }
  std::int32_t Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
  std::int32_t Append(const std::string& path, const std::string& text) override { return real_.Append(path, text); }

  struct Counts {
    std::int64_t syncs = 0, reads = 0, writes = 0;
  };
  std::int64_t syncs() const { return counts_.syncs; }
  const Counts& counts() const { return counts_; }

 private:
  class CountingFile final : public store::OsFile {
   public:
    CountingFile(std::unique_ptr<store::OsFile> file, Counts& counts)
        : file_(std::move(file)), counts_(counts) {}
    store::IoResult ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
      ++counts_.reads;
      return file_->ReadAt(offset, out);
    }
    store::IoResult WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
      ++counts_.writes;
      return file_->WriteAt(offset, data);
    }
    std::int32_t Size(std::uint64_t& size) override { return file_->Size(size); }
    std::int32_t Sync() override {
      ++counts_.syncs;
      return file_->Sync();
    }
    std::int32_t Lock() override { return file_->Lock(); }
    void Unlock() override { file_->Unlock(); }
    std::int32_t LockRange(std::uint64_t offset, bool exclusive) override {
      return file_->LockRange(offset, exclusive);
    }
    void UnlockRange(std::uint64_t offset) override { file_->UnlockRange(offset); }

   private:
    std::unique_ptr<store::OsFile> file_;
    Counts& counts_;
  };

  store::OsFileSystem& real_ = store::RealFileSystem();
  Counts counts_;
};

}  // namespace vek::bench
