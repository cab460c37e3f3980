// The run record in virtual time: the instrument around a scripted device, every line as the
// record writes it, its timing to the microsecond, and the daily files.
#include "app/instrument.h"
#include "device/devicelink.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "record/jsonobject.h"
#include "record/recorder.h"
#include "record/timingsummary.h"
#include "support/files.h"
#include "support/scripteddevice.h"
#include "support/scriptedport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {
struct Rig {
    // enabled: the record's "Enabled" setting.
    explicit Rig(const QString &enabled = QStringLiteral("1")) {
        SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
        settings.write(QStringLiteral("Record"), QStringLiteral("Folder"), folder());
        settings.write(QStringLiteral("Record"), QStringLiteral("Enabled"), enabled);
        auto virtualClock = std::make_unique<VirtualClock>();
        clock = virtualClock.get();
        auto scripted = std::make_unique<ScriptedPort>(*clock);
        port = scripted.get();
        port->setResponder([this](const QByteArray &w) { return device(w); });
        instrument = std::make_unique<Instrument>(Instrument::Parts{
            std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.ini"))),
            std::move(scripted), std::move(virtualClock), QString()});
        instrument->loadSettings();
        QObject::connect(&instrument->recorder(), &Recorder::recorded,
                         [this](const QByteArray &line) { lines << line; });
        start = clock->monotonic().count();
    }
    QString folder() const { return dir.filePath(QStringLiteral("records")); }
    // Connected; brief() begins after it.
    void connected() {
        instrument->connectAtStartUp();
        from = lines.size();
    }
    // Steps "<channel> <time> <unit>" from row 1 on.
    void program(const QStringList &steps) {
        for (int cell = 0; cell < steps.size() * 3; ++cell)
            instrument->table().setText(cell / 3 + 1, cell % 3 + 1,
                                        steps[cell / 3].section(u' ', cell % 3, cell % 3));
    }
    // Each line as "kind key=value ...", its keys in alphabetical order: without its two
    // moments, its null fields and a step's moments (its switch's), moments (*_ns) in ms since
    // the rig was made, durations (*_ms) in ms, a program file by its name, a list by its size.
    QStringList brief() const {
        QStringList briefs;
        for (const QByteArray &line : lines.mid(from)) {
            const QJsonObject fields = QJsonDocument::fromJson(line).object();
            const QString kind = fields.value(QStringLiteral("kind")).toString();
            QString text = kind;
            for (auto it = fields.begin(); it != fields.end(); ++it) {
                QString key = it.key();
                QString value = it->toVariant().toString();
                if (key == u"kind" || key == u"utc" || key == u"mono_ns" || it->isNull() ||
                    (kind == u"step" && key.endsWith(u"_ns")))
                    continue;
                if (key.endsWith(u"_ns"))
                    value = QString::number((it->toDouble() - double(start)) / 1e6);
                if (key.endsWith(u"_ns") || key.endsWith(u"_ms"))
                    key.chop(3);
                if (it->isArray())
                    value = QString::number(it->toArray().size());
                else if (key == u"program" && value != u"unsaved")
                    value = QFileInfo(value).fileName();
                text += u' ' + key + u'=' + value;
            }
            briefs << text;
        }
        return briefs;
    }

    QTemporaryDir dir;
    VirtualClock *clock = nullptr;
    ScriptedPort *port = nullptr;
    ScriptedDevice device;
    std::unique_ptr<Instrument> instrument;
    QList<QByteArray> lines;
    qsizetype from = 0;
    qint64 start = 0;
};

using Act = std::function<void(Rig &)>;
} // namespace

Q_DECLARE_METATYPE(Act)

