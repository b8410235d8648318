// ADIF: the exported file of typed logs against hand-written texts, read
// back by a strict reader written from the format's rules; the import's
// reading rules, checks, counts and hostile files; the round trip.
#include <algorithm>
#include <fstream>

#include "export/adif_export.h"
#include "export/adif_import.h"
#include "export/export_fixture.h"
#include "store/store_check.h"

namespace vek {
namespace {

// A strict reader: after the header, every field is "<TAG:n>" followed by
// exactly n bytes; fields are separated by blanks; every record ends with
// "<EOR>". Returns the records as (tag, value) lists; a broken rule fails.
std::vector<std::vector<std::pair<std::string, std::string>>> StrictAdif(const std::string& text) {
  std::vector<std::vector<std::pair<std::string, std::string>>> records;
  const std::size_t eoh = text.find("<EOH>");
  EXPECT_NE(eoh, std::string::npos);
  if (eoh == std::string::npos) return records;
  std::size_t at = eoh + 5;
  std::vector<std::pair<std::string, std::string>> current;
  while (at < text.size()) {
    const char c = text[at];
    if (c == ' ' || c == '\r' || c == '\n') {
      ++at;
      continue;
    }
    if (c != '<') {
      ADD_FAILURE() << "text outside a field at " << at << ": " << text.substr(at, 20);
      break;
    }
    const std::size_t close = text.find('>', at);
    if (close == std::string::npos) {
      ADD_FAILURE() << "a field that never closes";
      break;
    }
    const std::string spec = text.substr(at + 1, close - at - 1);
    if (spec == "EOR") {
      records.push_back(current);
      current.clear();
      at = close + 1;
      continue;
    }
    const std::size_t colon = spec.find(':');
    if (colon == std::string::npos) {
      ADD_FAILURE() << "a field without length: " << spec;
      break;
    }
    const std::string tag = spec.substr(0, colon), length = spec.substr(colon + 1);
    EXPECT_FALSE(length.empty()) << tag;
    EXPECT_TRUE(std::all_of(length.begin(), length.end(), [](char d) { return d >= '0' && d <= '9'; }))
        << spec;
    const std::size_t n = std::stoul(length);
    const std::string value = text.substr(close + 1, n);
    EXPECT_EQ(value.size(), n) << tag;
    at = close + 1 + n;
    // After the value: a blank before the next field, or the line's end.
    EXPECT_TRUE(at >= text.size() || text[at] == ' ' || text[at] == '\r') << tag << " is longer than " << n;
    current.emplace_back(tag, value);
  }
  EXPECT_TRUE(current.empty()) << "a record without <EOR>";
  return records;
}

class AdifExportTest : public ContestGLogTest {
 protected:
  std::string Export(bool rst_only) {
    port_.SetDefaultAnswer(rst_only);
    return Write(OutputKind::kAdif, in_, "/out/log.ADI");
  }
};

TEST_F(AdifExportTest, ContestGLogAsWrittenWithTheWholeExchangeInTheReports) {
  const std::vector<std::string> expected = {
      "ADIF-Export generated with Tesmar Vek UKW Nordsee Version 2008-2.0 https://vek-contest.example",
      "<ADIF_VER:5>3.1.6 <PROGRAMID:15>Vek UKW Nordsee <PROGRAMVERSION:8>2008-2.0",
      "<EOH>",
      "<QSO_DATE:8>20081115 <TIME_ON:4>1413 <CALL:6>DL1AAA <RST_SENT:15>599001/JO43/I38 "
      "<RST_RCVD:17>599001/JO43AB/I23 <BAND:2>2m <MODE:2>CW <PTS:1>1 <DOK:3>I23 <GRIDSQUARE:6>JO43AB "
      "<DXCC:3>230 "
      "<DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>I23 <EOR>",
      "<QSO_DATE:8>20081115 <TIME_ON:4>1420 <CALL:6>DL2BBB <RST_SENT:15>599002/JO43/I38 "
      "<RST_RCVD:17>599002/JO53CD/I23 <BAND:2>2m <MODE:2>CW <PTS:1>2 <DOK:3>I23 <GRIDSQUARE:6>JO53CD "
      "<DXCC:3>230 "
      "<DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>I23 <EOR>",
      "<QSO_DATE:8>20081115 <TIME_ON:4>1431 <CALL:6>PA3CCC <RST_SENT:15>599003/JO43/I38 "
      "<RST_RCVD:13>599003/JO32EF <BAND:2>2m <MODE:2>CW <PTS:1>2 <DOK:0> <GRIDSQUARE:6>JO32EF <DXCC:3>263 "
      "<DXCC_PFX:2>PA <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <EOR>",
      "<QSO_DATE:8>20081115 <TIME_ON:4>1445 <CALL:6>DK4DDD <RST_SENT:15>599004/JO43/I38 "
      "<RST_RCVD:17>599004/JO43GH/I05 <BAND:2>2m <MODE:2>CW <PTS:1>1 <DOK:3>I05 <GRIDSQUARE:6>JO43GH "
      "<DXCC:3>230 "
      "<DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>I05 <EOR>",
      "<QSO_DATE:8>20081115 <TIME_ON:4>1502 <CALL:6>DL5EEE <RST_SENT:15>599005/JO43/I38 "
      "<RST_RCVD:17>599005/JN49AA/B05 <BAND:2>2m <MODE:2>CW <PTS:1>5 <DOK:3>B05 <GRIDSQUARE:6>JN49AA "
      "<DXCC:3>230 "
      "<DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>B05 <EOR>",
      "<QSO_DATE:8>20081115 <TIME_ON:4>1530 <CALL:6>DL6FFF <RST_SENT:15>599006/JO43/I38 "
      "<RST_RCVD:17>599006/JO31AA/DVI <BAND:2>2m <MODE:2>CW <PTS:2>13 <DOK:3>DVI <GRIDSQUARE:6>JO31AA "
      "<DXCC:3>230 "
      "<DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>DVI <EOR>",
      "<QSO_DATE:8>20081116 <TIME_ON:4>0840 <CALL:6>DL1AAA <RST_SENT:15>599007/JO43/I38 "
      "<RST_RCVD:17>599007/JO43AB/I23 <BAND:4>70cm <MODE:2>CW <PTS:1>1 <DOK:3>I23 <GRIDSQUARE:6>JO43AB "
      "<DXCC:3>230 <DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>I23 <EOR>",
      "<QSO_DATE:8>20081116 <TIME_ON:4>0852 <CALL:6>DL7GGG <RST_SENT:15>599008/JO43/I38 "
      "<RST_RCVD:17>599008/JO44XX/I12 <BAND:4>70cm <MODE:2>CW <PTS:1>2 <DOK:3>I12 <GRIDSQUARE:6>JO44XX "
      "<DXCC:3>230 <DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>I12 <EOR>",
      "<QSO_DATE:8>20081116 <TIME_ON:4>0905 <CALL:6>OE1HHH <RST_SENT:15>599009/JO43/I38 "
      "<RST_RCVD:13>599009/JN88AA <BAND:4>70cm <MODE:2>CW <PTS:1>6 <DOK:0> <GRIDSQUARE:6>JN88AA <DXCC:3>206 "
      "<DXCC_PFX:2>OE <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <EOR>",
      "<QSO_DATE:8>20081116 <TIME_ON:4>0930 <CALL:6>DL9III <RST_SENT:15>599010/JO43/I38 "
      "<RST_RCVD:17>599010/JO43WW/I23 <BAND:4>70cm <MODE:2>CW <PTS:1>1 <DOK:3>I23 <GRIDSQUARE:6>JO43WW "
      "<DXCC:3>230 <DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS <MY_GRIDSQUARE:6>JO43KD <DARC_DOK:3>I23 <EOR>",
  };
  const std::string file = Export(false);
  EXPECT_EQ(ReadListFile(file), expected);
  EXPECT_EQ(port_.Questions(), (std::vector<Text>{"Von der Kontrollnummer nur RS(T) exportieren?"}));
  const auto records = StrictAdif(file);
  ASSERT_EQ(records.size(), 10u);
  EXPECT_EQ(records[5][2], (std::pair<std::string, std::string>{"CALL", "DL6FFF"}));
}

TEST_F(AdifExportTest, WithOnlyTheReportTheRestGoesToStxAndSrx) {
  const auto records = StrictAdif(Export(true));
  ASSERT_EQ(records.size(), 10u);
  using Fields = std::vector<std::pair<std::string, std::string>>;
  const auto& r = records[0];
  const Fields expected = {
      {"RST_SENT", "599"}, {"RST_RCVD", "599"}, {"STX", "001/JO43/I38"}, {"SRX", "001/JO43AB/I23"}};
  EXPECT_EQ(Fields(r.begin() + 3, r.begin() + 7), expected);
}

class AdifOtherLogsTest : public ExportTest {};

TEST_F(AdifOtherLogsTest, ContestAAsksNothingAndWritesTheLdk) {
  ExportInputs in = For('A', 1);
  AddQsos({{.call = "DL1AA",
            .band = 'b',
            .mode = "SSB",
            .points = 2,
            .sent = "59 NI",
            .rcvd = "59 RP",
            .locator = ""},
           {.call = "DL2BB", .band = 'c', .mode = "CW", .points = 1, .sent = "599NI", .rcvd = "579"}});
  {
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    ASSERT_EQ(fm_->FindKey(log.log(), 4, store::LongToKey(1)), 0);
    StoreRcvdDok(fm_->RecordBuffer(log.log()), "RP");
    PutU8(fm_->RecordBuffer(log.log()), qso::kQslSent.offset, 'J');
    PutU8(fm_->RecordBuffer(log.log()), qso::kQslRcvd.offset, ' ');
    PutF32(fm_->RecordBuffer(log.log()), qso::kFreqMHz.offset, 3.6f);
    PutText(fm_->RecordBuffer(log.log()), qso::kNameQth, "Udo;Trier");
    ASSERT_EQ(fm_->PutRecord(log.log()), 0);
    log.CloseContestLog();
  }
  const std::string district = in.definition.MultiplierKinds.test(8)    ? "AREA"
                               : in.definition.MultiplierKinds.test(17) ? "LDK"
                                                                        : "DOK";
  const std::vector<std::string> lines = ReadListFile(Write(OutputKind::kAdif, in, "/out/a.ADI"));
  EXPECT_TRUE(port_.Questions().empty());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "ADIF-Export generated with Tesmar " + in.definition.EditionName +
                          " https://vek-contest.example");
  EXPECT_EQ(lines[3],
            "<QSO_DATE:8>20090103 <TIME_ON:4>1201 <CALL:5>DL1AA <RST_SENT:3>59  <RST_RCVD:3>59  "
            "<STX:2>NI <SRX:2>RP <LDK:2>RP <BAND:3>80m <MODE:3>SSB <PTS:1>2 <" +
                district +
                ":2>RP <GRIDSQUARE:0> <DXCC:3>230 <DXCC_PFX:2>DL <FREQ:6>3.6000 "
                "<NAME:3>Udo <QTH:5>Trier <QSL_SENT:1>Y <STATION_CALLSIGN:5>DF0NS "
                "<MY_GRIDSQUARE:6>JO43KD" +
                (district == "DOK" ? " <DARC_DOK:2>RP" : "") + " <EOR>");
  EXPECT_EQ(lines[4],
            "<QSO_DATE:8>20090103 <TIME_ON:4>1202 <CALL:5>DL2BB <RST_SENT:3>599 <RST_RCVD:3>579 "
            "<STX:2>NI <BAND:3>40m <MODE:2>CW <PTS:1>1 <" +
                district +
                ":0> <GRIDSQUARE:0> <DXCC:3>230 <DXCC_PFX:2>DL <STATION_CALLSIGN:5>DF0NS "
                "<MY_GRIDSQUARE:6>JO43KD <EOR>");
  EXPECT_EQ(StrictAdif(Write(OutputKind::kAdif, in, "/out/a.ADI")).size(), 2u);
}

TEST_F(AdifOtherLogsTest, PacketModeListenerFieldsAndQslMarks) {
  ExportInputs in = For('Y', 1, 2);
  ASSERT_TRUE(in.Listener());
  AddQsos({{.call = "DL1AA",
            .band = 'c',
            .mode = "PR",
            .second = "DK2BB",
            .sent = "57 012",
            .rcvd = "59 003B05"}});
  port_.SetDefaultAnswer(true);
  const auto records = StrictAdif(Write(OutputKind::kAdif, in, "/out/y.ADI"));
  ASSERT_EQ(records.size(), 1u);
  const auto has = [&](const std::string& tag, const std::string& value) {
    return std::find(records[0].begin(), records[0].end(), std::make_pair(tag, value)) != records[0].end();
  };
  EXPECT_TRUE(has("RST_SENT", "59 "));
  EXPECT_TRUE(has("CALL_WKD", "DK2BB"));
  EXPECT_TRUE(has("RST_WKD", "57 "));
  EXPECT_TRUE(has("MODE", "PKT"));
  EXPECT_FALSE(has("RST_RCVD", "59 "));
}

// --- import ---

TEST(AdifReadingTest, HeaderCommentsLinesAndOpenBrackets) {
  const AdifFile f = ReadAdifRecords(
      "Header <CALL:4>XXXX text\r\n<adif_ver:5>3.1.6\r\n<EOH>\r\n"
      "# a comment <NOTAG:1>x\r\n"
      "<call:5>dl1aa <qso_date:8>20081115\r\n<time_on:6>143015 <eor>\r\n"
      "<CALL:5>DL2BB <BROKEN<MODE:2>CW <EOR><CALL:5>DL3CC <EOR>\r\n"
      "<CALL:5>DL4DD");
  ASSERT_EQ(f.records.size(), 3u);
  EXPECT_EQ(f.records[0], "<CALL:5>DL1AA <QSO_DATE:8>20081115 <TIME_ON:6>143015 <EOR>");
  EXPECT_EQ(f.tags, (std::vector<Text>{"CALL", "QSO_DATE", "TIME_ON", "MODE"}));
  EXPECT_EQ(AdifValue(f.records[0], "TIME_ON"), "143015");
  EXPECT_EQ(AdifValue(f.records[1], "MODE"), "CW");
  EXPECT_EQ(AdifValue(f.records[2], "CALL"), "DL3CC");
  EXPECT_EQ(AdifValue(f.records[2], "MODE"), std::nullopt);
  EXPECT_TRUE(ReadAdifRecords("<CALL:5>DL1AA <MODE:2>CW").records.empty());
}

TEST(AdifReadingTest, HostileInputsEndWithACount) {
  std::string binary(1 << 16, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 7919) % 251);
  EXPECT_LE(ReadAdifRecords(binary).records.size(), 1u);
  // One line of 100 MB without a record end.
  std::string long_line(100 << 20, 'A');
  long_line.replace(0, 9, "<CALL:99>");
  EXPECT_TRUE(ReadAdifRecords(long_line).records.empty());
  // A "<" that never closes, lengths that lie.
  EXPECT_TRUE(ReadAdifRecords("<CALL:5>DL1AA <EOR <MODE:2 CW").records.empty());
  const AdifFile lying = ReadAdifRecords("<CALL:99>DL1AA <MODE:-3>CW <EOR>");
  ASSERT_EQ(lying.records.size(), 1u);
  EXPECT_EQ(AdifValue(lying.records[0], "CALL"), "DL1AA");
  // 200,000 records.
  std::string many;
  for (int i = 0; i < 200000; ++i) many += "<CALL:5>DL1AA <EOR>\n";
  EXPECT_EQ(ReadAdifRecords(many).records.size(), 200000u);
}

