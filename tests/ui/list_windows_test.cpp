// The list window, the correction dialog, the note window and the age
// overview, driven offscreen over a real entry window.
#include <QComboBox>
#include <QScrollArea>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include "catalogue/catalogue_records.h"
#include "logging/entry_context.h"
#include "logging/qso_record.h"
#include "ui/contest_log_std.h"
#include "ui/korrektur.h"
#include "ui/notiz.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

using F = EntryFieldId;

// After a correction, in the correction list and in the entry window's own
// list, the cursor stays on the corrected contact.
TEST_F(ListWindowTest, AfterACorrectionTheCursorStaysOnTheCorrectedContact) {
  TContestLogStd& w = OpenEntryWindow();
  Contact("DL1ABC", "001", "JO42AB", "I23");
  Contact("DL2XYZ", "002", "JO52AB", "DVI");
  Contact("DL3AAA", "003", "JO53AB", "I38");
  const auto correct_first_row = [](QTableWidget* grid) {
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Up);
    ASSERT_EQ(grid->currentRow(), 0);
    WhenModal<TQsoAendern>([](TQsoAendern* d) {
      d->band_list()->setCurrentText("70 cm");
      QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::keyClick(grid, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_TRUE(grid->item(0, 3)->text().startsWith("DL1ABC"));
  };
  bool ran = false;
  WhenModal<TKorrekturstd>([&](TKorrekturstd* list) {
    ran = true;
    correct_first_row(list->list()->grid());
    QTest::keyClick(list->list()->grid(), Qt::Key_Escape);
  });
  w.ShowList(TKorrekturstd::Mode::kCorrection);
  EXPECT_TRUE(ran);
  QTest::keyClick(w.edit(F::eCall), Qt::Key_F5);
  ASSERT_TRUE(w.list_mode());
  correct_first_row(w.list()->grid());
}

// With 180 multipliers the panel holds them all, and the red mark of the
// value the contact being typed brings new is in sight.
TEST_F(ListWindowTest, TheMultiplierPanelShowsEveryValueAndTheNewOne) {
  TContestLogStd& w = OpenEntryWindow();
  EntrySession& s = w.session();
  for (int i = 0; i < 90; ++i) {
    const std::string call = std::string("DK") + static_cast<char>('0' + i % 10) + "A" +
                             static_cast<char>('A' + i / 10) + static_cast<char>('A' + i % 10);
    char number[8], field[8], dok[8];
    std::snprintf(number, sizeof number, "%03d", i + 1);
    std::snprintf(field, sizeof field, "JO%02dAA", i);
    std::snprintf(dok, sizeof dok, "I%02d", i + 1);
    for (auto [id, text] : {std::pair<F, std::string>{F::eCall, call}, {F::eRSTr2, number}, {F::eRSTr3, field},
                            {F::eRSTr4, dok}}) {
      ASSERT_EQ(s.focus(), id) << call;
      s.Type(id, text);
      s.Enter();
    }
  }
  ASSERT_EQ(s.saves(), 90);
  Contact("DL9ZZZ", "001", "JO42AB", "I38");  // refreshes the window
  QTest::keyClicks(w.edit(F::eCall), "DL8YYY");
  QTest::keyClick(w.edit(F::eCall), Qt::Key_Return);
  QTest::keyClicks(w.edit(F::eRSTr2), "002");
  QTest::keyClick(w.edit(F::eRSTr2), Qt::Key_Return);
  QTest::keyClicks(w.edit(F::eRSTr3), "JN99AA");
  QLabel* mark = nullptr;
  int values = 0;
  for (QLabel* l : w.findChildren<QLabel*>()) {
    if (!l->objectName().startsWith("lMulti") || l->objectName() == "lMulti") continue;
    if (l->text() != ".") ++values;
    if (l->text() == "JN99") mark = l;
  }
  EXPECT_GE(values, 181);
  ASSERT_NE(mark, nullptr);
  EXPECT_TRUE(mark->styleSheet().contains("red"));
  auto* panel = w.findChild<QScrollArea*>("panelmulties");
  ASSERT_NE(panel, nullptr);
  const QRect in_view(mark->mapTo(panel->viewport(), QPoint(0, 0)), mark->size());
  EXPECT_TRUE(in_view.top() >= 0 && in_view.bottom() <= panel->viewport()->height()) << in_view.y() << "+" << in_view.height() << " x " << in_view.x() << "+" << in_view.width() << " of " << panel->viewport()->height() << "x" << panel->viewport()->width();
  EXPECT_TRUE(panel->viewport()->rect().intersects(in_view));
}

TEST_F(ListWindowTest, CorrectionListEditsAContactAndTheTotalsFollow) {
  TContestLogStd& w = OpenEntryWindow();
  Contact("DL1ABC", "001", "JO42AB", "I23");
  Contact("DL2XYZ", "002", "JO52AB", "DVI");
  ASSERT_EQ(w.session().saves(), 2);
  bool listed = false, edited = false;
  WhenModal<TKorrekturstd>([&](TKorrekturstd* list) {
    listed = true;
    EXPECT_EQ(list->windowTitle(), QString::fromUtf8("QSO - Liste (Ändern mit Eingabetaste oder Doppelklick)"));
    ASSERT_EQ(list->list()->grid()->rowCount(), 2);
    EXPECT_EQ(list->list()->grid()->currentRow(), 1);  // it opens on its last entry
    Shoot(list, "list_window");
    WhenModal<TQsoAendern>([&](TQsoAendern* d) {
      edited = true;
      EXPECT_EQ(d->windowTitle(), QString::fromUtf8("QSO ändern"));
      EXPECT_EQ(d->findChild<QLabel*>("lNummer")->text(), "Nummer:   2");
      EXPECT_FALSE(d->edit("eRSTs2")->isEnabled());  // the entry window fixes it
      EXPECT_EQ(d->edit("eRSTr4")->text(), "DVI");
      d->band_list()->setCurrentText("70 cm");
      d->edit("eName")->setText("Hans");
      Shoot(d, "correction_dialog");
      QTest::keyClick(d, Qt::Key_Escape);  // Esc takes everything over
    });
    QTest::keyClick(list->list()->grid(), Qt::Key_Return);
    EXPECT_TRUE(list->list()->grid()->item(1, 4)->text().startsWith("70 cm"));
    QTest::keyClick(list->list()->grid(), Qt::Key_Escape);
  });
  w.ShowList(TKorrekturstd::Mode::kCorrection);
  EXPECT_TRUE(listed);
  EXPECT_TRUE(edited);
  // The list opens again where the operator left it, while the entry window lives.
  WhenModal<TKorrekturstd>([](TKorrekturstd* list) {
    list->setGeometry(40, 50, 700, 400);
    list->accept();
  });
  w.ShowList(TKorrekturstd::Mode::kCorrection);
  QRect again;
  WhenModal<TKorrekturstd>([&](TKorrekturstd* list) {
    again = list->geometry();
    list->accept();
  });
  w.ShowList(TKorrekturstd::Mode::kCorrection);
  EXPECT_EQ(again.size(), QSize(700, 400));
  EXPECT_EQ(w.session().totals().Band('l').qsos, 1);
  EXPECT_EQ(w.session().totals().Band('k').qsos, 1);
  EXPECT_EQ(w.findChild<QLabel*>("lQSO")->text(), "2 QSO");
  EXPECT_EQ(qvkk::GetColumnTotals(fm_->RecordBuffer(window_->controller().qvkk()), 2).qsos, 1);
}

TEST_F(ListWindowTest, DeletingFromTheEntryListAsksTwiceAndStartsANewContact) {
  TContestLogStd& w = OpenEntryWindow();
  Contact("DL1ABC", "001", "JO42AB", "I23");
  Contact("DL2XYZ", "002", "JO52AB", "DVI");
  w.list()->grid()->setFocus();
  port_.Clear();
  port_.QueueAnswer(true);  // the grid's question
  port_.QueueAnswer(true);  // the deletion's own
  QTest::keyClick(w.list()->grid(), Qt::Key_Delete);
  QApplication::processEvents();
  ASSERT_EQ(port_.Questions().size(), 2u);
  EXPECT_EQ(port_.Questions()[0], W(" Löschen \"Datensatz\""));
  EXPECT_EQ(port_.Questions()[1], W("Eintrag DL2XYZ löschen?"));
  EXPECT_EQ(w.list()->grid()->rowCount(), 1);
  EXPECT_EQ(w.findChild<QLabel*>("lQSO")->text(), "1 QSO");
  EXPECT_TRUE(w.session().field(F::eCall).text.empty());
}

TEST_F(ListWindowTest, BandLogAndCallSearch) {
  TContestLogStd& w = OpenEntryWindow();
  Contact("DL1ABC", "001", "JO42AB", "I23");
  w.session().ChangeBand('l');
  Contact("DL2XYZ", "002", "JO52AB", "DVI");
  EXPECT_EQ(GetU8(w.session().last_saved(), qso::kBand.offset), 'l');
  WhenModal<QDialog>([](QDialog* d) {
    ASSERT_EQ(d->objectName(), "TBandWahl");
    auto* list = d->findChild<QListWidget*>("listband");
    list->setCurrentRow(0);  // 2 m
    QTest::keyClick(d, Qt::Key_Escape);  // cancelled: the band selected at that moment
    WhenModal<TKorrekturstd>([](TKorrekturstd* l) {
      EXPECT_TRUE(l->windowTitle().startsWith("Band - Log"));
      EXPECT_EQ(l->list()->grid()->rowCount(), 1);
      EXPECT_TRUE(l->list()->grid()->item(0, 3)->text().startsWith("DL1ABC"));
      l->accept();
    });
  });
  w.ShowList(TKorrekturstd::Mode::kBandLog);
  WhenModal<QDialog>([](QDialog* d) {
    ASSERT_EQ(d->objectName(), "TSuche");
    QTest::keyClicks(d->findChild<QLineEdit*>("eSuche"), "dl2");
    WhenModal<TKorrekturstd>([](TKorrekturstd* l) {
      ASSERT_EQ(l->list()->grid()->rowCount(), 1);
      EXPECT_TRUE(l->list()->grid()->item(0, 3)->text().startsWith("DL2XYZ"));
      l->accept();
    });
    Click(d, "btnSuche");
  });
  w.ShowList(TKorrekturstd::Mode::kCallSearch);
}

TEST_F(ListWindowTest, NotesAreStampedAndSavedWithEscape) {
  TContestLogStd& w = OpenEntryWindow();
  Contact("DL1ABC", "001", "JO42AB", "I23");
  bool shown = false;
  WhenModal<TNotiz>([&](TNotiz* n) {
    shown = true;
    EXPECT_EQ(n->windowTitle(), "Nordsee 2008.TXT");
    EXPECT_EQ(n->editor()->textCursor().position(), 30);
    EXPECT_EQ(n->editor()->toPlainText(), "15.11.2008 14:12 DL1ABC     > ");
    QTest::keyClicks(n->editor(), "Regen");
    Shoot(n, "note_window");
    QTest::keyClick(n, Qt::Key_Escape);
  });
  w.OpenNotes();
  EXPECT_TRUE(shown);
  std::int32_t error = 0;
  auto f = fs_.Open("Nordsee 2008.TXT", false, error);
  ASSERT_TRUE(f);
  std::string text(64, '\0');
  const auto got = f->ReadAt(0, std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(text.data()), text.size()));
  text.resize(got.bytes);
  EXPECT_EQ(text, "15.11.2008 14:12 DL1ABC     > Regen\r\n");
  // The placement is kept in the catalogue record.
  window_->controller().Select(log_);
  EXPECT_GT(GetI16(fm_->RecordBuffer(window_->controller().qvkk()), 257), 0);
  EXPECT_TRUE(w.session().field(F::eCall).text.empty());  // the loaded contact did not stay
}

TEST(AgeOverviewWindowTest, TheChartFollowsTheStep) {
  AgeCounts ones{}, fives{}, tens{};
  ones[42] = 3, ones[17] = 23, ones[1] = 2;
  fives[45] = 3, fives[20] = 23, fives[5] = 2;
  tens[50] = 3, tens[20] = 23, tens[10] = 2;
  TUebersicht w(ones, fives, tens);
  w.resize(700, 380);
  w.show();
  EXPECT_EQ(w.items().front().text, "Anzahl QSO pro Lebensalter");
  QTest::mouseClick(w.findChild<QRadioButton*>("r5"), Qt::LeftButton);
  EXPECT_EQ(w.step(), AgeStep::kFive);
  EXPECT_EQ(w.items().front().text, "Anzahl QSO pro Lebensalter (5-Jahres-Schritte)");
  QApplication::processEvents();
  Shoot(&w, "age_overview");
}

}  // namespace
}  // namespace vek::ui::testing

