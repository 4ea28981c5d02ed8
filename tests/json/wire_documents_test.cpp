#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/conversion_error.h"
#include "json/json_value.h"
#include "json/json_writer.h"
#include "promotions/promocoes_document.h"
#include "promotions/reenvio_document.h"
#include "upload/venda_document.h"

namespace monitor {
namespace {

using promotions::TListaReenvio;
using promotions::TPromocoes;
using upload::TVenda;

upload::TPagos& AddPago(TVenda& venda, int tipo, double importe) {
    upload::TPagos& pago = venda.Pagos().Add();
    pago.CodigoTipoPago = tipo;
    pago.CodigoMoneda = "986";
    pago.Importe = importe;
    pago.Cotizacion = 1;
    return pago;
}

void AddLinha(TVenda& venda, const char* codigo, const char* barras, const char* descricao,
              double cantidad, double unitario, double importe, double descuento) {
    upload::TProduto& linha = venda.Detalles().Add();
    linha.CodigoArticulo = codigo;
    linha.CodigoBarras = barras;
    linha.DescripcionArticulo = descricao;
    linha.Cantidad = cantidad;
    linha.ImporteUnitario = unitario;
    linha.Importe = importe;
    linha.Descuento = descuento;
}

TEST(WireDocuments, SaleIsWrittenByteForByte) {
    TVenda venda;
    venda.Total = 35.5;
    venda.CodigoMoneda = "986";
    venda.Cotizacion = 1;
    venda.Fecha = EncodeDateTime(2022, 7, 29, 9, 55, 59);
    venda.DocumentoCliente = "";
    venda.DescuentoTotal = 1.5;
    venda.Cancelacion = false;
    venda.Numero = "123";
    venda.CodigoCanalVenta = 1;
    AddPago(venda, 9, 20);
    AddPago(venda, 10, 15.5);
    AddLinha(venda, "7891", "7891000100103", "Caf\xc3\xa9 Pil\xc3\xa3o 500g", 1, 10, 8.5, 1.5);
    AddLinha(venda, "42", "42", "A\xc3\xa7\xc3\xba" "car/Uni\xc3\xa3o 1kg", 2, 4.25, 8.5, 0);
    AddLinha(venda, "7", "7894900011517", "Refri \"Cola\" 2L", 3, 18.5 / 3, 18.5, 0);

    const std::string expected =
        R"({"total":35.5,"codigoMoneda":"986","cotizacion":1,"fecha":"2022-07-29T09:55:59.000Z",)"
        R"("documentoCliente":"","descuentoTotal":1.5,"recargoTotal":0,"cancelacion":false,)"
        R"("numero":"123","codigoCanalVenta":1,"pagos":[)"
        R"({"codigoTipoPago":9,"codigoMoneda":"986","importe":20,"cotizacion":1,)"
        R"("documentoCliente":"","bin":"","ultimosDigitosTarjeta":"","numeroAutorizacion":"",)"
        R"("codigoTarjeta":""},)"
        R"({"codigoTipoPago":10,"codigoMoneda":"986","importe":15.5,"cotizacion":1,)"
        R"("documentoCliente":"","bin":"","ultimosDigitosTarjeta":"","numeroAutorizacion":"",)"
        R"("codigoTarjeta":""}],"detalles":[)"
        R"({"codigoArticulo":"7891","codigoBarras":"7891000100103",)"
        R"("descripcionArticulo":"Caf\u00E9 Pil\u00E3o 500g","cantidad":1,"importeUnitario":10,)"
        R"("importe":8.5,"descuento":1.5,"recargo":0},)"
        R"({"codigoArticulo":"42","codigoBarras":"42",)"
        R"("descripcionArticulo":"A\u00E7\u00FAcar\/Uni\u00E3o 1kg","cantidad":2,)"
        R"("importeUnitario":4.25,"importe":8.5,"descuento":0,"recargo":0},)"
        R"({"codigoArticulo":"7","codigoBarras":"7894900011517",)"
        R"("descripcionArticulo":"Refri \"Cola\" 2L","cantidad":3,)"
        R"("importeUnitario":6.16666666666667,"importe":18.5,"descuento":0,"recargo":0}]})";
    EXPECT_EQ(venda.AsJson(), expected);
    EXPECT_EQ(venda.ToString(), expected);

