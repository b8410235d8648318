// The outputs on the desktop: the output menu running its items, the
// editor window, printed pages of a long log, and vekcontest --print.
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include "base/cp1252.h"
#include "base/number_picture.h"
#include "catalogue/catalogue_records.h"
#include "export/export_inputs.h"
#include "logging/contest_log.h"
#include "logging/qso_record.h"
#include "logging/entry_context.h"
#include "ui/adif_import_dialog.h"
#include "ui/edi_header_dialog.h"
#include "ui/output_printing.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

class MemoryHost : public OutputHost {
 public:
  std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view, std::string_view proposed) override {
    proposals.emplace_back(proposed);
    return "/out/" + std::string(proposed);
  }
  std::unique_ptr<PageSink> BeginPrint(int, std::string_view) override { return nullptr; }
  void EndPrint(PageSink&) override {}
  void ShowEditor(const std::string& path) override { editors.push_back(path); }
  std::vector<std::string> proposals, editors;
};

class OutputWindowsTest : public MainWindowTest {
 protected:
  // Contacts written straight into the current log.
  void AddContacts(int count) {
    auto& c = window_->controller();
    const std::int32_t number = c.CurrentLogNumber();
    ContestLog log(c.files(), number);
    ASSERT_TRUE(log.OpenContestLog());
    for (int i = 1; i <= count; ++i) {
      fm_->ClearRecord(log.log());
      Bytes r = fm_->RecordBuffer(log.log());
      PutI32(r, qso::kEntryNo.offset, i);
      PutI32(r, qso::kSerialNo.offset, i);
      PutI32(r, qso::kBandNoB.offset, i);
      PutText(r, qso::kCall, "DL" + std::to_string(i % 10) + "A" + std::string(1, static_cast<char>('A' + i % 26)));
      PutI32(r, qso::kDate.offset, *DayNumberFromDate(2008, 11, 15));
      PutI32(r, qso::kTime.offset, 14 * 3600 + (i % 180) * 60);
      PutText(r, qso::kMode, "CW");
      PutU8(r, qso::kBand.offset, 'k');
      PutU16(r, qso::kPoints.offset, static_cast<std::uint16_t>(1 + i % 4));
      PutText(r, qso::kMultiMark1, i % 7 == 0 ? "JO" + std::to_string(30 + i % 50) : "");
      StoreSentExchange(r, "599" + ZeroPadded(i, 3) + "/JO43/I38");
      StoreRcvdExchange(r, "599" + ZeroPadded(i, 3) + "/JO31AB/I23");
      ASSERT_EQ(fm_->AddRecord(log.log()), 0);
    }
    log.CloseContestLog();
    // Totals as the entry window would have stored them.
    Bytes kk = fm_->RecordBuffer(c.qvkk());
    qvkk::PutColumnTotals(kk, 1, {count, 12, 2 * count, 12, 0});
    ASSERT_EQ(fm_->PutRecord(c.qvkk()), 0);
  }
  ExportInputs Inputs() {
    auto& c = window_->controller();
    auto in = ExportInputsFor(c, c.CurrentLogNumber(), clock_);
    EXPECT_TRUE(in.has_value());
    return *in;
  }
};

TEST_F(OutputWindowsTest, MenuItemsWriteTheFilesTheCompanionWrites) {
  StartProgram("Nordsee 2008");
  AddContacts(12);
  auto& c = window_->controller();
  TEingContestStd d(c.SetupContextFor(), true, false);
  MemoryHost host;
  d.SetOutputHost(&host);
  d.show();
  Click(&d, "btnDruck");
  QMenu* menu = d.output_menu();
  auto item = [&](const char* caption) {
    for (QAction* a : menu->actions())
      if (a->text() == caption) return a;
    return static_cast<QAction*>(nullptr);
  };
  ASSERT_NE(item("E-Log QSO-Liste"), nullptr);
  item("E-Log QSO-Liste")->trigger();
  item("CSV- Exportdatei der QSO-Liste")->trigger();
  menu->close();
  EXPECT_EQ(host.proposals, (std::vector<std::string>{"DL1ABC-Sektion A.ALL", "DL1ABC-Sektion A.CSV"}));
  EXPECT_EQ(host.editors, (std::vector<std::string>{"/out/DL1ABC-Sektion A.ALL"}));
  // The same bytes as the companion's writer gives.
  const ExportInputs in = Inputs();
  ScriptedUserPort quiet;
  ASSERT_EQ(WriteOutputFile(OutputKind::kQsoListFile, in, "/cli.ALL", quiet).result, OutputResult::kWritten);
  EXPECT_EQ(fs_.Text("/out/DL1ABC-Sektion A.ALL"), fs_.Text("/cli.ALL"));
  EXPECT_NE(fs_.Text("/out/DL1ABC-Sektion A.CSV").find("151108;14:01;DL1AB;2;CW;"), std::string::npos);
  const auto messages = port_.Messages();
  EXPECT_EQ(messages.back(), "Datei /out/DL1ABC-Sektion A.CSV wurde erstellt.");
}

