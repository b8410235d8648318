// The summary sheet of the other contest codes: the score forms, the
// English interface, the station block variants and the contest additions.
#include "export/summary_sheet.h"

#include <algorithm>

#include "export/export_fixture.h"

namespace vek {
namespace {

class SummarySheetTest : public ExportTest {
 protected:
  std::vector<std::string> Sheet(const ExportInputs& in) {
    return ReadListFile(Write(OutputKind::kSummaryFile, in, "/out/sheet.SUM"));
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  // The lines from the one that equals `first` on, `count` of them.
  static std::vector<std::string> From(const std::vector<std::string>& lines, const std::string& first,
                                       std::size_t count) {
    auto at = std::find(lines.begin(), lines.end(), first);
    if (at == lines.end()) return {"(no line " + first + ")"};
    return std::vector<std::string>(
        at, at + std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(count), lines.end() - at));
  }
};

TEST_F(SummarySheetTest, PerBandProductHasATotalColumnNoSumRowAndTheSumOfTheProducts) {
  ExportInputs in = For('Z', 1);
  SlotTotalsInQvkz(in, 1, 10, 4, 30, {3, 1, 0});
  SlotTotalsInQvkz(in, 2, 5, 0, 12);
  const std::vector<std::string> expected = {
      " ",
      " ",
      " ",
      "Name:       Hans Meier",
      "Anschrift:  Am Deich 5",
      "Ort:        26129 Oldenburg",
      " ",
      " ",
      " ",
      "                       IPARC-Contest                        ",
      " ",
      "Call: DF0NS        DOK: I38          Loc: JO43KD   ",
      " ",
      "Teilnahmeart: A: Einmannstation",
      " ",
      "IPARC-Mitglied: Nein",
      " ",
      "              Band    QSO   Punkte      DXCC  US-State    Gesamt",
      "              80 m     10       30        3         1         120",
      "              40 m      5       12        0         0          12",
      "              20 m      0        0        0         0           0",
      "              15 m      0        0        0         0           0",
      "              10 m      0        0        0         0           0",
      "          _______________________________________________________",
      " ",
      "          Endergebnis:     132",
      "          _______________________________________________________",
      " ",
      "Ich erkl\xE4re, dass ich die Regeln f\xFCr \"IPARC-Contest\"",
      "beachtet und die Lizenzbestimmungen meines Landes eingehalten habe.",
      "Die Angaben des Logs entsprechen der Wahrheit.",
      " ",
      "Ort: 26129 Oldenburg     Datum: 17.11.2008   Call: DF0NS",
      "Dieses ContestLog wurde mit Vek IPARC Version 2008-1.5 erstellt. (https://vek-contest.example)",
      " ",
      " ",
      " ",
  };
  EXPECT_EQ(Sheet(in), expected);
}

TEST_F(SummarySheetTest, EnglishInterface) {
  ExportInputs in = For('H', 1);
  ASSERT_TRUE(in.english);
  qvkk::PutColumnTotals(in.qvkk, 1, {2, 1, 6, 1, 0});
  qvkk::PutColumnTotals(in.qvkk, 3, {3, 2, 9, 2, 0});
  const std::vector<std::string> expected = {
      " ",
      " ",
      " ",
      "Name:       Hans Meier",
      "Address:    Am Deich 5",
      "            26129 Oldenburg",
      " ",
      "Country:    Deutschland",
      " ",
      "                   Holyland-Contest 2009                    ",
      " ",
      "Callsign: DF0NS               Loc: JO43KD   ",
      " ",
      "Category: A: Single Operator, Mixed",
      " ",
      "              Band    QSO   Points      Area",
      "             160 m      2        6        1   ",
      "              80 m      0        0        0   ",
      "              40 m      3        9        2   ",
      "              20 m      0        0        0   ",
      "              15 m      0        0        0   ",
      "              10 m      0        0        0   ",
      "          _______________________________________________",
      "          Summe         5       15        3   ",
      "          _______________________________________________",
      " ",
      "          Final Score:  15 Points x 3 Multi = 45  Points",
      "          _______________________________________________",
      " ",
      "I affirm that I have observed all rules of ",
      "Holyland-Contest 2009.",
      " ",
      " City:26129 Oldenburg Date 17.11.2008 Call DF0NS  ",
      " ",
      " ",
      "Printed with Quilvaret https://quilvaret.example",
  };
  EXPECT_EQ(Sheet(in), expected);
}

TEST_F(SummarySheetTest, ContestHCountsDoksSpecialDoksAndDistrictsFromTheLog) {
  ExportInputs in = For('h', 1);
  SlotTotalsInQvkz(in, 1, 2, 2, 4, {2, 1, 0});
  SlotTotalsInQvkz(in, 2, 2, 1, 3, {0, 1, 0});
  AddQsos({{.call = "DL1AA", .band = 'b', .mark1 = "A12"},
           {.call = "DL2BB", .band = 'b', .mark1 = "K05"},
           {.call = "DL3CC", .band = 'i', .mark1 = "RP1"},
           {.call = "DL4DD", .band = 'i', .mark2 = "DR0LP"}});
  const std::vector<std::string> lines = Sheet(in);
  const std::string rule = "          " + std::string(63, '_');
  EXPECT_EQ(From(lines, "              Band    QSO   Punkte   Callmulti     DOK   SDOK    Distrikte", 10),
            (std::vector<std::string>{
                "              Band    QSO   Punkte   Callmulti     DOK   SDOK    Distrikte",
                "              80 m      2        4        1         1         0         1   ",
                "              10 m      2        3        1         0         1         0   ",
                rule,
                "          Summe         4        7        2         1         1         1   ",
                rule,
                " ",
                "          Endergebnis:  7 Punkte x 3 Multi = 21 Punkte",
                rule,
                " ",
            }));
  EXPECT_EQ(From(lines, "Die Angaben des Logs entsprechen der Wahrheit.", 7),
            (std::vector<std::string>{"Die Angaben des Logs entsprechen der Wahrheit.", " ", "Distrikte: A ",
                                      "DOK:       K05 ", "S-DOK:     RP1 ", "Sondercall:DR0LP ", " "}));
}

TEST_F(SummarySheetTest, ContestHOfTheUpperClassesFillsTheLocatorListAndNoDistricts) {
  ExportInputs in = For('h', 4);
  AddQsos({{.call = "DL1AA", .band = 'k', .mark1 = "K12", .second = "JO40"},
           {.call = "DL2BB", .band = 'k', .mark1 = "Z99"}});
  const std::vector<std::string> lines = Sheet(in);
  EXPECT_TRUE(Has(lines, "              Band    QSO   Punkte   Callmulti       Loc     DOK   SDOK"));
  EXPECT_TRUE(Has(lines, "DOK:       K12 "));
  EXPECT_TRUE(Has(lines, "S-DOK:     Z99 "));
  EXPECT_TRUE(Has(lines, "Loc:       JO40 "));
  EXPECT_TRUE(Has(lines, "Sondercall:"));
}

TEST_F(SummarySheetTest, ListsLongerThanEightyCharactersAreCutIntoRuns) {
  ExportInputs in = For('h', 1);
  std::vector<Qso> qsos;
  for (const char* dok : {"K01", "K02", "K03", "K04", "K05", "K06", "K07", "K08", "K09", "K10", "K11",
                          "K12", "K13", "K14", "K15", "K16", "K17", "K18", "K19", "K20", "K21", "K22"})
    AddQsos({{.call = "DL1AA", .band = 'b', .mark1 = dok}});
  const std::vector<std::string> lines = Sheet(in);
  EXPECT_TRUE(Has(
      lines, "DOK:       K01 K02 K03 K04 K05 K06 K07 K08 K09 K10 K11 K12 K13 K14 K15 K16 K17 K18 K19 K20 "));
  EXPECT_TRUE(Has(lines, "DOK:       K21 K22 "));
}

TEST_F(SummarySheetTest, ScoreLinesOfEveryForm) {
  ExportInputs none = For('8', 1);
  qvkk::PutColumnTotals(none.qvkk, 1, {3, 0, 17, 0, 0});
  EXPECT_TRUE(Has(Sheet(none), "          Endergebnis:  17 Punkte"));

  ExportInputs product = For('g', 1);
  qvkk::PutColumnTotals(product.qvkk, 1, {20, 6, 1000, 6, 0});
  qvkk::PutColumnTotals(product.qvkk, 2, {5, 4, 234, 4, 0});
  EXPECT_TRUE(Has(Sheet(product), "          Endergebnis:  1234 Punkte x 10 Multi = 12340 Punkte"));

  ExportInputs nothing_multiplies = For('g', 1);
  qvkk::PutColumnTotals(nothing_multiplies.qvkk, 1, {2, 0, 5, 0, 0});
  EXPECT_TRUE(Has(Sheet(nothing_multiplies), "          Endergebnis:  5 Punkte x 0 Multi = 5 Punkte"));

  ExportInputs postcodes = For('5', 1);
  qvkk::PutColumnTotals(postcodes.qvkk, 1, {9, 4, 27, 4, 0});
  EXPECT_TRUE(Has(Sheet(postcodes), "          Endergebnis:  27 Punkte /  4 PLZ-Bereiche"));

  ExportInputs prefixes = For('P', 1, 45);
  qvkk::PutColumnTotals(prefixes.qvkk, 1, {9, 7, 27, 7, 0});
  const auto p_lines = Sheet(prefixes);
  EXPECT_TRUE(Has(p_lines, "          Endergebnis:  27 Punkte   7 Prefixe"));
  EXPECT_TRUE(Has(p_lines, "Lebensalter: 45"));
  EXPECT_TRUE(Has(Sheet(For('P', 1, -1)), "Lebensalter: XX"));
}

TEST_F(SummarySheetTest, PointSumWithMultipliers) {
  // A point sum shows the multipliers beside the points.
  ExportInputs in = For('g', 1);
  in.definition.ScoreIsPointSum = 1;
  qvkk::PutColumnTotals(in.qvkk, 1, {4, 3, 12, 3, 0});
  EXPECT_TRUE(Has(Sheet(in), "          Endergebnis:  12 Punkte (3 Multi) = 12 Punkte"));
}

TEST_F(SummarySheetTest, StationLineVariants) {
  ExportInputs ldk = For('A', 1);
  PutText(ldk.qvkk, qvkk::kOwnLdk, "NI");
  EXPECT_TRUE(Has(Sheet(ldk), "Call: DF0NS        LDK: NI           Loc: JO43KD   "));

  ExportInputs dig = For('7', 1, 42);
  EXPECT_TRUE(Has(Sheet(dig), "Call: DF0NS        DOK: I38          Loc: JO43KD   DIG: 0042"));
  EXPECT_TRUE(Has(Sheet(For('7', 1, -1)), "Call: DF0NS        DOK: I38          Loc: JO43KD   DIG: "));

  ExportInputs listener = For('Y', 1, 2);
  ASSERT_TRUE(listener.Listener());
  listener.station.swl_number = "DE1234";
  const auto lines = Sheet(listener);
  EXPECT_TRUE(Has(lines, "SWL:  DE1234              DOK: I38          Loc: JO43KD   "));
  EXPECT_TRUE(Has(lines, "Wertungsgruppe: SWL"));
  EXPECT_TRUE(Has(Sheet(For('Y', 1, 0)), "Wertungsgruppe: S: Single = Single OP/Single TX"));

  ExportInputs member = For('Z', 1);
  PutU8(member.qvkk, qvkk::kQuestionAnswer.offset, 1);
  EXPECT_TRUE(Has(Sheet(member), "IPARC-Mitglied: Ja"));
}

TEST_F(SummarySheetTest, WithoutEntryClassTheCategoryLineIsEmpty) {
  ExportInputs in = For('g', 1);
  PutU8(in.qvkk, qvkk::kClassNumber.offset, 0);
  const auto lines = Sheet(in);
  EXPECT_EQ(lines[12], " ");
  EXPECT_EQ(lines[13], " ");
  EXPECT_EQ(lines[14], " ");
  EXPECT_EQ(lines[15].substr(0, 18), "              Band");
}

TEST_F(SummarySheetTest, SignatureBlockLineLengthsOnPaperAndInTheFile) {
  ExportInputs in = For('g', 1);
  in.station.postcode_town = std::string(62, 'T');
  const auto file = Sheet(in);
  EXPECT_EQ(
      From(file, "Ort: " + std::string(62, 'T'), 4),
      (std::vector<std::string>{"Ort: " + std::string(62, 'T'), " ", "Datum: 17.11.2008   Call: DF0NS",
                                "Dieses ContestLog wurde mit Vek UKW Nordsee Version 2008-2.0 erstellt. "
                                "(https://vek-contest.example)"}));

  // On paper a short line gets the signature field beside it, a long one below.
  PageSink paper(100000, 1);
  in.station.postcode_town = "26129 Oldenburg";
  in.station.own_call = "DL1A";
  ASSERT_TRUE(PrintSummarySheet(in, nullptr, paper));
  std::vector<std::string> drawn;
  for (const auto& d : paper.drawn()) drawn.push_back(d.text);
  EXPECT_EQ(
      From(drawn, "Ort: 26129 Oldenburg     Datum: 17.11.2008   Call: DL1A", 5),
      (std::vector<std::string>{"Ort: 26129 Oldenburg     Datum: 17.11.2008   Call: DL1A", " ",
                                "Unterschrift _______________", " ",
                                "Dieses ContestLog wurde mit Vek UKW Nordsee Version 2008-2.0 erstellt. "
                                "(https://vek-contest.example)"}));
  in.station.postcode_town = "Au";
  PageSink short_line(100000, 1);
  ASSERT_TRUE(PrintSummarySheet(in, nullptr, short_line));
  std::vector<std::string> short_drawn;
  for (const auto& d : short_line.drawn()) short_drawn.push_back(d.text);
  EXPECT_EQ(From(short_drawn, "Ort: Au     Datum: 17.11.2008   Call: DL1A Unterschrift _______________", 2),
            (std::vector<std::string>{
                "Ort: Au     Datum: 17.11.2008   Call: DL1A Unterschrift _______________", " "}));
}

TEST_F(SummarySheetTest, EnglishSignatureOnPaperIsBoldWithTheSignField) {
  ExportInputs in = For('H', 1);
  in.station.postcode_town = "Haifa";
  PageSink paper(100000, 1);
  ASSERT_TRUE(PrintSummarySheet(in, nullptr, paper));
  const auto& drawn = paper.drawn();
  const auto sign = std::find_if(drawn.begin(), drawn.end(), [](const auto& d) {
    return d.text == " City:Haifa Date 17.11.2008 Call DF0NS            Sign _______________";
  });
  ASSERT_NE(sign, drawn.end());
  EXPECT_TRUE(sign->bold);
  // The station block and the title are bold, the declaration is not.
  EXPECT_TRUE(drawn[3].bold);
  EXPECT_FALSE(drawn.back().bold);
}

TEST_F(SummarySheetTest, ContestAdditionsAfterTheScore) {
  ExportInputs agcw = For('8', 1);
  AddQsos({{.call = "DL1AA", .band = 'k', .points = 5, .locator = "JO31AA"},
           {.call = "DL2BB", .band = 'k', .points = 7, .locator = "JN88AA"},
           {.call = "OE3CC", .band = 'k', .points = 7, .locator = "JO31BB", .country = "OE"}});
  EXPECT_EQ(From(Sheet(agcw), "          Anzahl gearbeiteter DXCC:       2", 4),
            (std::vector<std::string>{"          Anzahl gearbeiteter DXCC:       2",
                                      "          Anzahl gearbeiteter Loc :       2",
                                      "          ODX                     : DL2BB JN88AA 7", " "}));

  ExportInputs g = For('G', 1);
  EXPECT_FALSE(Has(Sheet(g), "          Multiberechnung inklusive Zusatzmultipunkt F28"));
  AddQsos({{.call = "DL1AA", .band = 'k', .mark1 = "F28"}});
  EXPECT_TRUE(Has(Sheet(g), "          Multiberechnung inklusive Zusatzmultipunkt F28"));
  AddQsos({{.call = "DL2AA", .band = 'k', .mark1 = "HT06"}});
  EXPECT_TRUE(Has(Sheet(g), "          Multiberechnung inklusive Zusatzmultipunkte F28 und HT06"));
}

TEST_F(SummarySheetTest, StationDescriptionsOfContestsBAndJ) {
  ExportInputs b = For('b', 2, 2);
  EXPECT_TRUE(Has(Sheet(b), "mit einem von mir selbstgebauten Bausatz teilgenommen."));
  EXPECT_FALSE(Has(Sheet(b), "Angaben zur Station:"));  // no description file
  ASSERT_EQ(fs_.Append("OQRP     3.STN", "TX: Eigenbau 5 W\r\nANT: Dipol\r\n"), 0);
  const auto lines = Sheet(b);
  EXPECT_EQ(From(lines, "Im OQRPC habe ich auf dem 80/40/20m-Band", 6),
            (std::vector<std::string>{
                "Im OQRPC habe ich auf dem 80/40/20m-Band",
                "mit einem von mir selbstgebauten Bausatz teilgenommen.",
                "Angaben zur Station:", "TX: Eigenbau 5 W", "ANT: Dipol",
                "Ich erkl\xE4re, dass ich die Regeln f\xFCr \"" + b.definition.ContestTitle + "\""}));
  EXPECT_TRUE(Has(Sheet(For('b', 3, 3)), "mit einem individuellen Unikat teilgenommen."));

  ASSERT_EQ(fs_.Append("mssprint     3.STN", "IC-706"), 0);
  EXPECT_EQ(From(Sheet(For('j', 1)), "Angaben zur Station:", 2),
            (std::vector<std::string>{"Angaben zur Station:", "IC-706"}));
}

TEST_F(SummarySheetTest, ContestICountsItsBandRowsFromTheLog) {
  ExportInputs in = For('i', 1);
  AddQsos({{.call = "DL1AA", .band = 'c', .points = 3, .mark1 = "N1"},
           {.call = "DL2BB", .band = 'c', .points = 2},
           {.call = "DL3CC", .band = 'e', .points = 4, .mark1 = "N2"}});
  const auto lines = Sheet(in);
  EXPECT_TRUE(Has(lines, "              40 m      2        5        1   "));
  EXPECT_TRUE(Has(lines, "              20 m      1        4        1   "));
  EXPECT_TRUE(Has(lines, "          Summe         3        9        2   "));
}

}  // namespace
}  // namespace vek
