// Outputs of logs on the in-memory file system: a contest-g log typed
// through the entry session, logs of other codes written record by record,
// and a reader of the text files written from their rules (five blanks in
// front of every line, CR LF, nothing but Windows-1252 single bytes).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/catalogue_records.h"
#include "export/export_inputs.h"
#include "export/output_run.h"
#include "logging/contest_log.h"
#include "logging/entry_session_fixture.h"
#include "logging/qso_record.h"

namespace vek {

// The lines of a written list file, each without the five blanks in front;
// a line that breaks a rule of the format fails the test.
inline std::vector<std::string> ReadListFile(const std::string& bytes, bool leading_blanks = true) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t cr = bytes.find("\r\n", at);
    if (cr == std::string::npos) {
      ADD_FAILURE() << "the file does not end with CR LF: " << bytes.substr(at);
      break;
    }
    std::string line = bytes.substr(at, cr - at);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare line feed in: " << line;
    EXPECT_EQ(line.find('\r'), std::string::npos) << "a bare carriage return in: " << line;
    if (leading_blanks) {
      EXPECT_EQ(line.substr(0, 5), "     ") << "no five blanks in front of: " << line;
      line = line.substr(std::min<std::size_t>(5, line.size()));
    }
    lines.push_back(line);
    at = cr + 2;
  }
  return lines;
}

// A log's records and inputs, as the output menu would get them.
class ExportTest : public EntrySessionTest {
 protected:
  void SetUp() override {
    EntrySessionTest::SetUp();
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 17), 18 * 3600});
  }

  ExportInputs Inputs(const ContestDefinition& d, char code, int class_number) {
    ExportInputs in;
    in.definition = d;
    in.contest_code = code;
    in.log_number = 3;
    PutI32(in.qvkk, qvkk::kLogNumber.offset, 3);
    PutU8(in.qvkk, qvkk::kClassNumber.offset, static_cast<std::uint8_t>(class_number));
    PutText(in.qvkk, qvkk::kOwnDok, "I38");
    PutI32(in.qvkz, qvkz::kLogNumber.offset, 3);
    in.station.own_call = "DF0NS";
    in.station.own_locator = "JO43KD";
    in.station.name = "Hans Meier";
    in.station.street = "Am Deich 5";
    in.station.postcode_town = "26129 Oldenburg";
    in.station.country = "Deutschland";
    in.clock = &clock_;
    in.files = files_.get();
    return in;
  }

  // A log of any contest code with its definition built as the catalogue
  // builds it (class, number answer, the language of code H).
  ExportInputs For(char code, int class_number, std::int32_t extra = -1) {
    DefinitionInputs d;
    d.ContestCode = code;
    d.ClassNumber = class_number;
    d.DateFrom = *DayNumberFromDate(2009, 1, 3);
    d.OwnDok = "I38";
    d.OwnLocator = "JO43KD";
    d.ExtraNumber = extra;
    DefinitionEffects effects;
    ExportInputs in = Inputs(BuildContestDefinition(d, &effects), code, class_number);
    in.english = effects.EnglishMessages;
    PutI32(in.qvkk, qvkk::kExtraNumber.offset, extra);
    return in;
  }

  // The written file of a kind, read back.
  std::string Write(OutputKind kind, const ExportInputs& in, const std::string& path = "/out/file") {
    const OutputOutcome r = WriteOutputFile(kind, in, path, port_);
    EXPECT_EQ(r.result, OutputResult::kWritten);
    return fs_.Text(path);
  }

  // A contact written straight into log 3, for the codes the entry window
  // of this edition does not type.
  struct Qso {
    const char* call;
    char band;
    const char* mode = "SSB";
    int points = 1;
    const char* mark1 = "";
    const char* mark2 = "";
    const char* second = "";
    const char* sent = "59 001";
    const char* rcvd = "59 001";
    const char* locator = "";
    const char* country = "DL";
    std::int32_t time = 12 * 3600;
    char qsy = 0;  // a band-change entry to this band
    std::int32_t qrb = 0;
    std::int32_t date = 0;  // 0: 03.01.2009; -1: none
  };
  void AddQsos(std::initializer_list<Qso> qsos) {
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    store::FileBlock* fb = log.log();
    std::int32_t n = fm_->RecordCount(fb);
    for (const Qso& q : qsos) {
      ++n;
      fm_->ClearRecord(fb);
      Bytes r = fm_->RecordBuffer(fb);
      PutI32(r, qso::kEntryNo.offset, n);
      PutI32(r, qso::kSerialNo.offset, n);
      PutI32(r, qso::kBandNoA.offset, n);
      PutI32(r, qso::kBandNoB.offset, n);
      PutText(r, qso::kCall, q.call);
      PutI32(r, qso::kDate.offset, q.date == 0 ? *DayNumberFromDate(2009, 1, 3) : q.date);
      PutU8(r, qso::kQsyBand.offset, static_cast<std::uint8_t>(q.qsy));
      PutI32(r, qso::kQrbKm.offset, q.qrb);
      PutI32(r, qso::kTime.offset, q.time < 0 ? -1 : q.time + n * 60);
      PutText(r, qso::kMode, q.mode);
      PutU8(r, qso::kBand.offset, static_cast<std::uint8_t>(q.band));
      PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(q.points));
      PutText(r, qso::kMultiMark1, q.mark1);
      PutText(r, qso::kMultiMark2, q.mark2);
      PutText(r, qso::kSecondCall, q.second);
      PutText(r, qso::kLocator, q.locator);
      PutText(r, qso::kCountryPrefix, q.country);
      StoreSentExchange(r, q.sent);
      StoreRcvdExchange(r, q.rcvd);
      ASSERT_EQ(fm_->AddRecord(fb), 0);
    }
    log.CloseContestLog();
  }

  // Totals of slot n in the totals record.
  static void SlotTotalsInQvkz(ExportInputs& in, int n, std::int32_t qsos, std::int32_t multipliers,
                               std::int32_t points, std::array<std::int16_t, 3> kinds = {}) {
    PutU8(in.qvkk, qvkk::kTotalsInExtraRecord.offset, 1);
    PutI32(in.qvkz, qvkz::QsoOffset(n), qsos);
    PutI32(in.qvkz, qvkz::MultiplierOffset(n), multipliers);
    PutI32(in.qvkz, qvkz::PointsOffset(n), points);
    for (int k = 1; k <= 3; ++k)
      PutI16(in.qvkz, qvkz::ColumnOffset(k, n), kinds[static_cast<std::size_t>(k - 1)]);
  }
};

