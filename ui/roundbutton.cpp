#include "ui/roundbutton.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace {
// To assistive tools a round button is a push button, and pressing it is a click.
class RoundButtonAccessible final : public QAccessibleWidget {
public:
    explicit RoundButtonAccessible(RoundButton *button)
        : QAccessibleWidget(button, QAccessible::Button) {}
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override {
        if (action == pressAction())
            static_cast<RoundButton *>(widget())->click();
    }
};

QAccessibleInterface *roundButtonAccessible(const QString &, QObject *object) {
    auto *button = qobject_cast<RoundButton *>(object);
    return button ? new RoundButtonAccessible(button) : nullptr;
}
} // namespace

RoundButton::RoundButton(QWidget *parent)
    : QWidget(parent) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(roundButtonAccessible), true);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void RoundButton::setColor(const QColor &color) {
    if (color == m_color)
        return;
    m_color = color;
    repaint();
}

void RoundButton::mousePressEvent(QMouseEvent *event) {
    m_armed = true;
    event->accept();
    emit pressed();
}

bool RoundButton::insideSquare(QPointF pos) const {
    return pos.x() >= 0 && pos.y() >= 0 && pos.x() <= width() && pos.y() <= height();
}

void RoundButton::mouseMoveEvent(QMouseEvent *event) {
    // Leaving the square gives the press up: neither the release nor the click follows.
    if (!insideSquare(event->position()))
        m_armed = false;
}

void RoundButton::mouseReleaseEvent(QMouseEvent *event) {
    if (!m_armed || !insideSquare(event->position())) {
        m_armed = false;
        return;
    }
    // Another button still held keeps the press for its own release.
    m_armed = event->buttons() != Qt::NoButton;
    emit released();
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void RoundButton::click() {
    emit released();
    emit clicked();
}

void RoundButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Flat, one colour with a rim a shade darker. The circle stays a pixel inside the mask,
    // whose edge is not smoothed, so that its own smoothed edge is drawn whole.
    painter.setPen(QPen(m_color.darker(130), 1.0));
    painter.setBrush(m_color);
    painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

void RoundButton::resizeEvent(QResizeEvent *) {
    setMask(QRegion(rect(), QRegion::Ellipse));
}
