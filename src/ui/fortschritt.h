// TFortschrittAusgabe: the progress window of the long runs over a log
// (renumbering, "Neuberechnung"). Not modal; the run goes on while it shows.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace vek::ui {

class TFortschrittAusgabe : public QDialog {
  Q_OBJECT

 public:
  TFortschrittAusgabe(const QString& caption, int maximum, QWidget* parent = nullptr);
  void SetPosition(int position);
  QProgressBar* bar() const { return bar_; }
  QLabel* label(int n) const { return labels_[n - 1]; }

 private:
  QLabel* labels_[4] = {};
  QProgressBar* bar_ = nullptr;
};

}  // namespace vek::ui
