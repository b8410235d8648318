// The entry window without its window: the fields of one contact being
// typed, which of them show, where Enter goes, how the fields become a QSO
// record, the duplicate and partner checks when the call is left, the save
// check and the save, the clock, band and mode, and the running totals.
// The window, the ADIF import and the command-line companion all drive it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/user_port.h"
#include "catalogue/contest_definition.h"
#include "logging/contest_log.h"
#include "logging/contest_totals.h"
#include "logging/known_calls.h"
#include "refdata/prefix_lookup.h"
#include "refdata/station_settings.h"

namespace vek {

enum class EntryFieldId {
  eCall, eCall2, eRSTs1, eRSTs2, eRSTs3, eRSTs4, eRSTr1, eRSTr2, eRSTr3, eRSTr4, eDatum, ezeit, eFreq, eName, eQTH,
  emode, kCount,
};
const char* EntryFieldName(EntryFieldId id);

struct EntryField {
  Text text;
  Text caption;
  std::size_t max_length = 0;
  bool visible = true;
  bool enabled = true;
};

// The log's settings as its catalogue and totals records hold them.
struct EntryLogSettings {
  std::int32_t log_number = 0;
  Text log_name;
  Text own_dok;
  bool auto_date = true, auto_time = true, auto_band = false;
  bool rst_sent_fixed = true, rst_rcvd_fixed = true;
  bool rsts_not_locked = false;  // QVKZ byte 1808
  char qsl_sent_default = 0, qsl_rcvd_default = 0;
  bool mode_ssb = false, mode_fm = false, mode_pr = false;
  int class_number = 0;
  bool question_answer = false;
  bool TotalsInExtraRecord = false;
  // Reads them from the two records.
  static EntryLogSettings From(ConstBytes qvkk, ConstBytes qvkz);
};

struct EntryContext {
  SuiteFiles* files = nullptr;
  UserPort* port = nullptr;
  const Clock* clock = nullptr;
  ContestDefinition definition;
  char contest_code = 'g';
  EntryLogSettings log;
  StationSettings station;
  const SuffixTable* suffixes = nullptr;
  bool english = false;
  // The computer's local time against UTC, in seconds (used when the
  // station says the computer runs on local time).
  std::int32_t local_offset_seconds = 0;
  bool slashed_zero = false;
  std::string program_folder;  // the member list "qcwa.csv" lies here
  // What the definition was built from; with it the log's count may be
  // stored beside the log and carried on by the next session.
  std::optional<DefinitionInputs> definition_inputs;
};

// The fields of the correction dialog "QSO ändern", as texts.
struct CorrectionFields {
  std::int32_t serial = 0;
  Text call, call2;
  ExchangeItems sent, rcvd;
  Text mode, band, date, time, qsl_sent, qsl_rcvd, prefix, name, qth, freq;
};

// The contest's mode for a mode of the rig (Hamlib's names: USB and LSB are
// SSB, CW and CWR are CW, the packet and digital modes the contest's digital
// mode); empty when the contest does not have it.
Text ContestModeOfRig(std::string_view rig_mode, const std::vector<Text>& offered);

class EntrySession {
 public:
  explicit EntrySession(EntryContext ctx);
  ~EntrySession();

  // Opening (window creation): false when the log cannot be opened. A
  // session that logs one contact and closes (the companion's add-qso) skips
  // what only the window shows or tidies: the running totals (closing counts
  // the log anyway) and the clean-up of band-change entries.
  enum class OpenFor { kWindow, kOneContact };
  bool Open(OpenFor purpose = OpenFor::kWindow);
  // Closing: stores the totals into the two records' buffers (the caller
  // writes them) and closes the log.
  void Close(Bytes qvkk, Bytes qvkz);

  // --- fields ---
  const EntryField& field(EntryFieldId id) const { return fields_[static_cast<std::size_t>(id)]; }
  EntryFieldId focus() const { return focus_; }
  // Typing replaces the field's text (upper case where the field wants it)
  // and runs the live update.
  void Type(EntryFieldId id, std::string_view text);
  // One key typed into the focused field: '#' in the call, blanks in the
  // received fields and the slashed zero are handled here.
  void TypeChar(char c);
  // Tab or a click: the field is left without saving.
  void Focus(EntryFieldId id);
  // Enter in the focused field.
  void Enter();
  // Without modifier: Esc clears the entry.
  void Escape();
  // F9: frequency, name and QTH shown or hidden together.
  void ToggleNameQth();
  // Ctrl+Q and a click on the QSL label.
  void ToggleQslSent();
  // F8: with two bands the other one at once; otherwise false (the window opens the list).
  bool BandKey();
  bool ModeKey();

