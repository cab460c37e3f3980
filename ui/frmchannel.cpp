#include "ui/frmchannel.h"

#include "core/globalstate.h"
#include "device/devicelink.h"
#include "ui/busycursor.h"
#include "ui/roundbutton.h"
#include "ui/twips.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

const QColor frmChannel::kIdleColor(0, 0, 255);

namespace {
// The colour of each mark.
const QColor kSelectedColor(255, 0, 0);
const QColor kRemarkedColor(255, 1, 1);

constexpr QSize kDesignSize(5100, 4860);
constexpr int kButtonTwips = 392;
constexpr QSize kLabelSize(390, 255);

// Left and top of each button and of its label, index 0 at the top and going clockwise.
struct DialPlace {
    QPoint button;
    QPoint label;
};
constexpr DialPlace kDial[kChannelCount] = {
    {{2235, 480}, {2220, 885}},   {{2910, 645}, {2790, 1020}},  {{3465, 1020}, {3195, 1320}},
    {{3825, 1575}, {3525, 1785}}, {{3960, 2235}, {3630, 2295}}, {{3825, 2895}, {3510, 2865}},
    {{3450, 3450}, {3180, 3285}}, {{2895, 3825}, {2760, 3570}}, {{2235, 3960}, {2205, 3675}},
    {{1575, 3825}, {1695, 3600}}, {{1020, 3450}, {1215, 3300}}, {{645, 2895}, {915, 2865}},
    {{510, 2235}, {795, 2310}},   {{615, 1575}, {900, 1755}},   {{1005, 1020}, {1200, 1320}},
    {{1560, 645}, {1695, 1005}},
};

// The track under the buttons: centred on the button ring (radius 1725) and a little wider than
// the buttons on either side.
constexpr QPoint kDialCentre(2431, 2416);
constexpr int kTrackOuterRadius = 1725 + kButtonTwips / 2 + 45;
constexpr int kTrackInnerRadius = 1725 - kButtonTwips / 2 - 45;

// The lamps: the grey power image sits a little left of the green one.
constexpr QPoint kPowerOff(4785, 120);
constexpr QPoint kPowerOn(4800, 120);
constexpr QPoint kError(4800, 360);

// The focus sink stays able to take the focus but cannot be seen.
constexpr QRect kFocusSink(-100, -100, 15, 15);

// A label's text leans towards the dial centre, away from its button, so a wide face does not
// run the number into the button.
Qt::Alignment labelAlignment(QPoint labelTwips) {
    constexpr int kNearCentre = 300;
    const int dx = labelTwips.x() + kLabelSize.width() / 2 - kDialCentre.x();
    const Qt::Alignment horizontal = dx < -kNearCentre  ? Qt::AlignRight
                                     : dx > kNearCentre ? Qt::AlignLeft
                                                        : Qt::AlignHCenter;
    return horizontal | Qt::AlignVCenter;
}

QRectF circleInPixels(QPoint centre, int radius) {
    return QRectF(toPixels(QRect(centre - QPoint(radius, radius), QSize(2 * radius, 2 * radius))));
}
} // namespace

frmChannel::frmChannel(GlobalState &state, DeviceLink &link, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_link(link)
    , m_focusSink(new QWidget(this))
    , m_power(*this, QStringLiteral("Power"), LampColor::Green, kPowerOff, kPowerOn)
    , m_error(*this, QStringLiteral("Error"), LampColor::Red, kError, kError) {
    setObjectName(QStringLiteral("frmChannel"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    for (int k = 0; k < kChannelCount; ++k) {
        auto *label = new QLabel(QString::number(k + 1), this);
        label->setObjectName(QStringLiteral("Label1%1").arg(k));
        label->setAlignment(labelAlignment(kDial[k].label));
        label->setGeometry(toPixels(QRect(kDial[k].label, kLabelSize)));

        auto *button = new RoundButton(this);
        button->setObjectName(QStringLiteral("MyButton%1").arg(k));
        button->setAccessibleName(tr("Channel %1").arg(k + 1));
        button->setGeometry(toPixels(QRect(kDial[k].button, QSize(kButtonTwips, kButtonTwips))));
        button->setColor(kIdleColor);
        connect(button, &RoundButton::pressed, this, &frmChannel::buttonPressed);
        connect(button, &RoundButton::released, this,
                [this, k] { markChannel(k, ChannelMark::Selected); });
        connect(button, &RoundButton::clicked, this, [this, k] { buttonClicked(k); });
        m_buttons[std::size_t(k)] = button;
    }

    m_focusSink->setObjectName(QStringLiteral("Picture1"));
    m_focusSink->setAccessibleName(tr("Channel dial"));
    m_focusSink->setFocusPolicy(Qt::StrongFocus);
    m_focusSink->setGeometry(toPixels(kFocusSink));
}

void frmChannel::change_button_color(int index, const QColor &color) {
    for (int k = 0; k < kChannelCount; ++k)
        m_buttons[std::size_t(k)]->setColor(k == index ? color : kIdleColor);
}

void frmChannel::markChannel(int index, ChannelMark mark) {
    change_button_color(index, mark == ChannelMark::Selected ? kSelectedColor : kRemarkedColor);
}

void frmChannel::setPowerLamp(bool on) {
    m_power.setOn(on);
}

void frmChannel::setErrorLamp(bool on) {
    m_error.setOn(on);
}

void frmChannel::markCurrentChannel() {
    // Shows a channel chosen elsewhere, the mini view for one.
    if (m_state.cur_channel != -1)
        markChannel(m_state.cur_channel, ChannelMark::MarkedAgain);
}

QColor frmChannel::buttonColor(int index) const {
    if (index < 0 || index >= kChannelCount)
        return {};
    return m_buttons[std::size_t(index)]->color();
}

QSize frmChannel::sizeHint() const {
    return toPixels(kDesignSize);
}

void frmChannel::paintEvent(QPaintEvent *) {
    // The track the buttons run in, a shade darker than the face, so they read as one dial.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor face = palette().color(QPalette::Button);
    QPainterPath track;
    track.addEllipse(circleInPixels(kDialCentre, kTrackOuterRadius));
    track.addEllipse(circleInPixels(kDialCentre, kTrackInnerRadius));
    painter.setPen(QPen(face.darker(125), 1.0));
    painter.setBrush(face.darker(108));
    painter.drawPath(track);
}

void frmChannel::buttonPressed() {
    // No button ever holds the focus; the sink takes it from whatever had it.
    if (isVisible() && isEnabled())
        m_focusSink->setFocus();
}

void frmChannel::buttonClicked(int index) {
    m_link.selectChannel(index);
    // A failed command needs nothing here: the link keeps its reason for the status panel.
    const BusyCursor busy;
    if (m_link.GotoChannel(index, SwitchSource::Dial) == GotoResult::NotSent)
        m_link.QueryFault(true);
}
