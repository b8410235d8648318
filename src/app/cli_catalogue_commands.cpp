// logs, new-log, delete-log: the catalogue of the current folder through the
// same controller and setup model the desktop program uses.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/cli_terminal_port.h"
#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "base/scripted_user_port.h"
#include "catalogue/catalogue_controller.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/setup_model.h"
#include "refdata/locator.h"
#include "logging/store_log_files.h"

namespace vek::cli {
namespace {

using Json = nlohmann::ordered_json;

struct NewLogOptions {
  std::string name, call, locator, dok, date_from, date_to, time_from, time_to, postcode_town, operator_name,
      street, country, swl, extra;
  int class_number = 0;
  std::string code = "g";
  bool local_time = false;
  bool yes = false;
};

// Dialogs of the companion: the setup of a new log is typed from the flags.
class CliHost : public CatalogueHost {
 public:
  const NewLogOptions* options = nullptr;
  const ScriptedUserPort* said = nullptr;  // what the setup told the operator
  bool saved = false;
  Text refusal;

  bool OpenContestSetup(CatalogueController& c, bool edit_mode, bool after_logging) override {
    if (!options) return false;
    SetupModel m(c.SetupContextFor(), edit_mode, after_logging);
    const NewLogOptions& o = *options;
    auto set = [&](const char* control, const std::string& utf8) {
      if (!utf8.empty()) m.SetText(control, Utf8ToCp1252(utf8));
    };
    set("eName", o.name);
    set("eCall", o.call);
    set("eLoc", o.locator);
    set("eDOK", o.dok);
    set("eSWL", o.swl);
    set("eDatumvon", o.date_from);
    set("eDatumbis", o.date_to);
    set("eZeitvon", o.time_from);
    set("eZeitbis", o.time_to);
    set("ecname", o.operator_name);
    set("eStrasse", o.street);
    set("eLand", o.country);
    set("eJahre", o.extra);
    if (!o.postcode_town.empty()) {
      const Text pt = Utf8ToCp1252(o.postcode_town);
      const auto blank = pt.find(' ');
      m.SetText("ePLZ", pt.substr(0, blank));
      m.SetText("eOrt", blank == Text::npos ? Text() : pt.substr(blank + 1));
    }
    m.Check(o.local_time ? "rZeitOrt" : "rZeitUTC", true);
    if (o.class_number > 0) m.ChooseClass(o.class_number - 1);
    const std::size_t before = said->events().size();
    saved = m.Finish() == SetupResult::kClosed;
    if (!saved) {
      const auto& events = said->events();
      for (std::size_t i = before; i < events.size(); ++i)
        if (events[i].kind != ScriptedUserPort::Kind::kBeep) refusal = events[i].text;
      if (refusal.empty()) refusal = "the setup refused the log";
    }
    return false;
  }
  void StartLogging(CatalogueController&, std::int32_t, const ContestDefinition&) override {}
};

struct Session {
  store::FileManager fm{CompanionStoreEnvironment()};
  TerminalPort port;
  SystemClock clock;
  CliHost host;
  StoreLogFiles logs;
  CatalogueController controller;
  explicit Session(bool yes) : port(yes), logs(fm, port), controller(fm, port, clock, host, logs) { host.said = &port; }
};

Json LogJson(CatalogueController& c, ConstBytes r) {
  const ContestDefinition& d = c.definition();
  auto date = [&](const FieldSpec& f) {
    const std::int32_t v = GetI32(r, f.offset);
    return v > 0 ? FormatDate(v, DateForm::kDdMmYyyy) : Text();
  };
  auto time = [&](const FieldSpec& f) {
    const std::int32_t v = GetI32(r, f.offset);
    return v > 0 ? FormatTime(v, TimeForm::kHhMm) : Text();
  };
  const int class_number = GetU8(r, qvkk::kClassNumber.offset);
  std::int64_t qsos = 0, multipliers = 0, points = 0;
  const bool extra = GetU8(r, qvkk::kTotalsInExtraRecord.offset) != 0;
  if (!extra) {
    for (int n = 1; n <= 7; ++n) {
      const qvkk::ColumnTotals t = qvkk::GetColumnTotals(r, n);
      qsos += t.qsos, multipliers += t.multipliers, points += t.points;
    }
  }
  return Json{{"number", GetI32(r, qvkk::kLogNumber.offset)},
              {"name", Cp1252ToUtf8(GetText(r, qvkk::kLogName))},
              {"code", std::string(1, static_cast<char>(GetU8(r, qvkk::kContestCode.offset)))},
              {"class", class_number},
              {"class_name", class_number > 0 && class_number <= 20
                                 ? Cp1252ToUtf8(d.Classes[static_cast<std::size_t>(class_number - 1)].Name)
                                 : ""},
              {"date_from", date(qvkk::kDateFrom)},
              {"date_to", date(qvkk::kDateTo)},
              {"time_from", time(qvkk::kTimeFrom)},
              {"time_to", time(qvkk::kTimeTo)},
              {"own_call", Cp1252ToUtf8(GetText(r, qvkk::kOwnCall))},
              {"own_dok", Cp1252ToUtf8(GetText(r, qvkk::kOwnDok))},
              {"qsos", qsos},
              {"multipliers", multipliers},
              {"points", points}};
}

std::string LogLine(const Json& j) {
  return std::to_string(j["number"].get<int>()) + "  " + j["name"].get<std::string>() + "  " +
         j["date_from"].get<std::string>() + " - " + j["date_to"].get<std::string>() + "  " +
         j["time_from"].get<std::string>() + "-" + j["time_to"].get<std::string>() + "  " +
         j["own_call"].get<std::string>() + "  class " + std::to_string(j["class"].get<int>()) + "  " +
         std::to_string(j["qsos"].get<std::int64_t>()) + " QSO";
}

int StartSession(Session& s, Output& out) {
  WaitForOtherPrograms(s.fm);
  if (s.controller.Start(false) != CatalogueController::StartResult::kReady) {
    return out.Abort("the data files of this folder cannot be opened");
  }
  return 0;
}

int RunLogs(const CommandContext& ctx, bool all_codes) {
  Output out(ctx.json);
  Session s(false);
  if (int rc = StartSession(s, out)) return rc;
  Json logs = Json::array();
  std::string lines;
  for (const CatalogueRow& row : s.controller.Rows(CatalogueOrder::kName, all_codes)) {
    if (!s.controller.SelectLogOfAnyCode(row.log_number)) continue;
    s.controller.RebuildDefinition();
    Json j = LogJson(s.controller, s.controller.fm().RecordBuffer(s.controller.qvkk()));
    lines += "\n  " + LogLine(j);
    logs.push_back(std::move(j));
  }
  out.Integer("count", static_cast<long long>(logs.size()));
  out.Value("logs", logs, lines.empty() ? "none" : lines);
  out.Print(std::cout);
  return 0;
}

// What a setup field cannot hold: control characters anywhere, and for
// the own call, locator and DOK anything that cannot be one. Empty means fine.
std::string RefusedInput(const NewLogOptions& o) {
  const std::pair<const char*, const std::string*> texts[] = {
      {"--name", &o.name},         {"--call", &o.call},       {"--locator", &o.locator},
      {"--dok", &o.dok},           {"--postcode-town", &o.postcode_town}, {"--name-of-operator", &o.operator_name},
      {"--street", &o.street},     {"--country", &o.country}, {"--swl", &o.swl},
      {"--extra", &o.extra}};
  for (const auto& [option, text] : texts)
    for (unsigned char c : *text)
      if (c < 0x20 || c == 0x7F) return std::string(option) + " holds a control character";
  const auto only = [](const std::string& t, const char* allowed_punctuation) {
    return std::all_of(t.begin(), t.end(), [&](unsigned char c) {
      return std::isalnum(c) || std::strchr(allowed_punctuation, c) != nullptr;
    });
  };
  if (!only(o.call, "/")) return "--call " + Shortened(o.call) + " is no call sign (letters, digits and /)";
  const Text locator = AsciiUpper(o.locator);
  if (!o.locator.empty() && ((locator.size() != 4 && locator.size() != 6) || !IsLocatorValid(locator)))
    return "--locator " + Shortened(o.locator) + " is no locator (like JO43 or JO43KD)";
  if (!only(o.dok, "-")) return "--dok " + Shortened(o.dok) + " is no DOK (letters and digits)";
  return {};
}

int RunNewLog(const CommandContext& ctx, const NewLogOptions& o) {
  Output out(ctx.json);
  if (const std::string refused = RefusedInput(o); !refused.empty()) return out.Abort(refused);
  if (o.code.size() != 1 || AllContestCodes().find(o.code[0]) == std::string_view::npos)
    return out.Abort("--code must be one of the contest codes " + std::string(AllContestCodes()));
  Session s(o.yes);
  if (int rc = StartSession(s, out)) return rc;
  s.host.options = &o;
  // The setup, its classes, checks and questions of that code.
  s.controller.UseContestCode(o.code[0]);
  s.controller.New();
  if (!s.host.saved) {
    return out.Abort(s.host.refusal);
  }
  const Json j = LogJson(s.controller, s.controller.fm().RecordBuffer(s.controller.qvkk()));
  for (auto it = j.begin(); it != j.end(); ++it) {
    const std::string shown = it->is_string() ? it->get<std::string>() : it->dump();
    out.Value(it.key(), *it, shown);
  }
  out.Print(std::cout);
  return 0;
}

int RunDeleteLog(const CommandContext& ctx, int number, bool yes) {
  Output out(ctx.json);
  if (!yes) {
    return out.Abort("deleting a log removes its QSOs for good; add --yes to confirm");
  }
  Session s(true);
  if (int rc = StartSession(s, out)) return rc;
  if (!s.controller.SelectLogOfAnyCode(number)) {
    return out.Abort("there is no log " + std::to_string(number) + " in this folder");
  }
  const Text name = GetText(s.controller.fm().RecordBuffer(s.controller.qvkk()), qvkk::kLogName);
  s.controller.Delete();
  const bool gone = !s.controller.SelectLogOfAnyCode(number);
  out.Integer("number", number);
  out.Text("name", name);
  out.Bool("deleted", gone);
  out.Print(std::cout);
  return gone ? 0 : 1;
}

}  // namespace

void RegisterCatalogueCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("logs", "List the contest logs of this folder's catalogue");
    auto all = std::make_shared<bool>(false);
    cmd->add_flag("--all", *all, "the logs of every contest code (without it: contest g, as the main window)");
    cmd->footer(
        "Keys: count, logs [number, name, code, class, class_name, date_from, date_to, time_from, time_to,\n"
        "      own_call, own_dok, qsos, multipliers, points].");
    cmd->callback([&ctx, all] { ctx.result = RunLogs(ctx, *all); });
  }
  {
    auto* cmd = app.add_subcommand("new-log", "Create a contest log through the setup and its checks");
    auto o = std::make_shared<NewLogOptions>();
    cmd->add_option("--name", o->name, "log name (at most 25 characters)")->required();
    cmd->add_option("--code", o->code, "contest code of the log (default g; the catalogue is shared with the suite)");
    cmd->add_option("--call", o->call, "own call");
    cmd->add_option("--locator", o->locator, "own locator");
    cmd->add_option("--dok", o->dok, "own DOK");
    cmd->add_option("--class", o->class_number, "entry class number (1 = Sektion A, 2 = Sektion B)")->required();
    cmd->add_option("--date-from", o->date_from, "start date (short forms are completed: 1511 -> 15.11.yyyy)");
    cmd->add_option("--date-to", o->date_to, "end date");
    cmd->add_option("--time-from", o->time_from, "start time UTC, hh:mm");
    cmd->add_option("--time-to", o->time_to, "end time UTC, hh:mm");
    cmd->add_option("--postcode-town", o->postcode_town, "postcode and town, e.g. \"26129 Oldenburg\"");
    cmd->add_option("--name-of-operator", o->operator_name, "operator's name");
    cmd->add_option("--street", o->street, "street");
    cmd->add_option("--country", o->country, "country");
    cmd->add_option("--swl", o->swl, "SWL number");
    cmd->add_option("--extra", o->extra, "answer to the contest's number question");
    cmd->add_flag("--local-time", o->local_time, "the computer clock runs on local time (default: UTC)");
    cmd->add_flag("--yes", o->yes, "answer yes to the setup's questions (e.g. a log without DOK)");
    cmd->footer("Keys: those of one entry of logs. A refusal prints the setup's message; exit code 1.");
    cmd->callback([&ctx, o] { ctx.result = RunNewLog(ctx, *o); });
  }
  {
    auto* cmd = app.add_subcommand("delete-log", "Delete a contest log with its QSOs and totals");
    auto number = std::make_shared<int>(0);
    auto yes = std::make_shared<bool>(false);
    cmd->add_option("NUMBER", *number, "log number")->required();
    cmd->add_flag("--yes", *yes, "confirm the deletion");
    cmd->footer("Keys: number, name, deleted. Exit code 1 without --yes or for an unknown number.");
    cmd->callback([&ctx, number, yes] { ctx.result = RunDeleteLog(ctx, *number, *yes); });
  }
}

}  // namespace vek::cli
