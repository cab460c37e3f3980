#include "core/globalstate.h"
#include "platform/registry.h"
#include "platform/systeminfo.h"
#include "support/clippedtexts.h"
#include "support/faketopmost.h"
#include "ui/frmabout.h"

#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <cstring>

namespace {
// A registry that behaves as the system's does: values keep their terminating NUL, a value
// larger than the buffer fails with "more data", and closing a handle never opened fails.
class FakeRegistry final : public Registry {
public:
    struct Value {
        quint32 type;
        QByteArray data;
    };

    void setString(const QString &key, const QString &name, const QByteArray &text) {
        keys[key][name] = {kString, text + '\0'};
    }
    void set(const QString &key, const QString &name, quint32 type, const QByteArray &data) {
        keys[key][name] = {type, data};
    }

    long openKey(quint32 root, const QString &path, quint32 access, Handle &handle) override {
        accesses << access;
        const QStringList paths = keys.keys();
        const qsizetype index = paths.indexOf(path);
        if (root != kLocalMachine || index < 0)
            return 2; // ERROR_FILE_NOT_FOUND
        handle = Handle(index + 1);
        opened << handle;
        return kSuccess;
    }
    long queryValue(Handle handle, const QString &name, quint32 &type, QByteArray &buffer,
                    quint32 &size) override {
        const QString path = keys.keys().value(int(handle) - 1);
        if (!keys[path].contains(name))
            return 2;
        const Value &value = keys[path][name];
        type = value.type;
        if (quint32(value.data.size()) > size) {
            size = quint32(value.data.size());
            return kMoreData;
        }
        std::memcpy(buffer.data(), value.data.constData(), size_t(value.data.size()));
        size = quint32(value.data.size());
        return kSuccess;
    }
    long closeKey(Handle handle) override {
        closed << handle;
        return opened.contains(handle) ? kSuccess : 6; // ERROR_INVALID_HANDLE
    }

    QMap<QString, QMap<QString, Value>> keys;
    QList<quint32> accesses;
    QList<Handle> opened;
    QList<Handle> closed;
};

const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

class FakeTools final : public SystemTools {
public:
    Registry *registry() override { return withRegistry ? &fakeRegistry : nullptr; }
    bool fileExists(const QString &path) const override { return files.contains(path); }
    QString findExecutable(const QString &program) const override {
        return onPath.contains(program) ? QStringLiteral("/usr/bin/") + program : QString();
    }
    bool startDetached(const QString &program, const QStringList &arguments) override {
        started << (QStringList{program} + arguments).join(u' ');
        return startWorks;
    }

    bool withRegistry = false;
    FakeRegistry fakeRegistry;
    QSet<QString> files;
    QSet<QString> onPath;
    bool startWorks = true;
    QStringList started;
};

QByteArray littleEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xff);
    return bytes;
}
} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void texts();
    void closing_data();
    void closing();
    void getKeyValue_data();
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
};

void TestAbout::texts() {
    GlobalState state;
    FakeTopmost topmost(state);
    FakeTools tools;
    tools.onPath = {QStringLiteral("hardinfo")};
    frmAbout about(topmost, tools);
    QCOMPARE(about.windowTitle(), QStringLiteral("Info QMX"));
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblTitle"))->text(),
             QStringLiteral("QMX-7700"));
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version 2.0.0"));
    QCOMPARE(about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->text(),
             QStringLiteral("&System-Info..."));
    for (const char *name : {"lblDescription", "lblDisclaimer"})
        QVERIFY(!about.findChild<QLabel *>(QString::fromLatin1(name))->text().isEmpty());
    // Nothing is cut off.
    about.show();
    QCOMPARE(clippedTexts(about), QStringList());
}

void TestAbout::closing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("ontop");

    QTest::newRow("Enter, always on top") << "enter" << 1;
    QTest::newRow("Esc, always on top") << "esc" << 1;
    QTest::newRow("Enter, not on top") << "enter" << 0;
    QTest::newRow("OK clicked") << "click" << 1;
    QTest::newRow("the close box") << "close box" << 1;
}

void TestAbout::closing() {
    QFETCH(QString, how);
    QFETCH(int, ontop);

    GlobalState state;
    state.opt_ontop = qint16(ontop);
    FakeTopmost topmost(state);
    FakeTools tools;
    tools.onPath = {QStringLiteral("hardinfo")};
    frmAbout about(topmost, tools);
    about.show();
    QPushButton *sysInfo = about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
    // Enter presses OK even while the other button has the focus.
    sysInfo->setFocus();
    if (how == QLatin1String("enter"))
        QTest::keyClick(&about, Qt::Key_Return);
    else if (how == QLatin1String("esc"))
        QTest::keyClick(&about, Qt::Key_Escape);
    else if (how == QLatin1String("click"))
        QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    else
        about.close();

    QVERIFY(!about.isVisible());
    QCOMPARE(topmost.ontopAtCalls, QList<int>{ontop});
    QVERIFY(tools.started.isEmpty());
}

