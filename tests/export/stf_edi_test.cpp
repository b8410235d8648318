// STF and EDI files of logs of other contest codes against hand-written
// texts; every EDI file read back by a reader of the REG1TEST rules.
#include <map>
#include <set>

#include "export/edi_export.h"
#include "export/export_fixture.h"

namespace vek {
namespace {

class StfTest : public ExportTest {
 protected:
  ExportInputs Log(char code, int class_number, std::int32_t extra = -1) {
    ExportInputs in = For(code, class_number, extra);
    PutText(in.qvkk, qvkk::kLogName, "FT 2009");
    PutText(in.qvkk, qvkk::kOwnCall, "DF0NS");
    return in;
  }
  std::vector<std::string> Lines(OutputKind kind, const ExportInputs& in) {
    return ReadListFile(Write(kind, in, "/out/log.STF"), false);
  }
};

TEST_F(StfTest, ContestFiveWritesItsWholeFileAsStfWithoutClaimedScore) {
  ExportInputs in = Log('5', 1);
  qvkk::PutColumnTotals(in.qvkk, 1, {3, 2, 6, 2, 0});
  AddQsos({{.call = "DL1AA", .band = 'b', .points = 2, .mark1 = "26", .sent = "59 26", .rcvd = "59 26129"},
           {.call = "DL2BB", .band = 'c', .points = 2, .mark1 = "45", .sent = "59 26", .rcvd = "59 45678"},
           {.call = "", .band = 'b', .qsy = 'c'},
           {.call = "DL3CC", .band = 'b', .points = 2, .sent = "", .rcvd = "", .time = -1, .date = -1}});
  const std::vector<std::string> expected = {
      "STF1",
      "#Data written \"17.11.2008  18:00\"",
      "#STF-Export generated with Tesmar Vek Funkertag QSO-Party 2009 Version 1.2 "
      "https://vek-contest.example",
      "Header",
      "Contest      FT 2009",
      "MyCall       DF0NS",
      "Operator     DF0NS",
      "Category     A: Kurzwelle",
      "MailAddress  Hans Meier",
      "MailAddress  Am Deich 5",
      "MailAddress  Oldenburg",
      "MailAddress  26129",
      "MailAddress  Deutschland",
      "EMail",
      "ClaimedQSO   4",
      "ClaimedPts   6",
      "ClaimedMult  2",
      "Club",
      "Specific     I38",
      "Power",
      "Soapbox",
      "Soapbox",
      "QsoOrder     Date Time Band Mode Call SRst Sent RRst Rcvd",
      "EndHeader",
      "",
      "QsoList",
      "     20090103 1201 80   SSB    DL1AA    59  26                59  26129            ",
      "     20090103 1202 40   SSB    DL2BB    59  26                59  45678            ",
      "         -         80   SSB    DL3CC     -   -                 -   -               ",
      "EndQSOList",
  };
  EXPECT_EQ(Lines(OutputKind::kWholeFile, in), expected);
  EXPECT_EQ(Lines(OutputKind::kStf, in), expected);
}

TEST_F(StfTest, AContestWithoutMultipliersClaimsItsPointsAndAnEmptyLogNoContacts) {
  ExportInputs in = Log('8', 1);
  qvkk::PutColumnTotals(in.qvkk, 1, {0, 0, 17, 0, 0});
  const auto lines = Lines(OutputKind::kStf, in);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "ClaimedQSO   0"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "ClaimedPts   17"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "ClaimedScore 17"), 1);
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.rfind("ClaimedMult", 0) == 0; }),
      0);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"QsoList", "EndQSOList"}));
}

TEST_F(StfTest, ListenerLineCarriesTheSecondCallBetweenReceivedAndSent) {
  ExportInputs in = Log('Y', 1, 2);
  in.station.postcode_town = "Oldenburg";
  AddQsos({{.call = "DL1AA", .band = 'c', .second = "DK2BB", .sent = "57 012", .rcvd = "59 003B05"}});
  const auto lines = Lines(OutputKind::kStf, in);
  EXPECT_EQ(lines[10], "MailAddress  Oldenburg");  // no blank: the whole line is the town
  EXPECT_EQ(lines[11], "MailAddress  ");
  EXPECT_EQ(lines[lines.size() - 2],
            "     20090103 1201 40   SSB    DL1AA    59  003B05            DK2BB     57  012              ");
}

