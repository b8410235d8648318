// A row of buttons that wraps onto a second line when the window is too
// narrow for one, instead of cutting the captions or widening the window
// beyond a small screen.
#pragma once

#include <QLayout>
#include <QList>

namespace vek::ui {

class WrapLayout : public QLayout {
 public:
  explicit WrapLayout(int spacing = 6) : spacing_(spacing) {}
  ~WrapLayout() override;

  // The last item keeps to the right end of its line (the window's "end" button).
  void SetLastAtRight(bool right) { last_at_right_ = right; }

  void addItem(QLayoutItem* item) override { items_.append(item); }
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override { return items_.value(index); }
  QLayoutItem* takeAt(int index) override;
  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  // One line when there is room; the minimum is the narrowest width that
  // needs no more than three lines.
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

  int LinesAt(int width) const;

 private:
  // Places the items in `rect` (or only measures); the height used.
  int Arrange(const QRect& rect, bool place, int* lines = nullptr) const;
  QList<QLayoutItem*> items_;
  int spacing_;
  bool last_at_right_ = false;
};

}  // namespace vek::ui
