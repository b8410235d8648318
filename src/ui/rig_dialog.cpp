#include "ui/rig_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace vek::ui {

namespace {

constexpr int kSpeeds[] = {0, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

QString Megahertz(double hz) { return QString::number(hz / 1e6, 'f', 6).replace('.', ',') + " MHz"; }

}  // namespace

rig::RigSettings StoredRigSettings(const ProgramSettings& settings) {
  return rig::ReadRigSettings([&settings](std::string_view key) { return settings.Get(key); });
}

TRigDialog::TRigDialog(ProgramSettings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setObjectName("TRigDialog");
  setWindowTitle("Transceiver / Rotor");
  const rig::RigSettings now = StoredRigSettings(settings_);
  auto* v = new QVBoxLayout(this);
  auto* devices = new QHBoxLayout;
  devices->addWidget(BuildDevice("Transceiver", "Rig", rig::RigModels(), now.rig, rig_));
  devices->addWidget(BuildDevice("Rotor", "Rotor", rig::RotatorModels(), now.rotator, rotator_));
  v->addLayout(devices, 1);
  poll_ = new QCheckBox("Transceiver abfragen (alle 0,5 s): Band, Mode und Frequenz folgen ihm");
  poll_->setObjectName("cbRigPoll");
  poll_->setChecked(now.poll);
  v->addWidget(poll_);
  result_ = new QLabel;
  result_->setObjectName("lRigTest");
  result_->setWordWrap(true);
  result_->setMinimumHeight(3 * fontMetrics().height());
  result_->setStyleSheet("color: navy;");
  v->addWidget(result_);
  auto* buttons = new QHBoxLayout;
  auto* test = new QPushButton("Test");
  test->setObjectName("btnRigTest");
  auto* save = new QPushButton("Speichern");
  save->setObjectName("btnRigOK");
  save->setDefault(true);
  auto* cancel = new QPushButton("Abbrechen");
  cancel->setObjectName("btnRigAbbruch");
  buttons->addWidget(test);
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  v->addLayout(buttons);
  connect(test, &QPushButton::clicked, this, [this] { RunTest(); });
  connect(save, &QPushButton::clicked, this, [this] {
    if (Store()) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(860, 520);
}

QWidget* TRigDialog::BuildDevice(const QString& title, const char* prefix, const std::vector<rig::ModelInfo>& models,
                                 const rig::PortSettings& now, Device& d) {
  auto* box = new QGroupBox(title);
  box->setObjectName(QStringLiteral("group%1").arg(prefix));
  auto* form = new QFormLayout(box);
  d.filter = new QLineEdit;
  d.filter->setObjectName(QStringLiteral("e%1Suche").arg(prefix));
  d.filter->setPlaceholderText("Hersteller, Modell oder Nummer");
  d.filter->setClearButtonEnabled(true);
  form->addRow("Modell suchen:", d.filter);
  d.models = new QListWidget;
  d.models->setObjectName(QStringLiteral("list%1Modelle").arg(prefix));
  auto* none = new QListWidgetItem(title == "Rotor" ? "kein Rotor" : "kein Transceiver", d.models);
  none->setData(Qt::UserRole, 0);
  for (const rig::ModelInfo& m : models) {
    auto* item = new QListWidgetItem(
        QStringLiteral("%1 %2 (%3)").arg(QString::fromStdString(m.maker), QString::fromStdString(m.name)).arg(m.model),
        d.models);
    item->setData(Qt::UserRole, m.model);
    if (m.model == now.model) d.models->setCurrentItem(item);
  }
  if (!d.models->currentItem()) d.models->setCurrentItem(none);
  form->addRow(d.models);
  // The search keeps the chosen model in view and hides what does not match.
  connect(d.filter, &QLineEdit::textChanged, this, [list = d.models](const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
      QListWidgetItem* item = list->item(i);
      item->setHidden(i > 0 && !text.isEmpty() && !item->text().contains(text, Qt::CaseInsensitive));
    }
    if (list->currentItem() && !list->currentItem()->isHidden()) list->scrollToItem(list->currentItem());
  });
  d.device = new QLineEdit(QString::fromStdString(now.device));
  d.device->setObjectName(QStringLiteral("e%1Geraet").arg(prefix));
  d.device->setPlaceholderText("/dev/ttyUSB0 oder localhost:4532");
  form->addRow(QString::fromUtf8("Gerät oder Host:Port:"), d.device);
  d.speed = new QComboBox;
  d.speed->setObjectName(QStringLiteral("c%1Speed").arg(prefix));
  for (int speed : kSpeeds) {
    d.speed->addItem(speed == 0 ? QString("Standard des Modells") : QString::number(speed), speed);
    if (speed == now.speed) d.speed->setCurrentIndex(d.speed->count() - 1);
  }
  form->addRow("Geschwindigkeit (Baud):", d.speed);
  return box;
}

rig::PortSettings TRigDialog::PortOf(const Device& d) {
  rig::PortSettings p;
  p.model = d.models->currentItem() ? d.models->currentItem()->data(Qt::UserRole).toInt() : 0;
  p.device = d.device->text().trimmed().toStdString();
  p.speed = d.speed->currentData().toInt();
  return p;
}

rig::RigSettings TRigDialog::Chosen() const {
  rig::RigSettings s;
  s.rig = PortOf(rig_);
  s.rotator = PortOf(rotator_);
  s.poll = poll_->isChecked();
  return s;
}

QString TRigDialog::RunTest() {
  const rig::RigSettings s = Chosen();
  QStringList lines;
  if (s.rig.model == 0) {
    lines << "Transceiver: keiner gewählt";
  } else {
    auto port = rig::MakeHamlibRig(s.rig);
    double hz = 0;
    std::string mode;
    if (port->Open() && port->ReadFrequency(hz) && port->ReadMode(mode)) {
      lines << QStringLiteral("Transceiver %1: %2, %3")
                   .arg(QString::fromStdString(port->Name()), Megahertz(hz), QString::fromStdString(mode));
    } else {
      lines << QStringLiteral("Transceiver %1: %2")
                   .arg(QString::fromStdString(port->Name()), QString::fromStdString(port->LastError()));
    }
  }
  if (s.rotator.model == 0) {
    lines << "Rotor: keiner gewählt";
  } else {
    auto port = rig::MakeHamlibRotator(s.rotator);
    double az = 0;
    if (port->Open() && port->ReadAzimuth(az)) {
      lines << QString::fromUtf8("Rotor %1: steht auf %2°").arg(QString::fromStdString(port->Name())).arg(az, 0, 'f', 0);
    } else {
      lines << QStringLiteral("Rotor %1: %2")
                   .arg(QString::fromStdString(port->Name()), QString::fromStdString(port->LastError()));
    }
  }
  result_->setText(lines.join("\n"));
  return result_->text();
}

bool TRigDialog::Store() {
  rig::WriteRigSettings(Chosen(), [this](std::string_view k, std::string_view v) { settings_.Set(k, v); });
  if (settings_.Save() == 0) return true;
  QMessageBox::warning(this, "Transceiver / Rotor",
                       QString::fromUtf8("Die Einstellungen konnten nicht gespeichert werden."));
  return false;
}

}  // namespace vek::ui
