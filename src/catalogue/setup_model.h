// The contest setup dialog without its window: the controls it shows (text,
// caption, enabled, visible, checked, "invalid" colour), the opening, the
// date and time completion, the checks and the save sequence, the class
// change, the contest-specific questions, the totals ("Auswertung") and
// Escape. The window only binds widgets to these controls by name.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/user_port.h"
#include "catalogue/contest_definition.h"
#include "refdata/station_settings.h"
#include "store/file_manager.h"

namespace vek {

struct SetupControl {
  Text text;
  Text caption;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  bool invalid = false;  // light red until the text changes
  int max_length = 0;    // characters a field takes; 0: the window's own limit
};

// Where the dialog's data lives: the current catalogue and totals records
// (their fileblock buffers), the station settings, and the main window's
// definition, which the dialog rebuilds after every save and class change.
struct SetupContext {
  store::FileManager* fm = nullptr;
  store::FileBlock* qvkk = nullptr;
  store::FileBlock* qvkz = nullptr;
  SuiteFiles* files = nullptr;
  StationSettings* station = nullptr;
  UserPort* port = nullptr;
  const Clock* clock = nullptr;
  char contest_code = 'g';
  ContestDefinition* definition = nullptr;
  // Called after every rebuild of the definition (the main window follows it).
  std::function<void()> definition_changed;
  // Files beside the program (station description files); "" = current folder.
  std::string program_folder;
  const SuffixTable* suffixes = nullptr;  // the station's; the built-in table when null
  bool english = false;                   // the program's message language
};

enum class SetupResult { kOpen, kClosed, kStart };
enum class SaveTrigger { kSilent, kButton, kPrintMenu };

class SetupModel {
 public:
  SetupModel(SetupContext ctx, bool edit_mode, bool after_logging);

  // --- controls ---
  SetupControl& control(const std::string& name) { return controls_[name]; }
  const std::map<std::string, SetupControl>& controls() const { return controls_; }
  void SetText(const std::string& name, std::string_view text);  // typing; clears the red colour
  void Check(const std::string& name, bool checked);             // check boxes and radio buttons
  void EnterField(const std::string& name);                      // remembers date/time texts
  void LeaveField(const std::string& name);                      // completion, ManualTimes, lookups
  const std::vector<Text>& class_entries() const { return class_entries_; }
  bool class_list_two_columns() const { return class_entries_.size() > 7; }
  int chosen_class() const { return chosen_class_; }  // 0-based, -1 none
  void ChooseClass(int index);
  Text caption() const { return caption_; }
  std::string focus() const { return focus_; }

  // --- buttons and keys ---
  SetupResult Finish();   // "Beenden"
  SetupResult StartContest();  // "Contest starten"
  SetupResult Cancel();   // "Abbrechen"
  SetupResult Escape();   // asks "Änderungen übernehmen?"
  // "Drucken / E-Log": saves with its checks, then the menu items (1..13)
  // enabled by the definition's OutputItems; the menu always opens.
  std::vector<int> PrintMenu();

  // --- totals ("Auswertung") ---
  struct BandColumn {
    bool visible = false;
    Text band_name;
    std::int64_t qsos = 0, multipliers = 0, points = 0;
    bool multipliers_visible = true;
  };
  struct Totals {
    std::array<BandColumn, 7> columns;
    Text qsos, multipliers, points, score;
    bool points_visible = true, score_visible = true;
    Text first_multiplier_cell;  // code 5 with "PLZ": "    0"
  };
  Totals ComputeTotals() const;

  bool edit_mode() const { return edit_mode_; }
  const ContestDefinition& definition() const { return *ctx_.definition; }
  const SetupContext& context() const { return ctx_; }
  // One save of the dialog's inputs; false when a check stopped it.
  bool Save(SaveTrigger trigger);

 private:
  Bytes Qvkk() const { return ctx_.fm->RecordBuffer(ctx_.qvkk); }
  Bytes Qvkz() const { return ctx_.fm->RecordBuffer(ctx_.qvkz); }
  int TodayYear() const;
  void Open();
  void FillFromRecord();
  void FillClassList();
  void ShowQuestion();
  void ApplyModeButtons();
  void PresetPeriod();
  void RebuildDefinition();
  bool Stop(const std::string& control, std::string_view message, SaveTrigger trigger);
  const Text& Typed(const char* control);
  // The steps of a save.
  bool SaveNameAndPlace(SaveTrigger trigger);
  bool SaveCallAndDok(SaveTrigger trigger);
  bool SaveLocatorAndSwl(SaveTrigger trigger);
  bool SaveContestPeriod(SaveTrigger trigger);
  bool SaveClockChoice(SaveTrigger trigger);
  void SaveEntryOptions();
  bool SaveEntryClass(SaveTrigger trigger);
  void SaveOperatorAndModes();
  void SaveStationAddress(SaveTrigger trigger);
  bool SaveContestQuestion(SaveTrigger trigger);
  void SaveLogOptions();
  enum class Stored { kStopped, kBuffersOnly, kRecords };
  Stored StoreRecords(SaveTrigger trigger);
  void WriteStationDescription();
  bool Ask(std::string_view question);
  bool DokIsLdk() const;
  void EvaluateDistrictU();

  SetupContext ctx_;
  bool edit_mode_;
  bool after_logging_;
  bool loading_ = false;
  std::map<std::string, SetupControl> controls_;
  std::map<std::string, Text> remembered_;
  std::vector<Text> class_entries_;
  int chosen_class_ = -1;
  Text caption_;
  std::string focus_;
};

}  // namespace vek
