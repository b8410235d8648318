// The main window without its window: program start and end, the catalogue
// list of this program's contest code, and "Neu", "Starten", "Start [F10]",
// "Löschen", "Konvertieren" and Escape. Dialogs it opens go through a host
// the desktop program (or a test, or the command-line companion) provides.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/clock.h"
#include "base/user_port.h"
#include "catalogue/contest_definition.h"
#include "catalogue/log_files.h"
#include "catalogue/setup_model.h"
#include "refdata/station_settings.h"
#include "refdata/suite_files.h"
#include "store/file_manager.h"

namespace vek {

class CatalogueController;

class CatalogueHost {
 public:
  virtual ~CatalogueHost() = default;
  // The setup dialog over the current catalogue record; true when it was
  // left with "Contest starten".
  virtual bool OpenContestSetup(CatalogueController& controller, bool edit_mode, bool after_logging) = 0;
  // The entry window for a log.
  virtual void StartLogging(CatalogueController& controller, std::int32_t log_number,
                            const ContestDefinition& definition) = 0;
};

enum class CatalogueOrder { kName, kDate };

struct CatalogueRow {
  std::int32_t log_number = 0;
  Text text;  // columns separated by ';'
};

class CatalogueController {
 public:
  // The edition's contest: the only one the desktop program lists and opens.
  static constexpr char kContestCode = 'g';

  CatalogueController(store::FileManager& fm, UserPort& port, const Clock& clock, CatalogueHost& host,
                      LogFiles& logs);
  ~CatalogueController();

  enum class StartResult { kReady, kStoreFailed, kNoProfiles };
  // Steps 5 to 11 of the start; with an empty catalogue it goes on as "Neu".
  StartResult Start(bool open_setup_when_empty = true);
  // Closes the catalogue, the suite files (saving the station settings) and the store.
  void End();

  // The catalogue is shared with the suite's other editions. The companion
  // works on a log of any contest code: the controller then acts for that
  // code (definition, list, current entry) until told otherwise.
  char contest_code() const { return code_; }
  void UseContestCode(char code);
  // Selects log `number` and switches to its code; false when there is no
  // such log or its code is none of the contest codes.
  bool SelectLogOfAnyCode(std::int32_t log_number);

  // --- the list ---
  // The logs of the current code; with `all_codes` every log of the catalogue.
  std::vector<CatalogueRow> Rows(CatalogueOrder order, bool all_codes = false);
  static Text Header(CatalogueOrder order, bool english);
  static Text RowText(ConstBytes qvkk_record, CatalogueOrder order);
  bool Select(std::int32_t log_number);  // makes the log the current entry
  bool HasCurrent() const;
  std::int32_t CurrentLogNumber();
  // The newest log by start date (the list's position at start); 0 for none.
  std::int32_t NewestLog();

  // --- buttons and keys ---
  void New();
  void Starten();
  void StartF10();
  void Delete();
  // What "Löschen" does after its question: the log's QSOs, its totals
  // record and its catalogue entry; false when the entry could not be deleted.
  bool RemoveCurrentLog();
  void Convert();
  bool Escape();  // true when the program should end

  // --- what the windows read ---
  const ContestDefinition& definition() const { return definition_; }
  // What the current definition was built from.
  const DefinitionInputs& definition_inputs() const { return definition_inputs_; }
  ContestDefinition& mutable_definition() { return definition_; }
  void RebuildDefinition();
  StationSettings& station() { return station_; }
  SuffixTable& suffixes() { return suffixes_; }
  SuiteFiles& files() { return *files_; }
  store::FileManager& fm() { return fm_; }
  store::FileBlock* qvkk() const { return qvkk_; }
  store::FileBlock* qvkz() const { return qvkz_; }
  UserPort& port() { return port_; }
  const Clock& clock() const { return clock_; }
  bool english() const { return english_; }
  bool prefix_warning_shown() const { return prefix_warning_; }

  // What the setup dialog over the current catalogue record works on.
  SetupContext SetupContextFor() { return SetupContextFor(code_); }
  SetupContext SetupContextFor(char contest_code);

  // Ensures the contest-totals record of the current log exists.
  bool EnsureTotalsRecord();

 private:
  bool IsForeignCode() const;

  store::FileManager& fm_;
  UserPort& port_;
  const Clock& clock_;
  CatalogueHost& host_;
  LogFiles& logs_;
  std::unique_ptr<SuiteFiles> files_;
  StationSettings station_;
  SuffixTable suffixes_;
  ContestDefinition definition_;
  DefinitionInputs definition_inputs_;
  store::FileBlock* qvkk_ = nullptr;
  store::FileBlock* qvkz_ = nullptr;
  char code_ = kContestCode;
  bool started_ = false;
  bool english_ = false;
  bool prefix_warning_ = false;
};

}  // namespace vek
