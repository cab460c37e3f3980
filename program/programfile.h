#pragma once

#include "program/steptable.h"

#include <QString>

#include <optional>

class MessageDisplay;
class ProgramHost;
class ProgramTable;

// A program file holds the table's block text behind a header "<steps>,<columns>;" and ends with
// CR LF. It is Latin-1: one byte per character, so any byte survives a load and a save.

// Writes the column titles into row 0.
void writeTitles(ProgramTable &table);

// Empties the table into a new program of 16 step rows under the column titles and clears the
// step records. host may be null.
void NewProgram(ProgramTable &table, StepTable &steps, ProgramHost *host);

// A row without a channel ends the program for a run and a file alike, so the steps after it
// would be lost: "Step 3 has no channel: steps 4 to 9 would be lost." for the first such row;
// nothing when no step follows it.
std::optional<QString> describeLostSteps(const ProgramTable &table);

// Saves the steps up to the first row without a channel. Returns an empty text on success,
// otherwise why nothing was saved (an existing file then stays as it was).
QString SaveProgram(const QString &path, ProgramTable &table);

// Starts a new program and fills it from the file. A missing file, or one without a header, gives
// the new program; a file whose header cannot be meant is refused with a message. host and
// messages may be null.
void LoadProgram(const QString &path, ProgramTable &table, StepTable &steps, ProgramHost *host,
                 MessageDisplay *messages);