TEST_F(OutputWindowsTest, ScreenshotOfTheOutputMenu) {
  StartProgram("Nordsee 2008");
  TEingContestStd d(window_->controller().SetupContextFor(), true, false);
  d.show();
  Click(&d, "btnDruck");
  QMenu* menu = d.output_menu();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  Shoot(menu, "output_menu");
  menu->close();
}

TEST(EditorWindowTest, ShowsTheFileAndSavesItBackInTheFilesOwnForm) {
  QTemporaryDir dir;
  const std::string path = (dir.path() + "/DL1ABC.SUM").toStdString();
  {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("     Ort: Oldenburg\r\n     Datum: 17.11.2008 Gr\xFC\xDF" "e\r\n");
  }
  TEditorFenster editor(path);
  editor.show();
  EXPECT_EQ(editor.windowTitle(), QString::fromStdString(path));
  EXPECT_EQ(editor.editor()->toPlainText(), QString::fromUtf8("     Ort: Oldenburg\n     Datum: 17.11.2008 Grüße\n"));
  EXPECT_EQ(editor.editor()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(editor.editor()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  // "Courier New" or the metric-compatible face the system puts in its place.
  const QString family = QFontInfo(editor.editor()->font()).family();
  EXPECT_TRUE(family.contains("Courier") || family.contains("Liberation Mono")) << family.toStdString();
  Shoot(&editor, "editor_window");
  editor.editor()->moveCursor(QTextCursor::End);
  QTest::keyClicks(editor.editor(), "Unterschrift: Hans M");
  editor.editor()->insertPlainText(QString::fromUtf8("ö"));
  Click(&editor, "btnSpeichern");
  EXPECT_FALSE(editor.isVisible());
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().toStdString(),
            "     Ort: Oldenburg\r\n     Datum: 17.11.2008 Gr\xFC\xDF" "e\r\nUnterschrift: Hans M\xF6");
}

TEST_F(OutputWindowsTest, FiveHundredContactsPrintWithTitleAndHeadOnEveryPage) {
  StartProgram("Nordsee 2008");
  AddContacts(500);
  const ExportInputs in = Inputs();
  QTemporaryDir dir;
  const QString pdf = dir.path() + "/list.pdf";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setPageSize(QPageSize(QPageSize::A4));
  QtPageSink pages(printer, 9);
  ASSERT_TRUE(pages.Started());
  ContestLog log(*in.files, in.log_number);
  ASSERT_TRUE(log.OpenContestLog());
  ASSERT_TRUE(ProduceOutput(OutputKind::kPaperQsoList, in, log.log(), pages));
  log.CloseContestLog();
  pages.Finish();
  // 1.4 cm at the printer's resolution, and lines at least as high as the font.
  EXPECT_EQ(pages.left_margin(), static_cast<int>(printer.logicalDpiX() * 1.4 / 2.54));
  EXPECT_GT(pages.line_height(), printer.logicalDpiY() * 9 / 72);

  const auto& drawn = pages.drawn();
  int page = 0, rows = 0;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    if (drawn[i].page == page) continue;
    EXPECT_EQ(drawn[i].page, page + 1);
    page = drawn[i].page;
    ASSERT_LT(i + 2, drawn.size());
    EXPECT_EQ(drawn[i].text, PadRight("UKW Nordsee-Contest 2008  -  QSO-Liste     CALL: DL1ABC", 77) + "Page :" +
                                 FormatNumber(page, 4));
    EXPECT_TRUE(drawn[i].bold);
    EXPECT_EQ(drawn[i + 2].text.substr(0, 16), "Nr   DATE   UTC ");
  }
  for (const auto& d : drawn) rows += d.text.size() > 11 && d.text.substr(5, 6) == "151108";
  EXPECT_EQ(rows, 500);
  EXPECT_GE(page, 6);
  EXPECT_NE(drawn.back().text.find(" Punkte"), std::string::npos);
  // The PDF holds as many pages as were drawn.
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains(QStringLiteral("/Count %1").arg(page).toLatin1()));
}

TEST(PrintCommandTest, PrintsIntoAPdfWithoutAWindowAndFailsForAMissingLog) {
  QTemporaryDir dir;
  const auto run = [&](const QString& program, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return p.exitCode();
  };
  ASSERT_EQ(run(VEK_CLI_PATH, {"new-log", "--name", "Nordsee", "--call", "DL1ABC", "--locator", "JO43KD", "--dok",
                               "I38", "--class", "1", "--postcode-town", "26129 Oldenburg"}),
            0);
  ASSERT_EQ(run(VEK_CLI_PATH, {"add-qso", "1", "--call", "DL2XYZ", "--date", "15.11.2008", "--time", "14:12",
                               "--rcvd2", "001", "--rcvd3", "JO42AB", "--rcvd4", "I23"}),
            0);
  for (const char* kind : {"summary", "qso-list", "band-list", "multi-check"}) {
    const QString pdf = dir.path() + "/" + kind + ".pdf";
    EXPECT_EQ(run(VEK_GUI_PATH, {"--print", kind, "1", "--pdf", pdf}), 0) << kind;
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << kind;
    EXPECT_TRUE(f.readAll().startsWith("%PDF")) << kind;
  }
  EXPECT_EQ(run(VEK_GUI_PATH, {"--print", "summary", "7", "--pdf", dir.path() + "/none.pdf"}), 1);
  EXPECT_FALSE(QFile::exists(dir.path() + "/none.pdf"));
  EXPECT_EQ(run(VEK_GUI_PATH, {"--print", "cabrillo", "1", "--pdf", dir.path() + "/c.pdf"}), 1);
}

}  // namespace
}  // namespace vek::ui::testing

