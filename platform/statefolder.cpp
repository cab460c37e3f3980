#include "platform/statefolder.h"

#include "platform/applicationtitle.h"

#include <QDir>
#include <QStandardPaths>

QString userStateFolder() {
#ifdef Q_OS_WIN
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
#endif
    return QDir(base).filePath(QString::fromLatin1(kApplicationTitle));
}
