#pragma once

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QString>

// The record's files: one a day, named by its date (2024-02-29.jsonl), in a folder made when
// needed. Lines are appended with their line ends in one write, which reaches the system at
// once, so a program that is killed leaves every line that it wrote whole. A file whose last line
// was cut short (a full disk, a crash of the machine) gets the line end it lacks before the next
// line, so the lines after it stay whole.
class RecordFile {
public:
    // The folder of the files; empty: no file is written.
    void setFolder(const QString &folder);
    bool enabled() const { return !m_folder.isEmpty(); }
    // Appends lines, each ending in a line end, to the file of `day`. Returns why it could not,
    // or an empty text.
    QString append(const QDate &day, const QByteArray &lines);

private:
    QString open(const QDate &day);

    QString m_folder;
    QFile m_file;
    QDate m_day;
};
