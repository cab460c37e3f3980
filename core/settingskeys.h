#pragma once

#include "core/globalstate.h"

#include <array>

// Every key of the settings store, with its default, named here and nowhere else (the section
// "Ports", which the serial port reads, is named in platform/portnames.h).

inline constexpr char kSettingsSection[] = "Settings";

struct OptionKey {
    const char *readAs;
    // Written under another spelling for "BaudRate"; the store matches keys without case.
    const char *writtenAs;
    int defaultValue;
    qint16 GlobalState::*global;
};

inline constexpr OptionKey kBaudRateKey{"BaudRate", "Baudrate", 9600, &GlobalState::opt_baudrate};
inline constexpr OptionKey kLanguageKey{"Language", "Language", 0, &GlobalState::opt_language};
inline constexpr OptionKey kOnTopKey{"OnTop", "OnTop", 0, &GlobalState::opt_ontop};
inline constexpr OptionKey kHbxKey{"HBX", "HBX", 0, &GlobalState::opt_hbx};
inline constexpr OptionKey kComPortKey{"ComPort", "ComPort", 1, &GlobalState::opt_comport};
inline constexpr OptionKey kSplashKey{"Splash", "Splash", 0, &GlobalState::opt_splash};
inline constexpr OptionKey kViewKey{"View", "View", 0, &GlobalState::opt_view};

// The order in which the options are read at start-up; a read that fails stops there.
inline constexpr std::array<const OptionKey *, 7> kOptionReadOrder{
    &kBaudRateKey, &kLanguageKey, &kOnTopKey, &kHbxKey, &kComPortKey, &kSplashKey, &kViewKey};

// The order in which the options dialog writes them back.
inline constexpr std::array<const OptionKey *, 7> kOptionWriteOrder{
    &kComPortKey, &kBaudRateKey, &kOnTopKey, &kViewKey, &kHbxKey, &kLanguageKey, &kSplashKey};

// A stored window position in twips.
struct PositionKey {
    const char *name;
    int defaultValue;
};

// The stored place of a window: its left and its top edge.
struct WindowPositionKeys {
    PositionKey left;
    PositionKey top;
};

inline constexpr WindowPositionKeys kMainPositionKeys{{"MainLeft", 1000}, {"MainTop", 1000}};
inline constexpr WindowPositionKeys kMiniPositionKeys{{"MiniLeft", 1000}, {"MiniTop", 1000}};

// The control server's section: TCP off unless Tcp=1; then on Port, at Address only.
inline constexpr char kRemoteSection[] = "Remote";
struct RemoteKey {
    const char *name;
    const char *defaultText;
};
inline constexpr RemoteKey kRemoteTcpKey{"Tcp", "0"};
// The usual port of raw SCPI.
inline constexpr RemoteKey kRemotePortKey{"Port", "5025"};
inline constexpr RemoteKey kRemoteAddressKey{"Address", "127.0.0.1"};

// The run record, in a section of its own: its folder (empty: "records" in the user's state
// folder) and whether it is written (any value that reads as 0 switches it off).
inline constexpr char kRecordSection[] = "Record";
inline constexpr char kRecordFolderKey[] = "Folder";
inline constexpr char kRecordFolderDefault[] = "";
inline constexpr char kRecordEnabledKey[] = "Enabled";
inline constexpr int kRecordEnabledDefault = 1;
