#include "ui/eing_contest_std.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "catalogue/contest_rules.h"
#include "ui/program_services.h"
#include "ui/output_printing.h"
#include "ui/text_conversion.h"
#include "ui/wag_regeln.h"

namespace vek::ui {
namespace {

// 8421631 as a Windows colour value.
const QColor kInvalidColour(255, 128, 128);

QLineEdit* Edit(const char* name, int max_length, int width_chars = 0) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  e->setMaxLength(max_length);
  if (width_chars > 0) e->setMinimumWidth(e->fontMetrics().horizontalAdvance('M') * width_chars);
  return e;
}

}  // namespace

TEingContestStd::TEingContestStd(SetupContext ctx, bool edit_mode, bool after_logging, QWidget* parent)
    : QDialog(parent), model_(std::move(ctx), edit_mode, after_logging) {
  setObjectName("TEingContestStd");
  Build();
  SyncFromModel();
}

void TEingContestStd::Bind(const QString& name, QWidget* w) {
  w->setObjectName(name);
  widgets_[name] = w;
  const std::string key = name.toStdString();
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->installEventFilter(this);
    connect(e, &QLineEdit::textEdited, this, [this, key](const QString& t) {
      model_.SetText(key, FromQt(t));
      SyncFromModel();
    });
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
    connect(memo, &QPlainTextEdit::textChanged, this, [this, key, memo] {
      if (!syncing_) model_.SetText(key, FromQt(memo->toPlainText()));
    });
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setAutoExclusive(false);  // the model keeps each group to one choice
    connect(b, &QAbstractButton::clicked, this, [this, key, b] {
      model_.Check(key, qobject_cast<QRadioButton*>(b) ? true : b->isChecked());
      SyncFromModel();
    });
  }
}

void TEingContestStd::Build() {
  auto* top = new QVBoxLayout(this);
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  left->addWidget(BuildContestGroup());
  left->addWidget(BuildStationGroup());
  right->addWidget(BuildSettingsGroup());
  right->addWidget(BuildQuestionGroups());
  right->addStretch();
  columns->addLayout(left, 3);
  columns->addLayout(right, 2);
  top->addLayout(columns);
  top->addWidget(BuildTotalsGroup());
  // A larger dialog keeps its groups together; the room goes above the buttons.
  top->addStretch(1);

  auto* buttons = new QHBoxLayout;
  auto add_button = [&](const char* name, const QString& caption, void (TEingContestStd::*slot)()) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    widgets_[name] = b;
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
    return b;
  };
  add_button("btnOK", "Beenden", &TEingContestStd::btnOKClick);
  add_button("btnstart", "Contest starten", &TEingContestStd::btnstartClick);
  add_button("btnAbbruch", "Abbrechen", &TEingContestStd::btnAbbruchClick);
  buttons->addStretch();
  auto* help = new QPushButton("Hilfe");
  help->setObjectName("btnHilfe");
  help->setAutoDefault(false);
  connect(help, &QPushButton::clicked, this, [] { ShowHelp(); });
  buttons->addWidget(help);
  add_button("btnRegeln", "Regeln", &TEingContestStd::btnRegelnClick);
  add_button("btnDruck", "Drucken / E-Log", &TEingContestStd::btnDruckClick);
  top->addLayout(buttons);
  menu_ = new QMenu(this);
  menu_->setObjectName("outputMenu");
  menu_->setToolTipsVisible(true);
}

