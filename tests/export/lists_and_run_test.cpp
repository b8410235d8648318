// The lists of other logs (listener, names, footers, empty log), paper
// pages, and the output run: prompts, dialogs, messages and what a failed
// write leaves behind.
#include <algorithm>

#include "base/number_picture.h"
#include "export/export_fixture.h"
#include "export/log_lists.h"
#include "store/store_errors.h"

namespace vek {
namespace {

class ListsTest : public ExportTest {
 protected:
  std::vector<std::string> List(OutputKind kind, const ExportInputs& in) {
    return ReadListFile(Write(kind, in, "/out/list"), kind != OutputKind::kCsv);
  }
};

TEST_F(ListsTest, ListenerLogShowsTheSecondCallBetweenTheExchanges) {
  ExportInputs in = For('Y', 1, 2);
  ASSERT_TRUE(in.Listener());
  in.station.swl_number = "DE1234";
  qvkk::PutColumnTotals(in.qvkk, 1, {0, 0, 0, 0, 0});
  SlotTotalsInQvkz(in, 1, 2, 1, 2, {1, 0, 0});
  AddQsos({{.call = "DL1AA",
            .band = 'c',
            .mark1 = "B05",
            .second = "DK2BB",
            .sent = "57 012",
            .rcvd = "59 003B05"},
           {.call = "DL3CC", .band = 'c', .second = "DL4DD", .sent = "59", .rcvd = "55 004"}});
  EXPECT_EQ(List(OutputKind::kQsoListFile, in),
            (std::vector<std::string>{
                PadRight("VFDB-Contest  -  QSO-Liste     SWL : DE1234", 77),
                " ",
                "Nr   DATE   UTC  CALL     BAND MODE   SENT        CALL2     SENT2       DOK   P",
                "   1 030109 1201 DL1AA    40   SSB    59  003B05  DK2BB     57  012     B05   1",
                "   2 030109 1202 DL3CC    40   SSB    55  004     DL4DD     59                1",
                " ",
                // right-aligned to the 79 characters of the contact lines
                std::string(62, ' ') + "(    1) x       2",
                " ",
                std::string(71, ' ') + "2 Punkte",
            }));
  EXPECT_EQ(List(OutputKind::kBandListFile, in),
            (std::vector<std::string>{
                PadRight("VFDB-Contest  Band List   DE1234", 77),
                " ",
                "DATE   UTC  CALL     BAND MODE SENT      CALL2     SENT2       DOK   P",
                " ",
                " ",
                "Band List   DE1234   40 m",
                " ",
                "030109 1201 DL1AA    40   SSB  57  012   DK2BB     59  003B05  B05   1",
                "030109 1202 DL3CC    40   SSB  59        DL4DD     55  004           1",
                " ",
                " ",
                "Band List   DE1234   80 m",
                " ",
            }));
}

TEST_F(ListsTest, AnEmptyLogGivesTitleHeadAndFooterWithTheNarrowestColumns) {
  ExportInputs in = For('8', 1);
  EXPECT_EQ(List(OutputKind::kQsoListFile, in),
            (std::vector<std::string>{
                PadRight("AGCW - VHF/UHF-Contest 2009  -  QSO-Liste     CALL: DF0NS", 77),
                " ",
                "Nr   DATE   UTC  CALL     BAND MODE   SENT      RCVD      P",
                " ",
                // without contacts the footer aligns with the column head
                std::string(51, ' ') + "0 Punkte",
            }));
}

TEST_F(ListsTest, FooterOfThePerBandProductAndOfContest5) {
  ExportInputs z = For('Z', 1);
  SlotTotalsInQvkz(z, 1, 1, 2, 10, {2, 0, 0});
  SlotTotalsInQvkz(z, 2, 1, 0, 3);
  AddQsos({{.call = "W1AW", .band = 'b', .points = 10, .mark1 = "K", .mark2 = "CT"}});
  const auto lines = List(OutputKind::kQsoListFile, z);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], " ");
  EXPECT_EQ(lines.back(), PadLeft("     23 Punkte", lines[3].size()));

