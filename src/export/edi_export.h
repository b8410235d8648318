// The EDI file (REG1TEST) of VHF/UHF contests: a preamble, the station and
// claim header completed in the dialog "VHF/UHF-Contest", "[Remarks]" and
// one line of 15 fields per contact.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "export/export_inputs.h"
#include "export/line_sink.h"

namespace vek {

// The dialog's fields by control name, with their group and caption.
struct EdiHeaderField {
  EdiHeaderField(std::string name_, Text group_, Text caption_, Text value_, bool multi_line_ = false,
                 std::vector<Text> choices_ = {})
      : name(std::move(name_)),
        group(std::move(group_)),
        caption(std::move(caption_)),
        value(std::move(value_)),
        multi_line(multi_line_),
        choices(std::move(choices_)) {}
  std::string name;  // pcall, ploc, ... rremarks
  Text group, caption;
  Text value;
  bool multi_line = false;    // rremarks: lines separated by "\n"
  std::vector<Text> choices;  // pband
};

class EdiHeader {
 public:
  // The fields pre-filled from the log, the station and its class.
  static EdiHeader For(const ExportInputs& in);
  std::vector<EdiHeaderField>& fields() { return fields_; }
  const std::vector<EdiHeaderField>& fields() const { return fields_; }
  const Text& Value(std::string_view name) const;
  // False for a name that is not a field of the dialog.
  bool Set(std::string_view name, std::string_view value);

 private:
  std::vector<EdiHeaderField> fields_;
};

// What one walk of the log in time order gives the header.
struct EdiCounts {
  std::int64_t qsos = 0, countries = 0, squares = 0;
  Text odx;  // call;locator;points of the first contact with the most points
};
EdiCounts CountEdiValues(const ExportInputs& in, store::FileBlock* log);

// Mode code of a QSO line: SSB 1, CW 2, AM 5, FM 6, RTTY 7, else 0.
char EdiModeCode(std::string_view mode);

bool WriteEdiFile(const ExportInputs& in, store::FileBlock* log, const EdiHeader& header,
                  const EdiCounts& counts, LineSink& out);

}  // namespace vek
