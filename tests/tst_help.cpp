#include "ui/htmlhelp.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

namespace {
HelpWindow *openHelpWindow() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    HelpWindow *found = nullptr;
    int count = 0;
    for (QWidget *window : windows) {
        if (auto *help = qobject_cast<HelpWindow *>(window); help && help->isVisible()) {
            found = help;
            ++count;
        }
    }
    return count == 1 ? found : nullptr;
}

QTextBrowser *browserOf(HelpWindow *window) {
    return window->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
}

// The top of the anchor's block in the browser's document, in scroll-bar units.
int anchorTop(QTextBrowser *browser, const QString &anchor) {
    QTextDocument *document = browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorNames().contains(anchor))
                return int(document->documentLayout()->blockBoundingRect(block).top());
        }
    }
    return -1;
}
} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void helpFilePath_data();
    void helpFilePath();
    void opensOnContents();
    void missingFile_data();
    void missingFile();
    void linksLeadSomewhere_data();
    void linksLeadSomewhere();
};

void TestHelp::cleanup() {
    CloseHelp();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestHelp::helpFilePath_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("path");

    const QString beside = QCoreApplication::applicationDirPath() + "/QMX-7700.html";
    QTest::newRow("mode 1: beside the program") << 1 << beside;
    QTest::newRow("mode 2: none") << 2 << "";
    QTest::newRow("mode 0: none") << 0 << "";
    QTest::newRow("mode -1: none") << -1 << "";
}

void TestHelp::helpFilePath() {
    QFETCH(int, mode);
    QFETCH(QString, path);
    QCOMPARE(HelpFilePath(qint16(mode)), path);
}

void TestHelp::opensOnContents() {
    // The build puts the help file beside this test, as beside the program.
    QVERIFY(QFile::exists(HelpFilePath(1)));
    ShowHelp(1);
    HelpWindow *window = openHelpWindow();
    QVERIFY(window);
    QTextBrowser *browser = browserOf(window);
    QCOMPARE(browser->source().toLocalFile(), HelpFilePath(1));
    QCOMPARE(browser->source().fragment(), QStringLiteral("contents"));
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Mapping a port on Linux")));

    // Read elsewhere, then asked again: the same window, back on the contents.
    QScrollBar *scroll = browser->verticalScrollBar();
    browser->scrollToAnchor(QStringLiteral("simulator"));
    QVERIFY(scroll->value() > 0);
    ShowHelp(1);
    QCOMPARE(openHelpWindow(), window);
    QCOMPARE(scroll->value(), qMin(scroll->maximum(), anchorTop(browser, "contents")));
}

void TestHelp::missingFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no such file") << "/nonexistent/QMX-7700.html"
                                  << "The help file /nonexistent/QMX-7700.html was not found.";
    QTest::newRow("a folder") << "/tmp"
                              << "The help file /tmp was not found.";
    QTest::newRow("no help for the mode") << ""
                                          << "The help file (none) was not found.";
}

void TestHelp::missingFile() {
    QFETCH(QString, file);
    QFETCH(QString, shown);

    HelpWindow window;
    window.openContents(HelpFilePath(1));
    QTextBrowser *browser = browserOf(&window);
    browser->setSource(QUrl(QStringLiteral("#ports")));
    window.openContents(file);
    QVERIFY2(browser->toPlainText().contains(shown), qPrintable(browser->toPlainText()));
    // Nothing of the earlier file remains, nor a way back to it.
    QVERIFY(!browser->toPlainText().contains(QStringLiteral("Mapping a port")));
    QVERIFY(!browser->isBackwardAvailable());
}

void TestHelp::linksLeadSomewhere_data() {
    QTest::addColumn<QString>("anchor");

    QFile file(QCoreApplication::applicationDirPath() + "/QMX-7700.html");
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no help file beside the test");
    const QString html = QString::fromUtf8(file.readAll());
    const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    QSet<QString> seen;
    for (const QRegularExpressionMatch &match : link.globalMatch(html)) {
        const QString anchor = match.captured(1);
        if (!seen.contains(anchor)) {
            seen.insert(anchor);
            QTest::newRow(qPrintable(anchor)) << anchor;
        }
    }
    if (seen.size() < 11)
        qFatal("the table of contents lists only %d topics", int(seen.size()));
}

void TestHelp::linksLeadSomewhere() {
    QFETCH(QString, anchor);

    HelpWindow window;
    window.openContents(HelpFilePath(1));
    QVERIFY2(anchorTop(browserOf(&window), anchor) >= 0, qPrintable(anchor));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
