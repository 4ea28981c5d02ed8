#pragma once

#include "app/program_options.h"

namespace monitor {

/** Runs the monitor as a desktop program with its window and tray icon until the user ends it
 *  (or the first connection fails). Returns the process exit status. */
int RunDesktop(int argc, char** argv, const ProgramOptions& options);

}  // namespace monitor
