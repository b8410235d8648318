#include "logging/entry_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "base/number_picture.h"
#include "catalogue/catalogue_records.h"
#include "logging/entry_session_internal.h"
#include "logging/qso_record.h"
#include "logging/stored_count.h"
#include "refdata/bands.h"
#include "refdata/call_book.h"
#include "refdata/call_sign.h"
#include "refdata/locator.h"
#include "refdata/modes.h"
#include "refdata/prefix_record.h"
#include "store/replacing_file.h"

namespace vek {

using namespace entry_detail;

namespace {

// Tab order of the entry panel.
constexpr F kTabOrder[] = {F::eCall,  F::eCall2, F::eRSTs1, F::eRSTs2, F::eRSTs3, F::eRSTs4,
                           F::eRSTr1, F::eRSTr2, F::eRSTr3, F::eRSTr4, F::eDatum, F::ezeit,
                           F::eFreq,  F::eName,  F::eQTH,   F::emode};

Text KindName(int kind, char code) {
  switch (kind) {
    case 7: case 11: case 13: return "lfd.Nr.";
    case 4: return "DOK";
    case 8: return "Area";
    case 17: return "LDK";
    case 5: case 6: return "LOC";
    case 12: return "US-State";
    case 15: return "PLZ";
    case 16: return code == '7' ? "DIG" : (code == 'f' ? "AGCW" : "QCWA");
    case 19: return code == 'i' ? "Naval" : "QCWA";
    default: return {};
  }
}

bool DokLike(std::string_view t, char code) {
  if (code == 'H') {
    return t.size() == 5 && t[0] >= 'A' && t[0] <= 'Z' && IsAsciiDigit(t[1]) && IsAsciiDigit(t[2]) &&
           t[3] >= 'A' && t[3] <= 'Z' && t[4] >= 'A' && t[4] <= 'Z';
  }
  if (t.size() < 2) return false;
  if (t.size() != 2) return true;
  static constexpr const char* kTwo[] = {"BN", "BS", "BY", "CW", "DC", "DN", "DW", "DX", "FA", "FM", "IM", "IW",
                                         "JK", "JL", "JR", "KA", "MF", "MH", "ND", "RP", "SD", "SH", "SQ", "WN",
                                         "XX", "YL"};
  for (const char* k : kTwo)
    if (t == k) return true;
  return t[1] == 'N' && t[0] >= '1' && t[0] <= '9';
}

const char* const kUsStates[] = {"AL", "AK", "AZ", "AR", "CA", "CO", "CT", "DE", "FL", "GA", "HI", "ID", "IL",
                                 "IN", "IA", "KS", "KY", "LA", "ME", "MD", "MA", "MI", "MN", "MS", "MO", "MT",
                                 "NE", "NV", "NH", "NJ", "NM", "NY", "NC", "ND", "OH", "OK", "OR", "PA", "RI",
                                 "SC", "SD", "TN", "TX", "UT", "VT", "VA", "WA", "WV", "WI", "WY", "DC"};

Text UsState(std::string_view t) {
  for (std::size_t i = 0; i + 2 <= t.size(); ++i)
    for (const char* s : kUsStates)
      if (t.substr(i, 2) == s) return s;
  return {};
}

// "#####,####": a comma or a point separates the decimals.
float ParseFrequency(std::string_view t) {
  Text s(TrimBlanks(t));
  std::replace(s.begin(), s.end(), ',', '.');
  if (s.empty()) return 0;
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  return end && *end == '\0' ? static_cast<float>(v) : 0;
}

Text ShowFrequency(float mhz) {
  if (mhz <= 0) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(mhz));
  Text t = buf;
  std::replace(t.begin(), t.end(), '.', ',');
  return t;
}


}  // namespace

const char* EntryFieldName(EntryFieldId id) {
  static constexpr const char* kNames[] = {"eCall",  "eCall2", "eRSTs1", "eRSTs2", "eRSTs3", "eRSTs4",
                                           "eRSTr1", "eRSTr2", "eRSTr3", "eRSTr4", "eDatum", "ezeit",
                                           "eFreq",  "eName",  "eQTH",   "emode"};
  return kNames[static_cast<std::size_t>(id)];
}

EntryLogSettings EntryLogSettings::From(ConstBytes kk, ConstBytes kz) {
  EntryLogSettings s;
  s.log_number = GetI32(kk, qvkk::kLogNumber.offset);
  s.log_name = GetText(kk, qvkk::kLogName);
  s.own_dok = GetText(kk, qvkk::kOwnDok);
  s.auto_date = GetU8(kk, qvkk::kAutoDate.offset) != 0;
  s.auto_time = GetU8(kk, qvkk::kAutoTime.offset) != 0;
  s.auto_band = GetU8(kk, qvkk::kAutoBand.offset) != 0;
  s.rst_sent_fixed = GetU8(kk, qvkk::kRstSentFree.offset) == 0;
  s.rst_rcvd_fixed = GetU8(kk, qvkk::kRstRcvdFree.offset) == 0;
  s.rsts_not_locked = !kz.empty() && GetU8(kz, qvkz::kRstsNotLocked) == 255;
  s.qsl_sent_default = static_cast<char>(GetU8(kk, qvkk::kQslSentDefault.offset));
  s.qsl_rcvd_default = static_cast<char>(GetU8(kk, qvkk::kQslRcvdDefault.offset));
  s.mode_ssb = GetU8(kk, qvkk::kModeSsb.offset) != 0;
  s.mode_fm = GetU8(kk, qvkk::kModeFm.offset) != 0;
  s.mode_pr = GetU8(kk, qvkk::kModePr.offset) != 0;
  s.class_number = GetU8(kk, qvkk::kClassNumber.offset);
  s.question_answer = GetU8(kk, qvkk::kQuestionAnswer.offset) != 0;
  s.TotalsInExtraRecord = GetU8(kk, qvkk::kTotalsInExtraRecord.offset) != 0;
  return s;
}

EntrySession::EntrySession(EntryContext ctx) : ctx_(std::move(ctx)) {}

