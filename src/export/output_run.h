// One item of the output menu from the question to the finished file or
// print job: the prompt, the save dialog with its proposed name, the
// writing through a work file, the messages and the editor window. The
// dialogs and the editor come from a host (the desktop program's windows,
// or a test); the companion writes a kind's file without any of them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/user_port.h"
#include "export/edi_export.h"
#include "export/export_inputs.h"
#include "export/line_sink.h"

namespace vek {

// The numbers are the kinds of the output menu's table.
enum class OutputKind : int {
  kPaperSummary = 1,
  kPaperMultiCheck = 3,
  kPaperBandList = 4,
  kPaperQsoList = 5,
  kSummaryFile = 7,
  kQsoListFile = 8,
  kStf = 9,
  kAdif = 10,
  kBandListFile = 12,
  kWholeFile = 13,
  kCsv = 14,
  kMultiCheckFile = 15,
  kEdi = 16,
};

bool IsPaperKind(OutputKind kind);
// The kind a menu entry runs (the entry's `kind` number), for this contest.
std::optional<OutputKind> OutputKindOf(int menu_kind);

struct FileKindTexts {
  const char* name;            // "E-Log - Deckblattdatei"
  const char* extension_part;  // ".SUM", "-multi.txt"
  const char* filter;          // "E-Log Deckblatt (*.SUM)|"
  const char* default_extension;
};
std::optional<FileKindTexts> TextsOf(OutputKind kind);

// "DL1ABC_P-Sektion A.EDI": the own call with "/" as "_", the entry class's
// name made fit for a file name, the extension part.
Text ProposedFileName(const ExportInputs& in, OutputKind kind);
Text SavePrompt(const ExportInputs& in, OutputKind kind);
// "Courier New" at the size the kind prints with.
int PrintFontPoints(const ExportInputs& in, OutputKind kind);
Text PrintJobTitle(OutputKind kind);

class OutputHost {
 public:
  virtual ~OutputHost() = default;
  // The save dialog; the chosen path, nullopt when cancelled. Texts in the
  // core's form, the path as the file system takes it.
  virtual std::optional<std::string> ChooseSaveFile(std::string_view filter,
                                                    std::string_view default_extension,
                                                    std::string_view proposed_name) = 0;
  // The print dialog and a started job; null when cancelled.
  virtual std::unique_ptr<PageSink> BeginPrint(int font_points, std::string_view job_title) = 0;
  virtual void EndPrint(PageSink& pages) = 0;
  virtual void ShowEditor(const std::string& path) = 0;
  // The dialog "VHF/UHF-Contest" over the EDI header, captioned `caption`;
  // whatever way it is closed, the values as they stand are written.
  virtual void EditEdiHeader(EdiHeader& header, std::string_view caption) { (void)header, (void)caption; }
};

enum class OutputResult { kWritten, kCancelled, kNotCreated, kFailed, kLogNotOpened };
struct OutputOutcome {
  OutputResult result = OutputResult::kFailed;
  std::string path;
  std::int64_t lines = 0;
  std::uint64_t bytes = 0;
};

OutputOutcome RunOutput(OutputKind kind, const ExportInputs& in, OutputHost& host, UserPort& port);

// The kind's file written to `path` exactly as the menu writes it, without
// prompt, dialog, completion message or editor; failures are told to `port`.
// `edit_header` may change the EDI header's pre-filled values.
OutputOutcome WriteOutputFile(OutputKind kind, const ExportInputs& in, const std::string& path,
                              UserPort& port, const std::function<void(EdiHeader&)>& edit_header = {});

// The answers a kind asked for before its writing.
struct OutputOptions {
  bool adif_rst_only = false;
  const EdiHeader* edi_header = nullptr;  // the header as the dialog left it
  std::optional<EdiCounts> edi_counts;    // the walk made before the dialog
};
// The content of a kind into a sink (paper or file).
bool ProduceOutput(OutputKind kind, const ExportInputs& in, store::FileBlock* log, LineSink& out,
                   const OutputOptions& options = {});

}  // namespace vek
