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

// Moves the device to a channel; the runner and the views need nothing else of the link.
class ChannelCommand {
public:
    virtual ~ChannelCommand() = default;
    // index is the channel number minus 1, 0..15.
    virtual GotoResult GotoChannel(int index) = 0;
};
