#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

#include <optional>

class QCommandLineParser;

// --help and --version as every program of the project answers them: parses `arguments` with
// the two options and `more`, prints the help or "<program> <version>" on standard output and
// returns the exit code; empty when neither was asked for. Any other argument is ignored, so
// what the parser says about one is not shown.
std::optional<int> answerHelpAndVersion(QCommandLineParser &parser, const char *program,
                                        const QStringList &arguments,
                                        const QList<QCommandLineOption> &more = {});
