// "Statistik" from the entry window (Ctrl+T), offscreen: the rates, the best
// hour, ODX and squares per band of a typed log, and the bars.
#include <QLabel>
#include <QTableWidget>

#include "refdata/cty_import.h"
#include "ui/statistics_window.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

using F = EntryFieldId;

TEST_F(ListWindowTest, StatisticsShowTheTypedContestsHoursRatesAndBestDistances) {
  TContestLogStd& w = OpenEntryWindow();
  const std::string cty =
      "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
      "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n";
  CtyImportCounts counts;
  ASSERT_TRUE(ImportCty(window_->controller().files(), ParseCtyDat(cty), {}, counts));
  const char* squares[] = {"JO42AB", "JO62MM", "JO30NF", "JO53CC", "JO44KK", "JN59AA", "JO31NF"};
  for (int i = 0; i < 14; ++i) {
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60 + i * 9 * 60});
    w.session().ClockTick();
    const std::string call = "DL" + std::to_string(i % 9) + "QA" + static_cast<char>('A' + i);
    const std::string nr = std::to_string(100 + i);
    Contact(call.c_str(), nr.c_str(), squares[i % 7], i % 2 ? "I38" : "F11");
  }
  ASSERT_EQ(w.session().saves(), 14);
  bool shown = false;
  WhenModal<TStatistik>([&](TStatistik* s) {
    shown = true;
    const QString rates = s->findChild<QLabel*>("lRaten")->text();
    // Contacts every 9 minutes from 14:12 to 16:09, the clock at 16:09: 16:00 and 16:09 in
    // the last ten minutes, seven from 15:15 in the hour; the period's hour from 14:30 holds seven.
    EXPECT_TRUE(rates.contains("Rate: 12 QSO/h (10 min), 7 QSO/h (60 min)")) << rates.toStdString();
    EXPECT_TRUE(rates.contains("Beste Stunde: 15.11.08 14:30 (7 QSO")) << rates.toStdString();
    QTableWidget* t = s->table();
    ASSERT_EQ(t->rowCount(), 1);
    EXPECT_EQ(t->item(0, 0)->text(), "2 m");
    EXPECT_EQ(t->item(0, 4)->text(), "7");
    EXPECT_EQ(t->item(0, 5)->text(), "2");
    EXPECT_FALSE(t->item(0, 1)->text().isEmpty());
    Shoot(s, "statistics_window");
    Click(s, "btnStatistikEnde");
  });
  QTest::keyClick(w.edit(F::eCall), Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(shown);
  EXPECT_EQ(w.focusWidget(), w.edit(F::eCall));
}

}  // namespace
}  // namespace vek::ui::testing