    // Read back into a fresh document, it writes the same text.
    TVenda copy;
    copy.SetAsJson(expected);
    EXPECT_EQ(copy.AsJson(), expected);
}

TEST(WireDocuments, EmptySaleWritesEmptyListsAndTheZeroDate) {
    TVenda venda;
    EXPECT_EQ(venda.AsJson(),
              R"({"total":0,"codigoMoneda":"","cotizacion":0,"fecha":"","documentoCliente":"",)"
              R"("descuentoTotal":0,"recargoTotal":0,"cancelacion":false,"numero":"",)"
              R"("codigoCanalVenta":0,"pagos":[],"detalles":[]})");
}

// An answer of the promotions service, with members the documents do not declare.
constexpr const char* kPromotionsPage = R"({
  "total": 2,
  "results": [
    {
      "id": 10,
      "titulo": "Leve 3 pague 2",
      "descripcion": "Promo\u00e7\u00e3o v\u00e1lida",
      "tipo": "LLEVA_PAGA",
      "estado": "ACEPTADA",
      "autor": {"descripcion": "Scanntech", "codigo": 5},
      "vigenciaDesde": "2023-12-01T00:00:00.000-03:00",
      "vigenciaHasta": "2023-12-31T23:59:59-03:00",
      "limitePromocionesPorTicket": 2,
      "detalles": {
        "condiciones": {"items": [{"cantidad": 3,
                                   "articulos": [{"codigoBarras": "7891000100103",
                                                  "nombre": "Caf\u00e9", "precio": 9.9}]}]},
        "beneficios": {"items": []},
        "paga": 2,
        "precio": 0,
        "descuento": 12.50
      }
    },
    {"id": 11, "titulo": "Sin detalles", "vigenciaDesde": "", "limitePromocionesPorTicket": 2.0}
  ]
})";

TEST(WireDocuments, PromotionsPageIsReadAndEachPromotionWrittenBack) {
    // As the import does it: the answer's parsed value in indented form goes to the page.
    auto answer = json::Parse(kPromotionsPage);
    ASSERT_TRUE(answer);
    TPromocoes page;
    page.SetAsJson(json::WriteIndented(*answer));

    EXPECT_EQ(page.Total, 2);
    auto& results = page.Results();
    ASSERT_EQ(results.Count(), 2u);
    const promotions::TResults& first = *results[0];
    EXPECT_EQ(first.Id, 10);
    EXPECT_EQ(first.Descripcion, "Promo\xc3\xa7\xc3\xa3o v\xc3\xa1lida");
    EXPECT_EQ(first.Autor->Descripcion, "Scanntech");
    EXPECT_EQ(FormatSqlDate(first.VigenciaHasta), "2024-01-01");
    EXPECT_EQ(first.Detalles->Condiciones->Items()[0]->Articulos()[0]->Nombre,
              "Caf\xc3\xa9");

    EXPECT_EQ(first.AsJson(),
              R"({"autor":{"descripcion":"Scanntech"},)"
              R"("descripcion":"Promo\u00E7\u00E3o v\u00E1lida",)"
              R"("detalles":{"beneficios":{"items":[]},"condiciones":{"items":[{"articulos":[)"
              R"({"codigoBarras":"7891000100103","nombre":"Caf\u00E9"}],"cantidad":3}]},)"
              R"("descuento":12.5,"paga":2,"precio":0},"id":10,"limitePromocionesPorTicket":2,)"
              R"("tipo":"LLEVA_PAGA","titulo":"Leve 3 pague 2",)"
              R"("vigenciaDesde":"2023-12-01T03:00:00.000Z",)"
              R"("vigenciaHasta":"2024-01-01T02:59:59.000Z"})");
    EXPECT_EQ(results[1]->AsJson(),
              R"({"autor":{"descripcion":""},"descripcion":"",)"
              R"("detalles":{"beneficios":{"items":[]},)"
              R"("condiciones":{"items":[]},"descuento":0,"paga":0,"precio":0},"id":11,)"
              R"("limitePromocionesPorTicket":0,"tipo":"","titulo":"Sin detalles",)"
              R"("vigenciaDesde":"","vigenciaHasta":""})");
}

TEST(WireDocuments, ResendListsComeAsABareArrayOrUnderItems) {
    const char* request = R"({"codigoCaja":7,"fecha":"2023-12-01T00:00:00.000-03:00","tipo":"X"})";
    struct Case {
        std::string json;
        std::size_t requests;
    };
    const std::vector<Case> cases = {
        {std::string("[") + request + "," + request + "]", 2},
        {std::string(R"({"Items":[)") + request + "]}", 1},
        {std::string(R"({"items":[)") + request + "]}", 0},
        {"[]", 0},
        {"[null]", 1},
        {"null", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        TListaReenvio list;
        list.SetAsJson(c.json);
        ASSERT_EQ(list.Items().Count(), c.requests);
        if (c.requests > 0 && list.Items()[0] != nullptr) {
            EXPECT_EQ(list.Items()[0]->CodigoCaja, 7);
            EXPECT_EQ(FormatSqlTimestamp(list.Items()[0]->Fecha), "2023-12-01 03:00:00");
            EXPECT_EQ(list.Items()[0]->Tipo, "X");
        }
    }
    // Written, the list takes the name of its list field.
    TListaReenvio list;
    list.SetAsJson(R"([{"codigoCaja":1}])");
    EXPECT_EQ(list.AsJson(), R"({"items":[{"codigoCaja":1,"fecha":"","tipo":""}]})");
}

TEST(WireDocuments, ResendListFailsOnAnElementThatIsNotAnObject) {
    TListaReenvio list;
    EXPECT_THROW(list.SetAsJson("[[1]]"), json::EConversionError);
    EXPECT_THROW(list.SetAsJson(R"([{"fecha":"01/12/2023"}])"), json::EConversionError);
}

}  // namespace
}  // namespace monitor