class AdifImportTest : public ExportTest {
 protected:
  EntrySession& OpenG() {
    EntryContext c = Context('g', 1);
    c.station.own_call = "DF0NS";
    EntrySession& s = Open(std::move(c));
    s.ChangeMode("CW");
    return s;
  }
  AdifCounts Import(EntrySession& s, std::string_view text, bool no_check = false,
                    std::initializer_list<std::pair<const char*, const char*>> extra = {}) {
    AdifImport import(s);
    import.LoadText(text);
    import.MapSame();
    for (const auto& [tag, field] : extra) {
      const auto& fields = import.field_list();
      const auto at =
          std::find_if(fields.begin(), fields.end(), [&](const auto& e) { return e.name == field; });
      EXPECT_NE(at, fields.end()) << field;
      EXPECT_TRUE(import.Map(tag, static_cast<std::size_t>(at - fields.begin()))) << tag;
    }
    import.SetNoCheck(no_check);
    return import.Start();
  }
};

TEST_F(AdifImportTest, FieldListNamesTheCaptionsOnTheItemsThatCarryThem) {
  EntrySession& s = OpenG();
  AdifImport import(s);
  std::vector<Text> shown;
  std::vector<EntryFieldId> ids;
  for (const auto& e : import.field_list()) shown.push_back(e.Shown()), ids.push_back(e.field);
  EXPECT_EQ(shown, (std::vector<Text>{"CALL", "QSO_DATE", "TIME_ON", "RST_SENT", "RST_RCVD", "BAND", "FREQ",
                                      "MODE", "Loc", "DOK", "SRX", "STX"}));
  EXPECT_EQ(ids[8], EntryFieldId::eRSTr3);
  EXPECT_EQ(ids[9], EntryFieldId::eRSTr4);
  EXPECT_EQ(ids[10], EntryFieldId::eRSTr2);
  EXPECT_EQ(ids[11], EntryFieldId::eRSTs2);
  EXPECT_FALSE(import.start_enabled());
  import.LoadText("<CALL:5>DL1AA <GRIDSQUARE:6>JO31AA <EOR>");
  EXPECT_TRUE(import.Map("GRIDSQUARE", 8));
  EXPECT_FALSE(import.Map("CALL", 8));  // mapped already
  EXPECT_EQ(import.field_list()[8].Shown(), "Loc (GRIDSQUARE)");
  EXPECT_EQ(import.tag_list(), (std::vector<Text>{"CALL"}));
  EXPECT_TRUE(import.start_enabled());
}

