// The windows on the smallest screen an operator brings (1024x768, the test
// screen) and on a large one (VEK_TEST_SCREEN=1920x1080): at their minimum
// size nothing overlaps, nothing leaves its window and every field keeps room
// for what it takes; enlarged, the lists use the room. Screenshots with a log
// of 400 contacts.
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QScreen>

#include "ui/korrektur.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

using F = EntryFieldId;

QString NameOf(const QWidget* w) {
  QString name = w->objectName().isEmpty() ? QString(w->metaObject()->className()) : w->objectName();
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) name += " \"" + b->text() + "\"";
  if (auto* l = qobject_cast<const QLabel*>(w)) name += " \"" + l->text().left(30) + "\"";
  return name;
}

void LaidOut(QLayout* layout, QList<QWidget*>& out) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QWidget* w = item->widget()) {
      if (!w->isHidden()) out << w;
    } else if (QLayout* l = item->layout()) {
      LaidOut(l, out);
    }
  }
}

// The least size a layout may give a widget: its own minimum where one is
// set, else what its content asks for, never above its maximum.
QSize Needed(const QWidget* w) {
  const QSize hint = w->minimumSizeHint();
  const QSizePolicy p = w->sizePolicy();
  int width = w->minimumWidth() > 0 ? w->minimumWidth()
              : p.horizontalPolicy() == QSizePolicy::Ignored ? 0 : hint.width();
  int height = w->minimumHeight() > 0 ? w->minimumHeight()
               : p.verticalPolicy() == QSizePolicy::Ignored ? 0 : hint.height();
  return {std::min(width, w->maximumWidth()), std::min(height, w->maximumHeight())};
}

// Every widget a layout places, in every visible widget of the window:
// squeezed below the size its content needs, outside its parent, or over a
// sibling.
QStringList LayoutFaults(QWidget* window) {
  QStringList faults;
  QList<QWidget*> parents{window};
  parents += window->findChildren<QWidget*>();
  for (QWidget* parent : parents) {
    if (!parent->isVisible() || !parent->layout() || (parent != window && parent->isWindow())) continue;
    QList<QWidget*> children;
    LaidOut(parent->layout(), children);
    for (int i = 0; i < children.size(); ++i) {
      QWidget* c = children[i];
      const QSize need = Needed(c);
      if (c->width() < need.width() || c->height() < need.height())
        faults << QStringLiteral("%1 squeezed to %2x%3 (needs %4x%5)")
                      .arg(NameOf(c))
                      .arg(c->width())
                      .arg(c->height())
                      .arg(need.width())
                      .arg(need.height());
      if (!parent->rect().contains(c->geometry()))
        faults << NameOf(c) + " leaves " + NameOf(parent);
      for (int j = i + 1; j < children.size(); ++j)
        if (c->geometry().intersects(children[j]->geometry()))
          faults << NameOf(c) + " overlaps " + NameOf(children[j]);
    }
  }
  return faults;
}

QSize Screen() { return QGuiApplication::primaryScreen()->availableGeometry().size(); }

// Brought to its minimum size, the window fits the small screen and is laid
// out without faults.
void ExpectSoundAtMinimum(QWidget* window) {
  const QSize minimum = window->minimumSizeHint().expandedTo(window->minimumSize());
  EXPECT_LE(minimum.width(), 1024) << NameOf(window).toStdString();
  EXPECT_LE(minimum.height(), 740) << NameOf(window).toStdString();  // a task bar and a title bar
  window->resize(minimum);
  QApplication::processEvents();
  EXPECT_EQ(LayoutFaults(window), QStringList()) << NameOf(window).toStdString() << " at its minimum size";
}

// A contest-g log of 400 contacts on three bands around JO43, a minute apart.
class ScreenTest : public ListWindowTest {
 protected:
  void Log400() {
    EntrySession& s = entry_->session();
    const char* prefixes[] = {"DL", "DK", "DJ", "DO", "DF", "DG", "DB", "DH", "PA", "OZ"};
    const char* fields[] = {"JO43", "JO42", "JO53", "JO52", "JO44", "JO33", "JO31", "JO62", "JN49", "JO54"};
    const auto bands = s.Bands();
    for (int i = 0; i < 400; ++i) {
      if (i % 100 == 0) s.ChangeBand(bands[static_cast<std::size_t>(i / 100) % bands.size()]);
      clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + i * 60});
      const int n = i * 7919;
      std::string call = prefixes[n % 10];
      call += static_cast<char>('0' + n / 10 % 10);
      for (int k = 0; k < 3; ++k) call += static_cast<char>('A' + (n / (k + 3) + i) % 26);
      char serial[8], locator[8], dok[8];
      std::snprintf(serial, sizeof serial, "%03d", i % 150 + 1);
      std::snprintf(locator, sizeof locator, "%s%c%c", fields[n / 13 % 10], 'A' + n % 24, 'A' + n / 24 % 24);
      std::snprintf(dok, sizeof dok, "%c%02d", 'A' + n % 26, n / 26 % 60 + 1);
      const bool german = call[0] == 'D';
      for (auto [id, text] : {std::pair<F, std::string>{F::eCall, call}, {F::eRSTr2, serial}, {F::eRSTr3, locator},
                              {F::eRSTr4, german ? dok : ""}}) {
        if (s.focus() != id) break;  // a duplicate left the entry
        s.Type(id, text);
        s.Enter();
      }
      if (s.focus() != F::eCall) s.Escape();
    }
    Contact("DL9ZZZ", "151", "JO43AA", "I38");  // by keys: the window shows them all
    EXPECT_GT(s.saves(), 350);
  }
};

