#pragma once

#include <QDialog>

#include <map>

class QButtonGroup;
class OptionCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QListWidget;
class QTabWidget;
class SerialPortList;
class SettingsStore;
class TopmostWindow;
struct GlobalState;

// What the options dialog works on.
struct OptionsDialogDeps {
    GlobalState &state;
    SettingsStore &settings;
    // The main window, whose always-on-top state the dialog reapplies when it closes.
    TopmostWindow &mainWindow;
    // The machine's serial ports, for the port chooser.
    const SerialPortList &ports;
};

// The options dialog "Optionen": the port number and the start-up view with always-on-top, over
// the option globals. The port number (and the hidden language) take effect when chosen, the
// check boxes and the view on OK; every close writes all seven options and reapplies the main
// window's always-on-top. One instance serves one showing.
//
// Controls by objectName: the tab strip "tbsOptions" with the pages "picOptions0" ("Comport")
// and "picOptions1" ("Settings"); "cport", "lbaud", "lbits", "lstop", "lparity", "lprotocol";
// "Check1_0" (hidden), "Check1_1" (hidden), "Check1_2", "Option1_0".."Option1_2", "cLang"
// (hidden); "cmdOK", "cmdCancel". The port chooser: "lblPortDevice" (the device of the chosen
// port number and whether it is there; the whole text is its tooltip) and "lstPorts" (the
// machine's ports; choosing one maps the port number to it on OK).
class frmOptions final : public QDialog {
    Q_OBJECT

public:
    explicit frmOptions(const OptionsDialogDeps &deps, QWidget *owner = nullptr);
    ~frmOptions() override;

    // Runs the close handling once (store the options, reapply always-on-top), then closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildPortPage();
    QWidget *buildSettingsPage();
    QLayout *buildButtons();
    void activate();
    void showPage(int index);
    void showPort();
    void portTyped();
    void portChosen(int index);
    void languageChosen(int index);
    void portListChosen();
    void showPortDevice();
    void fillPortList();
    void okClicked();
    bool cycleTabs(const QKeyEvent &key);

    GlobalState &m_state;
    SettingsStore &m_settings;
    TopmostWindow &m_mainWindow;
    const SerialPortList &m_ports;

    QTabWidget *m_tabs = nullptr;
    QComboBox *m_port = nullptr;
    QLabel *m_baud = nullptr;
    QLabel *m_portDevice = nullptr;
    QListWidget *m_portList = nullptr;
    OptionCheckBox *m_hbx = nullptr;
    OptionCheckBox *m_splash = nullptr;
    OptionCheckBox *m_onTop = nullptr;
    QButtonGroup *m_view = nullptr;
    QComboBox *m_language = nullptr;

    // Port number -> device chosen in the list, stored on OK.
    std::map<int, QString> m_chosenDevices;
    // Set while the list's selection follows the port number, so that it maps nothing.
    bool m_followingPort = false;
    bool m_unloaded = false;
};