TEST_F(AdifImportTest, ContactsGoThroughTheEntryChecksAndTheCountsAreTold) {
  EntrySession& s = OpenG();
  const AdifCounts c =
      Import(s,
             "<CALL:6>DL1AAA <QSO_DATE:8>20081115 <TIME_ON:6>143015 <BAND:2>2m <MODE:2>CW <SRX:3>001 "
             "<GRIDSQUARE:6>JO43AB <DOK:3>I23 <EOR>\n"
             "<CALL:6>DL1AAA <QSO_DATE:6>081115 <TIME_ON:4>1431 <BAND:2>2m <MODE:2>CW <SRX:3>002 <EOR>\n"
             "<CALL:6>DL2BBB <QSO_DATE:8>20081115 <TIME_ON:4>1432 <BAND:2>2m <MODE:2>FM <EOR>\n"
             "<CALL:6>DL3CCC <QSO_DATE:8>20081115 <TIME_ON:4>1433 <BAND:3>20m <MODE:2>CW <EOR>\n"
             "<CALL:6>DL4DDD <QSO_DATE:8>20081115 <TIME_ON:4>1434 <FREQ:7>432.200 <MODE:3>SSB <EOR>\n",
             false, {{"GRIDSQUARE", "Loc"}, {"DOK", "DOK"}});
  EXPECT_EQ(c.imported, 2);
  EXPECT_EQ(c.duplicates, 1);
  EXPECT_EQ(c.band_failures, 1);
  EXPECT_EQ(c.mode_failures, 1);
  EXPECT_EQ(port_.Messages().back(),
            W("2 Datensätze importiert\r\n1 Calls doppelt\r\n1 fehlende oder falsche "
              "Bandangaben\r\n1 fehlende oder falsche Modeangaben"));
  // The first contact as typed: 14:30 on 15.11.2008, its exchange and points.
  ContestLog log(*files_, 3);
  ASSERT_TRUE(log.OpenContestLog());
  ASSERT_EQ(fm_->FindKey(log.log(), 4, store::LongToKey(1)), 0);
  ConstBytes r = fm_->RecordBuffer(log.log());
  EXPECT_EQ(GetI32(r, qso::kDate.offset), *DayNumberFromDate(2008, 11, 15));
  EXPECT_EQ(GetI32(r, qso::kTime.offset), 14 * 3600 + 30 * 60);
  EXPECT_EQ(LoadRcvdExchange(r), "599001/JO43AB/I23");
  EXPECT_EQ(GetU16(r, qso::kPoints.offset), 1);
  ASSERT_EQ(fm_->FindKey(log.log(), 4, store::LongToKey(2)), 0);
  EXPECT_EQ(GetU8(fm_->RecordBuffer(log.log()), qso::kBand.offset), 'l');  // by its frequency
  log.CloseContestLog();
}

