// How a contest went, from the command line: the figures of the window
// "Statistik" for a log of the folder.
#include <iostream>

#include "app/cli_commands.h"
#include "app/cli_session.h"
#include "base/date_time_format.h"
#include "catalogue/catalogue_records.h"
#include "logging/contest_log.h"
#include "logging/contest_statistics.h"
#include "refdata/bands.h"

namespace vek::cli {

namespace {

using Json = nlohmann::ordered_json;

std::string Hour(std::int64_t seconds) {
  const auto day = static_cast<DayNumber>(seconds / 86400);
  return FormatDate(day, DateForm::kDdMmYyyy) + " " +
         FormatTime(static_cast<std::int32_t>(seconds % 86400), TimeForm::kHhMm);
}

std::string Band(char band) { return band == 0 ? "all" : BandName(band, true); }

int RunStats(const CommandContext& cc, int number) {
  Output out(cc.json);
  Session s;
  std::optional<EntryContext> ctx;
  if (int rc = Start(s, out, number, ctx, s.system_clock)) return rc;
  const qvkk::Period period = qvkk::PeriodOf(s.fm.RecordBuffer(s.controller.qvkk()));
  ContestStatistics stats(period.from, period.to, ctx->station.own_locator);
  {
    ContestLog log(*ctx->files, number, ctx->suffixes);
    if (!log.OpenContestLog()) return out.Abort("the log's data set cannot be opened");
    stats.Read(s.fm, log.log());
  }
  Json hours = Json::array();
  std::string shown;
  for (const HourFigures& h : stats.PerHour()) {
    hours.push_back({{"hour", Hour(h.start)}, {"band", Band(h.band)}, {"qsos", h.qsos}, {"points", h.points}});
    if (h.band == 0 && h.qsos > 0) shown += "\n  " + Hour(h.start) + "  " + std::to_string(h.qsos) + " QSO";
  }
  out.Value("qsos_per_hour", hours, shown.empty() ? "none" : shown);
  // Rates as they stood at the last contact.
  const std::optional<UtcInstant> last = stats.LastContact();
  out.Integer("rate_10min", last ? stats.Rate(*last, 10) : 0);
  out.Integer("rate_60min", last ? stats.Rate(*last, 60) : 0);
  if (const auto best = stats.BestHour()) {
    out.Value("best_hour", {{"hour", Hour(best->start)}, {"qsos", best->qsos}, {"points", best->points}},
              Hour(best->start) + "  " + std::to_string(best->qsos) + " QSO");
  } else {
    out.Null("best_hour");
  }
  Json odx = Json::array();
  Json squares = Json::object(), doks = Json::object();
  std::string odx_shown, squares_shown, doks_shown;
  for (char band : stats.Bands()) {
    if (const auto c = stats.Odx(band)) {
      odx.push_back({{"band", Band(band)}, {"call", c->call}, {"locator", c->locator}, {"distance_km", c->km}});
      odx_shown += "\n  " + Band(band) + "  " + c->call + "  " + c->locator + "  " + std::to_string(c->km) + " km";
    }
    squares[Band(band)] = stats.Squares(band).size();
    doks[Band(band)] = stats.DistinctDoks(band);
    squares_shown += (squares_shown.empty() ? "" : ", ") + Band(band) + " " + std::to_string(stats.Squares(band).size());
    doks_shown += (doks_shown.empty() ? "" : ", ") + Band(band) + " " + std::to_string(stats.DistinctDoks(band));
  }
  squares["all"] = stats.Squares(0).size();
  doks["all"] = stats.DistinctDoks(0);
  out.Value("odx", odx, odx_shown.empty() ? "none" : odx_shown);
  out.Value("squares", squares, squares_shown.empty() ? "none" : squares_shown);
  out.Value("doks", doks, doks_shown.empty() ? "none" : doks_shown);
  out.Print(std::cout);
  return 0;
}

}  // namespace

void RegisterStatsCommands(CLI::App& app, CommandContext& ctx) {
  auto* cmd = app.add_subcommand("stats", "How the contest of a log went: hours, rates, ODX, squares, DOKs");
  auto number = std::make_shared<int>(0);
  cmd->add_option("NUMBER", *number, "log number")->required();
  cmd->footer(
      "Keys: qsos_per_hour [hour, band (all or the band), qsos, points] for every hour of the contest\n"
      "period, rate_10min and rate_60min (QSOs per hour at the last contact), best_hour [hour, qsos, points],\n"
      "odx [band, call, locator, distance_km] (the first of equal distances), squares and doks (per band and all).");
  cmd->callback([&ctx, number] { ctx.result = RunStats(ctx, *number); });
}

}  // namespace vek::cli
