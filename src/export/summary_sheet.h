// The summary sheet ("Deckblatt") of a log: station, entry class, the band
// table from the stored totals, the final score, the declaration and the
// signature block, with the additions some contests make.
#pragma once

#include "export/export_inputs.h"
#include "export/line_sink.h"
#include "store/file_manager.h"

namespace vek {

// `log` is the open contest log, read only by the contests that count extra
// values from it; null when it could not be opened (those counts are zero).
bool PrintSummarySheet(const ExportInputs& in, store::FileBlock* log, LineSink& out);

// The lines of a text file with CR or CR LF line ends (station descriptions).
std::vector<Text> TextLines(std::string_view text);

}  // namespace vek