EntrySession::~EntrySession() {
  if (log_) log_->CloseContestLog();
  ReleaseCallBook();
}

void EntrySession::ReleaseCallBook() {
  if (!call_book_held_) return;
  ctx_.files->CloseSuiteFile(SuiteFile::kCallBook);
  call_book_held_ = false;
}

Bytes EntrySession::Buffer() { return fm().RecordBuffer(log_->log()); }
ConstBytes EntrySession::record() const { return ctx_.files->fm().RecordBuffer(log_->log()); }

ScoringContext EntrySession::Scoring() const {
  ScoringContext s;
  s.code = ctx_.contest_code;
  s.definition = &ctx_.definition;
  s.own_dok = ctx_.log.own_dok;
  s.own_locator = ctx_.station.own_locator;
  s.class_number = ctx_.log.class_number;
  s.question_answer = ctx_.log.question_answer;
  store::FileManager* fm = &ctx_.files->fm();
  ContestLog* log = log_.get();
  // The first contact with the own DOK in key-18 order.
  s.first_with_own_dok = [fm, log](ConstBytes r) {
    store::KeepPosition keep(*fm, log->log());
    const std::int32_t entry = GetI32(r, qso::kEntryNo.offset);
    const store::Key k = PadRight(LoadRcvdDok(r), 8);
    if (fm->SearchKey(log->log(), 18, k) != 0 || log->log()->position_text() != k) return true;
    return entry != 0 && GetI32(fm->RecordBuffer(log->log()), qso::kEntryNo.offset) == entry;
  };
  // The first contact of its band in its field, by entry number.
  s.first_in_field = [fm, log](ConstBytes r) {
    const Text loc = Cut(GetText(r, qso::kLocator), 4);
    const std::int32_t entry = GetI32(r, qso::kEntryNo.offset);
    if (loc.size() < 4 || entry == 0) return false;
    store::KeepPosition keep(*fm, log->log());
    const store::Key prefix = std::string(1, static_cast<char>(GetU8(r, qso::kBand.offset))) + loc;
    for (int st = fm->SearchKey(log->log(), 23, prefix); st == 0; st = fm->NextKey(log->log(), 23)) {
      if (log->log()->position_text().compare(0, prefix.size(), prefix) != 0) break;
      const std::int32_t other = GetI32(fm->RecordBuffer(log->log()), qso::kEntryNo.offset);
      if (other < entry) return false;
    }
    return true;
  };
  return s;
}

std::array<std::size_t, 4> EntrySession::Widths(bool sent) const {
  return sent ? std::array<std::size_t, 4>{3, 10, 10, 10} : std::array<std::size_t, 4>{3, 21, 21, 21};
}

void EntrySession::SetUpFields() {
  const ContestDefinition& d = ctx_.definition;
  const EntryLogSettings& s = ctx_.log;
  auto set = [&](F id, const char* caption, std::size_t max, bool visible) {
    EntryField& f = Mut(id);
    f.caption = W(caption);
    f.max_length = max;
    f.visible = visible;
  };
  set(F::eCall, "Call", 14, true);
  set(F::eCall2, "Call 2", 14, d.SentFieldsShown != 0);
  set(F::eRSTs1, "RSTs", 3, !s.rst_sent_fixed);
  const std::int32_t sent_kinds[3] = {d.SentKind1, d.SentKind2, d.SentKind3};
  const std::int32_t rcvd_kinds[3] = {d.RcvdKind1, d.RcvdKind2, d.RcvdKind3};
  const Text* captions[3] = {&d.ExchCaption1, &d.ExchCaption2, &d.ExchCaption3};
  for (int i = 0; i < 3; ++i) {
    set(kSentRow[i + 1], "", 10, sent_kinds[i] != 0 && (d.SentFieldsShown || s.rsts_not_locked));
    const Text name = captions[i]->empty() ? KindName(rcvd_kinds[i], ctx_.contest_code) : *captions[i];
    set(kRcvdRow[i + 1], "", 21, rcvd_kinds[i] != 0);
    Mut(kRcvdRow[i + 1]).caption = "&" + std::to_string(i + 1) + " : " + name;
  }
  set(F::eRSTr1, d.SentFieldsShown ? "RSTs2" : "RSTr", 3, !s.rst_rcvd_fixed);
  set(F::eDatum, "Datum", 10, !s.auto_date);
  set(F::ezeit, "UTC", 14, !s.auto_time);
  set(F::eFreq, "Freq.", 10, false);
  set(F::eName, "Name", 25, false);
  set(F::eQTH, "QTH", 25, false);
  set(F::emode, "", 6, false);
  if (ctx_.contest_code == 'a') ToggleNameQth();
}

std::vector<char> EntrySession::Bands() const {
  std::vector<char> b;
  for (char c : ctx_.definition.Bands)
    if (c) b.push_back(c);
  return b;
}

std::vector<Text> EntrySession::Modes() const {
  std::vector<Text> m;
  for (const Text& t : ctx_.definition.Modes)
    if (!t.empty()) m.push_back(t);
  return m;
}

UtcInstant EntrySession::ClockNow() const {
  UtcInstant now = ctx_.clock->NowUtc();
  if (ctx_.station.utc_offset != 0) {
    // A computer on local time: its local clock, moved by the contest's offset.
    std::int64_t s = static_cast<std::int64_t>(now.second) + ctx_.local_offset_seconds +
                     static_cast<std::int64_t>(ctx_.definition.UtcOffsetHours) * 3600;
    while (s < 0) s += 86400, now.day -= 1;
    while (s >= 86400) s -= 86400, now.day += 1;
    now.second = static_cast<std::int32_t>(s);
  }
  return now;
}

