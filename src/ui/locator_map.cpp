#include "ui/locator_map.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "refdata/locator.h"
#include "ui/statistics_window.h"
#include "ui/text_conversion.h"

namespace vek::ui {

namespace {

constexpr double kKmPerDegree = 111.12;

// The south-west corner of a square (two letters, two digits), in degrees.
bool SquareCorner(const Text& square, double& lon, double& lat) {
  if (square.size() < 4) return false;
  const int a = square[0] - 'A', b = square[1] - 'A', c = square[2] - '0', d = square[3] - '0';
  if (a < 0 || a > 17 || b < 0 || b > 17 || c < 0 || c > 9 || d < 0 || d > 9) return false;
  lon = a * 20 - 180 + c * 2;
  lat = b * 10 - 90 + d;
  return true;
}

Text SquareOf(double lon, double lat) {
  if (lon < -180 || lon >= 180 || lat < -90 || lat >= 90) return {};
  const int a = static_cast<int>((lon + 180) / 20), b = static_cast<int>((lat + 90) / 10);
  const int c = static_cast<int>((lon + 180 - a * 20) / 2), d = static_cast<int>(lat + 90 - b * 10);
  return {static_cast<char>('A' + a), static_cast<char>('A' + b), static_cast<char>('0' + c),
          static_cast<char>('0' + d)};
}

}  // namespace

LocatorMap::LocatorMap(const ContestStatistics& stats, QWidget* parent) : QWidget(parent), stats_(stats) {
  setObjectName("mapLocator");
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  setMinimumSize(320, 240);
  Coordinates own;
  if (LocatorToCoordinates(stats.own_locator(), own)) {
    own_lon_ = own.longitude > 180 ? own.longitude - 360 : own.longitude;
    own_lat_ = own.latitude;
  }
  Home();
}

void LocatorMap::SetBand(char band) {
  band_ = band;
  update();
}

void LocatorMap::SetTyped(const Text& locator) {
  typed_ = locator;
  update();
}

void LocatorMap::Home() {
  center_lon_ = own_lon_;
  center_lat_ = own_lat_;
  zoom_ = 40;
  update();
}

// Longitudes shrink with the cosine of the own latitude: squares keep their shape near home.
QPointF LocatorMap::ToScreen(double lon, double lat) const {
  const double k = std::cos(own_lat_ * M_PI / 180);
  return {width() / 2.0 + (lon - center_lon_) * k * zoom_, height() / 2.0 - (lat - center_lat_) * zoom_};
}

QPointF LocatorMap::ToEarth(QPointF s) const {
  const double k = std::cos(own_lat_ * M_PI / 180);
  return {center_lon_ + (s.x() - width() / 2.0) / (k * zoom_), center_lat_ - (s.y() - height() / 2.0) / zoom_};
}

void LocatorMap::Zoom(double factor, QPointF around) {
  const QPointF before = ToEarth(around);
  zoom_ = std::clamp(zoom_ * factor, 2.0, 2000.0);
  const QPointF after = ToEarth(around);
  // The point under the cursor stays where it is.
  center_lon_ += before.x() - after.x();
  center_lat_ += before.y() - after.y();
  update();
}

void LocatorMap::Pan(QPointF pixels) {
  const double k = std::cos(own_lat_ * M_PI / 180);
  center_lon_ -= pixels.x() / (k * zoom_);
  center_lat_ += pixels.y() / zoom_;
  update();
}

Text LocatorMap::SquareAt(QPointF screen) const {
  const QPointF e = ToEarth(screen);
  return SquareOf(e.x(), e.y());
}

std::vector<Text> LocatorMap::CallsIn(const Text& square) const {
  const auto squares = stats_.Squares(band_);
  const auto it = squares.find(square);
  return it == squares.end() ? std::vector<Text>() : it->second;
}

void LocatorMap::Render(QPainter& p, const QRect& area) const {
  p.save();
  p.setClipRect(area);
  p.fillRect(area, QColor(0xf4, 0xf6, 0xf0));
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPointF nw = ToEarth(area.topLeft()), se = ToEarth(area.bottomRight());
  const double west = std::max(-180.0, std::floor(nw.x() / 2) * 2), east = std::min(180.0, se.x());
  const double south = std::max(-90.0, std::floor(se.y())), north = std::min(90.0, nw.y());
  // Worked squares first, in the colour of the band (the first band worked where several).
  std::map<Text, char> worked;
  for (char band : stats_.Bands()) {
    if (band_ != 0 && band != band_) continue;
    for (const auto& [square, calls] : stats_.Squares(band)) worked.emplace(square, band);
  }
  for (const auto& [square, band] : worked) {
    double lon = 0, lat = 0;
    if (!SquareCorner(square, lon, lat)) continue;
    QColor c = BandColour(band);
    c.setAlpha(150);
    p.fillRect(QRectF(ToScreen(lon, lat + 1), ToScreen(lon + 2, lat)), c);
  }
  // Squares (2 x 1 degrees) and fields (20 x 10) as lines, labels where there is room.
  const bool square_lines = zoom_ >= 6;
  QPen thin(QColor(0xb0, 0xb8, 0xa8), 0.6), thick(QColor(0x60, 0x70, 0x60), 1.4);
  for (double lon = west; lon <= east; lon += 2) {
    const bool field = std::fmod(lon + 180, 20) == 0;
    if (!field && !square_lines) continue;
    p.setPen(field ? thick : thin);
    p.drawLine(ToScreen(lon, north), ToScreen(lon, south));
  }
  for (double lat = south; lat <= north; lat += 1) {
    const bool field = std::fmod(lat + 90, 10) == 0;
    if (!field && !square_lines) continue;
    p.setPen(field ? thick : thin);
    p.drawLine(ToScreen(west, lat), ToScreen(east, lat));
  }
  const QFontMetrics fm = p.fontMetrics();
  if (zoom_ >= 18) {
    p.setPen(QColor(0x50, 0x58, 0x50));
    for (double lon = west; lon < east; lon += 2)
      for (double lat = south; lat < north; lat += 1) {
        const QPointF at = ToScreen(lon, lat + 1);
        p.drawText(at + QPointF(3, fm.ascent() + 1), ToQt(SquareOf(lon + 1, lat + 0.5)));
      }
  }
  QFont big = p.font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.6);
  p.setFont(big);
  p.setPen(QColor(0x60, 0x70, 0x60, 170));
  for (double lon = std::floor(west / 20) * 20; lon < east; lon += 20)
    for (double lat = std::floor(south / 10) * 10; lat < north; lat += 10) {
      const Text square = SquareOf(lon + 1, lat + 1);
      if (square.size() == 4) p.drawText(ToScreen(lon + 10, lat + 5), ToQt(square.substr(0, 2)));
    }
  p.setFont(QFont());
  // Rings around the own station.
  const QPointF own = ToScreen(own_lon_, own_lat_);
  p.setPen(QPen(QColor(0xa0, 0x30, 0x30, 160), 1, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  for (int km : {100, 200, 500, 1000}) {
    const double ry = km / kKmPerDegree * zoom_;
    p.drawEllipse(own, ry, ry);
    p.drawText(own + QPointF(4, -ry - 2), QStringLiteral("%1 km").arg(km));
  }
  // The locator being typed: its square and the line to it.
  double tlon = 0, tlat = 0;
  Coordinates typed;
  if (typed_.size() >= 4 && SquareCorner(typed_, tlon, tlat) && LocatorToCoordinates(typed_, typed)) {
    const double lon = typed.longitude > 180 ? typed.longitude - 360 : typed.longitude;
    p.setPen(QPen(Qt::red, 2));
    p.drawRect(QRectF(ToScreen(tlon, tlat + 1), ToScreen(tlon + 2, tlat)));
    p.drawLine(own, ToScreen(lon, typed.latitude));
  }
  p.setPen(Qt::black);
  p.setBrush(Qt::red);
  p.drawEllipse(own, 5, 5);
  p.drawText(own + QPointF(8, fm.ascent() + 4), ToQt(stats_.own_locator()));
  p.restore();
}

void LocatorMap::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Render(p, rect());
}

void LocatorMap::wheelEvent(QWheelEvent* event) {
  Zoom(event->angleDelta().y() > 0 ? 1.25 : 0.8, event->position());
}

void LocatorMap::keyPressEvent(QKeyEvent* event) {
  const QPointF middle(width() / 2.0, height() / 2.0);
  switch (event->key()) {
    case Qt::Key_Plus: Zoom(1.25, middle); return;
    case Qt::Key_Minus: Zoom(0.8, middle); return;
    case Qt::Key_Left: Pan({40, 0}); return;
    case Qt::Key_Right: Pan({-40, 0}); return;
    case Qt::Key_Up: Pan({0, 40}); return;
    case Qt::Key_Down: Pan({0, -40}); return;
    case Qt::Key_Home: Home(); return;
    default: QWidget::keyPressEvent(event);
  }
}

void LocatorMap::mousePressEvent(QMouseEvent* event) {
  drag_from_ = event->position();
  dragging_ = true;
  const Text square = SquareAt(event->position());
  QStringList calls;
  for (const Text& c : CallsIn(square)) calls << ToQt(c);
  emit SquareClicked(ToQt(square), calls);
}

void LocatorMap::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  Pan(event->position() - drag_from_);
  drag_from_ = event->position();
}

bool LocatorMap::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const Text square = SquareAt(help->pos());
    const std::vector<Text> calls = CallsIn(square);
    if (calls.empty()) {
      QToolTip::hideText();
    } else {
      QStringList list;
      for (const Text& c : calls) list << ToQt(c);
      QToolTip::showText(help->globalPos(), ToQt(square) + ": " + list.join(", "), this);
    }
    return true;
  }
  return QWidget::event(event);
}

}  // namespace vek::ui