#include <QMessageBox>
#include <QTimer>
#include <QTest>
#include <QAbstractButton>
#include <QPrinter>
#include <QScrollArea>
#include <QTableWidget>
#include <QProgressBar>
#include <QScrollArea>

#include "ui/fortschritt.h"
#include "ui/qt_user_port.h"

namespace vek::ui::testing {
namespace {

// Presses `key` in the question box as soon as it is up.
void AnswerNextQuestionWith(int key) {
  QTimer::singleShot(0, [key] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(qobject_cast<QMessageBox*>(box), nullptr);
    QTest::keyClick(box, static_cast<Qt::Key>(key));
  });
}

// German questions get German buttons: J says yes, N and Esc say no.
TEST(QuestionBoxTest, AGermanQuestionIsAnsweredWithJOrN) {
  QtUserPort port;
  AnswerNextQuestionWith(Qt::Key_J);
  EXPECT_TRUE(port.AskYesNo("Eintrag Nordsee 2008 löschen?"));
  AnswerNextQuestionWith(Qt::Key_N);
  EXPECT_FALSE(port.AskYesNo("Eintrag Nordsee 2008 löschen?"));
  AnswerNextQuestionWith(Qt::Key_Escape);
  EXPECT_FALSE(port.AskYesNo("Programm beenden?"));
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text();
    texts.sort();
    EXPECT_EQ(texts, QStringList({"&Ja", "&Nein"}));
    EXPECT_EQ(box->windowTitle(), "Vek UKW Nordsee");
    QTest::keyClick(box, Qt::Key_Return);  // the default is Ja
  });
  EXPECT_TRUE(port.AskYesNo("Programm beenden?"));
}

