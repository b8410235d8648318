// "ADIF-Import": the file choice, the two lists between which tags are
// dragged onto the log's fields (or, by keyboard, Enter on a tag maps it
// onto the field marked on the right), the check option, Start and Abbruch.
#pragma once

#include <QDialog>
#include <QListWidget>

#include "export/adif_import.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace vek::ui {

class TAdifImport : public QDialog {
  Q_OBJECT

 public:
  TAdifImport(EntrySession& session, QWidget* parent = nullptr);

  AdifImport& model() { return model_; }
  QListWidget* tags() const { return tags_; }
  QListWidget* fields() const { return fields_; }
  // The file dialog's part, also for tests that name the file.
  void LoadFile(const QString& path);
  // A tag onto a field of the right list (the drop and the Enter key).
  void MapTag(const QString& tag, int field_row);
  // Every standard entry onto the tag of its name.
  void MapSame() {
    model_.MapSame();
    Sync();
  }
  void btnDateiClick();
  void btnStartClick();
  bool imported() const { return imported_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Sync();

  AdifImport model_;
  QLabel* file_ = nullptr;
  QListWidget* tags_ = nullptr;
  QListWidget* fields_ = nullptr;
  QCheckBox* no_check_ = nullptr;
  QPushButton* start_ = nullptr;
  bool imported_ = false;
};

// The right list: a tag dropped on an entry maps it.
class AdifFieldList : public QListWidget {
  Q_OBJECT

 public:
  explicit AdifFieldList(TAdifImport* dialog) : QListWidget(dialog), dialog_(dialog) {}

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  TAdifImport* dialog_;
};

}  // namespace vek::ui
