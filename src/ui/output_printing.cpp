#include "ui/output_printing.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "store/os_file.h"
#include "store/replacing_file.h"
#include "ui/edi_header_dialog.h"
#include "ui/text_conversion.h"

namespace vek::ui {

QFont OutputFont(int points) {
  QFont font("Courier New", points);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

QtPageSink::QtPageSink(QPrinter& printer, int font_points)
    : printer_(printer), regular_(OutputFont(font_points)), bold_(OutputFont(font_points)) {
  bold_.setBold(true);
  if (!painter_.begin(&printer_)) return;
  painter_.setFont(regular_);
  const QFontMetrics metrics = painter_.fontMetrics();
  // 1.4 cm in printer pixels, and 1.1 times the height of "XygW".
  left_ = static_cast<int>(printer_.logicalDpiX() * 1.4 / 2.54);
  ascent_ = metrics.ascent();
  const int line = static_cast<int>(1.1 * metrics.boundingRect("XygW").height() + 0.5);
  SetGeometry(painter_.viewport().height(), line, 0);
}

QtPageSink::~QtPageSink() { Finish(); }

void QtPageSink::Finish() {
  if (painter_.isActive()) painter_.end();
}

void QtPageSink::Draw(int y, std::string_view text, bool bold) {
  if (!painter_.isActive()) return;
  painter_.setFont(bold ? bold_ : regular_);
  painter_.drawText(left_, y + ascent_, ToQt(text));
}

void QtPageSink::StartSheet() {
  if (painter_.isActive()) printer_.newPage();
}

namespace {

// Paper kinds into a PDF file, for --print and for tests of the printed pages.
class PdfHost final : public OutputHost {
 public:
  explicit PdfHost(const QString& path) {
    printer_.setOutputFormat(QPrinter::PdfFormat);
    printer_.setOutputFileName(path);
    printer_.setPageSize(QPageSize(QPageSize::A4));
  }
  std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view, std::string_view) override {
    return std::nullopt;
  }
  std::unique_ptr<PageSink> BeginPrint(int font_points, std::string_view job_title) override {
    printer_.setDocName(ToQt(job_title));
    auto sink = std::make_unique<QtPageSink>(printer_, font_points);
    if (!sink->Started()) return nullptr;
    return sink;
  }
  void EndPrint(PageSink& pages) override { static_cast<QtPageSink&>(pages).Finish(); }
  void ShowEditor(const std::string&) override {}

 private:
  QPrinter printer_{QPrinter::HighResolution};
};

QString PathToQt(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

bool PrintToPdf(OutputKind kind, const ExportInputs& in, const QString& pdf_path, UserPort& port) {
  PdfHost host(pdf_path);
  const OutputOutcome r = RunOutput(kind, in, host, port);
  if (r.result == OutputResult::kCancelled)
    port.Inform("Die Datei " + FromQt(pdf_path) + " konnte nicht erstellt werden.");
  return r.result == OutputResult::kWritten;
}

TEditorFenster::TEditorFenster(const std::string& path, QWidget* parent) : QDialog(parent), path_(path) {
  setObjectName("TEditorFenster");
  setWindowTitle(PathToQt(path));
  setModal(true);
  editor_ = new QPlainTextEdit(this);
  editor_->setObjectName("editor");
  editor_->setFont(OutputFont(10));
  editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
  editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QString text = ToQt(store::ReadWholeFile(store::RealFileSystem(), path));
  text.remove(QChar('\r'));
  editor_->setPlainText(text);

  auto* save = new QPushButton("Speichern und Beenden", this);
  save->setObjectName("btnSpeichern");
  save->setAutoDefault(false);
  connect(save, &QPushButton::clicked, this, &TEditorFenster::btnSpeichernClick);
  auto* print = new QPushButton("Drucken", this);
  print->setObjectName("btnDrucken");
  print->setAutoDefault(false);
  connect(print, &QPushButton::clicked, this, &TEditorFenster::btnDruckenClick);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save);
  buttons->addWidget(print);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(editor_, 1);
  layout->addLayout(buttons);
  // Wide enough for a list line of 100 characters.
  const int width = QFontMetrics(editor_->font()).horizontalAdvance(QString(100, 'X'));
  resize(width + 60, 620);
}

bool TEditorFenster::SaveText() {
  QString text = editor_->toPlainText();
  text.replace(QChar('\n'), QStringLiteral("\r\n"));
  return store::ReplaceFileContents(store::RealFileSystem(), path_, FromQt(text)) == 0;
}

void TEditorFenster::btnSpeichernClick() {
  // A text that could not be written stays in the window, so nothing typed is lost.
  if (!SaveText()) {
    QMessageBox::information(
        this, windowTitle(),
        QString::fromUtf8("Die Datei %1 konnte nicht gespeichert werden.").arg(windowTitle()));
    return;
  }
  accept();
}

void TEditorFenster::PrintTo(QPrinter& printer) {
  printer.setDocName(QFileInfo(PathToQt(path_)).fileName());
  QTextDocument document;
  document.setDefaultFont(OutputFont(9));
  document.setPlainText(editor_->toPlainText());
  document.print(&printer);
}

void TEditorFenster::btnDruckenClick() {
  SaveText();
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
}

std::optional<std::string> QtOutputHost::ChooseSaveFile(std::string_view filter,
                                                        std::string_view default_extension,
                                                        std::string_view proposed_name) {
  const Text f(filter);
  QFileDialog dialog(parent_, QString(), QString(), ToQt(f.substr(0, f.find('|'))));
  dialog.setObjectName("saveDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(ToQt(default_extension));
  dialog.selectFile(ToQt(proposed_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

std::unique_ptr<PageSink> QtOutputHost::BeginPrint(int font_points, std::string_view job_title) {
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer_->setDocName(ToQt(job_title));
  QPrintDialog dialog(printer_.get(), parent_);
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  auto sink = std::make_unique<QtPageSink>(*printer_, font_points);
  if (!sink->Started()) {
    port_.Inform(W("Der Drucker konnte nicht geöffnet werden."));
    return nullptr;
  }
  return sink;
}

void QtOutputHost::EndPrint(PageSink& pages) { static_cast<QtPageSink&>(pages).Finish(); }

void QtOutputHost::EditEdiHeader(EdiHeader& header, std::string_view caption) {
  TEdiKopf dialog(header, ToQt(caption), parent_);
  dialog.exec();
}

void QtOutputHost::ShowEditor(const std::string& path) {
  TEditorFenster editor(path, parent_);
  editor.exec();
}

}  // namespace vek::ui
