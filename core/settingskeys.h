#pragma once

#include "core/globalstate.h"

#include <array>

// Every key of the settings store, with its default, named here and nowhere else.

inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kPortsSection[] = "Ports";

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

// Window positions in twips.
struct PositionKey {
    const char *name;
    int defaultValue;
};

inline constexpr PositionKey kMainLeftKey{"MainLeft", 1000};
inline constexpr PositionKey kMainTopKey{"MainTop", 1000};
inline constexpr PositionKey kMiniLeftKey{"MiniLeft", 1000};
inline constexpr PositionKey kMiniTopKey{"MiniTop", 1000};
