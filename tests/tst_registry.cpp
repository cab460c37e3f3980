// Reading a text or a number from the registry (where the About box finds the system-information
// program): the buffer, the value types and the handles, against a registry that behaves like
// the system's.
#include "platform/registry.h"

#include <QMap>
#include <QTest>

#include <cstring>

namespace {
const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
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

QByteArray littleEndian(quint32 value) {
    const char bytes[] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    return QByteArray(bytes, 4);
}
} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private slots:
    void getKeyValue_data();
    void getKeyValue();
};

void TestRegistry::getKeyValue_data() {
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
    row("1024 characters without an end", text, QByteArray(1024, 'x'), "old", false, "");
    row("a number", Registry::kNumber, littleEndian(0xffff0401), "junk", true, "4294902785");
    row("another type", 3, "\x01", "kept", true, "kept");
    row("a missing value", 0, {}, "old", false, "");
    row("a missing key", 99, {}, "old", false, "");
}

void TestRegistry::getKeyValue() {
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

QTEST_APPLESS_MAIN(TestRegistry)
#include "tst_registry.moc"