  // --- the operations of the window ---
  void NewQso(int correction);
  void FormToRecord();
  void RecordToForm();
  void LeaveField(EntryFieldId id);
  bool CanSave();
  void SaveQso();
  void TakeSerial(Bytes record, std::int32_t serial);
  bool SettleSerial();
  void ClockTick();
  void ChangeBand(char band);
  void ChangeMode(std::string_view mode);
  bool CheckCallChange();  // false when a duplicate cleared the entry
  bool DoPrefixLookup();
  void PrefillExchange();
  void EvaluateEntryMultipliers();

  // --- known calls: the partner panel, the history, the live distance ---
  // The index the window built when it opened (null: no panel). It learns
  // each contact this session saves.
  void SetKnownCalls(KnownCalls* known) { known_ = known; }
  KnownCalls* known_calls() const { return known_; }
  // Leaving the call fills an empty locator or DOK field from what the
  // station gave last time (the program's own option, off by default).
  void SetHistoryPrefill(bool on) { history_prefill_ = on; }
  bool history_prefill() const { return history_prefill_; }
  // The field holds a value from the history the operator has not typed over.
  bool FilledFromHistory(EntryFieldId id) const { return from_history_[static_cast<std::size_t>(id)]; }
  // The known calls that hold the typed call, marked against the entry's band.
  std::vector<PartialMatch> PartnerMatches(std::size_t limit = KnownCalls::kScreenful) const;
  // What the sources know of the typed call; null for nothing.
  const KnownCall* PartnerHistory() const;
  // Distance and bearing from the own locator while the locator field holds
  // a valid four- or six-character locator, and the points the contact
  // would get as it stands.
  struct LiveQrb {
    std::int32_t km = 0;
    int bearing = 0;
    int points = 0;
  };
  std::optional<LiveQrb> LiveDistance() const;
  // The received field that holds the locator; kCount when the contest has none.
  EntryFieldId LocatorField() const;

  // --- the rig ---
  // What the rig reports: its frequency in Hz and Hamlib's name of its mode.
  // While the call field is empty, a frequency in another band of the
  // contest changes the band as F8 does, and the rig's mode, where the
  // contest has it, the mode; never while a call is typed. A contact whose
  // frequency field was not typed gets the rig's frequency when it lies in
  // the contact's band. True when the band or the mode changed.
  bool FollowRig(double hz, std::string_view rig_mode);
  void ForgetRig() { rig_mhz_ = 0; }

  // --- correction and deletion of logged contacts ---
  // The dialog's fields for the contact with this entry number; nullopt for
  // none and for a band-change entry, which can be neither edited nor deleted.
  std::optional<CorrectionFields> BeginEdit(std::int32_t entry_no);
  // Takes the fields over (every ending of the dialog does); true when the
  // score may have changed, which recounted and stored the log's totals.
  bool FinishEdit(std::int32_t entry_no, const CorrectionFields& f, Bytes qvkk, Bytes qvkz);
  // The deletion with its warning and question; true when deleted.
  bool DeleteQso(std::int32_t entry_no, Bytes qvkk, Bytes qvkz);
  // The entry number of the contact with a serial number; 0 for none.
  std::int32_t EntryOfSerial(std::int32_t serial);

  // The clock as the log reads it (UTC, moved for a computer on local time).
  UtcInstant ClockNow() const;

  // --- what the window shows ---
  char band() const { return band_; }
  const Text& mode() const { return mode_; }
  std::int32_t next_serial() const { return next_.serial; }
  Text QslLabel() const;
  Text SentLabel() const;  // lRSTs2: the sent text while its fields are hidden
  Text DateLabel() const;
  Text TimeLabel() const;
  Text PartnerName() const { return cached_name_; }
  Text Caption() const;
  ContestTotals& totals() { return *totals_; }
  const ContestDefinition& definition() const { return ctx_.definition; }
  std::vector<char> Bands() const;
  std::vector<Text> Modes() const;
  ConstBytes record() const;
  store::FileBlock* log_block() const { return log_ ? log_->log() : nullptr; }
  store::FileManager& file_manager() { return ctx_.files->fm(); }
  UserPort& port() { return *ctx_.port; }
  store::FileManager& fm() { return ctx_.files->fm(); }
  SuiteFiles& suite_files() { return *ctx_.files; }
  // Another operator for a while (an import collects its messages); the old one.
  UserPort* SwapPort(UserPort* port) { return std::exchange(ctx_.port, port); }
  bool english() const { return ctx_.english; }
  // The last contact saved (its record as written), for the list and the CLI.
  const std::vector<std::uint8_t>& last_saved() const { return last_saved_; }
  int saves() const { return saves_; }

