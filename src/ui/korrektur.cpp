#include "ui/korrektur.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "logging/qso_list.h"
#include "logging/qso_record.h"
#include "refdata/bands.h"
#include "store/keys.h"
#include "ui/kx_brow.h"
#include "ui/text_conversion.h"

namespace vek::ui {
namespace {

QLineEdit* Field(const QString& name, const Text& text, int max) {
  auto* e = new QLineEdit(ToQt(text));
  e->setObjectName(name);
  e->setMaxLength(max);
  return e;
}

}  // namespace

TQsoAendern::TQsoAendern(const CorrectionFields& f, const EntrySession& s, QWidget* parent)
    : QDialog(parent), fields_(f), bands_(s.Bands()) {
  setObjectName("TQsoAendern");
  setWindowTitle(QString::fromUtf8("QSO ändern"));
  const ContestDefinition& d = s.definition();
  auto* grid = new QGridLayout(this);
  int row = 0;
  auto* number = new QLabel(QStringLiteral("Nummer:   %1").arg(f.serial));
  number->setObjectName("lNummer");
  grid->addWidget(number, row++, 0, 1, 6);
  auto add = [&](const char* caption, const char* name, const Text& text, int max, int r, int c, bool enabled = true) {
    auto* label = new QLabel(QString::fromUtf8(caption));
    grid->addWidget(label, r, c);
    QLineEdit* e = Field(name, text, max);
    label->setBuddy(e);  // "&QSL s": Alt+Q goes to the field
    e->setEnabled(enabled);
    edits_[name] = e;
    order_ << e;
    grid->addWidget(e, r, c + 1);
    return e;
  };
  add("Call", "eCall", f.call, 14, row, 0);
  if (d.SentFieldsShown) add("Call2", "eCall2", f.call2, 14, row, 2);
  ++row;
  // The exchange fields are enabled exactly where the entry window shows them.
  const bool swap = d.SentFieldsShown != 0;
  const auto shown = [&](EntryFieldId id) { return s.field(id).visible; };
  const char* sent_caption = swap ? "RST2" : "RSTs";
  add(sent_caption, "eRSTs1", f.sent.report, 3, row, 0, shown(EntryFieldId::eRSTs1) || swap);
  add("2", "eRSTs2", f.sent.item2, 10, row, 2, shown(EntryFieldId::eRSTs2));
  add("3", "eRSTs3", f.sent.item3, 10, row, 4, shown(EntryFieldId::eRSTs3));
  add("4", "eRSTs4", f.sent.item4, 10, row++, 6, shown(EntryFieldId::eRSTs4));
  add("RSTr", "eRSTr1", f.rcvd.report, 3, row, 0, shown(EntryFieldId::eRSTr1));
  add("2", "eRSTr2", f.rcvd.item2, 21, row, 2, shown(EntryFieldId::eRSTr2));
  add("3", "eRSTr3", f.rcvd.item3, 21, row, 4, shown(EntryFieldId::eRSTr3));
  add("4", "eRSTr4", f.rcvd.item4, 21, row++, 6, shown(EntryFieldId::eRSTr4));
  grid->addWidget(new QLabel("Mode"), row, 0);
  if (d.HasMode("DIGITAL")) {
    free_mode_ = Field("emode", f.mode, 6);
    order_ << free_mode_;
    grid->addWidget(free_mode_, row, 1);
  } else {
    mode_ = new QComboBox;
    mode_->setObjectName("listmode");
    for (const Text& m : s.Modes()) mode_->addItem(ToQt(m));
    mode_->setCurrentText(ToQt(f.mode));
    order_ << mode_;
    grid->addWidget(mode_, row, 1);
  }
  grid->addWidget(new QLabel("Band"), row, 2);
  band_ = new QComboBox;
  band_->setObjectName("listband");
  for (char b : bands_) band_->addItem(ToQt(BandName(b, false)));
  band_->setCurrentText(ToQt(f.band));
  order_ << band_;
  grid->addWidget(band_, row++, 3);
  add("Datum", "eDatum", f.date, 10, row, 0);
  add("Zeit", "ezeit", f.time, 8, row++, 2);
  add("&QSL s", "eQSLs", f.qsl_sent, 1, row, 0);
  add("QSL r", "eQSLr", f.qsl_rcvd, 1, row, 2);
  add(d.MultiplierKinds.test(1) ? "Präfix" : "DXCC", "ePrefix", f.prefix, 6, row++, 4);
  add("Name", "eName", f.name, 20, row, 0);
  add("QTH", "eQTH", f.qth, 20, row++, 2);
  add("Freq.", "eFreq", f.freq, 10, row++, 0);
  auto* end = new QPushButton("Beenden [ESC]");
  end->setObjectName("btnBeenden");
  end->setAutoDefault(false);
  connect(end, &QPushButton::clicked, this, &QDialog::accept);
  grid->addWidget(end, row, 0, 1, 8, Qt::AlignRight);
  for (QWidget* w : order_) w->installEventFilter(this);
}

CorrectionFields TQsoAendern::Fields() const {
  CorrectionFields f = fields_;
  const auto text = [&](const char* name, Text& out) {
    if (QLineEdit* e = edits_.value(name, nullptr)) out = FromQt(e->text());
  };
  text("eCall", f.call);
  text("eCall2", f.call2);
  text("eRSTs1", f.sent.report);
  text("eRSTs2", f.sent.item2);
  text("eRSTs3", f.sent.item3);
  text("eRSTs4", f.sent.item4);
  text("eRSTr1", f.rcvd.report);
  text("eRSTr2", f.rcvd.item2);
  text("eRSTr3", f.rcvd.item3);
  text("eRSTr4", f.rcvd.item4);
  text("eDatum", f.date);
  text("ezeit", f.time);
  text("eQSLs", f.qsl_sent);
  text("eQSLr", f.qsl_rcvd);
  text("ePrefix", f.prefix);
  text("eName", f.name);
  text("eQTH", f.qth);
  text("eFreq", f.freq);
  f.mode = free_mode_ ? FromQt(free_mode_->text()) : FromQt(mode_->currentText());
  f.band = FromQt(band_->currentText());
  return f;
}

void TQsoAendern::NormaliseFrequency() {
  QLineEdit* e = edits_.value("eFreq");
  QString t = e->text().trimmed();
  if (t.isEmpty()) return;
  t.replace(',', '.');
  const double mhz = vek::NormaliseFrequency(t.toDouble());
  const char b = BandCodeOfFrequency(mhz);
  const auto at = std::find(bands_.begin(), bands_.end(), b);
  if (IsBandCode(b) && at != bands_.end()) {
    band_->setCurrentIndex(static_cast<int>(at - bands_.begin()));
    e->setText(QString::number(mhz, 'f', 3));
  } else {
    // Outside every band: the start of the band chosen.
    const char chosen = bands_[static_cast<std::size_t>(std::max(0, band_->currentIndex()))];
    e->setText(QString::number(BandStartFrequency(Text(1, chosen)), 'f', 3));
  }
}

bool TQsoAendern::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && watched == edits_.value("eFreq")) NormaliseFrequency();
  if (event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      // The next enabled field; after the last, the first.
      const int at = static_cast<int>(order_.indexOf(static_cast<QWidget*>(watched)));
      for (int step = 1; step <= order_.size(); ++step) {
        QWidget* next = order_[(at + step) % order_.size()];
        if (next->isEnabled()) {
          next->setFocus();
          break;
        }
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TQsoAendern::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    // Esc ends the dialog and takes everything over, the frequency completed.
    if (focusWidget() == edits_.value("eFreq")) NormaliseFrequency();
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

std::int32_t CurrentEntry(store::RecordBrowser& list, EntrySession& session) {
  store::KeepRecordBuffer keep(session.file_manager(), session.log_block());
  return list.ReadCurrentRecord()
             ? GetI32(session.file_manager().RecordBuffer(session.log_block()), qso::kEntryNo.offset)
             : 0;
}

bool EditQso(EntrySession& session, std::int32_t entry_no, const LogRecords& records, QWidget* parent) {
  const std::optional<CorrectionFields> fields = session.BeginEdit(entry_no);
  if (!fields) return false;
  TQsoAendern dialog(*fields, session, parent);
  dialog.exec();  // there is no cancel: every ending takes the fields over
  const auto [kk, kz] = records();
  return session.FinishEdit(entry_no, dialog.Fields(), kk, kz);
}

TKorrekturstd::TKorrekturstd(EntrySession& session, Mode mode, LogRecords records, char band, Text call,
                             QWidget* parent)
    : QDialog(parent), session_(session), records_(std::move(records)), model_(session.file_manager(), session.port()) {
  setObjectName("TKorrekturstd");
  setWindowTitle(mode == Mode::kBandLog ? QString::fromUtf8("Band - Log (Ändern mit Eingabetaste oder Doppelklick)")
                                        : QString::fromUtf8("QSO - Liste (Ändern mit Eingabetaste oder Doppelklick)"));
  auto* v = new QVBoxLayout(this);
  model_.SetKeepBuffer(true);
  model_.SetSortlistVisible(false);
  const ContestDefinition definition = session.definition();
  const bool english = session.english();
  model_.events.OnBuildRow = [definition](ConstBytes r) { return QsoListRow(r, definition); };
  model_.events.OnRowMarked = QsoListRowMarked;
  model_.events.OnInitSortList = [definition, english] { return QsoListOrders(definition, english); };
  model_.events.OnSortList2Key = [this](int index) {
    const QsoListOrder o = QsoListOrderOf(index, session_.band());
    return store::BrowserOrder{o.key, o.low, o.high};
  };
  model_.events.OnSetHeaderFooter = [definition, english](Text& h, Text& f) {
    h = QsoListHeader(definition, english);
    f.clear();
  };
  model_.events.OnBrowEnter = [this] { EditCurrent(); };
  model_.events.OnBrowDoppelKlick = [this] { EditCurrent(); };
  // After the grid's own question, the deletion of the contact itself.
  model_.events.OnDatensatz_Loeschen = [this] {
    const std::int32_t entry = CurrentEntry(model_, session_);
    const auto [kk, kz] = records_();
    return entry > 0 && session_.DeleteQso(entry, kk, kz);
  };
  model_.events.OnProcessPostCommand = [this](store::BrowserKey key, int) {
    if (key != store::BrowserKey::kEscape) return false;
    accept();
    return true;
  };
  list_ = new TkxBrow(model_, this);
  list_->setObjectName("listKorrektur");
  list_->OnBrowColWidths = [this](int column, const QString& title) {
    const int chars = std::max(static_cast<int>(title.size()), list_->ContentChars(column));
    return (chars + 1) * list_->grid()->fontMetrics().horizontalAdvance('X');
  };
  v->addWidget(list_);
  QFont font("Arial", 10);
  font.setBold(true);
  list_->grid()->setFont(font);
  switch (mode) {
    case Mode::kCorrection: list_->Build(session.log_block(), 13, store::LongToKey(1), store::LongToKey(999999999)); break;
    case Mode::kBandLog: list_->Build(session.log_block(), 8, Text(1, band), Text(1, band)); break;
    case Mode::kCallSearch: list_->Build(session.log_block(), 2, call.empty() ? Text("A") : call, call); break;
  }
  if (mode == Mode::kCallSearch && !call.empty()) {
    model_.First();
  } else {
    model_.Last();  // the list opens on its last entry
  }
  list_->Refresh();
  list_->LayOutColumnsNow();
  resize(900, 520);
}

void TKorrekturstd::EditCurrent() {
  const std::int32_t entry = CurrentEntry(model_, session_);
  if (entry > 0) EditQso(session_, entry, records_, this);
  model_.Repaint();
  list_->Refresh();
}

char AskBand(EntrySession& session, QWidget* parent) {
  QDialog d(parent);
  d.setObjectName("TBandWahl");
  d.setWindowTitle("Band");
  auto* v = new QVBoxLayout(&d);
  auto* list = new QListWidget(&d);
  list->setObjectName("listband");
  const std::vector<char> bands = session.Bands();
  for (char b : bands) list->addItem(ToQt(BandName(b, false)));
  for (std::size_t i = 0; i < bands.size(); ++i)
    if (bands[i] == session.band()) list->setCurrentRow(static_cast<int>(i));
  QObject::connect(list, &QListWidget::itemActivated, &d, &QDialog::accept);
  v->addWidget(list);
  d.exec();
  // Esc leaves the band that was selected at that moment.
  const int row = list->currentRow();
  return row >= 0 ? bands[static_cast<std::size_t>(row)] : session.band();
}

std::optional<Text> AskCall(QWidget* parent) {
  QDialog d(parent);
  d.setObjectName("TSuche");
  d.setWindowTitle("Suche");
  auto* grid = new QGridLayout(&d);
  grid->addWidget(new QLabel("Rufzeichen:"), 0, 0);
  auto* call = new QLineEdit(&d);
  call->setObjectName("eSuche");
  grid->addWidget(call, 0, 1);
  auto* start = new QPushButton("Suche starten");
  start->setObjectName("btnSuche");
  start->setDefault(true);
  auto* cancel = new QPushButton("Abbruch");
  cancel->setObjectName("btnAbbruch");
  QObject::connect(start, &QPushButton::clicked, &d, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &d, &QDialog::reject);
  grid->addWidget(start, 1, 0);
  grid->addWidget(cancel, 1, 1);
  if (d.exec() != QDialog::Accepted) return std::nullopt;
  return FromQt(call->text().trimmed().toUpper());
}

}  // namespace vek::ui
