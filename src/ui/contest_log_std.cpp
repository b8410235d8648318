#include "ui/contest_log_std.h"

#include "store/store_start.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "logging/qso_list.h"
#include "logging/scoring.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"
#include "store/keys.h"
#include "ui/kx_brow.h"
#include "ui/notiz.h"
#include "ui/partner_panel.h"
#include "ui/rig_dialog.h"
#include "ui/map_window.h"
#include "ui/statistics_window.h"
#include "catalogue/catalogue_records.h"
#include "logging/age_overview.h"
#include "logging/notes.h"
#include "ui/adif_import_dialog.h"
#include "ui/text_conversion.h"
#include "ui/wrap_layout.h"

namespace vek::ui {
namespace {

using F = EntryFieldId;

constexpr std::size_t Ix(F id) { return static_cast<std::size_t>(id); }

const QColor kCaption("teal"), kValue("navy"), kFocused("red");

void Colour(QLabel* l, const QColor& c, bool bold = false) {
  l->setStyleSheet(QStringLiteral("color: %1;%2").arg(c.name(), bold ? " font-weight: bold;" : ""));
}

// Characters an entry field shows at once.
int TypicalChars(EntryFieldId id) {
  using F = EntryFieldId;
  switch (id) {
    case F::eCall:
    case F::eCall2: return 14;
    case F::eRSTs1:
    case F::eRSTr1: return 3;
    case F::eDatum:
    case F::eFreq: return 10;
    case F::ezeit: return 8;
    case F::eName:
    case F::eQTH: return 16;
    case F::emode: return 6;
    default: return 8;  // exchange fields: serial numbers, locators, DOKs
  }
}

QPushButton* Button(const QString& caption, const char* name) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  b->setAutoDefault(false);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace

TContestLogStd::TContestLogStd(EntryContext ctx, CloseHandler on_close, std::vector<int> widths, QWidget* parent)
    : QDialog(parent),
      session_(std::make_unique<EntrySession>(std::move(ctx))),
      on_close_(std::move(on_close)),
      widths_(std::move(widths)) {
  setObjectName("TContestLogStd");
  settings_ = std::make_unique<ProgramSettings>(session_->fm().file_system());
  settings_->Load();
  session_->SetHistoryPrefill(settings_->GetBool(kHistoryPrefillKey, false));
  opened_ = session_->Open();
  store::TellRepairs(session_->fm(), session_->port(), true);
  // Without the main window's records a change is summed into spare ones.
  spare_kk_.assign(qvkk::Spec().record_length, 0);
  spare_kz_.assign(qvkz::kLength, 0);
  records_ = [this] { return std::pair<Bytes, Bytes>(Bytes(spare_kk_), Bytes(spare_kz_)); };
  Build();
  setWindowTitle(ToQt(session_->Caption()));
  if (!opened_) return;
  session_->ClockTick();
  Sync();
  RefreshList();
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &TContestLogStd::timerzeitTimer);
  timer_.start();
  rig_timer_.setInterval(250);
  connect(&rig_timer_, &QTimer::timeout, this, &TContestLogStd::RigTick);
  StartRigFromSettings();
}

TContestLogStd::~TContestLogStd() { CloseSession(); }

void TContestLogStd::Build() {
  auto* v = new QVBoxLayout(this);
  header_ = new QLabel;
  header_->setObjectName("lHeader");
  header_->setAutoFillBackground(true);
  header_->setContentsMargins(8, 4, 8, 4);
  QFont hf = header_->font();
  hf.setBold(true);
  header_->setFont(hf);
  v->addWidget(header_);
  // The partner panel beside the entry fields and the totals; it gives way
  // when the fields need the whole width (see FitPartnerPanel).
  auto* top = new QHBoxLayout;
  left_ = new QVBoxLayout;
  left_->addWidget(BuildEntryPanel());
  auto* middle = new QHBoxLayout;
  middle->addWidget(BuildTotalsPanel(), 2);
  middle->addWidget(BuildMultiPanel(), 3);
  left_->addLayout(middle);
  top->addLayout(left_, 1);
  partner_ = new PartnerPanel(*session_, *settings_);
  partner_->on_take = [this](const QString& call) { TakePartnerCall(call); };
  top->addWidget(partner_);
  v->addLayout(top);
  // The contacts under the entry panel, newest last, in the order they were logged.
  list_model_ = std::make_unique<store::RecordBrowser>(session_->file_manager(), session_->port());
  list_model_->SetKeepBuffer(true);
  list_model_->SetSortlistVisible(false);
  const ContestDefinition definition = session_->definition();
  const bool english = session_->english();
  list_model_->events.OnBuildRow = [definition](ConstBytes r) { return QsoListRow(r, definition); };
  list_model_->events.OnRowMarked = QsoListRowMarked;
  list_model_->events.OnInitSortList = [definition, english] { return QsoListOrders(definition, english); };
  list_model_->events.OnSortList2Key = [this](int index) {
    const QsoListOrder o = QsoListOrderOf(index, session_->band());
    return store::BrowserOrder{o.key, o.low, o.high};
  };
  list_model_->events.OnSetHeaderFooter = [definition, english](Text& header, Text& footer) {
    header = QsoListHeader(definition, english);
    footer.clear();
  };
  list_model_->events.OnProcessPostCommand = [this](store::BrowserKey key, int) {
    if (key != store::BrowserKey::kEscape) return false;
    SetListMode(false);
    FocusSessionField();
    return true;
  };
  const auto entry_of_current = [this] { return CurrentEntry(*list_model_, *session_); };
  const auto edit = [this, entry_of_current] {
    const std::int32_t entry = entry_of_current();
    if (entry > 0) EditQso(*session_, entry, records_, this);
    Sync();
    // The cursor stays on the corrected contact (its entry number is its key here).
    QTimer::singleShot(0, this, [this, entry] {
      if (entry <= 0) return RefreshList();
      list_model_->Reposition(store::LongToKey(entry));
      list_->Refresh();
    });
  };
  list_model_->events.OnBrowEnter = edit;
  list_model_->events.OnBrowDoppelKlick = edit;
  list_model_->events.OnDatensatz_Loeschen = [this, entry_of_current] {
    const std::int32_t entry = entry_of_current();
    const auto [kk, kz] = records_();
    const bool gone = entry > 0 && session_->DeleteQso(entry, kk, kz);
    // The list gives the buffer back when it is done; the new contact follows then.
    QTimer::singleShot(0, this, [this] {
      session_->NewQso(0);
      Sync();
      RefreshList();
    });
    return gone;
  };
  list_ = new TkxBrow(*list_model_, this);
  list_->setObjectName("listQso");
  // Widths the operator gave the columns last time, else the titles' widths.
  list_->OnBrowColWidths = [this](int column, const QString& title) {
    if (column < static_cast<int>(widths_.size()) && widths_[static_cast<std::size_t>(column)] > 0)
      return widths_[static_cast<std::size_t>(column)];
    const int chars = std::max(static_cast<int>(title.size()), list_->ContentChars(column));
    return (chars + 1) * list_->grid()->fontMetrics().horizontalAdvance('X');
  };
  list_->grid()->installEventFilter(this);
  v->addWidget(list_, 1);
  SetListMode(false);
  resize(1000, 720);
}

QWidget* TContestLogStd::BuildEntryPanel() {
  auto* panel = new QFrame;
  panel->setObjectName("panelEingabe");
  panel->setFrameShape(QFrame::StyledPanel);
  auto* v = new QVBoxLayout(panel);
  auto* info = new QHBoxLayout;
  lNummer_ = new QLabel;
  lNummer_->setObjectName("lNummer");
  lband_ = new QLabel;
  lband_->setObjectName("lband");
  lMode_ = new QLabel;
  lMode_->setObjectName("lMode");
  lQSLs_ = new QLabel;
  lQSLs_->setObjectName("lQSLs");
  lQSLs_->installEventFilter(this);
  lQSLs_->setTextFormat(Qt::RichText);
  auto* toggle_qsl = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Q), this);
  connect(toggle_qsl, &QShortcut::activated, this, [this] {
    if (closed_ || !opened_) return;
    session_->ToggleQslSent();
    SyncFields(true);
  });
  lcallname_ = new QLabel("QSO-Partner");
  lcallname_->setObjectName("lcallname");
  lenter_ = new QLabel(session_->english() ? "<CR> = save" : "<ET> = speichern");
  lenter_->setObjectName("lenter");
  for (QLabel* l : {lNummer_, lband_, lMode_, lQSLs_, lcallname_}) {
    Colour(l, kValue, true);
    info->addWidget(l);
  }
  info->addStretch();
  info->addWidget(lenter_);
  v->addLayout(info);

  auto* grid = new QGridLayout;
  const struct {
    F id;
    int col;
  } fields[] = {{F::eCall, 0},  {F::eCall2, 1}, {F::eRSTs1, 2}, {F::eRSTs2, 3}, {F::eRSTs3, 4},
                {F::eRSTs4, 5}, {F::eRSTr1, 6}, {F::eRSTr2, 7}, {F::eRSTr3, 8}, {F::eRSTr4, 9},
                {F::eDatum, 10}, {F::ezeit, 11}, {F::eFreq, 12}, {F::eName, 13}, {F::eQTH, 14}, {F::emode, 15}};
  QFont mono("Monospace");
  mono.setStyleHint(QFont::TypeWriter);
  mono.setPointSize(mono.pointSize() + 2);
  for (const auto& f : fields) {
    auto* caption = new QLabel;
    caption->setObjectName(QStringLiteral("l%1").arg(EntryFieldName(f.id)));
    Colour(caption, kCaption, true);
    auto* edit = new QLineEdit;
    edit->setObjectName(EntryFieldName(f.id));
    edit->setFont(mono);
    edit->installEventFilter(this);
    const F id = f.id;
    connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& t) {
      if (syncing_) return;
      session_->Type(id, FromQt(t));
      SyncFields(true);
      SyncMultipliers();
    });
    // A caption's "&" marks its letter: shown underlined, Alt+letter goes to the field.
    caption->setBuddy(edit);
    captions_[Ix(f.id)] = caption;
    edits_[Ix(f.id)] = edit;
    // Wide enough for what the field usually takes (a whole portable call,
    // a six-character locator); longer texts scroll inside.
    const int chars = TypicalChars(f.id) + 1;
    const auto width_of = [&mono](int n) { return QFontMetrics(mono).horizontalAdvance(QString(n, QChar('W'))) + 12; };
    if (f.id == F::eName || f.id == F::eQTH) {
      // Name and QTH give way first on a narrow screen: they scroll inside.
      edit->setMinimumWidth(width_of(8));
      edit->setMaximumWidth(width_of(chars));
      edit->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    } else {
      edit->setFixedWidth(width_of(chars));
    }
    grid->addWidget(caption, 0, f.col);
    grid->addWidget(edit, 1, f.col);
  }
  // The fields keep to the left; the room to their right stays free.
  grid->setColumnStretch(16, 1);
  // Values shown where a field is fixed by the log's settings.
  lRSTs1_ = new QLabel;
  lRSTs1_->setObjectName("lRSTs1");
  lRSTr1_ = new QLabel;
  lRSTr1_->setObjectName("lRSTr1");
  lRSTs2_ = new QLabel;
  lRSTs2_->setObjectName("lRSTs2");
  lDatum_ = new QLabel;
  lDatum_->setObjectName("lDatum");
  lZeit_ = new QLabel;
  lZeit_->setObjectName("lZeit");
  lQrb_ = new QLabel;
  lQrb_->setObjectName("lQrb");
  for (QLabel* l : {lRSTs1_, lRSTr1_, lRSTs2_, lDatum_, lZeit_, lQrb_}) Colour(l, kValue, true);
  v->addLayout(grid);
  // Under the fields, on a line of their own so that they widen no field.
  auto* fixed = new QHBoxLayout;
  for (QLabel* l : {lRSTs1_, lRSTs2_, lRSTr1_}) fixed->addWidget(l);
  fixed->addSpacing(12);
  fixed->addWidget(lQrb_);
  fixed->addStretch();
  for (QLabel* l : {lDatum_, lZeit_}) fixed->addWidget(l);
  v->addLayout(fixed);

  auto* buttons = new WrapLayout;
  buttons->SetLastAtRight(true);
  auto add = [&](const QString& caption, const char* name, std::vector<QPushButton*>& group) {
    QPushButton* b = Button(caption, name);
    buttons->addWidget(b);
    group.push_back(b);
    return b;
  };
  connect(add("Band [F8]", "btnBand", entry_buttons_), &QPushButton::clicked, this, &TContestLogStd::btnBandClick);
  connect(add("Mode [F7]", "btnMode", entry_buttons_), &QPushButton::clicked, this, &TContestLogStd::btnModeClick);
  connect(add("Neu [ESC]", "btnLoeschen", entry_buttons_), &QPushButton::clicked, this, [this] {
    session_->Escape();
    Sync();
  });
  connect(add("Name/QTH [F9]", "btnNameQth", entry_buttons_), &QPushButton::clicked, this, [this] {
    ToggleNameQth();
  });
  connect(add("Bandlog [F3]", "btnBandlog", list_buttons_), &QPushButton::clicked, this,
          [this] { ShowList(TKorrekturstd::Mode::kBandLog); });
  connect(add(QString::fromUtf8("Ändern [ET]"), "btnAendern", list_buttons_), &QPushButton::clicked, this,
          [this] { list_model_->HandleKey(store::BrowserKey::kEnter); });
  connect(add(QString::fromUtf8("Löschen [Entf]"), "btnLoeschenListe", list_buttons_), &QPushButton::clicked, this,
          [this] {
            list_model_->Delete();
            RefreshList();
          });
  connect(add("Notiz [F6]", "btnNotiz", entry_buttons_), &QPushButton::clicked, this, &TContestLogStd::OpenNotes);
  connect(add("Antenne drehen [Strg+D]", "btnAntenne", entry_buttons_), &QPushButton::clicked, this,
          &TContestLogStd::TurnAntenna);
  connect(add("Stop", "btnRotorStop", entry_buttons_), &QPushButton::clicked, this, &TContestLogStd::StopAntenna);
  connect(add("Transceiver / Rotor", "btnRig", entry_buttons_), &QPushButton::clicked, this,
          &TContestLogStd::OpenRigDialog);
  connect(add("Statistik [Strg+T]", "btnStatistik", entry_buttons_), &QPushButton::clicked, this,
          &TContestLogStd::OpenStatistics);
  connect(add("Karte [Strg+K]", "btnKarte", entry_buttons_), &QPushButton::clicked, this, &TContestLogStd::OpenMap);
  connect(add("Import von ADIF-Dateien", "btnADIF", entry_buttons_), &QPushButton::clicked, this,
          &TContestLogStd::ImportAdif);
  if (session_->definition().ShowEvaluationButton) {
    connect(add("Auswertung [F11]", "btnauswertung", entry_buttons_), &QPushButton::clicked, this,
            &TContestLogStd::ShowAgeOverview);
  }
  connect(add("Contest &beenden", "btnEnde", entry_buttons_), &QPushButton::clicked, this,
          &TContestLogStd::btnEndeClick);
  v->addLayout(buttons);
  // The rig's and the rotator's state on a line of their own: a long
  // status must not widen the fields' lines.
  auto* status = new QHBoxLayout;
  lRig_ = new QLabel;
  lRig_->setObjectName("lRig");
  lRotor_ = new QLabel;
  lRotor_->setObjectName("lRotor");
  status->addWidget(lRig_);
  status->addSpacing(16);
  status->addWidget(lRotor_);
  status->addStretch();
  v->addLayout(status);

  band_list_ = new QListWidget(this);
  band_list_->setObjectName("listband");
  band_list_->setWindowFlags(Qt::Popup);
  for (char b : session_->Bands()) band_list_->addItem(ToQt(BandName(b, false)));
  connect(band_list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* i) { TakeBand(band_list_->row(i)); });
  mode_list_ = new QListWidget(this);
  mode_list_->setObjectName("listmode");
  mode_list_->setWindowFlags(Qt::Popup);
  for (const Text& m : session_->Modes()) mode_list_->addItem(ToQt(m));
  connect(mode_list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* i) { TakeMode(mode_list_->row(i)); });
  band_list_->installEventFilter(this);
  mode_list_->installEventFilter(this);
  entry_buttons_[0]->setVisible(session_->Bands().size() > 1);
  entry_buttons_[1]->setVisible(session_->Modes().size() > 1);
  return panel;
}