  ExportInputs plz = For('5', 1);
  qvkk::PutColumnTotals(plz.qvkk, 1, {3, 2, 6, 2, 0});
  AddQsos({{.call = "DL1AA", .band = 'b', .points = 2, .mark1 = "26"}});
  const auto five = List(OutputKind::kQsoListFile, plz);
  const std::size_t width = five[3].size();
  EXPECT_EQ(std::vector<std::string>(five.end() - 3, five.end()),
            (std::vector<std::string>{" ", PadLeft("      6 Punkte", width),
                                      PadLeft("      2 PLZ-Bereiche", width)}));
}

TEST_F(ListsTest, NameAndQthOfContestsIAndL) {
  ExportInputs in = For('I', 1);
  AddQsos({{.call = "DL1AA", .band = 'b'}, {.call = "DL2BB", .band = 'b'}, {.call = "DL3CC", .band = 'b'}});
  {
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    const char* names[] = {"Hans;Bremen", ";", "Eva;"};
    for (std::int32_t n = 1; n <= 3; ++n) {
      ASSERT_EQ(fm_->FindKey(log.log(), 4, store::LongToKey(n)), 0);
      PutText(fm_->RecordBuffer(log.log()), qso::kNameQth, names[n - 1]);
      ASSERT_EQ(fm_->PutRecord(log.log()), 0);
    }
    log.CloseContestLog();
  }
  const auto lines = List(OutputKind::kQsoListFile, in);
  EXPECT_EQ(lines[2].substr(lines[2].size() - 9), " Name/QTH");
  EXPECT_EQ(lines[3].substr(lines[3].size() - 12), " Hans/Bremen");
  EXPECT_EQ(lines[4].back(), '1');  // ";" alone adds nothing
  EXPECT_EQ(lines[5].substr(lines[5].size() - 4), " Eva");
  const auto csv = List(OutputKind::kCsv, in);
  EXPECT_EQ(csv[1].substr(csv[1].size() - 12), ";Hans/Bremen");
}

TEST_F(ListsTest, ContactsWithoutDateOrTimeKeepTheirColumns) {
  ExportInputs in = For('8', 1);
  AddQsos({{.call = "DL1AA", .band = 'k'}});
  {
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    ASSERT_EQ(fm_->FindKey(log.log(), 4, store::LongToKey(1)), 0);
    PutI32(fm_->RecordBuffer(log.log()), qso::kDate.offset, 0);
    PutI32(fm_->RecordBuffer(log.log()), qso::kTime.offset, -1);
    ASSERT_EQ(fm_->PutRecord(log.log()), 0);
    log.CloseContestLog();
  }
  EXPECT_EQ(List(OutputKind::kQsoListFile, in)[3].substr(0, 25), "   1             DL1AA   ");
  EXPECT_EQ(List(OutputKind::kCsv, in)[1].substr(0, 14), ";  :  ;DL1AA;2");
}

TEST_F(ListsTest, WideValuesWidenTheirColumns) {
  ExportInputs in = For('g', 1);
  AddQsos({{.call = "DL/OE1ABC/P",
            .band = 'k',
            .points = 12345,
            .mark1 = "JO43",
            .mark2 = "QCWA08",
            .sent = "599001/JO43/I38",
            .rcvd = "599123/JO43AB/60BHVI05"}});
  ContestLog log(*files_, 3);
  ASSERT_TRUE(log.OpenContestLog());
  const ListColumns c = MeasureColumns(in.definition, *fm_, log.log());
  EXPECT_EQ(c.call, 13u);
  EXPECT_EQ(c.sent, 17u);
  EXPECT_EQ(c.received, 22u);  // the record holds 20 characters of it
  EXPECT_EQ(c.points, 5u);
  EXPECT_EQ(c.multi[0], 6u);
  EXPECT_EQ(c.multi[1], 8u);
  EXPECT_FALSE(c.multi_shown[2]);
  log.CloseContestLog();
}