QWidget* TEingContestStd::BuildContestGroup() {
  auto* g = new QGroupBox("Contest");
  auto* grid = new QGridLayout(g);
  auto label = [&](const char* text, const char* for_control) {
    auto* l = new QLabel(QString::fromUtf8(text));
    captions_[for_control] = l;
    return l;
  };
  grid->addWidget(label("Contestname:", "eName"), 0, 0);
  auto* name = Edit("eName", 25, 20);
  Bind("eName", name);
  grid->addWidget(name, 0, 1, 1, 3);
  const struct {
    const char* caption;
    const char* name;
    int max, row, col;
  } dates[] = {{"Datum, von", "eDatumvon", 10, 1, 0}, {"bis", "eDatumbis", 10, 1, 2},
               {"UTC, von", "eZeitvon", 5, 2, 0}, {"bis", "eZeitbis", 5, 2, 2}};
  for (const auto& f : dates) {
    grid->addWidget(label(f.caption, f.name), f.row, f.col);
    auto* e = Edit(f.name, f.max, f.max == 10 ? 8 : 5);
    Bind(f.name, e);
    grid->addWidget(e, f.row, f.col + 1);
  }
  grid->addWidget(label("Teilnahmeart   ", "eteilnahmeart"), 3, 0, 1, 4);
  classes_ = new QListWidget;
  classes_->setObjectName("eteilnahmeart");
  widgets_["eteilnahmeart"] = classes_;
  classes_->setFlow(QListView::TopToBottom);
  classes_->setResizeMode(QListView::Adjust);
  classes_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  classes_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(classes_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    model_.ChooseClass(classes_->row(item));
    SyncFromModel();
  });
  // The arrow keys, Home and End choose as a click does: a class can be
  // chosen without the mouse.
  connect(classes_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (syncing_ || row < 0 || row == model_.chosen_class()) return;
    model_.ChooseClass(row);
    SyncFromModel();
  });
  grid->addWidget(classes_, 4, 0, 1, 4);
  return g;
}

QWidget* TEingContestStd::BuildStationGroup() {
  auto* g = new QGroupBox("Station");
  auto* grid = new QGridLayout(g);
  struct Field {
    const char* name;
    const char* caption;
    int max;
    int row, col;
  };
  const Field fields[] = {
      {"eCall", "Call:", 12, 0, 0},  {"eDOK", "DOK", 8, 0, 2},        {"eSWL", "SWL-Nr.", 14, 1, 0},
      {"eLoc", "LOC", 6, 1, 2},      {"ecname", "Name", 50, 2, 0},    {"eStrasse", "Straße", 50, 3, 0},
      {"ePLZ", "PLZ+Ort", 5, 4, 0},  {"eLand", "Land", 50, 5, 0},
  };
  for (const Field& f : fields) {
    auto* l = new QLabel(QString::fromUtf8(f.caption));
    captions_[f.name] = l;
    grid->addWidget(l, f.row, f.col);
    auto* e = Edit(f.name, f.max, f.max > 12 ? 16 : 6);
    Bind(f.name, e);
    if (QString(f.name) == "ePLZ") {
      auto* town = Edit("eOrt", 44, 14);
      Bind("eOrt", town);
      auto* row = new QHBoxLayout;
      e->setMaximumWidth(e->fontMetrics().horizontalAdvance('0') * 8);
      row->addWidget(e);
      row->addWidget(town, 1);
      grid->addLayout(row, f.row, f.col + 1, 1, 3);
    } else {
      const bool wide = f.max > 14;
      grid->addWidget(e, f.row, f.col + 1, 1, wide ? 3 : 1);
    }
  }
  return g;
}

QWidget* TEingContestStd::BuildSettingsGroup() {
  auto* box = new QWidget;
  auto* v = new QVBoxLayout(box);
  v->setContentsMargins(0, 0, 0, 0);
  auto* mode = new QGroupBox("Mode");
  auto* mv = new QHBoxLayout(mode);
  mv->addWidget(new QLabel("Start mit:"));
  for (const char* n : {"rcw", "rssb", "rFM", "rPR"}) {
    auto* r = new QRadioButton;
    Bind(n, r);
    mv->addWidget(r);
  }
  v->addWidget(mode);

  auto* settings = new QGroupBox("Einstellungen");
  auto* sv = new QVBoxLayout(settings);
  const char* boxes[][2] = {{"edatumauto", "Datum automatisch setzen"},
                            {"ezeitauto", "Zeit automatisch setzen"},
                            {"eBandauto", "Band automatisch entsprechend der Zeit setzen"},
                            {"eaktrsts", "RST sent mit 59(9) fest vorgeben"},
                            {"eaktrstr", "RST rcvd mit 59(9) fest vorgeben"},
                            {"crstsnichtsperren", "RSTs nicht sperren"},
                            {"cdoppelqso", "nicht gewertete Doppel-QSO in Log eintragen"}};
  for (const auto& b : boxes) {
    auto* c = new QCheckBox(QString::fromUtf8(b[1]));
    Bind(b[0], c);
    sv->addWidget(c);
  }
  auto* qsl = new QHBoxLayout;
  qsl->addWidget(new QLabel(QString::fromUtf8("Vorgaben für QSL-Druck:")));
  for (const char* n : {"eQSLw", "eqslr"}) {
    auto* l = new QLabel(QString(n) == "eQSLw" ? "QSL s" : "QSL r");
    captions_[n] = l;
    qsl->addWidget(l);
    auto* e = Edit(n, 1, 2);
    e->setMaximumWidth(e->fontMetrics().horizontalAdvance('M') * 3);
    Bind(n, e);
    qsl->addWidget(e);
  }
  qsl->addStretch();
  sv->addLayout(qsl);
  v->addWidget(settings);

  auto* utc = new QGroupBox("Computerzeit");
  utc->setObjectName("grouputc");
  widgets_["grouputc"] = utc;
  auto* uv = new QVBoxLayout(utc);
  auto* ort = new QRadioButton(QString::fromUtf8("Computer läuft mit Ortszeit"));
  Bind("rZeitOrt", ort);
  auto* u = new QRadioButton(QString::fromUtf8("Computer läuft mit UTC-Zeit"));
  Bind("rZeitUTC", u);
  uv->addWidget(ort);
  uv->addWidget(u);
  v->addWidget(utc);
  return box;
}

