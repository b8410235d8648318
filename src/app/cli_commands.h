// Each group of the companion's commands registers itself on the app. A
// command returns its exit code through `result`.
#pragma once

#include <CLI/CLI.hpp>

namespace vek::cli {

struct CommandContext {
  bool json = false;
  int result = 0;
};

void RegisterRefdataCommands(CLI::App& app, CommandContext& ctx);
void RegisterStoreCommands(CLI::App& app, CommandContext& ctx);
void RegisterContestCommand(CLI::App& app, CommandContext& ctx);
void RegisterCatalogueCommands(CLI::App& app, CommandContext& ctx);
void RegisterReferenceCommands(CLI::App& app, CommandContext& ctx);
void RegisterLoggingCommands(CLI::App& app, CommandContext& ctx);
void RegisterExportCommands(CLI::App& app, CommandContext& ctx);
void RegisterPartnerCommands(CLI::App& app, CommandContext& ctx);
void RegisterRigCommands(CLI::App& app, CommandContext& ctx);
void RegisterStatsCommands(CLI::App& app, CommandContext& ctx);

}  // namespace vek::cli
