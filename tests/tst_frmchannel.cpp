// The channel dial as the user meets it: the mouse on the round buttons, the colours, the lamps
// and the bytes a click puts on the line.
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "support/scripteddevice.h"
#include "support/scriptedport.h"
#include "ui/frmchannel.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

namespace {
using Writes = QList<QByteArray>;
using Colours = QList<QColor>;

QColor centreColour(QWidget *widget) {
    const QImage image = widget->grab().toImage();
    return image.pixelColor(image.rect().center());
}

Colours onlyOne(int index, const QColor &colour) {
    Colours all(kChannelCount, frmChannel::kIdleColor);
    if (index >= 0 && index < kChannelCount)
        all[index] = colour;
    return all;
}

// A device met before, so a connect skips the handshake; every position it reports lies outside
// the window, so a move takes one poll.
struct Rig {
    Rig() {
        state.opt_comport = 1;
        state.dev_found = true;
        state.ch_pos[4] = 500;
        device.positions = {"350\r"};
        device.onWrite = [this](const QByteArray &w) {
            if (w.startsWith("LA") && QGuiApplication::overrideCursor())
                cursorDuringMove = QGuiApplication::overrideCursor()->shape();
        };
        port.setResponder([this](const QByteArray &w) { return device(w); });
        link.setViews(LinkViews{nullptr, {&view}, nullptr, &view, nullptr});
        view.resize(view.sizeHint());
        view.show();
    }
    QWidget *child(const QString &name) const { return view.findChild<QWidget *>(name); }
    // A spot on button 5 (index 4), in the window.
    QPoint at(const QString &spot) const {
        const QRect square = child(QStringLiteral("MyButton4"))->geometry();
        if (spot == QLatin1String("corner"))
            return square.topLeft() + QPoint(1, 1);
        if (spot == QLatin1String("off"))
            return view.rect().center(); // the middle of the dial, clear of every button
        return square.center();
    }
    Colours colours() const {
        Colours all;
        for (int k = 0; k < kChannelCount; ++k)
            all << view.buttonColor(k);
        return all;
    }

    VirtualClock clock;
    ScriptedPort port{clock};
    ScriptedDevice device;
    GlobalState state;
    DeviceLink link{state, port, clock};
    frmChannel view{state, link};
    Qt::CursorShape cursorDuringMove = Qt::ArrowCursor;
};
} // namespace

class TestFrmChannel : public QObject {
    Q_OBJECT

private slots:
    void mouseOnButton_data();
    void mouseOnButton();
    void clickWhileLinkDownAsksForFault_data();
    void clickWhileLinkDownAsksForFault();
};

void TestFrmChannel::mouseOnButton_data() {
    QTest::addColumn<QStringList>("spots"); // press, move, release
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::addColumn<bool>("painted");
    QTest::addColumn<bool>("sent");

    const Qt::MouseButton left = Qt::LeftButton;
    QTest::newRow("click") << QStringList{"centre", "centre", "centre"} << left << true << true;
    QTest::newRow("dragged off and back")
        << QStringList{"centre", "off", "centre"} << left << false << false;
    QTest::newRow("corner outside the circle")
        << QStringList{"corner", "corner", "corner"} << left << false << false;
    QTest::newRow("moved to the corner keeps the press")
        << QStringList{"centre", "corner", "corner"} << left << true << true;
    QTest::newRow("right button paints only")
        << QStringList{"centre", "centre", "centre"} << Qt::RightButton << true << false;
}

void TestFrmChannel::mouseOnButton() {
    QFETCH(QStringList, spots);
    QFETCH(Qt::MouseButton, mouseButton);
    QFETCH(bool, painted);
    QFETCH(bool, sent);

    Rig rig;
    rig.link.Connect();
    rig.port.clearWrites();
    // The device identified itself: the green lamp replaces the grey one.
    QVERIFY(rig.child(QStringLiteral("picPoweroff"))->isHidden());
    QVERIFY(!rig.child(QStringLiteral("picPoweron"))->isHidden());
    const Colours before = rig.colours();
    QWindow *window = rig.view.windowHandle();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QTest::mousePress(window, mouseButton, {}, rig.at(spots[0]));
    QTest::mouseMove(window, rig.at(spots[1]));
    QTest::mouseRelease(window, mouseButton, {}, rig.at(spots[2]));

    QCOMPARE(rig.colours(), painted ? onlyOne(4, frmChannel::kSelectedColor) : before);
    QCOMPARE(rig.state.cur_channel, qint16(sent ? 4 : -1));
    const Writes move{"LA500\rM\r", "POS\r", "GFS\r", "LR0\rM\r"};
    QCOMPARE(rig.port.writtenBytes(), sent ? move : Writes{});
    QCOMPARE(rig.cursorDuringMove, sent ? Qt::WaitCursor : Qt::ArrowCursor);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestFrmChannel::clickWhileLinkDownAsksForFault_data() {
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<Writes>("writes");

    QTest::newRow("port open, link not up") << true << Writes{"GFS\r"};
    QTest::newRow("port closed") << false << Writes{};
}

void TestFrmChannel::clickWhileLinkDownAsksForFault() {
    QFETCH(bool, portOpen);
    QFETCH(Writes, writes);

    Rig rig;
    rig.port.setPortNumber(1);
    if (portOpen)
        QVERIFY(rig.port.open());
    QVERIFY(QTest::qWaitForWindowExposed(rig.view.windowHandle()));
    QTest::mouseClick(rig.view.windowHandle(), Qt::LeftButton, {}, rig.at("centre"));

    QCOMPARE(rig.port.writtenBytes(), writes);
    QCOMPARE(rig.state.cur_channel, qint16(4));
    QCOMPARE(rig.colours(), onlyOne(4, frmChannel::kSelectedColor));
    // With force set, a valid reply lights the error lamp: red where it was grey.
    QWidget *lit = rig.child(QStringLiteral("picErroron"));
    QCOMPARE(lit->isHidden(), !portOpen);
    QCOMPARE(rig.child(QStringLiteral("picErroroff"))->isHidden(), portOpen);
    const QColor shown = centreColour(portOpen ? lit : rig.child(QStringLiteral("picErroroff")));
    QCOMPARE(shown.red() > shown.green() + 60, portOpen);
}

QTEST_MAIN(TestFrmChannel)
#include "tst_frmchannel.moc"