QWidget* TContestLogStd::BuildTotalsPanel() {
  auto* panel = new QFrame;
  panel->setObjectName("panelsumme");
  panel->setFrameShape(QFrame::StyledPanel);
  auto* v = new QVBoxLayout(panel);
  auto* line = new QHBoxLayout;
  band_points_ = new QLabel;
  band_points_->setObjectName("lPunkteBand");
  band_multis_ = new QLabel;
  band_multis_->setObjectName("lMultiBand");
  band_qsos_ = new QLabel;
  band_qsos_->setObjectName("lQsoBand");
  for (QLabel* l : {band_points_, band_multis_, band_qsos_}) {
    Colour(l, kValue, true);
    line->addWidget(l);
  }
  v->addLayout(line);
  auto* grid = new QGridLayout;
  const char* rows[] = {"", "QSO", "Multi", "Punkte"};
  for (int r = 1; r < 4; ++r) grid->addWidget(new QLabel(rows[r]), r, 0);
  QFont mono("Monospace");
  mono.setStyleHint(QFont::TypeWriter);
  for (int c = 0; c < 7; ++c) {
    for (int r = 0; r < 4; ++r) {
      auto* l = new QLabel;
      l->setObjectName(QStringLiteral("lSumme%1_%2").arg(c + 1).arg(r));
      l->setFont(mono);
      l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      l->setAutoFillBackground(true);
      columns_[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] = l;
      grid->addWidget(l, r, c + 1);
    }
  }
  v->addLayout(grid);
  auto* sums = new QHBoxLayout;
  sum_qsos_ = new QLabel;
  sum_qsos_->setObjectName("lQSO");
  sum_multis_ = new QLabel;
  sum_multis_->setObjectName("lMulti");
  sum_points_ = new QLabel;
  sum_points_->setObjectName("lPunkte");
  sum_score_ = new QLabel;
  sum_score_->setObjectName("lScore");
  for (QLabel* l : {sum_qsos_, sum_multis_, sum_points_, sum_score_}) sums->addWidget(l);
  QFont bold = sum_score_->font();
  bold.setBold(true);
  sum_score_->setFont(bold);
  sums->addStretch();
  v->addLayout(sums);
  v->addStretch();
  return panel;
}

