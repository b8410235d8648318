// The core's UserPort as the desktop program shows it: message and
// confirmation boxes, the system beep, choice lists and the progress window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "base/user_port.h"
#include "ui/fortschritt.h"


namespace vek::ui {

class QtUserPort final : public UserPort {
 public:
  explicit QtUserPort(QWidget* parent = nullptr) : parent_(parent) {}
  ~QtUserPort() override;

  void Inform(std::string_view message, std::string_view caption = {}) override;
  bool AskYesNo(std::string_view question, std::string_view caption = {}) override;
  void Beep() override;
  int Choose(std::string_view caption, const std::vector<Text>& entries, int preselected) override;
  // TPrefAuswahl.
  int ChoosePrefixCountry(std::string_view prefix, const std::vector<Text>& rows) override;
  void ProgressBegin(std::string_view caption, int total) override;
  void ProgressStep(int done) override;
  void ProgressEnd() override;

 private:
  QPointer<QWidget> parent_;
  std::unique_ptr<TFortschrittAusgabe> progress_;
};

}  // namespace vek::ui
