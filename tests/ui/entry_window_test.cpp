// A short contest-g log typed into the real entry window, offscreen: the
// totals panel, the totals stored in the catalogue, and the same totals when
// the window is opened again.
#include <QCheckBox>
#include <QLayout>
#include <QLabel>
#include <QTableWidget>

#include "catalogue/catalogue_records.h"
#include "refdata/cty_import.h"
#include "store/replacing_file.h"
#include "ui/contest_log_std.h"
#include "ui/partner_panel.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

using F = EntryFieldId;

class EntryWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60});
  }

  void ImportCountries() {
    const std::string cty =
        "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
        "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n";
    CtyImportCounts counts;
    ASSERT_TRUE(ImportCty(window_->controller().files(), ParseCtyDat(cty), {}, counts));
  }

  // Types into the field the window has the cursor in, then Enter.
  static void Field(TContestLogStd* w, F expected, const QString& text) {
    ASSERT_EQ(w->session().focus(), expected) << EntryFieldName(expected);
    QLineEdit* e = w->edit(expected);
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
  }

  static void Contact(TContestLogStd* w, const char* call, const char* nr, const char* loc, const char* dok) {
    Field(w, F::eCall, call);
    Field(w, F::eRSTr2, nr);
    Field(w, F::eRSTr3, loc);
    Field(w, F::eRSTr4, dok);
  }

  static QString Text(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }
};