// Six rows of ten labels to begin with; more rows come as the values grow
// (up to the 500 the panel lists), and the panel scrolls to a value that
// the contact being typed brings new.
QWidget* TContestLogStd::BuildMultiPanel() {
  multi_scroll_ = new QScrollArea;
  multi_scroll_->setObjectName("panelmulties");
  multi_scroll_->setFrameShape(QFrame::StyledPanel);
  multi_scroll_->setWidgetResizable(true);
  multi_scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* inner = new QWidget;
  multi_grid_ = new QGridLayout(inner);
  multi_grid_->setSpacing(2);
  multi_grid_->setAlignment(Qt::AlignTop);
  multi_scroll_->setWidget(inner);
  AddMultiLabels(60);
  const int row = multis_.front()->sizeHint().height() + multi_grid_->spacing();
  multi_scroll_->setMinimumHeight(6 * row + 2 * multi_scroll_->frameWidth() + 8);
  return multi_scroll_;
}

void TContestLogStd::AddMultiLabels(std::size_t count) {
  while (multis_.size() < count) {
    const int i = static_cast<int>(multis_.size());
    auto* l = new QLabel(".");
    l->setObjectName(QStringLiteral("lMulti%1").arg(i + 1));
    multis_.push_back(l);
    multi_grid_->addWidget(l, i / 10, i % 10);
    l->show();
  }
  // Laid out now, so that the scroll to a new value finds its place.
  multi_grid_->activate();
  multi_scroll_->widget()->adjustSize();
}

