// A program start over the in-memory file system, with a scripted operator
// and a host whose setup dialog is a script run on the real setup model.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "base/scripted_user_port.h"
#include "catalogue/catalogue_controller.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/setup_model.h"
#include "logging/store_log_files.h"
#include "store/memory_file_system.h"

namespace vek::testing {

class ScriptedHost : public CatalogueHost {
 public:
  // Fills the dialog and presses a button; returns what the dialog returns.
  std::function<SetupResult(SetupModel&)> script;
  std::vector<std::pair<bool, bool>> setups;  // (edit, after logging) of every opening
  std::vector<std::int32_t> logged;

  bool OpenContestSetup(CatalogueController& c, bool edit_mode, bool after_logging) override {
    setups.emplace_back(edit_mode, after_logging);
    SetupModel model(Context(c), edit_mode, after_logging);
    const SetupResult result = script ? script(model) : model.Cancel();
    return result == SetupResult::kStart;
  }
  void StartLogging(CatalogueController&, std::int32_t log_number, const ContestDefinition&) override {
    logged.push_back(log_number);
  }
  static SetupContext Context(CatalogueController& c, char code = 'g') { return c.SetupContextFor(code); }
};

// Types a complete new log of contest g and presses "Beenden".
inline SetupResult TypeNewLog(SetupModel& m, const std::string& name, SetupResult (SetupModel::*button)() = &SetupModel::Finish) {
  m.SetText("eName", name);
  m.SetText("eCall", "DL1ABC");
  m.SetText("eDOK", "I38");
  m.SetText("eLoc", "JO43KD");
  m.SetText("ePLZ", "26129");
  m.SetText("eOrt", "Oldenburg");
  m.SetText("ecname", "Anna Muster");
  m.SetText("eStrasse", "Hauptstr. 1");
  m.Check("rZeitUTC", true);
  m.ChooseClass(0);
  return (m.*button)();
}

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override { clock_.Set(UtcInstant{*DayNumberFromDate(2009, 3, 1), 12 * 3600}); }

  std::unique_ptr<CatalogueController> StartProgram(bool open_setup_when_empty = true) {
    store::StoreEnvironment env;
    env.fs = &fs_;
    env.sleep = [](std::chrono::milliseconds) {};
    env.shutdown = [this](const store::StopReport& r) { stops_.push_back(r); };
    fm_ = std::make_unique<store::FileManager>(env);
    logs_ = std::make_unique<StoreLogFiles>(*fm_, port_);
    auto c = std::make_unique<CatalogueController>(*fm_, port_, clock_, host_, *logs_);
    EXPECT_EQ(c->Start(open_setup_when_empty), CatalogueController::StartResult::kReady);
    return c;
  }

  store::MemoryFileSystem fs_;
  ScriptedUserPort port_;
  ManualClock clock_;
  ScriptedHost host_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<StoreLogFiles> logs_;
  std::vector<store::StopReport> stops_;
};

}  // namespace vek::testing
