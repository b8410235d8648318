// What the desktop program's windows share with the outside world: opening
// links and help. Tests replace the openers, so nothing leaves the machine.
#pragma once

#include <QString>
#include <functional>

namespace vek::ui {

// Opens a web page or a mail address; the default asks the desktop.
void SetLinkOpener(std::function<void(const QString&)> opener);
void OpenUrl(const QString& url);
// OpenLink of the rules table: slashed zeros and "mailto:" are mended first.
void OpenLink(const QString& target);

// The program's help, at a context number (0: the contents). It opens the
// help file beside the program in a help window of the program's own, so it
// shows on every machine, with or without a desktop browser; without a help
// file nothing happens.
inline constexpr const char* kHelpFile = "vekcont.html";
void SetHelpOpener(std::function<void(const QString&)> opener);
void ShowHelp(int context = 0);
// The help window ("THilfe"): the page of `url` (a local file, with its
// anchor), links inside it followed, outside links to the link opener.
// Not modal: the operator keeps logging beside it. One at a time.
void ShowHelpWindow(const QString& url);

}  // namespace vek::ui
