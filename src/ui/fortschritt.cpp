#include "ui/fortschritt.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace vek::ui {

TFortschrittAusgabe::TFortschrittAusgabe(const QString& caption, int maximum, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("TFortschrittAusgabe");
  setWindowTitle(caption);
  setModal(false);
  auto* v = new QVBoxLayout(this);
  for (int i = 0; i < 4; ++i) {
    labels_[i] = new QLabel(this);
    labels_[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    labels_[i]->setAlignment(Qt::AlignCenter);
    v->addWidget(labels_[i]);
  }
  labels_[0]->setText(caption);
  labels_[1]->setText(QString::fromUtf8("Bitte warten …"));
  // The logging runs need two lines: the bar moves up to the third's place.
  labels_[2]->hide();
  labels_[3]->hide();
  bar_ = new QProgressBar(this);
  bar_->setObjectName("ProgressBar1");
  bar_->setRange(0, std::max(1, maximum));
  bar_->setValue(0);
  v->addWidget(bar_);
  resize(360, 120);
  if (const QScreen* screen = QApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

void TFortschrittAusgabe::SetPosition(int position) { bar_->setValue(std::min(position, bar_->maximum())); }

}  // namespace vek::ui
