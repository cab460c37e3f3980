#include "ui/htmlhelp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString kHelpFileName = QStringLiteral("QMX-7700.html");
// Where an install puts it, seen from the programs' folder.
const QString kInstalledHelpFolder = QStringLiteral("../share/qmx7700");
const QString kContentsAnchor = QStringLiteral("contents");

QPointer<HelpWindow> &helpWindow() {
    static QPointer<HelpWindow> window;
    return window;
}
} // namespace

QString HelpFilePath(HelpMode mode) {
    if (mode != HelpMode::BesideProgram)
        return {};
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString beside = programFolder.filePath(kHelpFileName);
    const QString installed =
        QDir::cleanPath(programFolder.filePath(kInstalledHelpFolder + u'/' + kHelpFileName));
    // With neither, the help window names the place beside the program.
    return !QFileInfo(beside).isFile() && QFileInfo(installed).isFile() ? installed : beside;
}

void ShowHelp(HelpMode mode, bool keepOnTop) {
    QPointer<HelpWindow> &window = helpWindow();
    if (!window) {
        window = new HelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        // The program ends with its main window, whether or not help is still open.
        window->setAttribute(Qt::WA_QuitOnClose, false);
    }
    window->openContents(HelpFilePath(mode));
    window->setWindowFlag(Qt::WindowStaysOnTopHint, keepOnTop);
    window->show();
    window->raise();
    window->activateWindow();
}

void CloseHelp() {
    if (HelpWindow *window = helpWindow())
        window->close();
}

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("QMX-7700 Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(760, 600);
}

void HelpWindow::openContents(const QString &helpFile) {
    if (helpFile.isEmpty() || !QFileInfo(helpFile).isFile()) {
        m_browser->clearHistory();
        m_browser->setHtml(tr("<h3>No help</h3><p>The help file <b>%1</b> was not found.</p>")
                               .arg(helpFile.isEmpty() ? tr("(none)") : helpFile.toHtmlEscaped()));
        return;
    }
    QUrl url = QUrl::fromLocalFile(helpFile);
    url.setFragment(kContentsAnchor);
    m_browser->setSource(url);
}
