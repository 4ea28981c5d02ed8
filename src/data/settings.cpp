#include "data/settings.h"

#include <ini.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <string_view>

namespace monitor {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct Reader {
    DatabaseSettings settings;
    std::set<std::string> seen;

    void Take(const std::string& key, std::string& target, const char* value) {
        if (seen.insert(key).second) target = value;
    }
};

int OnValue(void* user, const char* section, const char* name, const char* value) {
    auto* r = static_cast<Reader*>(user);
    const std::string s = Lower(section);
    const std::string k = Lower(name);
    if (s == "bd" && k == "host") r->Take("bd.host", r->settings.host, value);
    if (s == "bd" && k == "nome") r->Take("bd.nome", r->settings.nome, value);
    if (s == "dadosbanco" && k == "login") r->Take("dadosbanco.login", r->settings.login, value);
    if (s == "dadosbanco" && k == "senha") r->Take("dadosbanco.senha", r->settings.senha, value);
    if (s == "dadosbanco" && k == "porta") r->Take("dadosbanco.porta", r->settings.porta, value);
    return 1;  // keep reading past lines the parser did not like
}

}  // namespace

DatabaseSettings ReadDatabaseSettings(const std::filesystem::path& iniFile) {
    Reader reader;
    if (std::FILE* f = std::fopen(iniFile.c_str(), "rb")) {
        ini_parse_file(f, OnValue, &reader);
        std::fclose(f);
    }
    return reader.settings;
}

int ParsePort(const std::string& porta) {
    int value = 0;
    const char* first = porta.data();
    const char* last = porta.data() + porta.size();
    if (first != last && (*first == '+' || *first == '-')) {
        // from_chars takes no '+'; a sign still makes a valid (if useless) integer
        if (*first == '+') ++first;
    }
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (porta.empty() || ec != std::errc() || ptr != last) {
        throw std::invalid_argument("'" + porta + "' is not a valid integer value");
    }
    return value;
}

}  // namespace monitor
