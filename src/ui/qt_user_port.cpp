#include "ui/qt_user_port.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "ui/fortschritt.h"
#include "ui/prefix_choice_dialog.h"
#include "ui/text_conversion.h"

namespace vek::ui {

QtUserPort::~QtUserPort() = default;

namespace {

// A box without a caption of its own carries the program's name: the window
// manager adds nothing to captions (see main), so none is cut.
QString CaptionOr(std::string_view caption) {
  return caption.empty() ? QStringLiteral("Vek UKW Nordsee") : ToQt(caption);
}

}  // namespace

void QtUserPort::Inform(std::string_view message, std::string_view caption) {
  // The core joins lines with CR; Qt wants LF.
  QString text = ToQt(message);
  text.replace('\r', '\n');
  QMessageBox box(QMessageBox::Information, CaptionOr(caption), text, QMessageBox::Ok, parent_);
  box.exec();
}

// The questions are German, so are their buttons: J and N answer them (a
// message box takes a button's letter without Alt), Esc is No.
bool QtUserPort::AskYesNo(std::string_view question, std::string_view caption) {
  QMessageBox box(QMessageBox::Question, CaptionOr(caption), ToQt(question), QMessageBox::NoButton, parent_);
  QPushButton* yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
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
