#include "core/globalstate.h"
#include "platform/registry.h"
#include "platform/systeminfo.h"
#include "support/faketopmost.h"
#include "ui/frmabout.h"

#include <QMap>
#include <QPushButton>
#include <QTest>

#include <cstring>

namespace {
const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// Behaves as the system's registry does: a value larger than the buffer fails with "more
// data", and closing a handle never opened fails.
class FakeRegistry final : public Registry {
public:
    struct Value {
        quint32 type;
        QByteArray data;
    };
    long openKey(quint32 root, const QString &path, quint32 access, Handle &handle) override {
        accesses << access;
        if (root != kLocalMachine || !keys.contains(path))
            return 2; // ERROR_FILE_NOT_FOUND
        handle = Handle(keys.keys().indexOf(path) + 1);
        opened << handle;
        return kSuccess;
    }
    long queryValue(Handle handle, const QString &name, quint32 &type, QByteArray &buffer,
                    quint32 &size) override {
        const QMap<QString, Value> values = keys.value(keys.keys().value(int(handle) - 1));
        if (!values.contains(name))
            return 2;
        const Value value = values.value(name);
        type = value.type;
        const bool fits = quint32(value.data.size()) <= size;
        if (fits)
            std::memcpy(buffer.data(), value.data.constData(), size_t(value.data.size()));
        size = quint32(value.data.size());
        return fits ? kSuccess : kMoreData;
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

class FakeTools final : public SystemTools {
public:
    Registry *registry() override { return withRegistry ? &fakeRegistry : nullptr; }
    bool fileExists(const QString &path) const override { return files.contains(path); }
    QString findExecutable(const QString &program) const override {
        return onPath.contains(program) ? QStringLiteral("/usr/bin/") + program : QString();
    }
    bool startDetached(const QString &program, const QStringList &arguments) override {
        started << (QStringList{program} + arguments).join(u' ');
        return true;
    }
    bool withRegistry = false;
    FakeRegistry fakeRegistry;
    QStringList files;
    QStringList onPath;
    QStringList started;
};

QByteArray littleEndian(quint32 value) {
    const char bytes[] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    return QByteArray(bytes, 4);
}
} // namespace

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void getKeyValue_data();
    void getKeyValue();
    void startSysInfo_data();
    void startSysInfo();
};

void TestAbout::getKeyValue_data() {
    QTest::addColumn<quint32>("type"); // 0: no value of that name; 99: no key either
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QString>("value");

    const auto row = [](const char *name, quint32 type, const QByteArray &data, const char *before,
                        bool read, const QString &value) {
        QTest::newRow(name) << type << data << before << read << value;
    };
    const quint32 text = Registry::kString;
    row("a string ends at its first NUL", text, QByteArray("C:\\T\\msinfo32.exe\0x\0", 20), "old",
        true, "C:\\T\\msinfo32.exe");
    row("1023 characters fit", text, QByteArray(1023, 'x') + '\0', "", true, QString(1023, u'x'));
    row("1024 characters do not", text, QByteArray(1024, 'x') + '\0', "old", false, "");
    row("a number", Registry::kNumber, littleEndian(0xffff0401), "junk", true, "4294902785");
    row("another type", 3, "\x01", "kept", true, "kept");
    row("a missing value", 0, {}, "old", false, "");
    row("a missing key", 99, {}, "old", false, "");
}

void TestAbout::getKeyValue() {
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, before);
    QFETCH(bool, read);
    QFETCH(QString, value);

    FakeRegistry registry;
    if (type != 99)
        registry.keys[kMsinfoKey][type ? QStringLiteral("PATH") : QStringLiteral("Other")] = {type,
                                                                                              data};
    QString keyVal = before;
    QCOMPARE(
        GetKeyValue(registry, Registry::kLocalMachine, kMsinfoKey, QStringLiteral("PATH"), keyVal),
        read);
    QCOMPARE(keyVal, value);
    // Opened for reading only, which every user may; closed once, also when never opened.
    QCOMPARE(registry.accesses, QList<quint32>{Registry::kReadAccess});
    QCOMPARE(registry.closed,
             registry.opened.isEmpty() ? QList<Registry::Handle>{0} : registry.opened);
}

void TestAbout::startSysInfo_data() {
    QTest::addColumn<bool>("withRegistry");
    QTest::addColumn<QString>("location1"); // the "PATH" text; empty: none
    QTest::addColumn<QString>("location2"); // the "MSINFO" text; empty: none
    QTest::addColumn<QStringList>("filesOrPrograms");
    QTest::addColumn<QStringList>("started"); // "-": the button is hidden

    const auto row = [](const char *name, bool withRegistry, const char *location1,
                        const char *location2, const QStringList &filesOrPrograms,
                        const QStringList &started) {
        QTest::newRow(name) << withRegistry << location1 << location2 << filesOrPrograms << started;
    };
    const QString tool = QStringLiteral("C:\\Loc\\MSINFO32.EXE");
    row("location 1, even if missing", true, "C:\\T\\msinfo32.exe", "C:\\Loc", {tool},
        {"C:\\T\\msinfo32.exe"});
    row("location 2 with the tool", true, "", "C:\\Loc", {tool}, {tool});
    row("location 2 without it", true, "", "C:\\Loc", {}, {});
    row("the first on the PATH", false, "", "", {"gnome-control-center", "kinfocenter", "hardinfo"},
        {"/usr/bin/hardinfo"});
    row("with its page", false, "", "", {"gnome-control-center"},
        {"/usr/bin/gnome-control-center info-overview"});
    row("none: hidden", false, "", "", {}, {"-"});
}

void TestAbout::startSysInfo() {
    QFETCH(bool, withRegistry);
    QFETCH(QString, location1);
    QFETCH(QString, location2);
    QFETCH(QStringList, filesOrPrograms);
    QFETCH(QStringList, started);

    FakeTools tools;
    tools.withRegistry = withRegistry;
    const auto store = [&tools](const QString &key, const char *name, const QString &text) {
        if (!text.isEmpty())
            tools.fakeRegistry.keys[key][QString::fromLatin1(name)] = {Registry::kString,
                                                                       text.toLatin1() + '\0'};
    };
    store(kMsinfoKey, "PATH", location1);
    store(kLocationKey, "MSINFO", location2);
    (withRegistry ? tools.files : tools.onPath) = filesOrPrograms;
    GlobalState state;
    FakeTopmost topmost(state);
    frmAbout about(topmost, tools);
    about.show();
    QPushButton *button = about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"));
    QCOMPARE(button->isVisible(), started != QStringList{"-"});
    if (button->isVisible())
        QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(tools.started, button->isVisible() ? started : QStringList{});
    // The tool runs on its own: the box stays open.
    QVERIFY(about.isVisible());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
