#pragma once

#include "core/globalstate.h"
#include "program/programtable.h"
#include "ui/frmprogram.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTableView>
#include <QTest>

// A key pressed and released with its text, as typing it does.
inline void press(QWidget *widget, int key, const QString &text = {},
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &up);
}

// Any character typed; "\b" stands for Backspace and "\x7f" for Delete.
inline void type(QWidget *widget, QChar c) {
    if (c == u'\b' || c == u'\x7f')
        press(widget, c == u'\b' ? Qt::Key_Backspace : Qt::Key_Delete);
    else
        press(widget, c.isLetterOrNumber() ? int(c.toUpper().unicode()) : int(Qt::Key_unknown),
              QString(c));
}

// The program editor over a new table, its key filter hooked, shown.
struct ProgramEditor {
    ProgramEditor() {
        view.HookGrid();
        view.resize(view.sizeHint());
        view.show();
    }
    void click(int row, int col) const {
        const QRect cell = grid->visualRect(table.index(row, col));
        if (cell.isValid())
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    GlobalState state;
    ProgramTable table;
    frmProgram view{state, table};
    QTableView *grid = view.findChild<QTableView *>(QStringLiteral("grid"));
    QComboBox *list = view.findChild<QComboBox *>(QStringLiteral("cbEditCell"));
};
