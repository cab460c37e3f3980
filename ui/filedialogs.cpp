#include "ui/filedialogs.h"

#include <QDir>
#include <QFileDialog>

QString SystemFileDialogs::openFileName(QWidget *owner, const QString &title, const QString &filter,
                                        const QString &initialFolder) {
    const QString folder = QDir(initialFolder).exists() ? initialFolder : QString();
    return QFileDialog::getOpenFileName(owner, title, folder, qtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString SystemFileDialogs::saveFileName(QWidget *owner, const QString &title,
                                        const QString &filter) {
    return QFileDialog::getSaveFileName(owner, title, QString(), qtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString SystemFileDialogs::qtFilter(const QString &filter) {
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    // QFileDialog reads the patterns from the parentheses of the description.
    const QString name = filter.left(bar).section(QLatin1String(" ("), 0, 0);
    QString pattern = filter.mid(bar + 1);
    if (pattern == QLatin1String("*.*"))
        pattern = QStringLiteral("*");
    return QStringLiteral("%1 (%2)").arg(name, pattern);
}
