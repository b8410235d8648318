// "Transceiver / Rotor": which Hamlib model, on which device or host:port,
// at which speed, whether the rig is read, and a test of both. The choice
// is kept in the program's own settings file.
#pragma once

#include <QDialog>

#include "refdata/program_settings.h"
#include "rig/rig_port.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace vek::ui {

class TRigDialog : public QDialog {
  Q_OBJECT

 public:
  TRigDialog(ProgramSettings& settings, QWidget* parent = nullptr);
  // What the dialog shows now.
  rig::RigSettings Chosen() const;
  // "Test": what the devices report, as the dialog shows it.
  QString RunTest();
  // "Speichern": into the settings file; false (with a message) when it could not be written.
  bool Store();

 private:
  struct Device {
    QLineEdit* filter = nullptr;
    QListWidget* models = nullptr;
    QLineEdit* device = nullptr;
    QComboBox* speed = nullptr;
  };
  QWidget* BuildDevice(const QString& title, const char* prefix, const std::vector<rig::ModelInfo>& models,
                       const rig::PortSettings& now, Device& d);
  static rig::PortSettings PortOf(const Device& d);

  ProgramSettings& settings_;
  Device rig_, rotator_;
  QCheckBox* poll_ = nullptr;
  QLabel* result_ = nullptr;
};

// The settings as the settings file holds them.
rig::RigSettings StoredRigSettings(const ProgramSettings& settings);

}  // namespace vek::ui
