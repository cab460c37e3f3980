// The program editor under any sequence of keys, clicks and list choices: no cell ever holds a
// character its column refuses (digits for the channel, digits and the decimal marks for the
// time, the unit letters for the unit), no channel is 17 or more, and the titles and step numbers
// stay as they are.
#include "core/numbers.h"
#include "fuzzcheck.h"
#include "support/programeditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QScopeGuard>

#include <cstdint>

namespace {
// Made once and never destroyed: at exit it would outlive the input devices it owns, whose
// registry Qt has torn down by then.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz_keyfilter";
    static char *argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static const QApplication *app = new QApplication(argc, argv);
    Q_UNUSED(app)
}

bool onlyOf(const QString &text, QStringView allowed) {
    for (const QChar c : text) {
        if (!allowed.contains(c))
            return false;
    }
    return true;
}

bool isValid(const ProgramTable &table, const QStringList &titles) {
    bool valid = table.cols() == ProgramTable::kNewColumnCount;
    for (int c = 0; c < table.cols(); ++c)
        valid = valid && table.text(0, c) == titles[c];
    for (int r = 1; r < table.rows(); ++r) {
        const QString channel = table.text(r, ProgramTable::ChannelColumn);
        const std::optional<qint32> number = parseWholeLong(channel);
        valid = valid && table.text(r, ProgramTable::StepColumn) == QString::number(r) &&
                (channel.isEmpty() || (onlyOf(channel, u"0123456789") && number && *number < 17)) &&
                onlyOf(table.text(r, ProgramTable::TimeColumn), u"0123456789,.") &&
                onlyOf(table.text(r, ProgramTable::UnitColumn), u"msinh");
    }
    return valid;
}

constexpr int kArrows[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
constexpr int kMoves[] = {Qt::Key_Home,     Qt::Key_End, Qt::Key_PageUp,
                          Qt::Key_PageDown, Qt::Key_Tab, Qt::Key_Backtab};
constexpr char16_t kMarks[] = u",. -+e";
constexpr char16_t kLetters[] = u"msinhMSINH";
} // namespace

// Each byte is one action: its low four bits say which, its high four bits (and for some the
// next byte) how.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ensureApplication();
    // No event loop runs here, so what the window hands to deleteLater() is deleted at the end.
    const auto cleanUp =
        qScopeGuard([] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); });
    ProgramEditor editor;
    QStringList titles;
    for (int c = 0; c < editor.table.cols(); ++c)
        titles << editor.table.text(0, c);
    for (std::size_t i = 0; i < size; ++i, FUZZ_CHECK(isValid(editor.table, titles))) {
        const int action = data[i] & 0x0f;
        const int how = data[i] >> 4;
        // The actions that take the next byte as well.
        const int next = action >= 10 && action <= 12 && ++i < size ? data[i] : 0;
        QWidget *const list = editor.list->isVisible() ? editor.list : nullptr;
        if (action < 4)
            press(editor.grid, kArrows[action], {}, how & 1 ? Qt::ShiftModifier : Qt::NoModifier);
        else if (action == 4)
            press(editor.grid, kMoves[how % 6]);
        else if (action == 5 || action == 6)
            press(editor.grid, action == 5 ? Qt::Key_Backspace : Qt::Key_Delete);
        else if (action == 7)
            type(editor.grid, QChar(u'0' + how % 10));
        else if (action == 8)
            type(editor.grid, QChar(kMarks[how % 6]));
        else if (action == 9)
            type(editor.grid, QChar(kLetters[how % 10]));
        else if (action == 10) // any character
            type(editor.grid, QChar(next));
        else if (action == 11) // a click on a cell
            editor.click(how, next % ProgramTable::kNewColumnCount);
        else if (action == 12 && list) // typed into the list's own text box
            type(editor.list->lineEdit(), QChar(next));
        else if (action == 13 && list)
            press(list, Qt::Key_Return);
        else if (action == 14 && list) // the list's choices stepped through with the arrows
            press(list, how & 1 ? Qt::Key_Up : Qt::Key_Down);
        else if (action == 15)
            press(editor.grid, Qt::Key_Escape);
    }
    return 0;
}
