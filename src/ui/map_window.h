// "Karte": the locator map of a log, a band choice, what a clicked square
// holds, and "Karte als Bild speichern" (PNG or SVG).
#pragma once

#include <QDialog>

#include "ui/locator_map.h"

class QComboBox;
class QLabel;

namespace vek::ui {

class TKarte : public QDialog {
  Q_OBJECT

 public:
  TKarte(const ContestStatistics& stats, QWidget* parent = nullptr);
  LocatorMap* map() const { return map_; }
  QLabel* square_info() const { return info_; }
  // The contacts changed: draw again (the band list learns new bands).
  void Refresh();
  // Writes the map as it is shown, PNG or SVG by the name's ending, through
  // a work file put in place when complete; false when it could not be written.
  bool SaveImage(const QString& path);

 private:
  void FillBands();
  const ContestStatistics& stats_;
  LocatorMap* map_ = nullptr;
  QComboBox* band_ = nullptr;
  QLabel* info_ = nullptr;
};

}  // namespace vek::ui
