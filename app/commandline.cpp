#include "app/commandline.h"

#include "core/version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

std::optional<int> answerHelpAndVersion(QCommandLineParser &parser, const char *program,
                                        const QStringList &arguments,
                                        const QList<QCommandLineOption> &more) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QCoreApplication::translate("Main", "Show this help and exit."));
    const QCommandLineOption version(
        {QStringLiteral("v"), QStringLiteral("version")},
        QCoreApplication::translate("Main", "Show the program's version and exit."));
    parser.addOptions(QList<QCommandLineOption>{help, version} + more);
    parser.parse(arguments);
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", program, kVersionText);
        return 0;
    }
    return std::nullopt;
}
