#pragma once

#include <QWidget>

class QTextBrowser;

// Where the help file is looked for.
enum class HelpMode : qint16 {
    None = 0,
    // QMX-7700.html beside the program (the folder of the real executable), else where an
    // install puts it, ../share/qmx7700/ from there.
    BesideProgram = 1,
};

// The help file of the mode; the empty text for none.
QString HelpFilePath(HelpMode mode);

// Opens the help file of HelpFilePath(mode) on its table of contents in the help window, which
// runs on its own beside the program's other windows. There is one help window; asking again
// brings it to the front on the table of contents. keepOnTop puts it among the windows kept on
// top, which it would otherwise open under.
void ShowHelp(HelpMode mode, bool keepOnTop = false);

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
