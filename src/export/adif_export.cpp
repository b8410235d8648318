#include "export/adif_export.h"

#include <cstdio>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "base/scripted_user_port.h"
#include "export/log_walk.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"
#include "refdata/prefix_lookup.h"

namespace vek {
namespace {

Text ReportPart(const Text& exchange) {
  return exchange.substr(0, std::min<std::size_t>(3, exchange.size()));
}
Text RestPart(const Text& exchange) { return exchange.size() > 3 ? exchange.substr(3) : Text(); }

Text QslMark(char mark) { return mark == 'J' || mark == 'j' ? Text("Y") : Text(1, mark); }

// "Vek UKW Nordsee Version 2008-2.0" gives the program's name and version.
std::pair<Text, Text> ProgramIdAndVersion(const Text& edition) {
  const auto at = edition.find(" Version ");
  if (at == Text::npos) return {edition, Text()};
  return {edition.substr(0, at), edition.substr(at + 9)};
}

class AdifWriter {
 public:
  AdifWriter(const ExportInputs& in, bool rst_only) : in_(in), rst_only_(rst_only) {}

  Text Record(ConstBytes r, PrefixLookup& prefixes) const {
    const ContestDefinition& d = in_.definition;
    std::vector<Text> f;
    const std::int32_t date = GetI32(r, qso::kDate.offset), time = GetI32(r, qso::kTime.offset);
    if (date > 0) f.push_back(AdifField("QSO_DATE", FormatDate(date, DateForm::kYyyymmdd)));
    // A contact without time has no TIME_ON rather than a made-up one.
    if (time >= 0) f.push_back(AdifField("TIME_ON", FormatTime(time, TimeForm::kHhmm)));
    f.push_back(AdifField("CALL", GetText(r, qso::kCall)));
    const Text sent = LoadSentExchange(r), rcvd = LoadRcvdExchange(r);
    if (in_.Listener()) {
      f.push_back(AdifField("RST_SENT", rst_only_ ? ReportPart(rcvd) : rcvd));
      f.push_back(AdifField("CALL_WKD", GetText(r, qso::kSecondCall)));
      f.push_back(AdifField("RST_WKD", ReportPart(sent)));
    } else if (rst_only_) {
      f.push_back(AdifField("RST_SENT", ReportPart(sent)));
      f.push_back(AdifField("RST_RCVD", ReportPart(rcvd)));
      if (sent.size() > 3) f.push_back(AdifField("STX", RestPart(sent)));
      if (rcvd.size() > 3) f.push_back(AdifField("SRX", RestPart(rcvd)));
    } else {
      f.push_back(AdifField("RST_SENT", sent));
      f.push_back(AdifField("RST_RCVD", rcvd));
    }
    if (in_.contest_code == 'A' && rcvd.size() > 3) f.push_back(AdifField("LDK", RestPart(rcvd)));
    Text band = Trim(BandName(static_cast<char>(GetU8(r, qso::kBand.offset)), true));
    if (!band.empty() && band[0] == ' ') band.erase(0, 1);
    f.push_back(AdifField("BAND", band));
    const Text mode = GetText(r, qso::kMode);
    f.push_back(AdifField("MODE", Trim(mode) == "PR" ? Text("PKT") : mode));
    f.push_back(AdifField("PTS", std::to_string(GetU16(r, qso::kPoints.offset))));
    const Text dok = Trim(LoadRcvdDok(r));
    const char* district = d.MultiplierKinds.test(8) ? "AREA" : (d.MultiplierKinds.test(17) ? "LDK" : "DOK");
    f.push_back(AdifField(district, dok));
    f.push_back(AdifField("GRIDSQUARE", Trim(GetText(r, qso::kLocator))));
    const Text country = GetText(r, qso::kCountryPrefix);
    if (!Trim(country).empty()) {
      const Text number = Trim(prefixes.DxccNumberOfPrefix(country));
      if (!number.empty()) {
        f.push_back(AdifField("DXCC", number));
        f.push_back(AdifField("DXCC_PFX", country));
      }
    }
    if (const float mhz = GetF32(r, qso::kFreqMHz.offset); mhz > 0) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(mhz));
      f.push_back(AdifField("FREQ", buf));
    }
    const Text nq = GetText(r, qso::kNameQth);
    const auto semi = nq.find(';');
    const Text name = nq.substr(0, semi), qth = semi == Text::npos ? Text() : nq.substr(semi + 1);
    if (!name.empty()) f.push_back(AdifField("NAME", name));
    if (!qth.empty()) f.push_back(AdifField("QTH", qth));
    const char qsl_sent = static_cast<char>(GetU8(r, qso::kQslSent.offset));
    const char qsl_rcvd = static_cast<char>(GetU8(r, qso::kQslRcvd.offset));
    if (qsl_sent != 0 && qsl_sent != ' ') f.push_back(AdifField("QSL_SENT", QslMark(qsl_sent)));
    if (qsl_rcvd != 0 && qsl_rcvd != ' ') f.push_back(AdifField("QSL_RCVD", QslMark(qsl_rcvd)));
    // What readers of ADIF 3 look for besides: the station, its square, the DOK under its registered name.
    const Text station = Trim(GetText(in_.qvkk, qvkk::kOwnCall));
    f.push_back(AdifField("STATION_CALLSIGN", station.empty() ? in_.OwnCall() : station));
    if (!Trim(in_.station.own_locator).empty())
      f.push_back(AdifField("MY_GRIDSQUARE", Trim(in_.station.own_locator)));
    if (std::string_view(district) == "DOK" && !dok.empty()) f.push_back(AdifField("DARC_DOK", dok));
    f.push_back("<EOR>");
    Text line;
    for (const Text& field : f) line += (line.empty() ? "" : " ") + field;
    return line;
  }

 private:
  const ExportInputs& in_;
  bool rst_only_;
};

}  // namespace

Text AdifField(std::string_view tag, std::string_view value) {
  return "<" + Text(tag) + ":" + std::to_string(value.size()) + ">" + Text(value);
}

Text AdifReportQuestion() { return "Von der Kontrollnummer nur RS(T) exportieren?"; }

bool WriteAdifFile(const ExportInputs& in, store::FileBlock* log, bool rst_only, LineSink& out) {
  out.Write("ADIF-Export generated with Tesmar " + in.definition.EditionName + " " + kMakerWebAddress);
  const auto [id, version] = ProgramIdAndVersion(in.definition.EditionName);
  out.Write(AdifField("ADIF_VER", "3.1.6") + " " + AdifField("PROGRAMID", id) + " " +
            AdifField("PROGRAMVERSION", version));
  out.Write("<EOH>");
  ScriptedUserPort silent;
  const SystemClock system;
  PrefixLookup prefixes(*in.files, silent,
                        (in.clock ? *in.clock : static_cast<const Clock&>(system)).NowUtc().day);
  const AdifWriter writer(in, rst_only);
  WalkContacts(in.files->fm(), log, 4, [&](ConstBytes r) {
    out.Write(writer.Record(r, prefixes));
    return out.Good();
  });
  return out.Good();
}

}  // namespace vek
