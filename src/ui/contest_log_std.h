// TContestLogStd: the entry window over the entry session. The window only
// shows the session's fields, labels, totals and lists and passes keys,
// clicks and the one-second timer to it.
#pragma once

#include <QDialog>
#include <QRect>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include <QPointer>

#include "logging/contest_statistics.h"
#include "logging/entry_session.h"
#include "logging/known_calls.h"
#include "refdata/program_settings.h"
#include "rig/rig_poller.h"
#include "store/record_browser.h"
#include "ui/korrektur.h"
#include "ui/map_window.h"

class QFrame;
class QLabel;
class QLineEdit;
class QGridLayout;
class QListWidget;
class QScrollArea;
class QVBoxLayout;
class QPushButton;

namespace vek::ui {

class PartnerPanel;
class TkxBrow;

class TContestLogStd : public QDialog {
  Q_OBJECT

 public:
  // `on_close` receives the session while it closes, to store its totals,
  // and the list's column widths; `widths` are those stored with the log.
  using CloseHandler = std::function<void(EntrySession&, const std::vector<int>& widths)>;
  TContestLogStd(EntryContext ctx, CloseHandler on_close, std::vector<int> widths = {}, QWidget* parent = nullptr);
  ~TContestLogStd() override;

  bool opened() const { return opened_; }
  // The log's catalogue and totals records (their buffers) and how the
  // catalogue record is written, for corrections, deletions and notes.
  void SetLogRecords(LogRecords records, std::function<void()> write_catalogue) {
    records_ = std::move(records);
    write_catalogue_ = std::move(write_catalogue);
  }
  // Builds the known calls of the partner panel from these sources (the
  // catalogue's logs, the folder's lists); without it the panel stays empty.
  void SetKnownCallSources(const KnownCallSources& sources);
  PartnerPanel* partner_panel() const { return partner_; }
  // The rig and rotator (from the settings file when the window opens; a
  // test gives its own). Null: none.
  void SetRigPoller(std::unique_ptr<rig::RigPoller> poller);
  void OpenRigDialog();  // "Transceiver / Rotor"
  void TurnAntenna();    // "Antenne drehen": to the bearing of the typed locator
  void StopAntenna();
  void OpenStatistics();  // "Statistik" (Ctrl+T)
  void OpenMap();         // "Karte" (Ctrl+K): stays open beside the entry and follows it
  TKarte* map_window() const { return map_window_; }
  void RigTick();        // what the poller read, every quarter second
  void ShowList(TKorrekturstd::Mode mode);  // F12 / Ctrl+W, F3, F4
  void OpenNotes();                         // F6
  void ShowAgeOverview();                   // F11, contest P
  void ImportAdif();                        // "Import von ADIF-Dateien"
  EntrySession& session() { return *session_; }
  QLineEdit* edit(EntryFieldId id) const { return edits_[static_cast<std::size_t>(id)]; }
  QLabel* caption(EntryFieldId id) const { return captions_[static_cast<std::size_t>(id)]; }
  TkxBrow* list() const { return list_; }
  QListWidget* band_list() const { return band_list_; }
  bool list_mode() const { return list_mode_; }

  void btnBandClick();
  void btnModeClick();
  void btnEndeClick();
  void timerzeitTimer();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Build();
  QWidget* BuildEntryPanel();
  QWidget* BuildTotalsPanel();
  QWidget* BuildMultiPanel();
  void Sync();  // everything the session shows
  void SyncFields(bool keep_focused_text);
  void SyncTotals();
  void SyncMultipliers();
  void SetListMode(bool on);
  void FocusSessionField();
  void RefreshList();
  bool HandleFieldKey(EntryFieldId id, QKeyEvent* key);
  void TakeBand(int row);
  void TakeMode(int row);
  void CloseSession();
  void FitPartnerPanel();
  void ToggleNameQth();  // F9 and its button
  void TakePartnerCall(const QString& call);

  std::unique_ptr<EntrySession> session_;
  std::unique_ptr<ProgramSettings> settings_;
  std::unique_ptr<KnownCalls> known_;
  KnownCallSources known_sources_;
  // The log's content as the index knows it, and the saves that brought it there.
  std::uint64_t known_version_ = 0;
  int known_saves_ = -1;
  void KeepKnownCallsCurrent();
  // The map's figures, kept while its window is open.
  std::unique_ptr<ContestStatistics> map_stats_;
  QPointer<TKarte> map_window_;
  int map_saves_ = -1;
  std::uint64_t map_version_ = 0;
  ContestStatistics ReadStatistics();
  void KeepMapCurrent();
  PartnerPanel* partner_ = nullptr;
  QVBoxLayout* left_ = nullptr;  // the entry panel and the totals beside the partner panel
  QLabel* lQrb_ = nullptr;
  QLabel* lRig_ = nullptr;
  QLabel* lRotor_ = nullptr;
  std::unique_ptr<rig::RigPoller> rig_;
  QTimer rig_timer_;
  std::uint64_t rig_readings_ = 0;
  void StartRigFromSettings();
  std::array<bool, static_cast<std::size_t>(EntryFieldId::kCount)> history_shown_{};
  CloseHandler on_close_;
  LogRecords records_;
  std::function<void()> write_catalogue_;
  std::vector<std::uint8_t> spare_kk_, spare_kz_;
  // Placements held while the window lives (not stored on disk).
  QRect list_geometry_, age_geometry_;
  std::vector<int> widths_;
  bool opened_ = false;
  bool closed_ = false;
  bool syncing_ = false;
  bool list_mode_ = false;
  std::array<QLineEdit*, static_cast<std::size_t>(EntryFieldId::kCount)> edits_{};
  std::array<QLabel*, static_cast<std::size_t>(EntryFieldId::kCount)> captions_{};
  QLabel* header_ = nullptr;
  QLabel* lNummer_ = nullptr;
  QLabel* lband_ = nullptr;
  QLabel* lMode_ = nullptr;
  QLabel* lQSLs_ = nullptr;
  QLabel* lcallname_ = nullptr;
  QLabel* lenter_ = nullptr;
  QLabel* lRSTs1_ = nullptr;
  QLabel* lRSTr1_ = nullptr;
  QLabel* lRSTs2_ = nullptr;
  QLabel* lDatum_ = nullptr;
  QLabel* lZeit_ = nullptr;
  QLabel* band_points_ = nullptr;
  QLabel* band_multis_ = nullptr;
  QLabel* band_qsos_ = nullptr;
  QLabel* sum_qsos_ = nullptr;
  QLabel* sum_multis_ = nullptr;
  QLabel* sum_points_ = nullptr;
  QLabel* sum_score_ = nullptr;
  std::array<std::array<QLabel*, 4>, 7> columns_{};
  std::vector<QLabel*> multis_;
  QScrollArea* multi_scroll_ = nullptr;
  QGridLayout* multi_grid_ = nullptr;
  void AddMultiLabels(std::size_t count);
  std::vector<QPushButton*> entry_buttons_, list_buttons_;
  bool PickListEvent(QListWidget* list, QEvent* event);
  QListWidget* band_list_ = nullptr;
  QListWidget* mode_list_ = nullptr;
  TkxBrow* list_ = nullptr;
  std::unique_ptr<store::RecordBrowser> list_model_;
  QTimer timer_;
};

}  // namespace vek::ui
