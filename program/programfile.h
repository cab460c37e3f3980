#pragma once

#include "program/steptable.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class ProgramTable;

// A program file holds the table's block text behind a header "<steps>,<columns>;" and ends with
// CR LF. It is Latin-1: one byte per character, so any byte survives a load and a save.

// The table as the program starts with it: a new program of four columns, its step rows
// numbered, the first step cell current.
void setUpFirstProgram(ProgramTable &table);

// A row without a channel ends the program for a run and a file alike, so the steps after it
// would be lost: "Step 3 has no channel: steps 4 to 9 would be lost." for the first such row;
// nothing when no step follows it.
std::optional<QString> describeLostSteps(const ProgramTable &table);

// Saves the steps up to the first row without a channel. Returns an empty text on success,
// otherwise why nothing was saved (an existing file then stays as it was).
QString SaveProgram(const QString &path, ProgramTable &table);

// A program file that holds the program exactly as the table has it.
struct ProgramFileId {
    // Absolute.
    QString path;
    // SHA-256 of the file's bytes.
    QByteArray sha256;
};

// The program of the table and the step records as a whole: started anew, loaded from a file or
// saved to one. Every surface hears of a new program (the run buttons offer to run it), and of
// what a load has to say about its file.
class ProgramDocument final : public QObject {
    Q_OBJECT

public:
    ProgramDocument(ProgramTable &table, StepTable &steps);

    // The file the program was loaded from whole or last saved to, while no cell, row or column
    // of the table has changed since; nothing otherwise.
    const std::optional<ProgramFileId> &file() const { return m_file; }

    // Empties the table into a new program of 16 step rows under the column titles (the column
    // count stays) and clears the step records.
    void NewProgram();
    // Starts a new program and fills it from the file. A missing file, or one without a header,
    // gives the new program; a file whose header cannot be meant is refused with a message.
    void LoadProgram(const QString &path);
    // SaveProgram() of the table, which is then the file saved.
    QString SaveProgram(const QString &path);

signals:
    // NewProgram replaced the program, also at the start of every load.
    void newProgram();
    // Why a file was refused or loaded only in part, for the user.
    void message(const QString &text);

private:
    ProgramTable &m_table;
    StepTable &m_steps;
    std::optional<ProgramFileId> m_file;
};
