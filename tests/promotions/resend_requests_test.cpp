// Resend requests against a private store and the sandbox service: which sales are uploaded
// again, which movements a closing request selects, failures, and a whole promotion check.

#include "promotions/resend_requests.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "promotions/promotion_import.h"
#include "promotions_fixture.h"
#include "sandbox/scanntech_service.h"
#include "support/temp_dir.h"
#include "upload/sale_upload.h"

namespace monitor::promotions {
namespace {

using sandbox::Reply;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::kFechamentosPath;
using testing::kMovimentosPath;
using ::testing::StartsWith;
using Numbers = std::vector<std::string>;

std::string Request(int codigoCaja, const std::string& fecha) {
    return R"({"codigoCaja":)" + std::to_string(codigoCaja) + R"(,"fecha":")" + fecha +
           R"(","tipo":"X"})";
}

/** Registers "7", "07", "0007" and "8" of model 65 and "9" of model 55; sales 1 to 7 already
 *  sent (all three flags true). Sale n has invoice number 5000 + n, which is what its movement
 *  carries as "numero" (with a "-" for the cancellation). */
class ResendTest : public testing::ScanntechStoreTest {
  protected:
    ResendTest() {
        database.Exec(
            "INSERT INTO modeloserie VALUES (1, '65', '1'), (2, '55', '1');"
            "INSERT INTO caixa (codcaixa, numerocaixa, codmodeloserie) VALUES (1, '7', 1), "
            "  (2, '07', 1), (3, '0007', 1), (4, '8', 1), (5, '9', 2);"
            "INSERT INTO produto VALUES (101, 'Arroz 1kg');"
            "INSERT INTO formapagamento VALUES (1, 'Dinheiro')");
        AddSale(1, 1, "2024-03-14", "Transmitida");
        AddSale(2, 2, "2024-03-14", "Transmitida");
        AddSale(3, 3, "2024-03-14", "Transmitida");
        AddSale(4, 4, "2024-03-14", "Transmitida");
        AddSale(5, 1, "2024-03-13", "Transmitida");
        AddSale(6, 4, "2024-03-14", "Cancelado");
        AddSale(7, 5, "2024-03-14", "Fechado");
        server.SetFallback([](const sandbox::ReceivedRequest& r) {
            return r.method == "POST" ? Reply::Json(200, "{}") : Reply::Json(404, "{}");
        });
    }

    void AddSale(int codvenda, int codcaixa, const std::string& day, const std::string& status,
                 const std::string& flags = "true, true, true",
                 const std::string& horasaida = "10:15") {
        const std::string cod = std::to_string(codvenda);
        database.Exec(
            "INSERT INTO venda (codvenda, codcaixa, codmodeloserie, dataemisao, datasaida, "
            "horasaida, numeronf, valortotalnf, scanntech_promocaoativa, scanntech_enviado, "
            "scanntech_cancelamento) VALUES (" +
            cod + ", " + std::to_string(codcaixa) + ", 1, '" + day + "', '" + day + "', '" +
            horasaida + "', " + std::to_string(5000 + codvenda) + ", 10, " + flags +
            ");"
            "INSERT INTO nfce (codvenda, status) VALUES (" +
            cod + ", '" + status +
            "');"
            "INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, troco) "
            "VALUES (" +
            cod +
            ", 1, 10, 0);"
            "INSERT INTO produtovenda (codvenda, sequencia, codproduto, codigobarra, quantidade, "
            "valorunitario, valortotal) VALUES (" +
            cod + ", 1, 101, '7891234567895', 1, 10, 10)");
    }

    void Lists(const std::string& movimentos, const std::string& fechamentos) {
        server.On("GET", kMovimentosPath, Reply::Json(200, movimentos));
        server.On("GET", kFechamentosPath, Reply::Json(200, fechamentos));
    }
    std::string Process() {
        return Failure([&] { ProcessaReenvios(module); });
    }

