// The movement document of a sale as the sandbox service receives it, the exchange log it
// leaves, and the sales that have nothing to send.

#include "upload/sale_movement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "upload_fixture.h"

namespace monitor::upload {
namespace {

using sandbox::Reply;
using testing::kMovimentos;
using testing::UploadTest;

// Two payments counted (a cancelled one and one whose cancelled flag is null are not), three
// lines counted, out of order in the table (a line marked as updated is not).
constexpr const char* kFixtureSale = R"(
INSERT INTO venda (codvenda, codcaixa, codcliente, codmodeloserie, dataemisao, datasaida,
                   horasaida, numeronf, valortotalnf, cnpjcpf, scanntech_promocaoativa,
                   scanntech_enviado, scanntech_cancelamento)
VALUES (1, 7, 2, 65, current_date - 1, '2022-07-29', '09:55', 123, 57.40, '987.654.321-00',
        true, false, false);
INSERT INTO nfce (codvenda, status) VALUES (1, 'Transmitida');
INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, troco, cancelado) VALUES
    (1, 3, 40.00, 0, false), (1, 2, 99.00, 0, true), (1, 1, 20.00, 2.60, false),
    (1, 1, 5.00, 0, NULL);
INSERT INTO produtovenda (codvenda, sequencia, codproduto, codigobarra, quantidade,
                          valorunitario, valortotal, desconto, acrescimo, descontoitem,
                          acrescimoitem, valorfrete, statusatualizado) VALUES
    (1, 3, 103, '   ', 1.5, 14.50, 21.75, NULL, NULL, NULL, NULL, NULL, NULL),
    (1, 1, 101, '7891234567895', 1, 10.00, 9.00, 0.50, 0, 1.00, 0, NULL, NULL),
    (1, 4, 102, '7890000000001', 1, 4.00, 4.00, 0.70, 0, 0, 0, 0, false),
    (1, 2, 102, '7891000100103', 2, 8.50, 17.00, 0, 0.30, 0, 0, 2.00, NULL);
)";

constexpr const char* kPagos =
    R"("pagos":[{"codigoTipoPago":10,"codigoMoneda":"986","importe":40,"cotizacion":1,)"
    R"("documentoCliente":null,"bin":null,"ultimosDigitosTarjeta":null,)"
    R"("numeroAutorizacion":null,"codigoTarjeta":null},)"
    R"({"codigoTipoPago":9,"codigoMoneda":"986","importe":17.4,"cotizacion":1,)"
    R"("documentoCliente":null,"bin":null,"ultimosDigitosTarjeta":null,)"
    R"("numeroAutorizacion":null,"codigoTarjeta":null}],)";

// The description "Arroz lote 2.000z" is caught by the date's zone replacement, whatever case.
constexpr const char* kDetalles =
    R"("detalles":[{"codigoArticulo":"101","codigoBarras":"7891234567895",)"
    R"("descripcionArticulo":"Arroz lote 2.000-0300","cantidad":1,"importeUnitario":10,)"
    R"("importe":8.5,"descuento":1.5,"recargo":0},)"
    R"({"codigoArticulo":"102","codigoBarras":"7891000100103",)"
    R"("descripcionArticulo":"Feij\u00E3o Preto 1kg","cantidad":2,"importeUnitario":9.5,)"
    R"("importe":19.3,"descuento":0,"recargo":0.3},)"
    R"({"codigoArticulo":"103","codigoBarras":"103",)"
    R"("descripcionArticulo":"Caf\u00E9 \"Forte\" 500g","cantidad":1.5,)"
    R"("importeUnitario":14.5,"importe":21.75,"descuento":0,"recargo":0}]})";

std::string ExpectedBody(bool cancelacion) {
    return std::string(
               R"({"total":57.4,"codigoMoneda":"986","cotizacion":1,)"
               R"("fecha":"2022-07-29T09:55:59.000-0300","documentoCliente":"987.654.321-00",)"
               R"("descuentoTotal":1.5,"recargoTotal":0.3,"cancelacion":)") +
           (cancelacion ? R"(true,"numero":"-123",)" : R"(false,"numero":"123",)") +
           R"("codigoCanalVenta":1,)" + kPagos + kDetalles;
}

