// The single-instance socket of a first start under a flood of clients that send anything and
// hang up any way: it never comes to the front for them, keeps no connection, and still answers
// a second start.
#include "app/singleinstance.h"

#include <QLocalSocket>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {
const QByteArray kRequest = QByteArrayLiteral("QMX-7700 raise\n");

// Anything but the request: random bytes, or the request cut short, grown or with one byte
// changed.
QByteArray message(QRandomGenerator &random, bool nearMiss) {
    QByteArray bytes;
    if (!nearMiss) {
        bytes.resize(random.bounded(4097));
        for (char &byte : bytes)
            byte = char(random.bounded(256));
    } else {
        bytes = kRequest;
        switch (random.bounded(3)) {
        case 0:
            bytes.truncate(random.bounded(kRequest.size()));
            break;
        case 1:
            bytes += QByteArray(1 + random.bounded(4096 - kRequest.size()), 'x');
            break;
        default:
            bytes[random.bounded(kRequest.size())] ^= char(1 + random.bounded(255));
        }
    }
    return bytes;
}
} // namespace

class TestSingleInstanceFuzz : public QObject {
    Q_OBJECT

private slots:
    void floodOfClients_data();
    void floodOfClients();
};

void TestSingleInstanceFuzz::floodOfClients_data() {
    QTest::addColumn<bool>("nearMiss");
    QTest::addColumn<quint32>("seed");

    QTest::newRow("random bytes") << false << 7700u;
    QTest::newRow("near misses of the request") << true << 7701u;
}

void TestSingleInstanceFuzz::floodOfClients() {
    QFETCH(bool, nearMiss);
    QFETCH(quint32, seed);

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("QMX-7700-user.instance"));
    SingleInstance first(name);
    QVERIFY(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    QRandomGenerator random(seed);
    constexpr int kBatches = 100;
    constexpr int kClients = 20;
    for (int batch = 0; batch < kBatches; ++batch) {
        std::vector<std::unique_ptr<QLocalSocket>> clients;
        for (int i = 0; i < kClients; ++i) {
            auto &client = clients.emplace_back(std::make_unique<QLocalSocket>());
            client->connectToServer(name);
            QVERIFY(client->waitForConnected(5000));
            const QByteArray bytes = message(random, nearMiss);
            client->write(bytes);
            client->flush();
            // Gone at once, hung up politely, or left to the server (which hangs up on anything
            // but the start of the request, and after 2 s on that).
            const int leave = random.bounded(3);
            if (leave == 0)
                client->abort();
            else if (leave == 1 || kRequest.startsWith(bytes))
                client->disconnectFromServer();
        }
        for (const auto &client : clients)
            QTRY_COMPARE_WITH_TIMEOUT(client->state(), QLocalSocket::UnconnectedState, 10000);
    }
    QCOMPARE(raised.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(first.findChildren<QLocalSocket *>().size(), 0, 10000);

    SingleInstance second(name);
    QVERIFY(!second.claim());
    QTRY_COMPARE(raised.count(), 1);
}

QTEST_GUILESS_MAIN(TestSingleInstanceFuzz)
#include "tst_singleinstance_fuzz.moc"
