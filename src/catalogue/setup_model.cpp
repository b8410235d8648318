#include "catalogue/setup_model.h"

#include <algorithm>


#include <cstdio>
#include <string>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "base/number_picture.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/date_time_completion.h"
#include "refdata/bands.h"
#include "refdata/call_book.h"
#include "store/replacing_file.h"

namespace vek {
namespace {

constexpr const char* kDateFields[4] = {"eDatumvon", "eDatumbis", "eZeitvon", "eZeitbis"};
constexpr std::uint8_t kManualBits[4] = {1, 2, 4, 8};

// Dates of the definition are "DD.MM.YYYY"; its times "HH:MM:SS" - and for
// several codes "HH:MM", which this program takes as hours and minutes.
std::int32_t DefinitionDate(const Text& t) {
  const auto d = ParseDate(t, DateForm::kDdMmYyyy, 2000);
  return d ? *d : 0;
}
std::int32_t DefinitionTime(const Text& t) {
  if (auto s = ParseTime(t, TimeForm::kHhMmSs)) return *s;
  if (auto s = ParseTime(t, TimeForm::kHhMm)) return *s;
  return 0;
}

Text ShowDate(std::int32_t day) { return day > 0 ? FormatDate(day, DateForm::kDdMmYyyy) : Text(); }
Text ShowTime(std::int32_t seconds) { return seconds > 0 ? FormatTime(seconds, TimeForm::kHhMm) : Text(); }

Text Digits(std::int32_t n) { return std::to_string(n); }

Text Quoted(const Text& t) { return "\"" + t + "\""; }

struct Question {
  char code;
  const char* caption;
  int max_length;
  const char* none_text;  // typed for "no membership" -> -1
  const char* empty_message;
  bool stops;
};

const Question kNumberQuestions[] = {
    {'P', "Lebensalter:", 2, "XX", "Sie haben keine Angabe über Ihr Lebensalter getätigt.", true},
    {'6', "HSC-Nr:", 4, "NM", "Sie haben keine Angabe über die HSC-Mitgliedschaft getätigt.", false},
    {'7', "DIG-Nr:", 4, "0", "Sie haben keine Angabe über die DIG-Mitgliedschaft getätigt.", false},
    {'f', "AGCW-Nr:", 4, "0", "Sie haben keine Angabe über die AGCW-Mitgliedschaft getätigt.", false},
    {'4', "RTC-Nr:", 4, "0", "Sie haben keine Angabe über die RTC-Mitgliedschaft getätigt.", false},
    {'k', "QCWA-Nr:", 5, "0", nullptr, false},
};

const Question* NumberQuestion(char code) {
  for (const Question& q : kNumberQuestions)
    if (q.code == code) return &q;
  return nullptr;
}

}  // namespace

SetupModel::SetupModel(SetupContext ctx, bool edit_mode, bool after_logging)
    : ctx_(std::move(ctx)), edit_mode_(edit_mode), after_logging_(after_logging) {
  Open();
}

int SetupModel::TodayYear() const { return DateFromDayNumber(ctx_.clock->NowUtc().day).year; }

bool SetupModel::DokIsLdk() const {
  return ctx_.contest_code == 'A' || ctx_.definition->MultiplierKinds.test(17);
}

void SetupModel::RebuildDefinition() {
  const DefinitionInputs in =
      qvkk::DefinitionInputsOf(Qvkk(), ctx_.contest_code, ctx_.station->own_locator, ctx_.clock->NowUtc().day);
  DefinitionEffects effects;
  *ctx_.definition = BuildContestDefinition(in, &effects);
  PutU8(Qvkk(), qvkk::kTotalsInExtraRecord.offset, effects.TotalsInExtraRecord ? 1 : 0);
  if (ctx_.definition_changed) ctx_.definition_changed();
}

void SetupModel::Open() {
  Bytes kk = Qvkk();
  if (!edit_mode_) {
    ctx_.fm->ClearRecord(ctx_.qvkk);
    ctx_.fm->ClearRecord(ctx_.qvkz);
    PutText(kk, qvkk::kLogLocator, Cut(ctx_.station->own_locator, 6));
    PutText(kk, qvkk::kOwnCall, Cut(ctx_.station->own_call, 12));
    PutU8(kk, qvkk::kCreationMark1.offset, 255);
    PutU8(kk, qvkk::kCreationMark2.offset, 1);
    PutU8(kk, qvkk::kContestCode.offset, static_cast<std::uint8_t>(ctx_.contest_code));
    PutU8(kk, qvkk::kAutoDate.offset, 255);
    PutU8(kk, qvkk::kAutoTime.offset, 255);
    PutU8(kk, qvkk::kMarkerD.offset, 'D');
    PutU8(kk, qvkk::kRstRcvdFree.offset, 0);
    PutU8(kk, qvkk::kRstSentFree.offset, 0);
    PutU8(kk, qvkk::kCreationMark3.offset, 255);
    PutU8(kk, qvkk::kAutoLocked.offset, 0);
    PutI32(kk, qvkk::kExtraNumber.offset, -1);
  }
  RebuildDefinition();
  const ContestDefinition& d = *ctx_.definition;
  // 2. Missing dates and times come from the definition.
  const FieldSpec* fields[4] = {&qvkk::kDateFrom, &qvkk::kDateTo, &qvkk::kTimeFrom, &qvkk::kTimeTo};
  const std::int32_t defaults[4] = {DefinitionDate(d.StartDate), DefinitionDate(d.EndDate),
                                    DefinitionTime(d.StartTime), DefinitionTime(d.EndTime)};
  for (int i = 0; i < 4; ++i)
    if (GetI32(kk, fields[i]->offset) == 0) PutI32(kk, fields[i]->offset, defaults[i]);
  FillFromRecord();
  // 4./5. The class list; fixed once a class has been saved.
  FillClassList();
  // 7. Station fields.
  const StationSettings& st = *ctx_.station;
  controls_["ecname"].text = st.name;
  controls_["ePLZ"].text = st.Postcode();
  controls_["eOrt"].text = st.Town();
  controls_["eStrasse"].text = st.street;
  controls_["eLand"].text = st.country;
  controls_["eLoc"].text = st.own_locator;
  controls_["eDOK"].text = st.dok;
  controls_["eSWL"].text = st.swl_number;
  // 8. The contest's question.
  ShowQuestion();
  // 9. Caption and buttons.
  if (after_logging_) {
    caption_ = Quoted(d.ContestTitle);
    controls_["btnstart"].visible = false;
    controls_["btnAbbruch"].visible = false;
    focus_ = "btnOK";
  } else {
    caption_ = Quoted(d.ContestTitle) + "  Contest-Konfiguration";
    focus_ = "eName";
  }
  // 10. The automatic band only where a schedule has bands.
  controls_["eBandauto"].visible = d.AutoBandByTime && d.BandSchedule[0].Bands[0] != 0;
}

void SetupModel::FillFromRecord() {
  ConstBytes kk = Qvkk();
  ConstBytes kz = Qvkz();
  const ContestDefinition& d = *ctx_.definition;
  controls_["eName"].text = GetText(kk, qvkk::kLogName);
  controls_["eDatumvon"].text = ShowDate(GetI32(kk, qvkk::kDateFrom.offset));
  controls_["eDatumbis"].text = ShowDate(GetI32(kk, qvkk::kDateTo.offset));
  controls_["eZeitvon"].text = ShowTime(GetI32(kk, qvkk::kTimeFrom.offset));
  controls_["eZeitbis"].text = ShowTime(GetI32(kk, qvkk::kTimeTo.offset));
  controls_["eCall"].text = GetText(kk, qvkk::kOwnCall);
  controls_["eDOK"].text = DokIsLdk() ? GetText(kk, qvkk::kOwnLdk) : GetText(kk, qvkk::kOwnDok);
  controls_["eDOK"].caption = DokIsLdk() ? "LDK" : (d.MultiplierKinds.test(8) ? "Area" : "DOK");
  if (edit_mode_) {
    const bool local = ctx_.station->utc_offset != 0;
    controls_["rZeitOrt"].checked = local;
    controls_["rZeitUTC"].checked = !local;
  }
  controls_["edatumauto"].checked = GetU8(kk, qvkk::kAutoDate.offset) != 0;
  controls_["ezeitauto"].checked = GetU8(kk, qvkk::kAutoTime.offset) != 0;
  controls_["eBandauto"].checked = d.AutoBandByTime && GetU8(kk, qvkk::kAutoBand.offset) != 0;
  controls_["eaktrsts"].checked = GetU8(kk, qvkk::kRstSentFree.offset) == 0;
  controls_["eaktrstr"].checked = GetU8(kk, qvkk::kRstRcvdFree.offset) == 0;
  if (GetU8(kk, qvkk::kAutoLocked.offset) != 0) {
    for (const char* name : {"edatumauto", "ezeitauto", "eBandauto"}) controls_[name].enabled = false;
    controls_["eaktrsts"].enabled = controls_["eaktrstr"].enabled = true;
  }
  const auto qsl = [](std::uint8_t c) { return c ? Text(1, static_cast<char>(c)) : Text(); };
  controls_["eQSLw"].text = qsl(GetU8(kk, qvkk::kQslSentDefault.offset));
  controls_["eqslr"].text = qsl(GetU8(kk, qvkk::kQslRcvdDefault.offset));
  controls_["crstsnichtsperren"].checked = GetU8(kz, qvkz::kRstsNotLocked) == 255;
  controls_["cdoppelqso"].checked = GetU8(kz, qvkz::kEnterUnscoredDupes) != 0;
  controls_["cdoppelqso"].visible = false;
  controls_["rssb"].checked = GetU8(kk, qvkk::kModeSsb.offset) != 0;
  controls_["rFM"].checked = GetU8(kk, qvkk::kModeFm.offset) != 0;
  controls_["rPR"].checked = GetU8(kk, qvkk::kModePr.offset) != 0;
  controls_["rcw"].checked = !controls_["rssb"].checked && !controls_["rFM"].checked && !controls_["rPR"].checked;
  for (const char* name : {"rcw", "rssb", "rFM", "rPR"}) controls_[name].caption = name + 1;
  controls_["rcw"].caption = "CW";
  controls_["rssb"].caption = "SSB";
  controls_["rPR"].caption = "PR";
}

void SetupModel::FillClassList() {
  loading_ = true;
  class_entries_.clear();
  for (const EntryClass& c : ctx_.definition->Classes)
    if (!c.Description.empty()) class_entries_.push_back(c.Description);
  const int stored = GetU8(Qvkk(), qvkk::kClassNumber.offset);
  controls_["eteilnahmeart"].enabled = stored == 0;
  chosen_class_ = -1;
  if (stored > 0 && stored <= static_cast<int>(class_entries_.size())) ChooseClass(stored - 1);
  loading_ = false;
  ApplyModeButtons();
}

void SetupModel::ShowQuestion() {
  const char code = ctx_.contest_code;
  ConstBytes kk = Qvkk();
  const std::int32_t extra = GetI32(kk, qvkk::kExtraNumber.offset);
  for (const char* group : {"groupZusatz", "GroupFrage", "GroupZusatz2", "groupzusatz3"}) controls_[group].visible = false;
  if (const Question* q = NumberQuestion(code)) {
    controls_["groupZusatz"].visible = true;
    controls_["eJahre"].caption = W(q->caption);
    controls_["eJahre"].max_length = q->max_length;
    controls_["eJahre"].text = extra == -1 ? Text(q->none_text) : (extra >= 0 ? Digits(extra) : Text());
    if (code == 'P') controls_["rPR"].caption = "DIGI";
  } else if (code == 'i') {
    controls_["groupZusatz"].visible = true;
    controls_["eJahre"].caption = W("Naval Club-Kürzel und Nr:");
    controls_["eJahre"].max_length = 6;
    controls_["eJahre"].text = GetText(kk, qvkk::kClubMemberText);
  } else if (code == 'U' || code == 'Z') {
    controls_["GroupFrage"].visible = true;
    controls_["GroupFrage"].caption = code == 'U' ? "Distrikt" : "IPARC";
    controls_["eHMja"].caption = code == 'U' ? "Teilnehmer aus Distrikt U?" : "IPARC-Mitglied ?";
    const bool yes = GetU8(kk, qvkk::kQuestionAnswer.offset) != 0;
    controls_["eHMja"].checked = yes;
    controls_["eHMnein"].checked = !yes;
    if (code == 'U') EvaluateDistrictU();
  } else if (code == 'Y') {
    controls_["GroupZusatz2"].visible = true;
    for (int i = 0; i < 3; ++i) controls_["rZusatz2" + std::to_string(i + 1)].checked = extra == i;
  } else if (code == 'b' || code == 'j') {
    controls_["groupzusatz3"].visible = true;
    controls_["checkboxgroupzusatz3"].visible = controls_["checkboxgroupzusatz3_2"].visible = code == 'b';
    controls_["checkboxgroupzusatz3"].checked = extra == 2;
    controls_["checkboxgroupzusatz3_2"].checked = extra == 3;
    if (code == 'j') {
      controls_["eaktrsts"].visible = controls_["eaktrstr"].visible = false;
      controls_["eaktrsts"].checked = controls_["eaktrstr"].checked = false;
      controls_["crstsnichtsperren"].visible = false;
      controls_["crstsnichtsperren"].checked = true;
    }
  }
}

void SetupModel::EvaluateDistrictU() {
  const Text dok = controls_["eDOK"].text;
  bool yes = !dok.empty() && dok[0] == 'U';
  for (const char* d : {"Z16", "Z44", "Z64", "Z76", "BBT", "DB0"}) yes = yes || dok == d;
  controls_["eHMja"].checked = yes;
  controls_["eHMnein"].checked = !yes;
}

void SetupModel::ApplyModeButtons() {
  const ContestDefinition& d = *ctx_.definition;
  controls_["rcw"].enabled = d.HasMode("CW");
  controls_["rssb"].enabled = d.HasMode("SSB");
  controls_["rFM"].enabled = d.HasMode("FM");
  controls_["rPR"].enabled = d.HasMode("PR") || d.HasMode("DIGITAL") || d.HasMode("FSK441");
  if (d.HasMode("DIGITAL")) controls_["rPR"].caption = "DIGI";
  if (d.HasMode("FSK441")) controls_["rPR"].caption = "FSK441";
  bool any = false;
  for (const char* name : {"rcw", "rssb", "rFM", "rPR"}) {
    if (!controls_[name].enabled) controls_[name].checked = false;
    any = any || controls_[name].checked;
  }
  // No start mode stored means CW: shown checked again once CW is offered
  // (a definition without a class yet offers none), else the first offered.
  if (!any) {
    for (const char* name : {"rcw", "rssb", "rFM", "rPR"}) {
      if (!controls_[name].enabled) continue;
      controls_[name].checked = true;
      break;
    }
  }
}

void SetupModel::PresetPeriod() {
  if (chosen_class_ < 0) return;
  const ContestDefinition& d = *ctx_.definition;
  const int period = d.Classes[static_cast<std::size_t>(chosen_class_)].Period;
  if (period <= 0 || period > 10) return;
  const ScheduleEntry& e = d.BandSchedule[static_cast<std::size_t>(period - 1)];
  const std::uint8_t manual = GetU8(Qvkk(), qvkk::kManualTimes.offset);
  const Text values[4] = {e.DateFrom, e.DateTo.empty() ? e.DateFrom : e.DateTo, e.TimeFrom, e.TimeTo};
  for (int i = 0; i < 4; ++i) {
    if (manual & kManualBits[i]) continue;
    const std::int32_t v = i < 2 ? DefinitionDate(values[i]) : DefinitionTime(values[i]);
    controls_[kDateFields[i]].text = i < 2 ? ShowDate(v) : ShowTime(v);
  }
}

void SetupModel::ChooseClass(int index) {
  if (index < 0 || index >= static_cast<int>(class_entries_.size())) return;
  chosen_class_ = index;
  if (!loading_) Save(SaveTrigger::kSilent);
  controls_["eteilnahmeart"].invalid = false;
  PutU8(Qvkk(), qvkk::kClassNumber.offset, static_cast<std::uint8_t>(index + 1));
  RebuildDefinition();
  if (!loading_) {
    // The definition follows the class; the stored class only after a save.
  }
  ApplyModeButtons();
  PresetPeriod();
}

void SetupModel::SetText(const std::string& name, std::string_view text) {
  SetupControl& c = controls_[name];
  c.text = Text(text);
  c.invalid = false;
  if (name == "eDOK" && ctx_.contest_code == 'U') {
    PutText(Qvkk(), qvkk::kOwnDok, Cut(c.text, 13));
    EvaluateDistrictU();
  }
}

void SetupModel::Check(const std::string& name, bool checked) {
  controls_[name].checked = checked;
  // Only the group of the button checked gives up its other choice.
  auto exclusive = [&](std::initializer_list<const char*> group) {
    if (!checked || std::find(group.begin(), group.end(), name) == group.end()) return;
    for (const char* other : group)
      if (name != other) controls_[other].checked = false;
  };
  exclusive({"rcw", "rssb", "rFM", "rPR"});
  exclusive({"rZeitOrt", "rZeitUTC"});
  exclusive({"eHMja", "eHMnein"});
  exclusive({"rZusatz21", "rZusatz22", "rZusatz23"});
}

void SetupModel::EnterField(const std::string& name) { remembered_[name] = controls_[name].text; }

void SetupModel::LeaveField(const std::string& name) {
  for (int i = 0; i < 4; ++i) {
    if (name != kDateFields[i]) continue;
    SetupControl& c = controls_[name];
    c.text = i < 2 ? CompleteDate(c.text, TodayYear()) : CompleteTime(c.text);
    auto it = remembered_.find(name);
    if (it != remembered_.end() && it->second != c.text) {
      Bytes kk = Qvkk();
      PutU8(kk, qvkk::kManualTimes.offset, GetU8(kk, qvkk::kManualTimes.offset) | kManualBits[i]);
    }
    return;
  }
  // Codes 7 and f: the member number of the own call from the suite's call list.
  if (name == "eCall" && (ctx_.contest_code == '7' || ctx_.contest_code == 'f') &&
      controls_["eJahre"].text == "0" && ctx_.files) {
    if (store::FileBlock* list = ctx_.files->OpenSuiteFile(SuiteFile::kCallList)) {
      if (ctx_.fm->FindKey(list, 1, PadRight(AsciiUpper(controls_["eCall"].text), 10)) == 0) {
        ConstBytes r = ctx_.fm->RecordBuffer(list);
        const Text number =
            GetText(r, ctx_.contest_code == '7' ? call_list::kDigNumber : call_list::kAgcwNumber);
        if (!number.empty()) controls_["eJahre"].text = number;
      }
      ctx_.files->CloseSuiteFile(SuiteFile::kCallList);
    }
  }
}

bool SetupModel::Stop(const std::string& name, std::string_view message, SaveTrigger trigger) {
  if (trigger == SaveTrigger::kSilent) return true;  // a silent save goes on
  ctx_.port->Inform(message);
  controls_[name].invalid = true;
  focus_ = name;
  return false;
}

bool SetupModel::Ask(std::string_view question) { return ctx_.port->AskYesNo(question); }

// The save in its steps, in the order the dialog checks its fields; a
// step that stops the save returns false.
bool SetupModel::Save(SaveTrigger trigger) {
  if (!SaveNameAndPlace(trigger) || !SaveCallAndDok(trigger) || !SaveLocatorAndSwl(trigger) ||
      !SaveContestPeriod(trigger) || !SaveClockChoice(trigger))
    return false;
  SaveEntryOptions();
  if (!SaveEntryClass(trigger)) return false;
  SaveOperatorAndModes();
  SaveStationAddress(trigger);
  if (!SaveContestQuestion(trigger)) return false;
  SaveLogOptions();
  switch (StoreRecords(trigger)) {
    case Stored::kStopped: return false;
    case Stored::kBuffersOnly: break;
    case Stored::kRecords: WriteStationDescription(); break;
  }
  RebuildDefinition();
  return true;
}

const Text& SetupModel::Typed(const char* control) { return controls_[control].text; }

bool SetupModel::SaveNameAndPlace(SaveTrigger trigger) {
  Bytes kk = Qvkk();
  const ContestDefinition& d = *ctx_.definition;
  auto text = [&](const char* name) { return Typed(name); };
  PutText(kk, qvkk::kLogName, Cut(text("eName"), 25));
  if (text("eName").empty() && !Stop("eName", W("Eingabe eines Contest-Namens notwendig."), trigger)) return false;
  if (text("ePLZ").empty() && !Stop("ePLZ", W("Angabe der Postleitzahl und des Ortes notwendig."), trigger))
    return false;
  const bool sends_locator = d.SentKind1 == kLocator4 || d.SentKind1 == kLocator6 || d.SentKind2 == kLocator4 ||
                             d.SentKind2 == kLocator6;
  if (sends_locator && text("eLoc").empty() &&
      !Stop("eLoc", W("Angabe des Standortlocators notwendig."), trigger))
    return false;
  return true;
}

bool SetupModel::SaveCallAndDok(SaveTrigger trigger) {
  Bytes kk = Qvkk();
  StationSettings& st = *ctx_.station;
  const ContestDefinition& d = *ctx_.definition;
  const bool button = trigger != SaveTrigger::kSilent;
  auto text = [&](const char* name) { return Typed(name); };
  PutText(kk, qvkk::kOwnCall, Cut(text("eCall"), 12));
  st.own_call = Cut(text("eCall"), 12);
  if (DokIsLdk())
    PutText(kk, qvkk::kOwnLdk, Cut(text("eDOK"), 3));
  else
    PutText(kk, qvkk::kOwnDok, Cut(text("eDOK"), 13));
  if (button) {
    const bool dok_asked = d.MultiplierKinds.test(4) && !d.MultiplierKinds.test(8) && !d.MultiplierKinds.test(17);
    if (!DokIsLdk() && dok_asked && GetText(kk, qvkk::kOwnDok).empty() && !after_logging_ &&
        !Ask("Kein DOK angegeben. Trotzdem weiter?")) {
      focus_ = "eDOK";
      return false;
    }
    if (DokIsLdk() && GetText(kk, qvkk::kOwnLdk).empty() && !Ask("Kein LDK angegeben. Trotzdem weiter?")) {
      focus_ = "eDOK";
      return false;
    }
  }
  return true;
}

bool SetupModel::SaveLocatorAndSwl(SaveTrigger trigger) {
  StationSettings& st = *ctx_.station;
  auto text = [&](const char* name) { return Typed(name); };
  st.own_locator = Cut(AsciiUpper(text("eLoc")), 6);
  st.swl_number = Cut(text("eSWL"), 20);
  if (st.own_call.empty() && st.swl_number.empty() && !Stop("eCall", W("Eingabe des Rufzeichens notwendig."), trigger))
    return false;
  return true;
}

bool SetupModel::SaveContestPeriod(SaveTrigger trigger) {
  Bytes kk = Qvkk();
  auto text = [&](const char* name) { return Typed(name); };
  for (int i = 0; i < 4; ++i) {
    SetupControl& c = controls_[kDateFields[i]];
    c.text = i < 2 ? CompleteDate(c.text, TodayYear()) : CompleteTime(c.text);
  }
  const auto from = ParseDate(text("eDatumvon"), DateForm::kDdMmYyyy, TodayYear());
  const auto to = ParseDate(text("eDatumbis"), DateForm::kDdMmYyyy, TodayYear());
  const auto tfrom = ParseTime(text("eZeitvon"), TimeForm::kHhMm);
  const auto tto = ParseTime(text("eZeitbis"), TimeForm::kHhMm);
  PutI32(kk, qvkk::kDateFrom.offset, from ? *from : 0);
  PutI32(kk, qvkk::kDateTo.offset, to ? *to : 0);
  PutI32(kk, qvkk::kTimeFrom.offset, tfrom ? *tfrom : 0);
  PutI32(kk, qvkk::kTimeTo.offset, tto ? *tto : 0);
  if (!from && !Stop("eDatumvon", W("Eingabe eines Contest-Datums notwendig."), trigger)) return false;
  if (!to && !Stop("eDatumbis", W("Eingabe eines Contest-Datums notwendig."), trigger)) return false;
  return true;
}

bool SetupModel::SaveClockChoice(SaveTrigger trigger) {
  if (controls_["rZeitOrt"].visible && controls_["rZeitUTC"].visible && !controls_["rZeitOrt"].checked &&
      !controls_["rZeitUTC"].checked &&
      !Stop("grouputc", W("Es wurde nicht bestimmt, ob der Computer mit Ortszeit läuft."), trigger))
    return false;
  return true;
}

void SetupModel::SaveEntryOptions() {
  Bytes kk = Qvkk();
  auto text = [&](const char* name) { return Typed(name); };
  PutU8(kk, qvkk::kMarkerD.offset, 'D');
  PutU8(kk, qvkk::kAutoTime.offset, controls_["ezeitauto"].checked ? 255 : 0);
  PutU8(kk, qvkk::kAutoDate.offset, controls_["edatumauto"].checked ? 255 : 0);
  PutU8(kk, qvkk::kAutoBand.offset, controls_["eBandauto"].checked ? 255 : 0);
  PutU8(kk, qvkk::kRstRcvdFree.offset, controls_["eaktrstr"].checked ? 0 : 255);
  PutU8(kk, qvkk::kRstSentFree.offset, controls_["eaktrsts"].checked ? 0 : 255);
  PutU8(kk, qvkk::kQslSentDefault.offset, text("eQSLw").empty() ? 0 : static_cast<std::uint8_t>(text("eQSLw")[0]));
  PutU8(kk, qvkk::kQslRcvdDefault.offset, text("eqslr").empty() ? 0 : static_cast<std::uint8_t>(text("eqslr")[0]));
}

bool SetupModel::SaveEntryClass(SaveTrigger trigger) {
  Bytes kk = Qvkk();
  if (controls_["eteilnahmeart"].enabled) {
    if (chosen_class_ < 0) {
      if (!Stop("eteilnahmeart", W("Sie haben keine Teilnahmeart angegeben."), trigger)) return false;
    } else {
      PutU8(kk, qvkk::kClassNumber.offset, static_cast<std::uint8_t>(chosen_class_ + 1));
    }
  }
  return true;
}

void SetupModel::SaveOperatorAndModes() {
  Bytes kk = Qvkk();
  StationSettings& st = *ctx_.station;
  const ContestDefinition& d = *ctx_.definition;
  auto text = [&](const char* name) { return Typed(name); };
  st.name = Cut(text("ecname"), 50);
  st.utc_offset = controls_["rZeitUTC"].checked ? 0 : d.UtcOffsetHours;
  PutU8(kk, qvkk::kModeSsb.offset, controls_["rssb"].checked ? 255 : 0);
  PutU8(kk, qvkk::kModeFm.offset, controls_["rFM"].checked ? 255 : 0);
  PutU8(kk, qvkk::kModePr.offset, controls_["rPR"].checked ? 255 : 0);
}

// The station's address goes into its settings record at once.
void SetupModel::SaveStationAddress(SaveTrigger trigger) {
  Bytes kk = Qvkk();
  StationSettings& st = *ctx_.station;
  auto text = [&](const char* name) { return Typed(name); };
  st.SetPostcodeAndTown(text("ePLZ"), text("eOrt"));
  st.street = Cut(text("eStrasse"), 50);
  st.country = Cut(text("eLand"), 50);
  st.dok = Cut(text("eDOK"), 10);
  PutText(kk, qvkk::kOwnPostcode, Cut(st.Postcode().empty() ? text("ePLZ") : st.Postcode(), 5));
  if (ctx_.files) SaveStationSettings(*ctx_.files, ctx_.clock->NowUtc().day, st);
  if (trigger == SaveTrigger::kPrintMenu && (st.name.empty() || st.street.empty() || st.Town().empty()))
    ctx_.port->Inform(W("Die Adress-Angaben sind nicht vollständig."));
}

// The contest's own question (age, member number, IPARC, group, station).
bool SetupModel::SaveContestQuestion(SaveTrigger trigger) {
  Bytes kk = Qvkk();
  const bool button = trigger != SaveTrigger::kSilent;
  auto text = [&](const char* name) { return Typed(name); };
  const char code = ctx_.contest_code;
  if (const Question* q = NumberQuestion(code)) {
    const Text typed = TrimBlanks(text("eJahre"));
    if (typed.empty()) {
      if (q->empty_message && button) {
        ctx_.port->Inform(W(q->empty_message));
        if (q->stops) {
          controls_["eJahre"].invalid = true;
          focus_ = "eJahre";
          return false;
        }
      }
    } else if (typed == q->none_text) {
      PutI32(kk, qvkk::kExtraNumber.offset, -1);
    } else {
      bool digits = true;
      for (char c : typed) digits = digits && IsAsciiDigit(c);
      if (digits && typed.size() <= 9) PutI32(kk, qvkk::kExtraNumber.offset, std::stoi(typed));
    }
  } else if (code == 'i') {
    PutText(kk, qvkk::kClubMemberText, Cut(text("eJahre"), 6));
    if (text("eJahre").empty() && chosen_class_ != 5 && button)
      ctx_.port->Inform(W("Sie haben keine Angabe über die Naval-Mitgliedschaft getätigt."));
  } else if (code == 'U' || code == 'Z') {
    PutU8(kk, qvkk::kQuestionAnswer.offset, controls_["eHMja"].checked ? 1 : 0);
  } else if (code == 'Y') {
    for (int i = 0; i < 3; ++i)
      if (controls_["rZusatz2" + std::to_string(i + 1)].checked) PutI32(kk, qvkk::kExtraNumber.offset, i);
  } else if (code == 'b' || code == 'j') {
    if (code == 'b')
      PutI32(kk, qvkk::kExtraNumber.offset,
             controls_["checkboxgroupzusatz3_2"].checked ? 3 : (controls_["checkboxgroupzusatz3"].checked ? 2 : 0));
    if (text("memogroupzusatz3").empty() && button) {
      ctx_.port->Inform(W("Sie haben keine Angaben zur Station getätigt."));
      controls_["memogroupzusatz3"].invalid = true;
      focus_ = "memogroupzusatz3";
      return false;
    }
  }
  return true;
}

void SetupModel::SaveLogOptions() {
  Bytes kz = Qvkz();
  PutU8(kz, qvkz::kRstsNotLocked, controls_["crstsnichtsperren"].checked ? 255 : 0);
  PutU8(kz, qvkz::kEnterUnscoredDupes, controls_["cdoppelqso"].checked ? 255 : 0);
}

SetupModel::Stored SetupModel::StoreRecords(SaveTrigger trigger) {
  Bytes kk = Qvkk();
  Bytes kz = Qvkz();
  const bool button = trigger != SaveTrigger::kSilent;
  // A silent save of a log not yet created (the class change) only takes
  // the inputs into the buffers: the log comes into being when the operator
  // saves it, not when he picks a class and then cancels.
  if (!edit_mode_ && trigger == SaveTrigger::kSilent) return Stored::kBuffersOnly;
  bool stored = true;
  if (edit_mode_) {
    stored = ctx_.fm->PutRecord(ctx_.qvkk) == 0 && ctx_.fm->PutRecord(ctx_.qvkz) == 0;
  } else {
    stored = ctx_.fm->AddRecord(ctx_.qvkk) == 0;
    if (stored) {
      PutI32(kz, qvkz::kLogNumber.offset, GetI32(kk, qvkk::kLogNumber.offset));
      stored = ctx_.fm->AddRecord(ctx_.qvkz) == 0;
      // A log is created with both records or not at all: the next save adds them again.
      if (stored) {
        edit_mode_ = true;
      } else {
        const std::vector<std::uint8_t> typed(kk.begin(), kk.end());
        ctx_.fm->DeleteRecord(ctx_.qvkk);
        std::copy(typed.begin(), typed.end(), kk.begin());
      }
    }
  }
  if (!stored) {
    // Only a save the operator asked for speaks; a silent one is tried again later.
    if (button) ctx_.port->Inform(W("Fehler bei Dateneingabe. Datensatz evtl. schon vorhanden."));
    return Stored::kStopped;
  }
  return Stored::kRecords;
}

// The station description of codes b and j, beside the program.
void SetupModel::WriteStationDescription() {
  const char code = ctx_.contest_code;
  auto text = [&](const char* name) { return Typed(name); };
  Bytes kk = Qvkk();
  if ((code == 'b' || code == 'j') && !text("memogroupzusatz3").empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%6d.STN", code == 'b' ? "OQRP" : "mssprint",
                  GetI32(kk, qvkk::kLogNumber.offset));
    // Replaced in one step: a full disk or a crash keeps the description as it was.
    if (store::ReplaceFileContents(ctx_.fm->file_system(), ctx_.program_folder + name, text("memogroupzusatz3")) != 0)
      ctx_.port->Inform("Die Datei " + Text(name) + " konnte nicht geschrieben werden.");
  }
}

