// The STF file: "STF1", a header of 13-character keywords and their
// values, "QsoList", one contact per line in the announced column order,
// "EndQSOList".
#pragma once

#include "export/export_inputs.h"
#include "export/line_sink.h"
#include "export/log_lists.h"

namespace vek {

bool WriteStfFile(const ExportInputs& in, store::FileBlock* log, const ListColumns& columns, LineSink& out);

}  // namespace vek