class TestRecord : public QObject {
    Q_OBJECT

private slots:
    // A device that answers every position poll with silence is polled 20 times (2,200 ms).
    void lines_data() {
        QTest::addColumn<Act>("act");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("connects and a run while the link is down")
            << Act([](Rig &rig) {
                   rig.device.faults = {"3\r\n", "3\r\n", "0\r\n"};
                   rig.instrument->connectAtStartUp();
                   rig.instrument->link().Disconnect();
                   rig.device.silent = true;
                   rig.instrument->connectAtStartUp();
                   rig.port->setOpenable(false);
                   rig.instrument->link().Connect();
                   // Saved, then changed: not the file.
                   rig.program({"2 20 ms"});
                   rig.instrument->document().SaveProgram(rig.dir.filePath(QStringLiteral("a")));
                   rig.program({"2 10 ms"});
                   rig.instrument->runner().RunProgram();
               })
            << QStringList{"fault fault=3",
                           "fault fault=0",
                           "switch channel=1 outcome=not-sent polls=0 source=connect",
                           "connect outcome=connected port=COM1 version=Version 3.1",
                           "disconnect outcome=disconnected port=COM1 version=Version 3.1",
                           "connect outcome=not-found port=COM1",
                           "connect outcome=failed port=COM1 reason=scripted failure",
                           "run-start mode=once program=unsaved runs=1 steps=1",
                           "switch channel=2 outcome=not-sent polls=0 source=run",
                           "step actual=10 channel=2 lateness=0 planned=10 row=1 stopped=false",
                           "run-end drift=0 lateness_median=0 lateness_p99=0 passes=1 steps=1 "
                           "why=done"};

        // Every event round takes 2 ms: a wait that serves events ends 2 ms late, and the next
        // step's command goes out 2 ms later still. The third command meets a position that
        // cannot be read.
        QTest::newRow("a saved program in a counted run, a device error, the adapter pulled")
            << Act([](Rig &rig) {
                   rig.connected();
                   rig.program({"3 1 s", "5 500 ms"});
                   const QString file = rig.dir.filePath(QStringLiteral("p.qmx"));
                   QCOMPARE(rig.instrument->document().SaveProgram(file), QString());
                   rig.device.positions = QList<QByteArray>(40, "") << "#?x\r\n";
                   rig.clock->setOnServeEvents([&rig] { rig.clock->sleepMs(2); });
                   rig.instrument->runner().setContinuous(true);
                   rig.instrument->runner().setRunsText(QStringLiteral("3"));
                   rig.instrument->runner().RunProgram();
                   rig.port->pull();
               })
            << QStringList{
                   "run-start mode=counted program=p.qmx runs=3 "
                   "sha256=c33fc6073ff12ae9781e884bd27d9e8c988e9272a99bdbc2c17b6c78c31dd533",
                   "switch channel=3 outcome=sent polls=20 position=307 reached=3962 "
                   "sent=1762 source=run",
                   "step actual=1004 channel=3 lateness=4 planned=1000 row=1 stopped=false",
                   "switch channel=5 outcome=sent polls=20 position=507 reached=7166 "
                   "sent=4966 source=run",
                   "step actual=502 channel=5 lateness=2 planned=500 row=2 stopped=false",
                   "switch channel=3 outcome=failed polls=1 position=307 reason=The "
                   "QMX-7700 gave a position that cannot be read. sent=7668 source=run",
                   "run-end drift=6 lateness_median=2 lateness_p99=4 passes=1 steps=2 "
                   "why=device-error",
                   "link-lost outcome=lost port=COM1 reason=scripted failure "
                   "version=Version 3.1"};

        // Stopped 840 ms into the wait of its last step, of a minute: that step is left out.
        QTest::newRow("stopped in the last wait")
            << Act([](Rig &rig) {
                   rig.connected();
                   rig.program({"2 1 s", "4 1 min"});
                   rig.clock->setOnServeEvents([&rig] {
                       if (rig.clock->monotonic().count() - rig.start >= 8'000'000'000) {
                           rig.from = rig.lines.size();
                           rig.instrument->runner().RequestStop();
                       }
                   });
                   rig.instrument->runner().RunProgram();
               })
            << QStringList{"step actual=840 channel=4 lateness=-59160 planned=60000 row=2 "
                           "stopped=true",
                           "run-end drift=0 lateness_median=0 lateness_p99=0 passes=0 steps=1 "
                           "why=stopped"};
    }

    void lines() {
        QFETCH(Act, act);
        QFETCH(QStringList, expected);
        Rig rig;
        act(rig);
        QCOMPARE(rig.brief(), expected);
        // The stream and the file carry the same lines.
        QCOMPARE(readFile(rig.folder() + QStringLiteral("/2024-02-29.jsonl")),
                 rig.lines.join('\n') + '\n');
    }

    // More different lateness values than are kept: neighbours 2 µs apart merge, and a
    // percentile is the low end of its pair (of -1 and 9799 µs).
    void timing() {
        TimingSummary summary;
        for (qint64 us = -10000; us < 10000; ++us)
            summary.add(std::chrono::microseconds(us));
        QCOMPARE(microsecondsRounded(*summary.median()), -2);
        QCOMPARE(microsecondsRounded(*summary.p99()), 9798);
        QCOMPARE(microsecondsRounded(summary.drift()), -10000);
    }

    // Texts come back from the JSON as they went in; durations are written to the microsecond.
    void json() {
        for (const QString &text : {QStringLiteral("\"quoted\" \\ back"),
                                    QStringLiteral("tab\tCR\rLF\n\x01\x1f\x7f Ä €")}) {
            const QByteArray json = JsonObject().text("t", text).json();
            QCOMPARE(QJsonDocument::fromJson(json).object().value(QStringLiteral("t")).toString(),
                     text);
        }
        JsonObject durations;
        for (const qint64 ns : {0LL, 499LL, 500LL, -500LL, -1'234'567LL, 60'000'000'000LL})
            durations.milliseconds("d", std::chrono::nanoseconds(ns));
        durations.decimal("x", 0.1).decimal("y", qInf());
        QCOMPARE(durations.json(),
                 QByteArray("{\"d\":0.000,\"d\":0.000,\"d\":0.001,\"d\":-0.001,"
                            "\"d\":-1.235,\"d\":60000.000,\"x\":0.1,\"y\":null}"));
    }

    // A line goes to the file of its date; a line cut short before keeps a line of its own.
    // Switched off, the record writes no file, and its lines still go to whoever listens.
    void dailyFiles() {
        Rig rig;
        rig.clock->setWallClockStart(86'398'000); // 23:59:58
        QVERIFY(QDir().mkpath(rig.folder()));
        const QString before = rig.folder() + QStringLiteral("/2024-02-29.jsonl");
        QVERIFY(writeFile(before, "{\"kind\":\"cut"));
        rig.instrument->connectAtStartUp();
        rig.instrument->link().GotoChannel(0, SwitchSource::Dial);

        QCOMPARE(rig.lines.size(), 3);
        QVERIFY(rig.lines[1].startsWith(
            R"({"utc":"2024-02-29T23:59:59.760000Z","mono_ns":3601760000000,"kind":"connect")"));
        QCOMPARE(readFile(before), "{\"kind\":\"cut\n" + rig.lines[0] + '\n' + rig.lines[1] + '\n');
        QCOMPARE(readFile(rig.folder() + QStringLiteral("/2024-03-01.jsonl")), rig.lines[2] + '\n');

        Rig off(QStringLiteral("0"));
        off.instrument->connectAtStartUp();
        QCOMPARE(off.lines.size(), 2);
        QVERIFY(!QFileInfo::exists(off.folder()));
    }
};

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
