#pragma once

#include <filesystem>
#include <string>

namespace monitor {

/** The database settings of arquivo.ini, read as text exactly as written. A missing file or
 *  an absent key gives the default; a key present with an empty value gives the empty text. */
struct DatabaseSettings {
    std::string host = "127.0.0.1";  // [bd] host
    std::string nome = "tarvelo";    // [bd] nome
    std::string login = "postgres";  // [dadosbanco] login
    std::string senha = "K72PARVINE38";  // [dadosbanco] senha
    std::string porta = "5432";      // [dadosbanco] porta
};

/** Reads the settings file; never fails (an unreadable file reads as missing). Section and key
 *  names match without regard to case, and the first occurrence of a key wins, as Windows
 *  reads INI files. */
DatabaseSettings ReadDatabaseSettings(const std::filesystem::path& iniFile);

/** The port as an integer; throws std::invalid_argument with a message naming the value when
 *  it is not a decimal integer (the empty text included). */
int ParsePort(const std::string& porta);

}  // namespace monitor
