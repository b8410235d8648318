// The list control's bottom panel at every width, the rules and program
// windows, help, and the screenshots of the program's windows.
#include <QDir>
#include <QUrl>
#include <QFileInfo>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>

#include "base/cp1252.h"
#include "catalogue/contest_rules.h"
#include "ui/program_services.h"
#include "ui/wag_regeln.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

// Runs in a folder of its own; the rules file of the program lies there.
class FolderTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    old_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
  }
  void TearDown() override {
    QDir::setCurrent(old_);
    SetLinkOpener(nullptr);
    SetHelpOpener(nullptr);
  }
  void CopyRules() {
    ASSERT_TRUE(QFile::copy(QString(VEK_DATA_DIR) + "/" + kOwnRulesFile, dir_.filePath(kOwnRulesFile)));
  }
  QTemporaryDir dir_;
  QString old_;
};

bool Overlap(const QRect& a, const QRect& b) { return a.intersects(b); }

TEST_F(MainWindowTest, TheBottomPanelGivesUpOneThingAtATimeAsItNarrows) {
  StartProgram("OV-Abend");
  TkxBrow* list = window_->list();
  auto* panel = list->findChild<QWidget*>("bottomPanel");
  QList<QWidget*> parts;
  for (const char* name : {"lSortierung", "sortList", "searchPicture", "searchField", "navigation"})
    parts << list->findChild<QWidget*>(name);
  int last_step = 0;
  QSet<int> steps;
  for (int width = 900; width >= 60; width -= 2) {
    list->resize(width, 300);
    const auto& plan = list->panel_plan();
    EXPECT_GE(plan.step, last_step) << width;
    last_step = plan.step;
    steps.insert(plan.step);
    EXPECT_EQ(parts[0]->isVisibleTo(list), plan.label);
    EXPECT_EQ(parts[4]->isVisibleTo(list), plan.toolbar);
    // What is shown fits the panel and nothing overlaps.
    for (int i = 0; i < parts.size(); ++i) {
      if (!parts[i]->isVisibleTo(list)) continue;
      EXPECT_LE(parts[i]->geometry().right(), panel->width()) << width << " " << i;
      EXPECT_GE(parts[i]->geometry().left(), 0) << width << " " << i;
      for (int j = i + 1; j < parts.size(); ++j) {
        if (!parts[j]->isVisibleTo(list)) continue;
        EXPECT_FALSE(Overlap(parts[i]->geometry(), parts[j]->geometry())) << width;
      }
    }
  }
  // With the real tool bar wider than the shortest first row, step 4 (tool
  // bar still shown under a row of its own) has no width of its own here.
  EXPECT_TRUE(steps.contains(0) && steps.contains(1) && steps.contains(2) && steps.contains(3) && steps.contains(5));
  // Each step begins exactly where the one before no longer fits.
  TkxBrow::PanelWidths w;
  w.label = 60, w.picture = 16, w.toolbar = 150;
  const int full = w.gap + w.label + w.gap + 80 + w.gap + w.picture + w.gap + 80 + w.gap + w.toolbar + w.gap;
  EXPECT_EQ(TkxBrow::PlanBottomPanel(full, w).step, 0);
  EXPECT_EQ(TkxBrow::PlanBottomPanel(full - 1, w).step, 1);
  EXPECT_EQ(TkxBrow::PlanBottomPanel(full - 1 - w.label - w.gap, w).step, 2);
  const int row3 = w.gap + 60 + w.gap + w.picture + w.gap + 75 + w.gap;
  w.toolbar = 100;
  EXPECT_EQ(TkxBrow::PlanBottomPanel(row3, w).step, 3);
  EXPECT_EQ(TkxBrow::PlanBottomPanel(row3 - 1, w).step, 4);
  EXPECT_EQ(TkxBrow::PlanBottomPanel(w.toolbar + 2 * w.gap, w).step, 4);
  EXPECT_EQ(TkxBrow::PlanBottomPanel(w.toolbar + 2 * w.gap - 1, w).step, 5);
}

TEST_F(MainWindowTest, TheVerticalBarFollowsTheListAndItsClicksMoveIt) {
  StartProgram("Log 00");
  for (int i = 1; i < 30; ++i) NewLog(QStringLiteral("Log %1").arg(i, 2, 10, QChar('0')));
  TkxBrow* list = window_->list();
  window_->resize(860, 400);
  QApplication::processEvents();
  ASSERT_LT(list->model().visible_rows(), 15);
  QScrollBar* bar = list->vertical_bar();
  EXPECT_EQ(bar->maximum(), 29);
  list->model().First();
  list->Refresh();
  EXPECT_EQ(bar->value(), 0);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(CurrentName(), "Log 29");
  EXPECT_EQ(bar->value(), 29);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(CurrentName(), "Log 28");
  Click(list, "btnFirst");
  EXPECT_EQ(CurrentName(), "Log 00");
  Click(list, "btnNextPage");
  EXPECT_EQ(CurrentName(), QStringLiteral("Log %1").arg(list->model().visible_rows(), 2, 10, QChar('0')));
}

