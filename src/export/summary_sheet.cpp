#include "export/summary_sheet.h"

#include <cstdio>
#include <map>
#include <set>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "base/number_picture.h"
#include "export/log_walk.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"

namespace vek {
namespace {

Text N7(std::int64_t v) { return FormatNumber(v, 7); }
Text N(std::int64_t v) { return std::to_string(v); }
const Text kTen(10, ' ');

// The counts contest h takes from its log instead of the stored columns.
struct HCounts {
  std::map<char, std::array<std::int64_t, 3>> per_band;  // DOK, S-DOK, district
  std::array<std::int64_t, 3> sum{};
  Text districts, doks, sdoks, locators, special_calls;
};

// The counts contest i shows per band.
struct ICounts {
  std::map<char, std::array<std::int64_t, 3>> per_band;  // contacts, points, first-column marks
  std::array<std::int64_t, 3> sum{};
};

class Sheet {
 public:
  Sheet(const ExportInputs& in, store::FileBlock* log, LineSink& out)
      : in_(in),
        d_(in.definition),
        fm_(in.files->fm()),
        log_(log),
        out_(out),
        en_(in.english),
        code_(in.contest_code),
        totals_(in.Totals()) {}

  bool Print();

 private:
  void L(std::string_view line) { out_.Write(line); }
  void Blank() { out_.Blank(); }
  void Bold(bool on) { out_.SetBold(on); }
  Text Word(const char* german, const char* english) const { return en_ ? english : german; }

  void StationBlock();
  Text StationLine() const;
  void ClassBlock();
  void BandTable();
  Text Rule() const;
  bool WithBandTable() const { return d_.MultiplierScope == 0 || d_.MultiplierScope == 2 || code_ == 'i'; }
  void ScoreLine();
  void ExtrasAfterScore();
  void ExtrasBeforeDeclaration();
  void StationDescription(const char* prefix);
  void Declaration();
  void ContestHLists();
  void Signature();
  void SignatureGerman();
  void SignatureEnglish();
  void CountContestH();
  void CountContestI();
  bool HClassDistricts() const { return in_.ClassNumber() <= 3; }
  std::int64_t Extra() const { return GetI32(in_.qvkk, qvkk::kExtraNumber.offset); }

