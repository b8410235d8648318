// "Statistik": how the contest is going - contacts or points per hour as
// bars per band, the rates, the best hour, ODX, squares and DOKs per band.
#pragma once

#include <QDialog>
#include <QWidget>

#include "logging/contest_statistics.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace vek::ui {

// The hours of the period as stacked bars, one colour per band.
class HourBars : public QWidget {
  Q_OBJECT

 public:
  explicit HourBars(QWidget* parent = nullptr);
  void Show(std::vector<HourFigures> hours, bool points);
  QSize minimumSizeHint() const override { return {360, 180}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<HourFigures> hours_;
  bool points_ = false;
};

class TStatistik : public QDialog {
  Q_OBJECT

 public:
  // `now` is the clock's time, for the rates.
  TStatistik(const ContestStatistics& stats, UtcInstant now, QWidget* parent = nullptr);
  QTableWidget* table() const { return table_; }

 private:
  const ContestStatistics& stats_;
  HourBars* bars_ = nullptr;
  QComboBox* what_ = nullptr;
  QTableWidget* table_ = nullptr;
};

QColor BandColour(char band);

}  // namespace vek::ui
