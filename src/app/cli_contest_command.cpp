// contest: the definition built for a code from the given log and station
// values, every field by its name.
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "base/clock.h"
#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "catalogue/contest_definition.h"

namespace vek::cli {
namespace {

using Json = nlohmann::ordered_json;

struct ContestOptions {
  std::string code;
  int class_number = 0;
  std::string own_dok, own_locator, own_postcode, own_ldk, club, date_from, today;
  int extra = -1;
  bool answer = false;
};

Json Utf8(const Text& t) { return Cp1252ToUtf8(t); }

// Lists keep their positions up to the last filled entry: an empty entry
// between filled ones is part of the data.
template <typename List, typename Filled, typename Show>
Json ListUpToLast(const List& list, Filled filled, Show show) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (filled(list[i])) end = i + 1;
  Json out = Json::array();
  for (std::size_t i = 0; i < end; ++i) out.push_back(show(list[i]));
  return out;
}

Json Texts(const auto& list) {
  return ListUpToLast(list, [](const Text& t) { return !t.empty(); }, [](const Text& t) { return Utf8(t); });
}

Json Chars(const auto& list) {
  return ListUpToLast(list, [](char c) { return c != 0; },
                      [](char c) { return c ? Json(std::string(1, c)) : Json(""); });
}

Json Elements(const ElementSet& set) {
  Json out = Json::array();
  for (int i = 0; i < 256; ++i)
    if (set.test(static_cast<std::size_t>(i))) out.push_back(i);
  return out;
}

Json Region(const DokRegion& r) { return {{"Doks", Texts(r.Doks)}, {"Districts", Chars(r.Districts)}}; }

std::string Shown(const Json& j) {
  if (j.is_string()) return j.get<std::string>();
  return j.dump();
}

int RunContest(const CommandContext& ctx, const ContestOptions& o) {
  Output out(ctx.json);
  auto fail = [&](const std::string& message) { return out.Abort(message); };
  if (o.code.size() != 1 || ContestLabel(o.code[0]).empty())
    return fail("'" + o.code + "' is no contest code (one of " + std::string(AllContestCodes()) + ")");
  DefinitionInputs in;
  in.ContestCode = o.code[0];
  in.ClassNumber = o.class_number;
  in.OwnDok = Utf8ToCp1252(o.own_dok);
  in.OwnLocator = Utf8ToCp1252(o.own_locator);
  in.OwnPostcode = Utf8ToCp1252(o.own_postcode);
  in.OwnLdk = Utf8ToCp1252(o.own_ldk);
  in.ClubMemberText = Utf8ToCp1252(o.club);
  in.ExtraNumber = o.extra;
  in.QuestionAnswer = o.answer;
  in.Today = SystemClock().NowUtc().day;
  const int this_year = DateFromDayNumber(in.Today).year;
  if (!o.today.empty()) {
    const auto day = ParseDate(o.today, DateForm::kDdMmYyyy, this_year);
    if (!day) return fail("--today wants a date as dd.mm.yyyy, not '" + o.today + "'");
    in.Today = *day;
  }
  if (!o.date_from.empty()) {
    const auto day = ParseDate(o.date_from, DateForm::kDdMmYyyy, this_year);
    if (!day) return fail("--date-from wants a date as dd.mm.yyyy, not '" + o.date_from + "'");
    in.DateFrom = *day;
  }
  DefinitionEffects effects;
  const ContestDefinition d = BuildContestDefinition(in, &effects);

  auto put = [&](const char* key, Json value) {
    const std::string shown = Shown(value);
    out.Value(key, std::move(value), shown);
  };
  put("SentFieldsShown", d.SentFieldsShown);
  put("Modes", Texts(d.Modes));
  put("Bands", Chars(d.Bands));
  put("MultiplierKinds", Elements(d.MultiplierKinds));
  put("BandSchedule", ListUpToLast(d.BandSchedule, [](const ScheduleEntry& e) { return e.IsPeriod(); },
                                   [](const ScheduleEntry& e) {
                                     return Json{{"DateFrom", Utf8(e.DateFrom)}, {"DateTo", Utf8(e.DateTo)},
                                                 {"TimeFrom", Utf8(e.TimeFrom)}, {"TimeTo", Utf8(e.TimeTo)},
                                                 {"Bands", Chars(e.Bands)}};
                                   }));
  put("MultName1", Utf8(d.MultName1));
  put("MultName2", Utf8(d.MultName2));
  put("MultName3", Utf8(d.MultName3));
  put("EditionTitle", Utf8(d.EditionTitle));
  put("RcvdKind1", d.RcvdKind1);
  put("RcvdKind2", d.RcvdKind2);
  put("RcvdKind3", d.RcvdKind3);
  put("SentKind1", d.SentKind1);
  put("SentKind2", d.SentKind2);
  put("SentKind3", d.SentKind3);
  put("SentValue1", Utf8(d.SentValue1));
  put("SentValue2", Utf8(d.SentValue2));
  put("SentValue3", Utf8(d.SentValue3));
  put("DupeRule", d.DupeRule);
  put("RequiredRegion", Region(d.RequiredRegion));
  put("SpecialStations", Texts(d.SpecialStations));
  put("MultiplierRegion", Region(d.MultiplierRegion));
  put("HomeRegion", Region(d.HomeRegion));
  put("ContestTitle", Utf8(d.ContestTitle));
  put("EditionName", Utf8(d.EditionName));
  put("Classes", ListUpToLast(d.Classes, [](const EntryClass& c) { return !c.Description.empty(); },
                              [](const EntryClass& c) {
                                return Json{{"Description", Utf8(c.Description)}, {"Period", c.Period},
                                            {"Name", Utf8(c.Name)}};
                              }));
  put("StartDate", Utf8(d.StartDate));
  put("EndDate", Utf8(d.EndDate));
  put("StartTime", Utf8(d.StartTime));
  put("EndTime", Utf8(d.EndTime));
  put("UtcOffsetHours", d.UtcOffsetHours);
  put("ExcludedDok", Utf8(d.ExcludedDok));
  put("ShowEvaluationButton", d.ShowEvaluationButton);
  put("MultiplierScope", d.MultiplierScope);
  put("OutputItems", Elements(d.OutputItems));
  put("ScoreIsPointSum", d.ScoreIsPointSum);
  put("ScorePerBandProduct", d.ScorePerBandProduct);
  put("ClubName", Utf8(d.ClubName));
  put("ClubBonusWord", Utf8(d.ClubBonusWord));
  put("AutoBandByTime", d.AutoBandByTime);
  put("ExchCaption1", Utf8(d.ExchCaption1));
  put("ExchCaption2", Utf8(d.ExchCaption2));
  put("ExchCaption3", Utf8(d.ExchCaption3));
  put("TotalsInExtraRecord", effects.TotalsInExtraRecord);
  put("EnglishMessages", effects.EnglishMessages);
  out.Print(std::cout);
  return 0;
}

}  // namespace

