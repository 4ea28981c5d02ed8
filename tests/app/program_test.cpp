#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "common/cp1252.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::TestDatabase;
using testing::WriteFile;

struct RunResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

RunResult RunProgram(const std::string& args) {
    RunResult r;
    const std::string command = std::string(MONITOR_PROGRAM) + " " + args + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

TEST(Program, HeadlessOnceConnectsWithTheSettingsInItsFolder) {
    TestDatabase database(true);
    TempDir dir;
    database.WriteSettingsFile(dir.Path());
    const RunResult r = RunProgram("--headless --once --dir " + dir.Path().string());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "scanntech-monitor.log")) << r.output;
}

TEST(Program, HeadlessRefusedConnectionIsLoggedAlertedAndFails) {
    TempDir dir;
    WriteFile(dir / "arquivo.ini", "[dadosbanco]\nporta=1\n");
    const RunResult r = RunProgram("--headless --once --dir " + dir.Path().string());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Não foi possível estabelecer conexão com o Banco de dados!"),
              std::string::npos)
        << r.output;
    const std::string log = Cp1252ToUtf8(ReadFile(dir / "scanntech-monitor.log"));
    EXPECT_NE(log.find("Função      : ConectarBanco\r\n"), std::string::npos) << log;
}

TEST(Program, AnswersHelpVersionAndUnknownOptions) {
    const RunResult help = RunProgram("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--headless"), std::string::npos);
    const RunResult version = RunProgram("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.output.find("scanntech-monitor 17"), std::string::npos);
    EXPECT_EQ(RunProgram("--bogus").status, 2);
}

}  // namespace
}  // namespace monitor
