// The panel "Partner" beside the entry fields: the known calls that hold
// what is typed into the call field (duplicates on this band in red, calls
// worked on another band in blue), what is known of the typed call, and the
// option to fill the exchange from that history.
#pragma once

#include <QFrame>
#include <functional>

#include "logging/entry_session.h"
#include "refdata/program_settings.h"

class QCheckBox;
class QLabel;
class QListWidget;

namespace vek::ui {

class PartnerPanel : public QFrame {
  Q_OBJECT

 public:
  PartnerPanel(EntrySession& session, ProgramSettings& settings, QWidget* parent = nullptr);

  // Shows the matches of the call as it stands; does nothing when neither
  // the call, the band nor the index changed since the last time.
  void Refresh(bool force = false);
  // What could not be read when the index was built.
  void SetNotes(const std::vector<Text>& notes);
  // Up and Down in the call field move the choice; F2 and a double click
  // take the chosen call (the first one without a choice).
  void MoveChoice(int delta);
  QString ChosenCall() const;
  std::function<void(const QString& call)> on_take;

  QListWidget* list() const { return list_; }

 private:
  EntrySession& session_;
  ProgramSettings& settings_;
  QLabel* notes_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* history_ = nullptr;
  QCheckBox* prefill_ = nullptr;
  Text shown_call_;
  char shown_band_ = 0;
  int shown_saves_ = -1;
  std::size_t shown_size_ = 0;
};

}  // namespace vek::ui
