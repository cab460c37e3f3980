#pragma once

// The application title: the caption of the main window and the mini view, the title of the
// message boxes, and the name under which the settings store and the single instance know the
// program.
inline constexpr char kApplicationTitle[] = "QMX-7700";
