#pragma once

#include "core/views.h"

class QLineEdit;

// A text box of the windows as the device link and the runner see it. Setting the text runs the
// box's change handler (QLineEdit::textChanged), as typing does.
class LineEditBox final : public TextBox {
public:
    explicit LineEditBox(QLineEdit &edit);
    QString text() const override;
    void setText(const QString &text) override;

private:
    QLineEdit &m_edit;
};
