// TPrefAuswahl: the operator picks one of several countries that share a
// prefix. The marked row and its keys live in PrefixChoiceModel.
#pragma once

#include <QDialog>
#include <vector>

#include "base/text.h"
#include "refdata/prefix_lookup.h"

class QPushButton;
class QTableWidget;

namespace vek::ui {

class TPrefAuswahl : public QDialog {
  Q_OBJECT

 public:
  // `rows` are the dialog's rows, columns separated by ';' (Nr, DXCC, CQ,
  // ITU, Land, Bemerkung).
  TPrefAuswahl(const Text& prefix, const std::vector<Text>& rows, QWidget* parent = nullptr);
  // The row taken with "Übernehmen", Enter or a double click; -1 after Cancel.
  int taken() const { return taken_; }
  const PrefixChoiceModel& model() const { return model_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowMark();
  void Take(int row);

  PrefixChoiceModel model_;
  QTableWidget* table_ = nullptr;
  QPushButton* take_ = nullptr;
  int taken_ = -1;
};

}  // namespace vek::ui
