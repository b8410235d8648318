// The catalogue of the data folder as the companion's log commands open it:
// the store, the terminal as the operator, no windows.
#pragma once

#include <optional>
#include <string>

#include "app/cli_output.h"
#include "app/cli_terminal_port.h"
#include "base/clock.h"
#include "catalogue/catalogue_controller.h"
#include "logging/entry_context.h"
#include "logging/store_log_files.h"
#include "store/file_manager.h"

namespace vek::cli {

class NoDialogs : public CatalogueHost {
 public:
  bool OpenContestSetup(CatalogueController&, bool, bool) override { return false; }
  void StartLogging(CatalogueController&, std::int32_t, const ContestDefinition&) override {}
};

struct Session {
  store::FileManager fm{CompanionStoreEnvironment()};
  TerminalPort port{false};
  SystemClock system_clock;
  ManualClock manual_clock;
  NoDialogs host;
  StoreLogFiles logs{fm, port};
  CatalogueController controller{fm, port, system_clock, host, logs};
};

// The catalogue started and the entry context of log `number`; the exit
// code of the failure, 0 when ready.
inline int Start(Session& s, Output& out, int number, std::optional<EntryContext>& ctx, const Clock& clock) {
  WaitForOtherPrograms(s.fm);
  if (s.controller.Start(false) != CatalogueController::StartResult::kReady)
    return out.Abort("the data files of this folder cannot be opened");
  // The companion works on a log of any contest code of the shared catalogue.
  if (s.controller.SelectLogOfAnyCode(number)) ctx = EntryContextFor(s.controller, number, clock, s.port);
  if (!ctx) return out.Abort("there is no log " + std::to_string(number) + " in this folder");
  return 0;
}

}  // namespace vek::cli
