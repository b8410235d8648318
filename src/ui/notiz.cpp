#include "ui/notiz.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>

#include "logging/notes.h"
#include "ui/text_conversion.h"

namespace vek::ui {

TNotiz::TNotiz(store::OsFileSystem& fs, std::string path, const QString& text, QWidget* parent)
    : QDialog(parent), fs_(fs), path_(std::move(path)) {
  setObjectName("TNotiz");
  setWindowTitle(QString::fromStdString(path_));
  auto* v = new QVBoxLayout(this);
  edit_ = new QPlainTextEdit(this);
  edit_->setObjectName("redit");
  QFont mono("Courier New", 10);
  mono.setStyleHint(QFont::TypeWriter);
  edit_->setFont(mono);
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit_->setPlainText(text);
  QTextCursor c = edit_->textCursor();
  c.setPosition(static_cast<int>(kNoteCursor));
  edit_->setTextCursor(c);
  v->addWidget(edit_);
  auto* buttons = new QHBoxLayout;
  auto* print = new QPushButton("Drucken", this);
  print->setObjectName("Button1");
  print->setAutoDefault(false);
  auto* save = new QPushButton("ESC: Speichern und Beenden", this);
  save->setObjectName("btnspeichern");
  save->setAutoDefault(false);
  connect(print, &QPushButton::clicked, this, [this] {
    SaveNotes(fs_, path_, FromQt(edit_->toPlainText()));
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
  });
  connect(save, &QPushButton::clicked, this, &TNotiz::btnspeichernClick);
  buttons->addWidget(print);
  buttons->addStretch();
  buttons->addWidget(save);
  v->addLayout(buttons);
  resize(640, 420);
}

void TNotiz::PrintTo(QPrinter& printer) {
  printer.setDocName(QString::fromStdString(path_));
  QTextDocument doc;
  doc.setDefaultFont(edit_->font());
  doc.setPlainText(edit_->toPlainText());
  doc.print(&printer);
}

void TNotiz::btnspeichernClick() {
  saved_ = SaveNotes(fs_, path_, FromQt(edit_->toPlainText()));
  edit_->clear();
  accept();
}

void TNotiz::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    btnspeichernClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

NotePlacement EditNotes(store::OsFileSystem& fs, const std::string& path, const Text& header, NotePlacement at,
                        QWidget* parent) {
  const std::optional<Text> text = StampNotes(fs, path, header);
  TNotiz window(fs, path, ToQt(text.value_or(header)), parent);
  if (at.width > 0) window.setGeometry(at.left, at.top, at.width, at.height);
  window.exec();
  const QRect g = window.geometry();
  return NotePlacement{g.top(), g.left(), g.width(), g.height()};
}

TUebersicht::TUebersicht(AgeCounts ones, AgeCounts fives, AgeCounts tens, QWidget* parent) : QDialog(parent) {
  setObjectName("TUebersicht");
  setWindowTitle(QString::fromUtf8("Übersicht"));
  counts_[0] = ones;
  counts_[1] = fives;
  counts_[2] = tens;
  auto* v = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  const struct {
    const char* name;
    const char* caption;
    AgeStep step;
  } steps[] = {{"r1", "Ein-Jahres-Schritte", AgeStep::kOne},
               {"r5", "5-Jahres-Schritte", AgeStep::kFive},
               {"r10", "10-Jahres-Schritte", AgeStep::kTen}};
  for (const auto& s : steps) {
    auto* r = new QRadioButton(s.caption, this);
    r->setObjectName(s.name);
    r->setChecked(s.step == AgeStep::kOne);
    const AgeStep step = s.step;
    connect(r, &QRadioButton::clicked, this, [this, step] { Build(step); });
    top->addWidget(r);
  }
  top->addStretch();
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("btnOK");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  top->addWidget(ok);
  v->addLayout(top);
  panel_ = new QWidget(this);
  panel_->setObjectName("panelausw");
  panel_->setMinimumSize(640, 310);
  v->addWidget(panel_, 1);
  Build(AgeStep::kOne);
}

void TUebersicht::Build(AgeStep step) {
  step_ = step;
  const int index = step == AgeStep::kOne ? 0 : (step == AgeStep::kFive ? 1 : 2);
  items_ = BuildAgeChart(counts_[index], step);
  update();
}

void TUebersicht::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter p(this);
  p.fillRect(panel_->geometry(), Qt::white);
  p.translate(panel_->geometry().topLeft());
  QFont font = p.font();
  for (const ChartItem& item : items_) {
    const QColor colour = item.blue ? QColor("blue") : QColor("black");
    if (item.kind == ChartItem::kRect) {
      p.fillRect(QRect(QPoint(item.x1, item.y1), QPoint(item.x2, item.y2)), colour);
    } else {
      font.setBold(item.bold);
      // The bucket labels stand 5 pixels per year apart: a small font keeps them apart.
      const bool label = item.y1 >= 265 && item.y1 < 290;
      font.setPointSizeF(label ? 6.5 : QFont().pointSizeF());
      p.setFont(font);
      p.setPen(colour);
      p.drawText(QPoint(item.x1, item.y1 + p.fontMetrics().ascent()), ToQt(item.text));
    }
  }
}

}  // namespace vek::ui
