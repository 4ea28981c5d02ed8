// The promotion import against a private database and the sandbox service: which answers store
// what, the columns of promocaoscanntech, failures, and large or hostile pages.

#include "promotions/promotion_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <utility>
#include <vector>

#include "promotions_fixture.h"

namespace monitor::promotions {
namespace {

using sandbox::Reply;
using ::testing::HasSubstr;
using testing::kAceptadaPath;
using testing::kRechazadaPath;
using ::testing::StartsWith;

std::string Promotion(int id, const std::string& members = "") {
    return "{\"id\":" + std::to_string(id) + (members.empty() ? "" : "," + members) + "}";
}

std::string Page(const std::vector<std::string>& promotions) {
    std::string results;
    for (const std::string& p : promotions) results += (results.empty() ? "" : ",") + p;
    return "{\"results\":[" + results + "],\"total\":" + std::to_string(promotions.size()) + "}";
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// The stored columns but jsonpromocao, separated by "|".
const std::string kSummary =
    "titulo || '|' || descricao || '|' || tipo || '|' || autor || '|' || datainicio || '|' || "
    "datafim || '|' || quantidademaxima || '|' || status";

class PromotionImportTest : public testing::ScanntechStoreTest {
  protected:
    void Answer(const std::string& aceptada, const std::string& rechazada) {
        server.On("GET", kAceptadaPath, Reply::Json(200, aceptada));
        server.On("GET", kRechazadaPath, Reply::Json(200, rechazada));
    }
    std::string Import() {
        return Failure([&] { ImportaPromocoes(module); });
    }
    std::string Column(int id, const std::string& column) const {
        return Scalar("SELECT COALESCE((" + column +
                      ")::text, '<null>') FROM promocaoscanntech p "
                      "WHERE id = " +
                      std::to_string(id));
    }
    /** Every row with every column, for comparing the whole table. */
    std::string Table() const {
        return Scalar("SELECT string_agg(p::text, E'\\n' ORDER BY id) FROM promocaoscanntech p");
    }
};

TEST_F(PromotionImportTest, SamePromotionIsInsertedThenUpdatedWhenItChangesState) {
    Answer(Page({Promotion(10, R"("titulo":"Leve 3 pague 2","descripcion":"Refrigerante",)"
                               R"("tipo":"LLEVA_PAGA","autor":{"descripcion":"Scanntech"},)"
                               R"("vigenciaDesde":"2024-01-01","vigenciaHasta":"2024-01-31",)"
                               R"("limitePromocionesPorTicket":5)"),
                 Promotion(11, R"("titulo":"Outra")")}),
           Page({}));
    ASSERT_EQ(Import(), "");
    EXPECT_EQ(Column(10, kSummary),
              "Leve 3 pague 2|Refrigerante|LLEVA_PAGA|Scanntech|2024-01-01|2024-01-31|5|ACEPTADA");
    const std::string eleven = Column(11, "p::text");

    // The next check lists promotion 10 as rejected, with other contents, and 11 nowhere.
    Answer(Page({}), Page({Promotion(10, R"("titulo":"Leve 3","descripcion":"Suco",)"
                                         R"("tipo":"PRECIO_FIJO","vigenciaDesde":"2024-02-01")")}));
    ASSERT_EQ(Import(), "");
    EXPECT_EQ(Count("SELECT count(*) FROM promocaoscanntech"), 2);
    EXPECT_EQ(Column(10, kSummary), "Leve 3|Suco|PRECIO_FIJO||2024-02-01|1899-12-30|0|RECHAZADA");
    EXPECT_THAT(Column(10, "jsonpromocao"), HasSubstr(R"("titulo":"Leve 3",)"));
    EXPECT_EQ(Column(11, "p::text"), eleven) << "a promotion no longer listed keeps its row";
    EXPECT_EQ(LogRows(),
              "PROMOCAO 200 ACEPTADA -; PROMOCAO 200 RECHAZADA -; "
              "PROMOCAO 200 ACEPTADA -; PROMOCAO 200 RECHAZADA -");
}

TEST_F(PromotionImportTest, ImportingTheSameAnswerTwiceLeavesTheRowsAsTheyWere) {
    Answer(Page({Promotion(1, R"("titulo":"Um","vigenciaDesde":"2023-12-01T00:00:00-03:00")"),
                 Promotion(2, R"("titulo":"Dois")")}),
           Page({Promotion(3, R"("titulo":"Tr\u00eas")")}));
    ASSERT_EQ(Import(), "");
    const std::string first = Table();
    ASSERT_EQ(Import(), "");
    EXPECT_EQ(Table(), first);
    EXPECT_EQ(Count("SELECT count(*) FROM promocaoscanntech"), 3);
    EXPECT_EQ(Count("SELECT count(*) FROM logst"), 4);
}

TEST_F(PromotionImportTest, AnAnswerWithoutPromotionsStoresNothingAndTheOtherStateIsStillAsked) {
    struct Case {
        const char* name;
        Reply reply;
        std::string resposta;  // logged when the status is not 200
    };
    const Case cases[] = {
        {"empty results", Reply::Json(200, R"({"results":[],"total":0})"), "<null>"},
        {"no results member", Reply::Json(200, R"({"total":3})"), "<null>"},
        {"results spelled Results", Reply::Json(200, R"({"Results":[{"id":9}],"total":1})"),
         "<null>"},
        {"empty body", Reply::Json(200, ""), "<null>"},
        {"body that is not JSON", Reply::Text(200, "<html>manutencao</html>"), "<null>"},
        {"bare array", Reply::Json(200, R"([{"id":9}])"), "<null>"},
        {"JSON null", Reply::Json(200, "null"), "<null>"},
        {"error object with status 404", Reply::Json(404, R"({"message":"not found"})"),
         "{\r\n    \"message\": \"not found\"\r\n}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        database.Exec("DELETE FROM promocaoscanntech; DELETE FROM logst");
        server.On("GET", kAceptadaPath, c.reply);
        server.On("GET", kRechazadaPath, Reply::Json(200, Page({Promotion(20)})));
        ASSERT_EQ(Import(), "");
        EXPECT_EQ(Scalar("SELECT string_agg(id || ' ' || status, ',') FROM promocaoscanntech"),
                  "20 RECHAZADA");
        EXPECT_EQ(LogRows(), "PROMOCAO " + std::to_string(c.reply.status) +
                                 " ACEPTADA -; PROMOCAO 200 RECHAZADA -");
        EXPECT_EQ(Scalar("SELECT COALESCE(resposta, '<null>') FROM logst ORDER BY id LIMIT 1"),
                  c.resposta);

        // And the other way round: each state's answer is read on its own.
        database.Exec("DELETE FROM promocaoscanntech; DELETE FROM logst");
        server.On("GET", kAceptadaPath, Reply::Json(200, Page({Promotion(21)})));
        server.On("GET", kRechazadaPath, c.reply);
        ASSERT_EQ(Import(), "");
        EXPECT_EQ(Scalar("SELECT string_agg(id || ' ' || status, ',') FROM promocaoscanntech"),
                  "21 ACEPTADA");
        EXPECT_EQ(Count("SELECT count(*) FROM logst"), 2);
    }
}

TEST_F(PromotionImportTest, TheFirstFailureEndsTheImportWithItsOwnMessage) {
    struct Case {
        const char* name;
        Reply aceptada;
        std::string message;  // what the message starts with
        std::string stored;   // ids left in the table
        std::string logs;     // logst rows
    };
    // Promotion 13 breaks a constraint of the table: a database error in the middle of a page.
    database.Exec("ALTER TABLE promocaoscanntech ADD CONSTRAINT not13 CHECK (id <> 13)");
    const Case cases[] = {
        {"bare JSON number", Reply::Json(200, "5"), "The input value is not a valid Object", "",
         "PROMOCAO 200 ACEPTADA -"},
        {"bare JSON string", Reply::Json(200, "\"ok\""), "The input value is not a valid Object",
         "", "PROMOCAO 200 ACEPTADA -"},
        {"date that is not ISO 8601 in the second promotion",
         Reply::Json(200, Page({Promotion(1), Promotion(2, R"("vigenciaHasta":"31/12/2023")")})),
         "", "", "PROMOCAO 200 ACEPTADA -"},
        {"server error", Reply::Json(500, R"({"error":"boom"})"),
         "HTTP/1.1 500 Internal Server Error", "", ""},
        {"no answer", Reply::Close(), "REST request failed: ", "", ""},
        {"database error while storing",
         Reply::Json(200, Page({Promotion(12), Promotion(13), Promotion(14)})),
         "ERROR:  new row for relation \"promocaoscanntech\" violates check constraint", "12",
         "PROMOCAO 200 ACEPTADA -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        database.Exec("DELETE FROM promocaoscanntech; DELETE FROM logst");
        server.ClearRequests();
        server.On("GET", kAceptadaPath, c.aceptada);
        server.On("GET", kRechazadaPath, Reply::Json(200, Page({Promotion(20)})));
        const std::string message = Import();
        EXPECT_THAT(message, StartsWith(c.message));
        EXPECT_NE(message, "");
        EXPECT_EQ(Scalar("SELECT COALESCE(string_agg(id::text, ','), '') FROM promocaoscanntech"),
                  c.stored);
        EXPECT_EQ(LogRows(), c.logs);
        EXPECT_EQ(Requests(kRechazadaPath), 0u) << "RECHAZADA must not be asked";
    }

    // A failure of the second state keeps what the first stored.
    database.Exec("DELETE FROM promocaoscanntech; DELETE FROM logst");
    Answer(Page({Promotion(1)}), "7");
    EXPECT_EQ(Import(), "The input value is not a valid Object");
    EXPECT_EQ(Scalar("SELECT string_agg(id || ' ' || status, ',') FROM promocaoscanntech"),
              "1 ACEPTADA");
    EXPECT_EQ(Count("SELECT count(*) FROM logst"), 2);
}

TEST_F(PromotionImportTest, EachColumnIsStoredByItsRule) {
    const std::string digits300 = Repeat("0123456789", 30);
    const std::string cedilla300 = Repeat("\\u00e7", 300);
    struct Case {
        const char* name;
        std::string members;
        std::vector<std::pair<std::string, std::string>> columns;  // SQL expression, text
        std::vector<std::string> jsonHas;
    };
    const std::vector<Case> cases = {
        {"dates with offsets are shifted to UTC",
         R"("vigenciaDesde":"2023-12-01T00:00:00.000-03:00",)"
         R"("vigenciaHasta":"2023-12-31T23:59:59-03:00")",
         {{"datainicio", "2023-12-01"}, {"datafim", "2024-01-01"}},
         {R"("vigenciaDesde":"2023-12-01T03:00:00.000Z","vigenciaHasta":"2024-01-01T02:59:59.000Z")"}},
        {"a date without time or zone",
         R"("vigenciaDesde":"2024-02-29","vigenciaHasta":"20240301")",
         {{"datainicio", "2024-02-29"}, {"datafim", "2024-03-01"}},
         {R"("vigenciaDesde":"2024-02-29T00:00:00.000Z")"}},
        {"missing dates",
         "",
         {{"datainicio", "1899-12-30"}, {"datafim", "1899-12-30"}},
         {R"("vigenciaDesde":"","vigenciaHasta":"")"}},
        {"empty dates",
         R"("vigenciaDesde":"","vigenciaHasta":"")",
         {{"datainicio", "1899-12-30"}, {"datafim", "1899-12-30"}},
         {R"("vigenciaDesde":"","vigenciaHasta":"")"}},
        {"no autor and no detalles",
         R"("titulo":"x")",
         {{"autor", ""}},
         {R"({"autor":{"descripcion":""},"descripcion":"",)"
          R"("detalles":{"beneficios":{"items":[]},"condiciones":{"items":[]},)"
          R"("descuento":0,"paga":0,"precio":0},)"}},
        {"null autor",
         R"("autor":null,"detalles":null)",
         {{"autor", ""}},
         {R"({"autor":null,"descripcion":"","detalles":null,)"}},
        {"limite 2.0 is not an integer",
         R"("limitePromocionesPorTicket":2.0)",
         {{"quantidademaxima", "0"}},
         {R"("limitePromocionesPorTicket":0,)"}},
        {"limite as a string",
         R"("limitePromocionesPorTicket":"4")",
         {{"quantidademaxima", "4"}},
         {}},
        {"300-character title",
         "\"titulo\":\"" + digits300 + "\"",
         {{"titulo", digits300.substr(0, 255)}},
         {"\"titulo\":\"" + digits300 + "\""}},
        {"300 two-byte characters",
         "\"descripcion\":\"" + cedilla300 + "\"",
         {{"char_length(descricao)", "255"}, {"octet_length(descricao)", "510"}},
         {"\"descripcion\":\"" + Repeat("\\u00E7", 300) + "\""}},
        {"long tipo and autor",
         "\"tipo\":\"" + Repeat("t", 60) + "\",\"autor\":{\"descripcion\":\"" + Repeat("a", 150) +
             "\"}",
         {{"tipo", Repeat("t", 50)}, {"autor", Repeat("a", 100)}},
         {}},
        {"characters outside Windows-1252",
         R"("titulo":"Caf\u00e9 \u2603 \ud83d\ude00 \u20ac","descripcion":"Pre\u00e7o \u0141")",
         {{"titulo", "Caf\xc3\xa9 ? ? \xe2\x82\xac"}, {"descricao", "Pre\xc3\xa7o ?"}},
         {R"("titulo":"Caf\u00E9 \u2603 \uD83D\uDE00 \u20AC")"}},
        {"quotes, backslashes and SQL",
         R"("titulo":"O'Brien \"3x\" C:\\tmp'); DROP TABLE promocaoscanntech; --",)"
         R"("tipo":"' OR '1'='1")",
         {{"titulo", R"(O'Brien "3x" C:\tmp'); DROP TABLE promocaoscanntech; --)"},
          {"tipo", "' OR '1'='1"}},
         {R"("titulo":"O'Brien \"3x\" C:\\tmp'); DROP TABLE promocaoscanntech; --")"}},
        {"a NUL character",
         R"("titulo":"a\u0000b")",
         {{"titulo", "a?b"}},
         {R"("titulo":"a\u0000b")"}},
        {"undeclared members are dropped",
         R"("extra":{"x":1},"titulo":"t","detalles":{"precio":9.90,"outro":[1],)"
         R"("condiciones":{"items":[{"cantidad":2,"articulos":[{"nombre":"N","codigoBarras":"7"}]}]}})",
         {{"position('extra' in jsonpromocao) + position('outro' in jsonpromocao)", "0"}},
         {R"("detalles":{"beneficios":{"items":[]},"condiciones":{"items":[{"articulos":[)"
          R"({"codigoBarras":"7","nombre":"N"}],"cantidad":2}]},"descuento":0,"paga":0,)"
          R"("precio":9.9},)"}},
    };
    std::vector<std::string> promotions{"null"};  // a null element stores nothing
    for (std::size_t i = 0; i < cases.size(); ++i) {
        promotions.push_back(Promotion(100 + static_cast<int>(i), cases[i].members));
    }
    Answer(Page(promotions), Page({}));
    ASSERT_EQ(Import(), "");
    EXPECT_EQ(Count("SELECT count(*) FROM promocaoscanntech"), static_cast<int>(cases.size()));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const int id = 100 + static_cast<int>(i);
        for (const auto& [column, expected] : c.columns) EXPECT_EQ(Column(id, column), expected);
        const std::string json = Column(id, "jsonpromocao");
        for (const std::string& part : c.jsonHas) EXPECT_THAT(json, HasSubstr(part));
        EXPECT_EQ(Column(id, "status"), "ACEPTADA");
    }
}

TEST_F(PromotionImportTest, TenThousandPromotionsAreAllStored) {
    std::vector<std::string> promotions;
    for (int id = 1; id <= 10000; ++id) {
        promotions.push_back(Promotion(
            id, R"("titulo":"Promo )" + std::to_string(id) +
                    R"(","autor":{"descripcion":"Scanntech"},"tipo":"LLEVA_PAGA",)"
                    R"("vigenciaDesde":"2024-01-01T00:00:00.000-03:00",)"
                    R"("vigenciaHasta":"2024-12-31T23:59:59.000-03:00",)"
                    R"("detalles":{"paga":2,"condiciones":{"items":[{"cantidad":3,)"
                    R"("articulos":[{"codigoBarras":"7894900011517","nombre":"Cola 2L"}]}]}})"));
    }
    Answer(Page(promotions), Page({}));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Import(), "");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "[ timing ] 10000 promotions imported in " << seconds << " s\n";
    RecordProperty("seconds", std::to_string(seconds));
    EXPECT_EQ(Scalar("SELECT count(*) || ' ' || min(id) || ' ' || max(id) || ' ' || "
                     "count(DISTINCT titulo) FROM promocaoscanntech WHERE datafim = '2025-01-01'"),
              "10000 1 10000 10000");
    EXPECT_LT(seconds, 120.0);
}