SetupResult SetupModel::Finish() { return Save(SaveTrigger::kButton) ? SetupResult::kClosed : SetupResult::kOpen; }
SetupResult SetupModel::StartContest() { return Save(SaveTrigger::kButton) ? SetupResult::kStart : SetupResult::kOpen; }
SetupResult SetupModel::Cancel() { return SetupResult::kClosed; }

SetupResult SetupModel::Escape() {
  if (Ask(W("Änderungen übernehmen?"))) return Finish();
  return SetupResult::kClosed;
}

std::vector<int> SetupModel::PrintMenu() {
  Save(SaveTrigger::kPrintMenu);
  std::vector<int> items;
  for (int i = 1; i <= 13; ++i)
    if (ctx_.definition->OutputItems.test(static_cast<std::size_t>(i))) items.push_back(i);
  return items;
}

SetupModel::Totals SetupModel::ComputeTotals() const {
  const ContestDefinition& d = *ctx_.definition;
  ConstBytes kk = Qvkk();
  ConstBytes kz = Qvkz();
  const StoredTotals stored = ReadStoredTotals(kk, kz);
  Totals t;
  for (int n = 1; n <= 7; ++n) {
    BandColumn& c = t.columns[static_cast<std::size_t>(n - 1)];
    const char band = d.Bands[static_cast<std::size_t>(n - 1)];
    c.visible = IsBandCode(band);
    c.band_name = c.visible ? BandName(band, false) : Text();
    c.multipliers_visible = d.MultiplierScope != 1;
    const SlotTotals s = stored.Slot(n);
    c.qsos = s.qsos, c.multipliers = s.multipliers, c.points = s.points;
  }
  const std::int64_t qsos = stored.sum.qsos, points = stored.sum.points;
  std::int64_t multipliers = stored.sum.multipliers;
  if (d.MultiplierScope == 1) multipliers = t.columns[0].multipliers;
  t.qsos = std::to_string(qsos) + " QSO";
  const bool has_multipliers = d.MultiplierKinds.any();
  if (!has_multipliers) {
    t.multipliers.clear();
  } else if (d.ScoreIsPointSum || d.ScorePerBandProduct) {
    const char* word = d.MultName1 == "PLZ" ? " PLZ" : (d.MultName1 == "Prefix" ? " Prefixe" : " Multi");
    t.multipliers = std::to_string(multipliers) + word;
  } else {
    t.multipliers = std::to_string(multipliers) + " Multi x";
  }
  if (d.ScorePerBandProduct) {
    t.points = std::to_string(points) + " Punkte";
    t.points_visible = false;
  } else if (has_multipliers) {
    t.points = std::to_string(points) + " Punkte =";
  }
  std::int64_t score;
  if (!has_multipliers || d.ScoreIsPointSum || d.ScorePerBandProduct)
    score = FinalScore(d, stored);
  else  // scope 1 counts the first band's multipliers only
    score = multipliers >= 1 ? multipliers * points : points;
  t.score = FormatPicture(score, "#########") + " Pkt.";
  if (ctx_.contest_code == '5' && d.MultName1 == "PLZ") {
    t.score_visible = false;
    t.first_multiplier_cell = "    0";
    t.points = std::to_string(points) + " Punkte";
  }
  return t;
}

}  // namespace vek
