#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/clock.h"
#include "notices/notices.h"

namespace monitor {

/** Raised when the error log cannot be created, opened or written. */
class LogWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/** The text log of caught failures beside the program: `<program>.log` and the empty folder
 *  "LOG". Entries are eight lines in Windows-1252 with CR LF line ends, appended and never
 *  trimmed; the file is open only while one entry is written. */
class ErrorLog {
public:
    ErrorLog(std::filesystem::path programDir, std::string programName, const Clock& clock,
             Notices& notices);

    /** Appends one entry; with `exibir` the message is then shown in an alert. Throws
     *  LogWriteError (and shows nothing) when the file cannot be written. */
    void GravaLogErro(const std::string& modulo, const std::string& tabela,
                      const std::string& funcao, const std::string& erro, bool exibir);

    std::filesystem::path LogFile() const;
    std::filesystem::path LogFolder() const { return programDir_ / "LOG"; }

    /** "dd/mm/yyyy hh:nn:ss", the date and time form of the entries. */
    static std::string FormatStamp(TDateTime when);

private:
    std::filesystem::path programDir_;
    std::string programName_;
    const Clock& clock_;
    Notices& notices_;
};

}  // namespace monitor