TEST_F(StfTest, ContestGSplitsItsExchangeIntoTwoColumns) {
  ExportInputs in = Log('G', 1);
  AddQsos({{.call = "DL1AA", .band = 'k', .mode = "CW", .sent = "599001/F28", .rcvd = "599012/HT06"},
           {.call = "DL2BB", .band = 'l', .mode = "CW", .sent = "599/F28", .rcvd = "599017"},
           {.call = "DL3CC", .band = 'p', .mode = "CW", .sent = "599", .rcvd = "599-"}});
  const auto lines = Lines(OutputKind::kStf, in);
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "QsoOrder     Date Time Band Mode Call SRst Sent Sent2 RRst Rcvd Rcvd2"),
            1);
  const std::vector<std::string> contacts(lines.end() - 4, lines.end() - 1);
  EXPECT_EQ(contacts,
            (std::vector<std::string>{
                "     20090103 1201 2    CW     DL1AA    599 001 F28           599 012 HT06         ",
                "     20090103 1202 70   CW     DL2BB    599 -   F28           599 017 -            ",
                "     20090103 1203 5    CW     DL3CC    599 -   -             599 -   -            ",
            }));
}

// --- EDI ---

// A reader of the REG1TEST rules: free text, then "[REG1TEST;1]" with
// each header keyword once, "[Remarks]", "[QSORecords;n]" and n lines of 15
// fields with a six-digit date and a four-digit time.
struct Reg1Test {
  std::map<std::string, std::string> header;
  std::vector<std::string> remarks;
  std::vector<std::vector<std::string>> qsos;
};
Reg1Test ReadReg1Test(const std::string& bytes) {
  Reg1Test r;
  const std::vector<std::string> lines = ReadListFile(bytes, false);
  std::size_t i = 0;
  while (i < lines.size() && lines[i] != "[REG1TEST;1]") ++i;
  EXPECT_LT(i, lines.size()) << "no [REG1TEST;1]";
  for (++i; i < lines.size() && lines[i] != "[Remarks]"; ++i) {
    const auto eq = lines[i].find('=');
    EXPECT_NE(eq, std::string::npos) << lines[i];
    if (eq == std::string::npos) continue;
    const std::string key = lines[i].substr(0, eq);
    EXPECT_EQ(key.size(), 5u) << key;
    EXPECT_EQ(r.header.count(key), 0u) << key << " twice";
    r.header[key] = lines[i].substr(eq + 1);
  }
  EXPECT_LT(i, lines.size()) << "no [Remarks]";
  for (++i; i < lines.size() && lines[i].rfind("[QSORecords;", 0) != 0; ++i) r.remarks.push_back(lines[i]);
  EXPECT_LT(i, lines.size()) << "no [QSORecords;n]";
  if (i >= lines.size()) return r;
  const std::string head = lines[i];
  EXPECT_EQ(head.back(), ']');
  const std::size_t n = std::stoul(head.substr(12, head.size() - 13));
  EXPECT_EQ(lines.size() - i - 1, n) << "the head's number and the QSO lines differ";
  for (++i; i < lines.size(); ++i) {
    std::vector<std::string> f;
    std::size_t at = 0;
    for (std::size_t semi; (semi = lines[i].find(';', at)) != std::string::npos; at = semi + 1)
      f.push_back(lines[i].substr(at, semi - at));
    f.push_back(lines[i].substr(at));
    EXPECT_EQ(f.size(), 15u) << lines[i];
    EXPECT_EQ(f[0].size(), 6u) << lines[i];
    EXPECT_EQ(f[1].size(), 4u) << lines[i];
    EXPECT_TRUE(std::all_of(f[0].begin(), f[0].end(), [](char c) { return c >= '0' && c <= '9'; }))
        << lines[i];
    r.qsos.push_back(f);
  }
  for (const char* key : {"TName", "TDate", "PCall", "PWWLo", "PExch", "PAdr1", "PAdr2", "PSect", "PBand",
                          "PClub", "RName", "RCall", "RAdr1", "RAdr2", "RPoCo", "RCity", "RCoun", "RPhon",
                          "RHBBS", "MOpe1", "MOpe2", "STXEq", "SPowe", "SRXEq", "SAnte", "SAntH", "CQSOs",
                          "CQSOP", "CWWLs", "CWWLB", "CExcs", "CExcB", "CDXCs", "CDXCB", "CToSc", "CODXC"})
    EXPECT_EQ(r.header.count(key), 1u) << key;
  return r;
}