TEST_F(UploadTest, PostsTheSaleAndItsCancellationByteForByte) {
    database.Exec(kFixtureSale);
    for (const bool cancelacion : {false, true}) {
        SCOPED_TRACE(cancelacion ? "cancellation" : "sale");
        server.ClearRequests();
        EXPECT_TRUE(EnviarVenda(module, 1, cancelacion));
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "POST");
        EXPECT_EQ(requests[0].path, kMovimentos);
        EXPECT_EQ(requests[0].HeaderValue("Content-Type"), "application/json");
        EXPECT_EQ(requests[0].body, ExpectedBody(cancelacion));
    }
    EXPECT_EQ(database.Scalar("SELECT string_agg(concat_ws(' ', tipo, codvenda, codigoresposta, "
                              "coalesce(resposta, 'null'), resource), ' | ' ORDER BY id) "
                              "FROM logst"),
              "EnviarVenda 1 200 null api-minoristas/api/v2/minoristas/10/locales/2/cajas/0007/"
              "movimientos | EnviarVenda 1 200 null api-minoristas/api/v2/minoristas/10/locales/"
              "2/cajas/0007/movimientos");
    EXPECT_EQ(Flags(1), "true false false");  // flags are the decision's business
}

TEST_F(UploadTest, CustomerDocumentFromTheCustomerOrTheSale) {
    struct Case {
        const char* codcliente;
        const char* cnpjcpf;
        const char* expected;  // as it appears in the body
    };
    const Case cases[] = {
        {"1", "'111.111.111-11'", R"("123.456.789-09")"},
        {"2", "'111.111.111-11'", R"("111.111.111-11")"},
        {"NULL", "'111.111.111-11'", R"("111.111.111-11")"},
        {"NULL", "NULL", "null"},
        {"2", "''", "null"},
    };
    AddSale(1, "Transmitida");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codcliente) + " " + c.cnpjcpf);
        database.Exec(std::string("UPDATE venda SET codcliente = ") + c.codcliente +
                      ", cnpjcpf = " + c.cnpjcpf);
        server.ClearRequests();
        ASSERT_TRUE(EnviarVenda(module, 1, false));
        EXPECT_THAT(PostedBodies(), ::testing::ElementsAre(
                                        ::testing::HasSubstr(std::string(R"("documentoCliente":)") +
                                                             c.expected + R"(,"descuentoTotal")")));
    }
}

TEST_F(UploadTest, PaymentTypeFromThePaymentName) {
    AddSale(1, "Transmitida");
    // Forms 1 to 12: Dinheiro, Cheque, the two cards, the four vouchers, PIX, "cheque" in lower
    // case, the empty name and a null name.
    database.Exec(
        "DELETE FROM pgtomovimentoecf;"
        "INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, troco, "
        "cancelado) SELECT 1, f, f, 0, false FROM generate_series(1, 12) f");
    ASSERT_TRUE(EnviarVenda(module, 1, false));
    const auto body = nlohmann::json::parse(PostedBodies().at(0));
    std::vector<int> tipos;
    std::vector<double> importes;
    for (const auto& pago : body.at("pagos")) {
        tipos.push_back(pago.at("codigoTipoPago").get<int>());
        importes.push_back(pago.at("importe").get<double>());
    }
    EXPECT_EQ(tipos, (std::vector<int>{9, 11, 10, 13, 12, 12, 12, 12, 9, 9, 9, 9}));
    EXPECT_EQ(importes, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(UploadTest, SaleDateAndCompletedTime) {
    struct Case {
        const char* datasaida;
        const char* horasaida;
        const char* fecha;
    };
    // The clock stands at 14:33:05.678; its milliseconds are dropped.
    const Case cases[] = {
        {"'2022-07-29'", "'09:55'", "2022-07-29T09:55:59.000-0300"},
        {"'2022-07-29'", "'  :  '", "2022-07-29T14:33:05.000-0300"},
        {"'2022-07-29'", "NULL", "2022-07-29T14:33:05.000-0300"},
        {"'2022-07-29'", "''", "2022-07-29T14:33:05.000-0300"},  // kept as five blanks
        {"'2022-07-29'", "'9:55'", "2022-07-29T09:55:59.000-0300"},
        {"'2022-07-29'", "'23:59'", "2022-07-29T23:59:59.000-0300"},
        {"NULL", "'09:55'", "1899-12-30T09:55:59.000-0300"},
    };
    AddSale(1, "Transmitida");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.datasaida) + " " + c.horasaida);
        database.Exec(std::string("UPDATE venda SET datasaida = ") + c.datasaida +
                      ", horasaida = " + c.horasaida);
        server.ClearRequests();
        ASSERT_TRUE(EnviarVenda(module, 1, false));
        EXPECT_EQ(nlohmann::json::parse(PostedBodies().at(0)).at("fecha"), c.fecha);
    }
}

