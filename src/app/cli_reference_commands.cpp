// import-cty, import-calls and prefix: the suite's reference tables from
// Debian's hamradio-files, and the country of a call.
#include <fstream>
#include <iostream>
#include <memory>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "base/clock.h"
#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "base/scripted_user_port.h"
#include "refdata/call_book.h"
#include "refdata/cty_import.h"
#include "refdata/prefix_lookup.h"
#include "refdata/prefix_record.h"

namespace vek::cli {
namespace {

namespace fsys = std::filesystem;

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

int Fail(Output& out, const std::string& message) {
  return out.Abort(message);
}

// A list of calls or countries is text: a NUL byte, or more than one byte in a hundred
// that is a control character, says it is something else.
bool LooksLikeText(const std::string& bytes) {
  std::size_t control = 0;
  for (unsigned char c : bytes) {
    if (c == 0) return false;
    if (c < 0x20 && c != '\r' && c != '\n' && c != '\t') ++control;
  }
  return control * 100 <= bytes.size();
}

int RunImportCty(const CommandContext& ctx, const std::string& path, std::string csv_path) {
  Output out(ctx.json);
  std::string dat, csv;
  if (fsys::is_directory(path) || !ReadFile(path, dat)) return Fail(out, "cannot read " + path);
  if (!LooksLikeText(dat)) return Fail(out, path + " is not a text file; the prefix tables were left as they were");
  if (csv_path.empty()) {
    const auto slash = path.find_last_of('/');
    csv_path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "cty.csv";
  }
  ReadFile(csv_path, csv);  // optional: the built-in DXCC table numbers the rest
  int skipped = 0;
  const auto entities = ParseCtyDat(dat, &skipped);
  if (entities.empty()) return Fail(out, path + " holds no country entries");
  store::FileManager fm{CompanionStoreEnvironment()};
  WaitForOtherPrograms(fm);
  if (fm.InitFileManager() != 0) return Fail(out, "the record store cannot start");
  SuiteFiles files(fm);
  CtyImportCounts counts;
  if (!ImportCty(files, entities, ParseCtyCsv(csv), counts)) return Fail(out, "writing the prefix tables failed");
  fm.ExitFileManager();
  out.Integer("countries", static_cast<long long>(entities.size()));
  out.Integer("prefixes", counts.prefixes);
  out.Integer("exact_calls", counts.exact_calls);
  out.Integer("too_long", counts.too_long);
  out.Integer("refused", counts.refused);
  out.Integer("skipped", skipped);
  out.Print(std::cout);
  return 0;
}

bool PlausibleCall(const Text& call) {
  if (call.size() < 3 || call.size() > 10) return false;
  bool digit = false, letter = false;
  for (char c : call) {
    if (c >= '0' && c <= '9') digit = true;
    else if (c >= 'A' && c <= 'Z') letter = true;
    else if (c != '/') return false;
  }
  return digit && letter;
}

int RunImportCalls(const CommandContext& ctx, const std::string& path) {
  Output out(ctx.json);
  std::string text;
  if (fsys::is_directory(path) || !ReadFile(path, text)) return Fail(out, "cannot read " + path);
  if (!LooksLikeText(text)) return Fail(out, path + " is not a text file; the call list was left as it was");
  std::vector<std::pair<Text, Text>> entries;
  long long long_doks = 0, not_calls = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto comma = line.find(',');
    const Text call = AsciiUpper(Trim(line.substr(0, comma)));
    const Text dok = comma == std::string::npos ? Text() : Trim(line.substr(comma + 1));
    if (!PlausibleCall(call)) {
      ++not_calls;
      continue;
    }
    if (dok.size() > 3) ++long_doks;  // the field holds three characters
    entries.emplace_back(call, Cut(dok, 3));
  }
  if (entries.empty()) return Fail(out, path + " holds no calls; the call list was left as it was");
  store::FileManager fm{CompanionStoreEnvironment()};
  WaitForOtherPrograms(fm);
  if (fm.InitFileManager() != 0) return Fail(out, "the record store cannot start");
  SuiteFiles files(fm);
  // The new list is built beside the old one and takes its place whole.
  store::FileBlockSpec work_spec = SuiteFileSpec(SuiteFile::kCallList);
  work_spec.file_name = "QVCALLNE";
  store::FileBlock* work = files.OpenSpec(work_spec);
  if (!work || fm.EmptyFileBlock(work) != 0) return Fail(out, "the work file of the call list cannot be made");
  fm.SetFlushAfterWrite(work, false);
  long long calls = 0, duplicates = 0;
  for (const auto& [call, dok] : entries) {
    fm.ClearRecord(work);
    Bytes r = fm.RecordBuffer(work);
    PutText(r, call_list::kCall, call);
    PutText(r, call_list::kDok, dok);
    const int status = fm.AddRecord(work);
    if (status == 0)
      ++calls;
    else if (status == 1)
      ++duplicates;
    else
      return Fail(out, "the call list could not be written; it was left as it was");
  }
  store::FileBlock* fb = files.OpenSuiteFile(SuiteFile::kCallList);
  if (!fb || fm.ReplaceFiles(fb, work) != 0)
    return Fail(out, "the call list is in use by another program; it was left as it was");
  files.CloseName(work_spec.file_name);
  files.CloseSuiteFile(SuiteFile::kCallList);
  fm.ExitFileManager();
  out.Integer("calls", calls);
  out.Integer("not_calls", not_calls);
  out.Integer("doks_cut", long_doks);
  out.Integer("duplicates", duplicates);
  out.Print(std::cout);
  return 0;
}

// What a lookup found, under the keys of `prefix`.
void PutPrefixResult(Output& out, const Text& call, const PrefixResult& r) {
  using namespace prefix_record;
  const char* status[] = {"found", "not_found", "not_valid"};
  out.Text("call", call);
  out.Text("status", status[static_cast<int>(r.status)]);
  if (r.status == PrefixStatus::kFound && !r.record.empty()) {
    out.Text("prefix", GetText(r.record, kPrefix));
    out.Text("dxcc_prefix", GetText(r.record, kDxccPrefix));
    out.Text("alternative_prefix", GetText(r.record, kAlternative));
    out.Text("cq_zone", GetText(r.record, kCqZone));
    out.Text("itu_zone", GetText(r.record, kItuZone));
    out.Text("continent", GetText(r.record, kContinent));
    out.Text("country", GetText(r.record, kCountry));
    out.Integer("dxcc_number", GetI16(r.record, kDxccNumber.offset));
  }
  out.Bool("chosen", r.chosen);
}

// One line per call read: the JSON object, or call, status and the found
// prefix, continent, DXCC number and country separated by tabs.
std::string PrefixLine(bool json, const Text& call, const PrefixResult& r) {
  if (json) {
    Output out(true);
    PutPrefixResult(out, call, r);
    std::ostringstream text;
    out.Print(text);
    return text.str();
  }
  using namespace prefix_record;
  const char* status[] = {"found", "not_found", "not_valid"};
  std::string line = Cp1252ToUtf8(call) + '\t' + status[static_cast<int>(r.status)];
  if (r.status == PrefixStatus::kFound && !r.record.empty()) {
    line += '\t' + Cp1252ToUtf8(GetText(r.record, kPrefix)) + '\t' + Cp1252ToUtf8(GetText(r.record, kContinent)) +
            '\t' + std::to_string(GetI16(r.record, kDxccNumber.offset)) + '\t' +
            Cp1252ToUtf8(GetText(r.record, kCountry));
  }
  return line + '\n';
}

int RunPrefix(const CommandContext& ctx, const std::string& call_utf8, const std::string& date_text, bool from_stdin) {
  Output out(ctx.json);
  const DayNumber today = SystemClock().NowUtc().day;
  DayNumber date = 0;
  if (!date_text.empty()) {
    const auto d = ParseDate(date_text, DateForm::kDdMmYyyy, DateFromDayNumber(today).year);
    if (!d) return Fail(out, "--date wants a date as dd.mm.yyyy, not '" + date_text + "'");
    date = *d;
  }
  if (from_stdin == !call_utf8.empty()) return Fail(out, "give either a CALL or --stdin");
  store::FileManager fm{CompanionStoreEnvironment()};
  WaitForOtherPrograms(fm);
  if (fm.InitFileManager() != 0) return Fail(out, "the record store cannot start");
  SuiteFiles files(fm);
  ScriptedUserPort port;
  port.SetDefaultChoice(ScriptedUserPort::kTakePreselected);
  PrefixLookup lookup(files, port, today);
  if (from_stdin) {
    // One lookup per line on one open store; the tables stay open between calls.
    lookup.HoldTables();
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const Text call = AsciiUpper(TrimBlanks(Utf8ToCp1252(line)));
      if (call.empty()) continue;
      const PrefixResult r = lookup.LookupPrefix(call, date);
      // A lookup the store could not finish found nothing: no line rather than a wrong one.
      if (Trouble().Serious()) break;
      std::cout << PrefixLine(ctx.json, call, r);
    }
    std::cout.flush();
    fm.ExitFileManager();
    if (Trouble().Serious()) return out.Abort("the prefix tables could not be read whole");
    return 0;
  }
  const Text call = AsciiUpper(Utf8ToCp1252(call_utf8));
  const PrefixResult r = lookup.LookupPrefix(call, date);
  fm.ExitFileManager();
  if (Trouble().stop || !Trouble().given_up.empty()) return out.Abort("the prefix tables cannot be read");
  PutPrefixResult(out, call, r);
  if (r.status != PrefixStatus::kFound)
    return out.Abort(r.status == PrefixStatus::kNotValid ? "the prefix of " + call + " is not valid on that date"
                                                         : "no prefix of the prefix table matches " + call);
  out.Print(std::cout);
  return 0;
}

}  // namespace

void RegisterReferenceCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("import-cty", "Build the prefix tables QVPREFIX and QVPREFEE from cty.dat");
    auto path = std::make_shared<std::string>();
    auto csv = std::make_shared<std::string>();
    cmd->add_option("FILE", *path, "cty.dat, e.g. /usr/share/hamradio-files/cty.dat")->required();
    cmd->add_option("--csv", *csv, "cty.csv with the DXCC numbers (default: beside FILE)");
    cmd->footer("Keys: countries, prefixes, exact_calls, too_long, refused, skipped.");
    cmd->callback([&ctx, path, csv] { ctx.result = RunImportCty(ctx, *path, *csv); });
  }
  {
    auto* cmd = app.add_subcommand("import-calls", "Fill the call list QVCALL (call and DOK) from a call history");
    auto path = std::make_shared<std::string>();
    cmd->add_option("FILE", *path, "e.g. /usr/share/hamradio-files/WAG_call_history.txt")->required();
    cmd->footer("Keys: calls, doks_cut (DOKs longer than the three characters of the field), duplicates.");
    cmd->callback([&ctx, path] { ctx.result = RunImportCalls(ctx, *path); });
  }
  {
    auto* cmd = app.add_subcommand("prefix", "Country of a call from the prefix tables");
    auto call = std::make_shared<std::string>();
    auto date = std::make_shared<std::string>();
    auto from_stdin = std::make_shared<bool>(false);
    cmd->add_option("CALL", *call, "call sign");
    cmd->add_option("--date", *date, "QSO date dd.mm.yyyy (default: today)");
    cmd->add_flag("--stdin", *from_stdin, "look up one call per input line, one result per output line");
    cmd->footer(
        "Keys: call, status (found|not_found|not_valid), prefix, dxcc_prefix, alternative_prefix, cq_zone,\n"
        "      itu_zone, continent, country, dxcc_number, chosen. Exit code 1 unless found.\n"
        "With --stdin: one JSON object per line (--json), else call, status, prefix, continent,\n"
        "dxcc_number and country separated by tabs; exit code 0 unless the store failed.");
    cmd->callback([&ctx, call, date, from_stdin] { ctx.result = RunPrefix(ctx, *call, *date, *from_stdin); });
  }
}

}  // namespace vek::cli
