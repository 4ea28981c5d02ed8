// The Scanntech data module against a real database and the sandbox service: the four
// requests as prepared from the settings row, the exchange log, the module holder and the
// named queries.

#include "scanntech/dm_scanntech.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/clock.h"
#include "data/connection.h"
#include "sandbox/sandbox_server.h"
#include "scanntech/scanntech_module.h"
#include "scanntech/scanntech_queries.h"
#include "support/test_database.h"

namespace monitor::scanntech {
namespace {

using sandbox::Reply;
using ::testing::StartsWith;

class FixedClock final : public Clock {
  public:
    TDateTime Now() const override { return now; }
    TDateTime now = EncodeDateTime(2024, 3, 15, 10, 20, 30, 450);
};

constexpr const char* kSaleTemplate =
    "api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/cajas/{idCaja}/movimientos";
constexpr const char* kPromotionsTemplate =
    "api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/promociones/{estado}";

class ScanntechDmTest : public ::testing::Test {
  protected:
    ScanntechDmTest() {
        connection.Params() = database.Params();
        connection.Open();
        database.Exec(
            "INSERT INTO config_scanntech (usuario, senha, idempresa, idlocal, urlbase, urlvendas, "
            "urlpromocao) VALUES ('user', 'secret', '10', '2', '" +
            server.BaseUrl() + "', '" + kSaleTemplate + "', '" + kPromotionsTemplate + "')");
        module.CriaDMScanntech();
    }

    TDMScanntech& dm() { return module.DM(); }

