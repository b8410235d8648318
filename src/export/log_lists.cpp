#include "export/log_lists.h"

#include <algorithm>
#include <functional>

#include "base/date_time_format.h"
#include "base/number_picture.h"
#include "export/log_walk.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"

namespace vek {
namespace {

const FieldSpec* const kMultiFields[3] = {&qso::kMultiMark1, &qso::kMultiMark2, &qso::kSecondCall};

std::vector<char> ListBands(const ContestDefinition& d) {
  std::vector<char> bands;
  for (char b : d.Bands)
    if (b != 0) bands.push_back(b);
  return bands;
}

// Report (characters 1-3) padded to 3, a blank, the rest: `width` in all.
Text ExchangeCell(const Text& exchange, std::size_t width) {
  return PadRight(Cut(exchange, 3), 3) + " " +
         PadRight(exchange.size() > 3 ? exchange.substr(3) : Text(), width - 4);
}

Text BandWithoutLastCharacter(char band) {
  Text name = BandName(band, false);
  if (!name.empty()) name.pop_back();
  return name;
}

// The QSO list's band: "70 cm" gives "70  ".
Text QsoListBand(char band) {
  Text b = PadRight(BandWithoutLastCharacter(band), 4);
  const auto c = b.find('c');
  if (c != Text::npos) b.erase(c, 1), b += ' ';
  return b;
}

Text DateCell(std::int32_t day, bool padded) {
  if (day > 0) return FormatDate(day, DateForm::kDdmmyy);
  return padded ? Text(6, ' ') : Text();
}

Text TimeCell(std::int32_t seconds, TimeForm form) {
  if (seconds >= 0) return FormatTime(seconds, form);
  // The picture with its letters blanked.
  return form == TimeForm::kHhmm ? Text(4, ' ') : Text("  :  ");
}

Text PointsHead(std::size_t width) { return PadLeft(width < 3 ? "P" : "Pkt", width); }

Text MultiCaption(const ContestDefinition& d, int i) {
  return i == 0 ? d.MultName1 : (i == 1 ? d.MultName2 : d.MultName3);
}

// A list on paper: before a line that would not fit, a new page with the
// page head again.
class Pager {
 public:
  Pager(LineSink& out, std::function<void()> head) : out_(out), head_(std::move(head)) {}
  void Head() { head_(); }
  void Room(int lines) {
    if (out_.Paper() && out_.LinesLeft() < lines) {
      out_.NewPage();
      head_();
    }
  }

 private:
  LineSink& out_;
  std::function<void()> head_;
};

Text PageTitle(const Text& text, std::size_t width, const LineSink& out) {
  Text t = PadRight(text, width);
  if (out.Paper()) t += "Page :" + FormatNumber(out.PageNumber(), 4);
  return t;
}

void BoldLine(LineSink& out, const Text& text) {
  out.SetBold(true);
  out.Write(text);
  out.SetBold(false);
}

class QsoListWriter {
 public:
  QsoListWriter(const ExportInputs& in, store::FileBlock* log, const ListColumns& c, LineSink& out, bool csv)
      : in_(in), d_(in.definition), log_(log), c_(c), out_(out), csv_(csv), code_(in.contest_code) {
    // Both exchange columns of a listener log take the wider width: the
    // received exchange stands first there, under the head's "SENT".
    exchange_first_ = exchange_second_ = in.Listener() ? std::max(c.sent, c.received) : 0;
    if (!in.Listener()) exchange_first_ = c.sent, exchange_second_ = c.received;
  }

  bool Write() {
    Pager pager(out_, [&] { PageHead(); });
    pager.Head();
    std::size_t longest = 0;
    std::int64_t position = 0;
    WalkContacts(in_.files->fm(), log_, 4, [&](ConstBytes r) {
      pager.Room(1);
      const Text row = Row(r, ++position);
      longest = std::max(longest, row.size());
      out_.Write(row);
      return out_.Good();
    });
    if (!csv_) Footer(pager, longest ? longest : head_length_);
    return out_.Good();
  }

