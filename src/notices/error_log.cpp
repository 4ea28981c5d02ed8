#include "notices/error_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/cp1252.h"

namespace monitor {
namespace {

const std::string kRule(70, '-');

std::string Replace(std::string text, char from, char to) {
    for (char& c : text) {
        if (c == from) c = to;
    }
    return text;
}

/** Line breaks of a multi-line message become CR LF like every other line of the file. */
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            ++i;
        } else if (text[i] == '\n' || text[i] == '\r') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

ErrorLog::ErrorLog(std::filesystem::path programDir, std::string programName, const Clock& clock,
                   Notices& notices)
    : programDir_(std::move(programDir)),
      programName_(std::move(programName)),
      clock_(clock),
      notices_(notices) {}

std::filesystem::path ErrorLog::LogFile() const { return programDir_ / (programName_ + ".log"); }

std::string ErrorLog::FormatStamp(TDateTime when) {
    const DateTimeParts p = DecodeDateTime(when);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", p.day, p.month, p.year, p.hour,
                  p.minute, p.second);
    return buf;
}

void ErrorLog::GravaLogErro(const std::string& modulo, const std::string& tabela,
                            const std::string& funcao, const std::string& erro, bool exibir) {
    std::error_code ec;
    if (!std::filesystem::is_directory(LogFolder(), ec)) {
        std::filesystem::create_directories(LogFolder(), ec);
        if (ec) throw LogWriteError("Cannot create folder " + LogFolder().string() + ". " + ec.message());
    }

    const std::string stamp = Replace(Replace(Replace(FormatStamp(clock_.Now()), '/', '-'), ' ', '_'), ':', '-');
    std::string folder = programDir_.string();
    if (folder.empty() || folder.back() != '/') folder += '/';

    std::string entry;
    entry += kRule + "\r\n";
    entry += "Data / Hora : " + FormatStamp(clock_.Now()) + "\r\n";
    entry += "Modulo      : " + modulo + "\r\n";
    entry += "Tabela      : " + tabela + "\r\n";
    entry += "Função      : " + funcao + "\r\n";
    entry += "Foto        : " + folder + "LOG\\" + modulo + "_" + stamp + ".bmp\r\n";
    entry += "Erro        : " + WithCrLf(erro) + "\r\n";
    entry += kRule + "\r\n";
    const std::string bytes = Utf8ToCp1252(entry);

    std::FILE* f = std::fopen(LogFile().c_str(), "ab");
    if (f == nullptr) {
        throw LogWriteError("I/O error: cannot open " + LogFile().string() + ": " + std::strerror(errno));
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int saved = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        throw LogWriteError("I/O error: cannot write " + LogFile().string() + ": " +
                            std::strerror(written ? errno : saved));
    }

    if (exibir) notices_.ExibeAlerta(erro, TTipoAlerta::TAPressioneESC);
}

}  // namespace monitor