bool EntrySession::ScheduleBand(char& wanted) const {
  const UtcInstant now = ClockNow();
  for (const ScheduleEntry& e : ctx_.definition.BandSchedule) {
    if (!e.IsPeriod()) continue;
    bool runs = !e.DateTo.empty() && e.DateTo != e.DateFrom;
    if (!runs) {
      const auto day = ParseDate(e.DateFrom, DateForm::kDdMmYyyy, 2000);
      const auto from = ParseTime(e.TimeFrom, TimeForm::kHhMmSs);
      const auto to = ParseTime(e.TimeTo, TimeForm::kHhMmSs);
      runs = day && from && to && *day == now.day && *from <= now.second && now.second < *to;
    }
    if (!runs) continue;
    wanted = e.Bands[0];
    for (char b : e.Bands)
      if (b && b == band_) wanted = band_;
    return wanted != 0;
  }
  return false;
}

bool EntrySession::Open(OpenFor purpose) {
  log_ = std::make_unique<ContestLog>(*ctx_.files, ctx_.log.log_number, ctx_.suffixes);
  if (!log_->OpenContestLog()) return false;
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  const bool window = purpose == OpenFor::kWindow;
  const ContestDefinition& d = ctx_.definition;
  band_ = d.Bands[0];
  if (ctx_.log.auto_band) {
    char wanted = 0;
    if (ScheduleBand(wanted)) band_ = wanted;
  }
  const std::vector<Text> modes = Modes();
  mode_ = modes.empty() ? Text() : modes.front();
  const EntryLogSettings& s = ctx_.log;
  if (s.mode_ssb && d.HasMode("SSB")) mode_ = "SSB";
  if (s.mode_fm && d.HasMode("FM")) mode_ = "FM";
  if (s.mode_pr && d.HasMode("PR")) mode_ = "PR";
  if (s.mode_pr && d.HasMode("FSK441")) mode_ = "FSK441";
  if (s.mode_pr && d.HasMode("DIGITAL")) mode_ = "DIGI";
  if (!s.mode_ssb && !s.mode_fm && !s.mode_pr && d.HasMode("CW")) mode_ = "CW";
  SetUpFields();
  Mut(F::emode).visible = d.HasMode("DIGITAL") && mode_ == "DIGI";
  // Renumbering when the log asks for it: an empty log, or marks missing on
  // the record with the highest first-column mark.
  bool renumber = m.RecordCount(fb) == 0;
  if (!renumber && m.LastKey(fb, 19) == 0) {
    ConstBytes r = m.RecordBuffer(fb);
    renumber = GetText(r, qso::kMultiMark1).empty() || GetText(r, qso::kMultiMark2).empty();
  }
  totals_ = std::make_unique<ContestTotals>(m, fb, Scoring());
  if (renumber) {
    log_->RenumberLog(d, *ctx_.port, totals_.get());
    fb = log_->log();
  }
  totals_->SetCurrent(band_, mode_);
  LoadStoredCount();
  if (window) {
    totals_->RecalculateTotals(true);
    // No band-change entry may carry a multiplier; the recount's walk found
    // those that do. The counts skip band-change entries anyway: a record
    // that cannot be rewritten now is left as it is, and the store has said why.
    for (std::int32_t entry : totals_->TakeBandChangesWithValues()) {
      if (m.FindKey(fb, 4, store::LongToKey(entry)) != 0) break;
      ClearBandChangeValues(m.RecordBuffer(fb));
      if (m.PutRecord(fb) != 0) break;
    }
  }
  prefixes_ = std::make_unique<PrefixLookup>(*ctx_.files, *ctx_.port, ctx_.clock->NowUtc().day);
  call_book_held_ = ctx_.files->OpenSuiteFile(SuiteFile::kCallBook) != nullptr;
  NewQso(0);
  return true;
}

void EntrySession::Close(Bytes qvkk, Bytes qvkz) {
  if (!log_) return;
  // A log that only got this session's contacts since its stored count is
  // counted from there: a command that adds one contact to a big log does
  // not walk all of it.
  if (!count_base_ || !totals_->RecountAfter(count_base_->image, count_base_->at))
    totals_->RecalculateTotals(true);
  totals_->StoreLogSummary(qvkk, qvkz, ctx_.log.TotalsInExtraRecord, *ctx_.port);
  log_->RenumberLog(ctx_.definition, *ctx_.port, totals_.get());
  StoreCount();
  if (qcwa_changed_) {
    Text out;
    for (const auto& [call, number] : qcwa_) out += call + ";" + number + "\r\n";
    // Replaced in one step: a full disk or a crash keeps the member list as it was.
    if (store::ReplaceFileContents(fm().file_system(), ctx_.program_folder + "qcwa.csv", out) != 0)
      ctx_.port->Inform("Die Datei qcwa.csv konnte nicht geschrieben werden.");
  }
  log_->CloseContestLog();
  log_.reset();
  ReleaseCallBook();
}

// Points that look at other contacts of the log (the first with the own
// DOK, the first in a field) may change for earlier contacts when one is
// added: such a count cannot be carried on.
bool EntrySession::CountMayBeStored() const {
  using P = contest_data::PointsRule;
  const P rule = PointsRuleOf(ctx_.contest_code);
  return ctx_.definition_inputs && rule != P::kFirstOwnDok && rule != P::kFirstOwnDokOrClass &&
         rule != P::kBandFactorAndFieldBonus;
}

// Everything besides the log's records that the count depends on.
std::string EntrySession::CountContext() const {
  const DefinitionInputs& in = *ctx_.definition_inputs;
  std::string c = VEK_PROGRAM_VERSION;
  const auto add = [&c](std::string_view part) {
    c += std::to_string(part.size()) + ':';
    c += part;
  };
  for (const Text& t : {in.OwnDok, in.OwnPostcode, in.OwnLdk, in.ClubMemberText, in.OwnLocator,
                        ctx_.log.own_dok, ctx_.station.own_locator})
    add(t);
  for (std::int64_t v :
       {std::int64_t{ctx_.contest_code}, std::int64_t{in.ContestCode}, std::int64_t{in.ClassNumber},
        std::int64_t{in.DateFrom}, std::int64_t{in.ExtraNumber}, std::int64_t{in.QuestionAnswer},
        std::int64_t{in.Today}, std::int64_t{ctx_.log.class_number}, std::int64_t{ctx_.log.question_answer},
        std::int64_t{log_->log()->record_length()}})
    add(std::to_string(v));
  return c;
}

