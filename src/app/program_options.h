#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace monitor {

/** The command line of scanntech-monitor. */
struct ProgramOptions {
    bool headless = false;
    bool once = false;
    bool help = false;
    bool version = false;
    /** Where arquivo.ini, the error log and the "LOG" folder live; the program's folder unless
     *  --dir names another. */
    std::filesystem::path dir;
    std::string error;  // non-empty when the command line could not be read
};

ProgramOptions ParseProgramOptions(const std::vector<std::string>& args,
                                   const std::filesystem::path& programDir);

/** The usage text printed by --help. */
std::string UsageText();

/** The folder holding the running executable. */
std::filesystem::path ExecutableDir();

}  // namespace monitor
