#include "ui/contest_brow.h"

#include "store/store_start.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/cp1252.h"
#include "base/date_time_format.h"
#include "catalogue/catalogue_records.h"
#include "logging/entry_context.h"
#include "ui/contest_log_std.h"
#include "ui/map_window.h"
#include "ui/rig_dialog.h"
#include "logging/contest_log.h"
#include "ui/eing_contest_std.h"
#include "ui/kx_brow.h"
#include "ui/program_services.h"
#include "ui/text_conversion.h"
#include "ui/wag_regeln.h"

namespace vek::ui {
namespace {

constexpr const char* kMakerPage = "https://vek-contest.example";

// Station colours are Windows colour values: 0x00BBGGRR.
QColor WindowsColour(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return QColor(static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF), static_cast<int>((u >> 16) & 0xFF));
}

void Paint(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, c);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  b->setFocusPolicy(Qt::TabFocus);
  return b;
}

}  // namespace

TContestBrow::TContestBrow(store::FileManager& fm, UserPort& port, const Clock& clock, LogFiles& logs, QWidget* parent)
    : QWidget(parent),
      port_(port),
      clock_(clock),
      controller_(std::make_unique<CatalogueController>(fm, port, clock, *this, logs)),
      model_(fm, port) {
  setObjectName("TContestBrow");
  setWindowTitle(kCaption);
  auto* v = new QVBoxLayout(this);

  panelContest_ = new QWidget(this);
  panelContest_->setObjectName("panelContest");
  auto* contest = new QHBoxLayout(panelContest_);
  imgtitel_ = new QLabel(panelContest_);
  imgtitel_->setObjectName("imgtitel");
  imglinks_ = new QLabel(panelContest_);
  imglinks_->setObjectName("imglinks");
  imglinks_->setScaledContents(true);
  imglinks_->setFixedSize(96, 64);
  auto* names = new QVBoxLayout;
  lworked_ = new QLabel(panelContest_);
  lworked_->setObjectName("lworked");
  QFont big = lworked_->font();
  big.setPointSize(12);
  big.setBold(true);
  lworked_->setFont(big);
  auto* call_row = new QHBoxLayout;
  lfuer_ = new QLabel(panelContest_);
  lfuer_->setObjectName("lfuer");
  lCall_ = new QLabel(panelContest_);
  lCall_->setObjectName("lCall");
  QFont call_font = lCall_->font();
  call_font.setPointSize(12);
  lCall_->setFont(call_font);
  call_row->addWidget(lfuer_);
  call_row->addWidget(lCall_);
  call_row->addStretch();
  names->addWidget(lworked_);
  names->addLayout(call_row);
  contest->addWidget(imglinks_);
  contest->addLayout(names, 1);
  contest->addWidget(imgtitel_);
  v->addWidget(panelContest_);

  auto* middle = new QHBoxLayout;
  brow_ = new TkxBrow(model_, this);
  brow_->setObjectName("Brow");
  middle->addWidget(brow_, 1);

  panelButtons_ = new QWidget(this);
  panelButtons_->setObjectName("panelbuttonsHo3");
  auto* buttons = new QVBoxLayout(panelButtons_);
  auto* neu = Button("Neu", "btnNeuho3", panelButtons_);
  auto* starten = Button("Starten", "btnAendernHo3", panelButtons_);
  auto* start = Button("Start [F10]", "btnStart", panelButtons_);
  auto* loeschen = Button(QString::fromUtf8("Löschen"), "btnLoeschenHo3", panelButtons_);
  auto* konv = Button("Konvertieren", "btnKonvertieren", panelButtons_);
  auto* hilfe = Button("Hilfe", "btnHilfeHo3", panelButtons_);
  auto* rig = Button("Transceiver / Rotor", "btnRigHo3", panelButtons_);
  auto* karte = Button("Karte", "btnKarteHo3", panelButtons_);
  auto* ende = Button(QString::fromUtf8("Schließen"), "btnendeho3", panelButtons_);
  btnKopieho3_ = Button("in Haupt-Log kopieren", "btnKopieho3", panelButtons_);
  btnKopieho3_->hide();
  for (QPushButton* b : {neu, starten, start, loeschen, konv, hilfe, rig, karte}) buttons->addWidget(b);
  buttons->addStretch();
  MenueBeenden_ = new QLabel(panelButtons_);
  MenueBeenden_->setObjectName("MenueBeenden");
  buttons->addWidget(MenueBeenden_);
  buttons->addWidget(ende);
  btnweitere_ = Button("weitere AFU-Pogramme", "btnweitere", panelButtons_);
  buttons->addWidget(btnweitere_);
  middle->addWidget(panelButtons_);
  v->addLayout(middle, 1);

  auto* hints = new QVBoxLayout;
  lhinweisupdate_ = new QLabel(QString::fromUtf8("Neue Versionen und Contest-Termine: ") + kMakerPage + "/download",
                               this);
  lhinweisupdate_->setObjectName("lhinweisupdate");
  lhinweisupdate2_ =
      new QLabel(QString::fromUtf8("Fragen und Fehlermeldungen: team@vek-contest.example"), this);
  lhinweisupdate2_->setObjectName("lhinweisupdate2");
  lHersteller_ = new QLabel(QString::fromUtf8("Vek Contest – freie Contest-Logs für UKW · ") + kMakerPage, this);
  lHersteller_->setObjectName("lHersteller");
  lHersteller_->setCursor(Qt::PointingHandCursor);
  lHersteller_->installEventFilter(this);
  for (QLabel* l : {lhinweisupdate_, lhinweisupdate2_, lHersteller_}) hints->addWidget(l);
  v->addLayout(hints);

  connect(neu, &QPushButton::clicked, this, &TContestBrow::btnNeuho3Click);
  connect(starten, &QPushButton::clicked, this, &TContestBrow::btnAendernHo3Click);
  connect(start, &QPushButton::clicked, this, &TContestBrow::btnStartClick);
  connect(loeschen, &QPushButton::clicked, this, &TContestBrow::btnLoeschenHo3Click);
  connect(konv, &QPushButton::clicked, this, &TContestBrow::btnKonvertierenClick);
  connect(hilfe, &QPushButton::clicked, this, [] { ShowHelp(); });
  connect(karte, &QPushButton::clicked, this, &TContestBrow::ShowMapOfCurrentLog);
  connect(rig, &QPushButton::clicked, this, [this] {
    ProgramSettings settings(controller_->fm().file_system());
    settings.Load();
    TRigDialog dialog(settings, this);
    dialog.exec();
  });
  connect(ende, &QPushButton::clicked, this, &QWidget::close);
  connect(btnweitere_, &QPushButton::clicked, this, &TContestBrow::btnweitereClick);

  // Step 1 of the start: hidden until the files say what to show.
  lworked_->hide();
  imgtitel_->hide();
  imglinks_->hide();
  resize(860, 560);
}