TEST_F(StfTest, EdiFileOfAContestEightLog) {
  ExportInputs in = Log('8', 2);
  PutI32(in.qvkk, qvkk::kDateFrom.offset, *DayNumberFromDate(2009, 5, 2));
  PutI32(in.qvkk, qvkk::kDateTo.offset, *DayNumberFromDate(2009, 5, 2));
  PutText(in.qvkk, qvkk::kEquipmentText, "IC-706 MKIIG mit 100 W an einer 9-Element-Yagi");
  in.station.dok = "I38";
  qvkk::PutColumnTotals(in.qvkk, 1, {4, 0, 21, 0, 0});
  AddQsos({{.call = "DL1AA",
            .band = 'k',
            .mode = "SSB",
            .points = 5,
            .sent = "59 001",
            .rcvd = "59 014/JO31",
            .locator = "JO31AB",
            .qrb = 212},
           {.call = "OE2BB",
            .band = 'k',
            .mode = "CW",
            .points = 7,
            .sent = "599002",
            .rcvd = "599003/JN88",
            .locator = "JN88",
            .country = "OE",
            .qrb = 705},
           {.call = "", .band = 'k', .qsy = 'l'},
           {.call = "DL3CC",
            .band = 'k',
            .mode = "FM",
            .points = 7,
            .sent = "59 003",
            .rcvd = "59 007/JO42",
            .locator = "JO42CD",
            .qrb = 98},
           {.call = "DL4DD",
            .band = 'k',
            .mode = "PR",
            .points = 2,
            .sent = "59 004",
            .rcvd = "59 001",
            .locator = "JO31XX",
            .country = "",
            .qrb = 215}});
  const std::vector<std::string> expected = {
      "[Vek AGCW Version 2009-1.0]",
      "This data was exported using TESMAR Vek AGCW Version 2009-1.0",
      "Call:DF0NS",
      "Logs generated on 17.11.2008 18:00:00",
      "This log was written by the contest logger Vek UKW Nordsee; the operator is responsible for its "
      "content.",
      "Questions about this file: see the program's help page.",
      "Program: https://vek-contest.example",
      "[REG1TEST;1]",
      "TName=AGCW - VHF/UHF-Contest 2009",
      "TDate=20090502;20090502",
      "PCall=DF0NS",
      "PWWLo=JO43KD",
      "PExch=",
      "PAdr1=Am Deich 5",
      "PAdr2=26129 Oldenburg",
      "PSect=B",
      "PBand=",  // "B: 144 MHz bis 25 Watt" names neither "2m" nor "70cm"
      "PClub=DARC;I38",
      "RName=Hans Meier",
      "RCall=DF0NS",
      "RAdr1=",
      "RAdr2=Am Deich 5",
      "RPoCo=26129",
      "RCity=Oldenburg",
      "RCoun=Deutschland",
      "RPhon=",
      "RHBBS=",
      "MOpe1=",
      "MOpe2=",
      "STXEq=IC-706 MKIIG mit 100 W an eine",
      "SPowe=",
      "SRXEq=",
      "SAnte=",
      "SAntH=0;0",
      "CQSOs=4;1",
      "CQSOP=21",
      "CWWLs=3;0;1",
      "CWWLB=0",
      "CExcs=0;0;1",
      "CExcB=",
      "CDXCs=3;0;1",
      "CDXCB=0",
      "CToSc=21",
      "CODXC=OE2BB;JN88;7",
      "[Remarks]",
      "[QSORecords;4]",
      "090103;1201;DL1AA;1;59 ;001;59 ;014;J;JO31AB;212;;;;",
      "090103;1202;OE2BB;2;599;002;599;003;J;JN88  ;705;;;;",
      "090103;1204;DL3CC;6;59 ;003;59 ;007;J;JO42CD;98;;;;",
      "090103;1205;DL4DD;0;59 ;004;59 ;001;5;JO31XX;215;;;;",
  };
  const std::string file = Write(OutputKind::kEdi, in, "/out/log.EDI");
  EXPECT_EQ(ReadListFile(file, false), expected);
  const Reg1Test r = ReadReg1Test(file);
  EXPECT_EQ(r.qsos.size(), 4u);
  EXPECT_EQ(r.header.at("STXEq").size() + 6, 36u);
}

