#include "ui/qt_user_port.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "ui/fortschritt.h"
#include "ui/prefix_choice_dialog.h"
#include "ui/text_conversion.h"

namespace vek::ui {

QtUserPort::~QtUserPort() = default;

void QtUserPort::Inform(std::string_view message, std::string_view caption) {
  // The core joins lines with CR; Qt wants LF.
  QString text = ToQt(message);
  text.replace('\r', '\n');
  QMessageBox box(QMessageBox::Information, ToQt(caption), text, QMessageBox::Ok, parent_);
  box.exec();
}

bool QtUserPort::AskYesNo(std::string_view question, std::string_view caption) {
  QMessageBox box(QMessageBox::Question, ToQt(caption), ToQt(question), QMessageBox::Yes | QMessageBox::No, parent_);
  return box.exec() == QMessageBox::Yes;
}

void QtUserPort::Beep() { QApplication::beep(); }

int QtUserPort::ChoosePrefixCountry(std::string_view prefix, const std::vector<Text>& rows) {
  TPrefAuswahl dialog{Text(prefix), rows, parent_};
  dialog.exec();
  return dialog.taken();
}

int QtUserPort::Choose(std::string_view caption, const std::vector<Text>& entries, int preselected) {
  QStringList items;
  for (const Text& e : entries) items << ToQt(e);
  bool ok = false;
  const QString picked = QInputDialog::getItem(parent_, ToQt(caption), ToQt(caption), items, preselected, false, &ok);
  return ok ? static_cast<int>(items.indexOf(picked)) : -1;
}

void QtUserPort::ProgressBegin(std::string_view caption, int total) {
  progress_ = std::make_unique<TFortschrittAusgabe>(ToQt(caption), total, parent_);
  progress_->show();
  QApplication::processEvents();  // paint it once; the run does not come back before its end
}

void QtUserPort::ProgressStep(int done) {
  if (progress_) progress_->SetPosition(done);
}

void QtUserPort::ProgressEnd() { progress_.reset(); }

}  // namespace vek::ui
