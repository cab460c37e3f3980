#pragma once

#include <QtGlobal>

#include <array>

constexpr int kChannelCount = 16;

// The state that all windows, the device link and the runner share. One instance lives for the
// whole run; the names are the ones every part of the program uses for them. Each field has one
// writer: the run state the runner, the channel state the device link, the options the settings.
struct GlobalState {
    // A program run is in progress; clearing it asks the runner to stop.
    bool prog_running = false;
    // State of the "continous" check box: 0 = one pass, 1 = the passes given by the runs box.
    qint16 cont_mode = 0;
    // Runs entered in the runs boxes (-1 = endless); during a counted run, the runs still to do.
    qint32 no_of_runs = -1;
    // Device position of each channel, index = channel number - 1, read by the handshake.
    std::array<qint16, kChannelCount> ch_pos{};
    // Index of the channel last selected; -1 = none yet.
    qint16 cur_channel = -1;
    // Set by every connect that succeeds, cleared by every one that fails; while set, a connect
    // skips the handshake and keeps ch_pos.
    bool dev_found = false;

    // The options as read from the settings store (0 until read).
    qint16 opt_comport = 0;
    qint16 opt_baudrate = 0;
    qint16 opt_hbx = 0;
    qint16 opt_ontop = 0;
    qint16 opt_splash = 0;
    qint16 opt_view = 0;
    qint16 opt_language = 0;
};
