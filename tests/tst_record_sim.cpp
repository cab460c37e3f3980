// The run record of the program with its windows against qmx7700-sim in real time, checked by
// tests/record_check.py with json.loads as a lab would read it.
#include "platform/clock.h"
#include "platform/systemserialport.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "support/apprig.h"
#include "support/files.h"
#include "support/simulator.h"
#include "ui/frmchannel.h"

#include <QApplication>
#include <QLabel>

#include <csignal>

namespace {
// The program on the simulator's port, started up; its record in `recordFolder` or the rig's.
struct SimRig : AppRig {
    explicit SimRig(const QString &linkPath, const QString &recordFolder = {}) {
        store({QStringLiteral("Com1=") + linkPath}, QStringLiteral("Ports"));
        if (!recordFolder.isEmpty())
            store({QStringLiteral("Folder=") + recordFolder}, QStringLiteral("Record"));
        build([](SettingsStore &s) { return std::make_unique<SystemSerialPort>(s); },
              std::make_unique<SystemClock>());
        module->startUp();
    }
    // A new program whose step k switches to channel k and waits 20 ms, run for `runs` passes
    // (-1: endless).
    void run(int steps, int runs) {
        click(QStringLiteral("Neu"));
        ProgramTable &table = instrument().table();
        for (int k = 1; k <= steps; ++k) {
            table.setText(k, ProgramTable::ChannelColumn, QString::number(k));
            table.setText(k, ProgramTable::TimeColumn, QStringLiteral("20"));
            table.setText(k, ProgramTable::UnitColumn, QStringLiteral("ms"));
        }
        instrument().runner().setContinuous(runs != 1);
        instrument().runner().setRunsText(QString::number(runs));
        click(QStringLiteral("Run"));
    }
};

// record_check.py with these arguments, its report in the test's output; its exit code.
int check(const QStringList &arguments) {
    return QProcess::execute(qEnvironmentVariable("QMX_PYTHON"),
                             QStringList{qEnvironmentVariable("QMX_RECORD_CHECK")} + arguments);
}
} // namespace

class TestRecordSim : public QObject {
    Q_OBJECT

private slots:
    // 3 passes of 16 steps, then the window closed. The record's moments must agree with the
    // simulator's trace to 5 ms, which a machine busy with other work can miss now and then: a
    // run that misses only that is made once more.
    void aCountedRun() {
        for (int attempt = 1;; ++attempt) {
            Simulator sim;
            QVERIFY(sim.start());
            SimRig rig(sim.linkPath());
            rig.run(16, 3);
            rig.main().close();
            QTRY_VERIFY(rig.module->unloaded());
            const int checked =
                check({QStringLiteral("run"), rig.recordFolder(), sim.tracePath(), "3", "16"});
            if (checked == 0)
                return;
            QVERIFY2(attempt == 1 && checked == 3, "record_check.py failed (see above)");
        }
    }

    // Killed in an endless run, started again and killed again: the lines the first wrote are
    // whole, and the second's follow them.
    void killedMidRun() {
        Simulator sim;
        QVERIFY(sim.start());
        const AppRig folder; // its record folder, and what that holds
        for (int session = 1; session <= 2; ++session) {
            QProcess program;
            program.setProcessChannelMode(QProcess::ForwardedChannels);
            program.start(
                QCoreApplication::applicationFilePath(),
                {QStringLiteral("--record-child"), sim.linkPath(), folder.recordFolder()});
            QVERIFY(program.waitForStarted(5000));
            QTRY_VERIFY_WITH_TIMEOUT(folder.recorded("step", "row").size() >= 5 * session, 20000);
            QVERIFY(::kill(pid_t(program.processId()), SIGKILL) == 0);
            QVERIFY(program.waitForFinished(5000));
        }
        QCOMPARE(check({QStringLiteral("killed"), folder.recordFolder(), "2"}), 0);
    }

    // The run goes on, and the status panel's tooltip says why the record is missing until it
    // can be written again.
    void unwritableFolder() {
        Simulator sim;
        QVERIFY(sim.start());
        const QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("file"));
        QVERIFY(writeFile(file, "x"));
        SimRig rig(sim.linkPath(), file + QStringLiteral("/records"));
        rig.run(3, 1);
        QCOMPARE(sim.commandsSince(0).count("LR0\\r"), 3);
        const auto *panel = rig.main().findChild<QLabel *>(QStringLiteral("sbStatusBarPanel1"));
        QCOMPARE(panel->toolTip(), QStringLiteral("The run record cannot be written: the folder "
                                                  "%1/records cannot be made.")
                                       .arg(file));
        QVERIFY(QFile::remove(file));
        QTest::mouseClick(rig.module->channelView()->findChild<QWidget *>("MyButton2"),
                          Qt::LeftButton);
        QCOMPARE(panel->toolTip(), QString());
    }
};

// The program of killedMidRun, run as a child of the test: it runs endlessly until it is killed.
int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--record-child") == 0) {
        SimRig rig(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        rig.run(16, -1);
        return 1;
    }
    TestRecordSim test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_record_sim.moc"
