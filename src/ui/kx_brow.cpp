#include "ui/kx_brow.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <vector>

#include "ui/text_conversion.h"

namespace vek::ui {
namespace {

using store::BrowserKey;

QStringList Columns(const Text& line) { return ToQt(line).split(';'); }

QToolButton* NavButton(QToolBar* bar, const QString& glyph, const QString& hint, const char* name) {
  auto* b = new QToolButton(bar);
  b->setText(glyph);
  b->setToolTip(hint);
  b->setObjectName(name);
  b->setFocusPolicy(Qt::NoFocus);
  bar->addWidget(b);
  return b;
}

}  // namespace

TkxBrow::PanelPlan TkxBrow::PlanBottomPanel(int width, const PanelWidths& w) {
  const int g = w.gap;
  const auto px = [&](int base) { return static_cast<int>(std::lround(base * w.scale)); };
  const auto first_row = [&](bool label, int sort, int search) {
    return g + (label ? w.label + g : 0) + px(sort) + g + w.picture + g + px(search) + g;
  };
  const int tools = w.toolbar + (w.close > 0 ? g + w.close : 0);
  PanelPlan p;
  const auto scaled = [&](PanelPlan q) {
    q.sort = px(q.sort);
    q.search = px(q.search);
    return q;
  };
  if (first_row(true, 80, 80) + tools + g <= width) return scaled(p);
  p.step = 1;
  p.label = false;
  if (first_row(false, 80, 80) + tools + g <= width) return scaled(p);
  // The tool bar takes a row of its own, centred.
  p.step = 2;
  p.rows = 2;
  p.toolbar_row = 1;
  p.toolbar = tools + 2 * g <= width;
  p.sort = 100;
  if (first_row(false, 100, 80) <= width && p.toolbar) return scaled(p);
  p.step = 3;
  p.sort = 60;
  p.search = 75;
  if (first_row(false, 60, 75) <= width && p.toolbar) return scaled(p);
  // The quick search field goes into a further row.
  p.step = 4;
  p.search_row = 1;
  p.toolbar_row = 2;
  p.rows = 3;
  if (!p.toolbar) {
    p.step = 5;
    p.rows = 2;
  }
  // At the very narrowest the fields take what there is.
  p.sort = std::max(20, std::min(px(p.sort), width - 2 * g));
  p.search = std::max(20, std::min(px(p.search), width - w.picture - 3 * g));
  return p;
}

TkxBrow::TkxBrow(store::RecordBrowser& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName("TkxBrow");
  header_panel_ = new QWidget(this);
  header_close_ = new QToolButton(header_panel_);
  header_close_->setText(QString::fromUtf8("\u2715"));
  header_close_->setToolTip(QString::fromUtf8("Schließen der Liste"));
  header_close_->setObjectName("headerClose");
  header_close_->hide();
  header_panel_->hide();

  grid_ = new QTableWidget(this);
  grid_->setObjectName("grid");
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setTabKeyNavigation(false);  // Tab leaves the list for the window's next control
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->horizontalHeader()->setSectionsClickable(false);
  // A title over its data, also over the widened last column.
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid_->setWordWrap(false);
  grid_->setTextElideMode(Qt::ElideNone);  // rows are padded texts; blanks need no ellipsis
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  grid_->setFont(fixed);
  row_height_ = static_cast<int>(std::lround(1.2 * QFontMetrics(grid_->font()).height()));
  grid_->verticalHeader()->setDefaultSectionSize(row_height_);
  grid_->verticalHeader()->setMinimumSectionSize(row_height_);
  grid_->installEventFilter(this);
  SetColours(Qt::white, Qt::black);

  vbar_ = new QScrollBar(Qt::Vertical, this);
  vbar_->setObjectName("vbar");
  hbar_ = new QScrollBar(Qt::Horizontal, this);
  hbar_->setObjectName("hbar");

  bottom_ = new QWidget(this);
  bottom_->setObjectName("bottomPanel");
  sort_label_ = new QLabel("Sortierung:", bottom_);
  sort_label_->setObjectName("lSortierung");
  sort_ = new QComboBox(bottom_);
  sort_->setObjectName("sortList");
  sort_->setPlaceholderText("Sortierung");
  sort_->installEventFilter(this);
  search_picture_ = new QLabel(bottom_);
  search_picture_->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(16, 16));
  search_picture_->setObjectName("searchPicture");
  search_ = new QLineEdit(bottom_);
  search_->setObjectName("searchField");
  search_->installEventFilter(this);
  tools_ = new QToolBar(bottom_);
  tools_->setObjectName("navigation");
  tools_->setIconSize(QSize(16, 16));
  struct Nav {
    const char* glyph;
    const char* hint;
    const char* name;
    BrowserKey key;
  };
  const Nav navs[] = {
      {"|\u25C0", "Dateianfang", "btnFirst", BrowserKey::kFirst},
      {"\u25C0\u25C0", "vorige Seite", "btnPriorPage", BrowserKey::kPageUp},
      {"\u25C0", "voriger Datensatz", "btnPrior", BrowserKey::kUp},
      {"\u25B6", "nächster Datensatz", "btnNext", BrowserKey::kDown},
      {"\u25B6\u25B6", "nächste Seite", "btnNextPage", BrowserKey::kPageDown},
      {"\u25B6|", "Dateiende", "btnLast", BrowserKey::kLast},
  };
  for (const Nav& n : navs) {
    auto* b = NavButton(tools_, QString::fromUtf8(n.glyph), QString::fromUtf8(n.hint), n.name);
    const BrowserKey key = n.key;
    connect(b, &QToolButton::clicked, this, [this, key] {
      if (model_.events.OnBrowScroll) model_.events.OnBrowScroll();
      Navigate(key);
    });
  }
  bottom_close_ = new QToolButton(bottom_);
  bottom_close_->setText(QString::fromUtf8("\u2715"));
  bottom_close_->setToolTip(QString::fromUtf8("Schließen der Liste"));
  bottom_close_->setObjectName("bottomClose");
  bottom_close_->hide();
  footer_ = new QLabel(this);
  footer_->setObjectName("footer");
  for (QToolButton* b : {header_close_, bottom_close_}) {
    connect(b, &QToolButton::clicked, this, [this] {
      if (model_.events.OnBrowCloseBtnKlick) model_.events.OnBrowCloseBtnKlick();
    });
  }

  connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int) {
    if (refreshing_) return;
    model_.SelectRow(row);
    Refresh();
  });
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    model_.DoubleClick(row);
    Refresh();
  });
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (refreshing_) return;  // the browser's own emptying is no search
    model_.QuickSearch(FromQt(text));
    seen_clears_ = model_.search_clears();
    Refresh();
  });
  connect(sort_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
    model_.ChooseSortOrder(index);
    Refresh();
    LayOutColumns();
  });
  connect(vbar_, &QScrollBar::actionTriggered, this, &TkxBrow::VerticalAction);
  connect(hbar_, &QScrollBar::actionTriggered, this, &TkxBrow::HorizontalAction);
  setFocusProxy(grid_);
  resize(520, 300);
}

void TkxBrow::SetColours(const QColor& background, const QColor& text) {
  QPalette p = grid_->palette();
  p.setColor(QPalette::Base, background);
  p.setColor(QPalette::Text, text);
  grid_->setPalette(p);
}

void TkxBrow::SetCloseButtonsVisible(bool header, bool bottom) {
  header_panel_->setVisible(header);
  header_close_->setVisible(header);
  bottom_close_->setVisible(bottom);
  LayOut();
}

bool TkxBrow::Build(store::FileBlock* fb, int key, const store::Key& low, const store::Key& high) {
  model_.SetVisibleRows(VisibleRowsForHeight());
  const bool ok = model_.Build(fb, key, low, high);
  {
    QSignalBlocker block(sort_);
    sort_->clear();
    for (const Text& name : model_.sort_list()) sort_->addItem(ToQt(name));
    sort_->setCurrentIndex(model_.sort_list().size() == 1 ? 0 : -1);
    sort_->setEnabled(model_.SortlistEnabled());
  }
  Refresh();
  LayOutColumns();
  return ok;
}

