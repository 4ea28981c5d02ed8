#include "app/program_options.h"

#include <unistd.h>

namespace monitor {

ProgramOptions ParseProgramOptions(const std::vector<std::string>& args,
                                   const std::filesystem::path& programDir) {
    ProgramOptions o;
    o.dir = programDir;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--headless") {
            o.headless = true;
        } else if (a == "--once") {
            o.once = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--dir" && i + 1 < args.size()) {
            o.dir = args[++i];
        } else if (a.starts_with("--dir=")) {
            o.dir = a.substr(6);
        } else {
            o.error = "unknown option '" + a + "'";
            return o;
        }
    }
    if (o.dir.empty()) o.error = "--dir needs a folder";
    return o;
}

std::string UsageText() {
    return "Usage: scanntech-monitor [--headless] [--once] [--dir DIR]\n"
           "Keeps the store's Tarvelo database in step with Scanntech.\n\n"
           "  --headless   run as a service without windows; alerts go to standard error\n"
           "  --once       connect, run one check of the schedule at once, and exit\n"
           "  --dir DIR    folder of arquivo.ini, the error log and the LOG folder\n"
           "               (default: the program's own folder)\n"
           "  --help       show this text\n"
           "  --version    show the version\n";
}

std::filesystem::path ExecutableDir() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

}  // namespace monitor
