#pragma once

#include "app/module1.h"
#include "platform/settingsstore.h"
#include "support/files.h"
#include "ui/filedialogs.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"
#include "ui/windowlinks.h"

#include <QAction>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// The file dialog, answered by the test at once; an empty answer is a cancel.
class FakeFileDialogs final : public FileDialogs {
public:
    void chooseFileToOpen(QWidget *, const QString &title, const QString &, const QString &,
                          Chosen chosen) override {
        choose(title, chosen);
    }
    void chooseFileToSave(QWidget *, const QString &title, const QString &,
                          Chosen chosen) override {
        choose(title, chosen);
    }
    void choose(const QString &title, const Chosen &chosen) {
        titles << title;
        if (!answer.isEmpty())
            chosen(answer);
    }
    QString answer;
    QStringList titles;
};

// The message boxes, as a list of their texts; ask() answers as told.
class FakeMessages final : public MessageDisplay {
public:
    void showMessage(const QString &text) override { messages << text; }
    void showMessageAndWait(const QString &text) override { showMessage(text); }
    void ask(const QString &question, std::function<void()> onYes) override {
        showMessage(question);
        if (answerYes)
            onYes();
    }
    QStringList messages;
    bool answerYes = false;
};

// The dialogs behind the menus, as a log.
class FakeDialogHost final : public DialogHost {
public:
    void showOptions(QWidget *) override { log << QStringLiteral("options"); }
    void showAbout(QWidget *) override { log << QStringLiteral("about"); }
    void showHelpContents() override { log << QStringLiteral("help"); }
    void unloadDialogs() override { log << QStringLiteral("unload dialogs"); }
    QStringList log;
};

// The application module with its settings in a temporary INI file and fake dialogs and message
// boxes; the port and the clock are the test's choice.
class AppRig {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>(SettingsStore &)>;

    // The run record goes to the rig's folder too.
    AppRig() { store({QStringLiteral("Folder=") + recordFolder()}, QStringLiteral("Record")); }

    // Stores settings ("Key=value" in the section) before the module reads them.
    void store(const QStringList &entries, const QString &section = QStringLiteral("Settings")) {
        SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
        for (const QString &entry : entries)
            settings.write(section, entry.section(u'=', 0, 0), entry.section(u'=', 1));
    }
    QString setting(const QString &key) const {
        return SettingsStore(dir.filePath(QStringLiteral("settings.ini")))
            .read(QStringLiteral("Settings"), key, QString());
    }

    // realDialogs: the program's own dialogs and message boxes instead of the fakes.
    void build(const PortFactory &makePort, std::unique_ptr<Clock> clock,
               bool realDialogs = false) {
        Module1::Parts parts;
        parts.settings =
            std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.ini")));
        parts.port = makePort(*parts.settings);
        parts.clock = std::move(clock);
        parts.controlSocket = dir.filePath(QStringLiteral("control"));
        if (!realDialogs) {
            parts.fileDialogs = std::unique_ptr<FakeFileDialogs>(files = new FakeFileDialogs);
            parts.messages = std::unique_ptr<FakeMessages>(messages = new FakeMessages);
            parts.dialogs = std::unique_ptr<FakeDialogHost>(dialogs = new FakeDialogHost);
        }
        module = std::make_unique<Module1>(std::move(parts));
        module->setOnUnloaded([this] { ++exits; });
    }

    Instrument &instrument() const { return module->instrument(); }
    frmMain &main() const { return *module->mainWindow(); }
    QAction *action(const QString &name) const { return main().findChild<QAction *>(name); }
    QString recordFolder() const { return dir.filePath(QStringLiteral("records")); }
    // The values of `field` in the record's lines of `kind`, in order.
    QStringList recorded(const QString &kind, const QString &field) const {
        QStringList values;
        const QDir folder(recordFolder());
        for (const QString &name : folder.entryList(QDir::Files, QDir::Name)) {
            for (const QByteArray &line : readFile(folder.filePath(name)).split('\n')) {
                const QJsonObject record = QJsonDocument::fromJson(line).object();
                if (record.value(QStringLiteral("kind")).toString() == kind)
                    values << record.value(field).toVariant().toString();
            }
        }
        return values;
    }
    // A toolbar button or a menu item, clicked as the user would.
    void click(const QString &name) const {
        if (QWidget *button = main().findChild<QWidget *>(name))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            action(name)->trigger();
    }

    QTemporaryDir dir;
    FakeFileDialogs *files = nullptr;
    FakeMessages *messages = nullptr;
    FakeDialogHost *dialogs = nullptr;
    std::unique_ptr<Module1> module;
    int exits = 0;
};
