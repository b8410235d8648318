#include "ui/program_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>
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
  static std::function<void(const QString&)> opener = [](const QString& url) { ShowHelpWindow(url); };
  return opener;
}

}  // namespace

void SetLinkOpener(std::function<void(const QString&)> opener) { LinkOpener() = std::move(opener); }
void OpenUrl(const QString& url) { LinkOpener()(url); }
void OpenLink(const QString& target) { OpenUrl(ToQt(LinkTarget(FromQt(target)))); }

void ShowHelpWindow(const QString& url) {
  static QPointer<QDialog> window;
  if (!window) {
    window = new QDialog(QApplication::activeWindow());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName("THilfe");
    window->setWindowTitle("Hilfe");
    auto* layout = new QVBoxLayout(window);
    auto* browser = new QTextBrowser;
    browser->setObjectName("hilfetext");
    browser->setOpenLinks(false);
    QObject::connect(browser, &QTextBrowser::anchorClicked, browser, [browser](const QUrl& link) {
      if (link.isLocalFile() || link.isRelative())
        browser->setSource(link);
      else
        OpenUrl(link.toString());
    });
    layout->addWidget(browser);
    window->resize(760, 560);
  }
  window->findChild<QTextBrowser*>("hilfetext")->setSource(QUrl(url));
  window->show();
  window->raise();
  window->activateWindow();
}

void SetHelpOpener(std::function<void(const QString&)> opener) { HelpOpener() = std::move(opener); }

void ShowHelp(int context) {
  const QFileInfo file(QDir::current().filePath(kHelpFile));
  if (!file.exists()) return;
  QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
  if (context > 0) url.setFragment(QStringLiteral("ctx%1").arg(context));
  HelpOpener()(url.toString());
}

}  // namespace vek::ui
