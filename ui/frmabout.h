#pragma once

#include <QDialog>

class QLabel;
class SystemTools;
class TopmostWindow;

// The about box "Info QMX": product title, version, the supplier's contact block and a legal
// notice, and a button that starts the system's information program. Closing it reapplies the
// main window's always-on-top. One instance serves one showing.
//
// Controls by objectName: "picIcon", "lblTitle", "lblVersion", "lblDescription",
// "lblDisclaimer", "cmdOK" (default and cancel button), "cmdSysInfo" (hidden where the system
// has no information program).
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    frmAbout(TopmostWindow &mainWindow, SystemTools &tools, QWidget *owner = nullptr);
    ~frmAbout() override;

    // Finds and starts the system-information program; any failure does nothing.
    void StartSysInfo();

    // Closes once, reapplying the main window's always-on-top.
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TopmostWindow &m_mainWindow;
    SystemTools &m_tools;
    QLabel *m_disclaimer = nullptr;
    bool m_unloaded = false;
};
