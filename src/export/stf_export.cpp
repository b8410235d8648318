#include "export/stf_export.h"

#include "base/date_time_format.h"
#include "export/log_walk.h"
#include "export/summary_sheet.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"
#include "store/os_file.h"

namespace vek {
namespace {

Text Keyword(std::string_view keyword, std::string_view value) { return PadRight(keyword, 13) + Trim(value); }

Text StationDescriptionLine(const ExportInputs& in, const char* prefix) {
  char name[40];
  std::snprintf(name, sizeof name, "%s%6d.STN", prefix, static_cast<int>(in.log_number));
  store::OsFileSystem& fs = in.files->fm().file_system();
  Text line;
  for (const Text& l : TextLines(store::ReadWholeFile(fs, in.program_folder + name))) line += " " + l;
  return line;
}

// "70 cm" gives "70  ", "2 m" "2   ", "6 cm" "5   ".
Text StfBand(char band) {
  Text name = BandName(band, false);
  if (!name.empty()) name.pop_back();
  Text b = PadRight(name, 4);
  if (b == "6 c ") return "5   ";
  const auto c = b.find('c');
  if (c != Text::npos) b.erase(c, 1), b += ' ';
  return b;
}

// Report and rest of an exchange as the column "SRst Sent" / "RRst Rcvd" shows it.
Text ExchangeField(const Text& exchange, char code) {
  Text report = PadRight(exchange.substr(0, std::min<std::size_t>(3, exchange.size())), 3);
  if (Trim(report).empty()) report = " - ";
  Text rest = exchange.size() > 3 ? exchange.substr(3) : Text();
  if (code == '1') {
    if (const auto slash = rest.find('/'); slash != Text::npos) rest[slash] = ' ';
  } else if (code == 'J' || code == 'G') {
    const Text t = Trim(rest);
    if (t.empty() || t == "-") {
      rest = "-   -";
    } else if (t[0] == '/') {
      rest = "-   " + t.substr(1);
    } else if (t.find('/') == Text::npos) {
      rest = t + " -";
    } else {
      rest = t;
      rest[rest.find('/')] = ' ';
    }
  }
  if (Trim(rest).empty()) rest = " -";
  return report + " " + PadRight(rest, 17);
}

}  // namespace

bool WriteStfFile(const ExportInputs& in, store::FileBlock* log, const ListColumns& columns, LineSink& out) {
  const ContestDefinition& d = in.definition;
  const char code = in.contest_code;
  const StoredTotals t = in.Totals();
  const SystemClock system;
  const UtcInstant now = (in.clock ? *in.clock : static_cast<const Clock&>(system)).NowUtc();
  const StationSettings& st = in.station;
  const Text town = Trim(st.postcode_town);
  const auto blank = town.find(' ');
  const Text log_call = GetText(in.qvkk, qvkk::kOwnCall);

  out.SetLeadingBlanks(false);
  out.Write("STF1");
  out.Write("#Data written \"" + FormatDate(now.day, DateForm::kDdMmYyyy) + "  " +
            FormatTime(now.second, TimeForm::kHhMm) + "\"");
  out.Write("#STF-Export generated with Tesmar " + d.EditionName + " " + kMakerWebAddress);
  out.Write("Header");
  out.Write(Keyword("Contest", GetText(in.qvkk, qvkk::kLogName)));
  out.Write(Keyword("MyCall", log_call));
  out.Write(Keyword("Operator", log_call));
  out.Write(Keyword("Category", in.Class() ? in.Class()->Description : Text()));
  out.Write(Keyword("MailAddress", st.name));
  out.Write(Keyword("MailAddress", st.street));
  out.Write(Keyword("MailAddress", blank == Text::npos ? town : town.substr(blank + 1)));
  out.Write(Keyword("MailAddress", blank == Text::npos ? Text() : town.substr(0, blank)));
  out.Write(Keyword("MailAddress", Trim(st.country).empty() ? Text("Germany") : st.country));
  out.Write("EMail");
  std::int32_t claimed_qso = 0;
  if (log && in.files->fm().LastKey(log, 13) == 0)
    claimed_qso = GetI32(in.files->fm().RecordBuffer(log), qso::kSerialNo.offset);
  out.Write(Keyword("ClaimedQSO", std::to_string(claimed_qso)));
  out.Write(Keyword("ClaimedPts", std::to_string(t.sum.points)));
  if (d.MultiplierKinds.any()) {
    out.Write(Keyword("ClaimedMult", std::to_string(t.sum.kinds[1])));
    if (t.sum.kinds[2] > 0) out.Write(Keyword("ClaimedMult2", std::to_string(t.sum.kinds[2])));
    if (t.sum.kinds[3] > 0) out.Write(Keyword("ClaimedMult3", std::to_string(t.sum.kinds[3])));
  }
  // The score the summary sheet claims too.
  if (code != '5' && code != 'P') out.Write(Keyword("ClaimedScore", std::to_string(FinalScore(d, t))));
  out.Write("Club");
  out.Write(Keyword("Specific", GetText(in.qvkk, qvkk::kOwnDok)));
  if (code == 'b') {
    const int cls = in.ClassNumber();
    Text text =
        cls == 3   ? "Im OQRPC habe ich auf dem 80/40/20m-Band mit einem individuellen Unikat teilgenommen."
        : cls == 2 ? "Im OQRPC habe ich auf dem 80/40/20m-Band mit einem von mir selbstgebauten Bausatz "
                     "teilgenommen."
                   : "";
    out.Write(PadRight("Equipment", 13) + text + StationDescriptionLine(in, "OQRP"));
  } else if (code == 'j') {
    out.Write(PadRight("Equipment", 13) + StationDescriptionLine(in, "mssprint"));
  }
  out.Write("Power");
  out.Write("Soapbox");
  out.Write("Soapbox");
  Text order = "QsoOrder     Date Time Band Mode Call SRst Sent RRst Rcvd";
  if (code == '1') order = "QsoOrder     Date Time Band Mode Call SRst Sent Sent1 RRst Rcvd Rcvd1";
  if (code == 'J' || code == 'G')
    order = "QsoOrder     Date Time Band Mode Call SRst Sent Sent2 RRst Rcvd Rcvd2";
  if (code == 'O') order += " Name";
  out.Write(order);
  out.Write("EndHeader");
  out.Write("");
  out.Write("QsoList");
  out.SetLeadingBlanks(true);
  WalkContacts(in.files->fm(), log, 4, [&](ConstBytes r) {
    const std::int32_t date = GetI32(r, qso::kDate.offset), time = GetI32(r, qso::kTime.offset);
    Text line = date > 0 ? FormatDate(date, DateForm::kYyyymmdd) : Text("    -   ");
    line += " " + (time >= 0 ? FormatTime(time, TimeForm::kHhmm) : Text(4, ' '));
    line += " " + StfBand(static_cast<char>(GetU8(r, qso::kBand.offset)));
    const Text mode = GetText(r, qso::kMode);
    line += " " + PadRight(Trim(mode).empty() ? Text(" - ") : mode, 6);
    const Text call = GetText(r, qso::kCall);
    line += " " + PadRight(Trim(call).empty() ? Text("-") : call, columns.call);
    const Text sent = ExchangeField(LoadSentExchange(r), code),
               rcvd = ExchangeField(LoadRcvdExchange(r), code);
    if (d.SentFieldsShown)
      line += " " + rcvd + " " + PadRight(GetText(r, qso::kSecondCall), 9) + " " + sent;
    else
      line += " " + sent + " " + rcvd;
    if (code == 'O') {
      const Text nq = GetText(r, qso::kNameQth);
      if (nq != ";") line += " " + nq.substr(0, nq.find(';'));
    }
    out.Write(line);
    return out.Good();
  });
  out.SetLeadingBlanks(false);
  out.Write("EndQSOList");
  return out.Good();
}

}  // namespace vek
