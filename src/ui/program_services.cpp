#include "ui/program_services.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "catalogue/contest_rules.h"
#include "ui/text_conversion.h"

namespace vek::ui {
namespace {

std::function<void(const QString&)>& LinkOpener() {
  static std::function<void(const QString&)> opener = [](const QString& url) {
    QDesktopServices::openUrl(QUrl(url));  // a failure is not reported
  };
  return opener;
}

std::function<void(const QString&)>& HelpOpener() {
  static std::function<void(const QString&)> opener = [](const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
  };
  return opener;
}

}  // namespace

void SetLinkOpener(std::function<void(const QString&)> opener) { LinkOpener() = std::move(opener); }
void OpenUrl(const QString& url) { LinkOpener()(url); }
void OpenLink(const QString& target) { OpenUrl(ToQt(LinkTarget(FromQt(target)))); }

void SetHelpOpener(std::function<void(const QString&)> opener) { HelpOpener() = std::move(opener); }

void ShowHelp(int context) {
  const QFileInfo file(QDir::current().filePath(kHelpFile));
  if (!file.exists()) return;
  QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
  if (context > 0) url.setFragment(QStringLiteral("ctx%1").arg(context));
  HelpOpener()(url.toString());
}

}  // namespace vek::ui
