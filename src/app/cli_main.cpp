// vekcontest-cli: the contest logger's core without a window.
#include <CLI/CLI.hpp>

#include "app/cli_commands.h"

int main(int argc, char** argv) {
  CLI::App app{"vekcontest-cli - command-line companion of the contest logger Vek UKW Nordsee.\n"
               "Works on the data files of the current folder."};
  app.require_subcommand(1);
  app.fallthrough();  // --json may stand before or after the command's words
  vek::cli::CommandContext ctx;
  app.add_flag("--json", ctx.json, "print one JSON object (keys in lower snake case) instead of lines");
  vek::cli::RegisterRefdataCommands(app, ctx);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return ctx.result;
}