  const ExportInputs& in_;
  const ContestDefinition& d_;
  store::FileManager& fm_;
  store::FileBlock* log_;
  LineSink& out_;
  bool en_;
  char code_;
  StoredTotals totals_;
  HCounts h_;
  ICounts i_;
};

bool Sheet::Print() {
  if (code_ == 'h') CountContestH();
  if (code_ == 'i') CountContestI();
  for (int i = 0; i < 3; ++i) Blank();
  StationBlock();
  Blank();
  Bold(true);
  L(Centre(d_.ContestTitle, 60));
  Bold(false);
  Blank();
  Bold(true);
  L(StationLine());
  Bold(false);
  Blank();
  ClassBlock();
  if (WithBandTable()) BandTable();
  Blank();
  ScoreLine();
  Blank();
  ExtrasAfterScore();
  ExtrasBeforeDeclaration();
  Declaration();
  if (code_ == 'h') ContestHLists();
  Signature();
  return out_.Good();
}

void Sheet::StationBlock() {
  const StationSettings& s = in_.station;
  Bold(true);
  L(PadRight("Name:", 12) + s.name);
  L(PadRight(en_ ? "Address:" : "Anschrift:", 12) + Trim(s.street));
  L(PadRight(en_ ? "" : "Ort:", 12) + Trim(s.postcode_town));
  Blank();
  if (en_)
    L(PadRight("Country:", 12) + Trim(s.country));
  else
    Blank();
  Bold(false);
}

Text Sheet::StationLine() const {
  const Text locator = PadRight("Loc:", 5) + PadRight(in_.station.own_locator, 9);
  Text line;
  if (en_) {
    line = in_.Listener() ? PadRight("SWL:", 10) + PadRight(in_.ListenerCall(), 20)
                          : PadRight("Callsign:", 10) + PadRight(in_.OwnCall(), 20);
    line += locator;
  } else {
    line = in_.Listener() ? PadRight("SWL:", 6) + PadRight(in_.ListenerCall(), 20)
                          : PadRight("Call:", 6) + PadRight(in_.OwnCall(), 13);
    if (code_ == 'A' || code_ == '4')
      line += PadRight("LDK:", 5) + PadRight(GetText(in_.qvkk, qvkk::kOwnLdk), 13);
    else
      line += PadRight("DOK:", 5) + PadRight(GetText(in_.qvkk, qvkk::kOwnDok), 13);
    line += locator;
  }
  if (code_ == '7' || code_ == '4') {
    line += code_ == '7' ? "DIG: " : "RTC: ";
    if (Extra() > 0) line += ZeroPadded(Extra(), 4);
  }
  return line;
}

void Sheet::ClassBlock() {
  if (const EntryClass* c = in_.Class())
    L((en_ ? PadRight("Category:", 10) : PadRight("Teilnahmeart:", 14)) + c->Description);
  else
    Blank();
  if (code_ == 'P') L("Lebensalter: " + (Extra() == -1 ? Text("XX") : PadLeft(N(Extra()), 2)));
  Blank();
  if (code_ == 'Z') {
    L("IPARC-Mitglied: " + Text(GetU8(in_.qvkk, qvkk::kQuestionAnswer.offset) ? "Ja" : "Nein"));
    Blank();
  }
  if (code_ == 'Y') {
    static const char* const kGroups[] = {"S: Single = Single OP/Single TX", "M: Multi = Multi OP/Single TX",
                                          "SWL"};
    const std::int64_t g = Extra();
    L("Wertungsgruppe: " + Text(g >= 0 && g <= 2 ? kGroups[g] : ""));
    Blank();
  }
}

Text Sheet::Rule() const {
  std::size_t n = d_.ScorePerBandProduct ? 55 : 47;
  if (code_ == 'h') n += 16;
  return kTen + Text(n, '_');
}

void Sheet::BandTable() {
  const Text* captions[4] = {nullptr, &d_.MultName1, &d_.MultName2, &d_.MultName3};
  Text head = PadLeft("Band", 8) + "    QSO  " + Word(" Punkte  ", " Points  ");
  if (code_ == 'h') {
    for (int k = 2; k <= 3; ++k)
      if (!captions[k]->empty()) head += PadLeft(*captions[k], 10);
    head += HClassDistricts() ? "     DOK   SDOK    Distrikte" : "     DOK   SDOK";
  } else {
    for (int k = 1; k <= 3; ++k)
      if (!captions[k]->empty()) head += PadLeft(*captions[k], k == 1 ? 8 : 10);
    if (d_.ScorePerBandProduct) head += "    Gesamt";
  }
  L(kTen + head);

  const auto kinds = [&](const SlotTotals& s, int from) {
    Text t;
    for (int k = from; k <= 3; ++k)
      if (!captions[k]->empty()) t += N7(s.kinds[static_cast<std::size_t>(k)]) + "   ";
    return t;
  };
  const auto h_columns = [&](const std::array<std::int64_t, 3>& c) {
    Text t = N7(c[0]) + "   " + N7(c[1]) + "   ";
    if (HClassDistricts()) t += N7(c[2]) + "   ";
    return t;
  };
  for (std::size_t i = 0; i < d_.Bands.size(); ++i) {
    const char band = d_.Bands[i];
    if (band == 0) continue;
    const SlotTotals s = totals_.Slot(static_cast<int>(i) + 1);
    Text row = PadLeft(BandName(band, false), 8);
    if (code_ == 'i') {
      const auto c = i_.per_band[band];
      row += N7(c[0]) + "  " + N7(c[1]) + "  " + N7(c[2]) + "   ";
    } else {
      row += N7(s.qsos) + "  " + N7(s.points) + "  ";
      if (code_ == 'h') {
        row += kinds(s, 2) + h_columns(h_.per_band[band]);
      } else {
        row += kinds(s, 1);
        // The column adds up to the final score: a band without multipliers counts its points.
        if (d_.ScorePerBandProduct) row += "  " + N7(s.multipliers > 0 ? s.points * s.multipliers : s.points);
      }
    }
    L(kTen + row);
  }
  L(Rule());
  if (d_.ScorePerBandProduct) return;
  Text sum = PadRight("Summe", 8);
  if (code_ == 'i') {
    sum += N7(i_.sum[0]) + "  " + N7(i_.sum[1]) + "  " + N7(i_.sum[2]) + "   ";
  } else {
    sum += N7(totals_.sum.qsos) + "  " + N7(totals_.sum.points) + "  ";
    sum += code_ == 'h' ? kinds(totals_.sum, 2) + h_columns(h_.sum) : kinds(totals_.sum, 1);
  }
  L(kTen + sum);
  L(Rule());
}

void Sheet::ScoreLine() {
  const std::int64_t p = totals_.sum.points, m = totals_.sum.multipliers;
  const std::int64_t score = FinalScore(d_, totals_);
  const bool multipliers = d_.MultiplierKinds.any();
  Text line = kTen + Word("Endergebnis:", "Final Score:");
  if (d_.ScorePerBandProduct) {
    line += "  " + PadLeft(N(score), 6);
  } else if (multipliers && !d_.ScoreIsPointSum) {
    line += "  " + N(p) + Word(" Punkte x ", " Points x ") + N(m) + " Multi = " + N(m < 1 ? p : score) +
            Word(" Punkte", "  Points");
  } else if (multipliers && code_ == '5') {
    line += "  " + N(p) + Word(" Punkte /  ", " Points /  ") + N(m) + " PLZ-Bereiche";
  } else if (multipliers && code_ == 'P') {
    line += "  " + N(p) + Word(" Punkte   ", " Points   ") + N(m) + " Prefixe";
  } else if (multipliers) {
    line += "  " + N(p) + Word(" Punkte (", " Points (") + N(m) + " Multi) = " + N(p) +
            Word(" Punkte", "  Points");
  } else {
    line += "  " + N(p) + Word(" Punkte", "  Points");
  }
  L(line);
  L(Rule());
}

void Sheet::ExtrasAfterScore() {
  if (code_ == '8') {
    std::set<Text> countries, squares;
    Text odx;
    int best = -1;
    WalkContacts(fm_, log_, 1, [&](ConstBytes r) {
      const Text country = Trim(GetText(r, qso::kCountryPrefix));
      if (!country.empty()) countries.insert(country);
      const Text square = Cut(Trim(GetText(r, qso::kLocator)), 4);
      if (!square.empty()) squares.insert(square);
      const int points = GetU16(r, qso::kPoints.offset);
      if (points > best) {
        best = points;
        odx = Trim(GetText(r, qso::kCall)) + " " + Trim(GetText(r, qso::kLocator)) + " " + N(points);
      }
      return true;
    });
    L(kTen + "Anzahl gearbeiteter DXCC: " + N7(static_cast<std::int64_t>(countries.size())));
    L(kTen + "Anzahl gearbeiteter Loc : " + N7(static_cast<std::int64_t>(squares.size())));
    L(kTen + "ODX                     : " + odx);
    Blank();
  }
  if (code_ == 'G') {
    bool f28 = false, ht06 = false;
    WalkContacts(fm_, log_, 1, [&](ConstBytes r) {
      const Text mark = Trim(GetText(r, qso::kMultiMark1));
      f28 = f28 || mark == "F28";
      ht06 = ht06 || mark == "HT06";
      return !(f28 && ht06);
    });
    if (f28 || ht06) {
      L(kTen + (f28 && ht06 ? "Multiberechnung inklusive Zusatzmultipunkte F28 und HT06"
                            : (f28 ? "Multiberechnung inklusive Zusatzmultipunkt F28"
                                   : "Multiberechnung inklusive Zusatzmultipunkt HT06")));
      Blank();
    }
  }
}

void Sheet::ExtrasBeforeDeclaration() {
  if (code_ == 'b') {
    const int c = in_.ClassNumber();
    if (c == 2 || c == 3) {
      L("Im OQRPC habe ich auf dem 80/40/20m-Band");
      L(c == 2 ? "mit einem von mir selbstgebauten Bausatz teilgenommen."
               : "mit einem individuellen Unikat teilgenommen.");
    }
    StationDescription("OQRP");
  }
  if (code_ == 'j') StationDescription("mssprint");
}

void Sheet::StationDescription(const char* prefix) {
  char name[40];
  std::snprintf(name, sizeof name, "%s%6d.STN", prefix, static_cast<int>(in_.log_number));
  store::OsFileSystem& fs = fm_.file_system();
  const std::string path = in_.program_folder + name;
  if (!fs.Exists(path)) return;
  L("Angaben zur Station:");
  for (const Text& line : TextLines(store::ReadWholeFile(fs, path))) L(line);
}

void Sheet::Declaration() {
  if (en_) {
    L("I affirm that I have observed all rules of ");
    L(d_.ContestTitle + ".");
  } else {
    L(W("Ich erkläre, dass ich die Regeln für \"") + d_.ContestTitle + "\"");
    L("beachtet und die Lizenzbestimmungen meines Landes eingehalten habe.");
    L("Die Angaben des Logs entsprechen der Wahrheit.");
  }
  Blank();
}

void Sheet::ContestHLists() {
  const auto runs = [&](const char* label, const Text& list) {
    for (std::size_t at = 0; at < list.size(); at += 80) L(label + list.substr(at, 80));
  };
  runs("Distrikte: ", h_.districts);
  runs("DOK:       ", h_.doks);
  runs("S-DOK:     ", h_.sdoks);
  runs("Loc:       ", h_.locators);
  L("Sondercall:" + h_.special_calls);
  Blank();
}

void Sheet::Signature() {
  if (en_)
    SignatureEnglish();
  else
    SignatureGerman();
}

Text Today(const ExportInputs& in) {
  const SystemClock system;
  const Clock& clock = in.clock ? *in.clock : system;
  return FormatDate(clock.NowUtc().day, DateForm::kDdMmYyyy);
}

void Sheet::SignatureGerman() {
  const Text town = Trim(in_.station.postcode_town);
  Text line = "Ort: " + town;
  if (town.size() >= 62) {
    L(line);
    Blank();
    line = "Datum: " + Today(in_);
  } else {
    line += "     Datum: " + Today(in_);
  }
  const bool swl = in_.ClassNumber() == 4;
  const Text& who = swl ? in_.ListenerCall() : in_.OwnCall();
  const Text appended = (swl ? "     SWL :" : "   Call: ") + who;
  if (line.size() + appended.size() >= (swl ? 74u : 71u)) {
    L(line);
    Blank();
    line = (swl ? "SWL :" : " Call: ") + who;
  } else {
    line += appended;
  }
  static constexpr const char* kSignature = "Unterschrift _______________";
  if (!out_.Paper()) {
    L(line);
  } else if (line.size() >= 43) {
    L(line);
    Blank();
    L(kSignature);
  } else {
    L(PadRight(line, 43) + kSignature);
  }
  if (out_.Paper()) Blank();
  L("Dieses ContestLog wurde mit " + d_.EditionName + " erstellt. (" + kMakerWebAddress + ")");
  for (int i = 0; i < 3; ++i) Blank();
}

void Sheet::SignatureEnglish() {
  const Text town = Trim(in_.station.postcode_town);
  Text line = " City:" + town;
  if (town.size() >= 64) {
    L(line);
    Blank();
    line = "Date " + Today(in_);
  } else {
    line += " Date " + Today(in_);
  }
  const Text part = in_.Listener() ? " SWL  " + in_.ListenerCall() : " Call " + in_.OwnCall();
  if (line.size() + part.size() >= 74) {
    L(line);
    Blank();
    line = part;
  } else {
    line += part;
  }
  static constexpr const char* kSign = "Sign _______________";
  Text last;
  if (line.size() >= 50) {
    L(line);
    Blank();
    Blank();
    last = out_.Paper() ? Text(kSign) : Text(" ");
  } else {
    last = PadRight(line, 50) + (out_.Paper() ? kSign : "");
  }
  Bold(out_.Paper());
  L(last);
  Bold(false);
  Blank();
  Blank();
  L(Text("Printed with Quilvaret ") + kSuiteWebAddress);
}

bool IsLetterIn(char c, char from, char to, char from2, char to2) {
  return (c >= from && c <= to) || (c >= from2 && c <= to2);
}
bool LetterAndTwoDigits(const Text& v, char last_of_first_run, char first_of_second_run) {
  return v.size() == 3 && IsLetterIn(v[0], 'A', last_of_first_run, first_of_second_run, 'Y') &&
         IsAsciiDigit(v[1]) && IsAsciiDigit(v[2]);
}

void Sheet::CountContestH() {
  const int cls = in_.ClassNumber();
  WalkContacts(fm_, log_, 1, [&](ConstBytes r) {
    const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
    auto& counts = h_.per_band[band];
    const auto count = [&](int column, Text& list, const Text& item) {
      ++counts[static_cast<std::size_t>(column)];
      ++h_.sum[static_cast<std::size_t>(column)];
      list += item + " ";
    };
    const Text v = Trim(GetText(r, qso::kMultiMark1));
    if (cls <= 3) {
      if (LetterAndTwoDigits(v, 'I', 'L'))
        count(2, h_.districts, v.substr(0, 1));
      else if (v.size() == 3 && v[0] == 'K' && IsAsciiDigit(v[1]) && IsAsciiDigit(v[2]))
        count(0, h_.doks, v);
      else if (!v.empty())
        count(1, h_.sdoks, v);
    } else if (cls <= 6) {
      if (LetterAndTwoDigits(v, 'I', 'K'))
        count(0, h_.doks, v);
      else if (!v.empty())
        count(1, h_.sdoks, v);
      const Text second = Trim(GetText(r, qso::kSecondCall));
      if (!second.empty()) h_.locators += second + " ";
    }
    const Text special = Trim(GetText(r, qso::kMultiMark2));
    if (!special.empty()) h_.special_calls += special + " ";
    return true;
  });
}

void Sheet::CountContestI() {
  WalkContacts(fm_, log_, 1, [&](ConstBytes r) {
    auto& c = i_.per_band[static_cast<char>(GetU8(r, qso::kBand.offset))];
    const std::array<std::int64_t, 3> add = {1, GetU16(r, qso::kPoints.offset),
                                             Trim(GetText(r, qso::kMultiMark1)).empty() ? 0 : 1};
    for (std::size_t k = 0; k < 3; ++k) c[k] += add[k], i_.sum[k] += add[k];
    return true;
  });
}

}  // namespace

std::vector<Text> TextLines(std::string_view text) {
  std::vector<Text> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(at, end - at));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    at = end + 1;
  }
  return lines;
}

bool PrintSummarySheet(const ExportInputs& in, store::FileBlock* log, LineSink& out) {
  return Sheet(in, log, out).Print();
}

}  // namespace vek
