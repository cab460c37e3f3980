// The whole program against qmx7700-sim in real time, started as a user starts it.
#include "support/files.h"
#include "support/simulator.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <csignal>

namespace {
const QList<QByteArray> kConnect{"ver\\r\\n", "GPROGSEQ\\r\\n", "VER\\r", "GFS\\r"};
} // namespace

class TestAppSim : public QObject {
    Q_OBJECT

private slots:
    void startedAsAUserStartsIt();
};

// Then ended by SIGTERM (a logout, a kill; SIGINT and SIGHUP take the same way), which ends it
// as File, End does.
void TestAppSim::startedAsAUserStartsIt() {
    Simulator sim;
    QVERIFY(sim.start({QStringLiteral("--speed"), QStringLiteral("0")}));
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("config/QMX-7700")));
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("runtime")));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(writeFile(home.filePath(QStringLiteral("config/QMX-7700/QMX-7700.conf")),
                      "[Ports]\nCom1=" + QFile::encodeName(sim.linkPath()) + "\n"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qmx.startup.info=true"));
    const QString program = qEnvironmentVariable("QMX_APP");
    QVERIFY2(!program.isEmpty(), "QMX_APP does not name the program");

    QProcess first;
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(program, {});
    QVERIFY(first.waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(sim.commandsSince(0), kConnect, 20000);
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += first.readAll()).contains("start-up done"), 10000);
    QVERIFY2(output.contains("start-up done: CONNECTED TO QMX7700"), output.constData());

    // A second start asks the first to come to the front and ends, touching nothing.
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTest::qWait(300);
    QCOMPARE(sim.commandsSince(0), kConnect);
    QCOMPARE(first.state(), QProcess::Running);

    // Its place is stored, the port closed and its lock file gone; nothing more was sent.
    QString lock = QStringLiteral("LCK..") + sim.linkPath();
    lock.replace(u'/', u'_');
    const auto locked = [&] {
        return QFile::exists("/var/lock/" + lock) || QFile::exists("/tmp/" + lock);
    };
    QVERIFY(locked());
    QVERIFY(::kill(pid_t(first.processId()), SIGTERM) == 0);
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(!locked());
    const QSettings stored(home.filePath(QStringLiteral("config/QMX-7700/QMX-7700.conf")),
                           QSettings::IniFormat);
    QVERIFY(stored.contains(QStringLiteral("Settings/MainLeft")));
    QCOMPARE(sim.commandsSince(0), kConnect);
}

QTEST_MAIN(TestAppSim)
#include "tst_app_sim.moc"