void TContestLogStd::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FocusSessionField();
}

void TContestLogStd::Sync() {
  SyncFields(false);
  SyncTotals();
  SyncMultipliers();
}

void TContestLogStd::SyncFields(bool keep_focused_text) {
  syncing_ = true;
  EntrySession& s = *session_;
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    const F id = static_cast<F>(i);
    const EntryField& f = s.field(id);
    QLineEdit* e = edits_[i];
    e->setVisible(f.visible);
    e->setMaxLength(static_cast<int>(f.max_length));
    captions_[i]->setVisible(f.visible && !f.caption.empty());
    captions_[i]->setText(ToQt(f.caption));
    Colour(captions_[i], id == s.focus() ? kFocused : kCaption, true);
    const QString text = ToQt(f.text);
    if (!(keep_focused_text && id == s.focus()) && e->text() != text) e->setText(text);
    // A value from the history shows in the worked-value colour until the
    // operator has checked it with the station (typed over it).
    if (s.FilledFromHistory(id) != history_shown_[i]) {
      history_shown_[i] = s.FilledFromHistory(id);
      e->setStyleSheet(history_shown_[i] ? "color: green;" : "");
    }
  }
  if (const auto qrb = s.LiveDistance()) {
    lQrb_->setText(QString::fromUtf8("QRB %1 km  %2°  %3 Pkt.").arg(qrb->km).arg(qrb->bearing).arg(qrb->points));
  } else {
    lQrb_->clear();
  }
  if (partner_) partner_->Refresh();
  if (map_window_) {
    const F loc = s.LocatorField();
    map_window_->map()->SetTyped(loc == F::kCount ? Text() : TrimBlanks(s.field(loc).text));
  }
  const bool fixed_sent = !s.field(F::eRSTs1).visible;
  lRSTs1_->setVisible(fixed_sent);
  lRSTs1_->setText("RSTs " + ToQt(LoadSentExchange(s.record()).substr(0, 3)));
  lRSTr1_->setVisible(!s.field(F::eRSTr1).visible);
  lRSTr1_->setText("RSTr " + ToQt(LoadRcvdExchange(s.record()).substr(0, 3)));
  lRSTs2_->setVisible(!s.field(F::eRSTs2).visible);
  lRSTs2_->setText(QString::fromUtf8("gesendet: ") + ToQt(s.SentLabel()));
  lDatum_->setVisible(!s.field(F::eDatum).visible);
  lDatum_->setText(ToQt(s.DateLabel()));
  lZeit_->setVisible(!s.field(F::ezeit).visible);
  lZeit_->setText(ToQt(s.TimeLabel()));
  lNummer_->setText(QStringLiteral("Nr. %1").arg(s.next_serial()));
  lband_->setText(ToQt(BandName(s.band(), false)));
  lMode_->setText(ToQt(s.mode()));
  // "&QSL senden": the letter after "&" underlined, Alt+Q toggles (see Build).
  QString qsl = ToQt(s.QslLabel()).toHtmlEscaped();
  if (const int amp = qsl.indexOf("&amp;"); amp >= 0 && amp + 5 < qsl.size())
    qsl = qsl.left(amp) + "<u>" + qsl.mid(amp + 5, 1) + "</u>" + qsl.mid(amp + 6);
  lQSLs_->setText(qsl);
  lcallname_->setText(s.PartnerName().empty() ? QString("QSO-Partner") : ToQt(s.PartnerName()));
  syncing_ = false;
}