TEST_F(ScreenTest, EveryWindowIsWholeAtItsMinimumSizeAndTheScreenshotsShowA400ContactLog) {
  TContestLogStd& w = OpenEntryWindow();
  Log400();
  window_->showMaximized();
  QApplication::processEvents();
  Shoot(window_.get(), "main_window_maximized");
  ExpectSoundAtMinimum(window_.get());
  {
    TEingContestStd d(window_->controller().SetupContextFor('g'), true, false);
    d.show();
    QApplication::processEvents();
    Shoot(&d, "setup_dialog_default");
    // Enlarged, the groups keep their rows together.
    QWidget* name = d.findChild<QWidget*>("eName");
    QWidget* classes = d.findChild<QWidget*>("eteilnahmeart");
    QWidget* land = d.findChild<QWidget*>("eLand");
    const int contest_rows = classes->y() - name->y();
    const int station_rows = land->mapTo(&d, QPoint()).y() - name->mapTo(&d, QPoint()).y();
    d.resize(Screen());
    QApplication::processEvents();
    Shoot(&d, "setup_dialog_large");
    EXPECT_EQ(classes->y() - name->y(), contest_rows);
    EXPECT_EQ(land->mapTo(&d, QPoint()).y() - name->mapTo(&d, QPoint()).y(), station_rows);
    ExpectSoundAtMinimum(&d);
  }
  w.showMaximized();
  QApplication::processEvents();
  QTest::keyClicks(w.edit(F::eCall), "DL/OE1ABC/P");
  Shoot(&w, "entry_window_400");
  QTest::keyClick(w.edit(F::eCall), Qt::Key_Escape);
  w.showNormal();
  ExpectSoundAtMinimum(&w);
  // At its smallest the window still shows a few contacts and a whole call.
  EXPECT_GE(w.list()->grid()->rowCount(), 5);
  QLineEdit* call = w.edit(F::eCall);
  EXPECT_GE(call->width(), call->fontMetrics().horizontalAdvance("DL/OE1ABC/P") + 8);
  bool listed = false;
  WhenModal<TKorrekturstd>([&](TKorrekturstd* list) {
    listed = true;
    list->showMaximized();
    QApplication::processEvents();
    Shoot(list, "list_window_400");
    ExpectSoundAtMinimum(list);
    QTest::keyClick(list->list()->grid(), Qt::Key_Escape);
  });
  w.ShowList(TKorrekturstd::Mode::kCorrection);
  EXPECT_TRUE(listed);
}

// Enlarged to the screen, the lists fill it with rows (not 20 rows and an
// empty half), and End shows the last columns without scrolling into space.
TEST_F(ScreenTest, ALargeWindowFillsWithRowsAndEndShowsTheLastColumnsBesideTheOthers) {
  TContestLogStd& w = OpenEntryWindow();
  Log400();
  w.showMaximized();
  QApplication::processEvents();
  QTableWidget* grid = w.list()->grid();
  const int row_height = grid->rowHeight(0);
  const int header = grid->horizontalHeader()->height();
  EXPECT_GE(grid->rowCount(), (grid->height() - header) / row_height - 1);
  EXPECT_GE(grid->rowCount(), 1);
  // Every row whole, the first at the top, the last near the bottom: no
  // empty half, no row cut.
  const int last = grid->rowCount() - 1;
  EXPECT_EQ(grid->rowViewportPosition(0), 0);
  EXPECT_LE(grid->rowViewportPosition(last) + row_height, grid->viewport()->height());
  EXPECT_GE(grid->rowViewportPosition(last) + row_height, grid->viewport()->height() - 2 * row_height);

  w.list()->grid()->setFocus();
  QTest::keyClick(grid, Qt::Key_End);
  int shown_width = 0, hidden = 0;
  for (int c = 0; c < grid->columnCount(); ++c) {
    if (grid->isColumnHidden(c)) {
      ++hidden;
      continue;
    }
    shown_width += grid->columnWidth(c);
  }
  EXPECT_GE(shown_width, grid->viewport()->width() - 4) << "columns shown after End";
  EXPECT_LT(hidden, grid->columnCount() - 1);
  // A title sits over its data (left), not in the middle of a widened column.
  EXPECT_TRUE(grid->horizontalHeader()->defaultAlignment() & Qt::AlignLeft);
}

}  // namespace
}  // namespace vek::ui::testing
