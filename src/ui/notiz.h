// The note window of a log and the age overview "Übersicht".
#pragma once

#include <QDialog>
#include <QRect>

#include "logging/age_overview.h"
#include "store/os_file.h"

class QPlainTextEdit;
class QPrinter;
class QRadioButton;

namespace vek::ui {

class TNotiz : public QDialog {
  Q_OBJECT

 public:
  // `text` is the stamped file; the cursor stands behind the header.
  TNotiz(store::OsFileSystem& fs, std::string path, const QString& text, QWidget* parent = nullptr);
  QPlainTextEdit* editor() const { return edit_; }
  bool saved() const { return saved_; }
  void PrintTo(QPrinter& printer);
  void btnspeichernClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  store::OsFileSystem& fs_;
  std::string path_;
  QPlainTextEdit* edit_;
  bool saved_ = false;
};

// OpenNotes: stamps the file and shows the window at the stored placement
// (width <= 0: centred); the placement after it closed is handed back.
struct NotePlacement {
  int top = 0, left = 0, width = 0, height = 0;
};
NotePlacement EditNotes(store::OsFileSystem& fs, const std::string& path, const Text& header, NotePlacement at,
                        QWidget* parent);

class TUebersicht : public QDialog {
  Q_OBJECT

 public:
  TUebersicht(AgeCounts ones, AgeCounts fives, AgeCounts tens, QWidget* parent = nullptr);
  AgeStep step() const { return step_; }
  const std::vector<ChartItem>& items() const { return items_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Build(AgeStep step);
  AgeCounts counts_[3];
  AgeStep step_ = AgeStep::kOne;
  std::vector<ChartItem> items_;
  QWidget* panel_ = nullptr;
};

}  // namespace vek::ui
