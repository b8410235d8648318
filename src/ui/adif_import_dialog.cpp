#include "ui/adif_import_dialog.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/os_file.h"
#include "ui/text_conversion.h"

namespace vek::ui {

TAdifImport::TAdifImport(EntrySession& session, QWidget* parent) : QDialog(parent), model_(session) {
  setObjectName("TAdifImport");
  setWindowTitle("ADIF-Import");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      QString::fromUtf8("Mit dieser Funktion können ADIF-Dateien anderer Logbücher eingelesen werden."),
      this));
  auto* file_row = new QHBoxLayout;
  auto* choose = new QPushButton(QString::fromUtf8("ADIF-Datei auswählen"), this);
  choose->setObjectName("btnDatei");
  choose->setAutoDefault(false);
  connect(choose, &QPushButton::clicked, this, &TAdifImport::btnDateiClick);
  file_ = new QLabel(this);
  file_->setObjectName("lDatei");
  file_row->addWidget(choose);
  file_row->addWidget(file_, 1);
  layout->addLayout(file_row);
  auto* hint =
      new QLabel(QString::fromUtf8("Feldzuordnung: Ziehen Sie mit der Maus die gewünschten Einträge aus der "
                                   "linken in die rechte Liste."),
                 this);
  hint->setWordWrap(true);
  layout->addWidget(hint);

  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel("Felder der ADIF-Datei", this), 0, 0);
  lists->addWidget(new QLabel("Felder im Log", this), 0, 1);
  tags_ = new QListWidget(this);
  tags_->setObjectName("lbADIF");
  tags_->setDragEnabled(true);
  tags_->setDragDropMode(QAbstractItemView::DragOnly);
  tags_->installEventFilter(this);
  fields_ = new AdifFieldList(this);
  fields_->setObjectName("lbLog");
  fields_->setAcceptDrops(true);
  fields_->setDragDropMode(QAbstractItemView::DropOnly);
  lists->addWidget(tags_, 1, 0);
  lists->addWidget(fields_, 1, 1);
  layout->addLayout(lists, 1);

  no_check_ = new QCheckBox(QString::fromUtf8("keine Mode/Band-Überprüfung"), this);
  no_check_->setObjectName("cbKeinePruefung");
  layout->addWidget(no_check_);
  auto* buttons = new QHBoxLayout;
  start_ = new QPushButton("Start", this);
  start_->setObjectName("btnStart");
  start_->setAutoDefault(false);
  connect(start_, &QPushButton::clicked, this, &TAdifImport::btnStartClick);
  auto* cancel = new QPushButton("Abbruch", this);
  cancel->setObjectName("btnAbbruch");
  cancel->setAutoDefault(false);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addStretch(1);
  buttons->addWidget(start_);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  resize(560, 480);
  Sync();
}

void TAdifImport::Sync() {
  tags_->clear();
  for (const Text& t : model_.tag_list()) tags_->addItem(ToQt(t));
  const int marked = fields_->currentRow();
  fields_->clear();
  for (const AdifFieldEntry& e : model_.field_list()) fields_->addItem(ToQt(e.Shown()));
  if (marked >= 0 && marked < fields_->count()) fields_->setCurrentRow(marked);
  start_->setEnabled(model_.start_enabled());
  if (!model_.file_name().empty())
    file_->setText(QFile::decodeName(QByteArray::fromStdString(model_.file_name())) +
                   QString::fromUtf8("  (%1 Datensätze)").arg(model_.record_count()));
}

void TAdifImport::LoadFile(const QString& path) {
  if (model_.LoadFile(store::RealFileSystem(), QFile::encodeName(path).toStdString())) Sync();
}

void TAdifImport::btnDateiClick() {
  QFileDialog dialog(this, QString::fromUtf8("ADIF-Datei auswählen"), QString(),
                     "ADIF-Datei (*.adi *.adif *.ADI *.ADIF)");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("adi");
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    LoadFile(dialog.selectedFiles().first());
}

void TAdifImport::MapTag(const QString& tag, int field_row) {
  if (field_row < 0) return;
  if (model_.Map(FromQt(tag), static_cast<std::size_t>(field_row))) Sync();
}

void TAdifImport::btnStartClick() {
  if (!model_.start_enabled()) return;
  model_.SetNoCheck(no_check_->isChecked());
  model_.Start();
  imported_ = true;
  accept();
}

bool TAdifImport::eventFilter(QObject* watched, QEvent* event) {
  // Enter on a tag maps it onto the field marked in the right list.
  if (watched == tags_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && tags_->currentItem()) {
      MapTag(tags_->currentItem()->text(), fields_->currentRow());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void AdifFieldList::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == dialog_->tags()) event->acceptProposedAction();
}

void AdifFieldList::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() == dialog_->tags()) event->acceptProposedAction();
}

void AdifFieldList::dropEvent(QDropEvent* event) {
  QListWidgetItem* tag = dialog_->tags()->currentItem();
  const int row = indexAt(event->position().toPoint()).row();
  if (tag && row >= 0) dialog_->MapTag(tag->text(), row);
  event->acceptProposedAction();
}

}  // namespace vek::ui
