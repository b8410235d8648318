// The main window driven as an operator would: first start, new logs
// through the setup dialog, sort orders, quick search, deletion and Escape.
#include <QComboBox>
#include <QLabel>

#include "base/cp1252.h"
#include "catalogue/catalogue_records.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

// Tab goes from the catalogue list through every control of the window and
// back: nothing needs the mouse.
TEST_F(MainWindowTest, TabReachesEveryButtonOfTheMainWindow) {
  TContestBrow& w = StartProgram("Nordsee 2008");
  QApplication::setActiveWindow(&w);
  auto* grid = w.findChild<QTableWidget*>("grid");
  ASSERT_NE(grid, nullptr);
  grid->setFocus();
  QSet<QString> reached;
  for (int i = 0; i < 40; ++i) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : grid, Qt::Key_Tab);
    if (QWidget* f = QApplication::focusWidget()) reached << f->objectName();
  }
  for (QPushButton* b : w.findChildren<QPushButton*>()) {
    if (!b->isVisible()) continue;
    EXPECT_TRUE(reached.contains(b->objectName())) << b->objectName().toStdString();
  }
  EXPECT_TRUE(reached.contains("grid"));
}

TEST_F(MainWindowTest, FirstStartOpensTheSetupDialogAndTheNewLogIsListedWithTheContestDates) {
  TContestBrow& w = StartProgram("DL-Nordsee");
  EXPECT_EQ(w.windowTitle(), TContestBrow::kCaption);
  ASSERT_EQ(Grid()->rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), " DL-Nordsee ");
  EXPECT_EQ(Cell(0, 1), "15.11.2008   ");
  EXPECT_EQ(Cell(0, 2), "16.11.2008   ");
  EXPECT_EQ(Grid()->horizontalHeaderItem(1)->text(), "Datum (von)  ");
  EXPECT_EQ(w.findChild<QLabel*>("lCall")->text(), "DL1ABC");
  EXPECT_EQ(w.findChild<QLabel*>("lworked")->text(), "\"Nordsee-Contest UKW\"");
  EXPECT_EQ(w.list()->footer_label()->text(), "Name");
  // The empty prefix table is reported, then "Neu" reminds of the newest version.
  ASSERT_EQ(port_.Messages().size(), 2u);
  EXPECT_EQ(port_.Messages()[0], PrefixTableWarning());
  EXPECT_NE(port_.Messages()[1].find("neueste Version"), Text::npos);
}

TEST_F(MainWindowTest, CancelledFirstStartLeavesAnEmptyList) {
  StartProgram();
  EXPECT_EQ(Grid()->rowCount(), 0);
  // The buttons that need a log do nothing.
  Click(window_.get(), "btnLoeschenHo3");
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(port_.Questions().empty());
}

TEST_F(MainWindowTest, SortOrderDatumPutsTheDateFirstAndOrdersByIt) {
  StartProgram("Zulu");
  NewLog("Alpha", "01.02.2009");
  NewLog("Mike", "03.10.2007");
  EXPECT_EQ(Cell(0, 0).trimmed(), "Alpha");
  auto* sort = window_->list()->sort_list();
  ASSERT_TRUE(sort->isEnabled());
  EXPECT_EQ(sort->count(), 2);
  sort->setCurrentIndex(1);
  emit sort->activated(1);
  EXPECT_EQ(window_->list()->footer_label()->text(), "Datum");
  EXPECT_EQ(Grid()->horizontalHeaderItem(0)->text(), "Datum (von)  ");
  EXPECT_EQ(Cell(0, 0), "03.10.2007   ");
  EXPECT_EQ(Cell(0, 1).trimmed(), "Mike");
  EXPECT_EQ(Cell(1, 0), "15.11.2008   ");
  EXPECT_EQ(Cell(2, 0), "01.02.2009   ");
  // A date typed into the quick search finds its log in this order.
  QTest::keyClicks(window_->list()->search_field(), "01.02.2009");
  EXPECT_EQ(Cell(Grid()->currentRow(), 1).trimmed(), "Alpha");
}

