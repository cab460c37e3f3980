#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QStyle>

// The visible labels and buttons of `window` whose text does not fit them, with the sizes;
// labels that elide their text on purpose are left out.
inline QStringList clippedTexts(const QWidget &window, const QStringList &elided = {}) {
    QStringList clipped;
    const QList<QWidget *> widgets = window.findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        const auto *label = qobject_cast<const QLabel *>(widget);
        const auto *button = qobject_cast<const QAbstractButton *>(widget);
        if ((!label && !button) || elided.contains(widget->objectName()) ||
            !widget->isVisibleTo(&window))
            continue;
        // A check box or option button needs room for its box beside the text.
        const int box = button && !button->inherits("QPushButton")
                            ? widget->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8
                            : 0;
        const QString text = label ? label->text() : button->text();
        const QSize needed = widget->fontMetrics().size(Qt::TextShowMnemonic, text);
        if (needed.width() + box > widget->width() || needed.height() > widget->height())
            clipped << QStringLiteral("%1 needs %2x%3")
                           .arg(text)
                           .arg(needed.width() + box)
                           .arg(needed.height());
    }
    return clipped;
}