// An import makes the log durable once at its end, not after each contact:
// a sync per contact would make a large import wait on the disk thousands
// of times. What it imported is on the disk when it reports.
TEST_F(AdifImportTest, AnImportMakesTheLogDurableOnceAtItsEnd) {
  EntrySession& s = OpenG();
  std::string text;
  for (int i = 0; i < 60; ++i) {
    const std::string call =
        "DL" + std::to_string(1 + i % 9) + std::string(1, static_cast<char>('A' + i / 9)) + "XY";
    text += "<CALL:" + std::to_string(call.size()) + ">" + call + " <QSO_DATE:8>20081115 <TIME_ON:4>14" +
            std::to_string(10 + i % 50) + " <BAND:2>2m <MODE:2>CW <EOR>\n";
  }
  const std::int64_t syncs = fs_.syncs();
  EXPECT_EQ(Import(s, text).imported, 60);
  EXPECT_LT(fs_.syncs() - syncs, 20);
  store::MemoryFileSystem durable(fs_.DurableImage());
  EXPECT_EQ(store::CheckFiles(durable, "QVLK0003").records_in_use, 60);
  // The log goes on saving each contact durably, as before the import.
  s.Type(EntryFieldId::eCall, "DL9ZZZ");
  s.LeaveField(EntryFieldId::eCall);
  const std::int64_t before_save = fs_.syncs();
  s.SaveQso();
  EXPECT_GE(fs_.syncs() - before_save, 1);
  store::MemoryFileSystem after(fs_.DurableImage());
  EXPECT_EQ(store::CheckFiles(after, "QVLK0003").records_in_use, 61);
}

