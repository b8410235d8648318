// The known calls from the command line: which calls hold a text (the
// entry window's partner panel), what is known of a call, and the
// super-check-partial list of the data folder.
#include <iostream>
#include <memory>

#include "app/cli_commands.h"
#include "app/cli_session.h"
#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "logging/known_calls.h"
#include "refdata/bands.h"
#include "store/replacing_file.h"

namespace vek::cli {

namespace {

using Json = nlohmann::ordered_json;

// The catalogue's logs and the folder's lists; `log` > 0 marks what that log worked.
int BuildFromFolder(Session& s, Output& out, int log, KnownCalls& known) {
  WaitForOtherPrograms(s.fm);
  if (s.controller.Start(false) != CatalogueController::StartResult::kReady)
    return out.Abort("the data files of this folder cannot be opened");
  KnownCallSources sources = CatalogueSources(s.controller, log);
  if (log > 0 && std::find(sources.logs.begin(), sources.logs.end(), log) == sources.logs.end())
    return out.Abort("there is no log " + std::to_string(log) + " in this folder");
  SuiteFiles files(s.fm);
  known = BuildKnownCalls(files, sources);
  for (const Text& note : known.notes()) std::cerr << Cp1252ToUtf8(note) << "\n";
  return 0;
}

Json SourceNames(std::uint8_t sources) {
  Json names = Json::array();
  if (sources & kFromScp) names.push_back("scp");
  if (sources & kFromCallList) names.push_back("call_list");
  if (sources & kFromCallBook) names.push_back("call_book");
  if (sources & kFromLogs) names.push_back("logs");
  return names;
}

int RunPartial(const CommandContext& cc, const std::string& text, int log) {
  Output out(cc.json);
  Session s;
  KnownCalls known;
  if (int rc = BuildFromFolder(s, out, log, known)) return rc;
  Json matches = Json::array();
  std::string lines;
  for (const PartialMatch& m : known.Partial(Utf8ToCp1252(text), 0)) {
    Json worked = Json::array();
    std::string bands;
    for (char b : m.known->worked_bands) {
      worked.push_back(Cp1252ToUtf8(BandName(b, true)));
      bands += (bands.empty() ? "" : ",") + Cp1252ToUtf8(BandName(b, true));
    }
    Json j;
    j["call"] = Cp1252ToUtf8(m.known->call);
    j["worked"] = worked;
    j["dok"] = Cp1252ToUtf8(m.known->dok);
    j["locator"] = Cp1252ToUtf8(m.known->locator);
    lines += "\n  " + Cp1252ToUtf8(m.known->call);
    for (const Text& v : {m.known->locator, m.known->dok})
      if (!v.empty()) lines += "  " + Cp1252ToUtf8(v);
    if (!bands.empty()) lines += "  worked: " + bands;
    matches.push_back(std::move(j));
  }
  out.Value("matches", matches, lines.empty() ? "none" : lines);
  out.Print(std::cout);
  return 0;
}

int RunHistory(const CommandContext& cc, const std::string& call) {
  Output out(cc.json);
  Session s;
  KnownCalls known;
  if (int rc = BuildFromFolder(s, out, 0, known)) return rc;
  const KnownCall* k = known.Find(Utf8ToCp1252(call));
  out.Text("call", k ? k->call : Utf8ToCp1252(call));
  if (!k) return out.Abort("nothing is known of " + call);
  out.Text("dok", k->dok);
  out.Text("locator", k->locator);
  if (k->locator_date >= 0) {
    out.Text("locator_date", FormatDate(k->locator_date, DateForm::kDdMmYyyy));
  } else {
    out.Null("locator_date");
  }
  out.Text("name", k->name);
  out.Text("qth", k->qth);
  const Json names = SourceNames(k->sources);
  std::string shown;
  for (const auto& n : names) shown += (shown.empty() ? "" : ", ") + n.get<std::string>();
  out.Value("sources", names, shown);
  out.Print(std::cout);
  return 0;
}

int RunImportScp(const CommandContext& cc, const std::string& path) {
  Output out(cc.json);
  store::OsFileSystem& fs = store::RealFileSystem();
  if (!fs.Exists(path)) return out.Abort("cannot read " + path);
  const std::string text = store::ReadWholeFile(fs, path);
  const std::size_t calls = ParseScp(text).size();
  // A wrong file must not replace a good list.
  if (calls == 0) return out.Abort(path + " holds no calls; MASTER.SCP is left as it was");
  if (const std::int32_t error = store::ReplaceFileContents(fs, "MASTER.SCP", text))
    return out.Abort("MASTER.SCP could not be written (error " + std::to_string(error) + ")");
  out.Integer("calls", static_cast<long long>(calls));
  out.Print(std::cout);
  return 0;
}

}  // namespace

void RegisterPartnerCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("partial", "Known calls that hold a text (the entry window's partner panel)");
    auto text = std::make_shared<std::string>();
    auto log = std::make_shared<int>(0);
    cmd->add_option("TEXT", *text, "two characters or more of a call")->required();
    cmd->add_option("--log", *log, "mark the bands on which this log worked each call");
    cmd->footer("Keys: matches [call, worked (bands), dok, locator]; the exact call first, then the calls\n"
                "that start with TEXT, then those that hold it further in. Sources: MASTER.SCP of this\n"
                "folder, the call list QVCALL, the call book QVCBUCH and every log of the catalogue.");
    cmd->callback([&ctx, text, log] { ctx.result = RunPartial(ctx, *text, *log); });
  }
  {
    auto* cmd = app.add_subcommand("history", "What the known-call sources know of a call");
    auto call = std::make_shared<std::string>();
    cmd->add_option("CALL", *call, "call sign")->required();
    cmd->footer("Keys: call, dok, locator (the last one logged), locator_date, name, qth, sources.\n"
                "Exit code 1 when nothing is known of the call.");
    cmd->callback([&ctx, call] { ctx.result = RunHistory(ctx, *call); });
  }
  {
    auto* cmd = app.add_subcommand("import-scp", "Copy a super-check-partial list into this folder as MASTER.SCP");
    auto path = std::make_shared<std::string>();
    cmd->add_option("FILE", *path, "e.g. /usr/share/hamradio-files/MASTER.SCP")->required();
    cmd->footer("Keys: calls. A file without calls leaves MASTER.SCP as it was (exit code 1).");
    cmd->callback([&ctx, path] { ctx.result = RunImportScp(ctx, *path); });
  }
}

}  // namespace vek::cli
