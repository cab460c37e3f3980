#pragma once

#include <QWidget>

class QTextBrowser;

// The help file QMX-7700.html for mode 1: beside the program (the folder of the real
// executable), else where an install puts it, ../share/qmx7700/ from there; the empty text for
// any other mode.
QString HelpFilePath(qint16 mode);

// Opens the help file of HelpFilePath(mode) on its table of contents in the help window, which
// runs on its own beside the program's other windows. There is one help window; asking again
// brings it to the front on the table of contents.
void ShowHelp(qint16 mode);

// Closes the help window if it is open, when the program ends.
void CloseHelp();

// The help window: the help file in a browser ("txtHelp"), or, when the file is missing, a
// message that says so.
class HelpWindow final : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the file at its table of contents (the anchor "contents").
    void openContents(const QString &helpFile);

private:
    QTextBrowser *m_browser = nullptr;
};