QWidget* TEingContestStd::BuildQuestionGroups() {
  auto* box = new QWidget;
  auto* v = new QVBoxLayout(box);
  v->setContentsMargins(0, 0, 0, 0);
  auto* zusatz = new QGroupBox;
  widgets_["groupZusatz"] = zusatz;
  zusatz->setObjectName("groupZusatz");
  auto* zl = new QHBoxLayout(zusatz);
  auto* jl = new QLabel;
  captions_["eJahre"] = jl;
  zl->addWidget(jl);
  auto* jahre = Edit("eJahre", 6, 6);
  Bind("eJahre", jahre);
  zl->addWidget(jahre);
  v->addWidget(zusatz);

  auto* frage = new QGroupBox;
  widgets_["GroupFrage"] = frage;
  frage->setObjectName("GroupFrage");
  auto* fl = new QHBoxLayout(frage);
  auto* fq = new QLabel;
  captions_["eHMja"] = fq;
  fl->addWidget(fq);
  auto* ja = new QRadioButton("ja");
  Bind("eHMja", ja);
  auto* nein = new QRadioButton("nein");
  Bind("eHMnein", nein);
  fl->addWidget(ja);
  fl->addWidget(nein);
  v->addWidget(frage);

  auto* zusatz2 = new QGroupBox("Wertungsgruppe");
  widgets_["GroupZusatz2"] = zusatz2;
  zusatz2->setObjectName("GroupZusatz2");
  auto* z2 = new QVBoxLayout(zusatz2);
  const char* groups[][2] = {{"rZusatz21", "S: Single = Single OP"},
                             {"rZusatz22", "M: Multi = Multi OP"},
                             {"rZusatz23", "SWL:"}};
  for (const auto& r : groups) {
    auto* b = new QRadioButton(r[1]);
    Bind(r[0], b);
    z2->addWidget(b);
  }
  v->addWidget(zusatz2);

  auto* zusatz3 = new QGroupBox("Station");
  widgets_["groupzusatz3"] = zusatz3;
  zusatz3->setObjectName("groupzusatz3");
  auto* z3 = new QVBoxLayout(zusatz3);
  auto* memo = new QPlainTextEdit;
  Bind("memogroupzusatz3", memo);
  z3->addWidget(memo);
  auto* c1 = new QCheckBox("selbstgebauter Bausatz");
  Bind("checkboxgroupzusatz3", c1);
  auto* c2 = new QCheckBox("individuelles Unikat");
  Bind("checkboxgroupzusatz3_2", c2);
  z3->addWidget(c1);
  z3->addWidget(c2);
  v->addWidget(zusatz3);
  return box;
}

