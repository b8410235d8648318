// export and export-name: every output file of a log, written by the same
// writer as the output menu's item, without its dialogs.
#include <map>
#include <memory>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "export/export_inputs.h"
#include "export/output_run.h"

namespace vek::cli {
namespace {

const std::map<std::string, OutputKind>& Kinds() {
  static const std::map<std::string, OutputKind> kinds = {
      {"summary", OutputKind::kSummaryFile},   {"qso-list", OutputKind::kQsoListFile},
      {"band-list", OutputKind::kBandListFile}, {"multi-check", OutputKind::kMultiCheckFile},
      {"elog", OutputKind::kWholeFile},         {"csv", OutputKind::kCsv},
      {"adif", OutputKind::kAdif},
  };
  return kinds;
}

struct ExportOptions {
  std::string kind, out, now;
  int number = 0;
  bool english = false;
  bool rst_only = false;
};

std::string KindNames() {
  std::string names;
  for (const auto& [name, kind] : Kinds()) names += (names.empty() ? "" : ", ") + name;
  return names;
}

// The log's inputs with the clock standing at --now when given.
int Prepare(Session& s, Output& out, const ExportOptions& o, std::optional<ExportInputs>& in) {
  const Clock* clock = &s.system_clock;
  if (!o.now.empty()) {
    const auto date = ParseDate(o.now.substr(0, 10), DateForm::kDdMmYyyy, 2000);
    const auto time = o.now.size() > 11 ? ParseTime(o.now.substr(11), TimeForm::kHhMmSs) : std::optional<std::int32_t>(0);
    if (!date || !time || (o.now.size() > 10 && o.now[10] != ' '))
      return out.Abort("--now must read \"dd.mm.yyyy hh:mm:ss\"");
    s.manual_clock.Set(UtcInstant{*date, *time});
    clock = &s.manual_clock;
  }
  if (s.controller.Start(false) != CatalogueController::StartResult::kReady)
    return out.Abort("the data files of this folder cannot be opened");
  in = ExportInputsFor(s.controller, o.number, *clock);
  if (!in) return out.Abort("there is no log " + std::to_string(o.number) + " in this folder");
  if (o.english) in->english = true;
  return 0;
}

int RunExport(const CommandContext& cc, const ExportOptions& o, bool name_only) {
  Output out(cc.json);
  const auto kind = Kinds().find(o.kind);
  if (kind == Kinds().end()) return out.Abort("KIND must be one of " + KindNames());
  Session s;
  // The ADIF question: No unless --rst-only (contest A answers Yes by itself).
  s.port.SetDefaultAnswer(o.rst_only);
  std::optional<ExportInputs> in;
  if (int rc = Prepare(s, out, o, in)) return rc;
  if (name_only) {
    out.Text("proposed_name", ProposedFileName(*in, kind->second));
  } else {
    const OutputOutcome r = WriteOutputFile(kind->second, *in, o.out, s.port);
    if (r.result != OutputResult::kWritten) {
      return out.Abort(r.result == OutputResult::kLogNotOpened ? "the log's data set cannot be opened"
                                                                : "the file " + o.out + " was not written");
    }
    out.Text("file", Utf8ToCp1252(o.out));
    out.Text("kind", o.kind);
    out.Integer("lines", r.lines);
    out.Integer("bytes", static_cast<long long>(r.bytes));
  }
  out.Print(std::cout);
  return 0;
}

}  // namespace

void RegisterExportCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("export", "Write an output file of a log as the output menu's item writes it");
    auto o = std::make_shared<ExportOptions>();
    cmd->add_option("KIND", o->kind, "summary, qso-list, band-list, multi-check, elog, csv or adif")->required();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_option("--out", o->out, "the file to write")->required();
    cmd->add_flag("--rst-only", o->rst_only, "ADIF: only the report in RST_SENT/RST_RCVD, the rest in STX/SRX");
    cmd->add_option("--now", o->now, "the clock for the dates the file carries: \"dd.mm.yyyy hh:mm:ss\" (UTC)");
    cmd->add_flag("--english", o->english, "the English interface's texts");
    cmd->callback([&ctx, o] { ctx.result = RunExport(ctx, *o, false); });
  }
  {
    auto* cmd = app.add_subcommand("export-name", "The file name the save dialog proposes for an output of a log");
    auto o = std::make_shared<ExportOptions>();
    cmd->add_option("KIND", o->kind, "summary, qso-list, band-list, multi-check, elog, csv or adif")->required();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_flag("--english", o->english, "the English interface");
    cmd->callback([&ctx, o] { ctx.result = RunExport(ctx, *o, true); });
  }
}

}  // namespace vek::cli