TEST_F(AdifImportTest, WithoutTheCheckModeAndBandPassAndEveryDuplicateIsCounted) {
  EntrySession& s = OpenG();
  const std::string text = "<CALL:6>DL2BBB <QSO_DATE:8>20081115 <TIME_ON:4>1432 <BAND:2>2m <MODE:2>FM <EOR>";
  EXPECT_EQ(Import(s, text, true).imported, 1);
  const AdifCounts again = Import(s, text, true);
  EXPECT_EQ(again.imported, 0);
  EXPECT_EQ(again.duplicates, 1);
  EXPECT_EQ(port_.Messages().back(), W("0 Datensätze importiert\r\n1 Calls doppelt"));
}

TEST_F(AdifImportTest, FilesOfOtherLogbooksImportWithTheCountsTheirContentGives) {
  struct Expectation {
    const char* file;
    std::int64_t records, band_failures, mode_failures;
  };
  for (const Expectation& e : {Expectation{"wsjtx.adi", 1, 0, 1}, Expectation{"js8call.adi", 1, 0, 1},
                               Expectation{"qrz.adi", 3, 1, 2}, Expectation{"spec-sample.adi", 2, 0, 2}}) {
    Reset();
    EntrySession& s = OpenG();
    AdifImport import(s);
    ASSERT_TRUE(import.LoadFile(store::RealFileSystem(), std::string(VEK_ADIF_FIXTURES) + "/" + e.file))
        << e.file;
    EXPECT_EQ(import.record_count(), static_cast<std::size_t>(e.records)) << e.file;
    import.MapSame();
    AdifCounts c = import.Start();
    EXPECT_EQ(c.imported, 0) << e.file;  // none is a 2 m, 70 cm or 23 cm contact in CW or SSB
    EXPECT_EQ(c.band_failures, e.band_failures) << e.file;
    EXPECT_EQ(c.mode_failures, e.mode_failures) << e.file;
    // Without the check every record is a contact of the log.
    import.SetNoCheck(true);
    c = import.Start();
    EXPECT_EQ(c.imported, e.records) << e.file;
    session_.reset();
    EXPECT_TRUE(store::CheckFiles(fs_, "QVLK0003").clean) << e.file;
  }
}

