// The channel dial as the user meets it: mouse on the round buttons, colours, lamps, and the
// bytes a click puts on the line.
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "support/scriptedport.h"
#include "ui/frmchannel.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

namespace {
using Writes = QList<QByteArray>;

QColor centreColour(QWidget *widget) {
    const QImage image = widget->grab().toImage();
    return image.pixelColor(image.rect().center());
}

struct Rig {
    Rig() {
        state.opt_comport = 1;
        // A device met before: the connect skips the handshake and keeps these positions.
        state.dev_found = true;
        for (int k = 0; k < kChannelCount; ++k)
            state.ch_pos[std::size_t(k)] = qint16((k + 1) * 100);
        port.setResponder([this](const QByteArray &written) { return answer(written); });
        link.setViews(LinkViews{nullptr, {&view}, nullptr, &view, nullptr});
        view.resize(view.sizeHint());
        view.show();
    }
    QByteArray answer(const QByteArray &written) {
        if (written.startsWith("LA")) {
            const QCursor *cursor = QGuiApplication::overrideCursor();
            cursorDuringMove = cursor ? cursor->shape() : Qt::ArrowCursor;
        }
        if (written == "VER\r")
            return "Version 2.0\r";
        if (written == "GFS\r")
            return "0\r";
        if (written == "POS\r")
            return "350\r"; // outside the window: one poll
        return {};
    }
    void connected() {
        link.Connect();
        QCOMPARE(link.statusText(), QStringLiteral("CONNECTED TO QMX7700"));
        port.clearWrites();
    }
    QWidget *button(int k) const {
        return view.findChild<QWidget *>(QStringLiteral("MyButton%1").arg(k));
    }
    QWidget *lamp(const char *name) const { return view.findChild<QWidget *>(QLatin1String(name)); }
    // Where a spot of button k lies in the window.
    QPoint at(int k, const QString &spot) const {
        const QRect square = button(k)->geometry();
        if (spot == QLatin1String("corner"))
            return square.topLeft() + QPoint(1, 1);
        if (spot == QLatin1String("off"))
            return view.rect().center(); // the middle of the dial, clear of every button
        return square.center();
    }
    QList<QColor> colours() const {
        QList<QColor> all;
        for (int k = 0; k < kChannelCount; ++k)
            all << view.buttonColor(k);
        return all;
    }

    VirtualClock clock;
    ScriptedPort port{clock};
    GlobalState state;
    DeviceLink link{state, port, clock};
    frmChannel view{state, link};
    Qt::CursorShape cursorDuringMove = Qt::BlankCursor;
};

QList<QColor> onlyOne(int index, const QColor &colour) {
    QList<QColor> all(kChannelCount, frmChannel::kIdleColor);
    if (index >= 0 && index < kChannelCount)
        all[index] = colour;
    return all;
}
} // namespace

class TestFrmChannel : public QObject {
    Q_OBJECT

private slots:
    void startsBlueWithGreyLamps();
    void mouseOnButton_data();
    void mouseOnButton();
    void buttonColours_data();
    void buttonColours();
    void clickWhileLinkDownAsksForFault_data();
    void clickWhileLinkDownAsksForFault();
    void lamps_data();
    void lamps();
};

void TestFrmChannel::startsBlueWithGreyLamps() {
    Rig rig;
    QCOMPARE(rig.colours(), onlyOne(-1, {}));
    QVERIFY(!rig.lamp("picPoweroff")->isHidden() && rig.lamp("picPoweron")->isHidden());
    QVERIFY(!rig.lamp("picErroroff")->isHidden() && rig.lamp("picErroron")->isHidden());
    QCOMPARE(rig.view.findChild<QWidget *>(QStringLiteral("Label14"))->property("text"),
             QVariant(QStringLiteral("5")));
}

void TestFrmChannel::mouseOnButton_data() {
    QTest::addColumn<QString>("press");
    QTest::addColumn<QString>("moveTo");
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::addColumn<bool>("painted");
    QTest::addColumn<bool>("sent");

    QTest::newRow("left click") << "centre"
                                << "centre" << Qt::LeftButton << true << true;
    QTest::newRow("dragged off the button") << "centre"
                                            << "off" << Qt::LeftButton << false << false;
    QTest::newRow("corner outside the circle") << "corner"
                                               << "corner" << Qt::LeftButton << false << false;
    QTest::newRow("moved to the corner keeps the press")
        << "centre"
        << "corner" << Qt::LeftButton << true << true;
    QTest::newRow("right button paints only") << "centre"
                                              << "centre" << Qt::RightButton << true << false;
}

