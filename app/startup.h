#pragma once

class QApplication;

// The program's start: ends at once when another instance runs (after asking it to come to the
// front); otherwise loads the windows, shows the start-up view, connects, and serves events
// until the main window has closed. Returns the exit code.
int Main(QApplication &application);
