#include "export/edi_export.h"

#include <set>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "export/log_walk.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"

namespace vek {
namespace {

Text EdiDate(DayNumber day) { return day > 0 ? FormatDate(day, DateForm::kYyyymmdd) : Text(); }

}  // namespace

EdiHeader EdiHeader::For(const ExportInputs& in) {
  const StationSettings& st = in.station;
  const Text description = in.Class() ? in.Class()->Description : Text();
  Text band;
  if (description.find("2m") != Text::npos) band = "144 MHz";
  if (description.find("70cm") != Text::npos) band = "432 MHz";
  const Text town = Trim(st.postcode_town);
  const auto blank = town.find(' ');
  const Text p = "Teilnehmer", r = W("zuständiger Funkamateur"), m = "Mehrmann", s = "Station";
  EdiHeader h;
  h.fields_ = {
      {"pcall", p, "Call", GetText(in.qvkk, qvkk::kOwnCall)},
      {"ploc", p, "Locator", st.own_locator},
      {"padr1", p, "Adresszeile 1", st.street},
      {"padr2", p, "Adresszeile 2", st.postcode_town},
      {"psect", p, "Teilnahmeklasse:", description.empty() ? Text("1") : description.substr(0, 1)},
      {"pband",
       p,
       "Band",
       band,
       false,
       {"50 MHz", "70 MHz", "144 MHz", "432 MHz", "1,3 GHz", "2,3 GHz", "3,4 GHz", "5,7 GHz", "10 GHz",
        "24 GHz", "47 GHz", "76 GHz", "120 GHz", "144 GHz", "248 GHz"}},
      {"pclub1", p, "Club", "DARC"},
      {"pclub2", p, "DOK", st.dok},
      {"remail", p, "EMail", ""},
      {"rname", r, "Name", st.name},
      {"radr1", r, "Adresszeile 1", ""},
      {"radr2", r, "Adresszeile 2", st.street},
      {"rpoco", r, "PLZ", blank == Text::npos ? Text() : town.substr(0, blank)},
      {"rcity", r, "Stadt", blank == Text::npos ? Text() : town.substr(blank + 1)},
      {"rcoun", r, "Land", Trim(st.country).empty() ? Text("DL") : st.country},
      {"mope1", m, "Teilnehmer (Rufzeichen mit ; trennen)", ""},
      {"mope2", m, "", ""},
      {"rtrx", s, "TRX", ""},
      {"rant", s, "Ant.", ""},
      {"rpower", s, "Power", ""},
      {"rremarks", s, W("Bemerkungen, Ausrüstung"), "", true},
  };
  return h;
}

const Text& EdiHeader::Value(std::string_view name) const {
  static const Text kNone;
  for (const EdiHeaderField& f : fields_)
    if (f.name == name) return f.value;
  return kNone;
}

bool EdiHeader::Set(std::string_view name, std::string_view value) {
  for (EdiHeaderField& f : fields_) {
    if (f.name == name) {
      f.value = Text(value);
      return true;
    }
  }
  return false;
}

EdiCounts CountEdiValues(const ExportInputs& in, store::FileBlock* log) {
  EdiCounts c;
  std::set<Text> countries, squares;
  int best = -1;
  WalkContacts(in.files->fm(), log, 1, [&](ConstBytes r) {
    ++c.qsos;
    countries.insert(Trim(GetText(r, qso::kCountryPrefix)));  // an empty prefix counts as one value
    const Text square = Cut(Trim(GetText(r, qso::kLocator)), 4);
    if (!square.empty()) squares.insert(square);
    const int points = GetU16(r, qso::kPoints.offset);
    if (points > best) {
      best = points;
      c.odx =
          Trim(GetText(r, qso::kCall)) + ";" + Trim(GetText(r, qso::kLocator)) + ";" + std::to_string(points);
    }
    return true;
  });
  c.countries = static_cast<std::int64_t>(countries.size());
  c.squares = static_cast<std::int64_t>(squares.size());
  return c;
}

char EdiModeCode(std::string_view mode) {
  if (mode == "SSB") return '1';
  if (mode == "CW") return '2';
  if (mode == "AM") return '5';
  if (mode == "FM") return '6';
  if (mode == "RTTY") return '7';
  return '0';
}

bool WriteEdiFile(const ExportInputs& in, store::FileBlock* log, const EdiHeader& h, const EdiCounts& c,
                  LineSink& out) {
  const ContestDefinition& d = in.definition;
  const SystemClock system;
  const UtcInstant now = (in.clock ? *in.clock : static_cast<const Clock&>(system)).NowUtc();
  const Text log_call = GetText(in.qvkk, qvkk::kOwnCall);
  const DayNumber from = GetI32(in.qvkk, qvkk::kDateFrom.offset), to = GetI32(in.qvkk, qvkk::kDateTo.offset);
  const Text points = std::to_string(in.Totals().sum.points);
  const Text qsos = std::to_string(c.qsos);
  const auto v = [&](const char* name) { return h.Value(name); };
  out.SetLeadingBlanks(false);
  out.Write("[" + d.EditionName + "]");
  out.Write("This data was exported using TESMAR " + d.EditionName);
  out.Write("Call:" + log_call);
  out.Write("Logs generated on " + FormatDate(now.day, DateForm::kDdMmYyyy) + " " +
            FormatTime(now.second, TimeForm::kHhMmSs));
  out.Write(
      "This log was written by the contest logger Vek UKW Nordsee; the operator is responsible for its "
      "content.");
  out.Write("Questions about this file: see the program's help page.");
  out.Write(Text("Program: ") + kMakerWebAddress);
  out.Write("[REG1TEST;1]");
  out.Write("TName=" + d.ContestTitle);
  out.Write("TDate=" + (from > 0 && to > 0 ? EdiDate(from) + ";" + EdiDate(to) : Text("0;0")));
  out.Write("PCall=" + v("pcall"));
  out.Write("PWWLo=" + v("ploc"));
  out.Write("PExch=");
  out.Write("PAdr1=" + v("padr1"));
  out.Write("PAdr2=" + v("padr2"));
  out.Write("PSect=" + v("psect"));
  out.Write("PBand=" + v("pband"));
  out.Write("PClub=" + v("pclub1") + ";" + v("pclub2"));
  out.Write("RName=" + v("rname"));
  out.Write("RCall=" + log_call);
  out.Write("RAdr1=" + v("radr1"));
  out.Write("RAdr2=" + v("radr2"));
  out.Write("RPoCo=" + v("rpoco"));
  out.Write("RCity=" + v("rcity"));
  out.Write("RCoun=" + v("rcoun"));
  out.Write("RPhon=");
  out.Write("RHBBS=" + v("remail"));
  out.Write("MOpe1=" + v("mope1"));
  out.Write("MOpe2=" + v("mope2"));
  out.Write(Cut("STXEq=" + GetText(in.qvkk, qvkk::kEquipmentText), 36));
  out.Write("SPowe=" + v("rpower"));
  out.Write("SRXEq=" + v("rtrx"));
  out.Write("SAnte=" + v("rant"));
  out.Write("SAntH=0;0");
  out.Write("CQSOs=" + qsos + ";1");
  out.Write("CQSOP=" + points);
  out.Write("CWWLs=" + std::to_string(c.squares) + ";0;1");
  out.Write("CWWLB=0");
  out.Write("CExcs=0;0;1");
  out.Write("CExcB=");
  out.Write("CDXCs=" + std::to_string(c.countries) + ";0;1");
  out.Write("CDXCB=0");
  out.Write("CToSc=" + points);
  out.Write("CODXC=" + c.odx);
  out.Write("[Remarks]");
  const Text& remarks = v("rremarks");
  if (!remarks.empty()) {
    std::size_t at = 0;
    while (at <= remarks.size()) {
      std::size_t end = remarks.find('\n', at);
      if (end == Text::npos) end = remarks.size();
      Text line = remarks.substr(at, end - at);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out.Write(line);
      at = end + 1;
    }
  }
  out.Write("[QSORecords;" + qsos + "]");
  WalkContacts(in.files->fm(), log, 4, [&](ConstBytes r) {
    const std::int32_t date = GetI32(r, qso::kDate.offset), time = GetI32(r, qso::kTime.offset);
    const Text sent = LoadSentExchange(r), rcvd = LoadRcvdExchange(r);
    const auto part = [](const Text& t, std::size_t from, std::size_t n) {
      return from < t.size() ? t.substr(from, n) : Text();
    };
    const auto slash = rcvd.find('/');
    const Text exchange = slash == Text::npos ? part(rcvd, 0, 1) : part(rcvd, slash + 1, 1);
    Text line = (date > 0 ? FormatDate(date, DateForm::kYymmdd) : Text()) + ";" +
                (time >= 0 ? FormatTime(time, TimeForm::kHhmm) : Text()) + ";" +
                Trim(GetText(r, qso::kCall)) + ";" + EdiModeCode(GetText(r, qso::kMode)) + ";" +
                part(sent, 0, 3) + ";" + part(sent, 3, 3) + ";" + part(rcvd, 0, 3) + ";" + part(rcvd, 3, 3) +
                ";" + exchange + ";" + PadRight(GetText(r, qso::kLocator), 6) + ";" +
                std::to_string(GetI32(r, qso::kQrbKm.offset)) + ";;;;";
    out.Write(line);
    return out.Good();
  });
  return out.Good();
}

}  // namespace vek
