// Every text the program translates at run time is one that lupdate finds in the sources, so
// that a translation can give it.
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "platform/settingsstore.h"
#include "platform/systemserialport.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "support/fakeviews.h"
#include "support/files.h"
#include "support/scriptedport.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {
using Text = QPair<QString, QString>; // context and source text

// Translates nothing and notes every text it is asked for.
class RecordingTranslator final : public QTranslator {
public:
    QString translate(const char *context, const char *sourceText, const char *,
                      int) const override {
        asked.insert({QString::fromUtf8(context), QString::fromUtf8(sourceText)});
        return {};
    }
    bool isEmpty() const override { return false; }
    mutable QSet<Text> asked;
};

// The texts lupdate finds in the program's sources.
QSet<Text> catalogue(const QString &ts) {
    QSet<Text> texts;
    QFile file(ts);
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            texts.insert({context, xml.readElementText()});
    }
    return texts;
}
} // namespace

class TestTexts : public QObject {
    Q_OBJECT

private slots:
    void translatedTextsAreFound() {
        QTemporaryDir dir;
        const QString ts = dir.filePath(QStringLiteral("all.ts"));
        QStringList arguments{QStringLiteral("-silent"), QStringLiteral("-extensions"),
                              QStringLiteral("h,cpp"), QStringLiteral("-I"),
                              QStringLiteral(QMX_SOURCE_DIR)};
        for (const char *folder : {"core", "device", "program", "platform", "ui", "app"}) {
            const QString path = QStringLiteral(QMX_SOURCE_DIR "/") + QLatin1String(folder);
            if (QFileInfo::exists(path))
                arguments << path;
        }
        QProcess lupdate;
        lupdate.start(QStringLiteral(QMX_LUPDATE), arguments << QStringLiteral("-ts") << ts);
        QVERIFY2(lupdate.waitForFinished(60000) && lupdate.exitCode() == 0,
                 qPrintable(QStringLiteral(QMX_LUPDATE ": ") + lupdate.errorString()));
        const QSet<Text> found = catalogue(ts);
        QVERIFY(!found.isEmpty());

        RecordingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        showTexts();
        QCoreApplication::removeTranslator(&translator);

        QVERIFY(translator.asked.size() >= 5);
        for (const Text &text : std::as_const(translator.asked))
            QVERIFY2(found.contains(text),
                     qPrintable(text.first + QLatin1String(": ") + text.second));
    }

private:
    // Goes down the paths that show a message or a failure reason.
    void showTexts() {
        VirtualClock clock;
        GlobalState state;
        state.opt_comport = 1;
        ScriptedPort port(clock);
        FakeMessages messages;
        FakeStatus status;
        DeviceLink link(state, port, clock);
        link.setViews(LinkViews{&status, {}, &messages, nullptr, nullptr});
        link.Connect(); // a silent device: not found

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("p.qmx"));
        ProgramTable table;
        StepTable steps;
        table.setText(1, ProgramTable::ChannelColumn, QStringLiteral("\u20ac"));
        SaveProgram(file, table);
        writeFile(file, "-1,4;");
        LoadProgram(file, table, steps, nullptr, &messages);

        Waits waits(clock, state);
        ProgramRunner runner(state, table, steps, link, waits, clock);
        runner.setViews({nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &messages});
        table.setText(1, ProgramTable::ChannelColumn, QStringLiteral("17"));
        runner.RunProgram();

        SettingsStore store(dir.filePath(QStringLiteral("settings.conf")));
        SystemSerialPort serial(store);
        serial.setPortNumber(0);
        serial.open();
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"
