// The desktop program's main window over the in-memory file system, with a
// scripted operator for the message boxes, and helpers that act on a modal
// window while it runs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "base/scripted_user_port.h"
#include "logging/store_log_files.h"
#include "store/memory_file_system.h"
#include "logging/entry_context.h"
#include "ui/contest_brow.h"
#include "ui/contest_log_std.h"
#include "ui/eing_contest_std.h"
#include "ui/kx_brow.h"
#include "ui/text_conversion.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace vek::ui::testing {

// Runs `act` on the first modal window of type T that opens from now on.
template <typename T>
void WhenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(w);
    }
  });
  timer->start();
}

// Saves what the window shows under build/screenshots/WIDTHxHEIGHT/ (the
// test screen's size).
inline void Shoot(QWidget* w, const char* name) {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const QString dir = QStringLiteral(VEK_SCREENSHOT_DIR "/%1x%2").arg(screen.width()).arg(screen.height());
  QDir().mkpath(dir);
  const QString path = dir + "/" + name + ".png";
  ASSERT_TRUE(w->grab().save(path)) << path.toStdString();
}

inline void Type(QWidget* dialog, const char* field, const QString& text) {
  auto* e = dialog->findChild<QLineEdit*>(field);
  ASSERT_NE(e, nullptr) << field;
  e->setFocus();
  e->selectAll();
  if (!e->text().isEmpty()) QTest::keyClick(e, Qt::Key_Backspace);
  QTest::keyClicks(e, text);
}

inline void Click(QWidget* parent, const char* name) {
  auto* b = parent->findChild<QAbstractButton*>(name);
  ASSERT_NE(b, nullptr) << name;
  QTest::mouseClick(b, Qt::LeftButton);
}

// Types a complete new log of contest g into the setup dialog and presses "Beenden".
inline void FillNewLog(TEingContestStd* d, const QString& name, const QString& date_from = {}) {
  Type(d, "eName", name);
  if (!date_from.isEmpty()) Type(d, "eDatumvon", date_from);
  Type(d, "eCall", "DL1ABC");
  Type(d, "eDOK", "I38");
  Type(d, "eLoc", "JO43KD");
  Type(d, "ePLZ", "26129");
  Type(d, "eOrt", "Oldenburg");
  Type(d, "ecname", "Anna Muster");
  Type(d, "eStrasse", "Hauptstr. 1");
  Click(d, "rZeitUTC");
  auto* classes = d->findChild<QListWidget*>("eteilnahmeart");
  QTest::mouseClick(classes->viewport(), Qt::LeftButton, {}, classes->visualItemRect(classes->item(0)).center());
  Click(d, "btnOK");
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { clock_.Set(UtcInstant{*DayNumberFromDate(2009, 3, 1), 12 * 3600}); }

  // The first start opens the setup dialog: it creates `first_log`, or is
  // cancelled when that is empty.
  TContestBrow& StartProgram(const QString& first_log = {}) {
    WhenModal<TEingContestStd>([first_log](TEingContestStd* d) {
      if (first_log.isEmpty()) {
        Click(d, "btnAbbruch");
      } else {
        FillNewLog(d, first_log);
      }
    });
    store::StoreEnvironment env;
    env.fs = &fs_;
    env.sleep = [](std::chrono::milliseconds) {};
    fm_ = std::make_unique<store::FileManager>(env);
    logs_ = std::make_unique<StoreLogFiles>(*fm_, port_);
    window_ = std::make_unique<TContestBrow>(*fm_, port_, clock_, *logs_);
    EXPECT_EQ(window_->Start(), CatalogueController::StartResult::kReady);
    window_->show();
    return *window_;
  }

  // "Neu" through the real dialog.
  void NewLog(const QString& name, const QString& date_from = {}) {
    WhenModal<TEingContestStd>([name, date_from](TEingContestStd* d) { FillNewLog(d, name, date_from); });
    Click(window_.get(), "btnNeuho3");
  }

  QTableWidget* Grid() { return window_->list()->grid(); }
  QString Cell(int row, int column) {
    auto* item = Grid()->item(row, column);
    return item ? item->text() : QString();
  }
  QString CurrentName() { return Cell(Grid()->currentRow(), 0).trimmed(); }

  store::MemoryFileSystem fs_;
  ScriptedUserPort port_;
  ManualClock clock_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<StoreLogFiles> logs_;
  std::unique_ptr<TContestBrow> window_;
};

// An entry window of contest g over the main window's first log, on the
// 15th of November 2008.
class ListWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60});
  }

  TContestLogStd& OpenEntryWindow() {
    StartProgram("Nordsee 2008");
    auto& c = window_->controller();
    log_ = c.CurrentLogNumber();
    auto ctx = EntryContextFor(c, log_, clock_, port_);
    EXPECT_TRUE(ctx);
    entry_ = std::make_unique<TContestLogStd>(std::move(*ctx), nullptr);
    entry_->SetLogRecords(
        [this] {
          auto& cc = window_->controller();
          return std::pair<Bytes, Bytes>(fm_->RecordBuffer(cc.qvkk()), fm_->RecordBuffer(cc.qvkz()));
        },
        [this] { fm_->PutRecord(window_->controller().qvkk()); });
    entry_->show();
    return *entry_;
  }

  void Contact(const char* call, const char* nr, const char* loc, const char* dok) {
    EntrySession& s = entry_->session();
    using F = EntryFieldId;
    for (auto [id, text] : {std::pair{F::eCall, call}, {F::eRSTr2, nr}, {F::eRSTr3, loc}, {F::eRSTr4, dok}}) {
      ASSERT_EQ(s.focus(), id);
      QTest::keyClicks(entry_->edit(id), text);
      QTest::keyClick(entry_->edit(id), Qt::Key_Return);
    }
  }

  std::int32_t log_ = 0;
  std::unique_ptr<TContestLogStd> entry_;
};

}  // namespace vek::ui::testing
