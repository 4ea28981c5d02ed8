#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/conversion_error.h"
#include "json/json_value.h"
#include "promotions/promocoes_document.h"
#include "promotions/reenvio_document.h"

namespace monitor {
namespace {

using namespace std::string_literals;
using promotions::TListaReenvio;
using promotions::TPromocoes;

std::string Nested(std::size_t depth, const std::string& inside = "") {
    return std::string(depth, '[') + inside + std::string(depth, ']');
}

std::string ReadError(json::TJsonDTO& document, const std::string& text) {
    try {
        document.SetAsJson(text);
    } catch (const json::EConversionError& e) {
        return e.what();
    }
    return "no error";
}

TEST(BadInput, DeepNestingFailsClearlyOrByTheMember) {
    TListaReenvio list;
    EXPECT_EQ(ReadError(list, Nested(100'000)), "The input nests deeper than 1000 levels");
    EXPECT_EQ(ReadError(list, Nested(900)),
              R"(Cannot read member "Items[0]": an array is not an object)");
    TPromocoes page;
    EXPECT_EQ(ReadError(page, R"({"results":)" + Nested(100'000) + "}"),
              "The input nests deeper than 1000 levels");
    EXPECT_EQ(ReadError(page, R"({"total":{"a":)" + Nested(900) + "}}"), "no error");
}

TEST(BadInput, BytesThatAreNotJsonReadAsNothing) {
    const std::vector<std::string> cases = {
        "{\"total\":3}\0"s,
        "{\"total\":3,\"results\":[{\"titulo\":\"a\xff\"}]}",
        "{\"total\":3,\"results\":[{\"titulo\":\"a\xc3\"}]}",
        "{\"total\":3,\"results\":[{\"titulo\":\"a\0b\"}]}"s,
        "\xef\xbb\xbf\xef\xbb\xbf{}",
        std::string(1000, '\0'),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 60)));
        TPromocoes page;
        page.Total = 5;
        EXPECT_NO_THROW(page.SetAsJson(text));
        EXPECT_EQ(page.Total, 5);
        EXPECT_EQ(page.Results().Count(), 0u);
    }
}

TEST(BadInput, NumbersBeyondADoubleFailByTheMember) {
    TPromocoes page;
    EXPECT_EQ(ReadError(page, R"({"total":1e400})"),
              R"(Cannot read member "total": the number 1e400 is out of range)");
    EXPECT_EQ(ReadError(page, R"({"results":[{"id":)" + std::string(400, '9') + "}]}"),
              R"(Cannot read member "id": the number )" + std::string(40, '9') +
                  "... is out of range");
    EXPECT_EQ(ReadError(page, "[-1e999]"), "The number -1e999 is out of range");
}

TEST(BadInput, OddButValidValuesGetTheirRuleValues) {
    TPromocoes page;
    page.SetAsJson("{\"total\":" + std::string(30, '9') + R"(,"results":[)"
                   R"({"id":-2147483648,"limitePromocionesPorTicket":2147483648,)"
                   R"("titulo":"a\u0000b\ud83d\ude00","tipo":)" + std::string(30, '1') + "}]}");
    EXPECT_EQ(page.Total, 0);
    const promotions::TResults& r = *page.Results()[0];
    EXPECT_EQ(r.Id, -2147483648);
    EXPECT_EQ(r.LimitePromocionesPorTicket, 0);
    EXPECT_EQ(r.Titulo, "a\0b\xf0\x9f\x98\x80"s);
    EXPECT_EQ(r.Tipo, std::string(30, '1'));
    EXPECT_NE(r.AsJson().find(R"("titulo":"a\u0000b\uD83D\uDE00")"), std::string::npos);
}

TEST(BadInput, FiftyMegabytePageIsReadWhole) {
    const std::string promotion =
        R"({"id":1,"titulo":"Leve 3 pague 2","descripcion":"Promo\u00e7\u00e3o",)"
        R"("tipo":"LLEVA_PAGA",)"
        R"("autor":{"descripcion":"Scanntech"},"vigenciaDesde":"2023-12-01T00:00:00.000-03:00",)"
        R"("vigenciaHasta":"2023-12-31T23:59:59.000-03:00","limitePromocionesPorTicket":2,)"
        R"("detalles":{"condiciones":{"items":[{"cantidad":3,"articulos":[)"
        R"({"codigoBarras":"7891000100103","nombre":"Caf\u00e9"}]}]},)"
        R"("beneficios":{"items":[]},"paga":2,"precio":0,"descuento":12.5}})";
    const std::size_t count = 50'000'000 / (promotion.size() + 1) + 1;
    std::string text = R"({"total":1,"results":[)";
    text.reserve(count * (promotion.size() + 1) + 64);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) text += ',';
        text += promotion;
    }
    text += "]}";
    ASSERT_GE(text.size(), 50'000'000u);

    TPromocoes page;
    page.SetAsJson(text);
    ASSERT_EQ(page.Results().Count(), count);
    EXPECT_EQ(page.Results()[count - 1]->Detalles->Condiciones->Items()[0]->Cantidad, 3);
}

}  // namespace
}  // namespace monitor