TEST_F(PromotionImportTest, AFiftyMegabytePageIsReadAndStored) {
    // 200 promotions of about 250 KB each: long article lists, within the client's 64 MB.
    const std::string article =
        R"({"codigoBarras":"7894900011517","nombre":")" + Repeat("x", 200) + R"("})";
    std::string articles;
    for (int i = 0; i < 1100; ++i) articles += (articles.empty() ? "" : ",") + article;
    std::vector<std::string> promotions;
    for (int id = 1; id <= 200; ++id) {
        promotions.push_back(Promotion(id, R"("titulo":"Grande","detalles":{"condiciones":)"
                                           R"({"items":[{"cantidad":1,"articulos":[)" +
                                               articles + "]}]}}"));
    }
    const std::string page = Page(promotions);
    ASSERT_GT(page.size(), 50u * 1000 * 1000);
    ASSERT_LT(page.size(), 64u * 1024 * 1024);
    Answer(page, Page({}));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Import(), "");
    std::cout << "[ timing ] " << page.size() / 1e6 << " MB page imported in "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
              << " s\n";
    EXPECT_EQ(Scalar("SELECT count(*) || ' ' || (sum(octet_length(jsonpromocao)) > 50000000) "
                     "FROM promocaoscanntech"),
              "200 true");

    // Past the client's bound the request fails, before anything is logged or stored.
    database.Exec("DELETE FROM promocaoscanntech; DELETE FROM logst");
    Reply huge = Reply::Json(200, "");
    huge.generatedBytes = 65ULL * 1024 * 1024;
    server.On("GET", kAceptadaPath, huge);
    EXPECT_THAT(Import(), StartsWith("REST request failed: "));
    EXPECT_EQ(Count("SELECT count(*) FROM promocaoscanntech"), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM logst"), 0);
}

}  // namespace
}  // namespace monitor::promotions