// Ten contacts of contest g typed through the entry session on 2 m and,
// after a band change, on 70 cm; and a band-change entry of another program.
class ContestGLogTest : public ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    EntryContext c = Context('g', 1);
    c.station.own_call = "DF0NS";
    EntrySession& s = Open(std::move(c));
    s.ChangeMode("CW");
    const auto at = [&](int d, int h, int m) {
      clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, d), h * 3600 + m * 60});
      s.ClockTick();
    };
    at(15, 14, 13), Contact("DL1AAA", "001", "JO43AB", "I23");
    at(15, 14, 20), Contact("DL2BBB", "002", "JO53CD", "I23");
    at(15, 14, 31), Contact("PA3CCC", "003", "JO32EF", "");
    at(15, 14, 45), Contact("DK4DDD", "004", "JO43GH", "I05");
    at(15, 15, 2), Contact("DL5EEE", "005", "JN49AA", "B05");
    at(15, 15, 30), Contact("DL6FFF", "006", "JO31AA", "DVI");
    at(16, 8, 40);
    s.ChangeBand('l');
    Contact("DL1AAA", "007", "JO43AB", "I23");
    at(16, 8, 52), Contact("DL7GGG", "008", "JO44XX", "I12");
    at(16, 9, 5), Contact("OE1HHH", "009", "JN88AA", "");
    at(16, 9, 30), Contact("DL9III", "010", "JO43WW", "I23");
    ASSERT_EQ(s.saves(), 10);
    in_ = Inputs(s.definition(), 'g', 1);
    s.Close(in_.qvkk, in_.qvkz);
    session_.reset();
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 17), 18 * 3600});
    AddBandChangeEntry();
  }

  // A band-change entry of the suite's other programs, which no output shows.
  void AddBandChangeEntry() {
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    fm_->ClearRecord(log.log());
    Bytes r = fm_->RecordBuffer(log.log());
    PutI32(r, qso::kEntryNo.offset, 50);
    PutI32(r, qso::kDate.offset, *DayNumberFromDate(2008, 11, 16));
    PutI32(r, qso::kTime.offset, 8 * 3600 + 35 * 60);
    PutU8(r, qso::kBand.offset, 'k');
    PutU8(r, qso::kQsyBand.offset, 'l');
    PutText(r, qso::kCall, "QSYQSY");
    ASSERT_EQ(fm_->AddRecord(log.log()), 0);
    log.CloseContestLog();
  }

  ExportInputs in_;
};

}  // namespace vek
