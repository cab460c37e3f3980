#include "ui/messagebox.h"

#include <QMessageBox>

void MessageBoxDisplay::showMessage(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("QMX-7700"), text, QMessageBox::Ok,
                    m_owner);
    box.exec();
}
