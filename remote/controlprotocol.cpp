#include "remote/controlprotocol.h"

#include "core/globalstate.h"

#include <QList>

#include <algorithm>
#include <limits>
#include <optional>

namespace control {
namespace {

enum class Argument { None, Channel, Path, Runs, Switch };

// A header in its long form, the short form in capitals, and what it takes.
struct Header {
    const char *keywords;
    Command command;
    bool asCommand;
    bool asQuery;
    Argument argument;
};

constexpr Header kHeaders[] = {
    {"*IDN", Command::Identify, false, true, Argument::None},
    {"*CLS", Command::ClearStatus, true, false, Argument::None},
    {"*OPC", Command::OperationComplete, false, true, Argument::None},
    {"SYSTem:ERRor", Command::NextError, false, true, Argument::None},
    {"ROUTe:CLOSe", Command::Route, true, true, Argument::Channel},
    {"SYSTem:CONNect", Command::Connect, true, true, Argument::None},
    {"SYSTem:DISConnect", Command::Disconnect, true, false, Argument::None},
    {"PROGram:LOAD", Command::Load, true, false, Argument::Path},
    {"PROGram:RUN", Command::Run, true, false, Argument::Runs},
    {"PROGram:STOP", Command::Stop, true, false, Argument::None},
    {"PROGram:STATe", Command::RunState, false, true, Argument::None},
    {"SYSTem:LOCK", Command::Lock, true, true, Argument::None},
    {"SYSTem:LOCK:RELease", Command::Unlock, true, false, Argument::None},
    {"RECord:STReam", Command::Stream, true, true, Argument::Switch},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// A keyword as typed against one of the table: its short form (the capitals) or its long form.
bool keywordMatches(QByteArrayView typed, QByteArrayView keyword) {
    QByteArray shortForm;
    for (const char c : keyword) {
        if (c < 'a' || c > 'z')
            shortForm += c;
    }
    const QByteArray upper = typed.toByteArray().toUpper();
    return upper == keyword.toByteArray().toUpper() || upper == shortForm;
}

const Header *findHeader(QByteArrayView typed) {
    if (typed.startsWith(':'))
        typed = typed.sliced(1);
    const QList<QByteArray> parts = typed.toByteArray().split(':');
    for (const Header &header : kHeaders) {
        const QList<QByteArray> keywords = QByteArray(header.keywords).split(':');
        bool matches = keywords.size() == parts.size();
        for (qsizetype i = 0; matches && i < parts.size(); ++i)
            matches = keywordMatches(parts[i], keywords[i]);
        if (matches)
            return &header;
    }
    return nullptr;
}

// A whole number in decimal digits with an optional sign; nothing for any other text. Numbers
// beyond the Long range come back as one past it, which every range check refuses.
std::optional<qint64> readWholeNumber(QByteArrayView text) {
    qsizetype i = 0;
    const bool negative = text.startsWith('-');
    if (negative || text.startsWith('+'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = std::min<qint64>(value * 10 + (text[i] - '0'), qint64(1) << 32);
    }
    return negative ? -value : value;
}

// A channel as a number or as a channel list of one, "(@7)".
std::variant<qint32, Error> readChannel(QByteArrayView text) {
    if (text.startsWith("(@") && text.endsWith(')'))
        text = trimmed(text.sliced(2, text.size() - 3));
    const std::optional<qint64> channel = readWholeNumber(text);
    if (!channel)
        return Error{DataTypeError, QStringLiteral("a channel number is expected")};
    if (*channel < 1 || *channel > kChannelCount)
        return Error{DataOutOfRange, QStringLiteral("channels are 1 to %1").arg(kChannelCount)};
    return qint32(*channel);
}

// A string in double or single quotes, the quote doubled inside it. Bytes beyond ASCII are
// UTF-8, as file names are.
std::variant<QString, Error> readString(QByteArrayView text) {
    if (text.isEmpty() || (text.front() != '"' && text.front() != '\''))
        return Error{DataTypeError, QStringLiteral("a quoted file name is expected")};
    const char quote = text.front();
    QByteArray bytes;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            bytes += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            bytes += quote;
            ++i;
        } else if (i + 1 == text.size()) {
            return QString::fromUtf8(bytes);
        } else {
            return Error{SyntaxError, QStringLiteral("text after the closing quote")};
        }
    }
    return Error{SyntaxError, QStringLiteral("the closing quote is missing")};
}

std::variant<qint32, Error> readRuns(QByteArrayView text) {
    const QByteArray upper = text.toByteArray().toUpper();
    if (upper == "ONCE")
        return qint32(Runs::Once);
    if (upper == "INF")
        return qint32(Runs::Endless);
    const std::optional<qint64> runs = readWholeNumber(text);
    if (!runs)
        return Error{IllegalParameterValue, QStringLiteral("ONCE, INF or a number of runs")};
    if (*runs < 1 || *runs > std::numeric_limits<qint32>::max())
        return Error{DataOutOfRange, QStringLiteral("at least 1 run")};
    return qint32(*runs);
}

std::variant<qint32, Error> readSwitch(QByteArrayView text) {
    const QByteArray upper = text.toByteArray().toUpper();
    if (upper == "ON" || upper == "1")
        return 1;
    if (upper == "OFF" || upper == "0")
        return 0;
    return Error{IllegalParameterValue, QStringLiteral("ON or OFF")};
}

std::optional<Error> readArgument(Argument kind, QByteArrayView text, Request &request) {
    if (kind == Argument::None || request.query) {
        if (text.isEmpty())
            return std::nullopt;
        return Error{ParameterNotAllowed, {}};
    }
    if (text.isEmpty()) {
        if (kind != Argument::Runs)
            return Error{MissingParameter, {}};
        request.number = qint32(Runs::AsSet);
        return std::nullopt;
    }
    if (kind == Argument::Path) {
        std::variant<QString, Error> path = readString(text);
        if (auto *error = std::get_if<Error>(&path))
            return *error;
        request.path = std::get<QString>(std::move(path));
        return std::nullopt;
    }
    const std::variant<qint32, Error> number = kind == Argument::Channel ? readChannel(text)
                                               : kind == Argument::Runs  ? readRuns(text)
                                                                         : readSwitch(text);
    if (const auto *error = std::get_if<Error>(&number))
        return *error;
    request.number = std::get<qint32>(number);
    return std::nullopt;
}

QByteArray errorText(ErrorCode code) {
    switch (code) {
    case NoError:
        return "No error";
    case InvalidCharacter:
        return "Invalid character";
    case SyntaxError:
        return "Syntax error";
    case DataTypeError:
        return "Data type error";
    case ParameterNotAllowed:
        return "Parameter not allowed";
    case MissingParameter:
        return "Missing parameter";
    case UndefinedHeader:
        return "Undefined header";
    case ExecutionError:
        return "Execution error";
    case DataOutOfRange:
        return "Data out of range";
    case IllegalParameterValue:
        return "Illegal parameter value";
    case FileNameNotFound:
        return "File name not found";
    case QueueOverflow:
        return "Queue overflow";
    case InputBufferOverrun:
        return "Input buffer overrun";
    }
    return "Error";
}
} // namespace

std::variant<Blank, Request, Error> parseLine(QByteArrayView line) {
    line = trimmed(line);
    if (line.isEmpty())
        return Blank{};
    // Control characters never belong in a line; bytes beyond ASCII only in a quoted name.
    bool quoted = false;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\'')
            quoted = !quoted;
        if ((byte < 0x20 && c != '\t') || byte == 0x7f || (byte >= 0x80 && !quoted))
            return Error{InvalidCharacter, {}};
    }

    qsizetype end = 0;
    while (end < line.size() && !isBlank(line[end]))
        ++end;
    QByteArrayView typed = line.first(end);
    Request request;
    request.query = typed.endsWith('?');
    if (request.query)
        typed.chop(1);
    const Header *header = findHeader(typed);
    if (!header || !(request.query ? header->asQuery : header->asCommand))
        return Error{UndefinedHeader, {}};
    request.command = header->command;
    if (const std::optional<Error> error =
            readArgument(header->argument, trimmed(line.sliced(end)), request))
        return *error;
    return request;
}

QByteArray errorAnswer(const Error &error) {
    QByteArray text = errorText(error.code);
    if (!error.detail.isEmpty())
        text += ';' + asciiText(error.detail);
    return QByteArray::number(int(error.code)) + ",\"" + text.replace('"', "\"\"") + '"';
}

QByteArray asciiText(const QString &text) {
    QByteArray ascii;
    ascii.reserve(text.size());
    for (const QChar c : text)
        ascii += c.unicode() >= 0x20 && c.unicode() < 0x7f ? char(c.unicode()) : '?';
    return ascii;
}

} // namespace control