TEST_F(ListsTest, MultiCheckCountrySectionLeavesOutGermanyAndOtherContinentsAsTheKindsSay) {
  ExportInputs in = For('g', 1);
  in.definition.MultiplierKinds.reset();
  in.definition.MultiplierKinds.set(2);
  in.definition.MultiplierKinds.set(9);
  AddQsos({{.call = "DL1AA", .band = 'k', .country = "DL"},
           {.call = "OE1BB", .band = 'k', .country = "OE"},
           {.call = "OE2CC", .band = 'l', .country = "OE"},
           {.call = "W1AW", .band = 'k', .country = "K"}});
  {
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    for (std::int32_t n = 1; n <= 4; ++n) {
      ASSERT_EQ(fm_->FindKey(log.log(), 4, store::LongToKey(n)), 0);
      PutText(fm_->RecordBuffer(log.log()), qso::kContinent, n == 4 ? "NA" : "EU");
      ASSERT_EQ(fm_->PutRecord(log.log()), 0);
    }
    log.CloseContestLog();
  }
  auto lines = List(OutputKind::kMultiCheckFile, in);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.end()),
            (std::vector<std::string>{PadRight("OE", 8) + PadRight("OE1BB", 13) + PadRight("OE2CC", 13) +
                                      Text(13, ' ')}));
  in.definition.MultiplierKinds.set(3);
  in.definition.MultiplierKinds.reset(9);
  lines = List(OutputKind::kMultiCheckFile, in);
  EXPECT_EQ(lines.size(), 8u);  // DL, K and OE
  EXPECT_EQ(lines[5].substr(0, 21), "DL      DL1AA        ");
}

// --- paper ---

struct PagedLog : ListsTest {
  void Fill(int contacts) {
    std::vector<Qso> qsos;
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    log.CloseContestLog();
    for (int i = 0; i < contacts; ++i)
      AddQsos({{.call = "DL1AA", .band = 'k', .points = 2, .time = 8 * 3600}});
  }
};

TEST_F(PagedLog, EveryPageBeginsWithTitleAndHeadAndNumbersRunInOrder) {
  ExportInputs in = For('8', 1);
  Fill(100);
  PageSink pages(40, 1);
  ContestLog log(*files_, 3);
  ASSERT_TRUE(log.OpenContestLog());
  ASSERT_TRUE(WriteQsoList(in, log.log(), MeasureColumns(in.definition, *fm_, log.log()), pages));
  int last_page = 0;
  int rows = 0;
  for (std::size_t i = 0; i < pages.drawn().size(); ++i) {
    const auto& d = pages.drawn()[i];
    if (d.page != last_page) {
      EXPECT_EQ(d.page, last_page + 1);
      last_page = d.page;
      EXPECT_EQ(d.y, 0);
      EXPECT_TRUE(d.bold);
      EXPECT_EQ(d.text, PadRight("AGCW - VHF/UHF-Contest 2009  -  QSO-Liste     CALL: DF0NS", 77) +
                            "Page :" + FormatNumber(d.page, 4));
      EXPECT_EQ(pages.drawn()[i + 2].text.substr(0, 11), "Nr   DATE  ");
    }
    if (d.text.size() > 4 && d.text.substr(5, 6) == "030109") ++rows;
    EXPECT_LT(d.y, 40);
  }
  EXPECT_EQ(rows, 100);
  EXPECT_EQ(last_page, 3);  // 37 rows on each page
}

TEST_F(PagedLog, TheFooterMovesToANewPageOnlyWhenFewerThanFourLinesAreLeft) {
  // 3 head lines and the contacts: with 10 lines a page, 3 contacts leave
  // 4 lines, 4 contacts leave 3.
  for (int contacts : {3, 4}) {
    Reset();
    const ExportInputs in = For('8', 1);  // over this machine's files
    Fill(contacts);
    PageSink pages(10, 1);
    ContestLog log(*files_, 3);
    ASSERT_TRUE(log.OpenContestLog());
    ASSERT_TRUE(WriteQsoList(in, log.log(), MeasureColumns(in.definition, *fm_, log.log()), pages));
    const auto& last = pages.drawn().back();
    EXPECT_NE(last.text.find(" Punkte"), std::string::npos);
    EXPECT_EQ(last.page, contacts == 3 ? 1 : 2) << contacts << " contacts";
    if (contacts == 4) {
      EXPECT_EQ(pages.drawn()[pages.drawn().size() - 5].text.substr(0, 22), "AGCW - VHF/UHF-Contest");
    }
  }
}

// --- the output run ---

class RecordingHost : public OutputHost {
 public:
  std::optional<std::string> ChooseSaveFile(std::string_view filter, std::string_view extension,
                                            std::string_view proposed) override {
    filters.emplace_back(filter);
    extensions.emplace_back(extension);
    proposals.emplace_back(proposed);
    return answer;
  }
  std::unique_ptr<PageSink> BeginPrint(int points, std::string_view title) override {
    font_points.push_back(points);
    titles.emplace_back(title);
    if (!print) return nullptr;
    return std::make_unique<PageSink>(60, 1);
  }
  void EndPrint(PageSink& pages) override { printed_lines += static_cast<int>(pages.drawn().size()); }
  void ShowEditor(const std::string& path) override { editors.push_back(path); }

