#include "ui/prefix_choice_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/text_conversion.h"

namespace vek::ui {
namespace {
// Column widths in multiples of the width of the digit 8.
constexpr int kWidths[6] = {3, 7, 3, 3, 25, 20};
const char* kTitles[6] = {"Nr", "DXCC", "CQ", "ITU", "Land", "Bemerkung"};
constexpr int kRowHeight = 18;
}  // namespace

TPrefAuswahl::TPrefAuswahl(const Text& prefix, const std::vector<Text>& rows, QWidget* parent)
    : QDialog(parent), model_(rows.size()) {
  setObjectName("TPrefAuswahl");
  setWindowTitle("Auswahl DXCC");
  auto* layout = new QVBoxLayout(this);
  auto* head = new QLabel(ToQt(prefix), this);
  head->setObjectName("lPrefix");
  QFont big = head->font();
  big.setBold(true);
  head->setFont(big);
  layout->addWidget(head);
  layout->addWidget(new QLabel(ToQt(W("Für den Präfix stehen mehrere DXCC zur Auswahl. Durch Doppelklick auf")), this));
  layout->addWidget(new QLabel(ToQt(W("einen der unteren Einträge wird dem Präfix ein DXCC zugeordnet.")), this));

  table_ = new QTableWidget(static_cast<int>(rows.size()), 6, this);
  table_->setObjectName("grid");
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setFocusPolicy(Qt::NoFocus);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  const int digit = fontMetrics().horizontalAdvance('8');
  for (int c = 0; c < 6; ++c) {
    table_->setHorizontalHeaderItem(c, new QTableWidgetItem(kTitles[c]));
    table_->setColumnWidth(c, kWidths[c] * digit + 6);
  }
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const Text& row = rows[static_cast<std::size_t>(r)];
    std::size_t start = 0;
    for (int c = 0; c < 6; ++c) {
      const auto end = row.find(';', start);
      table_->setItem(r, c, new QTableWidgetItem(ToQt(row.substr(start, end == Text::npos ? Text::npos : end - start))));
      if (end == Text::npos) break;
      start = end + 1;
    }
  }
  int width = 0;
  for (int w : kWidths) width += w * digit + 6;
  table_->setMinimumSize(width + 4, kRowHeight * (static_cast<int>(rows.size()) + 1) + 6);
  layout->addWidget(table_);
  layout->addWidget(new QLabel(ToQt(W("Sie können auch die Pfeiltasten <hoch> und <runter> nutzen.")), this));

  auto* buttons = new QHBoxLayout;
  take_ = new QPushButton(ToQt(W("Übernehmen")), this);
  take_->setObjectName("btnUebernehmen");
  take_->setEnabled(false);
  auto* cancel = new QPushButton("Abbrechen", this);
  cancel->setObjectName("btnAbbrechen");
  buttons->addStretch();
  buttons->addWidget(take_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) {
    model_.Click(row);
    ShowMark();
  });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { Take(row); });
  connect(take_, &QPushButton::clicked, this, [this] { Take(model_.marked()); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TPrefAuswahl::ShowMark() {
  for (int r = 0; r < table_->rowCount(); ++r) {
    for (int c = 0; c < table_->columnCount(); ++c) {
      QTableWidgetItem* item = table_->item(r, c);
      if (!item) continue;
      const bool marked = r == model_.marked();
      item->setBackground(marked ? QBrush(QColor("navy")) : QBrush());
      item->setForeground(marked ? QBrush(Qt::white) : QBrush());
    }
  }
  take_->setEnabled(model_.take_enabled());
  take_->setDefault(model_.take_enabled());
}

void TPrefAuswahl::Take(int row) {
  if (row < 0 || row >= table_->rowCount()) return;
  taken_ = row;
  accept();
}

void TPrefAuswahl::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Down:
      model_.Down();
      ShowMark();
      return;
    case Qt::Key_Up:
      model_.Up();
      ShowMark();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (model_.take_enabled()) Take(model_.marked());
      return;
    default: QDialog::keyPressEvent(event);  // Escape rejects
  }
}

}  // namespace vek::ui
