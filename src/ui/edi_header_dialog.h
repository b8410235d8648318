// "VHF/UHF-Contest": the EDI header's fields in their groups, pre-filled,
// captioned with the contest title; "OK" only, and any other way of
// closing keeps the values as they stand.
#pragma once

#include <QDialog>
#include <QMap>

#include "export/edi_export.h"

namespace vek::ui {

class TEdiKopf : public QDialog {
  Q_OBJECT

 public:
  TEdiKopf(EdiHeader& header, const QString& caption, QWidget* parent = nullptr);
  QWidget* control(const QString& name) const { return controls_.value(name, nullptr); }
  // The widgets' texts into the header.
  void Take();

 protected:
  void done(int result) override;

 private:
  EdiHeader& header_;
  QMap<QString, QWidget*> controls_;
};

}  // namespace vek::ui
