// The control protocol's lines as a client writes them, and one client's session: what each line
// asks for or why it is refused, long lines, the error queue, commands that go on.
#include "remote/controlsession.h"

#include <QTest>

using namespace control;
Q_DECLARE_METATYPE(control::Command)

class TestControlProtocol : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void session();
};

void TestControlProtocol::lines_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("error"); // 0: read as `command` with `number` or `path`
    QTest::addColumn<Command>("command");
    QTest::addColumn<bool>("query");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");
    const auto row = [](const char *line, Command command, bool query = false, int number = 0,
                        const QString &path = {}) {
        QTest::newRow(line) << QByteArray(line) << 0 << command << query << number << path;
    };
    const auto refused = [](const char *name, const QByteArray &line, ErrorCode error) {
        QTest::newRow(name) << line << int(error) << Command::Identify << false << 0 << QString();
    };
    row("*idn?", Command::Identify, true);
    row("ROUT:CLOS 7", Command::Route, false, 7);
    row(":route:close\t(@16)\r", Command::Route, false, 16);
    row("Rout:Close?", Command::Route, true);
    row("SYSTEM:CONNECT", Command::Connect);
    row("syst:disc", Command::Disconnect);
    row("SYST:LOCK:REL", Command::Unlock);
    row("PROG:RUN", Command::Run, false, int(Runs::AsSet));
    row("PROG:RUN once", Command::Run, false, int(Runs::Once));
    row("PROG:RUN INF", Command::Run, false, int(Runs::Endless));
    row("PROG:RUN +3", Command::Run, false, 3);
    row("REC:STR 1", Command::Stream, false, 1);
    row("PROG:LOAD 'it''s.qmx'", Command::Load, false, 0, QStringLiteral("it's.qmx"));
    row("PROG:LOAD \"\xc3\x9c\x62ung.qmx\"", Command::Load, false, 0, QStringLiteral("Übung.qmx"));
    refused("blank", " \t\r", NoError);
    refused("keyword cut short", "ROU:CLOS 7", UndefinedHeader);
    refused("no such query", "SYST:DISC?", UndefinedHeader);
    refused("a query only", "*IDN", UndefinedHeader);
    refused("two commands", "ROUT:CLOS 7;*OPC?", DataTypeError);
    refused("control character", "*IDN?\x01", InvalidCharacter);
    refused("beyond ASCII unquoted", "ROUT:CLOS \xc3\x9c", InvalidCharacter);
    refused("channel 0", "ROUT:CLOS 0", DataOutOfRange);
    refused("channel 17", "ROUT:CLOS (@17)", DataOutOfRange);
    refused("channel beyond any integer", "ROUT:CLOS 99999999999999999999", DataOutOfRange);
    refused("channel as a word", "ROUT:CLOS seven", DataTypeError);
    refused("channel missing", "ROUT:CLOS", MissingParameter);
    refused("query with an argument", "ROUT:CLOS? 3", ParameterNotAllowed);
    refused("runs 0", "PROG:RUN 0", DataOutOfRange);
    refused("runs -1", "PROG:RUN -1", DataOutOfRange);
    refused("runs beyond a Long", "PROG:RUN 2147483648", DataOutOfRange);
    refused("runs as a word", "PROG:RUN twice", IllegalParameterValue);
    refused("stream maybe", "REC:STR maybe", IllegalParameterValue);
    refused("path unquoted", "PROG:LOAD /tmp/a.qmx", DataTypeError);
    refused("path unterminated", "PROG:LOAD \"/tmp/a.qmx", SyntaxError);
    refused("text after the path", "PROG:LOAD \"a\" b", SyntaxError);
}

void TestControlProtocol::lines() {
    QFETCH(QByteArray, line);
    QFETCH(int, error);
    const std::variant<Blank, Request, Error> parsed = parseLine(line);
    if (error != 0) {
        QVERIFY(std::holds_alternative<Error>(parsed));
        QCOMPARE(int(std::get<Error>(parsed).code), error);
        return;
    }
    if (QByteArray(QTest::currentDataTag()) == "blank") {
        QVERIFY(std::holds_alternative<Blank>(parsed));
        return;
    }
    QVERIFY(std::holds_alternative<Request>(parsed));
    const Request request = std::get<Request>(parsed);
    QTEST(request.command, "command");
    QTEST(request.query, "query");
    QTEST(int(request.number), "number");
    QTEST(request.path, "path");
}

// A session with a target that holds a run until it is resumed and refuses a switch with a
// reason that no answer can carry as it stands.
void TestControlProtocol::session() {
    struct Target final : control::Target {
        Outcome perform(Session &, const Request &request) override {
            performed << int(request.command);
            if (request.command == Command::Route)
                return {{}, Error{ExecutionError, QStringLiteral("the \"QMX\" is \u00e0 busy")}};
            return {"IDLE,0,0,0", std::nullopt, request.command == Command::Run};
        }
        QList<int> performed;
    } target;
    Session session(target);
    session.receive(QByteArray(kMaxLineBytes + 1, 'A'));
    session.receive(QByteArray(kMaxLineBytes * 3, 'A') + "\nROUT:CLOS 3\r\nPROG:RUN\nPROG:ST");
    // The run holds the query that follows it until it is resumed.
    session.receive("AT?\nSYST:ERR?\n");
    QVERIFY(session.waiting());
    QCOMPARE(session.takeOutput(), QByteArray());
    session.resume();
    QCOMPARE(session.takeOutput(), "IDLE,0,0,0\n-363,\"Input buffer overrun\"\n");
    QCOMPARE(target.performed,
             QList<int>({int(Command::Route), int(Command::Run), int(Command::RunState)}));
    session.receive("SYST:ERR?\n");
    QCOMPARE(session.takeOutput(), "-200,\"Execution error;the \"\"QMX\"\" is ? busy\"\n");

    // Twelve errors: the queue keeps the first nine and the overflow, then it is empty.
    for (int i = 0; i < 12; ++i)
        session.receive("FOO" + QByteArray::number(i) + '\n');
    for (int i = 0; i < 11; ++i)
        session.receive("SYST:ERR?\n");
    const QList<QByteArray> answers = session.takeOutput().split('\n');
    QCOMPARE(answers.count("-113,\"Undefined header\""), 9);
    QCOMPARE(answers.mid(9, 2), QList<QByteArray>({"-350,\"Queue overflow\"", "0,\"No error\""}));
    session.receive("REC:STR ON\n*CLS\nSYST:ERR?\n");
    session.publish("{\"kind\":\"step\"}");
    QCOMPARE(session.takeOutput(), "0,\"No error\"\n{\"kind\":\"step\"}\n");
}

QTEST_GUILESS_MAIN(TestControlProtocol)
#include "tst_controlprotocol.moc"
