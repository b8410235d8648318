// The setup dialog's window over its model: the red invalid colour, the
// class list's columns, Escape, the output menu and the totals.
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

#include "base/cp1252.h"
#include "catalogue/catalogue_records.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

class SetupDialogTest : public MainWindowTest {
 protected:
  SetupContext Context(char code = 'g') { return window_->controller().SetupContextFor(code); }
  // A new log whose only gap is the class.
  static void TypeEverythingButTheClass(TEingContestStd& d) {
    for (const auto& [field, text] : {std::pair{"eName", "Tasten"}, {"eCall", "DL1ABC"}, {"eDOK", "I38"},
                                      {"eLoc", "JO43KD"}, {"ePLZ", "26129"}, {"eOrt", "Oldenburg"}})
      QTest::keyClicks(d.findChild<QLineEdit*>(field), text);
    Click(&d, "rZeitUTC");
  }
};

TEST_F(SetupDialogTest, AFailedCheckColoursTheFieldLightRedUntilItsTextChanges) {
  StartProgram();
  TEingContestStd d(Context(), false, false);
  d.show();
  // A new log is named after today's year until its dates are saved.
  EXPECT_EQ(d.windowTitle(), "\"UKW Nordsee-Contest 2009\"  Contest-Konfiguration");
  Click(&d, "btnOK");
  EXPECT_EQ(port_.Messages().back(), "Eingabe eines Contest-Namens notwendig.");
  auto* name = d.findChild<QLineEdit*>("eName");
  EXPECT_TRUE(name->styleSheet().contains("#ff8080"));
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.focusWidget(), name);
  QTest::keyClicks(name, "N");
  EXPECT_TRUE(name->styleSheet().isEmpty());
}

// Without the mouse: the class is chosen with the arrow keys, and the log
// is saved with it.
TEST_F(SetupDialogTest, TheClassIsChosenByKeyboard) {
  StartProgram();
  TEingContestStd d(Context(), false, false);
  d.show();
  TypeEverythingButTheClass(d);
  auto* classes = d.findChild<QListWidget*>("eteilnahmeart");
  classes->setFocus();
  QTest::keyClick(classes, Qt::Key_Down);
  QTest::keyClick(classes, Qt::Key_Down);
  const int chosen = classes->currentRow();
  ASSERT_GE(chosen, 0);
  const std::size_t said = port_.Messages().size();
  Click(&d, "btnOK");
  for (std::size_t i = said; i < port_.Messages().size(); ++i)
    EXPECT_NE(port_.Messages()[i], "Sie haben keine Teilnahmeart angegeben.");
  EXPECT_EQ(classes->currentRow(), chosen);
  EXPECT_EQ(GetU8(fm_->RecordBuffer(window_->controller().qvkk()), qvkk::kClassNumber.offset), chosen + 1);
}

// A save refused for a missing class changes no other choice of the dialog.
TEST_F(SetupDialogTest, ARefusedSaveKeepsTheStartModeChecked) {
  StartProgram();
  TEingContestStd d(Context(), false, false);
  d.show();
  TypeEverythingButTheClass(d);
  auto* cw = d.findChild<QRadioButton*>("rcw");
  ASSERT_TRUE(cw->isChecked());
  Click(&d, "btnOK");
  ASSERT_EQ(port_.Messages().back(), "Sie haben keine Teilnahmeart angegeben.");
  EXPECT_TRUE(cw->isChecked());
  EXPECT_TRUE(d.findChild<QRadioButton*>("rZeitUTC")->isChecked());
  // Chosen now by keys, the class saves the log with CW as its start mode.
  auto* classes = d.findChild<QListWidget*>("eteilnahmeart");
  classes->setFocus();
  QTest::keyClick(classes, Qt::Key_Down);
  Click(&d, "btnOK");
  EXPECT_FALSE(d.isVisible());
  EXPECT_TRUE(cw->isChecked());
}

TEST_F(SetupDialogTest, DatesAndTimesAreCompletedWhenTheFieldIsLeft) {
  StartProgram();
  TEingContestStd d(Context(), false, false);
  d.show();
  d.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  EXPECT_EQ(d.findChild<QLineEdit*>("eDatumvon")->text(), "15.11.2008");
  EXPECT_EQ(d.findChild<QLineEdit*>("eZeitvon")->text(), "08:30");
  Type(&d, "eDatumvon", "1511");
  Type(&d, "eZeitvon", "930");
  d.findChild<QLineEdit*>("eName")->setFocus();
  EXPECT_EQ(d.findChild<QLineEdit*>("eDatumvon")->text(), "15.11.2009");
  EXPECT_EQ(d.findChild<QLineEdit*>("eZeitvon")->text(), "09:30");
}