TEST_F(AdifImportTest, MissingAndOversizedFilesAreRefusedWithAMessage) {
  EntrySession& s = OpenG();
  AdifImport import(s);
  EXPECT_FALSE(import.LoadFile(fs_, "/no/such.adi"));
  EXPECT_EQ(port_.Messages().back(), "Datei existiert nicht");
  // A sparse file above the limit is refused before it is read.
  const std::string big = testing::TempDir() + "/big.adi";
  {
    std::ofstream f(big, std::ios::binary);
    f.seekp(static_cast<std::streamoff>(kAdifFileLimit));
    f.put('x');
  }
  EXPECT_FALSE(import.LoadFile(store::RealFileSystem(), big));
  EXPECT_NE(port_.Messages().back().find("256 MB"), std::string::npos);
  std::remove(big.c_str());
}

class AdifRoundTripTest : public ContestGLogTest {};

TEST_F(AdifRoundTripTest, AnExportedLogComesBackWholeIntoAnEmptyLog) {
  port_.SetDefaultAnswer(true);  // only the report in RST_SENT/RST_RCVD
  const std::string adif = Write(OutputKind::kAdif, in_, "/out/log.ADI");
  EntryContext c = Context('g', 1);
  c.station.own_call = "DF0NS";
  c.log.log_number = 4;
  EntrySession& s = Open(std::move(c));
  AdifImport import(s);
  import.LoadText(adif);
  import.MapSame();
  ASSERT_TRUE(import.Map("GRIDSQUARE", 8));
  ASSERT_TRUE(import.Map("DOK", 9));
  const AdifCounts counts = import.Start();
  EXPECT_EQ(counts.imported, 10);
  ExportInputs back = in_;
  back.log_number = 4;
  PutI32(back.qvkk, qvkk::kLogNumber.offset, 4);
  s.Close(back.qvkk, back.qvkz);
  session_.reset();
  // Everything but the log number is the same in the lists.
  EXPECT_EQ(Write(OutputKind::kCsv, back, "/out/back.CSV"), Write(OutputKind::kCsv, in_, "/out/first.CSV"));
  EXPECT_EQ(Write(OutputKind::kQsoListFile, back, "/out/back.ALL"),
            Write(OutputKind::kQsoListFile, in_, "/out/first.ALL"));
  EXPECT_EQ(Write(OutputKind::kSummaryFile, back, "/out/back.SUM"),
            Write(OutputKind::kSummaryFile, in_, "/out/first.SUM"));
}

}  // namespace
}  // namespace vek
