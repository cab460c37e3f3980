#pragma once

#include <QtGlobal>

struct GlobalState;
struct PositionKey;
class SettingsStore;

// Reads the seven options into their globals in their fixed order. Stops at the first value that
// is not a whole number in the Integer range and returns false; the globals of that key and of
// every later one keep what they held.
bool LoadSettings(GlobalState &state, const SettingsStore &store);

// Writes the seven options from their globals, in the order the options dialog stores them, as
// decimal text.
void SaveOptions(const GlobalState &state, SettingsStore &store);

// A stored window position in twips: a number with blanks around it allowed and a fraction
// rounded half to even, within the Long range; anything else gives the key's default.
qint32 ReadPosition(const SettingsStore &store, const PositionKey &key);