TEST(CompletaHora, CompletesTheStoredTime) {
    const ::monitor::testing::FakeClock clock{EncodeDateTime(2023, 12, 9, 7, 4, 3, 999)};
    const std::pair<const char*, const char*> cases[] = {
        {"09:55", "09:55:59"}, {"00:00", "00:00:59"},
        {"  :  ", "07:04:03"}, {"  :  :  ", "07:04:03"},
        {"", "07:04:03"},      {"     ", "07:04:03"},
        {"9:55", "9:55"},      {"09:55:10", "09:55:10"},
        {"ab:cd", "ab:cd:59"}, {"7", "7"},
    };
    for (const auto& [stored, completed] : cases) {
        EXPECT_EQ(CompletaHora(stored, clock), completed) << "'" << stored << "'";
    }
}

TEST_F(UploadTest, NothingToSend) {
    struct Case {
        const char* name;
        const char* change;
    };
    const Case cases[] = {
        {"no payment", "DELETE FROM pgtomovimentoecf"},
        {"every payment cancelled",
         "UPDATE pgtomovimentoecf SET cancelado = true;"
         "INSERT INTO pgtomovimentoecf (codvenda, codformapagamento, valorpago, cancelado) "
         "VALUES (1, 1, 3, NULL)"},
        {"every line marked",
         "UPDATE produtovenda SET statusatualizado = true;"
         "INSERT INTO produtovenda (codvenda, sequencia, codproduto, quantidade, valortotal, "
         "statusatualizado) VALUES (1, 2, 102, 1, 3, false)"},
        {"no register", "UPDATE venda SET codcaixa = NULL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        database.Exec(
            "DELETE FROM produtovenda; DELETE FROM pgtomovimentoecf; DELETE FROM nfce; "
            "DELETE FROM venda");
        AddSale(1, "Cancelado");
        database.Exec(c.change);
        EXPECT_TRUE(EnviarVenda(module, 1, false));
        EXPECT_TRUE(EnviarVenda(module, 1, true));
        ProcessaVenda(module, 1);
        EXPECT_EQ(Flags(1), "true true true");
    }
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(LogRows(), 0);
}

TEST_F(UploadTest, AnswersOtherThan200AreRefusals) {
    struct Case {
        const char* name;
        Reply reply;
        int codigoresposta;
        const char* resposta;
    };
    const Case cases[] = {
        {"created", Reply::Json(201, R"({"id":7})"), 201, "{\r\n    \"id\": 7\r\n}"},
        {"no content", Reply::Text(204, ""), 204, ""},
        {"rejected", Reply::Text(400, "movimiento inv\xC3\xA1lido"), 400,
         "movimiento inv\xC3\xA1lido"},
        {"server error", Reply::Json(503, R"({"e":1})"), 503, "{\r\n    \"e\": 1\r\n}"},
        {"connection closed unanswered", Reply::Close(), 0, ""},
    };
    AddSale(1, "Transmitida");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.On("POST", kMovimentos, c.reply);
        server.ClearRequests();
        EXPECT_FALSE(EnviarVenda(module, 1, false));
        EXPECT_EQ(PostedBodies().size(), 1u);
        EXPECT_EQ(
            database.Scalar("SELECT concat_ws('|', tipo, codvenda, codigoresposta, resposta) "
                            "FROM logst ORDER BY id DESC LIMIT 1"),
            std::string("EnviarVenda|1|") + std::to_string(c.codigoresposta) + "|" + c.resposta);
    }
    EXPECT_EQ(LogRows(), 5);
}

TEST_F(UploadTest, RefusedConnectionIsLoggedWithStatusZero) {
    std::string closedUrl;
    {
        sandbox::SandboxServer gone;
        closedUrl = gone.BaseUrl();
    }
    database.Exec("UPDATE config_scanntech SET urlbase = '" + closedUrl + "'");
    AddSale(1, "Transmitida");
    EXPECT_FALSE(EnviarVenda(module, 1, false));
    EXPECT_EQ(database.Scalar("SELECT concat_ws('|', codvenda, codigoresposta, resposta, baseurl) "
                              "FROM logst"),
              "1|0||" + closedUrl);
}

TEST_F(UploadTest, FailuresBeforeTheRequestReachTheCallerUnchanged) {
    AddSale(1, "Transmitida");
    // An item discount on a line of quantity zero makes the lines query divide by zero.
    database.Exec("UPDATE produtovenda SET quantidade = 0, descontoitem = 1");
    try {
        ProcessaVenda(module, 1);
        ADD_FAILURE() << "no failure";
    } catch (const db::DatabaseError& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("division by zero"));
    }
    // A time that is not a time of day.
    database.Exec("UPDATE produtovenda SET quantidade = 1; UPDATE venda SET horasaida = '9h55'");
    EXPECT_THROW(EnviarVenda(module, 1, false), SaleTimeError);

    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(LogRows(), 0);
    EXPECT_EQ(Flags(1), "true false false");
}

}  // namespace
}  // namespace monitor::upload
