#pragma once

#include "app/program_options.h"

namespace monitor {

/** Runs the monitor without windows: connects, then ticks once a minute until SIGTERM or
 *  SIGINT (or once, with --once). Returns the process exit status. */
int RunHeadless(const ProgramOptions& options);

}  // namespace monitor