void TkxBrow::Refresh() {
  refreshing_ = true;
  const auto& rows = model_.rows();
  const QStringList titles = Columns(model_.header());
  const bool select_column = model_.SelectionColumn();
  const int offset = select_column ? 1 : 0;
  int columns = model_.header().empty() ? 1 : static_cast<int>(titles.size());
  for (const auto& r : rows) columns = std::max(columns, static_cast<int>(Columns(r.text).size()));
  if (grid_->columnCount() != columns + offset) {
    grid_->setColumnCount(columns + offset);
    model_.SetColumnCount(columns);
  }
  QStringList header_titles;
  if (select_column) header_titles << " ";
  for (int c = 0; c < columns; ++c) header_titles << (c < titles.size() ? titles[c] : QString());
  grid_->setHorizontalHeaderLabels(header_titles);
  grid_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const auto& row = rows[static_cast<std::size_t>(r)];
    const QStringList cells = Columns(row.text);
    if (select_column) grid_->setItem(r, 0, new QTableWidgetItem(model_.IsSelected(r) ? "+" : " "));
    for (int c = 0; c < columns; ++c) {
      auto* item = new QTableWidgetItem(c < cells.size() ? cells[c] : QString());
      if (row.marked) item->setBackground(palette().color(QPalette::Highlight).lighter(160));
      grid_->setItem(r, c + offset, item);
    }
  }
  if (model_.current_row() >= 0) grid_->selectRow(model_.current_row());
  for (int c = 0; c < columns; ++c) grid_->setColumnHidden(c + offset, c < model_.first_column());
  footer_->setText(ToQt(model_.footer()));
  {
    QSignalBlocker block(sort_);
    sort_->setEnabled(model_.SortlistEnabled());
    sort_->setVisible(model_.SortlistVisible());
    sort_label_->setVisible(model_.SortlistVisible() && plan_.label);
    sort_->setPlaceholderText(ToQt(model_.SortListText()));
    if (model_.SortlistItemIndex() >= 0) sort_->setCurrentIndex(model_.SortlistItemIndex());
  }
  if (!vbar_->isSliderDown()) {
    QSignalBlocker block(vbar_);
    vbar_->setRange(0, model_.ScrollMaximum());
    vbar_->setPageStep(std::max(1, model_.visible_rows()));
    vbar_->setValue(model_.ScrollPosition());
  }
  {
    QSignalBlocker block(hbar_);
    hbar_->setRange(0, model_.LastFirstColumn());
    hbar_->setValue(model_.first_column());
  }
  if (model_.search_clears() != seen_clears_) {
    seen_clears_ = model_.search_clears();
    search_->clear();
  }
  refreshing_ = false;
}

int TkxBrow::ContentChars(int column) const {
  const QStringList titles = Columns(model_.header());
  int widest = column < titles.size() ? static_cast<int>(titles[column].size()) : 0;
  for (const auto& row : model_.rows()) {
    const QStringList cells = Columns(row.text);
    if (column < cells.size()) widest = std::max(widest, static_cast<int>(cells[column].size()));
  }
  return widest;
}

void TkxBrow::LayOutColumns() {
  const QStringList titles = Columns(model_.header());
  const int offset = model_.SelectionColumn() ? 1 : 0;
  const int x_width = QFontMetrics(grid_->font()).horizontalAdvance('X');
  if (offset) grid_->setColumnWidth(0, 2 * x_width);
  const int columns = grid_->columnCount() - offset;
  std::vector<int> widths(static_cast<std::size_t>(std::max(0, columns)));
  for (int c = 0; c < columns; ++c) {
    const QString title = c < titles.size() ? titles[c] : QString();
    const int w = OnBrowColWidths ? OnBrowColWidths(c, title) : (static_cast<int>(title.size()) + 1) * x_width;
    widths[static_cast<std::size_t>(c)] = w;
    grid_->setColumnWidth(c + offset, w);
  }
  // Scrolling to the right ends where the last columns fill the width.
  const int room = grid_->viewport()->width() - (offset ? 2 * x_width : 0);
  int last_first = columns - 1, tail = 0;
  while (last_first >= 0 && tail + widths[static_cast<std::size_t>(last_first)] <= room)
    tail += widths[static_cast<std::size_t>(last_first--)];
  last_first = std::max(0, std::min(columns - 1, last_first + 1));
  const int before = model_.first_column();
  model_.SetLastFirstColumn(last_first);
  if (model_.first_column() != before) {
    for (int c = 0; c < columns; ++c) grid_->setColumnHidden(c + offset, c < model_.first_column());
  }
  {
    QSignalBlocker block(hbar_);
    hbar_->setRange(0, model_.LastFirstColumn());
    hbar_->setValue(model_.first_column());
  }
  // The last column takes what is left of the grid's width.
  int shown = 0;
  for (int c = model_.first_column(); c < columns; ++c) shown += widths[static_cast<std::size_t>(c)];
  const int spare = room - shown;
  if (columns > 0 && spare > 0)
    grid_->setColumnWidth(columns - 1 + offset, grid_->columnWidth(columns - 1 + offset) + spare);
}

