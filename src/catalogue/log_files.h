// What the catalogue does to a log's QSO data set. The data set's layout
// belongs to the logging layer, which implements this.
#pragma once

#include <cstdint>

namespace vek {

class LogFiles {
 public:
  virtual ~LogFiles() = default;
  // Deletes the log's QSO data set (files gone; a later open starts empty);
  // false when the store could not do it.
  virtual bool EmptyLog(std::int32_t log_number) = 0;
  // Takes over the older program family's log of the same number.
  virtual void ConvertOlderLog(std::int32_t log_number, bool english) = 0;
};

}  // namespace vek
