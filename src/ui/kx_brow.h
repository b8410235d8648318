// TkxBrow: the list control every record list of the program uses. It only
// draws the browser model's page and turns keys, clicks and scroll-bar
// actions into calls on it.
#pragma once

#include <QWidget>
#include <functional>

#include "store/record_browser.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace vek::ui {

class TkxBrow : public QWidget {
  Q_OBJECT

 public:
  // How the bottom panel is laid out at a width: step 0 shows everything in
  // one row; each further step gives up something when it no longer fits.
  struct PanelWidths {
    int label = 0, picture = 0, toolbar = 0, close = 0, gap = 4;
    double scale = 1.0;  // the font's size against the one the widths were made for
  };
  struct PanelPlan {
    int step = 0;
    bool label = true;
    int sort = 80, search = 80;
    int search_row = 0, toolbar_row = 0, rows = 1;
    bool toolbar = true;
  };
  static PanelPlan PlanBottomPanel(int width, const PanelWidths& w);

  TkxBrow(store::RecordBrowser& model, QWidget* parent = nullptr);

  // OnBrowColWidths: the width in pixels of a column from its title;
  // default (title length + 1) times the width of "X".
  std::function<int(int column, const QString& title)> OnBrowColWidths;

  // Builds the list through the model and shows it.
  bool Build(store::FileBlock* fb, int key, const store::Key& low, const store::Key& high);
  // Draws the model's page, header, footer, sort list and scroll bars.
  void Refresh();
  void SetCloseButtonsVisible(bool header, bool bottom);
  void SetColours(const QColor& background, const QColor& text);
  // Lays the columns out again (after the rows changed their widths).
  void LayOutColumnsNow() { LayOutColumns(); }

  store::RecordBrowser& model() { return model_; }
  QTableWidget* grid() const { return grid_; }
  QLineEdit* search_field() const { return search_; }
  QComboBox* sort_list() const { return sort_; }
  QScrollBar* vertical_bar() const { return vbar_; }
  QLabel* footer_label() const { return footer_; }
  const PanelPlan& panel_plan() const { return plan_; }
  // The widest text of a column among its title and the rows shown, in characters.
  int ContentChars(int column) const;
  // Room for a few rows, the header and the bottom panel at a narrow width.
  QSize minimumSizeHint() const override;
  static constexpr int kMinimumRows = 5;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool HandleKey(QObject* watched, int key, Qt::KeyboardModifiers mods);
  void LayOut();
  void LayOutColumns();
  void AfterMove();
  void VerticalAction(int action);
  void HorizontalAction(int action);
  void Navigate(store::BrowserKey key);
  int VisibleRowsForHeight() const;
  PanelWidths Widths() const;

  store::RecordBrowser& model_;
  QWidget* header_panel_;
  QToolButton* header_close_;
  QTableWidget* grid_;
  QScrollBar* vbar_;
  QScrollBar* hbar_;
  QWidget* bottom_;
  QLabel* sort_label_;
  QComboBox* sort_;
  QLabel* search_picture_;
  QLineEdit* search_;
  QToolBar* tools_;
  QToolButton* bottom_close_;
  QLabel* footer_;
  PanelPlan plan_;
  int row_height_ = 18;
  int seen_clears_ = 0;
  bool refreshing_ = false;
};

}  // namespace vek::ui