  // Many contacts saved in one go (an import): the log and the call book
  // become durable once, when the batch ends, instead of after every
  // contact. Cut short by a crash, the log is still marked as being
  // changed, so its next opening rebuilds it with what reached the disk.
  class Batch {
   public:
    explicit Batch(EntrySession& session);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    std::vector<std::pair<store::FileBlock*, bool>> blocks_;  // with their own setting
    store::FileManager& fm_;
    SuiteFiles* call_book_owner_ = nullptr;  // set while the batch holds the call book open
  };

 private:
  EntryField& Mut(EntryFieldId id) { return fields_[static_cast<std::size_t>(id)]; }
  Bytes Buffer();
  void SetUpFields();
  Text DefaultReport() const;
  Text SentItem(int kind, const Text& value) const;
  bool IsGermanCall() const;
  int LastReceivedShown() const;
  EntryFieldId NextInTabOrder(EntryFieldId from) const;
  void ApplyReceivedKind(int kind, const Text& text, EntryFieldId field, bool always_report = false);
  void AfterLogChange(Bytes qvkk, Bytes qvkz);
  bool IsDuplicate(bool at_save, Text* message);
  void UpdateCallBook();
  // The steps of the prefill.
  struct PartnerEntries {
    std::vector<std::uint8_t> book, list;  // call book and call list entries; empty when none
  };
  using FieldReader = std::function<Text(const std::vector<std::uint8_t>&, const FieldSpec&)>;
  PartnerEntries LookUpPartner(const Text& base);
  void LoadQcwaList();
  Text PrefilledDok(const PartnerEntries& p, const FieldReader& from) const;
  Text PrefilledClubNumber(const PartnerEntries& p, const FieldReader& from) const;
  Text PrefilledNavalNumber(const PartnerEntries& p, const FieldReader& from) const;
  Text PrefilledQcwaNumber(const Text& base);
  bool ScheduleBand(char& wanted) const;
  ScoringContext Scoring() const;
  const SuffixTable& Suffixes() const { return ctx_.suffixes ? *ctx_.suffixes : BuiltInSuffixTable(); }
  std::array<std::size_t, 4> Widths(bool sent) const;

  EntryContext ctx_;
  std::unique_ptr<ContestLog> log_;
  std::unique_ptr<ContestTotals> totals_;
  // A stored count of the log that held when the session opened, and the
  // log's change tally then.
  struct CountBase {
    std::string image;
    store::FileManager::ChangeTally at;
  };
  std::optional<CountBase> count_base_;
  bool CountMayBeStored() const;
  std::string CountContext() const;
  void LoadStoredCount();
  void StoreCount();
  std::unique_ptr<PrefixLookup> prefixes_;
  std::array<EntryField, static_cast<std::size_t>(EntryFieldId::kCount)> fields_;
  EntryFieldId focus_ = EntryFieldId::eCall;
  char band_ = 0;
  Text mode_;
  std::int32_t default_date_ = -1, default_time_ = -1;
  RunningNumbers next_;
  bool sent_shows_serial_ = false;  // the sent exchange was made with next_.serial in it
  char qsl_sent_ = 'N';
  float last_freq_ = 0;
  int correction_ = 0;
  Text previous_call_;
  Text cached_name_, cached_qth_;
  bool enter_ = false;
  bool filling_ = false;
  char pending_band_ = 0;
  bool prefix_chosen_ = false;
  Text last_prefix_seen_;
  std::vector<std::uint8_t> last_saved_;
  int saves_ = 0;
  int new_qsos_ = 0;
  bool names_shown_ = false;
  std::vector<std::pair<Text, Text>> qcwa_;  // member list of code k
  bool qcwa_loaded_ = false, qcwa_changed_ = false;
  // The call book stays open while the session runs: its entries follow each
  // save without a sync of their own and become durable when it closes.
  bool call_book_held_ = false;
  void ReleaseCallBook();
  void PrefillFromHistory();
  EntryFieldId DokField() const;
  double rig_mhz_ = 0;
  bool freq_typed_ = false;
  KnownCalls* known_ = nullptr;
  bool history_prefill_ = false;
  std::array<bool, static_cast<std::size_t>(EntryFieldId::kCount)> from_history_{};
};

}  // namespace vek