    std::string Execute() {
        try {
            dm().Execute();
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }

    std::string LastLog(const std::string& column) {
        return database.Scalar("SELECT " + column + " FROM logst ORDER BY id DESC LIMIT 1");
    }
    bool LastLogIsNull(const std::string& column) {
        return database.Scalar("SELECT (" + column +
                               " IS NULL)::text FROM logst ORDER BY id DESC "
                               "LIMIT 1") == "true";
    }

    testing::TestDatabase database;
    db::Connection connection;
    FixedClock clock;
    sandbox::SandboxServer server;
    ScanntechModule module{connection, clock};
};

TEST_F(ScanntechDmTest, PreparesTheFourRequestsFromTheSettingsRow) {
    struct Case {
        const char* name;
        std::function<void(TDMScanntech&)> prepare;
        TRESTRequestMethod method;
        std::string resource;
    };
    const Case cases[] = {
        {"sale", [](TDMScanntech& d) { d.PreparaEnvioVenda("0007", R"({"numero":"1"})"); },
         TRESTRequestMethod::rmPOST,
         "api-minoristas/api/v2/minoristas/10/locales/2/cajas/0007/movimientos"},
        {"accepted promotions", [](TDMScanntech& d) { d.PreparaConsultaPromocoes("ACEPTADA"); },
         TRESTRequestMethod::rmGET,
         "api-minoristas/api/v2/minoristas/10/locales/2/promociones/ACEPTADA"},
        {"rejected promotions", [](TDMScanntech& d) { d.PreparaConsultaPromocoes("RECHAZADA"); },
         TRESTRequestMethod::rmGET,
         "api-minoristas/api/v2/minoristas/10/locales/2/promociones/RECHAZADA"},
        {"movement resend (default template)", [](TDMScanntech& d) { d.PreparaReenvioMovimento(); },
         TRESTRequestMethod::rmGET,
         "api-minoristas/api/v2/minoristas/10/locales/2/solicitudes/movimientos"},
        {"closing resend (default template)", [](TDMScanntech& d) { d.PreparaReenvioFechamento(); },
         TRESTRequestMethod::rmGET,
         "api-minoristas/api/v2/minoristas/10/locales/2/solicitudes/cierresDiarios"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare(dm());
        EXPECT_EQ(dm().RESTClient1.BaseURL(), server.BaseUrl());
        EXPECT_EQ(dm().RESTRequest1.Resource(), c.resource);
        EXPECT_EQ(dm().RESTRequest1.Method(), c.method);
        EXPECT_EQ(dm().RESTClient1.ConnectTimeout(), 5000);
        EXPECT_EQ(dm().RESTRequest1.ReadTimeout(), 5000);
        const bool post = c.method == TRESTRequestMethod::rmPOST;
        EXPECT_EQ(dm().RESTClient1.ContentType(), post ? "application/json" : "");

        std::vector<std::string> names;
        for (const auto& p : dm().RESTRequest1.Params()) names.push_back(p.name);
        const std::vector<std::string> expected =
            post ? std::vector<std::string>{"Authorization", "body", "pdv-version",
                                            "backEnd-version"}
                 : std::vector<std::string>{"Authorization", "pdv-version", "backEnd-version"};
        EXPECT_EQ(names, expected);
    }
}

TEST_F(ScanntechDmTest, RequestsCarryTheServiceHeaders) {
    server.On("GET", "/api-minoristas/api/v2/minoristas/10/locales/2/solicitudes/movimientos",
              Reply::Json(200, "[]"));
    dm().PreparaReenvioMovimento();
    ASSERT_EQ(Execute(), "");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const sandbox::ReceivedRequest& r = requests[0];
    EXPECT_EQ(r.HeaderValue("Authorization"), "Basic dXNlcjpzZWNyZXQ=");
    EXPECT_EQ(r.HeaderValue("pdv-version"), "14");
    EXPECT_EQ(r.HeaderValue("backEnd-version"), "14");
    EXPECT_EQ(r.HeaderValue("Accept"), "application/json, text/plain; q=0.9, text/html;q=0.8,");
    EXPECT_EQ(r.HeaderValue("Accept-Charset"), "utf-8, *;q=0.8");
    EXPECT_FALSE(r.HasHeader("Content-Type"));
    std::vector<std::string> names;
    for (const auto& h : r.headers) names.push_back(h.name);
    EXPECT_THAT(names, ::testing::Contains("backEnd-version"));  // the name's case as sent
}

TEST_F(ScanntechDmTest, AuthorizationFollowsTheSettingsRowInWindows1252) {
    dm().PreparaReenvioMovimento();
    EXPECT_EQ(dm().RESTRequest1.Params()[0].value, "Basic dXNlcjpzZWNyZXQ=");
    dm().PreparaReenvioFechamento();
    EXPECT_EQ(dm().RESTRequest1.Params()[0].value, "Basic dXNlcjpzZWNyZXQ=");

    struct Case {
        const char* usuario;
        const char* senha;
        const char* expected;
    };
    const Case cases[] = {
        {"user", "\xC3\xA7", "Basic dXNlcjrn"},  // "ç" is the single byte 0xE7
        {"user", "", "Basic dXNlcjo="},
        {"", "", "Basic Og=="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        database.Exec(std::string("UPDATE config_scanntech SET usuario = '") + c.usuario +
                      "', senha = '" + c.senha + "'");
        dm().PreparaReenvioMovimento();
        EXPECT_EQ(dm().MontaAutorizacao(), c.expected);
        EXPECT_EQ(dm().RESTRequest1.Params()[0].value, c.expected);
    }
}

TEST_F(ScanntechDmTest, TenConsecutiveRequestsUseOneConnection) {
    server.SetFallback([](const sandbox::ReceivedRequest&) { return Reply::Json(200, "[]"); });
    for (int i = 0; i < 10; ++i) {
        if (i % 2 == 0) {
            dm().PreparaReenvioMovimento();
        } else {
            dm().PreparaConsultaPromocoes("ACEPTADA");
        }
        ASSERT_EQ(Execute(), "") << "request " << i;
        dm().GravaLog("PROMOCAO", 0);
    }
    EXPECT_EQ(server.RequestCount(), 10u);
    EXPECT_EQ(server.AcceptedConnections(), 1);
}

TEST_F(ScanntechDmTest, GravaLogWritesTheExchange) {
    struct Case {
        const char* name;
        Reply reply;
        int codvenda;
        int status;
        const char* resposta;  // nullptr: the column stays null
    };
    const Case cases[] = {
        {"accepted", Reply::Json(200, R"({"ok":true})"), 123, 200, nullptr},
        {"json refusal, indented", Reply::Json(404, R"({"a":1,"b":[true]})"), 0, 404,
         "{\r\n    \"a\": 1,\r\n    \"b\": [\r\n        true\r\n    ]\r\n}"},
        {"text refusal as it came", Reply::Text(404, "n\xC3\xA3o encontrado"), -5, 404,
         "n\xC3\xA3o encontrado"},
        {"outside Windows-1252", Reply::Text(401, "\xE2\x82\xAC \xE6\x97\xA5"), 0, 401,
         "\xE2\x82\xAC ?"},
        {"server error", Reply::Json(500, R"({"e":[]})"), 7, 500,
         "{\r\n    \"e\": [\r\n    ]\r\n}"},
        {"not UTF-8, with a NUL", Reply::Text(404, std::string("a\xFF\0b", 4)), 0, 404, "a??b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.On("POST", "/api-minoristas/api/v2/minoristas/10/locales/2/cajas/0001/movimientos",
                  c.reply);
        dm().PreparaEnvioVenda("0001", "{}");
        Execute();
        dm().GravaLog("EnviarVenda", c.codvenda);

        EXPECT_EQ(LastLog("tipo"), "EnviarVenda");
        EXPECT_EQ(LastLog("datahorasolicitacao"), "2024-03-15 10:20:30.45");
        EXPECT_EQ(LastLog("baseurl"), server.BaseUrl());
        EXPECT_EQ(LastLog("resource"),
                  "api-minoristas/api/v2/minoristas/10/locales/2/cajas/0001/movimientos");
        EXPECT_EQ(LastLog("codigoresposta"), std::to_string(c.status));
        EXPECT_EQ(LastLogIsNull("resposta"), c.resposta == nullptr);
        if (c.resposta != nullptr) {
            EXPECT_EQ(LastLog("resposta"), c.resposta);
        }
        EXPECT_EQ(LastLogIsNull("codvenda"), c.codvenda <= 0);
        if (c.codvenda > 0) {
            EXPECT_EQ(LastLog("codvenda"), std::to_string(c.codvenda));
        }
        EXPECT_TRUE(LastLogIsNull("codcaixafechamento"));
        EXPECT_TRUE(LastLogIsNull("datafechamento"));
        EXPECT_EQ(LastLog("tempogasto"), std::to_string(dm().RESTRequest1.Performance().TotalMs()));
    }
    EXPECT_EQ(database.Scalar("SELECT count(*) FROM logst"), "6");
}

TEST_F(ScanntechDmTest, GravaLogWithoutAnAnswer) {
    Reply slowClose = Reply::Close(std::chrono::milliseconds(300));
    server.SetFallback([slowClose](const sandbox::ReceivedRequest&) { return slowClose; });
    dm().PreparaConsultaPromocoes("ACEPTADA");
    EXPECT_THAT(Execute(), StartsWith("REST request failed: "));
    dm().GravaLog("PROMOCAO", 0);
    EXPECT_EQ(LastLog("codigoresposta"), "0");
    EXPECT_FALSE(LastLogIsNull("resposta"));
    EXPECT_EQ(LastLog("resposta"), "");
    EXPECT_LT(std::stoi(LastLog("tempogasto")), 300);  // the preparation only
    EXPECT_TRUE(LastLogIsNull("codvenda"));
}

TEST_F(ScanntechDmTest, GravaLogDiscardsWhatAFailedCallLeft) {
    server.SetFallback([](const sandbox::ReceivedRequest&) { return Reply::Json(404, "{}"); });
    dm().PreparaReenvioMovimento();
    Execute();
    dm().TabLog.Close();
    dm().TabLog.Open();
    dm().TabLog.Append();
    dm().TabLog.SetField("tipo", db::Value::Text("left over"));
    dm().GravaLog("GetReenvioMovimento", 0);
    EXPECT_EQ(database.Scalar("SELECT count(*) FROM logst"), "1");
    EXPECT_EQ(LastLog("tipo"), "GetReenvioMovimento");
}

TEST_F(ScanntechDmTest, SettingsChangesTakeEffectAtTheNextPreparation) {
    dm().PreparaReenvioMovimento();
    database.Exec("UPDATE config_scanntech SET idempresa = '77', urlbase = 'http://other:1/' ");
    EXPECT_EQ(dm().RESTClient1.BaseURL(), server.BaseUrl());
    dm().PreparaReenvioMovimento();
    EXPECT_EQ(dm().RESTClient1.BaseURL(), "http://other:1/");
    EXPECT_EQ(dm().RESTRequest1.Resource(),
              "api-minoristas/api/v2/minoristas/77/locales/2/solicitudes/movimientos");
}

TEST(ScanntechModule, CreatesOnceAndSwallowsFailures) {
    db::Connection closed;  // never opened: rereading the settings fails
    FixedClock clock;
    ScanntechModule module(closed, clock);
    EXPECT_FALSE(module.Exists());
    EXPECT_THROW(module.DM(), ScanntechModuleError);
    module.CriaDMScanntech();
    ASSERT_TRUE(module.Exists());
    TDMScanntech* first = &module.DM();
    module.CriaDMScanntech();
    EXPECT_EQ(&module.DM(), first);
    EXPECT_THROW(module.DM().PreparaReenvioMovimento(), db::DatabaseError);
}

TEST_F(ScanntechDmTest, EveryQueryRunsAgainstTheSchema) {
    TDMScanntech& d = dm();
    const auto open = [](db::Query& q) {
        SCOPED_TRACE(q.Name());
        EXPECT_NO_THROW(q.Open());
    };
    for (db::Query* q : {&d.QDadosVenda, &d.QVendas, &d.QPagamento, &d.QProdutos}) {
        q->SetParam("codvenda", db::Value::Integer(1));
        open(*q);
    }
    d.TabPromocao.SetParam("id", db::Value::Integer(1));
    open(d.TabPromocao);
    for (db::Query* q : {&d.QVendasReenviar, &d.QFechamentoReenviar}) {
        q->SetParam("data", db::Value::Timestamp(EncodeDateTime(2024, 3, 14)));
        q->SetParam("numero", db::Value::Integer(7));
        open(*q);
    }
    for (db::Query* q : {&d.QMarcaVendaScanntech, &d.QMarcaVendaNaoEnviada}) {
        q->SetParam("codvenda", db::Value::Integer(1));
        EXPECT_EQ(q->ExecSQL(), 0) << q->Name();
    }
    open(d.QConfig_Scanntech);
    EXPECT_EQ(d.QConfig_Scanntech.Field("idempresa").AsString(), "10");
    EXPECT_EQ(d.QConfig_Scanntech.Field("urlreenviofechamento").AsString(),
              "api-minoristas/api/v2/minoristas/{idEmpresa}/locales/{idLocal}/solicitudes/"
              "cierresDiarios");

    // The editable sets write what they hold.
    d.TabPromocao.Append();
    d.TabPromocao.SetField("id", db::Value::Integer(10));
    d.TabPromocao.SetField("titulo", db::Value::Text("Leve 3"));
    d.TabPromocao.SetField("datainicio", db::Value::Date(EncodeDateTime(2024, 1, 1)));
    d.TabPromocao.SetField("status", db::Value::Text("ACEPTADA"));
    d.TabPromocao.Apply();
    d.TabPromocao.SetParam("id", db::Value::Integer(10));
    d.TabPromocao.Open();
    ASSERT_EQ(d.TabPromocao.RecordCount(), 1);
    d.TabPromocao.Edit();
    d.TabPromocao.SetField("status", db::Value::Text("RECHAZADA"));
    d.TabPromocao.Apply();
    EXPECT_EQ(database.Scalar("SELECT titulo || ' ' || status || ' ' || datainicio FROM "
                              "promocaoscanntech WHERE id = 10"),
              "Leve 3 RECHAZADA 2024-01-01");
}

TEST_F(ScanntechDmTest, SaleFlagsAppliedWithoutUndoingThePromotionMark) {
    database.Exec(
        "INSERT INTO venda (codvenda, numeronf, scanntech_promocaoativa, scanntech_enviado, "
        "scanntech_cancelamento) VALUES (5, 55, false, false, null);"
        "INSERT INTO nfce (codvenda, status) VALUES (5, 'Transmitida')");
    TDMScanntech& d = dm();
    d.QDadosVenda.SetParam("codvenda", db::Value::Integer(5));
    d.QDadosVenda.Open();
    EXPECT_EQ(d.QDadosVenda.Field("status").AsString(), "Transmitida");
    EXPECT_FALSE(d.QDadosVenda.Field("scanntech_promocaoativa").AsBoolean());

    // Marked by the other statement while the sale is held, then a flag applied.
    d.QMarcaVendaScanntech.SetParam("codvenda", db::Value::Integer(5));
    EXPECT_EQ(d.QMarcaVendaScanntech.ExecSQL(), 1);
    database.Exec("UPDATE venda SET scanntech_cancelamento = true WHERE codvenda = 5");
    d.QDadosVenda.Edit();
    d.QDadosVenda.SetField("scanntech_enviado", db::Value::Boolean(true));
    d.QDadosVenda.Apply();
    EXPECT_EQ(database.Scalar(
                  "SELECT concat_ws(' ', scanntech_promocaoativa::text, scanntech_enviado::text, "
                  "scanntech_cancelamento::text) FROM venda WHERE codvenda = 5"),
              "true true true");

    d.QMarcaVendaNaoEnviada.SetParam("codvenda", db::Value::Integer(5));
    EXPECT_EQ(d.QMarcaVendaNaoEnviada.ExecSQL(), 1);
    EXPECT_EQ(database.Scalar(
                  "SELECT concat_ws(' ', scanntech_promocaoativa::text, scanntech_enviado::text, "
                  "scanntech_cancelamento::text) FROM venda WHERE codvenda = 5"),
              "true false false");
}

}  // namespace
}  // namespace monitor::scanntech