void TestFrmChannel::mouseOnButton() {
    QFETCH(QString, press);
    QFETCH(QString, moveTo);
    QFETCH(Qt::MouseButton, mouseButton);
    QFETCH(bool, painted);
    QFETCH(bool, sent);

    Rig rig;
    rig.connected();
    const QList<QColor> before = rig.colours();
    QWindow *window = rig.view.windowHandle();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    // Button 5 is index 4.
    QTest::mousePress(window, mouseButton, {}, rig.at(4, press));
    QTest::mouseMove(window, rig.at(4, moveTo));
    QTest::mouseRelease(window, mouseButton, {}, rig.at(4, moveTo));

    QCOMPARE(rig.colours(), painted ? onlyOne(4, frmChannel::kSelectedColor) : before);
    QCOMPARE(rig.state.cur_channel, qint16(sent ? 4 : -1));
    const Writes move{"LA500\rM\r", "POS\r", "GFS\r", "LR0\rM\r"};
    QCOMPARE(rig.port.writtenBytes(), sent ? move : Writes{});
    if (sent)
        QCOMPARE(rig.cursorDuringMove, Qt::WaitCursor);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestFrmChannel::buttonColours_data() {
    QTest::addColumn<int>("before"); // painted red first, -1 for none
    QTest::addColumn<bool>("activate");
    QTest::addColumn<int>("index"); // painted, or cur_channel when activating
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QList<QColor>>("expected");

    const QColor red = frmChannel::kSelectedColor;
    const QColor remarked = frmChannel::kRemarkedColor;
    QTest::newRow("paint one") << -1 << false << 9 << red << onlyOne(9, red);
    QTest::newRow("paint index 16") << 3 << false << 16 << red << onlyOne(-1, {});
    QTest::newRow("paint index -1") << 3 << false << -1 << red << onlyOne(-1, {});
    QTest::newRow("activate re-marks cur_channel")
        << 7 << true << 2 << remarked << onlyOne(2, remarked);
    QTest::newRow("activate with nothing selected")
        << 7 << true << -1 << remarked << onlyOne(7, red);
}

void TestFrmChannel::buttonColours() {
    QFETCH(int, before);
    QFETCH(bool, activate);
    QFETCH(int, index);
    QFETCH(QColor, colour);
    QFETCH(QList<QColor>, expected);

    Rig rig;
    rig.view.change_button_color(before, frmChannel::kSelectedColor);
    if (activate) {
        rig.state.cur_channel = qint16(index);
        rig.view.Activate();
    } else {
        rig.view.change_button_color(index, colour);
    }
    QCOMPARE(rig.colours(), expected);
    // What is drawn is the colour that is set.
    for (const int k : {2, 7, 9})
        QCOMPARE(centreColour(rig.button(k)), expected[k]);
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
    QTest::mouseClick(rig.view.windowHandle(), Qt::LeftButton, {}, rig.at(11, "centre"));

    QCOMPARE(rig.port.writtenBytes(), writes);
    QCOMPARE(rig.state.cur_channel, qint16(11));
    QCOMPARE(rig.colours(), onlyOne(11, frmChannel::kSelectedColor));
    // With force set, a valid reply lights the error lamp.
    QCOMPARE(rig.lamp("picErroron")->isHidden(), !portOpen);
    QCOMPARE(rig.lamp("picErroroff")->isHidden(), portOpen);
}

void TestFrmChannel::lamps_data() {
    QTest::addColumn<bool>("power");
    QTest::addColumn<bool>("error");

    QTest::newRow("power on") << true << false;
    QTest::newRow("error on") << false << true;
    QTest::newRow("both on, then off again") << false << false;
}

void TestFrmChannel::lamps() {
    QFETCH(bool, power);
    QFETCH(bool, error);

    Rig rig;
    rig.view.setPowerLamp(true);
    rig.view.setErrorLamp(true);
    rig.view.setPowerLamp(power);
    rig.view.setErrorLamp(error);

    const char *const shownPower = power ? "picPoweron" : "picPoweroff";
    const char *const shownError = error ? "picErroron" : "picErroroff";
    for (const char *name : {"picPoweron", "picPoweroff", "picErroron", "picErroroff"}) {
        const bool shown = qstrcmp(name, shownPower) == 0 || qstrcmp(name, shownError) == 0;
        QCOMPARE(rig.lamp(name)->isHidden(), !shown);
    }
    // Grey, green and red artwork.
    const QColor powerLamp = centreColour(rig.lamp(shownPower));
    const QColor errorLamp = centreColour(rig.lamp(shownError));
    QCOMPARE(powerLamp.green() > powerLamp.red() + 60, power);
    QCOMPARE(errorLamp.red() > errorLamp.green() + 60, error);
    if (!power)
        QVERIFY(qAbs(powerLamp.red() - powerLamp.green()) < 10);
}

QTEST_MAIN(TestFrmChannel)
#include "tst_frmchannel.moc"
