#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/program_runner.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::ReadFile;
using testing::RunningProgram;
using testing::TempDir;
using testing::TestDatabase;

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The real program, once, against the sample store and the real sandbox program: the whole road
// of promotions, resend requests, uploads and flags.
TEST(EndToEnd, OneCheckAgainstTheSampleStoreAndTheSandbox) {
    TestDatabase database(true);
    TempDir monitorDir;
    TempDir sandboxDir;  // the sandbox appends every movement it receives here
    database.WriteSettingsFile(monitorDir.Path());
    const int port = FreeLoopbackPort();
    database.Exec("update config_scanntech set urlbase = 'http://127.0.0.1:" + std::to_string(port) + "'");

    RunningProgram sandbox(MONITOR_SANDBOX, {"--port", std::to_string(port)}, sandboxDir.Path().string());
    ASSERT_TRUE(sandbox.WaitFor("listening")) << sandbox.output;

    RunningProgram monitorProgram(MONITOR_PROGRAM, {"--headless", "--once", "--dir", monitorDir.Path().string()});
    ASSERT_EQ(monitorProgram.Wait(std::chrono::seconds(120)), 0) << monitorProgram.output;
    EXPECT_FALSE(std::filesystem::exists(monitorDir / "scanntech-monitor.log"))
        << ReadFile(monitorDir / "scanntech-monitor.log");

    // Promotions of both states.
    EXPECT_EQ(database.Scalar("select count(*) from promocaoscanntech where status = 'ACEPTADA'"), "3");
    EXPECT_EQ(database.Scalar("select count(*) from promocaoscanntech where status = 'RECHAZADA'"), "2");

    // Every pending sale sent and flagged; the cancelled ones with their cancellations.
    EXPECT_EQ(database.Scalar("select string_agg(codvenda::text, ',' order by codvenda) from venda "
                              "where scanntech_enviado"),
              "1001,1002,1003,1004,1005,1006,1014");
    EXPECT_EQ(database.Scalar("select string_agg(codvenda::text, ',' order by codvenda) from venda "
                              "where scanntech_cancelamento"),
              "1003,1004,1014");
    EXPECT_EQ(database.Scalar("select count(*) from venda where not scanntech_enviado and codvenda in "
                              "(1007, 1008, 1009, 1010, 1011, 1012, 1013)"),
              "7")
        << "sales outside the selection stay as they were";

    // What the service received: each pending sale once, a cancelled one as the sale and then
    // its cancellation.
    const std::vector<std::string> received = Lines(ReadFile(sandboxDir / "movimientos.jsonl"));
    auto position = [&](const std::string& numero) {
        for (std::size_t i = 0; i < received.size(); ++i) {
            if (received[i].find("\"numero\":\"" + numero + "\"") != std::string::npos) return static_cast<int>(i);
        }
        return -1;
    };
    EXPECT_EQ(received.size(), 7u) << ReadFile(sandboxDir / "movimientos.jsonl");
    for (const char* numero : {"5001", "5002", "5003", "-5003", "5004", "-5004", "5005"}) {
        EXPECT_GE(position(numero), 0) << numero;
    }
    EXPECT_LT(position("5003"), position("-5003"));
    EXPECT_LT(position("5004"), position("-5004"));

    // One exchange-log row per request, of every type.
    EXPECT_EQ(database.Scalar("select string_agg(tipo || ':' || n, ',' order by tipo) from "
                              "(select tipo, count(*) n from logst group by tipo) t"),
              "EnviarVenda:7,GetReenvioFechamento:1,GetReenvioMovimento:1,PROMOCAO:2");
    EXPECT_EQ(database.Scalar("select count(*) from logst where codigoresposta <> 200"), "0");

    // The next check is due the configured two minutes after this one.
    EXPECT_EQ(database.Scalar("select abs(extract(epoch from dataproximaconsultapromocao - localtimestamp "
                              "- interval '2 minutes')) < 60 from config_scanntech"),
              "t");
}

}  // namespace
}  // namespace monitor