void TContestLogStd::SyncTotals() {
  const TotalsDisplay t = session_->totals().ShowTotals();
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    const bool shown = c < t.columns.size();
    for (QLabel* l : columns_[c]) l->setVisible(shown);
    if (!shown) continue;
    const auto& col = t.columns[c];
    columns_[c][0]->setText(ToQt(col.band_name));
    columns_[c][1]->setText(ToQt(col.qsos));
    columns_[c][2]->setText(ToQt(col.multipliers));
    columns_[c][3]->setText(ToQt(col.points));
    for (QLabel* l : columns_[c]) {
      QPalette p = l->palette();
      p.setColor(QPalette::Window, col.current ? QColor("yellow") : QColor("silver"));
      l->setPalette(p);
    }
  }
  sum_qsos_->setText(ToQt(t.qsos));
  sum_multis_->setText(ToQt(t.multipliers));
  sum_points_->setText(ToQt(t.points));
  sum_points_->setVisible(t.points_visible);
  sum_score_->setText(ToQt(t.score));
  sum_score_->setVisible(t.score_visible);
  band_points_->setText(ToQt(t.band_points_caption) + ": " + ToQt(t.band_points).trimmed());
  band_multis_->setVisible(!t.band_multi_caption.empty());
  band_multis_->setText(ToQt(t.band_multi_caption) + ": " + ToQt(t.band_multis));
  band_qsos_->setText(ToQt(t.band_qso_caption) + ": " + ToQt(t.band_qsos));
}

void TContestLogStd::SyncMultipliers() {
  const std::vector<MultiValue> values = session_->totals().Panel();
  if (values.size() > multis_.size()) AddMultiLabels((values.size() + 9) / 10 * 10);
  QLabel* brought_new = nullptr;
  // The values the contact being entered offers: worked before, they show green.
  const ScoringContext& ctx = session_->totals().context();
  std::vector<Text> offered;
  for (MultiKind kind : kMultiKinds)
    if (KindEnabled(kind, *ctx.definition)) offered.push_back(KindValue(kind, session_->record(), ctx));
  const bool plain = ctx.code == 'H' || ctx.code == 'k';
  const QString weight = plain ? QString() : QStringLiteral(" font-weight: bold;");
  for (std::size_t i = 0; i < multis_.size(); ++i) {
    QLabel* l = multis_[i];
    if (i >= values.size()) {
      l->setText(".");
      l->setStyleSheet("color: grey;");
      continue;
    }
    const MultiValue& v = values[i];
    l->setText(ToQt(v.value));
    const bool worked_by_entry =
        v.state == 2 && std::find(offered.begin(), offered.end(), v.value) != offered.end();
    if (v.state == 1) {
      l->setStyleSheet("color: red;" + weight);
      if (!brought_new) brought_new = l;
    } else if (worked_by_entry) {
      l->setStyleSheet("color: green; text-decoration: underline;" + weight);
    } else {
      l->setStyleSheet("color: grey;" + weight);
    }
  }
  // The mark of a value new with this contact never hides below the fold.
  if (brought_new) multi_scroll_->ensureWidgetVisible(brought_new, 0, 4);
}

void TContestLogStd::SetListMode(bool on) {
  list_mode_ = on;
  QPalette p = header_->palette();
  p.setColor(QPalette::Window, on ? QColor("red") : QColor("navy"));
  p.setColor(QPalette::WindowText, Qt::white);
  header_->setPalette(p);
  header_->setText(on ? QString::fromUtf8("Contest-Logbuch (ESC: zurück zur Eingabe)") : "Contest-Logbuch");
  for (QPushButton* b : entry_buttons_) b->setEnabled(!on);
  for (QPushButton* b : list_buttons_) b->setEnabled(on);
}

void TContestLogStd::FocusSessionField() {
  if (list_mode_) SetListMode(false);  // an entry field with the cursor means entry mode, whole
  if (QLineEdit* e = edits_[Ix(session_->focus())]; e && e->isVisible()) {
    syncing_ = true;
    e->setFocus();
    syncing_ = false;
  }
}

void TContestLogStd::SetKnownCallSources(const KnownCallSources& sources) {
  if (!opened_) return;
  known_sources_ = sources;
  known_ = std::make_unique<KnownCalls>(BuildKnownCalls(session_->suite_files(), sources));
  session_->SetKnownCalls(known_.get());
  partner_->SetNotes(known_->notes());
  known_version_ = session_->fm().ContentVersion(session_->log_block());
  known_saves_ = session_->saves();
}

// The session tells the index of its own saves; a correction, a deletion or
// another program's contacts change the log behind it, and then what the log
// worked is read again (the rest of the index stays).
void TContestLogStd::KeepKnownCallsCurrent() {
  if (!known_ || !session_->log_block()) return;
  const std::uint64_t version = session_->fm().ContentVersion(session_->log_block());
  if (version != known_version_ && session_->saves() == known_saves_) {
    RereadCurrentLog(*known_, session_->suite_files(), known_sources_);
    partner_->Refresh(true);
  }
  known_version_ = version;
  known_saves_ = session_->saves();
}

void TContestLogStd::TakePartnerCall(const QString& call) {
  if (call.isEmpty() || closed_ || !opened_) return;
  if (session_->focus() != F::eCall) session_->Focus(F::eCall);
  session_->Type(F::eCall, FromQt(call));
  Sync();
  FocusSessionField();
  edit(F::eCall)->end(false);
}

// The entry fields stay whole: on a narrow screen with name, QTH and
// frequency shown, the partner panel makes room for them.
void TContestLogStd::FitPartnerPanel() {
  if (!partner_ || !left_) return;
  const int need = left_->minimumSize().width() + partner_->width() + layout()->spacing() +
                   layout()->contentsMargins().left() + layout()->contentsMargins().right();
  // Measured against the screen: a window too narrow for both grows to its
  // minimum, which must still fit.
  const QScreen* shown_on = screen();
  const int room = shown_on ? shown_on->availableGeometry().width() : width();
  const bool fits = need <= room;
  if (partner_->isVisibleTo(this) != fits) partner_->setVisible(fits);
}

// The partner panel steps aside while the fields change, so that the
// window never grows past the screen for a moment; it comes back when the
// fields leave it room.
void TContestLogStd::ToggleNameQth() {
  session_->ToggleNameQth();
  partner_->hide();
  Sync();
  // The fields' new sizes, before the panel is measured against them.
  for (QLayout* l : findChildren<QLayout*>()) l->invalidate();
  for (int i = 0; i < left_->count(); ++i)
    if (QWidget* w = left_->itemAt(i)->widget()) w->updateGeometry();
  FitPartnerPanel();
}