TEST_F(MainWindowTest, QuickSearchPositionsOnTheFirstMatchingLog) {
  StartProgram("OV-Abend");
  NewLog("Alpha Test");
  NewLog("DL-Nordsee");
  NewLog("DM-Sprint");
  window_->list()->grid()->setFocus();
  QTest::keyClicks(window_->list()->search_field(), "dl");
  EXPECT_EQ(CurrentName(), "DL-Nordsee");
  // The buffer of the catalogue is the log the list shows as selected.
  EXPECT_EQ(GetText(fm_->RecordBuffer(window_->controller().qvkk()), qvkk::kLogName), "DL-Nordsee");
  // A key handled by the list empties the search field.
  QTest::keyClick(Grid(), Qt::Key_Down);
  EXPECT_EQ(CurrentName(), "DM-Sprint");
  EXPECT_TRUE(window_->list()->search_field()->text().isEmpty());
}

TEST_F(MainWindowTest, DeleteKeyAsksWithTheQuotedNameAndRemovesTheWholeLog) {
  StartProgram("OV-Abend");
  NewLog("DL-Nordsee");
  QTest::keyClicks(window_->list()->search_field(), "dl");
  Grid()->setFocus();
  port_.QueueAnswer(false);
  QTest::keyClick(Grid(), Qt::Key_Delete);
  ASSERT_FALSE(port_.Questions().empty());
  EXPECT_EQ(port_.Questions().back(), W(" Löschen \"DL-Nordsee\""));
  EXPECT_EQ(port_.events().back().caption, "Sicherheitsabfrage");
  EXPECT_EQ(Grid()->rowCount(), 2);
  port_.QueueAnswer(true);
  QTest::keyClick(Grid(), Qt::Key_Delete);
  ASSERT_EQ(Grid()->rowCount(), 1);
  EXPECT_EQ(CurrentName(), "OV-Abend");
  // Its totals record went with it: one log left, one totals record.
  EXPECT_EQ(fm_->RecordCount(window_->controller().qvkz()), 1);
  EXPECT_EQ(fm_->RecordCount(window_->controller().qvkk()), 1);
}

TEST_F(MainWindowTest, LoeschenButtonAsksItsOwnQuestion) {
  StartProgram("OV-Abend");
  port_.QueueAnswer(true);
  Click(window_.get(), "btnLoeschenHo3");
  EXPECT_EQ(port_.Questions().back(), W("Eintrag OV-Abend löschen?"));
  EXPECT_EQ(Grid()->rowCount(), 0);
}

TEST_F(MainWindowTest, EscapeAsksBeforeTheProgramEnds) {
  StartProgram("OV-Abend");
  port_.QueueAnswer(false);
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_EQ(port_.Questions().back(), "Programm beenden?");
  EXPECT_TRUE(window_->isVisible());
  // From inside the list the key reaches the window through the list's owner.
  port_.QueueAnswer(true);
  QTest::keyClick(Grid(), Qt::Key_Escape);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(fm_->started());  // the end closed the catalogue and stopped the store
}

TEST_F(MainWindowTest, StartenOpensTheSetupOfTheLogWithItsClassFixed) {
  StartProgram("OV-Abend");
  // "Starten" opens the setup dialog of the log; "Abbrechen" goes back to the list.
  WhenModal<TEingContestStd>([](TEingContestStd* d) {
    EXPECT_EQ(d->findChild<QLineEdit*>("eName")->text(), "OV-Abend");
    EXPECT_FALSE(d->findChild<QListWidget*>("eteilnahmeart")->isEnabled());
    Click(d, "btnAbbruch");
  });
  QTest::keyClick(window_.get(), Qt::Key_F10);
  EXPECT_EQ(Cell(0, 0).trimmed(), "OV-Abend");
}

TEST_F(MainWindowTest, ColumnKeysMoveTheFirstShownColumn) {
  StartProgram("OV-Abend");
  Grid()->setFocus();
  QTest::keyClick(Grid(), Qt::Key_End);
  EXPECT_TRUE(Grid()->isColumnHidden(0));
  EXPECT_EQ(window_->list()->model().first_column(), 2);
  QTest::keyClick(Grid(), Qt::Key_Left);
  EXPECT_EQ(window_->list()->model().first_column(), 1);
  QTest::keyClick(Grid(), Qt::Key_Home);
  EXPECT_FALSE(Grid()->isColumnHidden(0));
}

}  // namespace
}  // namespace vek::ui::testing
