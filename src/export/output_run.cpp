#include "export/output_run.h"

#include <functional>

#include "base/cp1252.h"
#include "export/adif_export.h"
#include "export/log_lists.h"
#include "export/stf_export.h"
#include "export/summary_sheet.h"
#include "logging/contest_log.h"
#include "store/store_errors.h"

namespace vek {
namespace {

// The log opened for one run and closed after it.
class OpenLog {
 public:
  explicit OpenLog(const ExportInputs& in) : log_(*in.files, in.log_number, in.suffixes) {
    // The store opens a fileblock's files on first use: a first look tells
    // whether they are there (an empty log answers "nothing found").
    store::FileManager& fm = in.files->fm();
    opened_ = log_.OpenContestLog();
    if (opened_ && fm.FirstKey(log_.log(), 4) != 0)
      opened_ = fm.Status() == 1 &&
                (fm.ErrorNumber() == store::kEndOfIndex || fm.ErrorNumber() == store::kKeyNotFound);
    if (!opened_ && log_.log()) log_.CloseContestLog();
  }
  ~OpenLog() {
    if (opened_) log_.CloseContestLog();
  }
  store::FileBlock* get() const { return opened_ ? log_.log() : nullptr; }

 private:
  ContestLog log_;
  bool opened_ = false;
};

bool OpensEditor(OutputKind kind) {
  return kind == OutputKind::kSummaryFile || kind == OutputKind::kQsoListFile || kind == OutputKind::kStf ||
         kind == OutputKind::kBandListFile;
}

bool EndsWithNoCase(const Text& text, std::string_view end) {
  return text.size() >= end.size() && Cp1252Upper(text.substr(text.size() - end.size())) == end;
}

Text CompletionMessage(OutputKind kind, const Text& name) {
  switch (kind) {
    case OutputKind::kSummaryFile:
      return {};
    // The name the dialog returns carries its extension already; it is not
    // said twice.
    case OutputKind::kCsv:
      return "Datei " + name + (EndsWithNoCase(name, ".CSV") ? "" : ".CSV") + " wurde erstellt.";
    case OutputKind::kEdi:
      return "Datei " + name + (EndsWithNoCase(name, ".EDI") ? "" : ".EDI") + " wurde erstellt.";
    default:
      return "Datei " + name + " wurde erstellt.";
  }
}

// Writes the file through its work file; the outcome tells what happened.
// `edit_header` lets the person complete the EDI header before it is written.
OutputOutcome WriteFile(OutputKind kind, const ExportInputs& in, const std::string& path, UserPort& port,
                        bool* content_written, const std::function<void(EdiHeader&)>& edit_header) {
  OutputOutcome outcome;
  outcome.path = path;
  const Text shown = Utf8ToCp1252(path);
  TextFileSink sink(in.files->fm().file_system(), path);
  if (!sink.Create()) {
    port.Inform("Die Datei " + shown + " konnte nicht erstellt werden.");
    outcome.result = OutputResult::kNotCreated;
    return outcome;
  }
  sink.SetLeadingBlanks(kind != OutputKind::kCsv);
  OutputOptions options;
  if (kind == OutputKind::kAdif)
    options.adif_rst_only = in.contest_code == 'A' || port.AskYesNo(AdifReportQuestion());
  bool produced = false;
  {
    OpenLog log(in);
    EdiHeader header = EdiHeader::For(in);
    if (kind == OutputKind::kEdi && log.get()) {
      options.edi_counts = CountEdiValues(in, log.get());
      if (edit_header) edit_header(header);
      options.edi_header = &header;
    }
    // A log that cannot be opened leaves the file empty.
    if (log.get()) produced = ProduceOutput(kind, in, log.get(), sink, options);
    outcome.result = log.get() ? OutputResult::kWritten : OutputResult::kLogNotOpened;
  }
  outcome.lines = sink.lines();
  outcome.bytes = sink.bytes();
  if (!sink.Good() || !sink.Commit()) {
    port.Inform("Die Datei " + shown +
                W(" konnte nicht vollständig geschrieben werden (Datenträger voll oder nicht beschreibbar). "
                  "Eine vorhandene Datei dieses Namens bleibt unverändert."));
    outcome.result = OutputResult::kFailed;
    return outcome;
  }
  if (content_written) *content_written = produced;
  return outcome;
}

}  // namespace

bool IsPaperKind(OutputKind kind) {
  return kind == OutputKind::kPaperSummary || kind == OutputKind::kPaperMultiCheck ||
         kind == OutputKind::kPaperBandList || kind == OutputKind::kPaperQsoList;
}

std::optional<OutputKind> OutputKindOf(int menu_kind) {
  switch (menu_kind) {
    case 1:
    case 3:
    case 4:
    case 5:
    case 7:
    case 8:
    case 9:
    case 10:
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
      return static_cast<OutputKind>(menu_kind);
    default:
      return std::nullopt;
  }
}

std::optional<FileKindTexts> TextsOf(OutputKind kind) {
  switch (kind) {
    case OutputKind::kSummaryFile:
      return FileKindTexts{"E-Log - Deckblattdatei", ".SUM", "E-Log Deckblatt (*.SUM)|", "SUM"};
    case OutputKind::kQsoListFile:
      return FileKindTexts{"E-Log - Listendatei", ".ALL", "E-Log Liste (*.ALL)|", "ALL"};
    case OutputKind::kBandListFile:
      return FileKindTexts{"E-Log - Bandlistendatei", ".BND", "E-Log Bandliste (*.BND)|", "BND"};
    case OutputKind::kMultiCheckFile:
      return FileKindTexts{"E-Log - Multi-Checkliste", "-multi.txt", "E-Log Multicheckliste (*.txt)|", "txt"};
    case OutputKind::kWholeFile:
      return FileKindTexts{"E-Log - Gesamtdatei", ".TXT", "E-Log Gesamtdatei (*.TXT)|", "TXT"};
    case OutputKind::kStf:
      return FileKindTexts{"STF - Listendatei", ".STF", "STF-Liste (*.STF)|", "STF"};
    case OutputKind::kAdif:
      return FileKindTexts{"ADIF - Listendatei", ".ADI", "ADIF-Liste (*.ADI)|", "ADI"};
    case OutputKind::kCsv:
      return FileKindTexts{"CSV - Listendatei", ".CSV", "CSV-Liste (*.CSV)|", "CSV"};
    case OutputKind::kEdi:
      return FileKindTexts{"EDI - Datei", ".EDI", "EDI-Datei (*.EDI)|", "EDI"};
    default:
      return std::nullopt;
  }
}

static Text CallForFileName(const ExportInputs& in) {
  Text call = in.OwnCall();
  for (char& c : call)
    if (c == '/') c = '_';
  return call;
}

Text ProposedFileName(const ExportInputs& in, OutputKind kind) {
  const auto texts = TextsOf(kind);
  Text name = CallForFileName(in);
  if (const EntryClass* c = in.Class()) {
    name += "-";
    for (char ch : c->Name) {
      if (ch == ':') continue;
      name += ch == '.' ? '-' : (ch == '/' || ch == '\\' || ch == ',') ? '_' : ch;
    }
  }
  return name + (texts ? texts->extension_part : "");
}

Text SavePrompt(const ExportInputs& in, OutputKind kind) {
  const auto texts = TextsOf(kind);
  if (!texts) return {};
  return Text("Geben Sie im folgenden Dialog an, wohin die ") + texts->name + " " + CallForFileName(in) +
         texts->extension_part + " gespeichert werden soll.";
}

int PrintFontPoints(const ExportInputs& in, OutputKind kind) {
  if (kind == OutputKind::kPaperMultiCheck) return 10;
  if ((kind == OutputKind::kPaperBandList || kind == OutputKind::kPaperQsoList) && in.ClassNumber() == 4)
    return 8;
  return 9;
}

Text PrintJobTitle(OutputKind kind) {
  switch (kind) {
    case OutputKind::kPaperSummary:
      return "Papierlog - Deckblatt";
    case OutputKind::kPaperQsoList:
      return "Papierlog - QSO-Liste";
    case OutputKind::kPaperBandList:
      return "Papierlog - Band-Liste";
    default:
      return "Papierlog - Multi-Checkliste";
  }
}

bool ProduceOutput(OutputKind kind, const ExportInputs& in, store::FileBlock* log, LineSink& out,
                   const OutputOptions& options) {
  const auto columns = [&] { return MeasureColumns(in.definition, in.files->fm(), log); };
  switch (kind) {
    case OutputKind::kPaperSummary:
    case OutputKind::kSummaryFile:
      return PrintSummarySheet(in, log, out);
    case OutputKind::kPaperMultiCheck:
    case OutputKind::kMultiCheckFile:
      return WriteMultiCheckList(in, log, out);
    case OutputKind::kPaperBandList:
    case OutputKind::kBandListFile:
      return WriteBandList(in, log, columns(), out);
    case OutputKind::kPaperQsoList:
    case OutputKind::kQsoListFile:
      return WriteQsoList(in, log, columns(), out);
    case OutputKind::kWholeFile: {
      // Contests 5 and P hand in their STF file as the whole file.
      if (in.contest_code == '5' || in.contest_code == 'P') return WriteStfFile(in, log, columns(), out);
      if (!PrintSummarySheet(in, log, out)) return false;
      return in.contest_code == 'i' ? WriteBandList(in, log, columns(), out)
                                    : WriteQsoList(in, log, columns(), out);
    }
    case OutputKind::kCsv:
      return WriteCsvList(in, log, columns(), out);
    case OutputKind::kAdif:
      return WriteAdifFile(in, log, options.adif_rst_only, out);
    case OutputKind::kStf:
      return WriteStfFile(in, log, columns(), out);
    case OutputKind::kEdi: {
      const EdiHeader header = options.edi_header ? *options.edi_header : EdiHeader::For(in);
      return WriteEdiFile(in, log, header, options.edi_counts ? *options.edi_counts : CountEdiValues(in, log),
                          out);
    }
    default:
      return false;
  }
}

OutputOutcome RunOutput(OutputKind kind, const ExportInputs& in, OutputHost& host, UserPort& port) {
  // Contests 5 and P hand in their STF file as the whole file: its name,
  // dialog and messages are the STF file's.
  if (kind == OutputKind::kWholeFile && (in.contest_code == '5' || in.contest_code == 'P'))
    kind = OutputKind::kStf;
  OutputOutcome outcome;
  if (IsPaperKind(kind)) {
    std::unique_ptr<PageSink> pages = host.BeginPrint(PrintFontPoints(in, kind), PrintJobTitle(kind));
    if (!pages) {
      outcome.result = OutputResult::kCancelled;
      return outcome;
    }
    {
      OpenLog log(in);
      if (log.get()) ProduceOutput(kind, in, log.get(), *pages);
      outcome.result = log.get() ? OutputResult::kWritten : OutputResult::kLogNotOpened;
    }
    outcome.lines = static_cast<std::int64_t>(pages->drawn().size());
    host.EndPrint(*pages);
    return outcome;
  }
  const auto texts = TextsOf(kind);
  port.Inform(SavePrompt(in, kind));
  const std::optional<std::string> path = host.ChooseSaveFile(
      Text(texts->filter) + ProposedFileName(in, kind), texts->default_extension, ProposedFileName(in, kind));
  if (!path) {
    outcome.result = OutputResult::kCancelled;
    return outcome;
  }
  bool produced = false;
  outcome = WriteFile(kind, in, *path, port, &produced,
                      [&](EdiHeader& header) { host.EditEdiHeader(header, in.definition.ContestTitle); });
  if (outcome.result == OutputResult::kNotCreated || outcome.result == OutputResult::kFailed) return outcome;
  if (produced) {
    const Text message = CompletionMessage(kind, Utf8ToCp1252(*path));
    if (!message.empty()) port.Inform(message);
  }
  if (OpensEditor(kind)) host.ShowEditor(*path);
  return outcome;
}

OutputOutcome WriteOutputFile(OutputKind kind, const ExportInputs& in, const std::string& path,
                              UserPort& port, const std::function<void(EdiHeader&)>& edit_header) {
  return WriteFile(kind, in, path, port, nullptr, edit_header);
}

}  // namespace vek