// The band list under F8 closes with Esc (and F8, Tab) and gives the cursor
// back to the call with what was typed; a letter typed while it is open
// closes it and lands in the call.
TEST_F(EntryWindowTest, TheBandListClosesWithEscAndLosesNoTypedLetter) {
  StartProgram("Nordsee 2008");
  bool ran = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    ran = true;
    QLineEdit* call = w->edit(F::eCall);
    QTest::keyClicks(call, "DL1");
    QTest::keyClick(call, Qt::Key_F8);
    ASSERT_TRUE(w->band_list()->isVisible());
    QTest::keyClick(w->band_list(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(w->band_list()->isVisible());
    EXPECT_EQ(w->focusWidget(), call);
    QTest::keyClick(call, Qt::Key_F8);
    ASSERT_TRUE(w->band_list()->isVisible());
    QTest::keyClick(w->band_list(), 'X');
    QApplication::processEvents();
    EXPECT_FALSE(w->band_list()->isVisible());
    EXPECT_EQ(call->text(), "DL1X");
    QTest::keyClick(call, Qt::Key_F8);
    QTest::keyClick(w->band_list(), Qt::Key_F8);
    EXPECT_FALSE(w->band_list()->isVisible());
    EXPECT_EQ(w->session().band(), 'k');  // nothing was taken
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(ran);
}

// F5 (list mode), F12 (the correction window), Esc: back in the call field
// the window is in entry mode again, header and buttons included.
TEST_F(EntryWindowTest, BackFromTheCorrectionWindowTheEntryModeIsWhole) {
  StartProgram("Nordsee 2008");
  bool ran = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    ran = true;
    QTest::keyClick(w->edit(F::eCall), Qt::Key_F5);
    ASSERT_TRUE(w->list_mode());
    WhenModal<TKorrekturstd>([](TKorrekturstd* k) { QTest::keyClick(k, Qt::Key_Escape); });
    QTest::keyClick(w->list()->grid(), Qt::Key_F12);
    EXPECT_FALSE(w->list_mode());
    EXPECT_EQ(Text(w, "lHeader"), "Contest-Logbuch");
    for (const char* button : {"btnBand", "btnMode", "btnLoeschen", "btnNameQth", "btnNotiz", "btnEnde"}) {
      auto* b = w->findChild<QPushButton*>(button);
      ASSERT_NE(b, nullptr) << button;
      EXPECT_TRUE(b->isEnabled()) << button;
    }
    EXPECT_EQ(w->focusWidget(), w->edit(F::eCall));
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(ran);
}

// Captions whose "&" marks a letter show it underlined, and Alt with the
// letter goes to the field (or toggles the QSL mark).
TEST_F(EntryWindowTest, CaptionLettersAreShortcutsNotAmpersands) {
  StartProgram("Nordsee 2008");
  bool ran = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    ran = true;
    auto* first = w->findChild<QLabel*>("leRSTr2");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(), "&1 : lfd.Nr.");
    EXPECT_EQ(first->buddy(), w->edit(F::eRSTr2));
    QApplication::setActiveWindow(w);
    QTest::keyClick(w, Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(w->focusWidget(), w->edit(F::eRSTr3));
    EXPECT_EQ(w->session().focus(), F::eRSTr3);
    auto* qsl = w->findChild<QLabel*>("lQSLs");
    const QString before = qsl->text();
    EXPECT_TRUE(before.startsWith("<u>Q</u>SL senden: ")) << before.toStdString();
    QTest::keyClick(w, Qt::Key_Q, Qt::AltModifier);
    EXPECT_NE(qsl->text(), before);
    // "Contest beenden" has its key too.
    QTest::keyClick(w, Qt::Key_B, Qt::AltModifier);
    for (int i = 0; i < 50 && w->isVisible(); ++i) QTest::qWait(20);  // a shortcut clicks animated
    const bool ended_by_key = !w->isVisible();
    EXPECT_TRUE(ended_by_key);
    if (!ended_by_key) Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(ran);
}

TEST_F(EntryWindowTest, AShortLogIsTypedStoredAndFoundAgain) {
  StartProgram("Nordsee 2008");
  ImportCountries();
  const std::int32_t log = window_->controller().CurrentLogNumber();
  bool typed = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    EXPECT_EQ(Text(w, "lHeader"), "Contest-Logbuch");
    EXPECT_EQ(Text(w, "leCall"), "Call");
    Contact(w, "DL1ABC", "001", "JO42AB", "I23");
    Contact(w, "DL2XYZ", "001", "JO52AB", "DVI");
    // A duplicate: refused when the call is left, the entry cleared.
    Field(w, F::eCall, "DL1ABC");
    EXPECT_EQ(w->session().focus(), F::eCall);
    EXPECT_EQ(Text(w, "lQSO"), "2 QSO");
    EXPECT_EQ(Text(w, "lMulti"), "4 Multi x");
    EXPECT_EQ(Text(w, "lPunkte"), "14 Punkte =");
    EXPECT_EQ(Text(w, "lScore"), "       56 Pkt.");
    EXPECT_EQ(Text(w, "lSumme1_0"), "2 m");
    EXPECT_EQ(Text(w, "lSumme1_1").trimmed(), "2");
    EXPECT_EQ(Text(w, "lNummer"), "Nr. 3");
    EXPECT_EQ(w->list()->grid()->rowCount(), 2);
    EXPECT_TRUE(w->list()->grid()->item(1, 3)->text().startsWith("DL2XYZ"));
    // A field worked before shows green while the next contact offers it again.
    Field(w, F::eCall, "DL5AAA");
    Field(w, F::eRSTr2, "003");
    QTest::keyClicks(w->edit(F::eRSTr3), "JO42CD");
    bool green = false;
    for (QLabel* l : w->findChildren<QLabel*>())
      if (l->objectName().startsWith("lMulti") && l->text() == "JO42") green = l->styleSheet().contains("green");
    EXPECT_TRUE(green);
    w->resize(1100, 720);
    QApplication::processEvents();
    Shoot(w, "entry_window");
    QTest::keyClick(w->edit(F::eRSTr3), Qt::Key_Escape);  // the entry is cleared
    // The list has the focus: list mode, red header.
    w->list()->grid()->setFocus();
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(w->list()->grid(), &in);
    EXPECT_TRUE(w->list_mode());
    EXPECT_TRUE(Text(w, "lHeader").contains("ESC"));
    Shoot(w, "entry_window_list_mode");
    QTest::keyClick(w->list()->grid(), Qt::Key_Escape);
    EXPECT_FALSE(w->list_mode());
    typed = true;
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  ASSERT_TRUE(typed);
  EXPECT_TRUE(window_->isVisible());
  // Stored in the catalogue record (contest g keeps its totals there).
  auto& c = window_->controller();
  ASSERT_TRUE(c.Select(log));
  const auto k = qvkk::GetColumnTotals(fm_->RecordBuffer(c.qvkk()), 1);
  EXPECT_EQ(k.qsos, 2);
  EXPECT_EQ(k.multipliers, 4);
  EXPECT_EQ(k.points, 14);
  EXPECT_GT(GetI16(fm_->RecordBuffer(c.qvkk()), qvkk::ListColumnWidthOffset(1)), 0);
  // Opened again, the window shows the same totals.
  bool again = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    again = true;
    EXPECT_EQ(Text(w, "lQSO"), "2 QSO");
    EXPECT_EQ(Text(w, "lScore"), "       56 Pkt.");
    EXPECT_EQ(w->list()->grid()->rowCount(), 2);
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(again);
}

// The partner panel while a contest is typed: the known calls that hold
// what is typed, the duplicate in red, a call taken with Down and F2, the
// live distance, and the exchange filled from the history when the option
// is on (it is kept in the program's own settings file).
TEST_F(EntryWindowTest, ThePartnerPanelOffersKnownCallsAndFillsTheExchangeOnRequest) {
  ASSERT_EQ(store::ReplaceFileContents(fs_, "MASTER.SCP", "# calls\nDL1ABD\nDL1ABC\nOE/DL1AB\nDK9XX\n"), 0);
  StartProgram("Nordsee 2008");
  ImportCountries();
  bool ran = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    ran = true;
    PartnerPanel* panel = w->partner_panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    Contact(w, "DL1ABC", "001", "JO42AB", "I23");
    QLineEdit* call = w->edit(F::eCall);
    QTest::keyClicks(call, "D");
    EXPECT_EQ(panel->list()->count(), 0);  // one letter says too little
    QTest::keyClicks(call, "L1AB");
    QListWidget* list = panel->list();
    ASSERT_EQ(list->count(), 3);
    EXPECT_TRUE(list->item(0)->text().startsWith("DL1ABC"));
    EXPECT_TRUE(list->item(0)->text().endsWith("Dupe"));
    EXPECT_EQ(list->item(0)->foreground().color(), QColor("red"));
    EXPECT_TRUE(list->item(1)->text().startsWith("DL1ABD"));
    EXPECT_TRUE(list->item(2)->text().startsWith("OE/DL1AB"));
    // Down twice chooses DL1ABD, F2 takes it; the cursor stays in the call.
    QTest::keyClick(call, Qt::Key_Down);
    QTest::keyClick(call, Qt::Key_Down);
    QTest::keyClick(call, Qt::Key_F2);
    EXPECT_EQ(call->text(), "DL1ABD");
    EXPECT_EQ(w->session().field(F::eCall).text, "DL1ABD");
    EXPECT_EQ(w->focusWidget(), call);
    QTest::keyClick(call, Qt::Key_Return);
    Field(w, F::eRSTr2, "002");
    EXPECT_TRUE(Text(w, "lQrb").isEmpty());
    QTest::keyClicks(w->edit(F::eRSTr3), "JO62");
    EXPECT_TRUE(Text(w, "lQrb").startsWith("QRB ")) << Text(w, "lQrb").toStdString();
    QTest::keyClicks(w->edit(F::eRSTr3), "M");
    EXPECT_TRUE(Text(w, "lQrb").isEmpty());  // five characters name no square
    QTest::keyClick(w->edit(F::eRSTr3), Qt::Key_Escape);
    // On 70 cm DL1ABC is no duplicate; with the option on, leaving the call
    // fills its locator and DOK from the 2-m contact, in green.
    QTest::keyClick(call, Qt::Key_F8);
    QTest::keyClick(w->band_list(), Qt::Key_Down);
    QTest::keyClick(w->band_list(), Qt::Key_Return);
    ASSERT_EQ(w->session().band(), 'l');
    auto* option = w->findChild<QCheckBox*>("cbHistorie");
    ASSERT_NE(option, nullptr);
    EXPECT_FALSE(option->isChecked());
    option->click();
    Field(w, F::eCall, "DL1ABC");
    EXPECT_EQ(w->edit(F::eRSTr3)->text(), "JO42AB");
    EXPECT_EQ(w->edit(F::eRSTr4)->text(), "I23");
    EXPECT_TRUE(w->edit(F::eRSTr3)->styleSheet().contains("green"));
    EXPECT_FALSE(w->edit(F::eRSTr2)->styleSheet().contains("green"));
    EXPECT_TRUE(Text(w, "lPartnerHistory").contains("JO42AB (15.11.2008)"));
    w->resize(1024, 740);
    QApplication::processEvents();
    Shoot(w, "entry_window_partner");
    QTest::keyClicks(w->edit(F::eRSTr2), "003");
    QTest::keyClick(w->edit(F::eRSTr2), Qt::Key_Return);
    w->edit(F::eRSTr3)->selectAll();
    QTest::keyClicks(w->edit(F::eRSTr3), "JO42AC");  // typed over: checked with the station
    EXPECT_FALSE(w->edit(F::eRSTr3)->styleSheet().contains("green"));
    // Frequency, name and QTH shown (F9) on a 1024 screen: the fields stay
    // whole and the panel makes room; F9 again brings it back.
    for (bool shown : {true, false}) {
      QTest::keyClick(w->edit(F::eRSTr3), Qt::Key_F9);
      QApplication::processEvents();
      for (F id : {F::eCall, F::eRSTr4, F::eFreq, F::eName, F::eQTH}) {
        QLineEdit* e = w->edit(id);
        if (!e->isVisible()) continue;
        EXPECT_TRUE(w->rect().contains(QRect(e->mapTo(w, QPoint()), e->size()))) << EntryFieldName(id);
      }
      EXPECT_EQ(w->edit(F::eQTH)->isVisible(), shown);
      EXPECT_LE(w->width(), QGuiApplication::primaryScreen()->availableGeometry().width());
      if (shown) Shoot(w, "entry_window_partner_f9");
      if (!shown) {
        EXPECT_TRUE(panel->isVisible());
      }
    }
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  ASSERT_TRUE(ran);
  ProgramSettings settings(fs_);
  settings.Load();
  EXPECT_TRUE(settings.GetBool(kHistoryPrefillKey, false));
  // The next window starts with the option as it was left.
  bool again = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    again = true;
    EXPECT_TRUE(w->findChild<QCheckBox*>("cbHistorie")->isChecked());
    EXPECT_TRUE(w->session().history_prefill());
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(again);
}

}  // namespace
}  // namespace vek::ui::testing
