#pragma once

#include <QString>

class QWidget;

// The main window's file dialog as the file commands and the mini view use it. Filters are
// written "description|pattern"; cancelling gives an empty path. Tests answer it with a fake.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // initialFolder may be empty (the platform's choice); a folder that does not exist is the
    // same as none.
    virtual QString openFileName(QWidget *owner, const QString &title, const QString &filter,
                                 const QString &initialFolder) = 0;
    virtual QString saveFileName(QWidget *owner, const QString &title, const QString &filter) = 0;
};

// QFileDialog. It does not ask before replacing a file, accepts names of files that do not
// exist and adds no extension, so the chosen name is used as typed.
class SystemFileDialogs final : public FileDialogs {
public:
    QString openFileName(QWidget *owner, const QString &title, const QString &filter,
                         const QString &initialFolder) override;
    QString saveFileName(QWidget *owner, const QString &title, const QString &filter) override;

    // "All Files (*.*)|*.*" in the form QFileDialog reads; "*.*" matches every file, as it
    // does where the filters come from, also names without a dot.
    static QString qtFilter(const QString &filter);
};
