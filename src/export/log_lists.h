// The lists of a log: the QSO list (paper, text file, CSV), the band list
// and the multiplier check list, with the column widths measured once per
// run from the log.
#pragma once

#include <array>
#include <cstddef>

#include "export/export_inputs.h"
#include "export/line_sink.h"
#include "store/file_manager.h"

namespace vek {

struct ListColumns {
  std::size_t call = 8, sent = 9, received = 9, points = 1;
  std::array<std::size_t, 3> multi{};  // multiplier columns 1..3 at index 0..2
  std::array<bool, 3> multi_shown{};   // a column shows when its caption is not empty
};

// One walk of the log in time order.
ListColumns MeasureColumns(const ContestDefinition& d, store::FileManager& fm, store::FileBlock* log);

// Each writer returns false when the sink failed (a full disk).
bool WriteQsoList(const ExportInputs& in, store::FileBlock* log, const ListColumns& columns, LineSink& out);
bool WriteCsvList(const ExportInputs& in, store::FileBlock* log, const ListColumns& columns, LineSink& out);
bool WriteBandList(const ExportInputs& in, store::FileBlock* log, const ListColumns& columns, LineSink& out);
bool WriteMultiCheckList(const ExportInputs& in, store::FileBlock* log, LineSink& out);

}  // namespace vek
