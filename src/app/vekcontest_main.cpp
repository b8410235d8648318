// vekcontest: the desktop program. The data folder is the current directory.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextStream>
#include <cstdlib>

#include "base/clock.h"
#include "logging/store_log_files.h"
#include "store/file_manager.h"
#include "ui/contest_brow.h"
#include "ui/program_services.h"
#include "ui/qt_user_port.h"
#include "ui/text_conversion.h"

namespace {

// "/debug", "-debug" or a file "debug.debug" beside the program: a report
// of what the help needs, for a user whose help does not open.
void WriteHelpDiagnostics(const QStringList& args) {
  const bool asked = args.contains("/debug") || args.contains("-debug") || QFileInfo::exists("debug.debug");
  if (!asked) return;
  QFile out("HHDebug.txt");
  if (!out.open(QIODevice::WriteOnly | QIODevice::Text)) return;
  QTextStream s(&out);
  s << "Program folder: " << QDir::currentPath() << "\n";
  for (const char* name : {vek::ui::kHelpFile, "vekcont.hlp", "vekcont.chm"}) {
    const QFileInfo f(name);
    s << name << ": " << (f.exists() ? QStringLiteral("present, %1 bytes").arg(f.size()) : QStringLiteral("missing"))
      << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vek UKW Nordsee");
  QApplication::setApplicationDisplayName("Vek UKW Nordsee");
  WriteHelpDiagnostics(QApplication::arguments());

  vek::ui::QtUserPort port;
  vek::store::StoreEnvironment env;
  // A serious store failure has been logged and its files closed: show the
  // stop message and end, as nothing more can be saved.
  env.shutdown = [](const vek::store::StopReport& report) {
    QMessageBox::critical(nullptr, "Vek UKW Nordsee", vek::ui::ToQt(report.message));
    std::exit(1);
  };
  vek::store::FileManager fm(env);
  vek::SystemClock clock;
  vek::StoreLogFiles logs(fm, port);
  vek::ui::TContestBrow window(fm, port, clock, logs);
  using Result = vek::CatalogueController::StartResult;
  switch (window.Start()) {
    case Result::kStoreFailed: return 1;
    case Result::kNoProfiles: return 0;  // the window closes at once
    case Result::kReady: break;
  }
  window.show();
  return QApplication::exec();
}