void TContestLogStd::StartRigFromSettings() {
  const rig::RigSettings s = StoredRigSettings(*settings_);
  std::unique_ptr<rig::RigPoller> poller;
  if (s.rig.model != 0 || s.rotator.model != 0) {
    rig::RigPoller::RigFactory make_rig;
    rig::RigPoller::RotatorFactory make_rotator;
    if (s.rig.model != 0) make_rig = [p = s.rig] { return rig::MakeHamlibRig(p); };
    if (s.rotator.model != 0) make_rotator = [p = s.rotator] { return rig::MakeHamlibRotator(p); };
    poller = std::make_unique<rig::RigPoller>(make_rig, make_rotator, s.poll);
  }
  SetRigPoller(std::move(poller));
}

void TContestLogStd::SetRigPoller(std::unique_ptr<rig::RigPoller> poller) {
  rig_ = std::move(poller);
  rig_readings_ = 0;
  session_->ForgetRig();
  const bool rotator = rig_ && rig_->State().rotator_configured;
  for (const char* name : {"btnAntenne", "btnRotorStop"})
    if (auto* b = findChild<QPushButton*>(name)) b->setVisible(rotator);
  lRotor_->setVisible(rotator);
  if (rig_) {
    rig_timer_.start();
  } else {
    rig_timer_.stop();
  }
  RigTick();
}

// Reads only the poller's last state: the radio itself is never waited for here.
void TContestLogStd::RigTick() {
  if (closed_ || !opened_) return;
  const rig::RigState st = rig_ ? rig_->State() : rig::RigState{};
  QString text;
  if (!st.rig_configured) {
    text = "kein Transceiver";
  } else if (!st.rig_connected) {
    const QString why = QString::fromStdString(st.rig_error);
    text = QStringLiteral("Transceiver nicht verbunden%1").arg(why.isEmpty() ? QString() : ": " + why);
  } else {
    const char band = BandCodeOfFrequency(st.frequency_hz / 1e6);
    const Text mode = ContestModeOfRig(st.mode, session_->Modes());
    text = QStringLiteral("%1  %2 MHz  %3")
               .arg(QString::fromStdString(st.rig_name))
               .arg(QString::number(st.frequency_hz / 1e6, 'f', 4).replace('.', ','))
               .arg(QString::fromStdString(st.mode));
    // Shown, never forced on the log.
    if (!session_->definition().HasBand(band) || mode.empty()) text += QString::fromUtf8(" (nicht im Contest)");
  }
  lRig_->setText(text);
  lRig_->setStyleSheet(st.rig_configured && !st.rig_connected ? "color: red;" : "color: grey;");
  if (st.rotator_configured) {
    QString rotor = st.rotator_connected && st.azimuth
                        ? QString::fromUtf8("Rotor %1°").arg(*st.azimuth, 0, 'f', 0)
                        : QStringLiteral("Rotor nicht verbunden: %1").arg(QString::fromStdString(st.rotator_error));
    if (st.target) rotor += QString::fromUtf8(" → %1°").arg(*st.target, 0, 'f', 0);
    lRotor_->setText(rotor);
  }
  if (st.rig_connected && st.readings != rig_readings_) {
    rig_readings_ = st.readings;
    if (session_->FollowRig(st.frequency_hz, st.mode)) Sync();
  }
}

void TContestLogStd::TurnAntenna() {
  if (!rig_ || !rig_->State().rotator_configured) return;
  const auto qrb = session_->LiveDistance();
  if (!qrb) return;  // no locator typed: nothing to turn to
  rig_->TurnTo(qrb->bearing);
  RigTick();
}

void TContestLogStd::StopAntenna() {
  if (!rig_) return;
  rig_->StopRotator();
  RigTick();
}

// The log's figures, over the contest period its catalogue record holds.
ContestStatistics TContestLogStd::ReadStatistics() {
  const auto [kk, kz] = records_();
  (void)kz;
  const qvkk::Period period = qvkk::PeriodOf(kk);
  ContestStatistics stats(period.from, period.to, session_->totals().context().own_locator);
  stats.Read(session_->fm(), session_->log_block());
  return stats;
}

void TContestLogStd::OpenMap() {
  if (closed_ || !opened_) return;
  if (!map_window_) {
    map_stats_ = std::make_unique<ContestStatistics>(ReadStatistics());
    map_saves_ = session_->saves();
    map_version_ = session_->fm().ContentVersion(session_->log_block());
    map_window_ = new TKarte(*map_stats_, this);
    map_window_->setAttribute(Qt::WA_DeleteOnClose);
    map_window_->setModal(false);
  }
  map_window_->show();
  map_window_->raise();
  SyncFields(true);
}

// The map follows each contact saved here; a correction, a deletion or
// another program's contacts have it read the log again.
void TContestLogStd::KeepMapCurrent() {
  if (!map_window_ || !map_stats_ || !session_->log_block()) return;
  const std::uint64_t version = session_->fm().ContentVersion(session_->log_block());
  if (session_->saves() != map_saves_ && !session_->last_saved().empty()) {
    map_stats_->Saved(session_->last_saved());
  } else if (version != map_version_) {
    *map_stats_ = ReadStatistics();
  }
  map_saves_ = session_->saves();
  map_version_ = version;
  map_window_->Refresh();
}

void TContestLogStd::OpenStatistics() {
  if (closed_ || !opened_) return;
  const ContestStatistics stats = ReadStatistics();
  TStatistik window(stats, session_->ClockNow(), this);
  window.exec();
  FocusSessionField();
}

void TContestLogStd::OpenRigDialog() {
  TRigDialog dialog(*settings_, this);
  if (dialog.exec() == QDialog::Accepted) {
    settings_->Load();
    StartRigFromSettings();
  }
  FocusSessionField();
}

void TContestLogStd::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FitPartnerPanel();
}

