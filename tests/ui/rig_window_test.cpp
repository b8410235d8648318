// The rig and the rotator in the windows, offscreen, with Hamlib's dummy
// models: the status line, the band following the rig while no call is
// typed, the contact's frequency, "Antenne drehen", and the settings dialog
// "Transceiver / Rotor".
#include <QLabel>
#include <QListWidget>

#include "logging/qso_record.h"
#include "refdata/cty_import.h"
#include "refdata/locator.h"
#include "rig/rig_poller.h"
#include "ui/rig_dialog.h"
#include "ui_fixture.h"

namespace vek::ui::testing {
namespace {

using namespace std::chrono_literals;
using F = EntryFieldId;

// Hamlib's dummy rig, tuned to `hz` when it is opened.
class TunedDummy : public rig::RigPort {
 public:
  explicit TunedDummy(double hz) : inner_(rig::MakeHamlibRig({rig::DummyRigModel(), "", 0})), hz_(hz) {}
  bool Open() override { return inner_->Open() && inner_->SetFrequency(hz_); }
  void Close() override { inner_->Close(); }
  bool ReadFrequency(double& hz) override { return inner_->ReadFrequency(hz); }
  bool ReadMode(std::string& mode) override { return inner_->ReadMode(mode); }
  bool SetFrequency(double hz) override { return inner_->SetFrequency(hz); }
  std::string LastError() const override { return inner_->LastError(); }
  std::string Name() const override { return inner_->Name(); }

 private:
  std::unique_ptr<rig::RigPort> inner_;
  double hz_;
};

std::unique_ptr<rig::RigPoller> DummyPoller(double hz, bool rotator) {
  rig::RigPoller::RotatorFactory rot;
  if (rotator) rot = [] { return rig::MakeHamlibRotator({rig::DummyRotatorModel(), "", 0}); };
  return std::make_unique<rig::RigPoller>([hz] { return std::make_unique<TunedDummy>(hz); }, rot, true,
                                          rig::PollTiming{20ms, 50ms, 500ms});
}

// Lets the window's timers run until `ready` holds (or gives up after half a minute).
template <typename Ready>
bool Eventually(Ready ready) {
  const auto end = std::chrono::steady_clock::now() + 30s;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QTest::qWait(20);
  }
  return true;
}

QString Label(QWidget* w, const char* name) { return w->findChild<QLabel*>(name)->text(); }

TEST_F(MainWindowTest, TheEntryWindowFollowsTheRigAndTurnsTheAntenna) {
  clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60});
  StartProgram("Nordsee 2008");
  const std::string cty =
      "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
      "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n";
  CtyImportCounts counts;
  ASSERT_TRUE(ImportCty(window_->controller().files(), ParseCtyDat(cty), {}, counts));
  bool ran = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    ran = true;
    EXPECT_EQ(Label(w, "lRig"), "kein Transceiver");
    EXPECT_FALSE(w->findChild<QPushButton*>("btnAntenne")->isVisible());
    EntrySession& s = w->session();
    ASSERT_EQ(s.band(), 'k');
    // A call is being typed: the rig on 70 cm changes nothing.
    QTest::keyClicks(w->edit(F::eCall), "DL2X");
    w->SetRigPoller(DummyPoller(432.2e6, true));
    ASSERT_TRUE(Eventually([&] { return Label(w, "lRig").contains("432,2000 MHz"); })) << Label(w, "lRig").toStdString();
    QTest::qWait(100);
    EXPECT_EQ(s.band(), 'k');
    // The entry cleared: now it follows, as F8 would.
    QTest::keyClick(w->edit(F::eCall), Qt::Key_Escape);
    ASSERT_TRUE(Eventually([&] { return s.band() == 'l'; }));
    EXPECT_TRUE(Label(w, "lband").contains("70"));
    // At 14:12 the contest is on 2 m: the rig goes back there, and the
    // contact carries its frequency.
    w->SetRigPoller(DummyPoller(144.3055e6, true));
    ASSERT_TRUE(Eventually([&] { return s.band() == 'k'; }));
    for (auto [id, text] : {std::pair{F::eCall, "DL2XYZ"}, {F::eRSTr2, "001"}}) {
      QTest::keyClicks(w->edit(id), text);
      QTest::keyClick(w->edit(id), Qt::Key_Return);
    }
    QTest::keyClicks(w->edit(F::eRSTr3), "JO62MM");
    // Ctrl+D: the rotator turns to the bearing of the typed locator.
    Qrb q;
    ASSERT_TRUE(LocatorDistance("JO43KD", "JO62MM", q));
    QTest::keyClick(w->edit(F::eRSTr3), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(Eventually([&] { return Label(w, "lRotor").contains(QString::fromUtf8("→")); }));
    EXPECT_TRUE(Label(w, "lRotor").contains(QString::fromUtf8("→ %1°").arg(std::lround(q.bearing))))
        << Label(w, "lRotor").toStdString();
    EXPECT_TRUE(w->findChild<QPushButton*>("btnAntenne")->isVisible());
    w->resize(1024, 740);
    QApplication::processEvents();
    Shoot(w, "entry_window_rig");
    QTest::keyClick(w->edit(F::eRSTr3), Qt::Key_Return);
    QTest::keyClicks(w->edit(F::eRSTr4), "F11");
    QTest::keyClick(w->edit(F::eRSTr4), Qt::Key_Return);

    EXPECT_EQ(s.saves(), 1);
    if (s.saves() == 1) {
      EXPECT_FLOAT_EQ(GetF32(s.last_saved(), qso::kFreqMHz.offset), 144.3055f);
    }
    Click(w, "btnRotorStop");
    EXPECT_FALSE(Label(w, "lRotor").contains(QString::fromUtf8("→")));
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(ran);
}

