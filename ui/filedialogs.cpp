#include "ui/filedialogs.h"

#include <QDir>
#include <QFileDialog>

namespace {
void openDialog(QWidget *owner, const QString &title, const QString &folder, const QString &filter,
                QFileDialog::AcceptMode mode, FileDialogs::Chosen chosen) {
    auto *dialog = new QFileDialog(owner, title, folder, SystemFileDialogs::qtFilter(filter));
    dialog->setObjectName(QStringLiteral("dlgCommonDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, std::move(chosen));
    dialog->open();
}
} // namespace

void SystemFileDialogs::chooseFileToOpen(QWidget *owner, const QString &title,
                                         const QString &filter, const QString &initialFolder,
                                         Chosen chosen) {
    const QString folder = QDir(initialFolder).exists() ? initialFolder : QString();
    openDialog(owner, title, folder, filter, QFileDialog::AcceptOpen, std::move(chosen));
}

void SystemFileDialogs::chooseFileToSave(QWidget *owner, const QString &title,
                                         const QString &filter, Chosen chosen) {
    openDialog(owner, title, QString(), filter, QFileDialog::AcceptSave, std::move(chosen));
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
