#include "ui/lamps.h"

#include "ui/twips.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QPainter>
#include <QRadialGradient>

namespace {
constexpr int kImagePixels = 16;
constexpr int kPlaceTwips = 240;

// Body colour of each lamp; the rim and the shine are derived from it.
QColor bodyColor(LampColor color) {
    switch (color) {
    case LampColor::Green:
        return {40, 190, 60};
    case LampColor::Red:
        return {220, 35, 35};
    case LampColor::Grey:
        break;
    }
    return {150, 150, 150};
}

// To assistive tools a lamp is an image; its name says its state.
QAccessibleInterface *lampAccessible(const QString &, QObject *object) {
    auto *lamp = dynamic_cast<Lamp *>(object);
    return lamp ? new QAccessibleWidget(lamp, QAccessible::Graphic) : nullptr;
}
} // namespace

Lamp::Lamp(LampColor color, QWidget *parent)
    : QWidget(parent)
    , m_color(color) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(lampAccessible), true);
}

QSize Lamp::sizeHint() const {
    return {kImagePixels, kImagePixels};
}

void Lamp::paintEvent(QPaintEvent *) {
    // The image is 16 x 16 logical pixels, centred in the widget's place.
    const QRectF image(QPointF((width() - kImagePixels) / 2.0, (height() - kImagePixels) / 2.0),
                       QSizeF(kImagePixels, kImagePixels));
    const QRectF body = image.adjusted(1.5, 1.5, -1.5, -1.5);
    const QColor base = bodyColor(m_color);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // A dome lit from the top left: lighter there, darker towards the rim.
    QRadialGradient dome(body.center(), body.width() / 2.0,
                         body.topLeft() + QPointF(body.width() * 0.35, body.height() * 0.35));
    dome.setColorAt(0.0, base.lighter(150));
    dome.setColorAt(0.7, base);
    dome.setColorAt(1.0, base.darker(140));
    painter.setPen(QPen(base.darker(220), 1.0));
    painter.setBrush(dome);
    painter.drawEllipse(body);

    // The shine.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 170));
    painter.drawEllipse(QRectF(body.left() + body.width() * 0.22, body.top() + body.height() * 0.16,
                               body.width() * 0.32, body.height() * 0.24));
}

LampPair::LampPair(QWidget &parent, const QString &name, LampColor onColor, QPoint offTwips,
                   QPoint onTwips)
    : m_name(name)
    , m_offImage(new Lamp(LampColor::Grey, &parent))
    , m_onImage(new Lamp(onColor, &parent)) {
    m_offImage->setObjectName(QStringLiteral("pic%1off").arg(name));
    m_onImage->setObjectName(QStringLiteral("pic%1on").arg(name));
    m_offImage->setGeometry(toPixels(QRect(offTwips, QSize(kPlaceTwips, kPlaceTwips))));
    m_onImage->setGeometry(toPixels(QRect(onTwips, QSize(kPlaceTwips, kPlaceTwips))));
    setOn(false);
}

void LampPair::setOn(bool on) {
    m_on = on;
    Lamp *shown = on ? m_onImage : m_offImage;
    Lamp *hidden = on ? m_offImage : m_onImage;
    hidden->hide();
    shown->show();
    shown->raise();
    // Both images say the state, whichever a screen reader comes upon.
    const QString state = on ? QCoreApplication::translate("LampPair", "%1 on")
                             : QCoreApplication::translate("LampPair", "%1 off");
    for (Lamp *image : {m_offImage, m_onImage})
        image->setAccessibleName(state.arg(m_name));
}
