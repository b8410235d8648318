#include "ui/partner_panel.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "base/date_time_format.h"
#include "refdata/bands.h"
#include "ui/text_conversion.h"

namespace vek::ui {

namespace {

// Wide enough for a portable call, a locator, a DOK and a band.
constexpr int kRowChars = 30;

QString Row(const PartialMatch& m) {
  QString row = QStringLiteral("%1 %2 %3")
                    .arg(ToQt(m.known->call), -13)
                    .arg(ToQt(m.known->locator), -6)
                    .arg(ToQt(m.known->dok));
  if (m.duplicate) return row.trimmed() + QString::fromUtf8("  Dupe");
  if (m.worked_other) {
    QStringList bands;
    for (char b : m.known->worked_bands) bands << ToQt(BandName(b, true));
    return row.trimmed() + "  (" + bands.join(", ") + ")";
  }
  return row.trimmed();
}

}  // namespace

PartnerPanel::PartnerPanel(EntrySession& session, ProgramSettings& settings, QWidget* parent)
    : QFrame(parent), session_(session), settings_(settings) {
  setObjectName("panelPartner");
  setFrameShape(QFrame::StyledPanel);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(6, 4, 6, 4);
  v->setSpacing(3);
  auto* title = new QLabel("Partner");
  title->setObjectName("lPartner");
  title->setStyleSheet("color: teal; font-weight: bold;");
  v->addWidget(title);
  notes_ = new QLabel;
  notes_->setObjectName("lPartnerNotes");
  notes_->setStyleSheet("color: grey;");
  notes_->setWordWrap(true);
  notes_->hide();
  v->addWidget(notes_);
  list_ = new QListWidget;
  list_->setObjectName("listPartner");
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  list_->setFont(mono);
  list_->setFocusPolicy(Qt::NoFocus);  // the cursor stays in the call field
  list_->setUniformItemSizes(true);
  const int width = QFontMetrics(mono).horizontalAdvance(QString(kRowChars, QChar('W'))) + 24;
  list_->setMinimumWidth(width);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    if (on_take) on_take(item->data(Qt::UserRole).toString());
  });
  v->addWidget(list_, 1);
  history_ = new QLabel;
  history_->setObjectName("lPartnerHistory");
  history_->setWordWrap(true);
  history_->setStyleSheet("color: navy;");
  v->addWidget(history_);
  prefill_ = new QCheckBox("Austausch aus der Historie vorbelegen");
  prefill_->setObjectName("cbHistorie");
  prefill_->setFocusPolicy(Qt::NoFocus);
  prefill_->setChecked(session_.history_prefill());
  connect(prefill_, &QCheckBox::toggled, this, [this](bool on) {
    session_.SetHistoryPrefill(on);
    settings_.SetBool(kHistoryPrefillKey, on);
    if (settings_.Save() != 0) {
      notes_->setText(QString::fromUtf8("Die Einstellung konnte nicht gespeichert werden."));
      notes_->show();
    }
  });
  v->addWidget(prefill_);
  const QMargins m = v->contentsMargins();
  setFixedWidth(std::max(width, prefill_->sizeHint().width()) + m.left() + m.right() + 2 * frameWidth());
}

void PartnerPanel::SetNotes(const std::vector<Text>& notes) {
  QStringList lines;
  for (const Text& n : notes) lines << ToQt(n);
  notes_->setText(lines.join("; "));
  notes_->setVisible(!lines.isEmpty());
  Refresh(true);
}

void PartnerPanel::Refresh(bool force) {
  const Text& call = session_.field(EntryFieldId::eCall).text;
  const KnownCalls* known = session_.known_calls();
  const std::size_t size = known ? known->size() : 0;
  if (!force && call == shown_call_ && session_.band() == shown_band_ && session_.saves() == shown_saves_ &&
      size == shown_size_)
    return;
  shown_call_ = call;
  shown_band_ = session_.band();
  shown_saves_ = session_.saves();
  shown_size_ = size;
  list_->clear();
  for (const PartialMatch& m : session_.PartnerMatches()) {
    auto* item = new QListWidgetItem(Row(m), list_);
    item->setData(Qt::UserRole, ToQt(m.known->call));
    if (m.duplicate) item->setForeground(QColor("red"));
    else if (m.worked_other) item->setForeground(QColor("blue"));
    if (m.exact) {
      QFont f = list_->font();
      f.setBold(true);
      item->setFont(f);
    }
  }
  QString text;
  if (const KnownCall* h = session_.PartnerHistory()) {
    QStringList parts;
    if (!h->dok.empty()) parts << "DOK " + ToQt(h->dok);
    if (!h->locator.empty()) {
      QString loc = ToQt(h->locator);
      if (h->locator_date >= 0) loc += " (" + ToQt(FormatDate(h->locator_date, DateForm::kDdMmYyyy)) + ")";
      parts << loc;
    }
    QString who = ToQt(h->name);
    if (!h->qth.empty()) who += (who.isEmpty() ? "" : ", ") + ToQt(h->qth);
    if (!who.isEmpty()) parts << who;
    text = ToQt(h->call) + ": " + (parts.isEmpty() ? QString::fromUtf8("bekannt") : parts.join("  "));
  }
  history_->setText(text);
}

void PartnerPanel::MoveChoice(int delta) {
  const int rows = list_->count();
  if (rows == 0) return;
  const int row = list_->currentRow() < 0 ? (delta > 0 ? 0 : rows - 1) : list_->currentRow() + delta;
  list_->setCurrentRow(std::clamp(row, 0, rows - 1));
}

QString PartnerPanel::ChosenCall() const {
  const QListWidgetItem* item = list_->currentItem() ? list_->currentItem() : list_->item(0);
  return item ? item->data(Qt::UserRole).toString() : QString();
}

}  // namespace vek::ui
