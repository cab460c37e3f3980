#pragma once

#include <QString>

#include <functional>

class QWidget;

// The main window's file dialog as the file commands and the mini view use it. Filters are
// written "description|pattern". The dialogs open without an event loop of their own, so that a
// run keeps its times while one is open: chosen runs with the full path once the user has chosen
// a file, and not at all on a cancel. Tests answer them with a fake.
class FileDialogs {
public:
    using Chosen = std::function<void(const QString &path)>;

    virtual ~FileDialogs() = default;
    // Only a file that exists can be chosen. initialFolder may be empty (the platform's choice);
    // a folder that does not exist is the same as none.
    virtual void chooseFileToOpen(QWidget *owner, const QString &title, const QString &filter,
                                  const QString &initialFolder, Chosen chosen) = 0;
    virtual void chooseFileToSave(QWidget *owner, const QString &title, const QString &filter,
                                  Chosen chosen) = 0;
};

// QFileDialog, modal to its owner. Open refuses the name of a file that does not exist (a typo
// must not cost the program being edited); Save does not ask before replacing a file and adds
// no extension, so the chosen name is used as typed.
class SystemFileDialogs final : public FileDialogs {
public:
    void chooseFileToOpen(QWidget *owner, const QString &title, const QString &filter,
                          const QString &initialFolder, Chosen chosen) override;
    void chooseFileToSave(QWidget *owner, const QString &title, const QString &filter,
                          Chosen chosen) override;

    // "All Files (*.*)|*.*" in the form QFileDialog reads; "*.*" matches every file, as it
    // does where the filters come from, also names without a dot.
    static QString qtFilter(const QString &filter);
};
