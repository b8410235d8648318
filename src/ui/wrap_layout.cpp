#include "ui/wrap_layout.h"

#include <QWidget>
#include <algorithm>

namespace vek::ui {

WrapLayout::~WrapLayout() {
  while (QLayoutItem* item = takeAt(0)) delete item;
}

QLayoutItem* WrapLayout::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  return items_.takeAt(index);
}

int WrapLayout::Arrange(const QRect& rect, bool place, int* lines) const {
  const QMargins m = contentsMargins();
  const QRect area = rect.marginsRemoved(m);
  QList<QLayoutItem*> shown;
  for (QLayoutItem* item : items_)
    if (!item->isEmpty()) shown << item;
  int x = area.x(), y = area.y(), line_height = 0, used_lines = shown.isEmpty() ? 0 : 1;
  for (int i = 0; i < shown.size(); ++i) {
    QLayoutItem* item = shown[i];
    const QSize size = item->sizeHint();
    if (x > area.x() && x + size.width() > area.right() + 1) {
      x = area.x();
      y += line_height + spacing_;
      line_height = 0;
      ++used_lines;
    }
    int left = x;
    if (last_at_right_ && i == shown.size() - 1) left = std::max(x, area.right() + 1 - size.width());
    if (place) item->setGeometry(QRect(QPoint(left, y), size));
    x += size.width() + spacing_;
    line_height = std::max(line_height, size.height());
  }
  if (lines) *lines = used_lines;
  return y + line_height - rect.y() + m.bottom();
}

int WrapLayout::heightForWidth(int width) const { return Arrange(QRect(0, 0, width, 0), false); }

int WrapLayout::LinesAt(int width) const {
  int lines = 0;
  Arrange(QRect(0, 0, width, 0), false, &lines);
  return lines;
}

QSize WrapLayout::sizeHint() const {
  const QMargins m = contentsMargins();
  int width = 0, height = 0, shown = 0;
  for (QLayoutItem* item : items_) {
    if (item->isEmpty()) continue;
    width += item->sizeHint().width();
    height = std::max(height, item->sizeHint().height());
    ++shown;
  }
  width += std::max(0, shown - 1) * spacing_;
  return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

QSize WrapLayout::minimumSize() const {
  const QMargins m = contentsMargins();
  int widest = 0;
  for (QLayoutItem* item : items_)
    if (!item->isEmpty()) widest = std::max(widest, item->sizeHint().width());
  const int all = sizeHint().width();
  int width = std::max(widest + m.left() + m.right(), (all + 2) / 3);
  while (width < all && LinesAt(width) > 3) width += 8;
  return {width, heightForWidth(width)};
}

void WrapLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true);
}

}  // namespace vek::ui
