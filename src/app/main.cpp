#include <iostream>
#include <string>
#include <vector>

#include "app/headless_shell.h"
#include "app/program_options.h"

#ifdef MONITOR_WITH_GUI
#include "app/desktop_shell.h"
#endif

int main(int argc, char** argv) {
    using namespace monitor;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ProgramOptions options = ParseProgramOptions(args, ExecutableDir());
    if (!options.error.empty()) {
        std::cerr << "scanntech-monitor: " << options.error << "\n\n" << UsageText();
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    if (options.version) {
        std::cout << "scanntech-monitor " << MONITOR_VERSION << "\n";
        return 0;
    }
#ifdef MONITOR_WITH_GUI
    if (!options.headless) return RunDesktop(argc, argv, options);
#endif
    return RunHeadless(options);
}