void TContestLogStd::RefreshList() {
  if (!session_->log_block()) return;
  KeepKnownCallsCurrent();
  KeepMapCurrent();
  if (!list_model_->built()) {
    list_->Build(session_->log_block(), 4, store::LongToKey(1), store::LongToKey(999999999));
  }
  list_model_->Last();  // the newest contact at the bottom
  list_->Refresh();
  list_->LayOutColumnsNow();
}

bool TContestLogStd::HandleFieldKey(F id, QKeyEvent* key) {
  const QString text = key->text();
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      session_->Enter();
      Sync();
      RefreshList();
      FocusSessionField();
      return true;
    case Qt::Key_Escape:
      if (band_list_->isVisible()) {
        band_list_->hide();
      } else {
        session_->Escape();
        Sync();
        FocusSessionField();
      }
      return true;
    case Qt::Key_F3: ShowList(TKorrekturstd::Mode::kBandLog); return true;
    case Qt::Key_F4: ShowList(TKorrekturstd::Mode::kCallSearch); return true;
    case Qt::Key_F5:
      SetListMode(true);
      list_->grid()->setFocus();
      return true;
    case Qt::Key_F6: OpenNotes(); return true;
    case Qt::Key_F11: ShowAgeOverview(); return true;
    case Qt::Key_F12: ShowList(TKorrekturstd::Mode::kCorrection); return true;
    case Qt::Key_W:
      if (key->modifiers() & Qt::ControlModifier) {
        ShowList(TKorrekturstd::Mode::kCorrection);
        return true;
      }
      break;
    case Qt::Key_F7: btnModeClick(); return true;
    case Qt::Key_F8: btnBandClick(); return true;
    case Qt::Key_F2:
      if (partner_->isVisible()) TakePartnerCall(partner_->ChosenCall());
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (id != F::eCall || !partner_->isVisible()) break;
      partner_->MoveChoice(key->key() == Qt::Key_Down ? 1 : -1);
      return true;
    case Qt::Key_F9:
      ToggleNameQth();
      return true;
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
      // Ctrl with the keypad's 1, 2, 3: straight to a received item.
      if ((key->modifiers() & Qt::ControlModifier) && (key->modifiers() & Qt::KeypadModifier)) {
        const F target = static_cast<F>(static_cast<int>(F::eRSTr2) + (key->key() - Qt::Key_1));
        if (session_->field(target).visible) {
          session_->Focus(target);
          Sync();
          FocusSessionField();
        }
        return true;
      }
      break;
    case Qt::Key_T:
      if (key->modifiers() & Qt::ControlModifier) {
        OpenStatistics();
        return true;
      }
      break;
    case Qt::Key_K:
      if (key->modifiers() & Qt::ControlModifier) {
        OpenMap();
        return true;
      }
      break;
    case Qt::Key_D:
      if (key->modifiers() & Qt::ControlModifier) {
        if (key->modifiers() & Qt::ShiftModifier) {
          StopAntenna();
        } else {
          TurnAntenna();
        }
        return true;
      }
      break;
    case Qt::Key_Q:
      if (key->modifiers() & Qt::ControlModifier) {
        session_->ToggleQslSent();
        SyncFields(true);
        return true;
      }
      break;
    default: break;
  }
  // Keys with a meaning of their own in some fields.
  if (text == "#" && id == F::eCall) {
    session_->TypeChar('#');
    Sync();
    FocusSessionField();
    return true;
  }
  if (text == " " && id >= F::eRSTr1 && id <= F::eRSTr4) {
    session_->TypeChar(' ');  // swallowed except where blanks belong
    SyncFields(false);
    return true;
  }
  return false;
}

bool TContestLogStd::eventFilter(QObject* watched, QEvent* event) {
  if (closed_ || !opened_) return QDialog::eventFilter(watched, event);  // the session has ended
  if (watched == band_list_ || watched == mode_list_) return PickListEvent(static_cast<QListWidget*>(watched), event);
  if (list_ && watched == list_->grid() && event->type() == QEvent::FocusIn && !list_mode_) {
    SetListMode(true);  // the list has the focus: list mode
    return false;
  }
  if (watched == lQSLs_ && event->type() == QEvent::MouseButtonRelease) {
    session_->ToggleQslSent();
    SyncFields(true);
    return true;
  }
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    if (watched != edits_[i]) continue;
    const F id = static_cast<F>(i);
    if (event->type() == QEvent::KeyPress) return HandleFieldKey(id, static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::FocusIn && !syncing_ && session_->focus() != id) {
      // Tab or a click: the field before is left without saving.
      session_->Focus(id);
      Sync();
      if (session_->focus() != id) FocusSessionField();
    }
    break;
  }
  return QDialog::eventFilter(watched, event);
}

// The band and mode lists: Enter or a click takes the highlighted entry,
// Up/Down/Home/End/Page move in it; Esc, Tab, its own F-key or a click
// outside close it and give the cursor back to the field; a character typed
// meanwhile closes it too and lands in the field, so nothing typed is lost.
bool TContestLogStd::PickListEvent(QListWidget* list, QEvent* event) {
  if (event->type() == QEvent::Hide) {
    QTimer::singleShot(0, this, [this] {
      if (!closed_) FocusSessionField();
    });
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return false;
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_F7:
    case Qt::Key_F8:
      list->hide();
      FocusSessionField();
      return true;
    default:
      break;
  }
  if (key->text().isEmpty() || !key->text().at(0).isPrint()) return false;
  list->hide();
  FocusSessionField();
  if (QLineEdit* e = edits_[Ix(session_->focus())]; e && e->isVisible()) {
    QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
    QApplication::sendEvent(e, &again);
  }
  return true;
}

void TContestLogStd::keyPressEvent(QKeyEvent* event) {
  if (!closed_ && opened_ && HandleFieldKey(session_->focus(), event)) return;
  QDialog::keyPressEvent(event);
}