void EntrySession::LoadStoredCount() {
  count_base_.reset();
  if (!CountMayBeStored()) return;
  const std::optional<store::FileManager::ChangeTally> now = fm().Changes(log_->log());
  if (!now) return;
  std::optional<std::string> image = StoredCount(fm(), log_->log()).Load(CountContext(), *now);
  if (image) count_base_ = CountBase{std::move(*image), *now};
}

// The count just taken, for the next session; only while the log is still
// what was counted (this process has at most made it durable since).
void EntrySession::StoreCount() {
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  StoredCount stored(m, fb);
  const std::optional<store::FileManager::ChangeTally> at = totals_->CountedAt();
  if (!CountMayBeStored() || !at || m.Flush(fb) != 0) return stored.Forget();
  const std::optional<store::FileManager::ChangeTally> now = m.Changes(fb);
  if (!now || store::FileManager::OnlyOwnAdds(*at, *now) != std::optional<std::uint64_t>(0) ||
      !stored.Save(CountContext(), *now, totals_->CountImage()))
    stored.Forget();
}

Text EntrySession::DefaultReport() const {
  if (ctx_.contest_code == 'j') return {};
  return mode_ == "CW" || field(F::emode).visible ? "599" : "59 ";
}

bool EntrySession::IsGermanCall() const {
  const Text base = CallSignPart(GetText(record(), qso::kCall), true, Suffixes());
  if (base.size() < 2 || base[0] != 'D') return false;
  const char c = base[1];
  return (c >= 'A' && c <= 'H') || (c >= 'J' && c <= 'R');
}

void EntrySession::NewQso(int correction) {
  const ContestDefinition& d = ctx_.definition;
  ++new_qsos_;
  correction_ = correction;
  from_history_ = {};
  freq_typed_ = false;
  if (correction == 0) {
    Mut(F::eRSTr2).visible = d.RcvdKind1 != 0;
    prefix_chosen_ = false;
  }
  totals_->WithdrawEntryMultipliers();
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  next_ = log_->NextRunningNumbers(band_, mode_);
  m.ClearRecord(fb);
  Bytes r = Buffer();
  PutI32(r, qso::kDate.offset, default_date_);
  PutI32(r, qso::kTime.offset, default_time_);
  PutText(r, qso::kMode, Cut(mode_, 6));
  PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(band_));
  PutU8(r, qso::kQslSent.offset, static_cast<std::uint8_t>(ctx_.log.qsl_sent_default));
  PutU8(r, qso::kQslRcvd.offset, static_cast<std::uint8_t>(ctx_.log.qsl_rcvd_default));
  qsl_sent_ = ctx_.log.qsl_sent_default;
  PutI32(r, qso::kSerialNo.offset, next_.serial);
  PutI32(r, qso::kBandNoA.offset, next_.band_a);
  PutI32(r, qso::kBandNoB.offset, next_.band_b);
  PutU16(r, qso::kModeNo.offset, static_cast<std::uint16_t>(next_.mode));
  previous_call_.clear();
  const Text report = DefaultReport();
  // The sent exchange: the contest's values, numbers where a hidden field
  // stands for a running number.
  const std::int32_t kinds[3] = {d.SentKind1, d.SentKind2, d.SentKind3};
  const Text values[3] = {d.SentValue1, d.SentValue2, d.SentValue3};
  Text items[3];
  sent_shows_serial_ = false;
  for (int i = 0; i < 3; ++i) {
    items[i] = values[i];
    if (d.SentFieldsShown || field(kSentRow[i + 1]).visible) continue;
    if (kinds[i] == 7) items[i] = ZeroPadded(next_.serial, 3), sent_shows_serial_ = true;
    if (kinds[i] == 13) items[i] = ZeroPadded(next_.band_a, 3);
    if (kinds[i] == 11) items[i] = ZeroPadded(next_.mode, 3);
  }
  Text exchange = items[0];
  if (!(ctx_.contest_code == 'J' && band_ != 'k' && band_ != 'l')) {
    if (!items[1].empty()) exchange += "/" + items[1];
    if (!items[2].empty()) exchange += "/" + items[2];
  }
  if (exchange.empty() && !d.SentFieldsShown && ctx_.contest_code != '7')
    exchange = ZeroPadded(next_.serial, 3), sent_shows_serial_ = true;
  if (d.SentFieldsShown) exchange.clear(), sent_shows_serial_ = false;
  StoreSentExchange(r, JoinExchange({report, exchange, "", ""}));
  StoreRcvdExchange(r, ctx_.contest_code == '9' && correction == 0 ? PadRight(report, 3) + "000" : report);
  if (GetI32(r, qso::kDate.offset) == 0) PutI32(r, qso::kDate.offset, -1);
  if (pending_band_ && pending_band_ != band_) {
    const char b = pending_band_;
    pending_band_ = 0;
    ChangeBand(b);
  }
  pending_band_ = 0;
  cached_name_.clear();
  cached_qth_.clear();
  if (last_freq_ > 0) PutF32(Buffer(), qso::kFreqMHz.offset, last_freq_);
  last_prefix_seen_.clear();
  RecordToForm();
  if (field(F::eCall).visible) focus_ = F::eCall;
}

