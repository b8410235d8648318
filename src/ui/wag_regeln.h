// The rules window Twagregeln and the program windows Twagprogramme and
// Twagprogramme2.
#pragma once

#include <QDialog>
#include <QTimer>

#include "base/rtf_reader.h"
#include "base/user_port.h"

class QPrinter;
class QTextBrowser;

namespace vek::ui {

// "Regeln": the organiser's page, or the rules window over the code's file.
// A missing or unreadable file is reported and no window opens.
void ShowContestRules(QWidget* parent, char contest_code, UserPort& port);

// The rich text as HTML for Qt's text view.
QString RtfToHtml(const RtfDocument& doc);

class Twagregeln : public QDialog {
  Q_OBJECT

 public:
  Twagregeln(const RtfDocument& rules, QWidget* parent = nullptr);
  QTextBrowser* text() const { return text_; }
  // Prints the rules with the job title "Contest-Regeln".
  void PrintTo(QPrinter& printer);
  void btnDruckenClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTextBrowser* text_;
};

class Twagprogramme2 : public QDialog {
  Q_OBJECT

 public:
  explicit Twagprogramme2(QWidget* parent = nullptr);
};

class Twagprogramme : public QDialog {
  Q_OBJECT

 public:
  explicit Twagprogramme(QWidget* parent = nullptr);
  bool second_shown() const { return second_shown_; }

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void StartTimer();
  QTimer timer_;
  bool second_shown_ = false;
};

}  // namespace vek::ui
