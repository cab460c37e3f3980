#pragma once

#include "device/channelcommand.h"
#include "ui/lamps.h"

#include <QWidget>

#include <array>

class DeviceLink;
class RoundButton;
struct GlobalState;

// The channel view: 16 round buttons on a dial (MyButton 0..15, index 0 at the top, clockwise)
// with their labels, and the power and error lamps. A child of the main window's central area,
// without a frame; a release over a button paints it red and the click that follows switches
// the device to that channel.
//
// Object names: a control of an array is named by its array name followed by its index, so the
// buttons are "MyButton0" .. "MyButton15" and their labels "Label10" .. "Label115". The focus
// sink is "Picture1"; the lamps are "picPoweroff", "picPoweron", "picErroroff", "picErroron".
class frmChannel final : public QWidget {
    Q_OBJECT

public:
    static const QColor kIdleColor; // (0, 0, 255)

    frmChannel(GlobalState &state, DeviceLink &link, QWidget *parent = nullptr);

    // Paints the button of channel `index` (0..15) in `color` and every other one idle.
    void change_button_color(int index, const QColor &color);
    // Paints the button of channel `index` in the colour of the mark.
    void markChannel(int index, ChannelMark mark);
    void setPowerLamp(bool on);
    void setErrorLamp(bool on);

    // The view became the active child of the main window: marks cur_channel again.
    void markCurrentChannel();

    QColor buttonColor(int index) const;

    // The design client area, 5100 x 4860 twips.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void buttonPressed();
    void buttonClicked(int index);

    GlobalState &m_state;
    DeviceLink &m_link;
    std::array<RoundButton *, 16> m_buttons{};
    QWidget *m_focusSink = nullptr;
    LampPair m_power;
    LampPair m_error;
};
