#include "ui/edi_header_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/text_conversion.h"

namespace vek::ui {

TEdiKopf::TEdiKopf(EdiHeader& header, const QString& caption, QWidget* parent)
    : QDialog(parent), header_(header) {
  setObjectName("TEdiKopf");
  setWindowTitle(caption);
  auto* grid = new QGridLayout(this);
  QMap<QString, QFormLayout*> groups;
  int next_group = 0;
  for (const EdiHeaderField& f : header_.fields()) {
    const QString group = ToQt(f.group);
    if (!groups.contains(group)) {
      auto* box = new QGroupBox(group, this);
      auto* form = new QFormLayout(box);
      form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
      groups[group] = form;
      // Two columns: the station on the left, the rest on the right.
      grid->addWidget(box, next_group == 0 ? 0 : next_group - 1, next_group == 0 ? 0 : 1,
                      next_group == 0 ? 3 : 1, 1);
      ++next_group;
    }
    QWidget* w = nullptr;
    if (f.multi_line) {
      auto* e = new QPlainTextEdit(ToQt(f.value), this);
      e->setTabChangesFocus(true);
      e->setMinimumHeight(60);
      w = e;
    } else if (!f.choices.empty()) {
      auto* c = new QComboBox(this);
      c->addItem(QString());
      for (const Text& choice : f.choices) c->addItem(ToQt(choice));
      c->setCurrentText(ToQt(f.value));
      w = c;
    } else {
      w = new QLineEdit(ToQt(f.value), this);
    }
    w->setObjectName(QString::fromStdString(f.name));
    // Room for an address line of the station record.
    w->setMinimumWidth(fontMetrics().horizontalAdvance(QString(24, 'x')));
    controls_[QString::fromStdString(f.name)] = w;
    if (f.name == "mope1") {
      // The group's one caption stands above its two lines.
      groups[group]->addRow(new QLabel(ToQt(f.caption), this));
      groups[group]->addRow(w);
    } else if (f.name == "mope2") {
      groups[group]->addRow(w);
    } else {
      groups[group]->addRow(ToQt(f.caption), w);
    }
  }
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  grid->addWidget(ok, 3, 1, Qt::AlignRight);
}

void TEdiKopf::Take() {
  for (auto it = controls_.begin(); it != controls_.end(); ++it) {
    QString text;
    if (auto* e = qobject_cast<QLineEdit*>(it.value())) text = e->text();
    if (auto* e = qobject_cast<QPlainTextEdit*>(it.value())) text = e->toPlainText();
    if (auto* c = qobject_cast<QComboBox*>(it.value())) text = c->currentText();
    header_.Set(it.key().toStdString(), FromQt(text));
  }
}

void TEdiKopf::done(int result) {
  Take();  // closing it any way writes the values as they stand
  QDialog::done(result);
}

}  // namespace vek::ui