  std::optional<std::string> answer = "/out/DF0NS-Sektion A.SUM";
  bool print = true;
  std::vector<std::string> filters, extensions, proposals, titles, editors;
  std::vector<int> font_points;
  int printed_lines = 0;
};

class OutputRunTest : public ListsTest {
 protected:
  void SetUp() override {
    ListsTest::SetUp();
    in_ = For('g', 1);
    AddQsos({{.call = "DL1AA", .band = 'k', .mode = "CW", .sent = "599001", .rcvd = "599001"}});
  }
  ExportInputs in_;
  RecordingHost host_;
};

TEST_F(OutputRunTest, SummaryFileAsksWhereWritesAndOpensTheEditorWithoutACompletionMessage) {
  const OutputOutcome r = RunOutput(OutputKind::kSummaryFile, in_, host_, port_);
  EXPECT_EQ(r.result, OutputResult::kWritten);
  EXPECT_EQ(port_.Messages(),
            (std::vector<Text>{"Geben Sie im folgenden Dialog an, wohin die E-Log - Deckblattdatei "
                               "DF0NS.SUM gespeichert werden soll."}));
  EXPECT_EQ(host_.filters, (std::vector<std::string>{"E-Log Deckblatt (*.SUM)|DF0NS-Sektion A.SUM"}));
  EXPECT_EQ(host_.extensions, (std::vector<std::string>{"SUM"}));
  EXPECT_EQ(host_.editors, (std::vector<std::string>{"/out/DF0NS-Sektion A.SUM"}));
  EXPECT_FALSE(fs_.Text("/out/DF0NS-Sektion A.SUM").empty());
  EXPECT_FALSE(fs_.Exists("/out/DF0NS-Sektion A.SUM.NEU"));
}

TEST_F(OutputRunTest, CompletionMessagesNameTheFileAndOnlyListsAndStfOpenTheEditor) {
  host_.answer = "/out/a.CSV";
  RunOutput(OutputKind::kCsv, in_, host_, port_);
  host_.answer = "/out/a.TXT";
  RunOutput(OutputKind::kWholeFile, in_, host_, port_);
  host_.answer = "/out/a-multi.txt";
  RunOutput(OutputKind::kMultiCheckFile, in_, host_, port_);
  host_.answer = "/out/a.BND";
  RunOutput(OutputKind::kBandListFile, in_, host_, port_);
  const auto messages = port_.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Datei /out/a.CSV wurde erstellt."), messages.end());
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Datei /out/a.TXT wurde erstellt."), messages.end());
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Datei /out/a-multi.txt wurde erstellt."),
            messages.end());
  EXPECT_NE(std::find(messages.begin(), messages.end(), "Datei /out/a.BND wurde erstellt."), messages.end());
  EXPECT_EQ(host_.editors, (std::vector<std::string>{"/out/a.BND"}));
}

TEST_F(OutputRunTest, ACancelledSaveOrPrintDialogWritesNothing) {
  host_.answer = std::nullopt;
  EXPECT_EQ(RunOutput(OutputKind::kQsoListFile, in_, host_, port_).result, OutputResult::kCancelled);
  EXPECT_TRUE(host_.editors.empty());
  host_.print = false;
  EXPECT_EQ(RunOutput(OutputKind::kPaperQsoList, in_, host_, port_).result, OutputResult::kCancelled);
  EXPECT_EQ(host_.printed_lines, 0);
  const auto image = fs_.AppliedImage();
  for (const auto& [path, bytes] : image) EXPECT_EQ(path.rfind("/out", 0), std::string::npos) << path;
}

TEST_F(OutputRunTest, AFileThatCannotBeCreatedIsSaidAndNothingIsWritten) {
  host_.answer = "/locked/x.ALL";
  fs_.FailOpen("/locked/x.ALL.NEU", store::kOsFailure);
  EXPECT_EQ(RunOutput(OutputKind::kQsoListFile, in_, host_, port_).result, OutputResult::kNotCreated);
  EXPECT_EQ(port_.Messages().back(), "Die Datei /locked/x.ALL konnte nicht erstellt werden.");
  EXPECT_FALSE(fs_.Exists("/locked/x.ALL"));
  EXPECT_TRUE(host_.editors.empty());
}

