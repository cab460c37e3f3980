#pragma once

#include <QColor>
#include <QString>

#include <functional>

// What the device link and the runner need of the windows. The windows implement these; the
// tests fake them. Nothing here may pull in a widget.

// The power and error lamps that the channel view and the program editor each carry.
class LampDisplay {
public:
    virtual ~LampDisplay() = default;
    virtual void setPowerLamp(bool on) = 0;
    virtual void setErrorLamp(bool on) = 0;
};

// The first panel of the main window's status bar, which shows the link state.
class StatusDisplay {
public:
    virtual ~StatusDisplay() = default;
    // failureReason explains a failed connect (empty otherwise); the panel shows it as a tooltip.
    virtual void showLinkStatus(const QString &text, const QString &failureReason) = 0;
};

// Message boxes titled with the application title and modal. They open without an event loop of
// their own, so that a run keeps its times while one is open.
class MessageDisplay {
public:
    virtual ~MessageDisplay() = default;
    // With an OK button; returns at once, the box stays up until it is closed.
    virtual void showMessage(const QString &text) = 0;
    // The same, and returns once the box is closed.
    virtual void showMessageAndWait(const QString &text) = 0;
    // With Yes and No; returns at once, and onYes runs when the user answers Yes.
    virtual void ask(const QString &question, std::function<void()> onYes) = 0;
};

// The channel view's dial of 16 buttons.
class ChannelDial {
public:
    virtual ~ChannelDial() = default;
    // Paints the button of channel `index` (0..15) in `color` and every other one blue.
    virtual void change_button_color(int index, const QColor &color) = 0;
};

// A text box that shows a number: the mini view's channel box and the runs boxes.
class TextBox {
public:
    virtual ~TextBox() = default;
    virtual QString text() const = 0;
    // Runs the box's change handler, as typing would.
    virtual void setText(const QString &text) = 0;
};

// The run and stop buttons of the main window's toolbar and of the mini view.
class RunButtons {
public:
    virtual ~RunButtons() = default;
    // Shows the running state.
    virtual void ProgramRun() = 0;
    // Shows the idle state and moves the program table's selection back to its first row.
    virtual void ProgramStop() = 0;
};

// What creating or loading a program does to the windows around the table.
class ProgramHost {
public:
    virtual ~ProgramHost() = default;
    // A new program hides the main window while the mini view stands in for it.
    virtual void hideMainIfMiniVisible() = 0;
    // Enables the run buttons of the main window's toolbar and of the mini view.
    virtual void enableRunButtons() = 0;
};
