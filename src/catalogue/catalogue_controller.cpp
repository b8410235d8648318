#include "catalogue/catalogue_controller.h"

#include <cstdio>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "catalogue/catalogue_records.h"
#include "store/store_start.h"

namespace vek {
namespace {

Text DateColumn(std::int32_t day) {
  return day > 0 ? FormatDate(day, DateForm::kDdMmYyyy) + "   " : Text(13, ' ');
}

}  // namespace

CatalogueController::CatalogueController(store::FileManager& fm, UserPort& port, const Clock& clock,
                                         CatalogueHost& host, LogFiles& logs)
    : fm_(fm), port_(port), clock_(clock), host_(host), logs_(logs), files_(std::make_unique<SuiteFiles>(fm)) {}

CatalogueController::~CatalogueController() { End(); }

CatalogueController::StartResult CatalogueController::Start(bool open_setup_when_empty) {
  if (!store::StartStore(fm_, port_, true)) return StartResult::kStoreFailed;
  started_ = true;
  SuiteStart start;
  if (!OpenSuiteFilesAtStart(*files_, clock_.NowUtc().day, station_, suffixes_, start)) {
    End();
    return StartResult::kNoProfiles;
  }
  if (start.prefix_warning) {
    port_.Inform(PrefixTableWarning());
    prefix_warning_ = true;
  }
  qvkk_ = files_->OpenSpec(qvkk::Spec());
  qvkz_ = files_->OpenSpec(qvkz::Spec());
  if (!qvkk_ || !qvkz_) return StartResult::kStoreFailed;
  // Position on the newest log, so the definition follows it.
  const std::int32_t newest = NewestLog();
  if (newest > 0) Select(newest);
  RebuildDefinition();
  if (newest == 0 && open_setup_when_empty) New();
  return StartResult::kReady;
}

void CatalogueController::End() {
  if (!started_) return;
  started_ = false;
  english_ = false;
  if (qvkz_) files_->CloseName("QVKZ");
  if (qvkk_) files_->CloseName("QVKK");
  qvkk_ = qvkz_ = nullptr;
  CloseSuiteFilesAtEnd(*files_, clock_.NowUtc().day, station_);
  fm_.ExitFileManager();
}

void CatalogueController::RebuildDefinition() {
  DefinitionInputs in;
  if (HasCurrent()) {
    in = qvkk::DefinitionInputsOf(fm_.RecordBuffer(qvkk_), code_, station_.own_locator, clock_.NowUtc().day);
  } else {
    in.ContestCode = code_;
    in.OwnLocator = station_.own_locator;
    in.Today = clock_.NowUtc().day;
  }
  DefinitionEffects effects;
  definition_ = BuildContestDefinition(in, &effects);
  definition_inputs_ = in;
  if (effects.EnglishMessages) english_ = true;
  if (HasCurrent()) PutU8(fm_.RecordBuffer(qvkk_), qvkk::kTotalsInExtraRecord.offset, effects.TotalsInExtraRecord);
}

// The list shows only this program's logs, so only such a record is a current entry.
bool CatalogueController::HasCurrent() const {
  return qvkk_ && qvkk_->current_record() > 0 &&
         GetU8(fm_.RecordBuffer(qvkk_), qvkk::kContestCode.offset) == static_cast<std::uint8_t>(code_);
}

std::int32_t CatalogueController::CurrentLogNumber() {
  return HasCurrent() ? GetI32(fm_.RecordBuffer(qvkk_), qvkk::kLogNumber.offset) : 0;
}

void CatalogueController::UseContestCode(char code) {
  code_ = code;
  RebuildDefinition();
}

bool CatalogueController::SelectLogOfAnyCode(std::int32_t log_number) {
  if (!qvkk_ || fm_.FindKey(qvkk_, 3, store::LongToKey(log_number)) != 0) return false;
  const char code = static_cast<char>(GetU8(fm_.RecordBuffer(qvkk_), qvkk::kContestCode.offset));
  if (code == 0 || AllContestCodes().find(code) == std::string_view::npos) return false;
  UseContestCode(code);
  return Select(log_number);
}

bool CatalogueController::Select(std::int32_t log_number) {
  return qvkk_ && fm_.FindKey(qvkk_, 3, store::LongToKey(log_number)) == 0;
}

std::int32_t CatalogueController::NewestLog() {
  std::int32_t newest = 0;
  const Text code(1, code_);
  for (int s = fm_.SearchKey(qvkk_, 2, code); s == 0; s = fm_.NextKey(qvkk_, 2)) {
    ConstBytes r = fm_.RecordBuffer(qvkk_);
    if (GetU8(r, qvkk::kContestCode.offset) != static_cast<std::uint8_t>(code_)) break;
    newest = GetI32(r, qvkk::kLogNumber.offset);
  }
  return newest;
}

Text CatalogueController::RowText(ConstBytes r, CatalogueOrder order) {
  const Text name = Cut(" " + GetText(r, qvkk::kLogName) + " ", 26);
  const Text from = DateColumn(GetI32(r, qvkk::kDateFrom.offset));
  const Text to = DateColumn(GetI32(r, qvkk::kDateTo.offset));
  return order == CatalogueOrder::kName ? name + ";" + from + ";" + to : from + ";" + name + ";" + to;
}

Text CatalogueController::Header(CatalogueOrder order, bool english) {
  const Text name = PadRight(" Name", 26);
  const Text from = PadRight(english ? "Date (from)" : "Datum (von)", 13);
  const Text to = PadRight(english ? " Date (to) " : "Datum (bis)", 13);
  return order == CatalogueOrder::kName ? name + ";" + from + ";" + to : from + ";" + name + ";" + to;
}

std::vector<CatalogueRow> CatalogueController::Rows(CatalogueOrder order, bool all_codes) {
  std::vector<CatalogueRow> rows;
  const int key = order == CatalogueOrder::kName ? 1 : 2;
  const std::int32_t keep = CurrentLogNumber();
  const int first = all_codes ? fm_.FirstKey(qvkk_, key) : fm_.SearchKey(qvkk_, key, Text(1, code_));
  for (int s = first; s == 0; s = fm_.NextKey(qvkk_, key)) {
    ConstBytes r = fm_.RecordBuffer(qvkk_);
    if (!all_codes && GetU8(r, qvkk::kContestCode.offset) != static_cast<std::uint8_t>(code_)) break;
    rows.push_back({GetI32(r, qvkk::kLogNumber.offset), RowText(r, order)});
  }
  if (keep > 0) Select(keep);
  return rows;
}

bool CatalogueController::IsForeignCode() const {
  if (!HasCurrent()) return false;
  const char code = static_cast<char>(GetU8(fm_.RecordBuffer(qvkk_), qvkk::kContestCode.offset));
  return code == 0 || code == '0' || code == 'M' || code == 'W' || code == 'X';
}

bool CatalogueController::EnsureTotalsRecord() {
  const std::int32_t number = CurrentLogNumber();
  if (number <= 0) return false;
  if (fm_.FindKey(qvkz_, 1, store::LongToKey(number)) == 0) return true;
  fm_.ClearRecord(qvkz_);
  PutI32(fm_.RecordBuffer(qvkz_), qvkz::kLogNumber.offset, number);
  return fm_.AddRecord(qvkz_) == 0;
}

void CatalogueController::New() {
  if (qvkk_ && HasCurrent()) PutI32(fm_.RecordBuffer(qvkk_), qvkk::kDateFrom.offset, clock_.NowUtc().day);
  port_.Inform(english_ ? W("Before the contest, please check that you run the newest version of this program "
                            "(https://vek-contest.example/download).")
                        : W("Prüfen Sie bitte vor dem Contest, ob Sie die neueste Version dieses Programms "
                            "verwenden (https://vek-contest.example/download)."));
  if (code_ == 'Q') {
    port_.Inform(W("Der Auswerter benötigt für jede Band/Mode-Kombination ein separates Log.\n"
                   "Legen Sie darum schon vor Beginn des Contestes für jede Kombination,\n"
                   "die Sie arbeiten wollen, ein neues Log an."));
  }
  const std::int32_t before = CurrentLogNumber();
  const bool start = host_.OpenContestSetup(*this, false, false);
  // Back on the record as stored: the new log, or the one selected before.
  const std::int32_t created = qvkk_ ? GetI32(fm_.RecordBuffer(qvkk_), qvkk::kLogNumber.offset) : 0;
  if (!(created > 0 && Select(created)) && before > 0) Select(before);
  RebuildDefinition();
  if (start) StartF10();
}

void CatalogueController::Starten() {
  if (!HasCurrent()) return;
  EnsureTotalsRecord();
  Select(CurrentLogNumber());
  RebuildDefinition();
  if (IsForeignCode()) return;
  const std::int32_t number = CurrentLogNumber();
  const bool start = host_.OpenContestSetup(*this, true, false);
  Select(number);  // what the dialog did not save is gone
  RebuildDefinition();
  if (start) {
    StartF10();
    host_.OpenContestSetup(*this, true, true);
    Select(number);
  }
}

void CatalogueController::StartF10() {
  if (!HasCurrent()) return;
  const std::int32_t number = CurrentLogNumber();
  EnsureTotalsRecord();
  Select(number);
  if (IsForeignCode()) return;
  RebuildDefinition();
  host_.StartLogging(*this, number, definition_);
  // The entry window stored the log's totals in both records' buffers:
  // they are written as they stand, not read again.
  bool stored = (CurrentLogNumber() == number || Select(number)) && fm_.PutRecord(qvkk_) == 0;
  if (GetI32(fm_.RecordBuffer(qvkz_), qvkz::kLogNumber.offset) == number ||
      fm_.FindKey(qvkz_, 1, store::LongToKey(number)) == 0)
    stored = fm_.PutRecord(qvkz_) == 0 && stored;
  // The contacts are safe in the log; the next opening counts them again.
  if (!stored)
    port_.Inform(W("Die Ergebnisse des Logs konnten nicht gespeichert werden. Sie werden beim nächsten Öffnen "
                   "des Logs neu berechnet."));
}

void CatalogueController::Delete() {
  if (!HasCurrent()) return;
  const std::int32_t number = CurrentLogNumber();
  EnsureTotalsRecord();
  Select(number);
  const Text name = GetText(fm_.RecordBuffer(qvkk_), qvkk::kLogName);
  if (!port_.AskYesNo("Eintrag " + name + W(" löschen?"), "Sicherheitsabfrage")) return;
  RemoveCurrentLog();
}

bool CatalogueController::RemoveCurrentLog() {
  if (!HasCurrent()) return false;
  const std::int32_t number = CurrentLogNumber();
  EnsureTotalsRecord();
  // The log's QSOs first: a catalogue entry may lose its log, never the
  // other way round. A step that fails stops the deletion there, said.
  const Text name = GetText(fm_.RecordBuffer(qvkk_), qvkk::kLogName);
  const auto failed = [&] {
    port_.Inform("Das Log " + name + W(" konnte nicht vollständig gelöscht werden."));
    Select(number);
    return false;
  };
  if (!logs_.EmptyLog(number)) return failed();
  if (fm_.FindKey(qvkz_, 1, store::LongToKey(number)) == 0 && fm_.DeleteRecord(qvkz_) != 0) return failed();
  // Reposition on the entry that now holds the same place in the name order,
  // or on the last log of this code when the deleted one was the last.
  if (!Select(number)) return failed();
  const Text key = fm_.MakeKey(qvkk_, 1);
  if (fm_.DeleteRecord(qvkk_) != 0) return failed();
  auto ours = [&] { return HasCurrent(); };
  if (fm_.SearchKey(qvkk_, 1, key) == 0 && ours()) return true;
  const int past = fm_.SearchKey(qvkk_, 1, Text(1, static_cast<char>(code_ + 1)));
  if (past == 0 ? fm_.PrevKey(qvkk_, 1) == 0 : fm_.LastKey(qvkk_, 1) == 0) ours();
  return true;
}

void CatalogueController::Convert() {
  if (!HasCurrent()) return;
  const std::int32_t number = CurrentLogNumber();
  EnsureTotalsRecord();
  Select(number);
  const Text question =
      english_ ? Text("Convert Vindo99-Contest to Quilvaret-Contest?")
               : W("Vindo99-Contest in Quilvaret-Contest konvertieren? (Diese Funktion ist bei Vindo SAT "
                   "(Vindo2000) nicht notwendig und darf auch nicht bei Kontesten angewendet werden, die bereits "
                   "mit Quilvaret erstellt wurden!");
  if (!port_.AskYesNo(question)) return;
  logs_.ConvertOlderLog(number, english_);
  Select(number);
}

bool CatalogueController::Escape() { return port_.AskYesNo("Programm beenden?"); }

SetupContext CatalogueController::SetupContextFor(char contest_code) {
  SetupContext ctx;
  ctx.fm = &fm_;
  ctx.qvkk = qvkk_;
  ctx.qvkz = qvkz_;
  ctx.files = files_.get();
  ctx.station = &station_;
  ctx.port = &port_;
  ctx.clock = &clock_;
  ctx.contest_code = contest_code;
  ctx.definition = &definition_;
  ctx.suffixes = &suffixes_;
  ctx.english = english_;
  return ctx;
}

}  // namespace vek
