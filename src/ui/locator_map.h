// The map of the worked locator squares, drawn by the program itself: the
// Maidenhead fields and squares around the own station with their labels,
// the worked squares in the colour of their band, rings at 100, 200, 500
// and 1,000 km, and the square and bearing of the locator being typed.
// The wheel and + / - zoom, dragging and the arrow keys pan, Home goes back
// to the own station; a click on a square tells its calls.
#pragma once

#include <QWidget>

#include "logging/contest_statistics.h"

namespace vek::ui {

class LocatorMap : public QWidget {
  Q_OBJECT

 public:
  LocatorMap(const ContestStatistics& stats, QWidget* parent = nullptr);

  void SetBand(char band);  // 0: every band
  void SetTyped(const Text& locator);
  // The zoom in pixels per degree of latitude; the centre in degrees.
  double zoom() const { return zoom_; }
  void Zoom(double factor, QPointF around);
  void Pan(QPointF pixels);
  void Home();
  // Where a point of the earth (longitude east, latitude north) is drawn, and back.
  QPointF ToScreen(double lon, double lat) const;
  QPointF ToEarth(QPointF screen) const;
  QPointF OwnStation() const { return ToScreen(own_lon_, own_lat_); }
  // The square (four characters) under a point of the widget; empty over none.
  Text SquareAt(QPointF screen) const;
  // The calls worked in a square, on the band shown.
  std::vector<Text> CallsIn(const Text& square) const;
  // Draws the map into any painter (the widget, a picture file).
  void Render(QPainter& p, const QRect& area) const;

 signals:
  void SquareClicked(const QString& square, const QStringList& calls);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  const ContestStatistics& stats_;
  char band_ = 0;
  Text typed_;
  double own_lon_ = 0, own_lat_ = 0;
  double center_lon_ = 0, center_lat_ = 0;
  double zoom_ = 40;
  QPointF drag_from_;
  bool dragging_ = false;
};

}  // namespace vek::ui
