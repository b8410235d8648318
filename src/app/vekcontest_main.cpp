// vekcontest: the desktop program. The data folder is the current directory.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextStream>
#include <QMap>
#include <cstdio>
#include <cstdlib>

#include "base/clock.h"
#include "base/scripted_user_port.h"
#include "export/export_inputs.h"
#include "logging/store_log_files.h"
#include "store/file_manager.h"
#include "ui/contest_brow.h"
#include "ui/output_printing.h"
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

class NoWindows : public vek::CatalogueHost {
 public:
  bool OpenContestSetup(vek::CatalogueController&, bool, bool) override { return false; }
  void StartLogging(vek::CatalogueController&, std::int32_t, const vek::ContestDefinition&) override {}
};

// vekcontest --print KIND NUMBER --pdf FILE: a paper kind into a PDF file
// through the print path, without a window.
int PrintWithoutWindow(const QStringList& args) {
  static const QMap<QString, vek::OutputKind> kinds = {{"summary", vek::OutputKind::kPaperSummary},
                                                       {"qso-list", vek::OutputKind::kPaperQsoList},
                                                       {"band-list", vek::OutputKind::kPaperBandList},
                                                       {"multi-check", vek::OutputKind::kPaperMultiCheck}};
  const qsizetype at = args.indexOf("--print");
  const qsizetype pdf_at = args.indexOf("--pdf");
  bool number_ok = false;
  const int number = at + 2 < args.size() ? args[at + 2].toInt(&number_ok) : 0;
  if (at + 2 >= args.size() || !kinds.contains(args[at + 1]) || !number_ok || pdf_at < 0 || pdf_at + 1 >= args.size()) {
    std::fprintf(stderr, "usage: vekcontest --print summary|qso-list|band-list|multi-check NUMBER --pdf FILE\n");
    return 1;
  }
  vek::ScriptedUserPort port;
  port.SetEcho([](const vek::ScriptedUserPort::Event& e) {
    if (e.kind == vek::ScriptedUserPort::Kind::kInform) std::fprintf(stderr, "note: %s\n", vek::Cp1252ToUtf8(e.text).c_str());
  });
  vek::store::FileManager fm;
  vek::SystemClock clock;
  vek::StoreLogFiles logs(fm, port);
  NoWindows host;
  vek::CatalogueController catalogue(fm, port, clock, host, logs);
  if (catalogue.Start(false) != vek::CatalogueController::StartResult::kReady) {
    std::fprintf(stderr, "error: the data files of this folder cannot be opened\n");
    return 1;
  }
  const auto in = vek::ExportInputsFor(catalogue, number, clock);
  if (!in) {
    std::fprintf(stderr, "error: there is no log %d in this folder\n", number);
    return 1;
  }
  if (!vek::ui::PrintToPdf(kinds.value(args[at + 1]), *in, args[pdf_at + 1], port)) {
    std::fprintf(stderr, "error: %s was not printed\n", qPrintable(args[pdf_at + 1]));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Vek UKW Nordsee");
  // An empty display name: otherwise the window system appends the program's
  // name to every caption and long German captions end cut off.
  QApplication::setApplicationDisplayName(QString(""));
  if (QApplication::arguments().contains("--print")) return PrintWithoutWindow(QApplication::arguments());
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
