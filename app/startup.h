#pragma once

#include <QLocale>
#include <QTranslator>

#include <memory>
#include <optional>

class QApplication;

// The command line, before any window, port or other instance is touched: --help and
// --version are answered on standard output, and a start without a display says so on standard
// error; the result is then the exit code. Any other argument is ignored. Empty: start.
std::optional<int> answerCommandLine(int argc, char *argv[]);

// Qt's own texts (its file dialogs, for one) in the language of `locale`; null when Qt has no
// translation for it. The program's own texts stay as they are written.
std::unique_ptr<QTranslator> loadQtTranslations(const QLocale &locale);

// The program's start: ends at once when another instance runs (after asking it to come to the
// front); otherwise loads the windows, shows the start-up view, connects, and serves events
// until the main window has closed. Returns the exit code.
int Main(QApplication &application);
