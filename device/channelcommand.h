#pragma once

// The outcome of a channel command.
enum class GotoResult {
    // The move and its position poll were sent.
    Sent,
    // The link was not up (or the index names no channel): nothing was sent.
    NotSent,
    // The device gave a position that cannot be read, or the port failed: the command stopped
    // part-way.
    Failed,
};

// What a mark on the channel dial means; the dial chooses its colours.
enum class ChannelMark {
    // The channel was just chosen: by a click, a connect or a step of a run.
    Selected,
    // The channel chosen before, shown again when the dial comes back into view.
    MarkedAgain,
};

// Who asked for a channel command.
enum class SwitchSource { Dial, MiniView, Run, Remote, Connect };

// Moves the device to a channel and records the channel selected; the runner needs nothing else
// of the link.
class ChannelCommand {
public:
    virtual ~ChannelCommand() = default;
    // index is the channel number minus 1, 0..15; source is who asked, for the record.
    virtual GotoResult GotoChannel(int index, SwitchSource source = SwitchSource::Dial) = 0;
    // Records index (0..15, or -1 for none) as the channel last selected, cur_channel.
    virtual void selectChannel(int index) = 0;
};
