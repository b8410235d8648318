// The catalogue's operations on QSO data sets, over the record store.
#pragma once

#include "base/user_port.h"
#include "catalogue/log_files.h"
#include "store/file_manager.h"

namespace vek {

class StoreLogFiles final : public LogFiles {
 public:
  StoreLogFiles(store::FileManager& fm, UserPort& port) : fm_(fm), port_(port) {}
  bool EmptyLog(std::int32_t log_number) override;
  // Copies VIDK<n> into the work data set QVLK9999 and renames it to
  // QVLK<n>. No QSO of either log is ever lost or mixed into another log:
  // a work data set left with QSOs, or a target log that already holds
  // QSOs, stops the conversion before anything changes, and the older data
  // set is emptied only after the rename has succeeded.
  void ConvertOlderLog(std::int32_t log_number, bool english) override;

 private:
  std::int32_t CountRecords(const std::string& name, std::int32_t number, bool old_layout);
  void Remove(const std::string& name);

  store::FileManager& fm_;
  UserPort& port_;
};

}  // namespace vek