void TestAbout::getKeyValue_data() {
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("value");

    const QByteArray path = "C:\\Program Files\\Common Files\\msinfo32.exe";
    QTest::newRow("a string") << Registry::kString << path + '\0' << "old" << true
                              << QString::fromLatin1(path);
    QTest::newRow("a string ends at its first NUL")
        << Registry::kString << QByteArray("abc\0def\0", 8) << "" << true << "abc";
    QTest::newRow("an empty string")
        << Registry::kString << QByteArray(1, '\0') << "old" << true << "";
    QTest::newRow("1023 characters fit")
        << Registry::kString << QByteArray(1023, 'x') + '\0' << "" << true << QString(1023, u'x');
    QTest::newRow("1024 characters do not fit")
        << Registry::kString << QByteArray(1024, 'x') + '\0' << "old" << false << "";
    QTest::newRow("1024 characters without their NUL do not fit")
        << Registry::kString << QByteArray(1024, 'x') << "old" << false << "";
    QTest::newRow("a number") << Registry::kNumber << littleEndian(0x401) << "" << true << "1025";
    QTest::newRow("a number replaces what the caller had")
        << Registry::kNumber << littleEndian(7) << "junk" << true << "7";
    QTest::newRow("a number with a byte below 16")
        << Registry::kNumber << littleEndian(0x105) << "" << true << "261";
    QTest::newRow("a number whose low byte is zero")
        << Registry::kNumber << littleEndian(0x100) << "" << true << "256";
    QTest::newRow("zero") << Registry::kNumber << littleEndian(0) << "" << true << "0";
    QTest::newRow("the largest number")
        << Registry::kNumber << littleEndian(0xffffffff) << "" << true << "4294967295";
    QTest::newRow("another type keeps the caller's value")
        << quint32(3) << QByteArray("\x01\x02") << "kept" << true << "kept";
    // Type 0 stores nothing under the name asked for; no data: not even the key.
    QTest::newRow("a missing value") << quint32(0) << QByteArray("x") << "old" << false << "";
    QTest::newRow("a missing key") << quint32(0) << QByteArray() << "old" << false << "";
}

void TestAbout::getKeyValue() {
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, before);
    QFETCH(bool, read);
    QFETCH(QString, value);

    FakeRegistry registry;
    if (type != 0)
        registry.set(kMsinfoKey, QStringLiteral("PATH"), type, data);
    else if (!data.isEmpty())
        registry.set(kMsinfoKey, QStringLiteral("Other"), Registry::kString, data);
    QString keyVal = before;
    QCOMPARE(
        GetKeyValue(registry, Registry::kLocalMachine, kMsinfoKey, QStringLiteral("PATH"), keyVal),
        read);
    QCOMPARE(keyVal, value);
    // Closed once, also when it could not be opened (then the handle closed is none).
    QCOMPARE(registry.closed,
             registry.opened.isEmpty() ? QList<Registry::Handle>{0} : registry.opened);
    // Reading needs no more than read access, which every user has.
    QCOMPARE(registry.accesses, QList<quint32>{Registry::kReadAccess});
}

void TestAbout::startSysInfo_data() {
    QTest::addColumn<bool>("withRegistry");
    // "key|name|text" entries of the registry; files that exist; programs on the PATH.
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("onPath");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QStringList>("started");

    const QString first = kMsinfoKey + "|PATH|";
    const QString second = kLocationKey + "|MSINFO|";
    QTest::newRow("location 1, started unchanged even if missing")
        << true << QStringList{first + "C:\\Tools\\msinfo32.exe", second + "C:\\Loc"}
        << QStringList{"C:\\Loc\\MSINFO32.EXE"} << QStringList{} << true
        << QStringList{"C:\\Tools\\msinfo32.exe"};
    QTest::newRow("location 2 with the tool in its folder")
        << true << QStringList{second + "C:\\Loc"} << QStringList{"C:\\Loc\\MSINFO32.EXE"}
        << QStringList{} << true << QStringList{"C:\\Loc\\MSINFO32.EXE"};
    QTest::newRow("location 2 without the tool: nothing")
        << true << QStringList{second + "C:\\Loc"} << QStringList{} << QStringList{} << true
        << QStringList{};
    QTest::newRow("a location 1 too long for the buffer falls to location 2")
        << true << QStringList{first + QString(1100, u'x'), second + "C:\\Loc"}
        << QStringList{"C:\\Loc\\MSINFO32.EXE"} << QStringList{} << true
        << QStringList{"C:\\Loc\\MSINFO32.EXE"};
    QTest::newRow("neither location: nothing") << true << QStringList{} << QStringList{}
                                               << QStringList{"hardinfo"} << true << QStringList{};
    QTest::newRow("no registry: the first program found on the PATH")
        << false << QStringList{} << QStringList{}
        << QStringList{"gnome-control-center", "kinfocenter", "hardinfo"} << true
        << QStringList{"/usr/bin/hardinfo"};
    QTest::newRow("no registry: a program that needs its page")
        << false << QStringList{} << QStringList{} << QStringList{"gnome-control-center"} << true
        << QStringList{"/usr/bin/gnome-control-center info-overview"};
    QTest::newRow("no registry and no program: hidden")
        << false << QStringList{} << QStringList{} << QStringList{} << false << QStringList{};
}

void TestAbout::startSysInfo() {
    QFETCH(bool, withRegistry);
    QFETCH(QStringList, values);
    QFETCH(QStringList, files);
    QFETCH(QStringList, onPath);
    QFETCH(bool, offered);
    QFETCH(QStringList, started);

    FakeTools tools;
    tools.withRegistry = withRegistry;
    for (const QString &entry : std::as_const(values)) {
        tools.fakeRegistry.setString(entry.section(u'|', 0, 0), entry.section(u'|', 1, 1),
                                     entry.section(u'|', 2).toLatin1());
    }
    tools.files = QSet<QString>(files.begin(), files.end());
    tools.onPath = QSet<QString>(onPath.begin(), onPath.end());
    GlobalState state;
    FakeTopmost topmost(state);
    frmAbout about(topmost, tools);
    about.show();
    QPushButton *button = about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
    QCOMPARE(button->isVisible(), offered);
    if (offered)
        QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(tools.started, started);
    QCOMPARE(tools.fakeRegistry.closed.size(), tools.fakeRegistry.accesses.size());
    // The tool runs on its own: the box stays open.
    QVERIFY(about.isVisible());
    QVERIFY(topmost.ontopAtCalls.isEmpty());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