void TContestLogStd::btnBandClick() {
  if (session_->BandKey()) {
    Sync();
    FocusSessionField();
    return;
  }
  band_list_->setCurrentRow(0);
  const auto bands = session_->Bands();
  for (std::size_t i = 0; i < bands.size(); ++i)
    if (bands[i] == session_->band()) band_list_->setCurrentRow(static_cast<int>(i));
  band_list_->move(lband_->mapToGlobal(QPoint(0, lband_->height())));
  band_list_->resize(140, 24 * static_cast<int>(bands.size()) + 8);
  band_list_->show();
  band_list_->setFocus();
}

void TContestLogStd::btnModeClick() {
  if (session_->ModeKey()) {
    Sync();
    FocusSessionField();
    return;
  }
  mode_list_->move(lMode_->mapToGlobal(QPoint(0, lMode_->height())));
  mode_list_->show();
  mode_list_->setFocus();
}

void TContestLogStd::TakeBand(int row) {
  band_list_->hide();
  const auto bands = session_->Bands();
  if (row < 0 || row >= static_cast<int>(bands.size())) return;
  session_->FormToRecord();
  if (bands[static_cast<std::size_t>(row)] != session_->band()) session_->ChangeBand(bands[static_cast<std::size_t>(row)]);
  session_->RecordToForm();
  Sync();
  FocusSessionField();
}

void TContestLogStd::TakeMode(int row) {
  mode_list_->hide();
  const auto modes = session_->Modes();
  if (row < 0 || row >= static_cast<int>(modes.size())) return;
  session_->FormToRecord();
  if (modes[static_cast<std::size_t>(row)] != session_->mode()) session_->ChangeMode(modes[static_cast<std::size_t>(row)]);
  Sync();
  FocusSessionField();
}

void TContestLogStd::ShowList(TKorrekturstd::Mode mode) {
  char band = session_->band();
  Text call;
  if (mode == TKorrekturstd::Mode::kBandLog) band = AskBand(*session_, this);
  if (mode == TKorrekturstd::Mode::kCallSearch) {
    const std::optional<Text> typed = AskCall(this);
    if (!typed) return;
    call = *typed;
  }
  {
    TKorrekturstd window(*session_, mode, records_, band, call, this);
    // The place the operator gave the list last time, while this window lives.
    if (list_geometry_.isValid()) window.setGeometry(list_geometry_);
    window.exec();
    list_geometry_ = window.geometry();
    // The column widths belong to the log.
    const auto [kk, kz] = records_();
    (void)kz;
    QTableWidget* grid = window.list()->grid();
    for (int c = 0; c < grid->columnCount() && c < 20; ++c)
      PutI16(kk, qvkk::ListColumnWidthOffset(c + 1), static_cast<std::int16_t>(grid->columnWidth(c)));
    if (write_catalogue_) write_catalogue_();
  }
  if (mode != TKorrekturstd::Mode::kCallSearch) session_->NewQso(0);
  Sync();
  RefreshList();
  FocusSessionField();
}

void TContestLogStd::OpenNotes() {
  EntrySession& s = *session_;
  Text call = s.field(EntryFieldId::eCall).text;
  const bool loaded = call.empty();
  if (loaded) {
    // The header names the last logged contact.
    store::FileManager& fm = s.file_manager();
    if (fm.LastKey(s.log_block(), 13) == 0) call = GetText(fm.RecordBuffer(s.log_block()), qso::kCall);
  }
  const auto [kk, kz] = records_();
  (void)kz;
  NotePlacement at{GetI16(kk, 253), GetI16(kk, 255), GetI16(kk, 257), GetI16(kk, 259)};
  const Text name = NoteFileName(GetText(kk, qvkk::kLogName));
  at = EditNotes(s.file_manager().file_system(), name, NoteHeader(s.ClockNow(), call), at, this);
  PutI16(kk, 253, static_cast<std::int16_t>(at.top));
  PutI16(kk, 255, static_cast<std::int16_t>(at.left));
  PutI16(kk, 257, static_cast<std::int16_t>(at.width));
  PutI16(kk, 259, static_cast<std::int16_t>(at.height));
  if (write_catalogue_) write_catalogue_();
  if (loaded) s.NewQso(0);
  Sync();
  FocusSessionField();
}

void TContestLogStd::ImportAdif() {
  // The clock stands still while records are saved with their own times.
  timer_.stop();
  TAdifImport dialog(*session_, this);
  dialog.exec();
  timer_.start();
  session_->ClockTick();
  Sync();
  RefreshList();
}

void TContestLogStd::ShowAgeOverview() {
  const auto [kk, kz] = records_();
  (void)kz;
  if (static_cast<char>(GetU8(kk, qvkk::kContestCode.offset)) != 'P') return;
  if (GetI32(kk, qvkk::kDateFrom.offset) <= 0) {
    session_->port().Inform("Der Beginn des Contestes wurde nicht angegeben.");
    return;
  }
  store::FileManager& fm = session_->file_manager();
  TUebersicht window(CountAges(fm, session_->log_block(), AgeStep::kOne),
                     CountAges(fm, session_->log_block(), AgeStep::kFive),
                     CountAges(fm, session_->log_block(), AgeStep::kTen), this);
  if (age_geometry_.width() > 0) window.setGeometry(age_geometry_);
  window.exec();
  age_geometry_ = window.geometry();
}

void TContestLogStd::timerzeitTimer() {
  if (closed_) return;
  session_->ClockTick();
  SyncFields(true);
  SyncTotals();
}

void TContestLogStd::CloseSession() {
  if (closed_ || !opened_) return;
  closed_ = true;
  timer_.stop();
  rig_timer_.stop();
  rig_.reset();  // a radio that hangs is not waited for (see RigPoller)
  if (map_window_) map_window_->close();
  std::vector<int> widths;
  for (int c = 0; c < list_->grid()->columnCount() && c < 20; ++c) widths.push_back(list_->grid()->columnWidth(c));
  if (on_close_) on_close_(*session_, widths);
}

void TContestLogStd::btnEndeClick() {
  CloseSession();
  accept();
}

void TContestLogStd::reject() {
  // Escape belongs to the fields; the title bar's close ends the contest.
  CloseSession();
  QDialog::reject();
}

}  // namespace vek::ui
