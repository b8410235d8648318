// A log's last count kept beside its files (NAME.CNT), so that a command
// that adds one contact walks only the contacts after that count instead of
// the whole log. The file is a cache: it is trusted only while the log's
// files, their change counter and what the count depends on are exactly as
// they were when it was stored; anything else means "count the whole log".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/file_manager.h"

namespace vek {

class StoredCount {
 public:
  StoredCount(store::FileManager& fm, store::FileBlock* log) : fm_(fm), log_(log) {}

  // The stored count, when the log's change tally is still `now` and its
  // files and `context` (everything else the count depends on) are still
  // those it was stored with.
  std::optional<std::string> Load(std::string_view context, const store::FileManager::ChangeTally& now);
  // Stores `image` as the count of the log's files as they are now, at
  // change tally `now`. Written in place without a sync: a torn or lost
  // file only fails its check sum, and the whole log is counted again.
  bool Save(std::string_view context, const store::FileManager::ChangeTally& now, std::string_view image);
  // The log changed in a way no stored count follows (a count that could
  // not be taken, or a log that is gone).
  void Forget();

  std::string Path() const { return log_->file_name() + ".CNT"; }

 private:
  std::optional<std::string> FilesNow() const;

  store::FileManager& fm_;
  store::FileBlock* log_;
};

}  // namespace vek