TContestBrow::~TContestBrow() {
  model_.TakeDown();
  controller_->End();
}

CatalogueController::StartResult TContestBrow::Start() {
  ShowPictures();
  const auto result = controller_->Start(false);
  store::TellRepairs(controller_->fm(), controller_->port(), !controller_->english());
  if (result != CatalogueController::StartResult::kReady) return result;
  lfuer_->setText(controller_->english() ? "FOR" : QString::fromUtf8("für"));
  MenueBeenden_->setText(controller_->english() ? "    Finish" : "    Beenden");
  ShowOwnCall();
  ApplyColours();
  SetUpList();
  brow_->setFocus();
  if (controller_->NewestLog() == 0) {
    show();
    QApplication::processEvents();
    btnNeuho3Click();
  }
  return result;
}

void TContestBrow::ShowPictures() {
  const QString title = QDir::current().filePath("titel_vekukwnordsee.bmp");
  if (QFileInfo::exists(title)) {
    imgtitel_->setPixmap(QPixmap(title));
    imgtitel_->adjustSize();
    imgtitel_->show();
  }
  lworked_->setText(QString::fromUtf8("\"Nordsee-Contest UKW\""));
  lworked_->show();
  const QString picture = QDir::current().filePath("nordsee.bmp");
  if (QFileInfo::exists(picture)) {
    imglinks_->setPixmap(QPixmap(picture));
    imglinks_->show();
  }
}

