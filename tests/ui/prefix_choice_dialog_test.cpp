// TPrefAuswahl driven by keys and clicks, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "ui/prefix_choice_dialog.h"
#include "ui/text_conversion.h"

namespace vek::ui {
namespace {

const std::vector<Text> kRows = {" 1;4U1I;14;28;ITU Geneva;", " 2;4U1U;05;08;United Nations HQ;",
                                 " 3;4U1V;15;28;Vienna Intl Ctr;  (deleted)"};

TEST(PrefixChoiceDialogTest, ShowsTheRowsUnderTheirColumns) {
  TPrefAuswahl dialog("4U", kRows);
  EXPECT_EQ(dialog.windowTitle(), "Auswahl DXCC");
  auto* grid = dialog.findChild<QTableWidget*>("grid");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->rowCount(), 3);
  EXPECT_EQ(grid->horizontalHeaderItem(4)->text(), "Land");
  EXPECT_EQ(grid->item(1, 1)->text(), "4U1U");
  EXPECT_EQ(grid->item(2, 5)->text(), "  (deleted)");
  EXPECT_EQ(dialog.findChild<QLabel*>("lPrefix")->text(), "4U");
  EXPECT_FALSE(dialog.findChild<QPushButton*>("btnUebernehmen")->isEnabled());
  EXPECT_EQ(grid->verticalHeader()->defaultSectionSize(), 18);
}

TEST(PrefixChoiceDialogTest, ArrowsWrapAndEnterTakes) {
  TPrefAuswahl dialog("4U", kRows);
  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Down);
  EXPECT_EQ(dialog.model().marked(), 0);
  QTest::keyClick(&dialog, Qt::Key_Up);
  EXPECT_EQ(dialog.model().marked(), 2);  // from the first row up to the last
  auto* grid = dialog.findChild<QTableWidget*>("grid");
  EXPECT_EQ(grid->item(2, 0)->background().color(), QColor("navy"));
  EXPECT_TRUE(dialog.findChild<QPushButton*>("btnUebernehmen")->isEnabled());
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.taken(), 2);
}

TEST(PrefixChoiceDialogTest, ClickThenTakeOrCancel) {
  {
    TPrefAuswahl dialog("4U", kRows);
    dialog.show();
    auto* grid = dialog.findChild<QTableWidget*>("grid");
    emit grid->cellClicked(1, 0);
    QTest::mouseClick(dialog.findChild<QPushButton*>("btnUebernehmen"), Qt::LeftButton);
    EXPECT_EQ(dialog.taken(), 1);
  }
  {
    TPrefAuswahl dialog("4U", kRows);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.taken(), -1);
  }
  {
    TPrefAuswahl dialog("4U", kRows);
    dialog.show();
    emit dialog.findChild<QTableWidget*>("grid")->cellDoubleClicked(0, 3);
    EXPECT_EQ(dialog.taken(), 0);
  }
}

}  // namespace
}  // namespace vek::ui