void EntrySession::FormToRecord() {
  const ContestDefinition& d = ctx_.definition;
  Bytes r = Buffer();
  // 1. The call: blanks at its ends dropped, "-" and inner blanks become "/",
  // a closing "#" means portable.
  Text call = TrimBlanks(field(F::eCall).text);
  for (char& c : call)
    if (c == '-' || c == ' ') c = '/';
  if (!call.empty() && call.back() == '#') call = call.substr(0, call.size() - 1) + "/p";
  PutText(r, qso::kCall, Cut(call, 12));
  PutText(r, qso::kSecondCall, Cut(field(F::eCall2).text, 12));
  // 3. Date and time.
  const auto date = ParseDate(TrimBlanks(field(F::eDatum).text), DateForm::kDdMmYyyy, 2000);
  PutI32(r, qso::kDate.offset, date ? *date : -1);
  Text time = TrimBlanks(field(F::ezeit).text);
  if (time.size() == 5) time += ":00";
  const auto seconds = ParseTime(time, TimeForm::kHhMmSs);
  PutI32(r, qso::kTime.offset, seconds ? *seconds : -1);
  // 4. Name and QTH.
  const Text name = TrimBlanks(field(F::eName).text), qth = TrimBlanks(field(F::eQTH).text);
  if (!name.empty()) cached_name_ = Cut(name, 20);
  cached_qth_ = Cut(qth, 20);
  PutText(r, qso::kNameQth, Cut(name + ";" + qth, 30));
  PutF32(r, qso::kFreqMHz.offset, ParseFrequency(field(F::eFreq).text));
  // Unless the operator typed one, the contact was made where the rig is.
  if (!freq_typed_ && correction_ == 0 && rig_mhz_ > 0 && BandCodeOfFrequency(rig_mhz_) == band_)
    PutF32(r, qso::kFreqMHz.offset, static_cast<float>(rig_mhz_));
  // 6. Reports.
  const auto report = [&](Text rep) {
    rep = PadRight(rep, 3);
    if (mode_ == "CW" && rep[2] == ' ' && rep[1] != ' ') rep[2] = '9';
    if (mode_ == "SSB" || mode_ == "PR" || mode_ == "FM") rep[2] = ' ';
    return rep;
  };
  const F* sent_row = d.SentFieldsShown ? kRcvdRow : kSentRow;
  const F* rcvd_row = d.SentFieldsShown ? kSentRow : kRcvdRow;
  const auto row_text = [&](const F* row) {
    return JoinExchange({report(field(row[0]).text), field(row[1]).text, field(row[2]).text, field(row[3]).text});
  };
  StoreSentExchange(r, row_text(sent_row));
  StoreRcvdExchange(r, row_text(rcvd_row));
  // 7. The received items by their kinds.
  const std::int32_t kinds[3] = {d.RcvdKind1, d.RcvdKind2, d.RcvdKind3};
  for (int i = 0; i < 3; ++i) ApplyReceivedKind(kinds[i], TrimBlanks(field(rcvd_row[i + 1]).text), rcvd_row[i + 1]);
}

void EntrySession::ApplyReceivedKind(int kind, const Text& text, F id, bool always_report) {
  Bytes r = Buffer();
  const F other = static_cast<F>(static_cast<int>(id) < static_cast<int>(F::eRSTr1) ? static_cast<int>(id) + 4
                                                                                       : static_cast<int>(id) - 4);
  const bool focused = always_report || focus_ == id || (ctx_.definition.SentFieldsShown && focus_ == other);
  switch (kind) {
    case 4:
      if (!IsGermanCall() && ctx_.contest_code != 'B') return;
      if (!DokLike(text, ctx_.contest_code)) {
        StoreRcvdDok(r, "");
      } else if (text.size() == 3 && text[0] == 'J' && IsAsciiDigit(text[1])) {
        if (focused) ctx_.port->Inform("Fehler bei DOK-Angabe");
      } else {
        StoreRcvdDok(r, text);
      }
      return;
    case 5:
    case 6:
      if (IsLocatorValid(text)) {
        if (text.size() >= 4) {
          PutText(r, qso::kLocator, Cut(text, 6));
          Qrb q;
          PutI32(r, qso::kQrbKm.offset,
                 LocatorDistance(ctx_.station.own_locator, Cut(text, 6), q) ? StoredDistance(q.km) : 0);
        } else {
          // A locator shortened below a field no longer names one.
          PutText(r, qso::kLocator, "");
          PutI32(r, qso::kQrbKm.offset, 0);
        }
      } else {
        if (focused) ctx_.port->Inform("Fehler bei Locator-Angabe");
        PutI32(r, qso::kQrbKm.offset, 0);
      }
      return;
    case 8:
    case 17: StoreRcvdDok(r, text); return;
    case 12: PutText(r, qso::kDistrictCode, UsState(text)); return;
    case 15:
      if (text.size() >= 2 && text[0] != ' ' && text[1] != ' ') PutText(r, qso::kDistrictCode, text.substr(0, 2));
      return;
    case 16:
      if (!TrimBlanks(Cut(text, 4)).empty()) PutText(r, qso::kSecondCall, Cut(text, 4));
      return;
    case 19:
      if (!TrimBlanks(Cut(text, 6)).empty()) PutText(r, qso::kSecondCall, Cut(text, 6));
      return;
    default: return;
  }
}

void EntrySession::RecordToForm() {
  filling_ = true;
  ConstBytes r = record();
  Mut(F::eCall).text = GetText(r, qso::kCall);
  Mut(F::eCall2).text = GetText(r, qso::kSecondCall);
  const std::int32_t date = GetI32(r, qso::kDate.offset), time = GetI32(r, qso::kTime.offset);
  Mut(F::eDatum).text = date >= 1 ? FormatDate(date, DateForm::kDdMmYyyy) : Text();
  Mut(F::ezeit).text = time >= 0 ? FormatTime(time, TimeForm::kHhMmSs) : Text();
  const bool swap = ctx_.definition.SentFieldsShown != 0;
  const ExchangeItems sent = SplitExchange(LoadSentExchange(r), Widths(true));
  const ExchangeItems rcvd = SplitExchange(LoadRcvdExchange(r), Widths(false));
  const F* sent_row = swap ? kRcvdRow : kSentRow;
  const F* rcvd_row = swap ? kSentRow : kRcvdRow;
  const auto fill = [&](const F* row, const ExchangeItems& e) {
    Mut(row[0]).text = e.report;
    Mut(row[1]).text = e.item2;
    Mut(row[2]).text = e.item3;
    Mut(row[3]).text = e.item4;
  };
  fill(sent_row, sent);
  fill(rcvd_row, rcvd);
  const Text nq = GetText(r, qso::kNameQth);
  const auto semi = nq.find(';');
  Text name = nq.substr(0, semi), qth = semi == Text::npos ? Text() : nq.substr(semi + 1);
  Mut(F::eName).text = name.empty() ? cached_name_ : name;
  Mut(F::eQTH).text = qth.empty() ? cached_qth_ : qth;
  float freq = GetF32(r, qso::kFreqMHz.offset);
  if (freq > 0 && BandCodeOfFrequency(freq) != band_) freq = static_cast<float>(BandStartFrequency(Text(1, band_)));
  Mut(F::eFreq).text = ShowFrequency(freq);
  if (field(F::emode).visible) Mut(F::emode).text = mode_;
  filling_ = false;
}

