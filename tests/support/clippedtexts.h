#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>

// The labels and buttons of `window` whose text does not fit their box, with the sizes, so a
// test can show what is cut off. Labels that elide their text on purpose are left out.
inline QStringList clippedTexts(const QWidget &window, const QStringList &elided = {}) {
    QStringList clipped;
    const auto check = [&clipped](const QWidget *widget, const QString &text, int extraWidth) {
        if (text.isEmpty() || !widget->isVisibleTo(widget->window()))
            return;
        const QSize needed =
            widget->fontMetrics().size(Qt::TextShowMnemonic, text) + QSize(extraWidth, 0);
        if (needed.width() > widget->width() || needed.height() > widget->height()) {
            clipped << QStringLiteral("%1: %2x%3 in %4x%5")
                           .arg(widget->objectName().isEmpty() ? text : widget->objectName())
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(widget->width())
                           .arg(widget->height());
        }
    };
    const QList<QLabel *> labels = window.findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (!elided.contains(label->objectName()))
            check(label, label->text(), 0);
    }
    const QList<QAbstractButton *> buttons = window.findChildren<QAbstractButton *>();
    for (const QAbstractButton *button : buttons) {
        // Room for a check box's or option button's box beside its text.
        const int indicator =
            button->inherits("QPushButton")
                ? 0
                : button->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                      button->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        check(button, button->text(), indicator);
    }
    return clipped;
}
