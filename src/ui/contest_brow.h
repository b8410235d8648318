// TContestBrow: the main window. It shows the catalogue of this program's
// contest logs in the record browser and hands every button and key to the
// catalogue controller; as the controller's host it opens the setup dialog
// and (once logging exists) the entry window.
#pragma once

#include <QWidget>
#include <memory>

#include "catalogue/catalogue_controller.h"
#include "store/record_browser.h"

class QLabel;
class QPushButton;

namespace vek::ui {

class TkxBrow;

class TContestBrow : public QWidget, public CatalogueHost {
  Q_OBJECT

 public:
  static constexpr const char* kCaption =
      "Tesmar Vek UKW Nordsee Version 2008-2.0  Nordsee-Contest des DARC-Distriktes I";

  TContestBrow(store::FileManager& fm, UserPort& port, const Clock& clock, LogFiles& logs,
               QWidget* parent = nullptr);
  ~TContestBrow() override;

  // Steps 2 to 11 of the start; with an empty catalogue the window shows
  // and the setup dialog for a new log opens.
  CatalogueController::StartResult Start();

  // CatalogueHost.
  bool OpenContestSetup(CatalogueController& controller, bool edit_mode, bool after_logging) override;
  void StartLogging(CatalogueController& controller, std::int32_t log_number,
                    const ContestDefinition& definition) override;

  CatalogueController& controller() { return *controller_; }
  TkxBrow* list() const { return brow_; }

  void btnNeuho3Click();
  void btnAendernHo3Click();
  void btnStartClick();
  void btnLoeschenHo3Click();
  void btnKonvertierenClick();
  void btnweitereClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUpList();
  void AfterOperation();  // list on the current log, own call shown
  void ShowOwnCall();
  void ApplyColours();
  void ShowPictures();
  bool AskToEnd();
  void ShowMapOfCurrentLog();  // "Karte"

  UserPort& port_;
  const Clock& clock_;
  std::unique_ptr<CatalogueController> controller_;
  store::RecordBrowser model_;
  TkxBrow* brow_ = nullptr;
  CatalogueOrder order_ = CatalogueOrder::kName;
  QLabel* imgtitel_;
  QLabel* imglinks_;
  QLabel* lworked_;
  QLabel* lCall_;
  QLabel* lfuer_;
  QLabel* MenueBeenden_;
  QLabel* lhinweisupdate_;
  QLabel* lhinweisupdate2_;
  QLabel* lHersteller_;
  QWidget* panelContest_;
  QWidget* panelButtons_;
  QPushButton* btnKopieho3_;
  QPushButton* btnweitere_;
  bool ending_ = false;
};

}  // namespace vek::ui