    /** The "numero" of every movement posted since the last ClearRequests, sorted. */
    Numbers Posted() const {
        Numbers numbers;
        for (const sandbox::ReceivedRequest& r : server.Requests()) {
            if (r.method != "POST") continue;
            const std::size_t at = r.body.find("\"numero\":\"") + 10;
            numbers.push_back(r.body.substr(at, r.body.find('"', at) - at));
        }
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }
    std::string Flags(int codvenda) const {
        return Scalar(
            "SELECT concat_ws(' ', scanntech_promocaoativa::text, scanntech_enviado::text, "
            "scanntech_cancelamento::text) FROM venda WHERE codvenda = " +
            std::to_string(codvenda));
    }
    /** Starts a case: every sale flagged as sent, no log, no request seen. */
    void Reset() {
        database.Exec(
            "UPDATE venda SET scanntech_promocaoativa = true, scanntech_enviado = true, "
            "scanntech_cancelamento = true; DELETE FROM logst");
        server.ClearRequests();
    }
    std::string LogTypes() const {
        return Scalar("SELECT string_agg(tipo, ',' ORDER BY id) FROM logst");
    }
};

TEST_F(ResendTest, MovementRequestsUploadAgainEverySaleOfTheDayAndRegister) {
    const Numbers all{"-5006", "5001", "5002", "5003", "5004", "5006", "5007"};
    struct Case {
        const char* name;
        std::string list;
        Numbers posted;
    };
    const Case cases[] = {
        {"every register (codigoCaja 0)", "[" + Request(0, "2024-03-14T00:00:00.000Z") + "]", all},
        {"negative codigoCaja", "[" + Request(-3, "2024-03-14") + "]", all},
        {"register 7 is \"7\", \"07\" and \"0007\"",
         "[" + Request(7, "2024-03-14") + "]",
         {"5001", "5002", "5003"}},
        {"a fecha with an offset is taken in UTC",
         "[" + Request(7, "2024-03-13T22:30:00-03:00") + "]",
         {"5001", "5002", "5003"}},
        {"\"Items\" holding the list, a cancelled sale",
         R"({"Items":[)" + Request(8, "2024-03-14") + "]}",
         {"-5006", "5004", "5006"}},
        {"the same request twice",
         "[" + Request(8, "2024-03-14") + "," + Request(8, "2024-03-14") + "]",
         {"-5006", "-5006", "5004", "5004", "5006", "5006"}},
        {"a null element asks for nothing", "[null," + Request(9, "2024-03-14") + "]", {"5007"}},
        {"\"items\" in lower case", R"({"items":[)" + Request(0, "2024-03-14") + "]}", {}},
        {"empty list", "[]", {}},
        {"a day without sales", "[" + Request(0, "2024-03-20") + "]", {}},
        {"no fecha", R"([{"codigoCaja":0}])", {}},
        {"empty fecha", "[" + Request(0, "") + "]", {}},
        {"an error object", R"({"message":"Unauthorized","status":401})", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        Lists(c.list, "[]");
        ASSERT_EQ(Process(), "");
        EXPECT_EQ(Posted(), c.posted);
        for (int sale = 1; sale <= 7; ++sale) {
            const bool again =
                std::count(c.posted.begin(), c.posted.end(), std::to_string(5000 + sale)) > 0;
            // A valid sale sent again has its cancellation flag cleared; a cancelled one gets
            // both flags back.
            EXPECT_EQ(Flags(sale), again && sale != 6 ? "true true false" : "true true true")
                << "sale " << sale;
        }
        std::string types = "GetReenvioMovimento";
        for (std::size_t i = 0; i < c.posted.size(); ++i) types += ",EnviarVenda";
        EXPECT_EQ(LogTypes(), types + ",GetReenvioFechamento");
    }
}

TEST_F(ResendTest, ASaleTheDecisionStopsKeepsBothFlagsCleared) {
    // Not taking part in promotions, and the upload scope starts only later.
    AddSale(8, 1, "2024-03-15", "Transmitida", "false, true, true");
    database.Exec("UPDATE config_scanntech SET dataenviartudo = '2030-01-01'");
    Lists("[" + Request(7, "2024-03-15") + "]", "[]");
    ASSERT_EQ(Process(), "");
    EXPECT_THAT(Posted(), IsEmpty());
    EXPECT_EQ(Flags(8), "false false false");

    database.Exec("UPDATE config_scanntech SET dataenviartudo = '2020-01-01'");
    ASSERT_EQ(Process(), "");
    EXPECT_THAT(Posted(), ElementsAre("5008"));
    EXPECT_EQ(Flags(8), "true true false");
}

TEST_F(ResendTest, ClosingRequestsSelectTheDaysLastMovementOfEachRegisterOfModel65) {
    // Register "7": three movements that day (the last one just before midnight) and one just
    // after; register "8": two; register "9" is of model 55.
    database.Exec(
        "INSERT INTO movimentoacumulado (codmovimentoacumulado, codcaixa, datafinal) VALUES "
        "(10, 1, '2024-03-14 08:00'), (12, 1, '2024-03-14 23:59:59'), (11, 1, '2024-03-14 12:00'),"
        "(13, 1, '2024-03-15 00:00'), (21, 4, '2024-03-14 18:00'), (20, 4, '2024-03-14 09:00'),"
        "(30, 5, '2024-03-14 20:00'), (31, 5, '2024-03-16 20:00'), (40, 1, NULL)");
    struct Case {
        const char* name;
        std::string list;
        std::string selected;  // codmovimento codcaixa datafinal of each row, sorted
    };
    const Case cases[] = {
        {"every register", "[" + Request(0, "2024-03-14T00:00:00.000Z") + "]",
         "12 1 2024-03-14,21 4 2024-03-14"},
        {"register 7", "[" + Request(7, "2024-03-14") + "]", "12 1 2024-03-14"},
        {"register 8", R"({"Items":[)" + Request(8, "2024-03-14") + "]}", "21 4 2024-03-14"},
        {"register 9 is of model 55", "[" + Request(9, "2024-03-14") + "]", ""},
        {"a day of model 55 movements only", "[" + Request(0, "2024-03-16") + "]", ""},
        {"no fecha", R"([{"codigoCaja":0}])", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        Lists("[]", c.list);
        ASSERT_EQ(Process(), "");
        // The selection of the request stays readable in the data module's query.
        db::Query& q = module.DM().QFechamentoReenviar;
        std::vector<std::string> rows;
        for (q.First(); !q.Eof(); q.Next()) {
            rows.push_back(q.Field("codmovimento").AsString() + " " +
                           q.Field("codcaixa").AsString() + " " + q.Field("datafinal").AsString());
        }
        std::sort(rows.begin(), rows.end());
        std::string selected;
        for (const std::string& r : rows) selected += (selected.empty() ? "" : ",") + r;
        EXPECT_EQ(selected, c.selected);
        // A closing is not uploaded, and no flag is touched.
        EXPECT_THAT(Posted(), IsEmpty());
        EXPECT_EQ(LogTypes(), "GetReenvioMovimento,GetReenvioFechamento");
        EXPECT_EQ(Count("SELECT count(*) FROM venda WHERE scanntech_enviado AND "
                        "scanntech_cancelamento"),
                  7);
    }
}

TEST_F(ResendTest, AFailingSaleEndsTheHandlingWithItsOwnMessage) {
    // The middle sale's time cannot be read, so its upload fails.
    AddSale(41, 1, "2024-03-17", "Transmitida");
    AddSale(42, 1, "2024-03-17", "Transmitida", "true, true, true", "xx:yy");
    AddSale(43, 1, "2024-03-17", "Transmitida");
    Lists("[" + Request(7, "2024-03-17") + "]", "[]");
    const std::string message = Process();
    ASSERT_NE(message, "");
    EXPECT_EQ(Flags(42), "true false false");
    // The sales handled before the failing one were sent again; the rest were not reached.
    const Numbers posted = Posted();
    for (int sale : {41, 43}) {
        const bool handled =
            std::count(posted.begin(), posted.end(), std::to_string(5000 + sale)) > 0;
        EXPECT_EQ(Flags(sale), handled ? "true true false" : "true true true") << sale;
    }
    EXPECT_EQ(Requests(kFechamentosPath), 0u) << "the closing requests must not be fetched";

    // The message is the one the upload decision raised, unchanged.
    std::string direct;
    try {
        upload::ProcessaVenda(module, 42);
    } catch (const std::exception& e) {
        direct = e.what();
    }
    EXPECT_EQ(message, direct);
    EXPECT_THAT(message, HasSubstr("xx:yy"));
}

TEST_F(ResendTest, ARegisterNumberThatIsNotAllDigitsFailsARequestNamingARegister) {
    database.Exec(
        "INSERT INTO caixa (codcaixa, numerocaixa, codmodeloserie) VALUES (6, 'A1', 1);"
        "INSERT INTO movimentoacumulado (codmovimentoacumulado, codcaixa, datafinal) VALUES "
        "(50, 6, '2024-03-14 10:00')");
    AddSale(9, 6, "2024-03-14", "Transmitida");

    Lists("[" + Request(7, "2024-03-14") + "]", "[]");
    EXPECT_THAT(Process(), HasSubstr("invalid input syntax for type integer: \"A1\""));
    EXPECT_THAT(Posted(), IsEmpty());
    EXPECT_EQ(Requests(kFechamentosPath), 0u);

    // Every register: no number is converted, and that register's sale goes too.
    Reset();
    Lists("[" + Request(0, "2024-03-14") + "]", "[" + Request(7, "2024-03-14") + "]");
    EXPECT_THAT(Process(), HasSubstr("invalid input syntax for type integer: \"A1\""));
    EXPECT_EQ(Posted(), (Numbers{"-5006", "5001", "5002", "5003", "5004", "5006", "5007", "5009"}));
    EXPECT_EQ(Flags(9), "true true false");
    EXPECT_EQ(LogTypes().substr(LogTypes().rfind(',') + 1), "GetReenvioFechamento");
}

TEST_F(ResendTest, AListThatCannotBeObeyedEndsTheHandling) {
    struct Case {
        const char* name;
        Reply movimentos;
        Reply fechamentos;
        std::string message;  // the start of it
        std::string logs;
        bool closingsAsked;
    };
    const Case cases[] = {
        {"bare JSON number", Reply::Json(200, "5"), Reply::Json(200, "[]"),
         "The input value is not a valid Object", "GetReenvioMovimento", false},
        {"fecha that is not ISO 8601",
         Reply::Json(200, R"([{"codigoCaja":0,"fecha":"2024-03-14"},)"
                          R"({"codigoCaja":0,"fecha":"14/03/2024"}])"),
         Reply::Json(200, "[]"), "", "GetReenvioMovimento", false},
        {"server error", Reply::Json(503, "{}"), Reply::Json(200, "[]"),
         "HTTP/1.1 503 Service Unavailable", "", false},
        {"no answer", Reply::Close(), Reply::Json(200, "[]"), "REST request failed: ", "", false},
        {"closing list is a bare string", Reply::Json(200, "[]"), Reply::Json(200, "\"x\""),
         "The input value is not a valid Object", "GetReenvioMovimento,GetReenvioFechamento", true},
        {"closing list fails", Reply::Json(200, "[]"), Reply::Close(),
         "REST request failed: ", "GetReenvioMovimento", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        server.On("GET", kMovimentosPath, c.movimentos);
        server.On("GET", kFechamentosPath, c.fechamentos);
        const std::string message = Process();
        EXPECT_NE(message, "");
        EXPECT_THAT(message, StartsWith(c.message));
        EXPECT_EQ(LogTypes(), c.logs);
        EXPECT_EQ(Requests(kFechamentosPath) > 0, c.closingsAsked);
        EXPECT_THAT(Posted(), IsEmpty()) << "no request of a list that failed is obeyed";
    }
}

// The promotion check against the sandbox service: promotions of both states, one movement and
// one closing request.
TEST_F(ResendTest, PromotionCheckStoresPromotionsAndUploadsTheRequestedSalesAgain) {
    monitor::testing::TempDir data;
    using monitor::testing::WriteFile;
    WriteFile(data / "promociones-ACEPTADA.json",
              R"({"results":[{"id":9001,"titulo":"Leve 3 pague 2","tipo":"LLEVA_PAGA",)"
              R"("autor":{"descripcion":"Scanntech"},"limitePromocionesPorTicket":5,)"
              R"("vigenciaDesde":"2024-01-01T00:00:00.000-03:00",)"
              R"("vigenciaHasta":"2024-12-31T23:59:59.000-03:00"},)"
              R"({"id":9002,"titulo":"Sabonete","tipo":"DESCUENTO_VARIABLE"}],"total":2})");
    WriteFile(data / "promociones-RECHAZADA.json",
              R"({"results":[{"id":9101,"titulo":"Biscoito","tipo":"DESCUENTO_VARIABLE"}]})");
    WriteFile(data / "solicitudes-movimientos.json",
              R"([{"codigoCaja":7,"fecha":"2024-03-14T00:00:00.000Z","tipo":"MOVIMIENTOS"}])");
    WriteFile(data / "solicitudes-cierresDiarios.json",
              R"([{"codigoCaja":0,"fecha":"2024-03-14T00:00:00.000Z","tipo":"CIERRES"}])");
    database.Exec(
        "INSERT INTO movimentoacumulado (codmovimentoacumulado, codcaixa, datafinal) VALUES "
        "(10, 1, '2024-03-14 08:00'), (11, 1, '2024-03-14 22:00')");
    sandbox::ScanntechService service(data.Path());
    server.SetFallback([&](const sandbox::ReceivedRequest& r) { return service.Handle(r); });

    ASSERT_EQ(Failure([&] {
                  ImportaPromocoes(module);
                  ProcessaReenvios(module);
              }),
              "");

    EXPECT_EQ(Scalar("SELECT string_agg(id || ' ' || status || ' ' || titulo || ' ' || "
                     "datainicio || ' ' || datafim, '; ' ORDER BY id) FROM promocaoscanntech"),
              "9001 ACEPTADA Leve 3 pague 2 2024-01-01 2025-01-01; "
              "9002 ACEPTADA Sabonete 1899-12-30 1899-12-30; "
              "9101 RECHAZADA Biscoito 1899-12-30 1899-12-30");
    EXPECT_EQ(Scalar("SELECT string_agg(tipo || ' ' || codigoresposta || ' ' || "
                     "regexp_replace(resource, '^.*/', ''), '; ' ORDER BY id) FROM logst "
                     "WHERE tipo <> 'EnviarVenda'"),
              "PROMOCAO 200 ACEPTADA; PROMOCAO 200 RECHAZADA; "
              "GetReenvioMovimento 200 movimientos; GetReenvioFechamento 200 cierresDiarios");
    EXPECT_EQ(LogTypes(),
              "PROMOCAO,PROMOCAO,GetReenvioMovimento,EnviarVenda,EnviarVenda,EnviarVenda,"
              "GetReenvioFechamento");
    EXPECT_EQ(Scalar("SELECT string_agg(codvenda || ' ' || codigoresposta, ',' ORDER BY codvenda) "
                     "FROM logst WHERE tipo = 'EnviarVenda'"),
              "1 200,2 200,3 200");
    // The three sales of register 7 that day reached the service again.
    std::istringstream lines(monitor::testing::ReadFile(service.MovementsFile()));
    Numbers numbers;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find("\"numero\":\"") + 10;
        numbers.push_back(line.substr(at, line.find('"', at) - at));
    }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (Numbers{"5001", "5002", "5003"}));
    for (int sale : {1, 2, 3}) EXPECT_EQ(Flags(sale), "true true false") << sale;
    for (int sale : {4, 5, 6, 7}) EXPECT_EQ(Flags(sale), "true true true") << sale;
    server.Stop();  // before the service goes
}

}  // namespace
}  // namespace monitor::promotions
