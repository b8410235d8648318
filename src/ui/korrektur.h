// The list window TKorrekturstd and the correction dialog "QSO ändern".
#pragma once

#include <QDialog>
#include <QMap>
#include <functional>
#include <memory>

#include "logging/entry_session.h"
#include "store/record_browser.h"

class QComboBox;
class QLineEdit;

namespace vek::ui {

class TkxBrow;

// The buffers of the log's catalogue and totals records, where a change of
// the log stores its summary.
using LogRecords = std::function<std::pair<Bytes, Bytes>()>;

class TQsoAendern : public QDialog {
  Q_OBJECT

 public:
  TQsoAendern(const CorrectionFields& fields, const EntrySession& session, QWidget* parent = nullptr);
  // What every ending of the dialog takes over.
  CorrectionFields Fields() const;
  QLineEdit* edit(const QString& name) const { return edits_.value(name, nullptr); }
  QComboBox* band_list() const { return band_; }
  QComboBox* mode_list() const { return mode_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void NormaliseFrequency();
  CorrectionFields fields_;
  QMap<QString, QLineEdit*> edits_;
  QList<QWidget*> order_;
  QComboBox* band_ = nullptr;
  QComboBox* mode_ = nullptr;
  QLineEdit* free_mode_ = nullptr;
  std::vector<char> bands_;
};

// The entry number of the list's current row, the log's buffer left as it was.
std::int32_t CurrentEntry(store::RecordBrowser& list, EntrySession& session);

// Opens "QSO ändern" for an entry and takes its fields over when it ends.
// Returns true when the score may have changed.
bool EditQso(EntrySession& session, std::int32_t entry_no, const LogRecords& records, QWidget* parent);

class TKorrekturstd : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { kCorrection, kBandLog, kCallSearch };
  TKorrekturstd(EntrySession& session, Mode mode, LogRecords records, char band = 0, Text call = {},
                QWidget* parent = nullptr);
  TkxBrow* list() const { return list_; }
  store::RecordBrowser& model() { return model_; }

 private:
  void EditCurrent();
  EntrySession& session_;
  LogRecords records_;
  store::RecordBrowser model_;
  TkxBrow* list_ = nullptr;
};

// The band dialog "Band" of the band log; the band at the moment of Esc
// when the operator cancels.
char AskBand(EntrySession& session, QWidget* parent);
// The search dialog "Suche"; empty when cancelled.
std::optional<Text> AskCall(QWidget* parent);

}  // namespace vek::ui