TEST(ProgressWindowTest, ShowsItsCaptionTwoLinesAndTheBar) {
  QtUserPort port;
  port.ProgressBegin("Neuberechnung", 500);
  TFortschrittAusgabe* w = nullptr;
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->isVisible() && qobject_cast<TFortschrittAusgabe*>(t)) w = qobject_cast<TFortschrittAusgabe*>(t);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), "Neuberechnung");
  EXPECT_FALSE(w->isModal());
  EXPECT_FALSE(w->label(3)->isVisibleTo(w));
  EXPECT_FALSE(w->label(4)->isVisibleTo(w));
  port.ProgressStep(120);
  EXPECT_EQ(w->bar()->value(), 120);
  EXPECT_EQ(w->bar()->maximum(), 500);
  port.ProgressEnd();
}

TEST(NoteWindowTest, PrintsUnderTheFileName) {
  store::MemoryFileSystem fs;
  TNotiz w(fs, "Nordsee 2008.TXT", "15.11.2008 14:12 DL1ABC     > Regen");
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("notes.pdf"));
  w.PrintTo(printer);
  EXPECT_EQ(printer.docName(), "Nordsee 2008.TXT");
  EXPECT_GT(QFileInfo(dir.filePath("notes.pdf")).size(), 500);
}

}  // namespace
}  // namespace vek::ui::testing