void TContestBrow::ApplyColours() {
  const StationSettings& st = controller_->station();
  // A calm default: sea blue around a white list.
  QColor window(0xE6, 0xEF, 0xF7), panel(0xC9, 0xDC, 0xEC), list(Qt::white), text(Qt::black);
  if (st.colours_set) {
    window = WindowsColour(st.main_colour);
    panel = WindowsColour(st.second_colour);
  }
  Paint(this, window);
  Paint(panelContest_, panel);
  Paint(panelButtons_, panel);
  brow_->SetColours(list, text);
}

void TContestBrow::SetUpList() {
  auto& ev = model_.events;
  const auto code = Text(1, CatalogueController::kContestCode);
  ev.OnBuildRow = [this](ConstBytes r) { return CatalogueController::RowText(r, order_); };
  ev.OnSetHeaderFooter = [this](Text& header, Text& footer) {
    header = CatalogueController::Header(order_, controller_->english());
    footer = order_ == CatalogueOrder::kName ? "Name" : (controller_->english() ? "Date" : "Datum");
  };
  ev.OnInitSortList = [this] {
    return std::vector<Text>{"Name", controller_->english() ? "Date" : "Datum"};
  };
  ev.OnSortList2Key = [this, code](int index) {
    order_ = index == 1 ? CatalogueOrder::kDate : CatalogueOrder::kName;
    return store::BrowserOrder{index == 1 ? 2 : 1, code, code};
  };
  ev.OnSuchFeld2KeyStr = [this, code](std::string_view typed) -> store::Key {
    if (order_ == CatalogueOrder::kName) return typed.empty() ? Text() : code + Cp1252Upper(typed);
    // In date order a typed date is searched as the date key.
    const auto day = ParseDate(typed, DateForm::kDdMmYyyy, 2000);
    if (!day) return {};
    Text key = code;
    for (int shift = 24; shift >= 0; shift -= 8)
      key += static_cast<char>((static_cast<std::uint32_t>(*day) >> shift) & 0xFF);
    return key;
  };
  ev.OnBrowEnter = [this] { btnAendernHo3Click(); };
  ev.OnBrowDoppelKlick = [this] { btnAendernHo3Click(); };
  // The Delete key removes the whole log, as "Löschen" does: a catalogue
  // entry never goes without its QSOs and totals.
  ev.OnLoesch_Feld = [this] { return GetText(controller_->fm().RecordBuffer(controller_->qvkk()), qvkk::kLogName); };
  ev.OnDatensatz_Loeschen = [this] { return controller_->RemoveCurrentLog(); };
  ev.OnProcessPostCommand = [this](store::BrowserKey key, int code_) {
    if (key == store::BrowserKey::kEscape) {
      if (AskToEnd()) close();
      return true;
    }
    if (code_ == Qt::Key_F10) {
      btnAendernHo3Click();
      return true;
    }
    return false;
  };
  // Columns as wide as their padded texts: the name 27, a date 13 characters.
  brow_->OnBrowColWidths = [this](int column, const QString&) {
    const bool name_column = (order_ == CatalogueOrder::kName) == (column == 0);
    const int x = brow_->grid()->fontMetrics().horizontalAdvance('X');
    return (name_column ? 27 : 13) * x + 6;
  };
  brow_->Build(controller_->qvkk(), 1, code, code);
  // On start the list shows the newest log by start date.
  const std::int32_t newest = controller_->NewestLog();
  if (newest > 0 && controller_->Select(newest)) AfterOperation();
}

void TContestBrow::AfterOperation() {
  if (controller_->HasCurrent()) {
    store::FileBlock* kk = controller_->qvkk();
    model_.Reposition(controller_->fm().MakeKey(kk, model_.key()), kk->current_record());
  } else {
    model_.Repaint();
  }
  brow_->Refresh();
  ShowOwnCall();
}

void TContestBrow::ShowOwnCall() { lCall_->setText(ToQt(controller_->station().ShownCall())); }

void TContestBrow::btnNeuho3Click() {
  controller_->New();
  AfterOperation();
}

void TContestBrow::btnAendernHo3Click() {
  if (!controller_->HasCurrent()) return;
  controller_->Starten();
  AfterOperation();
}

void TContestBrow::btnStartClick() {
  if (!controller_->HasCurrent()) return;
  controller_->StartF10();
  AfterOperation();
}

