// vekcontest-cli: the contest logger's core without a window.
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <algorithm>

#include "app/cli_commands.h"
#include "app/cli_output.h"

int main(int argc, char** argv) {
  CLI::App app{"vekcontest-cli - command-line companion of the contest logger Vek UKW Nordsee.\n"
               "Works on the data files of the current folder."};
  app.require_subcommand(1);
  app.fallthrough();  // --json may stand before or after the command's words
  vek::cli::CommandContext ctx;
  app.add_flag("--json", ctx.json, "print one JSON object (keys in lower snake case) instead of lines");
  std::string data_dir;
  app.add_option("--data-dir", data_dir, "work in this folder instead of the current one");
  app.parse_complete_callback([&data_dir] {
    if (!data_dir.empty() && ::chdir(data_dir.c_str()) != 0) {
      throw CLI::ValidationError("--data-dir", "cannot change to " + data_dir);
    }
  });
  vek::cli::RegisterRefdataCommands(app, ctx);
  vek::cli::RegisterStoreCommands(app, ctx);
  vek::cli::RegisterContestCommand(app, ctx);
  vek::cli::RegisterCatalogueCommands(app, ctx);
  vek::cli::RegisterReferenceCommands(app, ctx);
  vek::cli::RegisterLoggingCommands(app, ctx);
  vek::cli::RegisterExportCommands(app, ctx);
  vek::cli::RegisterPartnerCommands(app, ctx);
  vek::cli::RegisterRigCommands(app, ctx);
  vek::cli::RegisterStatsCommands(app, ctx);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // A script gets exit code 1 for every failure, and with --json one
    // object with an "error" key; what was typed is cut to a readable length.
    const bool json = std::any_of(argv + 1, argv + argc, [](const char* a) { return std::string_view(a) == "--json"; });
    vek::cli::Output out(json);
    return out.Abort(vek::cli::Shortened(e.what()));
  }
  // A store that stopped or lost records fails the command, whatever it printed.
  return vek::cli::Trouble().Serious() ? std::max(ctx.result, 1) : ctx.result;
}