namespace vek::ui::testing {
namespace {

TEST_F(OutputWindowsTest, AdifImportDialogMapsByKeyboardAndImportsThroughTheEntrySession) {
  StartProgram("Nordsee 2008");
  auto& c = window_->controller();
  auto ctx = EntryContextFor(c, c.CurrentLogNumber(), clock_, port_);
  ASSERT_TRUE(ctx.has_value());
  EntrySession session(std::move(*ctx));
  ASSERT_TRUE(session.Open());
  QTemporaryDir dir;
  const QString path = dir.path() + "/contest.adi";
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Exported by another logbook\n<EOH>\n"
            "<CALL:6>DL1AAA <QSO_DATE:8>20081115 <TIME_ON:4>1413 <BAND:2>2m <MODE:2>CW <SRX:3>001\n"
            "<GRIDSQUARE:6>JO31AB <DARC_DOK:3>I23 <EOR>\n"
            "<CALL:6>DL2BBB <QSO_DATE:8>20081115 <TIME_ON:4>1420 <BAND:4>70cm <MODE:3>SSB <SRX:3>002 "
            "<GRIDSQUARE:6>JO42CD <DARC_DOK:3>I12 <EOR>\n");
  }
  TAdifImport d(session);
  d.show();
  EXPECT_FALSE(d.findChild<QPushButton*>("btnStart")->isEnabled());
  d.LoadFile(path);
  EXPECT_EQ(d.findChild<QLabel*>("lDatei")->text(), path + QString::fromUtf8("  (2 Datensätze)"));
  EXPECT_EQ(d.tags()->count(), 8);
  d.MapSame();
  EXPECT_EQ(d.tags()->count(), 2);  // GRIDSQUARE and DARC_DOK are left
  // By keyboard: mark "Loc" on the right, then Enter on GRIDSQUARE on the left.
  d.fields()->setCurrentRow(8);
  d.tags()->setCurrentRow(0);
  for (int i = 0; i < d.tags()->count(); ++i)
    if (d.tags()->item(i)->text() == "GRIDSQUARE") d.tags()->setCurrentRow(i);
  d.tags()->setFocus();
  QTest::keyClick(d.tags(), Qt::Key_Return);
  d.MapTag("DARC_DOK", 9);
  EXPECT_EQ(d.fields()->item(8)->text(), "Loc (GRIDSQUARE)");
  EXPECT_EQ(d.fields()->item(9)->text(), "DOK (DARC_DOK)");
  EXPECT_TRUE(d.findChild<QPushButton*>("btnStart")->isEnabled());
  Shoot(&d, "adif_import_dialog");
  Click(&d, "btnStart");
  EXPECT_TRUE(d.imported());
  EXPECT_EQ(port_.Messages().back(), W("2 Datensätze importiert"));
  EXPECT_EQ(session.saves(), 2);
  EXPECT_EQ(GetText(session.last_saved(), qso::kMultiMark1), "JO42");
}

}  // namespace
}  // namespace vek::ui::testing

namespace vek::ui::testing {
namespace {

TEST_F(OutputWindowsTest, EdiHeaderDialogShowsThePreFilledValuesAndKeepsWhatWasTypedHoweverItCloses) {
  StartProgram("Nordsee 2008");
  ExportInputs in = Inputs();
  in.station.country.clear();
  EdiHeader header = EdiHeader::For(in);
  {
    TEdiKopf d(header, "UKW Nordsee-Contest 2008");
    d.show();
    EXPECT_EQ(d.windowTitle(), "UKW Nordsee-Contest 2008");
    EXPECT_EQ(qobject_cast<QLineEdit*>(d.control("pcall"))->text(), "DL1ABC");
    EXPECT_EQ(qobject_cast<QLineEdit*>(d.control("rcoun"))->text(), "DL");
    EXPECT_EQ(qobject_cast<QLineEdit*>(d.control("psect"))->text(), "S");
    ASSERT_NE(d.findChild<QPushButton*>("btnOK"), nullptr);
    Type(&d, "rtrx", "IC-9700");
    Shoot(&d, "edi_header_dialog");
    QTest::keyClick(&d, Qt::Key_Escape);
  }
  EXPECT_EQ(header.Value("rtrx"), "IC-9700");
  EXPECT_EQ(header.Value("pclub1"), "DARC");
}

}  // namespace
}  // namespace vek::ui::testing
