#include "ui/statistics_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "base/date_time_format.h"
#include "refdata/bands.h"
#include "ui/text_conversion.h"

namespace vek::ui {

namespace {

QString HourText(std::int64_t seconds) {
  return ToQt(FormatDate(static_cast<DayNumber>(seconds / 86400), DateForm::kDdMmYy)) + " " +
         ToQt(FormatTime(static_cast<std::int32_t>(seconds % 86400), TimeForm::kHhMm));
}

}  // namespace

QColor BandColour(char band) {
  switch (band) {
    case 'k': return QColor(0x1f, 0x5f, 0xbf);  // 2 m
    case 'l': return QColor(0x2e, 0x9e, 0x44);  // 70 cm
    case 'm': return QColor(0xe0, 0x7b, 0x10);  // 23 cm
    default: return QColor(0x80, 0x40, 0xa0);
  }
}

HourBars::HourBars(QWidget* parent) : QWidget(parent) {
  setObjectName("barsStunden");
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void HourBars::Show(std::vector<HourFigures> hours, bool points) {
  hours_ = std::move(hours);
  points_ = points;
  update();
}

void HourBars::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  // Per hour the bands stacked; the all-bands entries give the scale.
  std::map<std::int64_t, std::vector<const HourFigures*>> per_hour;
  int top = 1;
  for (const HourFigures& h : hours_) {
    if (h.band == 0) {
      per_hour[h.start];
      top = std::max(top, points_ ? h.points : h.qsos);
    } else {
      per_hour[h.start].push_back(&h);
    }
  }
  const QFontMetrics fm(font());
  const int left = fm.horizontalAdvance("00000") + 8, bottom = fm.height() + 6;
  const QRect area(left, 8, width() - left - 8, height() - bottom - 12);
  p.setPen(Qt::gray);
  p.drawLine(area.bottomLeft(), area.bottomRight());
  p.drawLine(area.bottomLeft(), area.topLeft());
  p.drawText(QRect(0, area.top() - fm.height() / 2, left - 4, fm.height()), Qt::AlignRight, QString::number(top));
  p.drawText(QRect(0, area.bottom() - fm.height() / 2, left - 4, fm.height()), Qt::AlignRight, "0");
  if (per_hour.empty()) return;
  const double slot = static_cast<double>(area.width()) / static_cast<double>(per_hour.size());
  const int every = std::max(1, static_cast<int>(fm.horizontalAdvance("00.00. 00:00 ") / std::max(1.0, slot)) + 1);
  int i = 0;
  for (const auto& [start, bands] : per_hour) {
    const int x = area.left() + static_cast<int>(i * slot) + 1;
    const int w = std::max(1, static_cast<int>(slot) - 2);
    int y = area.bottom();
    for (const HourFigures* b : bands) {
      const int value = points_ ? b->points : b->qsos;
      const int h = static_cast<int>(static_cast<double>(value) * area.height() / top);
      p.fillRect(x, y - h, w, h, BandColour(b->band));
      y -= h;
    }
    const QString label = ToQt(FormatTime(static_cast<std::int32_t>(start % 86400), TimeForm::kHhMm));
    if (i % every == 0 && x + fm.horizontalAdvance(label) <= width()) {
      p.setPen(Qt::darkGray);
      p.drawText(x, area.bottom() + fm.ascent() + 4, label);
    }
    ++i;
  }
}

TStatistik::TStatistik(const ContestStatistics& stats, UtcInstant now, QWidget* parent)
    : QDialog(parent), stats_(stats) {
  setObjectName("TStatistik");
  setWindowTitle("Statistik");
  auto* v = new QVBoxLayout(this);
  auto* rates = new QLabel;
  rates->setObjectName("lRaten");
  QString text = QStringLiteral("Rate: %1 QSO/h (10 min), %2 QSO/h (60 min)")
                     .arg(stats.Rate(now, 10))
                     .arg(stats.Rate(now, 60));
  if (const auto best = stats.BestHour())
    text += QStringLiteral("    Beste Stunde: %1 (%2 QSO, %3 Pkt.)").arg(HourText(best->start)).arg(best->qsos).arg(best->points);
  rates->setText(text);
  rates->setStyleSheet("color: navy; font-weight: bold;");
  v->addWidget(rates);
  auto* choice = new QHBoxLayout;
  what_ = new QComboBox;
  what_->setObjectName("cStatistikWert");
  what_->addItems({"QSO pro Stunde", "Punkte pro Stunde"});
  choice->addWidget(what_);
  // The legend: one colour per band worked.
  for (char band : stats.Bands()) {
    auto* l = new QLabel(ToQt(BandName(band, false)));
    l->setStyleSheet(QStringLiteral("color: white; background: %1; padding: 1px 6px;").arg(BandColour(band).name()));
    choice->addWidget(l);
  }
  choice->addStretch();
  v->addLayout(choice);
  bars_ = new HourBars;
  bars_->Show(stats.PerHour(), false);
  v->addWidget(bars_, 1);
  connect(what_, &QComboBox::currentIndexChanged, this, [this](int i) { bars_->Show(stats_.PerHour(), i == 1); });
  table_ = new QTableWidget(0, 6);
  table_->setObjectName("tabBaender");
  table_->setHorizontalHeaderLabels({"Band", "ODX", "Locator", "km", "Mittelfelder", "DOKs"});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (char band : stats.Bands()) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    const auto odx = stats.Odx(band);
    const QStringList cells = {ToQt(BandName(band, false)),
                               odx ? ToQt(odx->call) : QString(),
                               odx ? ToQt(odx->locator) : QString(),
                               odx ? QString::number(odx->km) : QString(),
                               QString::number(stats.Squares(band).size()),
                               QString::number(stats.DistinctDoks(band))};
    for (int c = 0; c < cells.size(); ++c) table_->setItem(row, c, new QTableWidgetItem(cells[c]));
  }
  table_->resizeColumnsToContents();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setMaximumHeight(table_->horizontalHeader()->height() + 4 * table_->verticalHeader()->defaultSectionSize() + 6);
  v->addWidget(table_);
  auto* close = new QPushButton(QString::fromUtf8("Schließen"));
  close->setObjectName("btnStatistikEnde");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close);
  v->addLayout(bottom);
  resize(820, 520);
}

}  // namespace vek::ui
