#include "ui/htmlhelp.h"

#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    // The build puts the help file beside this test, as beside the program.
    void opensOnContents() {
        ShowHelp(HelpMode::BesideProgram);
        const QWidgetList windows = QApplication::topLevelWidgets();
        const auto help = std::find_if(windows.cbegin(), windows.cend(), [](QWidget *w) {
            return qobject_cast<HelpWindow *>(w) && w->isVisible();
        });
        QVERIFY(help != windows.cend());
        auto *browser = (*help)->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
        QCOMPARE(browser->source().toLocalFile(), HelpFilePath(HelpMode::BesideProgram));
        QCOMPARE(browser->source().fragment(), QStringLiteral("contents"));
        // Read elsewhere, then asked again: the same window, back on the contents.
        browser->scrollToAnchor(QStringLiteral("simulator"));
        QVERIFY(browser->verticalScrollBar()->value() > 0);
        ShowHelp(HelpMode::BesideProgram, true);
        QVERIFY(browser->verticalScrollBar()->value() <= browser->fontMetrics().height());
        QVERIFY((*help)->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QPointer<QWidget> closed = *help;
        CloseHelp();
        QTRY_VERIFY(!closed);
    }

    // A missing file says so, and nothing of the earlier file remains, nor a way back to it.
    void missingFile() {
        HelpWindow window;
        window.openContents(HelpFilePath(HelpMode::BesideProgram));
        auto *browser = window.findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
        browser->setSource(QUrl(QStringLiteral("#ports")));
        window.openContents(QStringLiteral("/nonexistent/QMX-7700.html"));
        QVERIFY2(browser->toPlainText().contains(
                     QStringLiteral("The help file /nonexistent/QMX-7700.html was not found.")),
                 qPrintable(browser->toPlainText()));
        QVERIFY(!browser->toPlainText().contains(QStringLiteral("Mapping a port")));
        QVERIFY(!browser->isBackwardAvailable());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
