// The outputs on the desktop: the page painter that prints a writer's lines
// in "Courier New" (Liberation Mono on Debian, metric-compatible), the save
// and print dialogs of the output run, and the editor window that shows a
// written file.
#pragma once

#include <QDialog>
#include <QPainter>
#include <QPrinter>
#include <memory>

#include "export/output_run.h"

class QPlainTextEdit;

namespace vek::ui {

// Draws each line at the left margin (1.4 cm) and moves down 1.1 times the
// height of "XygW"; the sink keeps the record of what it drew.
class QtPageSink final : public PageSink {
 public:
  QtPageSink(QPrinter& printer, int font_points);
  ~QtPageSink() override;
  bool Started() const { return painter_.isActive(); }
  void Finish();
  int left_margin() const { return left_; }

 protected:
  void Draw(int y, std::string_view text, bool bold) override;
  void StartSheet() override;

 private:
  QPrinter& printer_;
  QPainter painter_;
  QFont regular_, bold_;
  int left_ = 0;
  int ascent_ = 0;
};

QFont OutputFont(int points);

// The print of one paper kind into a PDF file without any window
// (vekcontest --print); false when the log or the file cannot be had.
bool PrintToPdf(OutputKind kind, const ExportInputs& in, const QString& pdf_path, UserPort& port);

// The editor window: the file's text with both scroll bars, "Speichern und
// Beenden" and "Drucken".
class TEditorFenster : public QDialog {
  Q_OBJECT

 public:
  TEditorFenster(const std::string& path, QWidget* parent = nullptr);
  QPlainTextEdit* editor() const { return editor_; }
  // Writes the text back (Windows-1252, CR LF); false when that failed.
  bool SaveText();
  void btnSpeichernClick();
  void btnDruckenClick();
  // The printing of "Drucken" without its dialog (tests print to PDF).
  void PrintTo(QPrinter& printer);

 private:
  std::string path_;
  QPlainTextEdit* editor_ = nullptr;
};

// The dialogs of the output run as the desktop shows them.
class QtOutputHost : public OutputHost {
 public:
  explicit QtOutputHost(QWidget* parent, UserPort& port) : parent_(parent), port_(port) {}
  std::optional<std::string> ChooseSaveFile(std::string_view filter, std::string_view default_extension,
                                            std::string_view proposed_name) override;
  std::unique_ptr<PageSink> BeginPrint(int font_points, std::string_view job_title) override;
  void EndPrint(PageSink& pages) override;
  void ShowEditor(const std::string& path) override;
  void EditEdiHeader(EdiHeader& header, std::string_view caption) override;

 private:
  QWidget* parent_;
  UserPort& port_;
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace vek::ui