void TContestBrow::btnLoeschenHo3Click() {
  if (!controller_->HasCurrent()) return;
  controller_->Delete();
  AfterOperation();
}

void TContestBrow::btnKonvertierenClick() {
  if (!controller_->HasCurrent()) return;
  controller_->Convert();
  AfterOperation();
}

void TContestBrow::btnweitereClick() {
  Twagprogramme window(this);
  window.exec();
}

bool TContestBrow::OpenContestSetup(CatalogueController& controller, bool edit_mode, bool after_logging) {
  SetupContext ctx = controller.SetupContextFor(CatalogueController::kContestCode);
  TEingContestStd dialog(ctx, edit_mode, after_logging, this);
  dialog.exec();
  return dialog.outcome() == SetupResult::kStart;
}

void TContestBrow::StartLogging(CatalogueController& c, std::int32_t log_number, const ContestDefinition&) {
  std::optional<EntryContext> ctx = EntryContextFor(c, log_number, clock_, port_);
  if (!ctx) return;
  // Read before the window opens: listing the catalogue moves its records.
  KnownCallSources sources = CatalogueSources(c, log_number);
  sources.suffixes = ctx->suffixes;
  store::FileManager& fm = c.fm();
  std::vector<int> widths;
  ConstBytes kk = fm.RecordBuffer(c.qvkk());
  for (int i = 1; i <= 20; ++i) widths.push_back(GetI16(kk, qvkk::ListColumnWidthOffset(i)));
  TContestLogStd window(
      std::move(*ctx),
      [&c, &fm](EntrySession& s, const std::vector<int>& columns) {
        Bytes record = fm.RecordBuffer(c.qvkk());
        for (std::size_t i = 0; i < columns.size() && i < 20; ++i)
          PutI16(record, qvkk::ListColumnWidthOffset(static_cast<int>(i) + 1), static_cast<std::int16_t>(columns[i]));
        s.Close(record, fm.RecordBuffer(c.qvkz()));
      },
      widths, nullptr);
  window.SetLogRecords([&c, &fm] { return std::pair<Bytes, Bytes>(fm.RecordBuffer(c.qvkk()), fm.RecordBuffer(c.qvkz())); },
                       [&c, &fm] { fm.PutRecord(c.qvkk()); });
  if (!window.opened()) {
    port_.Inform(W("Das Log kann nicht geöffnet werden."));
    return;
  }
  window.SetKnownCallSources(sources);
  // The main window waits hidden while the contest is logged.
  hide();
  window.move(0, 0);
  window.setWindowState(Qt::WindowMaximized);  // exec shows it, modal
  window.exec();
  show();
}

// The map of the log under the cursor, read once.
void TContestBrow::ShowMapOfCurrentLog() {
  CatalogueController& c = *controller_;
  if (!c.HasCurrent()) return;
  const std::int32_t number = c.CurrentLogNumber();
  const qvkk::Period period = qvkk::PeriodOf(c.fm().RecordBuffer(c.qvkk()));
  std::optional<EntryContext> ctx = EntryContextFor(c, number, clock_, port_);
  if (!ctx) return;
  ContestStatistics stats(period.from, period.to, ctx->station.own_locator);
  {
    ContestLog log(*ctx->files, number, ctx->suffixes);
    if (!log.OpenContestLog()) return port_.Inform(W("Das Log kann nicht geöffnet werden."));
    stats.Read(c.fm(), log.log());
  }
  TKarte window(stats, this);
  window.exec();
}

bool TContestBrow::AskToEnd() { return port_.AskYesNo("Programm beenden?"); }

void TContestBrow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F10: btnAendernHo3Click(); return;
    case Qt::Key_Escape:
      if (AskToEnd()) close();
      return;
    default: QWidget::keyPressEvent(event);
  }
}

void TContestBrow::closeEvent(QCloseEvent* event) {
  if (!ending_) {
    ending_ = true;
    model_.TakeDown();
    controller_->End();
  }
  event->accept();
}

bool TContestBrow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lHersteller_) {
    QFont f = lHersteller_->font();
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
      f.setUnderline(event->type() == QEvent::Enter);
      lHersteller_->setFont(f);
    } else if (event->type() == QEvent::MouseButtonRelease) {
      OpenUrl(kMakerPage);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vek::ui
