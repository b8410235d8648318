// The log as an ADIF file: a header line, the standard header fields, and
// one line of fields per contact, each field "<TAG:length>value".
#pragma once

#include "export/export_inputs.h"
#include "export/line_sink.h"
#include "store/file_manager.h"

namespace vek {

// "<TAG:n>value", n counting the bytes of the value as written.
Text AdifField(std::string_view tag, std::string_view value);

// The question the export asks first; contest A answers Yes without it.
Text AdifReportQuestion();

// `rst_only`: of the exchange only the report goes into RST_SENT/RST_RCVD,
// the rest into STX/SRX.
bool WriteAdifFile(const ExportInputs& in, store::FileBlock* log, bool rst_only, LineSink& out);

}  // namespace vek
