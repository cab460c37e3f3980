#include "ui/htmlhelp.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>

namespace {
// The one help window that is open, or null.
HelpWindow *openHelpWindow() {
    QList<HelpWindow *> open;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (auto *help = qobject_cast<HelpWindow *>(window); help && help->isVisible())
            open << help;
    }
    return open.size() == 1 ? open.first() : nullptr;
}

QTextBrowser *browserOf(QWidget *window) {
    return window->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void helpFilePath_data();
    void helpFilePath();
    void opensOnContents();
    void missingFile_data();
    void missingFile();
    void linksLeadSomewhere();
};

void TestHelp::helpFilePath_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("path");

    QTest::newRow("mode 1: beside the program")
        << 1 << QCoreApplication::applicationDirPath() + "/QMX-7700.html";
    QTest::newRow("mode 2: none") << 2 << "";
    QTest::newRow("mode 0: none") << 0 << "";
}

void TestHelp::helpFilePath() {
    QFETCH(int, mode);
    QFETCH(QString, path);
    QCOMPARE(HelpFilePath(qint16(mode)), path);
}

void TestHelp::opensOnContents() {
    // The build puts the help file beside this test, as beside the program.
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
    QVERIFY(scroll->value() <= browser->fontMetrics().height());
    CloseHelp();
    QTRY_VERIFY(!openHelpWindow());
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

void TestHelp::linksLeadSomewhere() {
    QFile file(HelpFilePath(1));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    QStringList targets;
    const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    for (const QRegularExpressionMatch &match : link.globalMatch(html)) {
        if (!html.contains(QStringLiteral("id=\"%1\"").arg(match.captured(1))))
            QFAIL(qPrintable(match.captured(1)));
        targets << match.captured(1);
    }
    targets.removeDuplicates();
    QVERIFY2(targets.size() >= 12, qPrintable(targets.join(u' ')));
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
