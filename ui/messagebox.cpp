#include "ui/messagebox.h"

#include "platform/applicationtitle.h"

#include <QMessageBox>

namespace {
QMessageBox *newBox(QWidget *owner, const QString &text, QMessageBox::StandardButtons buttons) {
    auto *box = new QMessageBox(QMessageBox::NoIcon, QString::fromLatin1(kApplicationTitle), text,
                                buttons, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}
} // namespace

void MessageBoxDisplay::showMessage(const QString &text) {
    newBox(m_owner, text, QMessageBox::Ok)->show();
}

void MessageBoxDisplay::showMessageAndWait(const QString &text) {
    newBox(m_owner, text, QMessageBox::Ok)->exec();
}

void MessageBoxDisplay::ask(const QString &question, std::function<void()> onYes) {
    QMessageBox *box = newBox(m_owner, question, QMessageBox::Yes | QMessageBox::No);
    QObject::connect(box, &QMessageBox::finished, box, [onYes = std::move(onYes)](int answer) {
        if (answer == QMessageBox::Yes)
            onYes();
    });
    box->show();
}