TEST_F(StfTest, EdiWithoutStartDateOrContactsAndWithRemarks) {
  ExportInputs in = Log('8', 1);
  EdiHeader header = EdiHeader::For(in);
  EXPECT_EQ(header.Value("psect"), "A");
  EXPECT_EQ(header.Value("pband"), "");
  in.definition.Classes[0].Description = "A: 2m Einmann";
  EXPECT_EQ(EdiHeader::For(in).Value("pband"), "144 MHz");
  in.definition.Classes[0].Description = "A: 2m und 70cm";
  EXPECT_EQ(EdiHeader::For(in).Value("pband"), "432 MHz");  // the later test wins
  PutU8(in.qvkk, qvkk::kClassNumber.offset, 0);
  EXPECT_EQ(EdiHeader::For(in).Value("psect"), "1");
  EXPECT_FALSE(header.Set("nosuch", "x"));
  ASSERT_TRUE(header.Set("rremarks", "erste Zeile\nzweite Zeile"));
  const std::string path = "/out/empty.EDI";
  ASSERT_EQ(WriteOutputFile(OutputKind::kEdi, in, path, port_, [&](EdiHeader& h) { h = header; }).result,
            OutputResult::kWritten);
  const Reg1Test r = ReadReg1Test(fs_.Text(path));
  EXPECT_EQ(r.header.at("TDate"), "0;0");
  EXPECT_EQ(r.header.at("CQSOs"), "0;1");
  EXPECT_EQ(r.header.at("CODXC"), "");
  EXPECT_EQ(r.remarks, (std::vector<std::string>{"erste Zeile", "zweite Zeile"}));
  EXPECT_TRUE(r.qsos.empty());
}

TEST(EdiModeTest, ModeCodes) {
  EXPECT_EQ(EdiModeCode("SSB"), '1');
  EXPECT_EQ(EdiModeCode("CW"), '2');
  EXPECT_EQ(EdiModeCode("AM"), '5');
  EXPECT_EQ(EdiModeCode("FM"), '6');
  EXPECT_EQ(EdiModeCode("RTTY"), '7');
  EXPECT_EQ(EdiModeCode("PR"), '0');
  EXPECT_EQ(EdiModeCode("SSB "), '0');
}

class EdiOfContestG : public ContestGLogTest {};

TEST_F(EdiOfContestG, TheTypedLogGivesAFileTheReaderTakes) {
  PutText(in_.qvkk, qvkk::kOwnCall, "DF0NS");
  const Reg1Test r = ReadReg1Test(Write(OutputKind::kEdi, in_, "/out/g.EDI"));
  ASSERT_EQ(r.qsos.size(), 10u);
  EXPECT_EQ(r.header.at("CQSOs"), "10;1");
  EXPECT_EQ(r.header.at("CODXC"), "DL6FFF;JO31AA;13");
  EXPECT_EQ(r.qsos[0][2], "DL1AAA");
  EXPECT_EQ(r.qsos[6][0], "081116");
}

}  // namespace
}  // namespace vek
