#include <gtest/gtest.h>

#include <string>

#include "common/cp1252.h"
#include "notices/error_log.h"
#include "support/fake_clock.h"
#include "support/recording_notices.h"
#include "support/temp_dir.h"

namespace monitor {
namespace {

using testing::FakeClock;
using testing::ReadFile;
using testing::RecordingNotices;
using testing::TempDir;

std::string Entry(const std::string& dir, const std::string& modulo, const std::string& funcao,
                  const std::string& erro) {
    const std::string rule(70, '-');
    return rule + "\r\n" +
           "Data / Hora : 09/12/2023 14:33:05\r\n"
           "Modulo      : " + modulo + "\r\n"
           "Tabela      : \r\n"
           "Fun\xe7\xe3o      : " + funcao + "\r\n"
           "Foto        : " + dir + "/LOG\\" + modulo + "_09-12-2023_14-33-05.bmp\r\n"
           "Erro        : " + erro + "\r\n" + rule + "\r\n";
}

class ErrorLogFile : public ::testing::Test {
protected:
    TempDir dir;
    FakeClock clock{EncodeDateTime(2023, 12, 9, 14, 33, 5)};
    RecordingNotices notices;
    ErrorLog log{dir.Path(), "scanntech-monitor", clock, notices};
};

TEST_F(ErrorLogFile, WritesWholeEntriesInWindows1252WithCrLf) {
    log.GravaLogErro("", "", "ConectarBanco", "falhou a conexão", false);
    log.GravaLogErro("ConexaoBanco", "", "AtivarDB", "linha 1\nlinha 2", false);

    EXPECT_EQ(ReadFile(dir / "scanntech-monitor.log"),
              Entry(dir.Path().string(), "", "ConectarBanco", "falhou a conex\xe3o") +
                  Entry(dir.Path().string(), "ConexaoBanco", "AtivarDB", "linha 1\r\nlinha 2"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "LOG"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "LOG"));
    EXPECT_TRUE(notices.alerts.empty());
}

TEST_F(ErrorLogFile, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    log.GravaLogErro("", "", "EnviaVendasNaoEnviado", "caixa \xe2\x82\xac 5 \xe6\x97\xa5 ok", false);
    const std::string text = ReadFile(dir / "scanntech-monitor.log");
    EXPECT_NE(text.find("Erro        : caixa \x80 5 ? ok\r\n"), std::string::npos);
}

TEST_F(ErrorLogFile, ShowsTheMessageAfterWritingWhenAsked) {
    log.GravaLogErro("", "", "EnviaVendasNaoEnviado", "sem rede", true);
    ASSERT_EQ(notices.alerts.size(), 1u);
    EXPECT_EQ(notices.alerts[0].texto, "sem rede");
    EXPECT_EQ(notices.alerts[0].tipo, TTipoAlerta::TAPressioneESC);
    EXPECT_NE(ReadFile(dir / "scanntech-monitor.log").find("sem rede"), std::string::npos);
}

TEST_F(ErrorLogFile, AnUnwritableLogRaisesAndShowsNothing) {
    std::filesystem::create_directory(dir / "scanntech-monitor.log");  // a folder in the file's place
    EXPECT_THROW(log.GravaLogErro("", "", "ConsultaPromocoes", "x", true), LogWriteError);
    EXPECT_TRUE(notices.alerts.empty());

    TempDir other;
    testing::WriteFile(other / "LOG", "a file where the folder should be");
    ErrorLog blocked(other.Path(), "scanntech-monitor", clock, notices);
    EXPECT_THROW(blocked.GravaLogErro("", "", "ConsultaPromocoes", "x", false), LogWriteError);
}

}  // namespace
}  // namespace monitor