TEST_F(SetupDialogTest, MoreThanSevenClassesAreListedInTwoColumns) {
  StartProgram();
  {
    TEingContestStd d(Context('g'), false, false);
    d.show();
    auto* list = d.findChild<QListWidget*>("eteilnahmeart");
    EXPECT_EQ(list->count(), 2);
    EXPECT_FALSE(list->isWrapping());
  }
  TEingContestStd d(Context('V'), false, false);
  d.show();
  QApplication::processEvents();
  auto* list = d.findChild<QListWidget*>("eteilnahmeart");
  ASSERT_EQ(list->count(), 9);
  EXPECT_TRUE(list->isWrapping());
  // The sixth entry stands in the second column, beside the first.
  EXPECT_GT(list->visualItemRect(list->item(5)).left(), list->visualItemRect(list->item(0)).left());
}

TEST_F(SetupDialogTest, EscapeAndNoKeepsTheRecordAsLastSaved) {
  StartProgram("OV-Abend");
  TEingContestStd d(Context(), true, false);
  d.show();
  Type(&d, "eName", "Umbenannt");
  port_.QueueAnswer(false);
  QTest::keyClick(d.findChild<QLineEdit*>("eName"), Qt::Key_Escape);
  EXPECT_EQ(port_.Questions().back(), W("Änderungen übernehmen?"));
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.outcome(), SetupResult::kClosed);
  window_->controller().Select(window_->controller().CurrentLogNumber());
  EXPECT_EQ(GetText(fm_->RecordBuffer(window_->controller().qvkk()), qvkk::kLogName), "OV-Abend");
}

TEST_F(SetupDialogTest, TheOutputMenuNamesEveryItemAndSaysWhyItIsDisabled) {
  StartProgram("OV-Abend");
  TEingContestStd d(Context(), true, false);
  d.show();
  Type(&d, "eStrasse", "");
  Click(&d, "btnDruck");
  // An incomplete address is reported, and the menu still opens.
  EXPECT_EQ(port_.Messages().back(), W("Die Adress-Angaben sind nicht vollständig."));
  QMenu* menu = d.output_menu();
  QStringList captions, enabled;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    captions << a->text();
    if (a->isEnabled()) enabled << a->text();
    // A disabled item says why; an enabled one shows its caption as Qt does.
    EXPECT_EQ(a->toolTip() == a->text(), a->isEnabled()) << a->text().toStdString();
  }
  ASSERT_EQ(captions.size(), 14);
  EXPECT_EQ(captions[0], "STF-Datei");
  EXPECT_EQ(captions[1], "EDI-Datei");
  EXPECT_EQ(captions[3], "E-Log Deckblatt");
  // Contest g's items.
  EXPECT_EQ(enabled, (QStringList{"E-Log Gesamtdatei", "E-Log Deckblatt", "E-Log QSO-Liste", "E-Log Band-Liste",
                                  "ADIF- Exportdatei der QSO-Liste", "CSV- Exportdatei der QSO-Liste",
                                  "Papierlog - Deckblatt", "Papierlog - QSO-Liste", "Papierlog - Band-Liste"}));
  EXPECT_EQ(menu->actions()[0]->toolTip(), QString::fromUtf8("Für diesen Contest nicht vorgesehen"));
  menu->close();
}

TEST_F(SetupDialogTest, AfterLoggingOnlyBeendenIsOfferedAndTotalsAreShown) {
  StartProgram("OV-Abend");
  // Totals as the entry window stores them: g keeps them in its catalogue record.
  auto& c = window_->controller();
  Bytes kk = fm_->RecordBuffer(c.qvkk());
  PutU16(kk, 196, 12);  // 2 m: 12 QSOs, 5 multipliers, 40 points
  PutU16(kk, 206, 5);
  PutI32(kk, 226, 40);
  PutU16(kk, 198, 3);  // 70 cm
  PutU16(kk, 208, 2);
  PutI32(kk, 230, 9);
  ASSERT_EQ(fm_->PutRecord(c.qvkk()), 0);
  TEingContestStd d(Context(), true, true);
  d.show();
  EXPECT_EQ(d.windowTitle(), "\"UKW Nordsee-Contest 2008\"");
  EXPECT_FALSE(d.findChild<QPushButton*>("btnstart")->isVisible());
  EXPECT_FALSE(d.findChild<QPushButton*>("btnAbbruch")->isVisible());
  EXPECT_EQ(d.findChild<QLabel*>("lBand1_0")->text(), "2 m");
  EXPECT_EQ(d.findChild<QLabel*>("lBand1_1")->text(), "12");
  EXPECT_EQ(d.findChild<QLabel*>("lQSO")->text(), "15 QSO");
  EXPECT_EQ(d.findChild<QLabel*>("lMulti")->text(), "7 Multi x");
  EXPECT_EQ(d.findChild<QLabel*>("lPunkte")->text(), "49 Punkte =");
  EXPECT_EQ(d.findChild<QLabel*>("lScore")->text(), "      343 Pkt.");
  EXPECT_FALSE(d.findChild<QLabel*>("lBand4_0")->isVisible());
}

}  // namespace
}  // namespace vek::ui::testing
