// export and export-name: every output file of a log, written by the same
// writer as the output menu's item, without its dialogs; import-adif: an
// ADIF file through the entry session as the import dialog runs it.
#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "export/adif_import.h"
#include "export/export_inputs.h"
#include "export/output_run.h"

namespace vek::cli {
namespace {

const std::map<std::string, OutputKind>& Kinds() {
  static const std::map<std::string, OutputKind> kinds = {
      {"summary", OutputKind::kSummaryFile},
      {"qso-list", OutputKind::kQsoListFile},
      {"band-list", OutputKind::kBandListFile},
      {"multi-check", OutputKind::kMultiCheckFile},
      {"elog", OutputKind::kWholeFile},
      {"csv", OutputKind::kCsv},
      {"adif", OutputKind::kAdif},
      {"stf", OutputKind::kStf},
      {"edi", OutputKind::kEdi},
  };
  return kinds;
}

struct ExportOptions {
  std::string kind, out, now;
  int number = 0;
  bool english = false;
  bool rst_only = false;
  std::vector<std::string> edi;  // FIELD=VALUE over the EDI header's pre-filled values
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
    const auto time =
        o.now.size() > 11 ? ParseTime(o.now.substr(11), TimeForm::kHhMmSs) : std::optional<std::int32_t>(0);
    if (!date || !time || (o.now.size() > 10 && o.now[10] != ' '))
      return out.Abort("--now must read \"dd.mm.yyyy hh:mm:ss\"");
    s.manual_clock.Set(UtcInstant{*date, *time});
    clock = &s.manual_clock;
  }
  WaitForOtherPrograms(s.fm);
  if (s.controller.Start(false) != CatalogueController::StartResult::kReady)
    return out.Abort("the data files of this folder cannot be opened");
  if (s.controller.SelectLogOfAnyCode(o.number)) in = ExportInputsFor(s.controller, o.number, *clock);
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
    // The header dialog's fields as the flags say ("\n" between remark lines).
    std::string bad_field;
    const auto edit = [&](EdiHeader& header) {
      for (const std::string& f : o.edi) {
        const auto eq = f.find('=');
        Text value = Utf8ToCp1252(eq == std::string::npos ? std::string() : f.substr(eq + 1));
        for (std::size_t at; (at = value.find("\\n")) != Text::npos;) value.replace(at, 2, "\n");
        if (eq == std::string::npos || !header.Set(f.substr(0, eq), value)) bad_field = f;
      }
    };
    if (!o.edi.empty()) {
      EdiHeader probe;
      edit(probe = EdiHeader::For(*in));
      if (!bad_field.empty()) return out.Abort("--edi " + bad_field + ": no such field of the EDI header");
    }
    const OutputOutcome r = WriteOutputFile(kind->second, *in, o.out, s.port, edit);
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

struct ImportOptions {
  int number = 0;
  std::string file;
  std::vector<std::string> maps;
  bool map_same = false, no_check = false;
};

int RunImportAdif(const CommandContext& cc, const ImportOptions& o) {
  Output out(cc.json);
  Session s;
  std::optional<EntryContext> ctx;
  if (int rc = Start(s, out, o.number, ctx, s.system_clock)) return rc;
  EntrySession session(std::move(*ctx));
  if (!session.Open()) return out.Abort("the log's data set cannot be opened");
  AdifImport import(session);
  const std::size_t said = s.port.events().size();
  if (!import.LoadFile(s.fm.file_system(), o.file)) {
    std::string why = "the file cannot be read";
    for (std::size_t i = said; i < s.port.events().size(); ++i)
      if (s.port.events()[i].kind == ScriptedUserPort::Kind::kInform)
        why = Cp1252ToUtf8(s.port.events()[i].text);
    session.Close(s.fm.RecordBuffer(s.controller.qvkk()), s.fm.RecordBuffer(s.controller.qvkz()));
    return out.Abort(why);
  }
  const std::vector<Text> tags = import.tag_list();
  if (o.map_same) import.MapSame();
  for (const std::string& m : o.maps) {
    const auto eq = m.find('=');
    const Text tag = Cp1252Upper(Utf8ToCp1252(m.substr(0, eq)));
    const Text field = eq == std::string::npos ? Text() : Cp1252Upper(Utf8ToCp1252(m.substr(eq + 1)));
    const auto& fields = import.field_list();
    const auto at = std::find_if(fields.begin(), fields.end(),
                                 [&](const AdifFieldEntry& e) { return Cp1252Upper(e.name) == field; });
    if (eq == std::string::npos || at == fields.end() ||
        !import.Map(tag, static_cast<std::size_t>(at - fields.begin()))) {
      session.Close(s.fm.RecordBuffer(s.controller.qvkk()), s.fm.RecordBuffer(s.controller.qvkz()));
      return out.Abort("--map " + m +
                       ": no such tag in the file, no such field of the log, or mapped already");
    }
  }
  import.SetNoCheck(o.no_check);
  const AdifCounts c = import.Start();
  session.Close(s.fm.RecordBuffer(s.controller.qvkk()), s.fm.RecordBuffer(s.controller.qvkz()));
  WriteBackLogRecords(s.controller, o.number);
  out.Integer("records", c.records);
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  std::string shown;
  for (const Text& t : tags) {
    list.push_back(Cp1252ToUtf8(t));
    shown += (shown.empty() ? "" : ", ") + Cp1252ToUtf8(t);
  }
  out.Value("tags", list, shown);
  out.Integer("imported", c.imported);
  out.Integer("duplicates", c.duplicates);
  out.Integer("band_failures", c.band_failures);
  out.Integer("mode_failures", c.mode_failures);
  Text message = AdifImportMessage(c);
  for (std::size_t at; (at = message.find("\r\n")) != Text::npos;) message.replace(at, 2, "; ");
  out.Text("message", message);
  out.Print(std::cout);
  return 0;
}

}  // namespace

void RegisterExportCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd =
        app.add_subcommand("export", "Write an output file of a log as the output menu's item writes it");
    auto o = std::make_shared<ExportOptions>();
    cmd->add_option("KIND", o->kind, "summary, qso-list, band-list, multi-check, elog, csv, adif, stf or edi")
        ->required();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_option("--out", o->out, "the file to write")->required();
    cmd->add_flag("--rst-only", o->rst_only,
                  "ADIF: only the report in RST_SENT/RST_RCVD, the rest in STX/SRX");
    cmd->add_option(
        "--edi", o->edi,
        "EDI: FIELD=VALUE over a pre-filled header field (pcall, ploc, padr1, padr2, psect, pband, pclub1, "
        "pclub2, remail, rname, radr1, radr2, rpoco, rcity, rcoun, mope1, mope2, rtrx, rant, rpower, "
        "rremarks with \\n between lines)");
    cmd->add_option("--now", o->now,
                    "the clock for the dates the file carries: \"dd.mm.yyyy hh:mm:ss\" (UTC)");
    cmd->add_flag("--english", o->english, "the English interface's texts");
    cmd->callback([&ctx, o] { ctx.result = RunExport(ctx, *o, false); });
  }
  {
    auto* cmd =
        app.add_subcommand("export-name", "The file name the save dialog proposes for an output of a log");
    auto o = std::make_shared<ExportOptions>();
    cmd->add_option("KIND", o->kind, "summary, qso-list, band-list, multi-check, elog, csv, adif, stf or edi")
        ->required();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_flag("--english", o->english, "the English interface");
    cmd->callback([&ctx, o] { ctx.result = RunExport(ctx, *o, true); });
  }
  {
    auto* cmd =
        app.add_subcommand("import-adif", "Read an ADIF file into a log through the entry window's checks");
    auto o = std::make_shared<ImportOptions>();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_option("FILE", o->file, "the ADIF file")->required();
    cmd->add_option("--map", o->maps, "TAG=FIELD: a tag of the file onto an entry of \"Felder im Log\"");
    cmd->add_flag("--map-same", o->map_same, "each standard entry (and SRX, STX) onto the tag of its name");
    cmd->add_flag("--no-check", o->no_check, "keine Mode/Band-Überprüfung");
    cmd->callback([&ctx, o] { ctx.result = RunImportAdif(ctx, *o); });
  }
}

}  // namespace vek::cli