Text EntrySession::SentLabel() const {
  const ExchangeItems e = SplitExchange(LoadSentExchange(record()), Widths(true));
  Text t = e.report + e.item2;
  if (!e.item3.empty()) t += "/" + e.item3;
  if (!e.item4.empty()) t += "/" + e.item4;
  return t;
}

Text EntrySession::DateLabel() const { return field(F::eDatum).text; }
Text EntrySession::TimeLabel() const { return field(F::ezeit).text; }

Text EntrySession::QslLabel() const {
  const char q = qsl_sent_;
  const bool no = q == 0 || q == ' ' || q == 'N' || q == 'n';
  if (ctx_.english) return no ? "QSL send: no" : "QSL send: yes";
  return no ? "&QSL senden: nein" : "&QSL senden: ja";
}

Text EntrySession::Caption() const {
  return ctx_.definition.EditionName + (ctx_.english ? " Logbook" : " Logbuch") + " (Contest : " +
         ctx_.log.log_name + " )";
}

void EntrySession::ToggleQslSent() {
  const char q = qsl_sent_;
  qsl_sent_ = (q == 'J' || q == 'S' || q == 'Y' || q == 'j' || q == 's' || q == 'y') ? 'N' : 'Y';
}

void EntrySession::ToggleNameQth() {
  names_shown_ = !names_shown_;
  for (F id : {F::eFreq, F::eName, F::eQTH}) Mut(id).visible = names_shown_;
}

void EntrySession::Type(F id, std::string_view text) {
  EntryField& f = Mut(id);
  Text t(text);
  if (id != F::eName && id != F::eQTH) t = Cp1252Upper(t);
  f.text = Cut(t, f.max_length);
  if (filling_) return;
  from_history_[static_cast<std::size_t>(id)] = false;
  if (id == F::eFreq) freq_typed_ = true;
  // The live update while typing.
  const bool item = (id >= F::eRSTs2 && id <= F::eRSTs4) || (id >= F::eRSTr2 && id <= F::eRSTr4);
  if (id == F::eCall) {
    FormToRecord();
    if (GetText(record(), qso::kCall).size() >= 2) EvaluateEntryMultipliers();
  } else if (item) {
    FormToRecord();
    EvaluateEntryMultipliers();
  } else if (id == F::eName && ctx_.contest_code == 'a') {
    Mut(F::eRSTr2).text = Cut(f.text, 21);
    FormToRecord();
  }
}

void EntrySession::TypeChar(char c) {
  const F id = focus_;
  EntryField& f = Mut(id);
  if (id == F::eCall && c == '#') {
    if (f.text.find("/p") == Text::npos && f.text.find("/P") == Text::npos) Type(id, f.text + "/p");
    Enter();
    return;
  }
  if (c == '0' && ctx_.slashed_zero && (id == F::eCall || id == F::eCall2 || id == F::emode)) c = '\xD8';
  if (c == ' ' && id >= F::eRSTr1 && id <= F::eRSTr4 && ctx_.contest_code != 'i') return;
  if (f.text.size() >= f.max_length) return;
  Type(id, f.text + c);
}

int EntrySession::LastReceivedShown() const {
  if (ctx_.definition.SentFieldsShown) return static_cast<int>(F::eRSTr1);
  for (F id : {F::eRSTr4, F::eRSTr3, F::eRSTr2})
    if (field(id).visible) return static_cast<int>(id);
  return -1;
}

F EntrySession::NextInTabOrder(F from) const {
  const std::size_t n = std::size(kTabOrder);
  std::size_t at = 0;
  while (at < n && kTabOrder[at] != from) ++at;
  for (std::size_t step = 1; step <= n; ++step) {
    const F next = kTabOrder[(at + step) % n];
    if (field(next).visible && field(next).enabled) return next;
  }
  return from;
}

void EntrySession::Focus(F id) {
  const F from = focus_;
  const int news = new_qsos_;
  enter_ = false;
  LeaveField(from);
  focus_ = new_qsos_ != news ? F::eCall : id;
}

void EntrySession::Enter() {
  const F from = focus_;
  F next;
  const bool time_shown = field(F::ezeit).visible;
  if (static_cast<int>(from) == LastReceivedShown() && !field(F::eFreq).visible && time_shown) {
    next = F::ezeit;
  } else if (from == F::eQTH && time_shown) {
    next = F::ezeit;
  } else if (from == F::ezeit && field(F::eDatum).visible) {
    next = F::eDatum;
  } else {
    next = NextInTabOrder(from);
  }
  const int news = new_qsos_;
  enter_ = true;
  LeaveField(from);
  enter_ = false;
  // A save or a refused duplicate started a new contact in the call field.
  focus_ = new_qsos_ != news ? F::eCall : next;
}

// The cleared entry gets the clock's date and time at once, as after a
// save: a contact typed within the second would otherwise have none.
void EntrySession::Escape() {
  NewQso(0);
  ClockTick();
}

void EntrySession::EvaluateEntryMultipliers() {
  Bytes r = Buffer();
  std::vector<std::uint8_t> copy(r.begin(), r.end());
  // Without a call the evaluation uses "DL0", so that a prefix is found.
  const bool no_call = GetText(copy, qso::kCall).empty();
  if (no_call) PutText(copy, qso::kCall, "DL0");
  totals_->EvaluateMultipliers(copy, true);
  if (no_call) PutText(copy, qso::kCall, "");
  std::copy(copy.begin(), copy.end(), Buffer().begin());
}

