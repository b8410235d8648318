// add-qso, totals, recount: a log's contacts and totals through the entry
// session the desktop program's entry window drives.
#include <iostream>
#include <map>
#include <memory>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/cli_session.h"
#include "app/cli_terminal_port.h"
#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/setup_model.h"
#include "logging/entry_context.h"
#include "logging/qso_record.h"
#include "logging/store_log_files.h"
#include "refdata/bands.h"

namespace vek::cli {
namespace {

using Json = nlohmann::ordered_json;
using F = EntryFieldId;


struct QsoOptions {
  int number = 0;
  std::string call, call2, date, time, band, mode, rst_sent, rst_rcvd, sent2, sent3, sent4, rcvd2, rcvd3, rcvd4,
      name, qth, freq;
};

void PrintContact(Output& out, ConstBytes r) {
  out.Integer("serial", GetI32(r, qso::kSerialNo.offset));
  out.Text("call", GetText(r, qso::kCall));
  out.Text("date", FormatDate(GetI32(r, qso::kDate.offset), DateForm::kDdMmYyyy));
  out.Text("time", FormatTime(GetI32(r, qso::kTime.offset), TimeForm::kHhMmSs));
  out.Text("band", BandName(static_cast<char>(GetU8(r, qso::kBand.offset)), false));
  out.Text("mode", GetText(r, qso::kMode));
  out.Text("sent", LoadSentExchange(r));
  out.Text("received", LoadRcvdExchange(r));
  out.Integer("points", GetU16(r, qso::kPoints.offset));
}

int RunAddQso(const CommandContext& cc, const QsoOptions& o) {
  Output out(cc.json);
  Session s;
  // The clock stands at the contact's date and time, as if the operator
  // logged it then; without them it is the computer's clock.
  const Clock* clock = &s.system_clock;
  if (!o.date.empty() || !o.time.empty()) {
    UtcInstant at = s.system_clock.NowUtc();
    if (!o.date.empty()) {
      const auto d = ParseDate(o.date, DateForm::kDdMmYyyy, 2000);
      if (!d) return out.Abort("the date must read dd.mm.yyyy");
      at.day = *d;
    }
    if (!o.time.empty()) {
      auto t = ParseTime(o.time, TimeForm::kHhMmSs);
      if (!t) t = ParseTime(o.time, TimeForm::kHhMm);
      if (!t) return out.Abort("the time must read hh:mm or hh:mm:ss");
      at.second = *t;
    }
    s.manual_clock.Set(at);
    clock = &s.manual_clock;
  }
  std::optional<EntryContext> ctx;
  if (int rc = Start(s, out, o.number, ctx, *clock)) return rc;
  ctx->station.utc_offset = 0;  // the given time is UTC
  EntrySession session(std::move(*ctx));
  if (!session.Open(EntrySession::OpenFor::kOneContact)) return out.Abort("the log's data set cannot be opened");
  session.ClockTick();
  if (!o.band.empty()) {
    char band = BandCodeFromText(o.band);
    if (!IsBandCode(band)) band = BandCodeOfFrequency(NormaliseFrequency(std::atof(o.band.c_str())));
    if (!session.definition().HasBand(band)) return out.Abort("the contest has no band " + o.band);
    session.ChangeBand(band);
  }
  if (!o.mode.empty()) {
    const Text mode = Cp1252Upper(Utf8ToCp1252(o.mode));
    if (!session.definition().HasMode(mode) && !(mode == "DIGI" && session.definition().HasMode("DIGITAL")))
      return out.Abort("the contest has no mode " + o.mode);
    session.ChangeMode(mode == "DIGI" ? Text("DIGITAL") : mode);
  }
  const std::map<F, std::string> typed = {
      {F::eCall, o.call},     {F::eCall2, o.call2},   {F::eRSTs1, o.rst_sent}, {F::eRSTs2, o.sent2},
      {F::eRSTs3, o.sent3},   {F::eRSTs4, o.sent4},   {F::eRSTr1, o.rst_rcvd}, {F::eRSTr2, o.rcvd2},
      {F::eRSTr3, o.rcvd3},   {F::eRSTr4, o.rcvd4},   {F::eDatum, o.date},     {F::ezeit, o.time},
      {F::eFreq, o.freq},     {F::eName, o.name},     {F::eQTH, o.qth}};
  if (!o.freq.empty() || !o.name.empty() || !o.qth.empty()) session.ToggleNameQth();  // F9
  for (const auto& [id, value] : typed) {
    // Date and time that the log takes from the clock are the clock's.
    if (id == F::eDatum || id == F::ezeit) continue;
    if (!value.empty() && !session.field(id).visible)
      std::cerr << "note: " << EntryFieldName(id) << " is not typed in this log; " << value << " ignored\n";
  }
  // Enter through the fields as the operator would, until the contact is
  // saved or the entry is back at the call; a file held by another program
  // past the wait stops it, as lookups then found nothing that is true.
  const std::size_t said_before = s.port.events().size();
  const int saves = session.saves();
  for (int step = 0; step < 40 && session.saves() == saves && Trouble().given_up.empty(); ++step) {
    const F at = session.focus();
    const auto it = typed.find(at);
    if (it != typed.end() && !it->second.empty()) session.Type(at, Utf8ToCp1252(it->second));
    session.Enter();
    if (session.focus() == F::eCall && session.saves() == saves && step > 0) break;
  }
  const bool saved = session.saves() != saves;
  Text refusal;
  for (std::size_t i = said_before; i < s.port.events().size(); ++i)
    if (s.port.events()[i].kind == ScriptedUserPort::Kind::kInform) refusal = s.port.events()[i].text;
  session.Close(s.fm.RecordBuffer(s.controller.qvkk()), s.fm.RecordBuffer(s.controller.qvkz()));
  WriteBackLogRecords(s.controller, o.number);
  out.Bool("saved", saved);
  if (!saved) {
    out.Text("call", Utf8ToCp1252(o.call));
    return out.Abort(refusal.empty() ? Text("the contact is incomplete or implausible and was not saved")
                                     : refusal);
  }
  ConstBytes r = session.last_saved();
  PrintContact(out, r);
  out.Integer("distance_km", GetI32(r, qso::kQrbKm.offset));
  out.Text("multiplier_1", GetText(r, qso::kMultiMark1));
  out.Text("multiplier_2", GetText(r, qso::kMultiMark2));
  out.Print(std::cout);
  return 0;
}

void PrintTotals(Session& s, Output& out) {
  SetupContext sc = s.controller.SetupContextFor();
  SetupModel model(sc, true, true);
  const SetupModel::Totals t = model.ComputeTotals();
  Json bands = Json::array();
  std::string lines;
  for (const auto& c : t.columns) {
    if (!c.visible) continue;
    bands.push_back({{"band", Cp1252ToUtf8(c.band_name)}, {"qsos", c.qsos}, {"multipliers", c.multipliers},
                     {"points", c.points}});
    lines += "\n  " + Cp1252ToUtf8(c.band_name) + ": " + std::to_string(c.qsos) + " QSO, " +
             std::to_string(c.multipliers) + " multipliers, " + std::to_string(c.points) + " points";
  }
  out.Value("bands", bands, lines);
  // Numbers for scripts; the setup dialog's texts under their own keys.
  const StoredTotals stored = ReadStoredTotals(s.fm.RecordBuffer(s.controller.qvkk()),
                                               s.fm.RecordBuffer(s.controller.qvkz()));
  out.Integer("qsos", stored.sum.qsos);
  out.Integer("multipliers", stored.sum.multipliers);
  out.Integer("points", stored.sum.points);
  out.Integer("score", FinalScore(s.controller.definition(), stored));
  out.Text("qsos_text", t.qsos);
  out.Text("multipliers_text", t.multipliers);
  out.Text("points_text", t.points);
  out.Text("score_text", TrimBlanks(t.score));
}

int RunTotals(const CommandContext& cc, int number, bool recount) {
  Output out(cc.json);
  Session s;
  std::optional<EntryContext> ctx;
  if (int rc = Start(s, out, number, ctx, s.system_clock)) return rc;
  if (recount) {
    // "Neuberechnung" as the entry window runs it when it closes.
    EntrySession session(std::move(*ctx));
    if (!session.Open()) return out.Abort("the log's data set cannot be opened");
    session.Close(s.fm.RecordBuffer(s.controller.qvkk()), s.fm.RecordBuffer(s.controller.qvkz()));
    if (!WriteBackLogRecords(s.controller, number)) return out.Abort("the totals could not be stored");
    s.controller.Select(number);
    s.fm.FindKey(s.controller.qvkz(), 1, store::LongToKey(number));
  }
  out.Integer("number", number);
  PrintTotals(s, out);
  out.Print(std::cout);
  return 0;
}

struct EditOptions {
  int number = 0, serial = 0;
  std::optional<std::string> call, call2, band, mode, date, time, rst_sent, rst_rcvd, sent2, sent3, sent4, rcvd2,
      rcvd3, rcvd4, name, qth, freq, qsl_sent, qsl_rcvd, prefix;
  bool yes = false;
};


int RunEdit(const CommandContext& cc, const EditOptions& o, bool remove) {
  Output out(cc.json);
  Session s;
  s.port.SetDefaultAnswer(o.yes);
  if (remove && !o.yes) return out.Abort("deleting a contact renumbers the log; add --yes to confirm");
  std::optional<EntryContext> ctx;
  if (int rc = Start(s, out, o.number, ctx, s.system_clock)) return rc;
  EntrySession session(std::move(*ctx));
  if (!session.Open()) return out.Abort("the log's data set cannot be opened");
  const std::int32_t entry = session.EntryOfSerial(o.serial);
  std::optional<CorrectionFields> f = entry > 0 ? session.BeginEdit(entry) : std::nullopt;
  Bytes kk = s.fm.RecordBuffer(s.controller.qvkk()), kz = s.fm.RecordBuffer(s.controller.qvkz());
  if (!f) {
    session.Close(kk, kz);
    return out.Abort("the log has no contact " + std::to_string(o.serial) + " that could be changed");
  }
  bool done;
  if (remove) {
    done = session.DeleteQso(entry, kk, kz);
    out.Integer("serial", o.serial);
    out.Text("call", f->call);
    out.Bool("deleted", done);
  } else {
    const auto set = [](Text& field, const std::optional<std::string>& v) {
      if (v) field = Utf8ToCp1252(*v);
    };
    set(f->call, o.call);
    set(f->call2, o.call2);
    set(f->band, o.band);
    set(f->mode, o.mode);
    set(f->date, o.date);
    set(f->time, o.time);
    set(f->sent.report, o.rst_sent);
    set(f->sent.item2, o.sent2);
    set(f->sent.item3, o.sent3);
    set(f->sent.item4, o.sent4);
    set(f->rcvd.report, o.rst_rcvd);
    set(f->rcvd.item2, o.rcvd2);
    set(f->rcvd.item3, o.rcvd3);
    set(f->rcvd.item4, o.rcvd4);
    set(f->name, o.name);
    set(f->qth, o.qth);
    set(f->freq, o.freq);
    set(f->qsl_sent, o.qsl_sent);
    set(f->qsl_rcvd, o.qsl_rcvd);
    set(f->prefix, o.prefix);
    const bool rescored = session.FinishEdit(entry, *f, kk, kz);
    done = true;
    const std::int32_t now = session.EntryOfSerial(o.serial);
    if (auto after = now > 0 ? session.BeginEdit(now) : std::nullopt) {
      out.Integer("serial", after->serial);
      out.Text("call", after->call);
      out.Text("band", after->band);
      out.Text("mode", after->mode);
      out.Text("received", JoinExchange(after->rcvd));
    }
    out.Bool("rescored", rescored);
  }
  session.Close(kk, kz);
  WriteBackLogRecords(s.controller, o.number);
  out.Print(std::cout);
  return done ? 0 : 1;
}

}  // namespace

void RegisterLoggingCommands(CLI::App& app, CommandContext& ctx) {
  {
    auto* cmd = app.add_subcommand("edit", "Correct a logged contact as the dialog \"QSO ändern\" does");
    auto o = std::make_shared<EditOptions>();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_option("SERIAL", o->serial, "serial number of the contact")->required();
    cmd->add_option("--call", o->call, "call");
    cmd->add_option("--call2", o->call2, "second call");
    cmd->add_option("--band", o->band, "band name (2 m, 70 cm, 23 cm)");
    cmd->add_option("--mode", o->mode, "mode");
    cmd->add_option("--date", o->date, "date dd.mm.yyyy");
    cmd->add_option("--time", o->time, "time hh:mm[:ss]");
    cmd->add_option("--rst-sent", o->rst_sent, "report sent");
    cmd->add_option("--rst-rcvd", o->rst_rcvd, "report received");
    cmd->add_option("--sent2", o->sent2, "sent item 2");
    cmd->add_option("--sent3", o->sent3, "sent item 3");
    cmd->add_option("--sent4", o->sent4, "sent item 4");
    cmd->add_option("--rcvd2", o->rcvd2, "received item 2");
    cmd->add_option("--rcvd3", o->rcvd3, "received item 3");
    cmd->add_option("--rcvd4", o->rcvd4, "received item 4");
    cmd->add_option("--name", o->name, "name");
    cmd->add_option("--qth", o->qth, "QTH");
    cmd->add_option("--freq", o->freq, "frequency in MHz");
    cmd->add_option("--qsl-sent", o->qsl_sent, "QSL sent mark");
    cmd->add_option("--qsl-rcvd", o->qsl_rcvd, "QSL received mark");
    cmd->add_option("--prefix", o->prefix, "country prefix");
    cmd->footer("Keys: serial, call, band, mode, received, rescored (the score may have changed and was recounted).");
    cmd->callback([&ctx, o] { ctx.result = RunEdit(ctx, *o, false); });
  }
  {
    auto* cmd = app.add_subcommand("delete-qso", "Delete a logged contact, renumbering and recounting the log");
    auto o = std::make_shared<EditOptions>();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_option("SERIAL", o->serial, "serial number of the contact")->required();
    cmd->add_flag("--yes", o->yes, "confirm the deletion");
    cmd->footer("Keys: serial, call, deleted. Exit code 1 without --yes or for an unknown contact.");
    cmd->callback([&ctx, o] { ctx.result = RunEdit(ctx, *o, true); });
  }
  {
    auto* cmd = app.add_subcommand("add-qso", "Log one contact through the entry window's checks");
    auto o = std::make_shared<QsoOptions>();
    cmd->add_option("NUMBER", o->number, "log number")->required();
    cmd->add_option("--call", o->call, "the partner's call")->required();
    cmd->add_option("--call2", o->call2, "second call");
    cmd->add_option("--date", o->date, "date of the contact, dd.mm.yyyy (the clock stands there)");
    cmd->add_option("--time", o->time, "time of the contact UTC, hh:mm or hh:mm:ss");
    cmd->add_option("--band", o->band, "band (2m, 70cm, 23cm) or frequency in MHz");
    cmd->add_option("--mode", o->mode, "mode (CW, SSB)");
    cmd->add_option("--rst-sent", o->rst_sent, "report sent (when the log does not fix it)");
    cmd->add_option("--rst-rcvd", o->rst_rcvd, "report received (when the log does not fix it)");
    cmd->add_option("--sent2", o->sent2, "sent item 2");
    cmd->add_option("--sent3", o->sent3, "sent item 3");
    cmd->add_option("--sent4", o->sent4, "sent item 4");
    cmd->add_option("--rcvd2", o->rcvd2, "received item 2 (contest g: serial number)");
    cmd->add_option("--rcvd3", o->rcvd3, "received item 3 (contest g: locator)");
    cmd->add_option("--rcvd4", o->rcvd4, "received item 4 (contest g: DOK)");
    cmd->add_option("--name", o->name, "partner's name");
    cmd->add_option("--qth", o->qth, "partner's QTH");
    cmd->add_option("--freq", o->freq, "frequency in MHz");
    cmd->footer(
        "Keys: saved, serial, call, date, time, band, mode, sent, received, distance_km, points, multiplier_1,\n"
        "      multiplier_2. A refused contact prints the refusal's message; exit code 1.");
    cmd->callback([&ctx, o] { ctx.result = RunAddQso(ctx, *o); });
  }
  {
    auto* cmd = app.add_subcommand("totals", "The stored per-band totals and the score of a log");
    auto number = std::make_shared<int>(0);
    cmd->add_option("NUMBER", *number, "log number")->required();
    cmd->footer("Keys: number, bands [band, qsos, multipliers, points], qsos, multipliers, points, score (numbers),\n"
                "      qsos_text, multipliers_text, points_text, score_text (as the setup dialog shows them).");
    cmd->callback([&ctx, number] { ctx.result = RunTotals(ctx, *number, false); });
  }
  {
    auto* cmd = app.add_subcommand("recount", "Count a log's totals anew from its contacts and store them");
    auto number = std::make_shared<int>(0);
    cmd->add_option("NUMBER", *number, "log number")->required();
    cmd->footer("Keys: those of totals, after the recount.");
    cmd->callback([&ctx, number] { ctx.result = RunTotals(ctx, *number, true); });
  }
}

}  // namespace vek::cli
