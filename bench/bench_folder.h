// A data folder of its own for one benchmark on real files: made empty,
// the working directory while it lives, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace vek::bench {

class DataFolder {
 public:
  explicit DataFolder(const std::string& name)
      : old_(std::filesystem::current_path()), dir_(std::filesystem::temp_directory_path() / name) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  ~DataFolder() {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
  }
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path old_, dir_;
};

}  // namespace vek::bench