void EntrySession::LeaveField(F id) {
  FormToRecord();
  const ContestDefinition& d = ctx_.definition;
  const auto shown = [&](std::initializer_list<F> ids) {
    for (F f : ids)
      if (field(f).visible) return true;
    return false;
  };
  const auto save_if = [&](bool condition) {
    if (condition && enter_ && CanSave()) SaveQso();
  };
  if (id == F::eCall) {
    if (!CheckCallChange()) return;
    // The fields show what the check found (an earlier contact's name and QTH).
    RecordToForm();
    EvaluateEntryMultipliers();
    const Text call = GetText(record(), qso::kCall);
    if (call.size() >= 2 && IsGermanCall()) PrefillExchange();
    if (d.MultiplierKinds.test(8) || d.MultiplierKinds.test(17)) PrefillExchange();
    if (history_prefill_) PrefillFromHistory();
    save_if(!d.SentFieldsShown && !shown({F::eQTH, F::eRSTr1, F::eRSTr2, F::eRSTr3, F::eRSTr4, F::ezeit}));
  } else if (id == F::eRSTr2) {
    EvaluateEntryMultipliers();
    save_if(!shown({F::eQTH, F::eRSTr3, F::eRSTr4, F::ezeit}));
  } else if (id == F::eRSTr3) {
    EvaluateEntryMultipliers();
    save_if(!shown({F::eQTH, F::eRSTr4, F::ezeit}));
  } else if (id == F::eRSTr4) {
    EvaluateEntryMultipliers();
    save_if(!shown({F::eQTH, F::ezeit}));
  } else if (id == F::ezeit || id == F::eQTH) {
    save_if(true);
  } else if (id == F::eFreq) {
    const double typed = ParseFrequency(field(F::eFreq).text);
    if (typed > 0) {
      const double mhz = NormaliseFrequency(typed);
      const char b = BandCodeOfFrequency(mhz);
      if (IsBandCode(b)) {
        PutF32(Buffer(), qso::kFreqMHz.offset, static_cast<float>(mhz));
        if (b != band_) ChangeBand(b);
      } else {
        PutF32(Buffer(), qso::kFreqMHz.offset, static_cast<float>(BandStartFrequency(Text(1, band_))));
      }
    }
  }
  RecordToForm();
}

void EntrySession::SaveQso() {
  FormToRecord();
  Bytes r = Buffer();
  default_date_ = GetI32(r, qso::kDate.offset);
  default_time_ = GetI32(r, qso::kTime.offset);
  last_freq_ = GetF32(r, qso::kFreqMHz.offset);
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  // The points go in with the add: one durable write per contact.
  const int points = QsoPoints(r, totals_->context());
  PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(points));
  if (correction_ == 0) {
    // Another program may have logged into this log since the entry was
    // cleared: the running numbers are taken anew just before the add.
    RunningNumbers now = log_->NextRunningNumbers(band_, mode_);
    TakeSerial(r, now.serial);
    next_ = now;
    PutI32(r, qso::kSerialNo.offset, next_.serial);
    PutI32(r, qso::kBandNoA.offset, next_.band_a);
    PutI32(r, qso::kBandNoB.offset, next_.band_b);
    PutU16(r, qso::kModeNo.offset, static_cast<std::uint16_t>(next_.mode));
    PutU8(r, qso::kQslSent.offset, static_cast<std::uint8_t>(qsl_sent_));
  }
  // A write refused by a lock is tried again with the time one second later.
  int status = correction_ == 0 ? m.AddRecord(fb) : m.PutRecord(fb);
  for (int retry = 0; status != 0 && retry < 10 && !m.stopped(); ++retry) {
    r = Buffer();
    PutI32(r, qso::kTime.offset, GetI32(r, qso::kTime.offset) + 1);
    status = correction_ == 0 ? m.AddRecord(fb) : m.PutRecord(fb);
  }
  if (status != 0) return;  // the store has reported it; the entry stays as typed
  r = Buffer();
  if (correction_ == 0 && !SettleSerial()) return;
  r = Buffer();
  if (!IsBandChangeEntry(r)) totals_->AddSavedContact(r, points);
  totals_->KeepEntryMultipliers();
  last_saved_.assign(r.begin(), r.end());
  if (known_ && !IsBandChangeEntry(r)) known_->NoteSaved(r);
  UpdateCallBook();
  ++saves_;
  NewQso(0);
  ClockTick();
}

// The contact gets the sent serial `serial`; the sent exchange made with
// next_.serial shows it too.
void EntrySession::TakeSerial(Bytes record, std::int32_t serial) {
  if (serial == next_.serial) return;
  PutI32(record, qso::kSerialNo.offset, serial);
  const std::int32_t old = next_.serial;
  next_.serial = serial;
  if (!sent_shows_serial_) return;
  const Text text = LoadSentExchange(record);
  const Text old_number = ZeroPadded(old, 3);
  for (std::size_t at = 3; at <= text.size();) {
    const std::size_t end = std::min(text.find('/', at), text.size());
    if (text.compare(at, end - at, old_number) == 0) {
      StoreSentExchange(record, Cut(text.substr(0, at) + ZeroPadded(serial, 3) + text.substr(end), 20));
      return;
    }
    at = end + 1;
  }
}

// Two programs logging into one log in the same moment may both have given
// the next serial. The contact that comes first in the serial index keeps
// it; the other moves on to the next free number (and checks again, as
// another may be moving at the same moment).
bool EntrySession::SettleSerial() {
  store::FileManager& m = fm();
  store::FileBlock* fb = log_->log();
  for (int round = 0; round < 20; ++round) {
    const std::int32_t mine = fb->current_record();
    std::int32_t first = mine, highest = 0;
    {
      store::KeepPosition keep(m, fb);
      if (m.FindKey(fb, 13, store::LongToKey(GetI32(Buffer(), qso::kSerialNo.offset))) == 0)
        first = fb->current_record();
      if (first != mine && m.LastKey(fb, 13) == 0) highest = GetI32(m.RecordBuffer(fb), qso::kSerialNo.offset);
    }
    if (first == mine) return true;
    TakeSerial(Buffer(), highest + 1);
    if (m.PutRecord(fb) != 0) return false;
  }
  return true;
}