QWidget* TEingContestStd::BuildTotalsGroup() {
  auto* g = new QGroupBox("Auswertung");
  g->setObjectName("groupAuswertung");
  auto* grid = new QGridLayout(g);
  const char* rows[] = {"", "QSO", "Multi", "Punkte"};
  for (int r = 1; r < 4; ++r) grid->addWidget(new QLabel(rows[r]), r, 0);
  for (int c = 0; c < 7; ++c) {
    for (int r = 0; r < 4; ++r) {
      auto* l = new QLabel;
      l->setObjectName(QStringLiteral("lBand%1_%2").arg(c + 1).arg(r));
      l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      l->setMinimumWidth(l->fontMetrics().horizontalAdvance("000000"));
      if (r == 0) l->setStyleSheet("font-weight: bold");
      totals_[c][r] = l;
      grid->addWidget(l, r, c + 1);
    }
  }
  auto* sums = new QHBoxLayout;
  lQso_ = new QLabel;
  lQso_->setObjectName("lQSO");
  lMulti_ = new QLabel;
  lMulti_->setObjectName("lMulti");
  lPunkte_ = new QLabel;
  lPunkte_->setObjectName("lPunkte");
  lScore_ = new QLabel;
  lScore_->setObjectName("lScore");
  lScore_->setStyleSheet("font-weight: bold");
  for (QLabel* l : {lQso_, lMulti_, lPunkte_, lScore_}) sums->addWidget(l);
  sums->addStretch();
  grid->addLayout(sums, 4, 0, 1, 8);
  return g;
}

void TEingContestStd::SyncFromModel() {
  syncing_ = true;
  setWindowTitle(ToQt(model_.caption()));
  for (const auto& [name, c] : model_.controls()) {
    QWidget* w = widgets_.value(QString::fromStdString(name), nullptr);
    if (!w) continue;
    w->setEnabled(c.enabled);
    w->setVisible(c.visible);
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      if (c.max_length > 0) e->setMaxLength(c.max_length);
      const QString t = ToQt(c.text);
      if (e->text() != t) e->setText(t);
      e->setStyleSheet(c.invalid ? QStringLiteral("background-color: %1").arg(kInvalidColour.name()) : QString());
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
      const QString t = ToQt(c.text);
      if (memo->toPlainText() != t) memo->setPlainText(t);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      if (!c.caption.empty()) b->setText(ToQt(c.caption));
      b->setChecked(c.checked);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      if (!c.caption.empty()) g->setTitle(ToQt(c.caption));
      g->setStyleSheet(c.invalid ? QStringLiteral("QGroupBox { background-color: %1 }").arg(kInvalidColour.name())
                                 : QString());
    } else if (w == classes_) {
      classes_->setStyleSheet(c.invalid ? QStringLiteral("background-color: %1").arg(kInvalidColour.name())
                                        : QString());
    }
    if (auto* l = captions_.value(QString::fromStdString(name), nullptr); l && !c.caption.empty())
      l->setText(ToQt(c.caption));
  }
  // The class list: two columns above seven classes.
  if (classes_->count() != static_cast<int>(model_.class_entries().size())) {
    classes_->clear();
    for (const Text& e : model_.class_entries()) classes_->addItem(ToQt(e));
    const int rows = model_.class_list_two_columns()
                         ? static_cast<int>((model_.class_entries().size() + 1) / 2)
                         : static_cast<int>(model_.class_entries().size());
    classes_->setWrapping(model_.class_list_two_columns());
    const int row_h = classes_->fontMetrics().height() + 4;
    classes_->setFixedHeight(std::max(1, rows) * row_h + 2 * classes_->frameWidth() + 4);
    int longest = 0;
    for (const Text& e : model_.class_entries())
      longest = std::max(longest, classes_->fontMetrics().horizontalAdvance(ToQt(e)));
    const int columns = model_.class_list_two_columns() ? 2 : 1;
    classes_->setGridSize(QSize(longest + 16, row_h));
    classes_->setMinimumWidth(columns * (longest + 16) + 2 * classes_->frameWidth() + 4);
  }
  if (model_.chosen_class() >= 0) {
    classes_->setCurrentRow(model_.chosen_class());
  } else {
    classes_->clearSelection();
  }
  if (auto* ed = qobject_cast<QLineEdit*>(widgets_.value("eDOK")); ed && captions_.contains("eDOK")) {
    const SetupControl& c = model_.controls().at("eDOK");
    if (!c.caption.empty()) captions_["eDOK"]->setText(ToQt(c.caption));
  }
  SyncTotals();
  syncing_ = false;
}