QSize TkxBrow::minimumSizeHint() const {
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int width = 320;
  const PanelPlan plan = PlanBottomPanel(width, Widths());
  const int panel_row = std::max(sort_->sizeHint().height(), tools_->sizeHint().height()) + 2;
  const int header = grid_->horizontalHeader()->sizeHint().height();
  const int rows = kMinimumRows * grid_->verticalHeader()->defaultSectionSize();
  const int top = header_panel_->isVisibleTo(this) ? header_close_->sizeHint().height() : 0;
  return {width, top + header + rows + 2 * grid_->frameWidth() + bar + footer_->sizeHint().height() +
                     plan.rows * panel_row + Widths().gap};
}

int TkxBrow::VisibleRowsForHeight() const {
  // The header's own wish: its height is only set when the grid lays itself out.
  const int header = grid_->horizontalHeader()->isHidden() ? 0 : grid_->horizontalHeader()->sizeHint().height();
  const int room = grid_->height() - header - 2 * grid_->frameWidth();
  // The rows' real height: a font given to the grid later changes it.
  const int row = grid_->rowCount() > 0 ? grid_->rowHeight(0) : grid_->verticalHeader()->defaultSectionSize();
  return std::clamp(room / std::max(1, row), 1, store::RecordBrowser::kMaxVisibleRows);
}

TkxBrow::PanelWidths TkxBrow::Widths() const {
  PanelWidths w;
  w.label = sort_label_->sizeHint().width();
  w.picture = search_picture_->sizeHint().width();
  w.toolbar = tools_->sizeHint().width();
  w.close = bottom_close_->isVisibleTo(bottom_) ? bottom_close_->sizeHint().width() : 0;
  // The widths were made for a small dialog font; a larger font widens
  // them so that "Sortierung" still fits beside the drop-down arrow.
  const int needed = sort_->fontMetrics().horizontalAdvance("Sortierung") + 36;
  w.scale = std::max(1.0, needed / 80.0);
  return w;
}

void TkxBrow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void TkxBrow::LayOut() {
  const int width = this->width();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const PanelWidths w = Widths();
  plan_ = PlanBottomPanel(width, w);
  const int row_h = std::max(sort_->sizeHint().height(), tools_->sizeHint().height()) + 2;
  const int footer_h = footer_->sizeHint().height();
  const int bottom_h = plan_.rows * row_h + w.gap;
  int top = 0;
  if (header_panel_->isVisible()) {
    const int h = header_close_->sizeHint().height();
    header_panel_->setGeometry(0, 0, width, h);
    header_close_->move(width - header_close_->sizeHint().width(), 0);
    top = h;
  }
  const int grid_h = std::max(row_h, height() - top - bar - bottom_h - footer_h);
  grid_->setGeometry(0, top, width - bar, grid_h);
  vbar_->setGeometry(width - bar, top, bar, grid_h);
  hbar_->setGeometry(0, top + grid_h, width - bar, bar);
  footer_->setGeometry(w.gap, top + grid_h + bar, width - w.gap, footer_h);
  bottom_->setGeometry(0, height() - bottom_h, width, bottom_h);

  const auto y_of = [&](int row, QWidget* c) { return w.gap / 2 + row * row_h + (row_h - c->sizeHint().height()) / 2; };
  int x = w.gap;
  // A list without a choice of orders shows no order selector at all.
  const bool sorting = model_.SortlistVisible();
  sort_label_->setVisible(plan_.label && sorting);
  if (plan_.label) {
    sort_label_->setGeometry(x, y_of(0, sort_label_), w.label, sort_label_->sizeHint().height());
    x += w.label + w.gap;
  }
  sort_->setGeometry(x, y_of(0, sort_), plan_.sort, sort_->sizeHint().height());
  if (!sorting) {
    x = w.gap;
  } else {
    x = plan_.search_row == 0 ? x + plan_.sort + w.gap : w.gap;
  }
  search_picture_->setGeometry(x, y_of(plan_.search_row, search_picture_), w.picture,
                               search_picture_->sizeHint().height());
  x += w.picture + w.gap;
  search_->setGeometry(x, y_of(plan_.search_row, search_), plan_.search, search_->sizeHint().height());
  x += plan_.search + w.gap;
  tools_->setVisible(plan_.toolbar);
  const int tools_w = w.toolbar + (w.close > 0 ? w.gap + w.close : 0);
  if (plan_.toolbar_row > 0) x = (width - tools_w) / 2;
  tools_->setGeometry(x, y_of(plan_.toolbar_row, tools_), w.toolbar, tools_->sizeHint().height());
  if (w.close > 0)
    bottom_close_->setGeometry(x + w.toolbar + w.gap, y_of(plan_.toolbar_row, bottom_close_), w.close,
                               bottom_close_->sizeHint().height());
  const int rows = VisibleRowsForHeight();
  if (rows != model_.visible_rows()) {
    model_.SetVisibleRows(rows);
    Refresh();
  }
  LayOutColumns();
}

