// The files of a contest-g log typed through the entry session, compared
// line by line with texts written out by hand from the list rules.
#include "export/export_fixture.h"

namespace vek {
namespace {

using ContestGFilesTest = ContestGLogTest;

const std::vector<std::string> kSummary = {
    " ",
    " ",
    " ",
    "Name:       Hans Meier",
    "Anschrift:  Am Deich 5",
    "Ort:        26129 Oldenburg",
    " ",
    " ",
    " ",
    "                  UKW Nordsee-Contest 2008                  ",
    " ",
    "Call: DF0NS        DOK: I38          Loc: JO43KD   ",
    " ",
    "Teilnahmeart: Sektion A - Stationen aus dem DARC-Distrikt I",
    " ",
    "              Band    QSO   Punkte       Loc       DOK",
    "               2 m      6       24        5         3   ",
    "             70 cm      4       10        3         2   ",
    "             23 cm      0        0        0         0   ",
    "          _______________________________________________",
    "          Summe        10       34        8         5   ",
    "          _______________________________________________",
    " ",
    "          Endergebnis:  34 Punkte x 13 Multi = 442 Punkte",
    "          _______________________________________________",
    " ",
    "Ich erkl\xE4re, dass ich die Regeln f\xFCr \"UKW Nordsee-Contest 2008\"",
    "beachtet und die Lizenzbestimmungen meines Landes eingehalten habe.",
    "Die Angaben des Logs entsprechen der Wahrheit.",
    " ",
    "Ort: 26129 Oldenburg     Datum: 17.11.2008   Call: DF0NS",
    "Dieses ContestLog wurde mit Vek UKW Nordsee Version 2008-2.0 erstellt. (https://vek-contest.example)",
    " ",
    " ",
    " ",
};

const std::vector<std::string> kQsoList = {
    "UKW Nordsee-Contest 2008  -  QSO-Liste     CALL: DF0NS                       ",
    " ",
    "Nr   DATE   UTC  CALL     BAND MODE   SENT              RCVD                Loc    DOK    P",
    "   1 151108 1413 DL1AAA   2    CW     599 001/JO43/I38  599 001/JO43AB/I23  JO43   I23    1",
    "   2 151108 1420 DL2BBB   2    CW     599 002/JO43/I38  599 002/JO53CD/I23  JO53          2",
    "   3 151108 1431 PA3CCC   2    CW     599 003/JO43/I38  599 003/JO32EF      JO32          2",
    "   4 151108 1445 DK4DDD   2    CW     599 004/JO43/I38  599 004/JO43GH/I05         I05    1",
    "   5 151108 1502 DL5EEE   2    CW     599 005/JO43/I38  599 005/JN49AA/B05  JN49          5",
    "   6 151108 1530 DL6FFF   2    CW     599 006/JO43/I38  599 006/JO31AA/DVI  JO31   DVI   13",
    "   7 161108 0840 DL1AAA   70   CW     599 007/JO43/I38  599 007/JO43AB/I23  JO43   I23    1",
    "   8 161108 0852 DL7GGG   70   CW     599 008/JO43/I38  599 008/JO44XX/I12  JO44   I12    2",
    "   9 161108 0905 OE1HHH   70   CW     599 009/JO43/I38  599 009/JN88AA      JN88          6",
    "  10 161108 0930 DL9III   70   CW     599 010/JO43/I38  599 010/JO43WW/I23                1",
    " ",
    "                                                                  (    8 +     5) x      34",
    " ",
    "                                                                                 442 Punkte",
};

TEST_F(ContestGFilesTest, SummarySheetFile) {
  EXPECT_EQ(ReadListFile(Write(OutputKind::kSummaryFile, in_)), kSummary);
}

TEST_F(ContestGFilesTest, QsoListFileSkipsTheBandChangeEntry) {
  EXPECT_EQ(ReadListFile(Write(OutputKind::kQsoListFile, in_)), kQsoList);
}

TEST_F(ContestGFilesTest, WholeFileIsTheSheetFollowedByTheQsoList) {
  std::vector<std::string> expected = kSummary;
  expected.insert(expected.end(), kQsoList.begin(), kQsoList.end());
  EXPECT_EQ(ReadListFile(Write(OutputKind::kWholeFile, in_)), expected);
}

TEST_F(ContestGFilesTest, BandListFile) {
  const std::vector<std::string> expected = {
      "UKW Nordsee-Contest 2008  Band List   DF0NS                      ",
      " ",
      "DATE   UTC  CALL     BAND MODE SENT              RCVD                Loc    DOK    P",
      " ",
      " ",
      "Band List   DF0NS   2 m",
      " ",
      "151108 1413 DL1AAA   2    CW   599 001/JO43/I38  599 001/JO43AB/I23  JO43   I23    1",
      "151108 1420 DL2BBB   2    CW   599 002/JO43/I38  599 002/JO53CD/I23  JO53          2",
      "151108 1431 PA3CCC   2    CW   599 003/JO43/I38  599 003/JO32EF      JO32          2",
      "151108 1445 DK4DDD   2    CW   599 004/JO43/I38  599 004/JO43GH/I05         I05    1",
      "151108 1502 DL5EEE   2    CW   599 005/JO43/I38  599 005/JN49AA/B05  JN49          5",
      "151108 1530 DL6FFF   2    CW   599 006/JO43/I38  599 006/JO31AA/DVI  JO31   DVI   13",
      " ",
      " ",
      "Band List   DF0NS   70 cm",
      " ",
      "161108 0840 DL1AAA   70 c CW   599 007/JO43/I38  599 007/JO43AB/I23  JO43   I23    1",
      "161108 0852 DL7GGG   70 c CW   599 008/JO43/I38  599 008/JO44XX/I12  JO44   I12    2",
      "161108 0905 OE1HHH   70 c CW   599 009/JO43/I38  599 009/JN88AA      JN88          6",
      "161108 0930 DL9III   70 c CW   599 010/JO43/I38  599 010/JO43WW/I23                1",
      " ",
      " ",
      "Band List   DF0NS   23 cm",
      " ",
  };
  EXPECT_EQ(ReadListFile(Write(OutputKind::kBandListFile, in_)), expected);
}

TEST_F(ContestGFilesTest, CsvFileHasNoBlanksInFrontAndTrimmedCells) {
  const std::vector<std::string> expected = {
      "DATE  ;UTC ;CALL    ;BAND;MODE  ;SENT             ;RCVD               ;Loc   ;DOK  ; P",
      "151108;14:13;DL1AAA;2;CW;599 001/JO43/I38 ;599 001/JO43AB/I23 ;JO43  ;I23  ;1",
      "151108;14:20;DL2BBB;2;CW;599 002/JO43/I38 ;599 002/JO53CD/I23 ;JO53  ;     ;2",
      "151108;14:31;PA3CCC;2;CW;599 003/JO43/I38 ;599 003/JO32EF     ;JO32  ;     ;2",
      "151108;14:45;DK4DDD;2;CW;599 004/JO43/I38 ;599 004/JO43GH/I05 ;      ;I05  ;1",
      "151108;15:02;DL5EEE;2;CW;599 005/JO43/I38 ;599 005/JN49AA/B05 ;JN49  ;     ;5",
      "151108;15:30;DL6FFF;2;CW;599 006/JO43/I38 ;599 006/JO31AA/DVI ;JO31  ;DVI  ;13",
      "161108;08:40;DL1AAA;70;CW;599 007/JO43/I38 ;599 007/JO43AB/I23 ;JO43  ;I23  ;1",
      "161108;08:52;DL7GGG;70;CW;599 008/JO43/I38 ;599 008/JO44XX/I12 ;JO44  ;I12  ;2",
      "161108;09:05;OE1HHH;70;CW;599 009/JO43/I38 ;599 009/JN88AA     ;JN88  ;     ;6",
      "161108;09:30;DL9III;70;CW;599 010/JO43/I38 ;599 010/JO43WW/I23 ;      ;     ;1",
  };
  EXPECT_EQ(ReadListFile(Write(OutputKind::kCsv, in_), false), expected);
}

TEST_F(ContestGFilesTest, MultiCheckListGivesOneLinePerDokWithTheFirstCallOfEachBand) {
  const std::vector<std::string> expected = {
      "UKW Nordsee-Contest 2008 Multiplier Check List   DF0NS           ",
      " ",
      " ",
      "Multi   2 m          70 cm        23 cm        ",
      " ",
      "B05     DL5EEE                                 ",
      "DVI     DL6FFF                                 ",
      "I05     DK4DDD                                 ",
      "I12                  DL7GGG                    ",
      "I23     DL1AAA       DL1AAA                    ",
  };
  EXPECT_EQ(ReadListFile(Write(OutputKind::kMultiCheckFile, in_)), expected);
}

TEST_F(ContestGFilesTest, ProposedNamesAndPrompts) {
  in_.station.own_call = "DF0NS/P";
  EXPECT_EQ(ProposedFileName(in_, OutputKind::kSummaryFile), "DF0NS_P-Sektion A.SUM");
  EXPECT_EQ(ProposedFileName(in_, OutputKind::kMultiCheckFile), "DF0NS_P-Sektion A-multi.txt");
  EXPECT_EQ(ProposedFileName(in_, OutputKind::kEdi), "DF0NS_P-Sektion A.EDI");
  EXPECT_EQ(
      SavePrompt(in_, OutputKind::kQsoListFile),
      "Geben Sie im folgenden Dialog an, wohin die E-Log - Listendatei DF0NS_P.ALL gespeichert werden soll.");
  in_.definition.Classes[0].Name = "Kl.A: 1/2\\3,4";
  EXPECT_EQ(ProposedFileName(in_, OutputKind::kCsv), "DF0NS_P-Kl-A 1_2_3_4.CSV");
  PutU8(in_.qvkk, qvkk::kClassNumber.offset, 0);
  EXPECT_EQ(ProposedFileName(in_, OutputKind::kWholeFile), "DF0NS_P.TXT");
}

}  // namespace
}  // namespace vek
