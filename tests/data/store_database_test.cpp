#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp1252.h"
#include "data/store_database.h"
#include "support/fake_clock.h"
#include "support/recording_notices.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::FakeClock;
using testing::ReadFile;
using testing::RecordingNotices;
using testing::TempDir;
using testing::TestDatabase;
using testing::WriteFile;

class ConectarBanco : public ::testing::Test {
protected:
    ConectarBanco() {
        database.Exec("insert into emitente (razaosocial, cnpjcpf) values ('Mercado Bom Preço', "
                      "'12.345.678/0001-90'), ('Segunda', '2');"
                      "insert into config_scanntech (minutosentreconsultapromocao) values (15);");
        database.WriteSettingsFile(dir.Path());
    }

    std::string Log() const { return Cp1252ToUtf8(ReadFile(log.LogFile())); }
    std::vector<std::string> Sessions(const std::string& column) const {
        return {database.Scalar("select string_agg(" + column + ", ',' order by " + column +
                                ") from pg_stat_activity where datname = '" + database.Name() +
                                "' and pid <> pg_backend_pid()")};
    }

    TestDatabase database;
    TempDir dir;
    FakeClock clock;
    RecordingNotices notices;
    ErrorLog log{dir.Path(), "scanntech-monitor", clock, notices};
    StoreDatabase store{dir.Path(), log, notices};
};

TEST_F(ConectarBanco, OpensBothConnectionsAndReadsTheCompanyHeader) {
    ASSERT_TRUE(store.ConectarBanco());
    EXPECT_EQ(store.RazaoSocial(), "Mercado Bom Preço");
    EXPECT_EQ(store.Cnpj(), "12.345.678/0001-90");
    EXPECT_EQ(notices.events, (std::vector<std::string>{"progress shown",
                                                        "progress: Conectando ao banco de dados...",
                                                        "progress closed"}));
    EXPECT_EQ(store.DM1()->QConfigScannTech.Field("minutosentreconsultapromocao").AsInteger(), 15);
    EXPECT_EQ(Sessions("application_name")[0], ",TarveloRetaguarda");
    EXPECT_FALSE(std::filesystem::exists(log.LogFile()));
}

TEST_F(ConectarBanco, TheFrameworkConnectionAlwaysLogsInAsPostgres) {
    database.Exec("drop role if exists caixa_loja; create role caixa_loja login password '" +
                  TestDatabase::Password() + "'; grant select on all tables in schema public to caixa_loja");
    std::string ini = ReadFile(dir / "arquivo.ini");
    ini.replace(ini.find("login=postgres"), 14, "login=caixa_loja");
    WriteFile(dir / "arquivo.ini", ini);

    ASSERT_TRUE(store.ConectarBanco());
    EXPECT_EQ(Sessions("usename")[0], "caixa_loja,postgres");
    EXPECT_EQ(store.DBPostgres().Params().user, "postgres");
    store.DM1()->ZConnection1.Close();
    database.Exec("drop owned by caixa_loja; drop role caixa_loja");
}

TEST_F(ConectarBanco, ReconnectingReusesTheFrameworkModuleAndRereadsTheHeader) {
    ASSERT_TRUE(store.ConectarBanco());
    TDMConexao* first = store.DMConexao();
    database.Exec("delete from emitente");
    ASSERT_TRUE(store.ConectarBanco());
    EXPECT_EQ(store.DMConexao(), first);
    EXPECT_EQ(store.RazaoSocial(), "");
    EXPECT_EQ(store.Cnpj(), "");
}

TEST_F(ConectarBanco, FailuresAreLoggedAndAlerted) {
    struct Case {
        const char* name;
        std::string iniChange;  // replaces the porta line
        std::string sql;        // run before connecting
        std::string logged;     // part of the logged message
    } cases[] = {
        {"empty port", "porta=", "", "'' is not a valid integer value"},
        {"non-numeric port", "porta=54a", "", "'54a' is not a valid integer value"},
        {"refused connection", "porta=1", "", "Connection refused"},
        {"missing company table", "", "drop table emitente cascade", "\"emitente\" does not exist"},
        {"missing schedule column", "", "alter table config_scanntech drop column dataproximaconsultapromocao",
         "dataproximaconsultapromocao"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase db;
        TempDir folder;
        db.WriteSettingsFile(folder.Path());
        if (!c.iniChange.empty()) {
            std::string ini = ReadFile(folder / "arquivo.ini");
            const auto at = ini.find("porta=");
            ini.replace(at, ini.find("\r\n", at) - at, c.iniChange);
            WriteFile(folder / "arquivo.ini", ini);
        }
        if (!c.sql.empty()) db.Exec(c.sql);
        RecordingNotices seen;
        ErrorLog errors(folder.Path(), "scanntech-monitor", clock, seen);
        StoreDatabase s(folder.Path(), errors, seen);

        EXPECT_FALSE(s.ConectarBanco());
        // A missing company table also fails the framework's own queries, which alert first.
        ASSERT_FALSE(seen.alerts.empty());
        EXPECT_EQ(seen.alerts.back().texto, "Não foi possível estabelecer conexão com o Banco de dados!");
        EXPECT_EQ(seen.alerts.back().tipo, TTipoAlerta::TAPressioneESC);
        EXPECT_EQ(seen.events.at(seen.events.size() - 2), "progress closed") << "closed before the alert";
        const std::string text = Cp1252ToUtf8(ReadFile(errors.LogFile()));
        EXPECT_NE(text.find("Função      : ConectarBanco\r\n"), std::string::npos) << text;
        EXPECT_NE(text.find(c.logged), std::string::npos) << text;
    }
}

TEST_F(ConectarBanco, AFrameworkFailureIsShownButTheConnectionStillCounts) {
    database.Exec("drop table funcionario");
    ASSERT_TRUE(store.ConectarBanco());
    EXPECT_EQ(store.RazaoSocial(), "Mercado Bom Preço");
    ASSERT_EQ(notices.alerts.size(), 1u);
    EXPECT_NE(notices.alerts[0].texto.find("\"funcionario\" does not exist"), std::string::npos);
    const std::string text = Log();
    EXPECT_NE(text.find("Modulo      : ConexaoBanco\r\n"), std::string::npos);
    EXPECT_NE(text.find("Função      : AtivarDB\r\n"), std::string::npos);
}

TEST_F(ConectarBanco, NoSettingsFileUsesTheDefaults) {
    std::filesystem::remove(dir / "arquivo.ini");
    // Nothing listens on the default port here, so the attempt shows where it went.
    EXPECT_FALSE(store.ConectarBanco());
    EXPECT_EQ(store.DM1()->ZConnection1.Params().host, "127.0.0.1");
    EXPECT_EQ(store.DM1()->ZConnection1.Params().port, 5432);
    EXPECT_EQ(store.DM1()->ZConnection1.Params().database, "tarvelo");
    EXPECT_EQ(store.DM1()->ZConnection1.Params().user, "postgres");
    EXPECT_EQ(store.DM1()->ZConnection1.Params().password, "K72PARVINE38");
}

}  // namespace
}  // namespace monitor