TEST_F(MainWindowTest, TheRigDialogFindsModelsTestsThemAndKeepsTheChoice) {
  StartProgram("Nordsee 2008");
  bool shown = false;
  WhenModal<TRigDialog>([&](TRigDialog* d) {
    shown = true;
    auto* models = d->findChild<QListWidget*>("listRigModelle");
    ASSERT_NE(models, nullptr);
    EXPECT_EQ(models->currentItem()->text(), "kein Transceiver");
    Type(d, "eRigSuche", "dummy");
    QListWidgetItem* dummy = nullptr;
    int shown_rows = 0;
    for (int i = 0; i < models->count(); ++i) {
      if (models->item(i)->isHidden()) continue;
      ++shown_rows;
      if (models->item(i)->data(Qt::UserRole).toInt() == rig::DummyRigModel()) dummy = models->item(i);
    }
    ASSERT_NE(dummy, nullptr);
    EXPECT_LT(shown_rows, 10);
    models->setCurrentItem(dummy);
    auto* rotors = d->findChild<QListWidget*>("listRotorModelle");
    for (int i = 0; i < rotors->count(); ++i)
      if (rotors->item(i)->data(Qt::UserRole).toInt() == rig::DummyRotatorModel()) rotors->setCurrentRow(i);
    Click(d, "btnRigTest");
    const QString report = d->findChild<QLabel*>("lRigTest")->text();
    EXPECT_TRUE(report.contains("Transceiver Hamlib Dummy: ")) << report.toStdString();
    EXPECT_TRUE(report.contains("MHz")) << report.toStdString();
    EXPECT_TRUE(report.contains(QString::fromUtf8("steht auf"))) << report.toStdString();
    Shoot(d, "rig_dialog");
    Click(d, "btnRigOK");
  });
  Click(window_.get(), "btnRigHo3");
  ASSERT_TRUE(shown);
  ProgramSettings settings(fs_);
  settings.Load();
  const rig::RigSettings s = StoredRigSettings(settings);
  EXPECT_EQ(s.rig.model, rig::DummyRigModel());
  EXPECT_EQ(s.rotator.model, rig::DummyRotatorModel());
  // The entry window opens with them and reads the dummy.
  bool entry = false;
  WhenModal<TContestLogStd>([&](TContestLogStd* w) {
    entry = true;
    ASSERT_TRUE(Eventually([&] { return Label(w, "lRig").contains("MHz"); })) << Label(w, "lRig").toStdString();
    EXPECT_TRUE(w->findChild<QPushButton*>("btnAntenne")->isVisible());
    Click(w, "btnEnde");
  });
  Click(window_.get(), "btnStart");
  EXPECT_TRUE(entry);
}

}  // namespace
}  // namespace vek::ui::testing
