// The catalogue of the data folder as the companion's log commands open it:
// the store, the terminal as the operator, no windows.
#pragma once

#include "app/cli_terminal_port.h"
#include "base/clock.h"
#include "catalogue/catalogue_controller.h"
#include "logging/store_log_files.h"
#include "store/file_manager.h"

namespace vek::cli {

class NoDialogs : public CatalogueHost {
 public:
  bool OpenContestSetup(CatalogueController&, bool, bool) override { return false; }
  void StartLogging(CatalogueController&, std::int32_t, const ContestDefinition&) override {}
};

struct Session {
  store::FileManager fm;
  TerminalPort port{false};
  SystemClock system_clock;
  ManualClock manual_clock;
  NoDialogs host;
  StoreLogFiles logs{fm, port};
  CatalogueController controller{fm, port, system_clock, host, logs};
};

}  // namespace vek::cli
