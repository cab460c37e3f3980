#pragma once

#include "app/module1.h"
#include "platform/settingsstore.h"
#include "support/fakelinkviews.h"
#include "ui/filedialogs.h"
#include "ui/frmmain.h"
#include "ui/windowlinks.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// The file dialog, answered by the test: every call is kept as "kind|title|filter|folder".
class FakeFileDialogs final : public FileDialogs {
public:
    QString openFileName(QWidget *, const QString &title, const QString &filter,
                         const QString &initialFolder) override {
        calls << QStringList{QStringLiteral("open"), title, filter, initialFolder}.join(u'|');
        return answer;
    }
    QString saveFileName(QWidget *, const QString &title, const QString &filter) override {
        calls << QStringList{QStringLiteral("save"), title, filter}.join(u'|');
        return answer;
    }
    QStringList calls;
    QString answer;
};

// The dialogs behind the menus. Like the real ones, a modal dialog reapplies the main window's
// always-on-top when it closes.
class FakeDialogHost final : public DialogHost {
public:
    void showOptions(QWidget *owner) override { shown(QStringLiteral("options"), owner); }
    void showAbout(QWidget *owner) override { shown(QStringLiteral("about"), owner); }
    void showHelpContents() override { log << QStringLiteral("help"); }
    void unloadDialogs() override { log << QStringLiteral("unload dialogs"); }

    TopmostWindow *mainWindow = nullptr;
    // Runs while the dialog is "open".
    std::function<void(QWidget *owner)> whileOpen;
    QStringList log;

private:
    void shown(const QString &name, QWidget *owner) {
        log << name;
        if (whileOpen)
            whileOpen(owner);
        if (mainWindow)
            mainWindow->OnTop();
    }
};

// The application module with its settings in a temporary INI file and fake dialogs and message
// boxes; the port and the clock are the test's choice.
class AppRig {
public:
    using PortFactory = std::function<std::unique_ptr<SerialPort>(SettingsStore &)>;

    AppRig() { dir.setAutoRemove(true); }

    QString settingsFile() const { return dir.filePath(QStringLiteral("settings.ini")); }
    // Stores a setting before the module reads it.
    void setSetting(const QString &section, const QString &key, const QString &value) {
        SettingsStore(settingsFile()).write(section, key, value);
    }
    QString setting(const QString &key) const {
        return SettingsStore(settingsFile()).read(QStringLiteral("Settings"), key, QString());
    }

    void build(const PortFactory &makePort, std::unique_ptr<Clock> clock) {
        Module1::Parts parts;
        parts.settings = std::make_unique<SettingsStore>(settingsFile());
        parts.port = makePort(*parts.settings);
        parts.clock = std::move(clock);
        auto fileDialogs = std::make_unique<FakeFileDialogs>();
        files = fileDialogs.get();
        parts.fileDialogs = std::move(fileDialogs);
        auto messageDisplay = std::make_unique<FakeMessages>();
        messages = messageDisplay.get();
        parts.messages = std::move(messageDisplay);
        auto dialogHost = std::make_unique<FakeDialogHost>();
        dialogs = dialogHost.get();
        parts.dialogs = std::move(dialogHost);
        module = std::make_unique<Module1>(std::move(parts));
        module->setOnUnloaded([this] { ++exits; });
    }

    frmMain &main() const { return *module->mainWindow(); }
    QAction *action(const QString &name) const { return main().findChild<QAction *>(name); }
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