 private:
  Text Sep() const { return csv_ ? ";" : " "; }

  void PageHead() {
    if (!csv_) {
      const Text who = in_.Listener() ? "  -  QSO-Liste     SWL : " + in_.ListenerCall()
                                      : "  -  QSO-Liste     CALL: " + in_.OwnCall();
      BoldLine(out_, PageTitle(d_.ContestTitle + who, 77, out_));
      out_.Blank();
    }
    const Text s = Sep();
    Text h = csv_ ? "DATE  " : "Nr   DATE  ";
    h += s + "UTC " + s + PadRight("CALL ", c_.call) + s + "BAND" + s + "MODE  ";
    if (in_.Listener())
      h += s + PadRight("SENT  ", exchange_first_) + s + "CALL2    " + s +
           PadRight("SENT2 ", exchange_second_);
    else
      h += s + PadRight("SENT  ", exchange_first_) + s + PadRight("RCVD  ", exchange_second_);
    for (int i = 0; i < 3; ++i)
      if (c_.multi_shown[static_cast<std::size_t>(i)])
        h += s + PadRight(MultiCaption(d_, i), c_.multi[static_cast<std::size_t>(i)]);
    h += s + PointsHead(c_.points);
    if (code_ == 'I' || code_ == 'l') h += " Name/QTH";
    if (code_ == 'O') h += " Name";
    head_length_ = h.size();
    out_.Write(h);
  }

  Text Row(ConstBytes r, std::int64_t position) const {
    const Text s = Sep();
    Text row = csv_ ? DateCell(GetI32(r, qso::kDate.offset), false)
                    : FormatNumber(position, 4) + " " + DateCell(GetI32(r, qso::kDate.offset), true);
    row += s + TimeCell(GetI32(r, qso::kTime.offset), csv_ ? TimeForm::kHhMm : TimeForm::kHhmm);
    const Text call = GetText(r, qso::kCall);
    const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
    row += s + (csv_ ? Trim(call) : PadRight(call, c_.call));
    row += s + (csv_ ? Trim(QsoListBand(band)) : QsoListBand(band));
    row += s + (csv_ ? Trim(GetText(r, qso::kMode)) : PadRight(GetText(r, qso::kMode), 6));
    if (in_.Listener()) {
      row += s + ExchangeCell(LoadRcvdExchange(r), exchange_first_) + s +
             PadRight(GetText(r, qso::kSecondCall), 9) + s +
             ExchangeCell(LoadSentExchange(r), exchange_second_);
    } else {
      row += s + ExchangeCell(LoadSentExchange(r), exchange_first_) + s +
             ExchangeCell(LoadRcvdExchange(r), exchange_second_);
    }
    for (std::size_t i = 0; i < 3; ++i)
      if (c_.multi_shown[i]) row += s + PadRight(GetText(r, *kMultiFields[i]), c_.multi[i]);
    const Text points = std::to_string(GetU16(r, qso::kPoints.offset));
    row += s + (csv_ ? points : PadLeft(points, c_.points));
    if (code_ == 'I' || code_ == 'l' || code_ == 'O') {
      const Text nq = GetText(r, qso::kNameQth);
      if (nq != ";") {
        const auto semi = nq.find(';');
        const Text name = nq.substr(0, semi), qth = semi == Text::npos ? Text() : nq.substr(semi + 1);
        row += s + name;
        if (code_ != 'O' && !name.empty() && !qth.empty()) row += "/" + qth;
      }
    }
    return row;
  }

