#include "ui/wag_regeln.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "base/cp1252.h"
#include "catalogue/contest_rules.h"
#include "ui/program_services.h"
#include "ui/text_conversion.h"

namespace vek::ui {
namespace {

constexpr const char* kHome = "https://vek-contest.example";
constexpr const char* kMail = "team@vek-contest.example";

QPushButton* LinkButton(const QString& caption, const QString& url, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setAutoDefault(false);
  b->setToolTip(url);
  QObject::connect(b, &QPushButton::clicked, parent, [url] { OpenUrl(url); });
  return b;
}

}  // namespace

QString RtfToHtml(const RtfDocument& doc) {
  QString html = "<html><body>";
  for (const RtfParagraph& p : doc.paragraphs) {
    html += "<p style=\"margin:0\">";
    if (p.runs.empty()) html += "&nbsp;";
    for (const RtfRun& r : p.runs) {
      QString text = ToQt(r.text).toHtmlEscaped();
      text.replace('\t', "&emsp;");
      QString style = QStringLiteral("font-size:%1pt;").arg(r.half_points / 2.0);
      if (r.bold) style += "font-weight:bold;";
      if (r.italic) style += "font-style:italic;";
      if (r.underline) style += "text-decoration:underline;";
      html += QStringLiteral("<span style=\"%1\">%2</span>").arg(style, text);
    }
    html += "</p>";
  }
  return html + "</body></html>";
}

void ShowContestRules(QWidget* parent, char code, UserPort& port) {
  if (RulesWebAddress(code)) {
    const bool english = code == 'j' && port.AskYesNo("English?");
    OpenLink(ToQt(*RulesWebAddress(code, english)));
    return;
  }
  const Text name = *RulesFileName(code);
  QFile file(QDir::current().filePath(ToQt(name)));
  std::optional<RtfDocument> doc;
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = file.readAll();
    doc = ReadRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  if (!doc) {
    port.Inform(W("Die Regeln dieses Contestes können nicht angezeigt werden: die Datei \"") + name +
                (file.exists() ? W("\" ist keine lesbare RTF-Datei.") : W("\" fehlt im Programmordner.")));
    return;
  }
  Twagregeln window(*doc, parent);
  window.exec();
}

Twagregeln::Twagregeln(const RtfDocument& rules, QWidget* parent) : QDialog(parent) {
  setObjectName("Twagregeln");
  setWindowTitle("Regeln");
  auto* v = new QVBoxLayout(this);
  text_ = new QTextBrowser(this);
  text_->setObjectName("RichEdit1");
  text_->setOpenLinks(false);
  text_->clear();
  text_->setHtml(RtfToHtml(rules));
  text_->installEventFilter(this);
  v->addWidget(text_);
  auto* buttons = new QHBoxLayout;
  auto* print = new QPushButton("Drucken", this);
  print->setObjectName("btnDrucken");
  print->setAutoDefault(false);
  connect(print, &QPushButton::clicked, this, &Twagregeln::btnDruckenClick);
  auto* close = new QPushButton(QString::fromUtf8("Schließen"), this);
  close->setObjectName("btnSchliessen");
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addStretch();
  buttons->addWidget(print);
  buttons->addWidget(close);
  v->addLayout(buttons);
  resize(640, 560);
}

void Twagregeln::PrintTo(QPrinter& printer) {
  printer.setDocName("Contest-Regeln");
  text_->document()->print(&printer);
}

void Twagregeln::btnDruckenClick() {
  QPrinter printer;
  printer.setDocName("Contest-Regeln");
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
}

bool Twagregeln::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

Twagprogramme::Twagprogramme(QWidget* parent) : QDialog(parent) {
  setObjectName("Twagprogramme");
  setWindowTitle("weitere AFU-Programme");
  auto* v = new QVBoxLayout(this);
  auto* intro = new QLabel(QString::fromUtf8(
      "<b>Vek UKW Nordsee</b> gehört zu einer kleinen Familie freier Programme für Funkamateure, "
      "die dieselben Datendateien lesen und schreiben:"));
  intro->setWordWrap(true);
  v->addWidget(intro);
  struct Entry {
    const char* name;
    const char* text;
    const char* path;
  };
  const Entry entries[] = {
      {"Vek UKW Nordsee", "Das Contest-Log für den UKW Nordsee-Contest: Eingabe, Doppel-Prüfung, Wertung und E-Log.",
       "/nordsee"},
      {"vekcontest-cli", "Der Begleiter für die Kommandozeile: Logs auflisten und anlegen, Dateien prüfen und "
                         "wiederherstellen, Präfix- und Rufzeichentabellen einlesen.",
       "/cli"},
      {"Quelltext und Fehlermeldungen", "Alle Programme sind offen; Fehler und Wünsche nimmt das Team gern an.",
       "/source"},
  };
  for (const Entry& e : entries) {
    auto* row = new QHBoxLayout;
    auto* l = new QLabel(QStringLiteral("<b>%1</b><br>%2").arg(QString::fromUtf8(e.name), QString::fromUtf8(e.text)));
    l->setWordWrap(true);
    row->addWidget(l, 1);
    row->addWidget(LinkButton("Webseite", QString(kHome) + e.path, this));
    v->addLayout(row);
  }
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(LinkButton("E-Mail an das Team", QString("mailto:") + kMail, this));
  bottom->addStretch();
  auto* close = new QPushButton(QString::fromUtf8("Schließen"), this);
  close->setObjectName("btnSchliessen");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  bottom->addWidget(close);
  v->addLayout(bottom);
  resize(560, 300);
  timer_.setInterval(200);
  connect(&timer_, &QTimer::timeout, this, [this] {
    timer_.stop();
    // Shown once per opening: the window becomes active again when the
    // second one closes, and must not open it anew.
    second_shown_ = true;
    Twagprogramme2 second(this);
    second.exec();
  });
}

void Twagprogramme::StartTimer() {
  if (!second_shown_ && !timer_.isActive()) timer_.start();
}

void Twagprogramme::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) StartTimer();
  QDialog::changeEvent(event);
}

void Twagprogramme::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  StartTimer();  // some window systems never report the activation
}

Twagprogramme2::Twagprogramme2(QWidget* parent) : QDialog(parent) {
  setObjectName("Twagprogramme2");
  setWindowTitle("vekcontest-cli");
  auto* v = new QVBoxLayout(this);
  auto* l = new QLabel(QString::fromUtf8(
      "<b>vekcontest-cli</b><br>Alles, was dieses Programm schreibt, kann der Begleiter für die "
      "Kommandozeile ohne Fenster genauso schreiben: Logs auflisten, Dateien prüfen und neu aufbauen, "
      "Referenztabellen einlesen. Er liegt jedem Paket bei."));
  l->setWordWrap(true);
  v->addWidget(l);
  auto* row = new QHBoxLayout;
  row->addWidget(LinkButton("Webseite", QString(kHome) + "/cli", this));
  row->addWidget(LinkButton("E-Mail", QString("mailto:") + kMail, this));
  row->addStretch();
  auto* close = new QPushButton(QString::fromUtf8("Schließen"), this);
  close->setObjectName("btnSchliessen");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  row->addWidget(close);
  v->addLayout(row);
  resize(460, 180);
}

}  // namespace vek::ui
