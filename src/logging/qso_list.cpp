#include "logging/qso_list.h"

#include <cstdio>

#include "base/date_time_format.h"
#include "base/number_picture.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"

namespace vek {
namespace {

// The program's short date and time forms.
constexpr DateForm kShortDate = DateForm::kDdMmYy;
constexpr TimeForm kShortTime = TimeForm::kHhMm;
constexpr std::size_t kDateWidth = 8, kTimeWidth = 5;

Text SplitReport(const Text& exchange) {
  return exchange.size() <= 3 ? exchange : exchange.substr(0, 3) + " " + exchange.substr(3);
}

Text Frequency(float mhz) {
  if (mhz <= 0) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%9.3f", static_cast<double>(mhz));
  Text t = buf;
  for (char& c : t)
    if (c == '.') c = ',';
  return t;
}

}  // namespace

Text QsoListHeader(const ContestDefinition& d, bool english) {
  Text h = english ? "No " : "Nr ";
  h += ";" + Cut(english ? "  Date" : " Datum", kDateWidth);
  h += ";" + PadRight(" UTC", kTimeWidth);
  h += "; Call    ;Band ;Mod; RSTsent      ";
  if (d.SentFieldsShown) {
    h += ";Call2  ;RSTsent2 ";
  } else {
    h += "; RSTrcvd      ";
  }
  for (const Text* n : {&d.MultName1, &d.MultName2, &d.MultName3})
    if (!n->empty()) h += ";" + PadRight(*n, 6);
  h += ";Pkt;sQr";
  if (!d.SentFieldsShown) h += ";" + PadRight("Name", 10) + ";" + PadRight("QTH", 10) + ";Freq.";
  return h;
}

bool QsoListRowMarked(ConstBytes r) { return GetU8(r, qso::kRowMark.offset) == 1; }

std::vector<Text> QsoListOrders(const ContestDefinition& d, bool english) {
  std::vector<Text> orders = english ? std::vector<Text>{" Band - No", " Band - Call", " Band - DXCC", " all - No",
                                                         " all - Call", " all - DXCC"}
                                     : std::vector<Text>{" Band - Nr", " Band - Call", " Band - DXCC", " alle - Nr",
                                                         " alle - Call", " alle - DXCC"};
  if (d.MultiplierKinds.test(8)) orders.push_back(" alle - Area");
  orders.push_back(d.MultiplierKinds.test(17) ? " alle - LDK" : " alle - DOK");
  return orders;
}

QsoListOrder QsoListOrderOf(int index, char band) {
  static constexpr int kKeys[] = {8, 9, 10, 4, 2, 5, 18};
  if (index < 0 || index >= 7) return {1, {}, {}};
  const int key = kKeys[index];
  const bool per_band = index < 3;
  return {key, per_band ? Text(1, band) : Text(), per_band ? Text(1, band) : Text()};
}

Text QsoListRow(ConstBytes r, const ContestDefinition& d) {
  const std::int32_t date = GetI32(r, qso::kDate.offset), time = GetI32(r, qso::kTime.offset);
  const Text date_text = date > 0 ? FormatDate(date, kShortDate) : Text(kDateWidth, ' ');
  const Text time_text = time > 0 ? FormatTime(time, kShortTime) : Text(kTimeWidth, ' ');
  const char qsy = static_cast<char>(GetU8(r, qso::kQsyBand.offset));
  if (qsy != 0) return ";" + date_text + ";" + time_text + ";*** QSY " + BandName(qsy, false) + " ***";
  Text row = FormatNumber(GetI32(r, qso::kSerialNo.offset), 6);
  row += ";" + date_text + ";" + time_text + ";" + GetText(r, qso::kCall);
  row += ";" + BandName(static_cast<char>(GetU8(r, qso::kBand.offset)), false);
  row += ";" + GetText(r, qso::kMode);
  row += ";" + SplitReport(LoadSentExchange(r));
  if (d.SentFieldsShown) {
    row += ";" + GetText(r, qso::kSecondCall) + ";" + LoadRcvdExchange(r);
  } else {
    row += ";" + SplitReport(LoadRcvdExchange(r));
  }
  const FieldSpec* marks[3] = {&qso::kMultiMark1, &qso::kMultiMark2, &qso::kSecondCall};
  const Text* names[3] = {&d.MultName1, &d.MultName2, &d.MultName3};
  for (int i = 0; i < 3; ++i)
    if (!names[i]->empty()) row += ";" + GetText(r, *marks[i]);
  row += ";" + std::to_string(GetU16(r, qso::kPoints.offset));
  const char qs = static_cast<char>(GetU8(r, qso::kQslSent.offset));
  const char qr = static_cast<char>(GetU8(r, qso::kQslRcvd.offset));
  row += ";" + Text(1, qs ? qs : ' ') + (qr ? Text(" ") + qr : Text("  "));
  if (!d.SentFieldsShown) {
    const Text nq = GetText(r, qso::kNameQth);
    const auto semi = nq.find(';');
    row += ";" + nq.substr(0, semi) + ";" + (semi == Text::npos ? Text() : nq.substr(semi + 1));
    row += ";" + Frequency(GetF32(r, qso::kFreqMHz.offset));
  }
  return row;
}

}  // namespace vek
