#include "ui/map_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QVBoxLayout>

#include "refdata/bands.h"
#include "ui/text_conversion.h"

namespace vek::ui {

TKarte::TKarte(const ContestStatistics& stats, QWidget* parent) : QDialog(parent), stats_(stats) {
  setObjectName("TKarte");
  setWindowTitle("Karte");
  auto* v = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  band_ = new QComboBox;
  band_->setObjectName("cKarteBand");
  band_->setFocusPolicy(Qt::NoFocus);
  top->addWidget(new QLabel("Band:"));
  top->addWidget(band_);
  auto* hint = new QLabel(QString::fromUtf8("Rad oder +/−: Zoom · Ziehen oder Pfeiltasten: verschieben · Pos1: eigene Station"));
  hint->setStyleSheet("color: grey;");
  top->addWidget(hint);
  top->addStretch();
  v->addLayout(top);
  map_ = new LocatorMap(stats, this);
  v->addWidget(map_, 1);
  info_ = new QLabel;
  info_->setObjectName("lKarteFeld");
  info_->setWordWrap(true);
  info_->setStyleSheet("color: navy;");
  v->addWidget(info_);
  auto* bottom = new QHBoxLayout;
  auto* save = new QPushButton("Karte als Bild speichern");
  save->setObjectName("btnKarteSpeichern");
  auto* close = new QPushButton(QString::fromUtf8("Schließen"));
  close->setObjectName("btnKarteEnde");
  bottom->addWidget(save);
  bottom->addStretch();
  bottom->addWidget(close);
  v->addLayout(bottom);
  connect(map_, &LocatorMap::SquareClicked, this, [this](const QString& square, const QStringList& calls) {
    info_->setText(calls.isEmpty() ? square + ": nicht gearbeitet" : square + ": " + calls.join(", "));
  });
  connect(band_, &QComboBox::currentIndexChanged, this,
          [this](int) { map_->SetBand(static_cast<char>(band_->currentData().toInt())); });
  connect(save, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, "Karte als Bild speichern", "karte.png",
                                                      "PNG-Bild (*.png);;SVG-Grafik (*.svg)");
    if (!path.isEmpty() && !SaveImage(path))
      QMessageBox::warning(this, "Karte", QString::fromUtf8("Das Bild konnte nicht geschrieben werden."));
  });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  FillBands();
  resize(900, 680);
  map_->setFocus();
}

void TKarte::FillBands() {
  const int chosen = band_->count() ? band_->currentData().toInt() : 0;
  const QSignalBlocker quiet(band_);
  band_->clear();
  band_->addItem("alle Bänder", 0);
  for (char b : stats_.Bands()) {
    band_->addItem(ToQt(BandName(b, false)), static_cast<int>(b));
    if (b == chosen) band_->setCurrentIndex(band_->count() - 1);
  }
}

void TKarte::Refresh() {
  if (band_->count() != static_cast<int>(stats_.Bands().size()) + 1) FillBands();
  map_->update();
}

bool TKarte::SaveImage(const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QRect area(QPoint(0, 0), map_->size());
  if (path.endsWith(".svg", Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(area.size());
    svg.setViewBox(area);
    svg.setTitle("Karte");
    QPainter p(&svg);
    map_->Render(p, area);
    p.end();
  } else {
    QImage image(area.size(), QImage::Format_ARGB32);
    QPainter p(&image);
    map_->Render(p, area);
    p.end();
    if (!image.save(&file, "PNG")) {
      file.cancelWriting();
      return false;
    }
  }
  return file.commit();
}

}  // namespace vek::ui
