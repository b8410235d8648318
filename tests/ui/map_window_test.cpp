// The locator map, offscreen: it follows the entry window, a click on a
// square tells its calls, zoom and pan keep the own station where they
// should, the picture files, and the map of the main window's log.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>

#include "refdata/cty_import.h"
#include "ui/map_window.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

using F = EntryFieldId;

class MapWindowTest : public ListWindowTest {
 protected:
  void Countries() {
    const std::string cty =
        "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
        "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n";
    CtyImportCounts counts;
    ASSERT_TRUE(ImportCty(window_->controller().files(), ParseCtyDat(cty), {}, counts));
  }
  // A contest evening around JO43: squares of JO and JN, a few far ones.
  void TypeLog(TContestLogStd& w, int contacts) {
    const char* squares[] = {"JO42AB", "JO62MM", "JO30NF", "JO53CC", "JO44KK", "JN59AA", "JO31NF", "JO40HH",
                             "JO52QQ", "JO33XX", "JN49DD", "JO71AA", "JO54EE", "JO41SS", "JN58TD", "JO22PP"};
    for (int i = 0; i < contacts; ++i) {
      clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60 + i * 60});
      w.session().ClockTick();
      const std::string call = "D" + std::string(1, "LKJFCGO"[i % 7]) + std::to_string(i % 10) + "Q" +
                               static_cast<char>('A' + i % 26) + static_cast<char>('A' + i / 26);
      Contact(call.c_str(), std::to_string(100 + i).c_str(), squares[(i * 7) % 16], i % 3 ? "I38" : "F11");
    }
  }
};

TEST_F(MapWindowTest, TheMapFollowsTheEntryAndASquareTellsItsCalls) {
  TContestLogStd& w = OpenEntryWindow();
  Countries();
  TypeLog(w, 40);
  ASSERT_EQ(w.session().saves(), 40);
  QTest::keyClick(w.edit(F::eCall), Qt::Key_K, Qt::ControlModifier);
  TKarte* k = w.map_window();
  ASSERT_NE(k, nullptr);
  ASSERT_TRUE(k->isVisible());
  LocatorMap* map = k->map();
  const auto jo42 = map->CallsIn("JO42");
  ASSERT_FALSE(jo42.empty());
  // A click in the middle of JO42 names its calls.
  QTest::mouseClick(map, Qt::LeftButton, {}, map->ToScreen(9, 52.5).toPoint());
  EXPECT_TRUE(k->square_info()->text().startsWith("JO42: " + ToQt(jo42.front()))) << k->square_info()->text().toStdString();
  QTest::mouseClick(map, Qt::LeftButton, {}, map->ToScreen(-29, 10.5).toPoint());
  EXPECT_TRUE(k->square_info()->text().endsWith("nicht gearbeitet"));
  // A new contact in a square not yet worked shows at once.
  EXPECT_TRUE(map->CallsIn("JO65").empty());
  Contact("DL7NEW", "200", "JO65AA", "F11");
  ASSERT_EQ(w.session().saves(), 41);
  EXPECT_EQ(map->CallsIn("JO65"), std::vector<Text>{"DL7NEW"});
  // The locator being typed is drawn on the map.
  QTest::keyClicks(w.edit(F::eCall), "DL8AB");
  QTest::keyClick(w.edit(F::eCall), Qt::Key_Return);
  QTest::keyClicks(w.edit(F::eRSTr2), "201");
  QTest::keyClick(w.edit(F::eRSTr2), Qt::Key_Return);
  QTest::keyClicks(w.edit(F::eRSTr3), "JO61");
  k->resize(1000, 720);
  QApplication::processEvents();
  Shoot(k, "map_window");
  // Pictures of the map: a PNG of its size, an SVG.
  QTemporaryDir dir;
  ASSERT_TRUE(k->SaveImage(dir.filePath("karte.png")));
  QImage png(dir.filePath("karte.png"));
  EXPECT_EQ(png.size(), map->size());
  ASSERT_TRUE(k->SaveImage(dir.filePath("karte.svg")));
  QFile svg(dir.filePath("karte.svg"));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray text = svg.readAll();
  EXPECT_TRUE(text.contains("<svg"));
  EXPECT_TRUE(text.contains("JO42"));
  EXPECT_FALSE(k->SaveImage(dir.filePath("no/such/folder/karte.png")));
  k->close();
}

TEST_F(MapWindowTest, ZoomAndPanKeepTheOwnStationWhereTheyShould) {
  TContestLogStd& w = OpenEntryWindow();
  QTest::keyClick(w.edit(F::eCall), Qt::Key_K, Qt::ControlModifier);
  ASSERT_NE(w.map_window(), nullptr);
  LocatorMap* map = w.map_window()->map();
  map->resize(800, 600);
  map->Home();
  const QPointF middle(400, 300);
  EXPECT_NEAR(map->OwnStation().x(), middle.x(), 0.01);
  EXPECT_NEAR(map->OwnStation().y(), middle.y(), 0.01);
  // Zooming around a point keeps that point; around the own station, the station.
  const QPointF somewhere(650, 120);
  const QPointF earth = map->ToEarth(somewhere);
  map->Zoom(2.0, somewhere);
  EXPECT_NEAR(map->ToScreen(earth.x(), earth.y()).x(), somewhere.x(), 0.01);
  EXPECT_NEAR(map->ToScreen(earth.x(), earth.y()).y(), somewhere.y(), 0.01);
  const QPointF own = map->OwnStation();
  map->Zoom(0.5, own);
  EXPECT_NEAR(map->OwnStation().x(), own.x(), 0.01);
  // Panning moves the station by the pixels dragged; the keys pan by 40.
  const QPointF before = map->OwnStation();
  map->Pan({30, -20});
  EXPECT_NEAR(map->OwnStation().x(), before.x() + 30, 0.01);
  EXPECT_NEAR(map->OwnStation().y(), before.y() - 20, 0.01);
  map->setFocus();
  const QPointF keyed = map->OwnStation();
  QTest::keyClick(map, Qt::Key_Left);
  EXPECT_NEAR(map->OwnStation().x(), keyed.x() + 40, 0.01);
  const double zoom = map->zoom();
  QTest::keyClick(map, Qt::Key_Plus);
  EXPECT_GT(map->zoom(), zoom);
  QTest::keyClick(map, Qt::Key_Home);
  EXPECT_NEAR(map->OwnStation().x(), middle.x(), 0.01);
  // Dragging with the mouse pans too.
  QTest::mousePress(map, Qt::LeftButton, {}, QPoint(100, 100));
  QMouseEvent move(QEvent::MouseMove, QPointF(160, 130), map->mapToGlobal(QPointF(160, 130)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(map, &move);
  QTest::mouseRelease(map, Qt::LeftButton, {}, QPoint(160, 130));
  EXPECT_NEAR(map->OwnStation().x(), middle.x() + 60, 0.01);
  EXPECT_NEAR(map->OwnStation().y(), middle.y() + 30, 0.01);
}

TEST_F(MapWindowTest, TheMainWindowShowsTheMapOfTheCurrentLog) {
  TContestLogStd& w = OpenEntryWindow();
  Countries();
  TypeLog(w, 5);
  bool shown = false;
  WhenModal<TKarte>([&](TKarte* k) {
    shown = true;
    EXPECT_FALSE(k->map()->CallsIn("JO42").empty());
    Click(k, "btnKarteEnde");
  });
  Click(window_.get(), "btnKarteHo3");
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace vek::ui::testing
