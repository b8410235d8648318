// TEingContestStd: the setup dialog over the setup model. Every control is
// found by its name in the model; typing, leaving fields, clicks and the
// buttons call the model, and the widgets are then redrawn from it.
#pragma once

#include <QDialog>
#include <QMap>

#include "catalogue/setup_model.h"
#include "export/output_run.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace vek::ui {

class TEingContestStd : public QDialog {
  Q_OBJECT

 public:
  TEingContestStd(SetupContext ctx, bool edit_mode, bool after_logging, QWidget* parent = nullptr);

  SetupModel& model() { return model_; }
  SetupResult outcome() const { return outcome_; }
  // The output menu as last popped up (for the window and its tests).
  QMenu* output_menu() const { return menu_; }
  QWidget* control(const QString& name) const { return widgets_.value(name, nullptr); }

  void btnOKClick();
  void btnstartClick();
  void btnAbbruchClick();
  void btnDruckClick();
  void btnRegelnClick();
  // One item of the output menu, through the dialogs of `host` when set
  // (tests), else the desktop's.
  void RunMenuOutput(OutputKind kind);
  void SetOutputHost(OutputHost* host) { output_host_ = host; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Build();
  QWidget* BuildStationGroup();
  QWidget* BuildContestGroup();
  QWidget* BuildSettingsGroup();
  QWidget* BuildQuestionGroups();
  QWidget* BuildTotalsGroup();
  void Bind(const QString& name, QWidget* w);
  void SyncFromModel();
  void SyncTotals();
  void FocusModelControl();
  void Close(SetupResult r);

  SetupModel model_;
  SetupResult outcome_ = SetupResult::kOpen;
  QMap<QString, QWidget*> widgets_;
  QMap<QString, QLabel*> captions_;
  QListWidget* classes_ = nullptr;
  QMenu* menu_ = nullptr;
  OutputHost* output_host_ = nullptr;
  QLabel* totals_[7][4] = {};
  QLabel* lQso_ = nullptr;
  QLabel* lMulti_ = nullptr;
  QLabel* lPunkte_ = nullptr;
  QLabel* lScore_ = nullptr;
  bool syncing_ = false;
};

}  // namespace vek::ui