void TEingContestStd::SyncTotals() {
  const SetupModel::Totals t = model_.ComputeTotals();
  for (int c = 0; c < 7; ++c) {
    const auto& col = t.columns[static_cast<std::size_t>(c)];
    totals_[c][0]->setText(ToQt(col.band_name));
    totals_[c][1]->setText(QString::number(col.qsos));
    totals_[c][2]->setText(c == 0 && !t.first_multiplier_cell.empty() ? ToQt(t.first_multiplier_cell)
                                                                       : QString::number(col.multipliers));
    totals_[c][3]->setText(QString::number(col.points));
    for (int r = 0; r < 4; ++r) totals_[c][r]->setVisible(col.visible && (r != 2 || col.multipliers_visible));
  }
  lQso_->setText(ToQt(t.qsos));
  lMulti_->setText(ToQt(t.multipliers));
  lPunkte_->setText(ToQt(t.points));
  lPunkte_->setVisible(t.points_visible);
  lScore_->setText(ToQt(t.score));
  lScore_->setVisible(t.score_visible);
}

void TEingContestStd::FocusModelControl() {
  if (QWidget* w = widgets_.value(QString::fromStdString(model_.focus()), nullptr)) {
    w->setFocus();
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
      if (auto* first = g->findChild<QRadioButton*>()) first->setFocus();
    }
  }
}

void TEingContestStd::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FocusModelControl();
  if (auto* ok = qobject_cast<QPushButton*>(widgets_.value("btnOK"))) ok->setDefault(model_.focus() == "btnOK");
}

bool TEingContestStd::eventFilter(QObject* watched, QEvent* event) {
  if (auto* e = qobject_cast<QLineEdit*>(watched)) {
    const std::string name = e->objectName().toStdString();
    if (event->type() == QEvent::FocusIn) {
      model_.EnterField(name);
    } else if (event->type() == QEvent::FocusOut && !syncing_) {
      model_.LeaveField(name);
      SyncFromModel();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TEingContestStd::Close(SetupResult r) {
  outcome_ = r;
  if (r == SetupResult::kOpen) {
    SyncFromModel();
    FocusModelControl();
    return;
  }
  SyncFromModel();
  done(r == SetupResult::kStart ? QDialog::Accepted : QDialog::Rejected);
}

// A field being left by a click on a button completes first.
static void LeaveFocusedField(SetupModel& model, QWidget* dialog) {
  if (auto* e = qobject_cast<QLineEdit*>(dialog->focusWidget())) model.LeaveField(e->objectName().toStdString());
}

void TEingContestStd::btnOKClick() {
  LeaveFocusedField(model_, this);
  Close(model_.Finish());
}

void TEingContestStd::btnstartClick() {
  LeaveFocusedField(model_, this);
  Close(model_.StartContest());
}

void TEingContestStd::btnAbbruchClick() { Close(model_.Cancel()); }

void TEingContestStd::btnRegelnClick() { ShowContestRules(this, model_.context().contest_code, *model_.context().port); }

void TEingContestStd::btnDruckClick() {
  LeaveFocusedField(model_, this);
  model_.PrintMenu();
  SyncFromModel();
  menu_->clear();
  for (const OutputMenuEntry& e : OutputMenu(model_.definition())) {
    QAction* a = menu_->addAction(ToQt(e.caption));
    a->setObjectName(ToQt(e.caption));
    const auto kind = OutputKindOf(e.kind);
    a->setEnabled(e.enabled && kind.has_value());
    if (!a->isEnabled()) a->setToolTip(QString::fromUtf8("Für diesen Contest nicht vorgesehen"));
    if (kind) connect(a, &QAction::triggered, this, [this, k = *kind] { RunMenuOutput(k); });
    if (e.separator_after) menu_->addSeparator();
  }
  QWidget* button = widgets_.value("btnDruck");
  menu_->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TEingContestStd::RunMenuOutput(OutputKind kind) {
  const ExportInputs in = ExportInputsFrom(model_.context());
  UserPort& port = *model_.context().port;
  if (output_host_) {
    RunOutput(kind, in, *output_host_, port);
  } else {
    QtOutputHost host(this, port);
    RunOutput(kind, in, host, port);
  }
}

void TEingContestStd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    LeaveFocusedField(model_, this);
    Close(model_.Escape());
    return;
  }
  QDialog::keyPressEvent(event);
}

void TEingContestStd::reject() {
  // The title bar's close button asks as Escape does, so nothing typed is
  // lost without a question.
  LeaveFocusedField(model_, this);
  Close(model_.Escape());
}

}  // namespace vek::ui