TEST_F(OutputRunTest, AFullDiskLeavesNoHalfFileAndKeepsAnOlderOne) {
  ASSERT_EQ(fs_.Append("/out/old.ALL", "the list handed in yesterday\r\n"), 0);
  host_.answer = "/out/old.ALL";
  fs_.FailWrite(0, store::kShortWrite, 100);
  const OutputOutcome r = RunOutput(OutputKind::kQsoListFile, in_, host_, port_);
  EXPECT_EQ(r.result, OutputResult::kFailed);
  EXPECT_EQ(fs_.Text("/out/old.ALL"), "the list handed in yesterday\r\n");
  EXPECT_FALSE(fs_.Exists("/out/old.ALL.NEU"));
  EXPECT_NE(port_.Messages().back().find("konnte nicht vollst\xE4ndig geschrieben werden"),
            std::string::npos);
  EXPECT_TRUE(host_.editors.empty());
  // A rename that fails after the writing keeps the old file too.
  fs_.FailWrite(0, 0, 0);
  fs_.FailRename("/out/old.ALL", store::kOsFailure);
  EXPECT_EQ(RunOutput(OutputKind::kQsoListFile, in_, host_, port_).result, OutputResult::kFailed);
  EXPECT_EQ(fs_.Text("/out/old.ALL"), "the list handed in yesterday\r\n");
  EXPECT_FALSE(fs_.Exists("/out/old.ALL.NEU"));
}

TEST_F(OutputRunTest, PrintedKindsUseTheirFontSizesAndNoSaveDialog) {
  RunOutput(OutputKind::kPaperSummary, in_, host_, port_);
  RunOutput(OutputKind::kPaperMultiCheck, in_, host_, port_);
  PutU8(in_.qvkk, qvkk::kClassNumber.offset, 4);
  RunOutput(OutputKind::kPaperQsoList, in_, host_, port_);
  RunOutput(OutputKind::kPaperBandList, in_, host_, port_);
  EXPECT_EQ(host_.font_points, (std::vector<int>{9, 10, 8, 8}));
  EXPECT_TRUE(host_.filters.empty());
  EXPECT_TRUE(port_.Messages().empty());
  EXPECT_GT(host_.printed_lines, 40);
}

TEST_F(OutputRunTest, ALogThatCannotBeOpenedGivesAnEmptyFileInTheEditor) {
  // A log whose files are gone, and creating them is refused.
  in_.log_number = 9;
  fm_->SetLockQuestion([](const std::string&, store::LockQuestion) { return false; });
  host_.answer = "/out/empty.ALL";
  EXPECT_EQ(RunOutput(OutputKind::kQsoListFile, in_, host_, port_).result, OutputResult::kLogNotOpened);
  EXPECT_TRUE(fs_.Exists("/out/empty.ALL"));
  EXPECT_EQ(fs_.Text("/out/empty.ALL"), "");
  EXPECT_EQ(host_.editors, (std::vector<std::string>{"/out/empty.ALL"}));
}

TEST_F(OutputRunTest, TheEdiHeaderIsCompletedInItsDialogBeforeTheFileIsWritten) {
  struct EdiHost : RecordingHost {
    void EditEdiHeader(EdiHeader& header, std::string_view caption) override {
      caption_ = caption;
      pre_filled = header.Value("pcall") + "|" + header.Value("rcoun") + "|" + header.Value("psect");
      header.Set("rtrx", "IC-9700");
    }
    std::string caption_, pre_filled;
  } host;
  PutText(in_.qvkk, qvkk::kOwnCall, "DF0NS");
  host.answer = "/out/a.EDI";
  EXPECT_EQ(RunOutput(OutputKind::kEdi, in_, host, port_).result, OutputResult::kWritten);
  EXPECT_EQ(host.caption_, in_.definition.ContestTitle);
  EXPECT_EQ(host.pre_filled, "DF0NS|Deutschland|S");
  EXPECT_NE(fs_.Text("/out/a.EDI").find("\r\nSRXEq=IC-9700\r\n"), std::string::npos);
  EXPECT_EQ(port_.Messages().back(), "Datei /out/a.EDI wurde erstellt.");
}

}  // namespace
}  // namespace vek