  void Footer(Pager& pager, std::size_t width) {
    const StoredTotals t = in_.Totals();
    const std::int64_t p = t.sum.points, m = t.sum.multipliers;
    std::vector<Text> lines;
    if (d_.MultiplierKinds.none() || d_.ScoreIsPointSum || d_.ScorePerBandProduct) {
      lines.push_back(FormatNumber(d_.ScorePerBandProduct ? FinalScore(d_, t) : p, 7) + " Punkte");
    } else {
      Text kinds;
      for (std::size_t k = 1; k <= 3; ++k)
        if (t.sum.kinds[k] > 0) kinds += (kinds.empty() ? "" : " + ") + FormatNumber(t.sum.kinds[k], 5);
      lines.push_back((kinds.empty() ? Text() : "(" + kinds + ")") + " x " + FormatNumber(p, 7));
      lines.push_back(Text());
      lines.push_back(FormatNumber(m >= 1 ? p * m : p, 7) + " Punkte");
    }
    if (code_ == '5') lines.push_back(FormatNumber(m, 7) + " PLZ-Bereiche");
    pager.Room(4);
    out_.Blank();
    for (const Text& line : lines) {
      if (line.empty())
        out_.Blank();
      else
        out_.Write(PadLeft(line, width));
    }
  }

  const ExportInputs& in_;
  const ContestDefinition& d_;
  store::FileBlock* log_;
  const ListColumns& c_;
  LineSink& out_;
  bool csv_;
  char code_;
  std::size_t exchange_first_ = 9, exchange_second_ = 9;
  std::size_t head_length_ = 0;
};

}  // namespace

ListColumns MeasureColumns(const ContestDefinition& d, store::FileManager& fm, store::FileBlock* log) {
  ListColumns c;
  std::array<std::size_t, 3> longest{};
  std::size_t call = 0, sent = 0, received = 0, points = 1;
  WalkContacts(fm, log, 1, [&](ConstBytes r) {
    call = std::max(call, Trim(GetText(r, qso::kCall)).size());
    sent = std::max(sent, Trim(LoadSentExchange(r)).size());
    received = std::max(received, Trim(LoadRcvdExchange(r)).size());
    points = std::max(points, std::to_string(GetU16(r, qso::kPoints.offset)).size());
    for (std::size_t i = 0; i < 3; ++i)
      longest[i] = std::max(longest[i], Trim(GetText(r, *kMultiFields[i])).size());
    return true;
  });
  c.call = std::max<std::size_t>(call + 2, 8);
  c.sent = std::max<std::size_t>(sent + 2, 9);
  c.received = std::max<std::size_t>(received + 2, 9);
  c.points = points;
  for (std::size_t i = 0; i < 3; ++i) {
    const Text caption = MultiCaption(d, static_cast<int>(i));
    c.multi_shown[i] = !caption.empty();
    c.multi[i] = std::max(caption.size(), longest[i]) + 2;
  }
  return c;
}

bool WriteQsoList(const ExportInputs& in, store::FileBlock* log, const ListColumns& columns, LineSink& out) {
  return QsoListWriter(in, log, columns, out, false).Write();
}

bool WriteCsvList(const ExportInputs& in, store::FileBlock* log, const ListColumns& columns, LineSink& out) {
  return QsoListWriter(in, log, columns, out, true).Write();
}

bool WriteBandList(const ExportInputs& in, store::FileBlock* log, const ListColumns& c, LineSink& out) {
  const ContestDefinition& d = in.definition;
  const Text& who = in.Listener() ? in.ListenerCall() : in.OwnCall();
  Pager pager(out, [&] {
    BoldLine(out, PageTitle(d.ContestTitle + "  Band List   " + who, in.Listener() ? 77 : 65, out));
    out.Blank();
    Text h = "DATE   UTC  " + PadRight("CALL ", c.call) + " BAND MODE " + PadRight("SENT  ", c.sent);
    h +=
        in.Listener() ? " CALL2     " + PadRight("SENT2 ", c.received) : " " + PadRight("RCVD  ", c.received);
    for (std::size_t i = 0; i < 3; ++i)
      if (c.multi_shown[i]) h += " " + PadRight(MultiCaption(d, static_cast<int>(i)), c.multi[i]);
    out.Write(h + " " + PointsHead(c.points));
  });
  pager.Head();
  store::FileManager& fm = in.files->fm();
  for (char band : ListBands(d)) {
    pager.Room(4);
    out.Blank();
    out.Blank();
    const Text heading = "Band List   " + Cut(who, 29) + "   " + BandName(band, false);
    if (out.Paper())
      BoldLine(out, heading);
    else
      out.Write(heading);
    out.Blank();
    if (!log) continue;
    for (int s = fm.SearchKey(log, 8, Text(1, band)); s == 0; s = fm.NextKey(log, 8)) {
      const ConstBytes r = fm.RecordBuffer(log);
      if (static_cast<char>(GetU8(r, qso::kBand.offset)) != band) break;
      if (GetU8(r, qso::kQsyBand.offset) != 0) continue;
      Text row = DateCell(GetI32(r, qso::kDate.offset), true) + " " +
                 TimeCell(GetI32(r, qso::kTime.offset), TimeForm::kHhmm);
      row +=
          " " + PadRight(GetText(r, qso::kCall), c.call) + " " + PadRight(BandWithoutLastCharacter(band), 4);
      row += " " + PadRight(GetText(r, qso::kMode), 4) + " " + ExchangeCell(LoadSentExchange(r), c.sent);
      if (in.Listener()) row += " " + PadRight(GetText(r, qso::kSecondCall), 9);
      row += " " + ExchangeCell(LoadRcvdExchange(r), c.received);
      for (std::size_t i = 0; i < 3; ++i)
        if (c.multi_shown[i]) row += " " + PadRight(GetText(r, *kMultiFields[i]), c.multi[i]);
      row += " " + PadLeft(std::to_string(GetU16(r, qso::kPoints.offset)), c.points);
      pager.Room(1);
      out.Write(row);
      if (!out.Good()) return false;
    }
  }
  return out.Good();
}

bool WriteMultiCheckList(const ExportInputs& in, store::FileBlock* log, LineSink& out) {
  const ContestDefinition& d = in.definition;
  const std::vector<char> bands = ListBands(d);
  Pager pager(out, [&] {
    const Text& who = in.Listener() ? in.ListenerCall() : in.OwnCall();
    BoldLine(out, PageTitle(d.ContestTitle + " Multiplier Check List   " + who, 65, out));
    out.Blank();
    out.Blank();
    Text h = PadRight("Multi", 8);
    for (char band : bands) h += PadRight(BandName(band, false), 13);
    out.Write(h);
    out.Blank();
  });
  pager.Head();
  store::FileManager& fm = in.files->fm();
  // The contacts of one value follow each other in the section's index;
  // each value gives one line with the first call worked on each band.
  const auto section = [&](int key, const std::function<Text(ConstBytes)>& value_of) {
    Text current;
    std::vector<Text> calls(bands.size());
    bool any = false;
    const auto flush = [&] {
      if (any) {
        Text line = PadRight(Cut(current, 6), 8);
        for (const Text& call : calls) line += PadRight(call, 13);
        pager.Room(1);
        out.Write(line);
      }
      std::fill(calls.begin(), calls.end(), Text());
      any = false;
    };
    WalkContacts(fm, log, key, [&](ConstBytes r) {
      const char band = static_cast<char>(GetU8(r, qso::kBand.offset));
      const Text value = value_of(r);
      if (band == 0 || band == ' ' || value.empty()) return true;
      if (value != current) {
        flush();
        current = value;
      }
      const auto at = std::find(bands.begin(), bands.end(), band);
      if (at != bands.end()) {
        Text& call = calls[static_cast<std::size_t>(at - bands.begin())];
        if (call.empty()) call = Cut(Trim(GetText(r, qso::kCall)), 12), any = true;
      }
      return out.Good();
    });
    flush();
  };
  const ElementSet& kinds = d.MultiplierKinds;
  if (kinds.test(4) || kinds.test(8) || kinds.test(17))
    section(18, [](ConstBytes r) { return Trim(LoadRcvdDok(r)); });
  if (kinds.test(2)) {
    section(5, [&](ConstBytes r) {
      const Text country = Trim(GetText(r, qso::kCountryPrefix));
      if (country == "DL" && !kinds.test(3)) return Text();
      if (kinds.test(9) && Trim(GetText(r, qso::kContinent)) != "EU") return Text();
      return country;
    });
  }
  return out.Good();
}

}  // namespace vek