TEST_F(FolderTest, TheRulesWindowShowsTheContestsRulesAndPrintsThemUnderItsJobTitle) {
  CopyRules();
  ScriptedUserPort port;
  bool shown = false;
  WhenModal<Twagregeln>([&](Twagregeln* w) {
    shown = true;
    EXPECT_EQ(w->windowTitle(), "Regeln");
    const QString text = w->text()->toPlainText();
    EXPECT_TRUE(text.contains("UKW Nordsee-Contest")) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Bänder")));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir::current().filePath("rules.pdf"));
    w->PrintTo(printer);
    EXPECT_EQ(printer.docName(), "Contest-Regeln");
    QTest::keyClick(w->text(), Qt::Key_Escape);
  });
  ShowContestRules(nullptr, 'g', port);
  EXPECT_TRUE(shown);
  EXPECT_GT(QFileInfo("rules.pdf").size(), 1000);
  EXPECT_TRUE(port.Messages().empty());
}

TEST_F(FolderTest, MissingOrBrokenRulesAreReportedWithoutAWindow) {
  ScriptedUserPort port;
  ShowContestRules(nullptr, 'g', port);
  ASSERT_EQ(port.Messages().size(), 1u);
  EXPECT_NE(port.Messages()[0].find("nordseeukwR.RTF\" fehlt"), Text::npos);
  QFile broken(kOwnRulesFile);
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("{\\rtf1 never closed");
  broken.close();
  ShowContestRules(nullptr, 'g', port);
  ASSERT_EQ(port.Messages().size(), 2u);
  EXPECT_NE(port.Messages()[1].find("keine lesbare RTF-Datei"), Text::npos);
}

TEST_F(FolderTest, WebPageRulesOpenTheOrganisersPage) {
  QStringList opened;
  SetLinkOpener([&](const QString& url) { opened << url; });
  ScriptedUserPort port;
  port.QueueAnswer(true);
  ShowContestRules(nullptr, 'j', port);
  ShowContestRules(nullptr, 'D', port);
  EXPECT_EQ(port.Questions(), (std::vector<Text>{"English?"}));
  ASSERT_EQ(opened.size(), 2);
  EXPECT_TRUE(opened[0].contains("en"));
  EXPECT_EQ(opened[1].toStdString(), *RulesWebAddress('D'));
}

TEST_F(FolderTest, HelpOpensTheHelpFileAtItsContextOrDoesNothing) {
  QStringList opened;
  SetHelpOpener([&](const QString& url) { opened << url; });
  ShowHelp(12);
  EXPECT_TRUE(opened.isEmpty());
  QFile help(kHelpFile);
  ASSERT_TRUE(help.open(QIODevice::WriteOnly));
  help.write("<html></html>");
  help.close();
  ShowHelp(12);
  ShowHelp();
  ASSERT_EQ(opened.size(), 2);
  EXPECT_TRUE(opened[0].endsWith("vekcont.html#ctx12"));
  EXPECT_TRUE(opened[1].endsWith("vekcont.html"));
}

// The help shows in a window of the program, at its context, without any
// browser of the desktop.
TEST_F(FolderTest, TheHelpShowsInAWindowOfTheProgramAtItsContext) {
  QFile help(kHelpFile);
  ASSERT_TRUE(help.open(QIODevice::WriteOnly));
  help.write("<html><body><p>Inhalt</p><a name=\"ctx12\"></a><h1>Bandwechsel</h1></body></html>");
  help.close();
  const QString url = QUrl::fromLocalFile(QFileInfo(kHelpFile).absoluteFilePath()).toString() + "#ctx12";
  ShowHelpWindow(url);
  QWidget* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "THilfe" && w->isVisible()) window = w;
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), "Hilfe");
  auto* text = window->findChild<QTextBrowser*>("hilfetext");
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->toPlainText().contains("Bandwechsel"));
  EXPECT_EQ(text->source().fragment(), "ctx12");
  window->close();
}

TEST_F(FolderTest, TheProgramWindowShowsTheSecondOneOnceAndItsButtonsOpenLinks) {
  QStringList opened;
  SetLinkOpener([&](const QString& url) { opened << url; });
  int seconds = 0;
  WhenModal<Twagprogramme2>([&](Twagprogramme2* w) {
    ++seconds;
    for (QPushButton* b : w->findChildren<QPushButton*>())
      if (b->text() == "E-Mail") QTest::mouseClick(b, Qt::LeftButton);
    w->accept();
  });
  Twagprogramme w;
  w.show();
  QTest::qWait(600);
  EXPECT_TRUE(w.second_shown());
  w.activateWindow();
  QTest::qWait(400);
  EXPECT_EQ(seconds, 1);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(opened[0].startsWith("mailto:"));
}

TEST_F(FolderTest, ScreenshotsOfTheMainWindowTheSetupDialogAndTheRulesWindow) {
  CopyRules();
  StartProgram("UKW Nordsee 2008");
  NewLog("DL-Nordsee Test", "16.11.2008");
  NewLog("Aktivitaet Oktober", "03.10.2009");
  window_->resize(900, 560);
  QApplication::processEvents();
  Shoot(window_.get(), "main_window");
  window_->resize(420, 480);
  QApplication::processEvents();
  Shoot(window_.get(), "main_window_narrow");
  {
    TEingContestStd d(window_->controller().SetupContextFor('g'), true, false);
    d.show();
    QApplication::processEvents();
    Shoot(&d, "setup_dialog");
  }
  RtfDocument doc;
  QFile f(kOwnRulesFile);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  doc = *ReadRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  Twagregeln rules(doc);
  rules.show();
  QApplication::processEvents();
  Shoot(&rules, "rules_window");
  Twagprogramme programs;
  programs.show();
  QApplication::processEvents();
  Shoot(&programs, "program_window");
  programs.hide();
}

}  // namespace
}  // namespace vek::ui::testing
