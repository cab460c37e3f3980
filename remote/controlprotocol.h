#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <variant>

// The control protocol's lines, read: one command a line in SCPI style (keywords in their short
// or long form, without regard to case, "?" for a query), and the error numbers and texts of the
// SCPI standard. Pure functions of their bytes.
namespace control {

// The longest line taken, without its LF; a longer one is refused whole.
inline constexpr qsizetype kMaxLineBytes = 4096;

enum class Command {
    Identify,          // *IDN?
    ClearStatus,       // *CLS
    OperationComplete, // *OPC?
    NextError,         // SYSTem:ERRor?
    Route,             // ROUTe:CLOSe <n>, ROUTe:CLOSe?
    Connect,           // SYSTem:CONNect, SYSTem:CONNect?
    Disconnect,        // SYSTem:DISConnect
    Load,              // PROGram:LOAD "<path>"
    Run,               // PROGram:RUN [ONCE|<n>|INF]
    Stop,              // PROGram:STOP
    RunState,          // PROGram:STATe?
    Lock,              // SYSTem:LOCK, SYSTem:LOCK?
    Unlock,            // SYSTem:LOCK:RELease
    Stream,            // RECord:STReam ON|OFF, RECord:STReam?
};

// PROGram:RUN's argument.
enum class Runs : qint32 { AsSet = -2, Endless = -1, Once = 0 };

struct Request {
    Command command = Command::Identify;
    bool query = false;
    // ROUTe:CLOSe: the channel, 1..16. PROGram:RUN: a Runs value or the passes, 1 and up.
    // RECord:STReam: 1 or 0.
    qint32 number = 0;
    // PROGram:LOAD: the file's path.
    QString path;
};

enum ErrorCode : int {
    NoError = 0,
    InvalidCharacter = -101,
    SyntaxError = -102,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    ExecutionError = -200,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    FileNameNotFound = -256,
    QueueOverflow = -350,
    InputBufferOverrun = -363,
};

struct Error {
    ErrorCode code = NoError;
    // What went wrong in this case, for people; may be empty.
    QString detail;
};

// A blank line asks for nothing.
struct Blank {};

// One line, without its LF (a CR before it is blank space).
std::variant<Blank, Request, Error> parseLine(QByteArrayView line);

// The answer to SYSTem:ERRor?: -113,"Undefined header" or -200,"Execution error;<detail>".
QByteArray errorAnswer(const Error &error);

// Text as an answer can carry it: printable ASCII only, anything else a "?".
QByteArray asciiText(const QString &text);

} // namespace control