void TkxBrow::AfterMove() { Refresh(); }

void TkxBrow::Navigate(BrowserKey key) {
  model_.HandleKey(key, true);
  Refresh();
}

void TkxBrow::VerticalAction(int action) {
  if (model_.events.OnBrowScroll && action != QAbstractSlider::SliderMove) model_.events.OnBrowScroll();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: model_.Down(); break;
    case QAbstractSlider::SliderSingleStepSub: model_.Up(); break;
    case QAbstractSlider::SliderPageStepAdd: model_.PageDown(); break;
    case QAbstractSlider::SliderPageStepSub: model_.PageUp(); break;
    case QAbstractSlider::SliderToMinimum: model_.First(); break;
    case QAbstractSlider::SliderToMaximum: model_.Last(); break;
    case QAbstractSlider::SliderMove: model_.DragTo(vbar_->sliderPosition()); break;
    default: return;
  }
  Refresh();
  // The bar shows where the view really is, not where the click would put it.
  if (action != QAbstractSlider::SliderMove) vbar_->setSliderPosition(model_.ScrollPosition());
}

void TkxBrow::HorizontalAction(int action) {
  if (model_.events.OnBrowScroll) model_.events.OnBrowScroll();
  int c = model_.first_column();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: ++c; break;
    case QAbstractSlider::SliderSingleStepSub: --c; break;
    case QAbstractSlider::SliderToMinimum: c = 0; break;
    case QAbstractSlider::SliderToMaximum: c = hbar_->maximum(); break;
    default: c = hbar_->sliderPosition(); break;
  }
  model_.SetFirstColumn(c);
  Refresh();
  hbar_->setSliderPosition(model_.first_column());
}

bool TkxBrow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (HandleKey(watched, k->key(), k->modifiers())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool TkxBrow::HandleKey(QObject* watched, int key, Qt::KeyboardModifiers mods) {
  const bool in_grid = watched == grid_;
  const bool in_search = watched == search_;
  const bool in_sort = watched == sort_;
  const bool ctrl = mods & Qt::ControlModifier;
  BrowserKey k = BrowserKey::kOther;
  bool grid_focus = in_grid;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (in_sort) return false;  // the sort list moves its own choice
      k = key == Qt::Key_Up ? BrowserKey::kUp : BrowserKey::kDown;
      break;
    case Qt::Key_PageUp: k = ctrl ? BrowserKey::kFirst : BrowserKey::kPageUp; break;
    case Qt::Key_PageDown: k = ctrl ? BrowserKey::kLast : BrowserKey::kPageDown; break;
    case Qt::Key_Home:
    case Qt::Key_End:
      if (ctrl) {
        k = key == Qt::Key_Home ? BrowserKey::kFirst : BrowserKey::kLast;
      } else {
        if (!in_grid) return false;  // the field's own cursor keys
        k = key == Qt::Key_Home ? BrowserKey::kFirstColumn : BrowserKey::kLastColumn;
      }
      break;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (!ctrl && !in_grid) return false;
      grid_focus = true;
      k = key == Qt::Key_Left ? BrowserKey::kColumnLeft : BrowserKey::kColumnRight;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (in_search) {
        model_.SearchFieldEnter();
        Refresh();
        return true;
      }
      k = BrowserKey::kEnter;
      break;
    case Qt::Key_Delete:
      if (!in_grid) return false;
      k = BrowserKey::kDelete;
      break;
    case Qt::Key_Escape: k = BrowserKey::kEscape; break;
    case Qt::Key_Space:
      if (in_grid && model_.events.OnAddSelectRow) {
        model_.ToggleSelection();
        Refresh();
        return true;
      }
      [[fallthrough]];
    default:
      // Typing into the fields is theirs; in the grid every other key is the owner's.
      if (!in_grid && key < Qt::Key_Escape) return false;
      break;
  }
  const bool handled = model_.HandleKey(k, grid_focus, key);
  Refresh();
  return handled;
}

}  // namespace vek::ui