void RegisterContestCommand(CLI::App& app, CommandContext& ctx) {
  auto* cmd = app.add_subcommand("contest", "The contest definition built for a contest code");
  auto o = std::make_shared<ContestOptions>();
  cmd->add_option("CODE", o->code, "contest code, e.g. g")->required();
  cmd->add_option("--class", o->class_number, "entry class number (1-based; 0 counts as 1)");
  cmd->add_option("--own-dok", o->own_dok, "the log's own DOK");
  cmd->add_option("--own-locator", o->own_locator, "the station's own locator");
  cmd->add_option("--own-postcode", o->own_postcode, "the log's own postcode");
  cmd->add_option("--own-ldk", o->own_ldk, "the log's own LDK");
  cmd->add_option("--extra", o->extra, "answer to the contest's number question (-1: none)");
  cmd->add_option("--club", o->club, "club abbreviation and member number (code i)");
  cmd->add_flag("--answer", o->answer, "answer yes to the contest's yes/no question");
  cmd->add_option("--date-from", o->date_from, "the log's start date, dd.mm.yyyy");
  cmd->add_option("--today", o->today, "today's date, dd.mm.yyyy (default: the system's)");
  cmd->footer(
      "Keys: the definition's field names (SentFieldsShown, Modes, Bands, MultiplierKinds, BandSchedule,\n"
      "      MultName1..3, EditionTitle, RcvdKind1..3, SentKind1..3, SentValue1..3, DupeRule, RequiredRegion,\n"
      "      SpecialStations, MultiplierRegion, HomeRegion, ContestTitle, EditionName, Classes, StartDate,\n"
      "      EndDate, StartTime, EndTime, UtcOffsetHours, ExcludedDok, ShowEvaluationButton, MultiplierScope,\n"
      "      OutputItems, ScoreIsPointSum, ScorePerBandProduct, ClubName, ClubBonusWord, AutoBandByTime,\n"
      "      ExchCaption1..3) and the side effects TotalsInExtraRecord and EnglishMessages. Band codes are\n"
      "      one-character strings, sets sorted number lists, lists keep their positions up to the last\n"
      "      filled entry. Exit code 1 for an unknown code or a bad date.");
  cmd->callback([&ctx, o] { ctx.result = RunContest(ctx, *o); });
}

}  // namespace vek::cli
