#include "ui/lineeditbox.h"

#include <QLineEdit>

LineEditBox::LineEditBox(QLineEdit &edit)
    : m_edit(edit) {}

QString LineEditBox::text() const {
    return m_edit.text();
}

void LineEditBox::setText(const QString &text) {
    m_edit.setText(text);
}