void EntrySession::ClockTick() {
  const UtcInstant now = ClockNow();
  if (ctx_.log.auto_band) {
    char wanted = 0;
    if (ScheduleBand(wanted) && wanted != band_) {
      FormToRecord();
      // Never under the operator's hands: only while no call is typed.
      if (field(F::eCall).text.empty()) ChangeBand(wanted);
      RecordToForm();
    }
  }
  Bytes r = Buffer();
  if (ctx_.log.auto_date) {
    PutI32(r, qso::kDate.offset, now.day);
    Mut(F::eDatum).text = FormatDate(now.day, DateForm::kDdMmYyyy);
  }
  if (ctx_.log.auto_time) {
    PutI32(r, qso::kTime.offset, now.second);
    Mut(F::ezeit).text = FormatTime(now.second, TimeForm::kHhMmSs);
  }
}

void EntrySession::ChangeBand(char band) {
  if (!ctx_.definition.HasBand(band)) return;
  std::vector<std::uint8_t> copy(Buffer().begin(), Buffer().end());
  totals_->WithdrawEntryMultipliers();
  band_ = band;
  totals_->SetCurrent(band_, mode_);
  totals_->RecalculateTotals(false);
  const RunningNumbers n = log_->NextRunningNumbers(band_, mode_);
  next_.band_a = n.band_a;
  next_.band_b = n.band_b;
  PutU8(copy, qso::kBand.offset, static_cast<std::uint8_t>(band_));
  PutI32(copy, qso::kBandNoA.offset, n.band_a);
  PutI32(copy, qso::kBandNoB.offset, n.band_b);
  last_freq_ = 0;
  PutF32(copy, qso::kFreqMHz.offset, 0);
  fm().ClearRecord(log_->log());
  std::copy(copy.begin(), copy.end(), Buffer().begin());
  if (!GetText(copy, qso::kCall).empty()) EvaluateEntryMultipliers();
}

void EntrySession::ChangeMode(std::string_view mode) {
  const ContestDefinition& d = ctx_.definition;
  std::vector<std::uint8_t> copy(Buffer().begin(), Buffer().end());
  totals_->WithdrawEntryMultipliers();
  mode_ = Cut(mode == "DIGITAL" ? "DIGI" : mode, 6);
  Mut(F::emode).visible = mode == "DIGITAL" || mode_ == "DIGI";
  if (field(F::emode).visible) Mut(F::emode).text = mode_;
  totals_->SetCurrent(band_, mode_);
  totals_->RecalculateTotals(false);
  next_.mode = log_->NextRunningNumbers(band_, mode_).mode;
  PutText(copy, qso::kMode, mode_);
  PutU16(copy, qso::kModeNo.offset, static_cast<std::uint16_t>(next_.mode));
  last_freq_ = 0;
  if (d.SentKind1 == 11 && !d.SentFieldsShown) {
    const Text report = DefaultReport();
    Text items[3] = {d.SentValue1, d.SentValue2, d.SentValue3};
    const std::int32_t kinds[3] = {d.SentKind1, d.SentKind2, d.SentKind3};
    for (int i = 0; i < 3; ++i)
      if (kinds[i] == 11) items[i] = ZeroPadded(next_.mode, 3);
    Text exchange = items[0];
    if (!items[1].empty()) exchange += "/" + items[1];
    if (!items[2].empty()) exchange += "/" + items[2];
    StoreSentExchange(copy, JoinExchange({report, exchange, "", ""}));
    StoreRcvdExchange(copy, report);
  }
  if (ctx_.contest_code != 'j') {
    // The fixed reports follow the new mode.
    const Text report = PadRight(DefaultReport(), 3);
    if (!field(F::eRSTs1).visible) {
      Text s = LoadSentExchange(copy);
      s.replace(0, std::min<std::size_t>(3, s.size()), report);
      StoreSentExchange(copy, s);
    }
    if (!field(F::eRSTr1).visible) {
      Text s = LoadRcvdExchange(copy);
      s.replace(0, std::min<std::size_t>(3, s.size()), report);
      StoreRcvdExchange(copy, s);
    }
  }
  fm().ClearRecord(log_->log());
  std::copy(copy.begin(), copy.end(), Buffer().begin());
  RecordToForm();
  if (!GetText(copy, qso::kCall).empty()) EvaluateEntryMultipliers();
}

bool EntrySession::BandKey() {
  const std::vector<char> bands = Bands();
  if (bands.size() != 2) return false;
  FormToRecord();
  ChangeBand(bands[0] == band_ ? bands[1] : bands[0]);
  RecordToForm();
  return true;
}

bool EntrySession::ModeKey() {
  const std::vector<Text> modes = Modes();
  if (modes.size() != 2) return false;
  FormToRecord();
  ChangeMode(modes[0] == mode_ ? modes[1] : modes[0]);
  return true;
}

EntrySession::Batch::Batch(EntrySession& session) : fm_(session.fm()) {
  store::FileBlock* book = session.call_book_held_ ? session.ctx_.files->OpenSuiteFile(SuiteFile::kCallBook) : nullptr;
  for (store::FileBlock* fb : {session.log_block(), book}) {
    if (!fb) continue;
    blocks_.emplace_back(fb, fb->flush_after_write());
    fm_.SetFlushAfterWrite(fb, false);
  }
  if (book) call_book_owner_ = session.ctx_.files;
}

EntrySession::Batch::~Batch() {
  for (const auto& [fb, flush] : blocks_) {
    fm_.SetFlushAfterWrite(fb, flush);
    if (flush) fm_.Flush(fb);
  }
  if (call_book_owner_) call_book_owner_->CloseSuiteFile(SuiteFile::kCallBook);
}

}  // namespace vek
