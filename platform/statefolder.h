#pragma once

#include <QString>

// The folder in which the program keeps what it writes as it runs, the run record among it: on
// Windows the user's local application data, elsewhere $XDG_STATE_HOME (~/.local/state when it is
// unset or not an absolute path, as the XDG base directories say), each with the application
// title below it.
QString userStateFolder();
